#pragma once

#include "foundation/widgets/ORV_Widget.h"

#include <QList>
#include <QMutex>

class ORV_Father_Table_Row;
class QGridLayout;
class QScrollArea;
class QVBoxLayout;

// A scrollable column of rows of which at most one is selected after a click.
// Derived tables add rows to row_box() and rows() under the lock.
class ORV_Father_Table : public ORV_Widget
{
    Q_OBJECT
public:
    explicit ORV_Father_Table(QWidget *parent = nullptr);
    ~ORV_Father_Table() override;

    void clear_rows();

    QVBoxLayout *row_box() const { return m_row_box; }
    QWidget *inner_widget() const { return m_inner_widget; }
    const QList<ORV_Father_Table_Row *> &rows() const { return m_rows; }

public slots:
    void slot_dowm_click(ORV_Father_Table_Row *row);

protected:
    QGridLayout *m_grid;
    QScrollArea *m_scroll_area;
    QWidget *m_inner_widget;
    QVBoxLayout *m_row_box;
    QMutex m_lock;
    QList<ORV_Father_Table_Row *> m_rows;
    // Free for the derived tables; zeroed with the rows.
    int m_first_counter = 0;
    int m_second_counter = 0;
};
