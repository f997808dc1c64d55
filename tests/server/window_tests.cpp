// The server window under the offscreen platform.

#include "tests/server/Server_Test_Support.h"

#include "foundation/LocalHostInfo.h"
#include "server/ORV_LAN_SERVER.h"
#include "server/ORV_Statistics_Widget.h"
#include "server/ORV_User_Data_Manage.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>

namespace {

bool process_events_until(const std::function<bool()>& condition)
{
    return wait_until([&] {
        QApplication::processEvents();
        return condition();
    });
}

} // namespace

TEST(ServerWindow, ShowsTheCountTheSwitchAndTheStatistics)
{
    Capture_Trace_Sink trace;
    ORV_Server_Services services(test_settings(), trace);
    ORV_LAN_SERVER window(services);
    ASSERT_TRUE(window.setup());
    window.show();
    EXPECT_EQ(window.size(), QSize(300, 220));
    EXPECT_TRUE(window.count_field()->isReadOnly());
    EXPECT_EQ(window.count_field()->text(), "0");
    EXPECT_EQ(window.computer_name_field()->text().toStdString(), local_host_info().computer_name);

    // The box shows the flag from the start; each click sets the flag to it.
    EXPECT_TRUE(window.lan_only_box()->isChecked());
    EXPECT_TRUE(services.user_table().show_lan_only());
    window.lan_only_box()->click();
    EXPECT_FALSE(services.user_table().show_lan_only());
    window.lan_only_box()->click();
    EXPECT_TRUE(services.user_table().show_lan_only());

    window.statistics_button()->click();
    ORV_Statistics_Widget* statistics = window.statistics_window();
    ASSERT_NE(statistics, nullptr);
    EXPECT_EQ(statistics->width(), 750);
    QStandardItemModel* model = statistics->model();
    ASSERT_EQ(model->columnCount(), 4);
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("用户编号"));
    EXPECT_EQ(model->headerData(3, Qt::Horizontal).toString(), QStringLiteral("最后一次登录时间"));

    // Logins from worker threads reach the window queued.
    const Server_Ports ports = services.bound_ports();
    Fake_Client b("b0000000000000000000000000000002", "127.0.0.3");
    Fake_Client a("a0000000000000000000000000000001", "127.0.0.2");
    for (Fake_Client* client : {&b, &a})
        client->send_block(login_block(client->identity()), ports.login);
    EXPECT_TRUE(process_events_until([&] { return window.count_field()->text() == "2"; }));

    window.statistics_button()->click();
    EXPECT_EQ(window.statistics_window(), statistics);  // refilled, not rebuilt
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->index(0, 0).data().toString().toStdString(), a.identity());
    EXPECT_EQ(model->index(0, 1).data().toString(), "127.0.0.2");
    EXPECT_EQ(model->index(0, 2).data().toString(), "1");
    EXPECT_FALSE(model->index(0, 3).data().toString().isEmpty());
    EXPECT_EQ(model->index(1, 0).data().toString().toStdString(), b.identity());
    EXPECT_EQ(statistics->view()->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST(ServerWindow, SetupFailsWhenThePortsAreTaken)
{
    Test_Server first;
    Server_Settings settings = test_settings();
    settings.ports.login = first.ports.login;
    Capture_Trace_Sink trace;
    ORV_Server_Services services(settings, trace);
    ORV_LAN_SERVER window(services);
    EXPECT_FALSE(window.setup());
    EXPECT_NE(services.error().find(std::to_string(first.ports.login)), std::string::npos);
}
