#pragma once

#include <QMap>
#include <QWidget>

// Base of every window, page, table and row. Each instance is registered under
// a process-wide id so that a theme change can recolour all widgets of a role.
class ORV_Widget : public QWidget
{
    Q_OBJECT
public:
    enum Colour_Role { NO_ROLE = 0, LEFT_ROLE = 1, TOP_ROLE = 2, MIDDLE_ROLE = 3 };

    explicit ORV_Widget(QWidget *parent = nullptr);
    ~ORV_Widget() override;

    int id() const { return m_id; }
    int colour_role() const { return m_colour_role; }
    void set_colour_role(int role) { m_colour_role = role; }

    // GUI thread only: neither the counter nor the registry is locked.
    static const QMap<int, ORV_Widget *> &registry();

private:
    int m_id;
    int m_colour_role = NO_ROLE;
};

// Repaints every registered widget with a colour role from the current theme.
void recolour_all_widgets();
