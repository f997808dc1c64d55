#pragma once

#include "foundation/widgets/ORV_Widget.h"

class ORV_QGridLayout;
class ORV_User_Data_Manage;
class QStandardItemModel;
class QTableView;

// The login statistics: one read-only row per identity that ever logged in.
class ORV_Statistics_Widget : public ORV_Widget
{
    Q_OBJECT
public:
    explicit ORV_Statistics_Widget(QWidget* parent = nullptr);

    void build();
    void fill(const ORV_User_Data_Manage& users);

    QStandardItemModel* model() const { return m_model; }
    QTableView* view() const { return m_view; }

private:
    ORV_QGridLayout* m_layout = nullptr;
    QTableView* m_view = nullptr;
    QStandardItemModel* m_model = nullptr;
};
