#include "Client_Test_Env.h"
#include "Scripted_Prompter.h"
#include "Unprivileged.h"
#include "client/ui/explorer/ORV_Event_Map.h"
#include "client/ui/explorer/ORV_FileExplorer_Table.h"
#include "client/ui/explorer/ORV_FileExplorer_Table_Row.h"
#include "client/ui/explorer/ORV_File_Explorer_From.h"
#include "client/ui/share/ORV_Share_From.h"
#include "client/ui/widgets/ORV_Trends_Prompt_Obj.h"
#include "foundation/platform/ShellOpener.h"
#include "foundation/widgets/ORV_Button.h"

#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

QStringList row_names(const ORV_Explorer_From &page)
{
    QStringList out;
    for (const ORV_FileExplorer_Table_Row *row : page.table()->explorer_rows())
        out << row->name_text();
    return out;
}

bool covered(const ORV_Explorer_From &page)
{
    return page.wait_prompt()->isVisibleTo(&page);
}

} // namespace

TEST(Local_Page, FoldersOpenUnderThePromptFilesWithoutItAndRowsShareThroughTheSharePage)
{
    Client_Test_Env env;
    const QString top = env.make_dir(QStringLiteral("top"));
    const QString file = env.make_file(QStringLiteral("top/a.txt"));
    QList<QUrl> opened;
    set_shell_opener([&](const QUrl &url) {
        opened << url;
        return true;
    });
    ORV_File_Explorer_From page;
    page.resize(805, 527);
    page.build();
    // Covered until the first listing (the home view) arrives.
    EXPECT_TRUE(covered(page));
    ASSERT_TRUE(process_events_until([&] { return !covered(page); }));
    EXPECT_TRUE(row_names(page).contains(QStringLiteral("本地磁盘(/)")));

    // A file opens with the desktop and lists nothing: no prompt.
    page.slot_all_event({{"event_type", 1}, {"file_path", file}});
    EXPECT_FALSE(covered(page));
    ASSERT_TRUE(process_events_until([&] { return !opened.isEmpty(); }));
    EXPECT_EQ(opened.first(), QUrl::fromLocalFile(file));

    page.slot_all_event({{"event_type", 1}, {"file_path", top}});
    EXPECT_TRUE(covered(page));
    ASSERT_TRUE(process_events_until([&] { return !covered(page); }));
    EXPECT_EQ(row_names(page), QStringList{"a.txt"});

    // The share button brings the share page up for that file.
    ORV_FileExplorer_Table_Row *row = page.table()->explorer_rows().first();
    QTest::mouseClick(row->buttons().first(), Qt::LeftButton);
    EXPECT_TRUE(page.share_page()->isVisibleTo(&page));
    EXPECT_EQ(page.share_page()->title_text(), QStringLiteral("设置共享"));
    EXPECT_EQ(page.share_page()->name_text(), QStringLiteral("a.txt"));

    // An event the page does not handle still frees its record.
    auto record = std::make_shared<ORV_FileExplorer_Table_Row_Data>(QFileInfo(file));
    const std::weak_ptr<ORV_FileExplorer_Table_Row_Data> watch = record;
    page.slot_all_event({{"event_type", 5}, {"row_data", QVariant::fromValue(Row_Data_Ptr(std::move(record)))}});
    EXPECT_TRUE(watch.expired());
    set_shell_opener(ShellOpener());
}

TEST(Local_Page, AFolderThatMayNotBeReadIsToldNotShownAsEmpty)
{
    Client_Test_Env env;
    const QString locked = env.make_dir(QStringLiteral("locked"));
    env.make_file(QStringLiteral("locked/a.txt"));
    ASSERT_EQ(chmod(QFile::encodeName(env.tree()).constData(), 0755), 0);
    ASSERT_EQ(chmod(QFile::encodeName(locked).constData(), 0111), 0);
    Scripted_Prompter prompts;
    ORV_File_Explorer_From page;
    page.resize(805, 527);
    page.build();
    ASSERT_TRUE(process_events_until([&] { return !covered(page); }));
    {
        const Unprivileged nobody;
        page.slot_all_event({{"event_type", 1}, {"file_path", locked}});
        ASSERT_TRUE(process_events_until([&] { return !prompts.calls().isEmpty(); }));
    }
    EXPECT_EQ(prompts.calls().first().kind, QStringLiteral("warning"));
    EXPECT_EQ(prompts.calls().first().text, QStringLiteral("没有权限"));
    EXPECT_FALSE(covered(page));
    EXPECT_TRUE(row_names(page).isEmpty());
    chmod(QFile::encodeName(locked).constData(), 0755);
}
