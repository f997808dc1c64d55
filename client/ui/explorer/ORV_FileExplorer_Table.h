#pragma once

#include "client/core/records/ORV_FileExplorer_Table_Row_Data.h"
#include "foundation/widgets/ORV_Father_Table.h"

#include <QList>
#include <QVariantMap>

class ORV_FileExplorer_Table_Row;

// The table of an explorer page. Every action on a row becomes one event map
// (see ORV_Event_Map.h), emitted synchronously to the page.
class ORV_FileExplorer_Table : public ORV_Father_Table
{
    Q_OBJECT
public:
    explicit ORV_FileExplorer_Table(QWidget *parent = nullptr);

    // Replaces all rows. Old rows are hidden and deleted later, so this may
    // run while one of them is still in its own handler.
    virtual void set_rows(const QList<ORV_FileExplorer_Table_Row_Data> &rows);

    QList<ORV_FileExplorer_Table_Row *> explorer_rows() const;

signals:
    void signal_all_event(QVariantMap map);

public slots:
    void slot_dowm_double_click(ORV_Father_Table_Row *row);
    void slot_share_file(ORV_FileExplorer_Table_Row *row, int share_type);
    void slot_down_file_click(ORV_FileExplorer_Table_Row *row);
    void slot_up_file_click(ORV_FileExplorer_Table_Row *row);

private:
    void emit_transfer(ORV_FileExplorer_Table_Row *row, int event_type);
};
