#include "Client_Test_Env.h"

#include "client/core/observer/ORV_Main_From_Interface.h"
#include "client/core/observer/ORV_MainFrom_Observer_Obj.h"
#include "client/core/share/ORV_Share_Data_Manage.h"
#include "client/core/observer/ORV_Share_Interface.h"
#include "client/core/observer/ORV_Share_Observer_Obj.h"
#include "client/core/observer/Observable_Obj.h"
#include "client/core/observer/Observer_Obj.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>

namespace {

class Test_Subject : public Observer_Obj
{
public:
    void start_view() override {}
};

class Test_Page : public Observable_Obj
{
public:
    void update(Observer_Obj* subject) override
    {
        ++updates;
        on_gui_thread = on_gui_thread && QThread::currentThread() == QCoreApplication::instance()->thread();
        last = subject;
        if (on_update)
            on_update();
    }

    int updates = 0;
    bool on_gui_thread = true;
    Observer_Obj* last = nullptr;
    std::function<void()> on_update;
};

} // namespace

TEST(Observer, WorkerEmissionsReachPagesOnTheGuiThread)
{
    Test_Subject subject;
    Test_Page page;
    subject.attach(&page);
    subject.attach(&page);
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            emit subject.signal_sexcessive();
    });
    worker.join();
    EXPECT_EQ(page.updates, 0); // queued until the event loop runs
    ASSERT_TRUE(process_events_until([&] { return page.updates == 3; }));
    EXPECT_TRUE(page.on_gui_thread);
    EXPECT_EQ(page.last, &subject);
}

TEST(Observer, AnUpdateMayAttachDetachAndNotifyAgain)
{
    Test_Subject subject;
    Test_Page first;
    Test_Page second;
    Test_Page late;
    subject.attach(&first);
    subject.attach(&second);
    first.on_update = [&] {
        if (first.updates == 1) {
            subject.detach(&second); // second is not called any more
            subject.attach(&late);
            subject.notify();
        }
    };
    subject.notify();
    EXPECT_EQ(first.updates, 2);
    EXPECT_EQ(second.updates, 0);
    EXPECT_EQ(late.updates, 1);
}

TEST(Observer, DestroyedPagesAreNotCalled)
{
    Test_Subject subject;
    auto gone = std::make_unique<Test_Page>();
    Test_Page stays;
    subject.attach(gone.get());
    subject.attach(&stays);
    gone.reset();
    subject.notify();
    EXPECT_EQ(stays.updates, 1);

    // A page may also outlive its subject.
    auto short_lived = std::make_unique<Test_Subject>();
    short_lived->attach(&stays);
    short_lived.reset();
}

TEST(Observer, MainWindowPageChanges)
{
    ORV_Main_From_Interface* controller = ORV_Main_From_Interface::instance();
    Test_Page page;
    controller->attach(&page);
    EXPECT_EQ(controller->page_subject()->get_page(), 1);
    controller->setup();
    controller->change_page(4);
    EXPECT_EQ(page.updates, 2);
    EXPECT_EQ(controller->page_subject()->get_page(), 4);
    controller->detach(&page);
}

TEST(Observer, ShareDialogLoadsPermissionsForTypesOneAndTwo)
{
    Client_Test_Env env;
    const QString folder = env.make_dir(QStringLiteral("shared"));
    ASSERT_TRUE(ORV_Share_Data_Manage::instance().save_share(make_share(folder, 1, 1, 2), 0));

    ORV_Share_Interface controller;
    Test_Page page;
    controller.attach(&page);
    controller.setup();
    controller.share_file(ORV_FileInfo(folder), 1);
    EXPECT_EQ(page.updates, 1);
    ORV_Share_Observer_Obj* dialog = controller.share_subject();
    ASSERT_EQ(dialog->get_permissions().size(), 1u);
    EXPECT_EQ(dialog->get_permissions()[0].share_grade, 2);
    EXPECT_EQ(dialog->get_target().get_file_info().filePath(), folder);

    controller.share_file(ORV_FileInfo(folder), 3);
    EXPECT_EQ(page.updates, 2);
    EXPECT_EQ(dialog->get_share_type(), 3);
    EXPECT_TRUE(dialog->get_permissions().empty());

    // Saving goes through the share manager and reports its outcome.
    EXPECT_TRUE(controller.save_share(make_share(folder, 1, 1, 3), ORV_Share_Data_Manage::MODIFY));
    controller.share_file(ORV_FileInfo(folder), 2);
    ASSERT_EQ(dialog->get_permissions().size(), 1u);
    EXPECT_EQ(dialog->get_permissions()[0].share_grade, 3);
}
