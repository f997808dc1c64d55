#include "Client_Test_Env.h"
#include "Scripted_Prompter.h"
#include "client/core/observer/ORV_Share_Interface.h"
#include "client/core/share/ORV_Share_Data_Manage.h"
#include "client/ui/share/ORV_ShareSelectBox.h"
#include "client/ui/share/ORV_ShareSelectTable.h"
#include "client/ui/share/ORV_Share_From.h"
#include "client/ui/widgets/ORV_Static_Prompt_Obj.h"

#include <QCheckBox>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

// The share page inside an owner page of the main window's size.
struct Share_Page_Fixture : testing::Test
{
    Share_Page_Fixture()
    {
        owner.resize(805, 527);
        page = new ORV_Share_From(&owner);
        page->build();
        page->setFixedSize(owner.size());
        page->hide();
    }

    void show_item(const QString &path, int mode)
    {
        page->share_interface()->share_file(ORV_FileInfo(path), mode);
    }

    ORV_ShareSelectTable_Row *lan_row() const
    {
        return static_cast<ORV_ShareSelectTable_Row *>(page->box(1)->table()->rows().last());
    }

    int slide_until_parked(int limit = 200)
    {
        int ticks = 0;
        while (page->pos() != page->slide_target() && ticks < limit) {
            page->slide_step();
            ++ticks;
        }
        return ticks;
    }

    Client_Test_Env env;
    Scripted_Prompter script;
    QWidget owner;
    ORV_Share_From *page;
};

} // namespace

TEST_F(Share_Page_Fixture, EachModeShowsItsTextsAndSlidesInFromBelow)
{
    const QString file = env.make_file(QStringLiteral("report.pdf"), QByteArray(2048, 'x'));
    const char *titles[][2] = {{"设置共享", "确认共享"}, {"修改共享", "确认修改"}, {"取消共享", "确认删除"}};
    for (int mode = 0; mode < 3; ++mode) {
        show_item(file, mode);
        EXPECT_TRUE(page->isVisibleTo(&owner));
        EXPECT_EQ(page->title_text(), QString::fromUtf8(titles[mode][0]));
        EXPECT_EQ(page->confirm_text(), QString::fromUtf8(titles[mode][1]));
        EXPECT_EQ(page->pos(), QPoint(0, 527));
        EXPECT_EQ(page->slide_target(), QPoint(0, 0));
        EXPECT_GT(slide_until_parked(), 1);
        EXPECT_EQ(page->pos(), QPoint(0, 0));
    }
    EXPECT_EQ(page->name_text(), QStringLiteral("report.pdf"));
    EXPECT_EQ(page->type_text(), QStringLiteral("文件"));
    EXPECT_EQ(page->size_text(), QStringLiteral("2K"));
    EXPECT_EQ(page->box(1)->title(), QStringLiteral("共享到局域网"));
    EXPECT_FALSE(page->box(1)->cover()->isVisibleTo(page));
    EXPECT_TRUE(page->box(2)->cover()->isVisibleTo(page));
    EXPECT_TRUE(page->box(3)->cover()->isVisibleTo(page));

    // Back: out to the right, where it stays.
    page->slot_back();
    EXPECT_EQ(page->slide_target(), QPoint(805, 0));
    slide_until_parked();
    EXPECT_EQ(page->pos(), QPoint(805, 0));
    // Without a width it cannot follow a slope: it goes straight there.
    show_item(file, 0);
    page->setFixedSize(0, 0);
    page->slide_step();
    EXPECT_EQ(page->pos(), QPoint(0, 0));
}

TEST_F(Share_Page_Fixture, TheGradeBoxesExcludeEachOtherAndShowTheStoredGrade)
{
    const QString folder = env.make_dir(QStringLiteral("pub"));
    ASSERT_TRUE(ORV_Share_Data_Manage::instance().save_share(make_share(folder, 1, 1, 2), 0));
    show_item(folder, 1);
    EXPECT_EQ(page->box(1)->get_grade(), 2);
    EXPECT_TRUE(lan_row()->box(2)->isChecked());
    EXPECT_EQ(lan_row()->grade(), 2);

    lan_row()->box(1)->setChecked(true);
    lan_row()->box(3)->setChecked(true);
    EXPECT_FALSE(lan_row()->box(1)->isChecked());
    EXPECT_FALSE(lan_row()->box(2)->isChecked());
    EXPECT_EQ(page->box(1)->get_grade(), 3);

    // The head's buttons select a grade for the row.
    page->box(1)->head()->slot_grade01_click();
    EXPECT_EQ(page->box(1)->get_grade(), 1);

    // An unshared item starts with nothing checked.
    show_item(env.make_dir(QStringLiteral("other")), 0);
    EXPECT_EQ(page->box(1)->get_grade(), 0);
}

TEST_F(Share_Page_Fixture, ConfirmingSavesOnlyWithAGradeAndNamesADriveRootAsSuch)
{
    const QString folder = env.make_dir(QStringLiteral("pub"));
    show_item(folder, 0);
    slide_until_parked();
    page->slot_share();
    EXPECT_FALSE(ORV_Share_Data_Manage::instance().is_shared(folder));
    EXPECT_EQ(page->slide_target(), QPoint(0, 0));
    ASSERT_EQ(script.calls().size(), 1);
    EXPECT_EQ(script.calls().first().kind, QStringLiteral("warning"));
    EXPECT_EQ(script.calls().first().caption, QStringLiteral("设置共享"));
    EXPECT_EQ(script.calls().first().text, QStringLiteral("您还没有设置贡献权限"));

    lan_row()->box(3)->setChecked(true);
    ORV_Share_Data record;
    ASSERT_TRUE(page->make_share_data(record));
    EXPECT_EQ(record.file_or_dir, ORV::SHARE_KIND_DIR);
    // Two-digit year: a pattern Qt knows, no literal "YY".
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"))
                    .match(record.timer)
                    .hasMatch())
        << record.timer.toStdString();
    ASSERT_EQ(record.permissions.size(), 1u);
    EXPECT_EQ(record.permissions[0].share_type, 1);
    EXPECT_EQ(record.permissions[0].share_grade, 3);
    page->slot_share();
    EXPECT_TRUE(ORV_Share_Data_Manage::instance().is_shared(folder));
    EXPECT_EQ(page->slide_target(), QPoint(805, 0));

    show_item(QStringLiteral("/"), 0);
    EXPECT_EQ(page->name_text(), QStringLiteral("/"));
    EXPECT_EQ(page->type_text(), QStringLiteral("本地磁盘"));
    EXPECT_TRUE(page->size_text().isEmpty());
    lan_row()->box(1)->setChecked(true);
    ASSERT_TRUE(page->make_share_data(record));
    EXPECT_EQ(record.file_or_dir, ORV::SHARE_KIND_DRIVE);
    EXPECT_EQ(record.filepath, QStringLiteral("/"));
}

TEST_F(Share_Page_Fixture, CancellingNeedsNoGradeAndTheGradesCannotBeChangedThere)
{
    const QString folder = env.make_dir(QStringLiteral("pub"));
    ASSERT_TRUE(ORV_Share_Data_Manage::instance().save_share(make_share(folder, 1, 1, 2), 0));
    show_item(folder, 2);
    EXPECT_TRUE(lan_row()->box(2)->isChecked());
    EXPECT_FALSE(lan_row()->box(1)->isEnabled());
    EXPECT_FALSE(page->box(1)->head()->isEnabled());

    // Even with no grade shown (none was left ticked) the confirm cancels.
    lan_row()->box(2)->setChecked(false);
    page->slot_share();
    EXPECT_TRUE(script.calls().isEmpty());
    EXPECT_FALSE(ORV_Share_Data_Manage::instance().is_shared(folder));
    EXPECT_EQ(page->slide_target(), QPoint(805, 0));

    // The other modes can change the grade again.
    show_item(folder, 0);
    EXPECT_TRUE(lan_row()->box(1)->isEnabled());
}
