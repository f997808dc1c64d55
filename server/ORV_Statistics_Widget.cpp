#include "server/ORV_Statistics_Widget.h"

#include "foundation/widgets/ORV_QGridLayout.h"
#include "server/ORV_User_Data_Manage.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>

ORV_Statistics_Widget::ORV_Statistics_Widget(QWidget* parent) : ORV_Widget(parent) {}

void ORV_Statistics_Widget::build()
{
    setWindowTitle(tr("登录统计"));
    m_layout = new ORV_QGridLayout;
    setLayout(m_layout);
    m_view = new QTableView;
    m_layout->addWidget(m_view, 0, 0);
    m_model = new QStandardItemModel(this);
    m_view->setModel(m_model);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->horizontalHeader()->setStretchLastSection(true);
}

void ORV_Statistics_Widget::fill(const ORV_User_Data_Manage& users)
{
    m_model->clear();
    m_model->setColumnCount(4);
    const QStringList headers = {tr("用户编号"), tr("外网IP"), tr("登录次数"), tr("最后一次登录时间")};
    for (int column = 0; column < headers.size(); ++column)
        m_model->setHeaderData(column, Qt::Horizontal, headers[column], Qt::EditRole);

    const auto statistics = users.login_statistics();
    m_model->setRowCount(static_cast<int>(statistics.size()));
    int row = 0;
    for (const auto& entry : statistics) {
        const ORV_User_Login_Data& login = entry.second;
        const QStringList cells = {QString::fromStdString(login.peer.identity), QString::fromStdString(login.peer.ip),
                                   QString::number(login.login_count), QString::fromStdString(login.last_login)};
        for (int column = 0; column < cells.size(); ++column)
            m_model->setData(m_model->index(row, column), cells[column], Qt::EditRole);
        ++row;
    }
}
