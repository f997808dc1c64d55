#pragma once

#include "client/core/records/ORV_FileExplorer_Table_Row_Data.h"
#include "foundation/widgets/ORV_Father_Table.h"

#include <QList>
#include <QVariantMap>
#include <QVector>

class ORV_FileExplorer_Table_Row;

// The table of an explorer page. Every action on a row becomes one event map
// (see ORV_Event_Map.h), emitted synchronously to the page.
//
// A folder may hold tens of thousands of entries, and a column of that many
// row widgets takes Qt seconds to lay out and paint. So the table keeps the
// records, gives its inner widget the height of all rows, and makes a row
// widget only when its place scrolls into view (the first screenfuls at once).
// Rows are placed by hand, 40 pixels high and 5 apart; a row once made stays
// until the rows are replaced.
class ORV_FileExplorer_Table : public ORV_Father_Table
{
    Q_OBJECT
public:
    explicit ORV_FileExplorer_Table(QWidget *parent = nullptr);

    // Replaces all rows. Old rows are hidden and deleted later, so this may
    // run while one of them is still in its own handler.
    virtual void set_rows(const QList<ORV_FileExplorer_Table_Row_Data> &rows);

    // The rows made so far, top to bottom.
    QList<ORV_FileExplorer_Table_Row *> explorer_rows() const;

signals:
    void signal_all_event(QVariantMap map);

public slots:
    void slot_dowm_double_click(ORV_Father_Table_Row *row);
    void slot_share_file(ORV_FileExplorer_Table_Row *row, int share_type);
    void slot_down_file_click(ORV_FileExplorer_Table_Row *row);
    void slot_up_file_click(ORV_FileExplorer_Table_Row *row);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void make_rows_in_view();
    void make_rows(int first, int last);
    void make_row(int index);
    void fit_row_widths();
    void emit_transfer(ORV_FileExplorer_Table_Row *row, int event_type);

    QList<ORV_FileExplorer_Table_Row_Data> m_records;
    // One place per record: its row, or none while it has not been in view.
    QVector<ORV_FileExplorer_Table_Row *> m_made;
};
