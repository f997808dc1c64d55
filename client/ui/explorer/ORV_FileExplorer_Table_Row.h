#pragma once

#include "client/core/records/ORV_FileExplorer_Table_Row_Data.h"
#include "foundation/widgets/ORV_Father_Table_Row.h"

#include <QPixmap>

class ORV_Button;
class ORV_Label_Obj;
class QAction;
class QHBoxLayout;
class QMenu;

// One row of an explorer table: a local file, a LAN user or a file in a
// friend's share, with the buttons and context actions of its kind.
class ORV_FileExplorer_Table_Row : public ORV_Father_Table_Row
{
    Q_OBJECT
public:
    explicit ORV_FileExplorer_Table_Row(ORV_Father_Table *table);

    void set_up(const ORV_FileExplorer_Table_Row_Data &record);

    const ORV_FileExplorer_Table_Row_Data &row_data() const { return m_data; }
    // What the row shows, for the table's readers and the tests.
    const QPixmap &picture() const { return m_picture; }
    QString name_text() const;
    QString time_text() const;
    QString size_text() const;
    QList<ORV_Button *> buttons() const;
    QMenu *context_menu() const { return m_menu; }

signals:
    void signal_share_file(ORV_FileExplorer_Table_Row *row, int share_type);
    void signal_down_file_click(ORV_FileExplorer_Table_Row *row);
    void signal_up_file_click(ORV_FileExplorer_Table_Row *row);

public slots:
    void slot_share_but_click();
    void slot_change_share_but_click();
    void slot_delete_share_click();
    void slot_down_file_click();
    void slot_up_file_click();

protected:
    // The menu pops up and returns at once: no nested event loop runs inside
    // the row's handler, so a rebuild of the rows cannot pull it away.
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void build_common();
    void build_local_file();
    void build_user();
    void build_shared_file();
    void show_picture(const QPixmap &base, const QString &overlay);
    ORV_Button *add_button(const QString &strip, const QString &tooltip, void (ORV_FileExplorer_Table_Row::*slot)());
    QAction *add_action(const QString &text, void (ORV_FileExplorer_Table_Row::*slot)());
    void add_open_action();

    QMenu *m_menu = nullptr;
    QAction *m_open_action = nullptr;
    QAction *m_share_action = nullptr;
    QAction *m_change_share_action = nullptr;
    QAction *m_delete_share_action = nullptr;
    QAction *m_down_action = nullptr;
    QAction *m_up_action = nullptr;
    ORV_FileExplorer_Table_Row_Data m_data;
    QWidget *m_icon = nullptr;
    QPixmap m_picture;
    ORV_Label_Obj *m_name = nullptr;
    ORV_Label_Obj *m_time = nullptr;
    ORV_Label_Obj *m_size = nullptr;
    QHBoxLayout *m_button_box = nullptr;
    ORV_Button *m_share_button = nullptr;
    ORV_Button *m_change_share_button = nullptr;
    ORV_Button *m_cancel_share_button = nullptr;
    ORV_Button *m_down_button = nullptr;
    ORV_Button *m_up_button = nullptr;
};
