#pragma once

#include "client/core/records/ORV_FileExplorer_Table_Row_Data.h"
#include "client/ui/widgets/ORV_QMenu.h"
#include "foundation/widgets/ORV_Widget.h"

#include <QList>
#include <QMutex>
#include <QPointer>
#include <QTimer>

class ORV_Button;
class ORV_Explorer_Box;
class QGridLayout;
class QLabel;

// One crumb of the address bar: a folder of the current path. A double
// click opens the folder; a single click opens, after 200 ms without a
// second click, a menu of its sub-folders.
class ORV_FielBox : public ORV_Widget
{
    Q_OBJECT
public:
    explicit ORV_FielBox(ORV_Explorer_Box *owner);
    ~ORV_FielBox() override;

    void build();
    // Shows the text and fixes the crumb's width to it; returns that width.
    int set_text(const QString &text);
    void set_path(const QString &path) { m_path = path; }
    const QString &path() const { return m_path; }
    // Set before the bar lets the crumb go: from then on it ignores the mouse.
    void set_closing() { m_closing = true; }

    QString text() const;
    ORV_QMenu *menu() const { return m_menu; }
    const QTimer &single_click_timer() const { return m_single_click_timer; }

    static constexpr int single_click_ms = 200;
    // The crumb's width beyond its text: margins and the triangle.
    static constexpr int text_padding = 20;

signals:
    void signal_mouse_double_click(ORV_FielBox *crumb);
    void signal_triggered_slots(QString path);

public slots:
    void slot_triggered(QString path);
    void slot_menuhide();
    void slot_singleclickout();

protected:
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void handle_leave();
    void open_menu();
    void emit_chosen();

    bool m_menu_open = false;
    bool m_closing = false;
    QGridLayout *m_grid = nullptr;
    ORV_Button *m_triangle = nullptr;
    QLabel *m_label = nullptr;
    ORV_Explorer_Box *m_owner;
    int m_hover_colour;
    int m_pressed_colour;
    QString m_path;
    QMutex m_entry_lock;
    QList<ORV_FileExplorer_Table_Row_Data> m_entries;
    QPointer<ORV_QMenu> m_menu;
    QTimer m_single_click_timer;
    bool m_single_click_pending = false;
    QString m_chosen_path;
    bool m_pressed = false;
};
