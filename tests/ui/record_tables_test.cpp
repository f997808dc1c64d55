#include "Client_Test_Env.h"
#include "Record_Test_Data.h"
#include "Scripted_Prompter.h"

#include "client/core/transfer/ORV_File_UpDownload_Manage.h"
#include "client/ui/records/ORV_Filedown_Record_Table.h"
#include "client/ui/records/ORV_Filedown_Record_Table_Row.h"
#include "foundation/platform/ShellOpener.h"
#include "foundation/widgets/ORV_Button.h"
#include "foundation/widgets/ORV_Label_Obj.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QTest>

#include <cmath>

#include <gtest/gtest.h>

namespace {

QStringList row_ids(const ORV_Filedown_Record_Table &table)
{
    QStringList ids;
    for (ORV_Father_Table_Row *row : table.rows())
        ids << static_cast<ORV_Filedown_Record_Table_Row *>(row)->get_down_uuid();
    return ids;
}

ORV_File_UpDownload_Manage &manager()
{
    return ORV_File_UpDownload_Manage::instance();
}

} // namespace

TEST(Record_Tables, RowsKeepTheOrderTheirRecordsCameIn)
{
    ORV_Filedown_Record_Table table;
    table.fill({finished_record(QStringLiteral("c")), finished_record(QStringLiteral("a")),
                finished_record(QStringLiteral("a"))});
    EXPECT_EQ(row_ids(table), (QStringList{"c", "a", "a"}));
    EXPECT_EQ(table.records().size(), 2);
    table.fill({});
    EXPECT_EQ(row_ids(table).size(), 3);

    table.add_record(finished_record(QStringLiteral("b")));
    EXPECT_EQ(row_ids(table), (QStringList{"c", "a", "b"}));
    table.add_record(finished_record(QStringLiteral("c")));
    EXPECT_EQ(row_ids(table), (QStringList{"c", "a", "b"}));

    const ORV_DownRecord_Data taken = table.take_record(QStringLiteral("a"));
    EXPECT_EQ(taken.down_uuid, QStringLiteral("a"));
    EXPECT_EQ(row_ids(table), (QStringList{"c", "b"}));
    EXPECT_TRUE(table.take_record(QStringLiteral("a")).down_uuid.isEmpty());
    table.add_record(finished_record(QStringLiteral("a")));
    EXPECT_EQ(row_ids(table), (QStringList{"c", "b", "a"}));
}

TEST(Record_Tables, ProgressReachesTheFullBarAndSurvivesARebuild)
{
    ORV_Filedown_Record_Table table;
    table.add_record(running_record(QStringLiteral("x")));
    ORV_Filedown_Record_Table_Row *row = table.row_of(QStringLiteral("x"));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->speed_label()->text(), QStringLiteral("连接中…"));
    EXPECT_EQ(row->percent_label()->text(), QStringLiteral("0%"));
    EXPECT_EQ(row->size_label()->text(), QStringLiteral("5M"));
    EXPECT_EQ(row->name_label()->text(), QStringLiteral("x.bin"));

    table.set_progress(QStringLiteral("unknown"), QStringLiteral("1K/S"), 50);
    EXPECT_EQ(table.records().size(), 1);
    table.set_progress(QStringLiteral("x"), QStringLiteral("3K/S"), 100);
    EXPECT_EQ(row->progress_bar()->value(), 100);

    table.set_progress(QStringLiteral("x"), QStringLiteral("2K/S"), 80);
    table.add_record(running_record(QStringLiteral("y")));
    EXPECT_EQ(row_ids(table), (QStringList{"x", "y"}));
    row = table.row_of(QStringLiteral("x"));
    EXPECT_EQ(row->progress_bar()->value(), 80);
    EXPECT_EQ(row->percent_label()->text(), QStringLiteral("80%"));
    EXPECT_EQ(row->speed_label()->text(), QStringLiteral("2K/S"));
}

TEST(Record_Tables, FolderHasAnEmptySizeAndFinishedRowsTheirButtons)
{
    ORV_DownRecord_Data folder = running_record(QStringLiteral("d"));
    folder.file.is_dir = true;
    folder.prepare_running();
    EXPECT_TRUE(folder.file_size.isEmpty());
    folder.mark_finished(QDateTime(QDate(2026, 12, 9), QTime(8, 5)));
    EXPECT_EQ(folder.down_timer, QStringLiteral("2026-12-09 08:05"));

    ORV_Filedown_Record_Table table;
    table.add_record(folder);
    ORV_Filedown_Record_Table_Row *row = table.row_of(QStringLiteral("d"));
    EXPECT_TRUE(row->size_label()->text().isEmpty());
    EXPECT_EQ(row->time_label()->text(), QStringLiteral("2026-12-09 08:05"));
    EXPECT_EQ(row->progress_bar(), nullptr);
    ASSERT_NE(row->open_button(), nullptr);
    EXPECT_EQ(row->open_button()->toolTip(), QStringLiteral("打开文件所在位置"));
    EXPECT_EQ(row->delete_button()->toolTip(), QStringLiteral("删除记录"));
}

TEST(Record_Tables, DeleteButtonRemovesTheStoredRecordAndOnlyItsRow)
{
    Client_Test_Env env;
    for (const char *id : {"r1", "r2", "r3"})
        ASSERT_TRUE(manager().insert_record(finished_record(QString::fromLatin1(id))));
    ORV_Filedown_Record_Table table;
    table.fill(manager().get_records());
    table.show();
    QTest::mouseClick(table.row_of(QStringLiteral("r2"))->delete_button(), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(row_ids(table), (QStringList{"r1", "r3"}));

    manager().load_records();
    QStringList stored;
    for (const ORV_DownRecord_Data &record : manager().get_records())
        stored << record.down_uuid;
    EXPECT_EQ(stored, (QStringList{"r1", "r3"}));
}

TEST(Record_Tables, OpenButtonOpensTheFolderOrWarnsAfterTheClick)
{
    Client_Test_Env env;
    env.make_dir(QStringLiteral("got it"));
    env.make_file(QStringLiteral("got it/a b.txt"));
    QList<QUrl> opened;
    set_shell_opener([&opened](const QUrl &url) {
        opened << url;
        return true;
    });
    ORV_Filedown_Record_Table table;
    table.fill({finished_record(QStringLiteral("here"), env.tree(QStringLiteral("got it")), QStringLiteral("a b.txt")),
                finished_record(QStringLiteral("gone"))});
    table.show();
    QTest::mouseClick(table.row_of(QStringLiteral("here"))->open_button(), Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.first().toLocalFile(), env.tree(QStringLiteral("got it")));

    // While the box is open a transfer notice rebuilds the table.
    Scripted_Prompter script;
    script.set_while_open([&table] {
        table.add_record(finished_record(QStringLiteral("new")));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    });
    QTest::mouseClick(table.row_of(QStringLiteral("gone"))->open_button(), Qt::LeftButton);
    EXPECT_TRUE(script.calls().isEmpty());
    ASSERT_TRUE(process_events_until([&script] { return !script.calls().isEmpty(); }));
    EXPECT_EQ(script.calls().first().caption, QStringLiteral("文件未找到"));
    EXPECT_EQ(script.calls().first().text, QStringLiteral("文件已经删除，或被重命名"));
    EXPECT_EQ(row_ids(table), (QStringList{"here", "gone", "new"}));
    set_shell_opener(nullptr);
}

namespace {

// Pixels across the bar's middle painted in its fill colour.
int painted_fill(QProgressBar *bar)
{
    const QImage image = bar->grab().toImage();
    const QColor fill = bar->palette().color(QPalette::Highlight);
    int filled = 0;
    for (int x = 0; x < image.width(); ++x) {
        const QColor pixel = image.pixelColor(x, image.height() / 2);
        if (std::abs(pixel.hue() - fill.hue()) < 8 && pixel.saturation() > 80)
            ++filled;
    }
    return filled;
}

} // namespace

TEST(Record_Tables, BarFillMatchesThePercentageBesideIt)
{
    ORV_Filedown_Record_Table table;
    table.add_record(running_record(QStringLiteral("x")));
    table.resize(800, 200);
    table.show();
    ORV_Filedown_Record_Table_Row *row = table.row_of(QStringLiteral("x"));
    ASSERT_NE(row, nullptr);
    const int inside = row->progress_bar()->width() - 2;
    for (const int percent : {0, 8, 16, 48, 100}) {
        table.set_progress(QStringLiteral("x"), QStringLiteral("1K/S"), percent);
        EXPECT_NEAR(painted_fill(row->progress_bar()), inside * percent / 100.0, 1.0) << percent << "%";
    }
}

TEST(Record_Tables, ASilentTransferShowsNoSpeedAndOneAllSentWaitsForTheOtherSide)
{
    std::int64_t now = 5000;
    ORV_Filedown_Record_Table table;
    table.set_clock([&now] { return now; });
    table.add_record(running_record(QStringLiteral("x")));
    const auto report = [&table](const char *speed, int percent) {
        table.set_progress(QStringLiteral("x"), QString::fromLatin1(speed), percent);
    };
    // The speed shown once the clock has gone on by `ms`.
    const auto after = [&](int ms) {
        now += ms;
        table.show_stalls();
        return table.row_of(QStringLiteral("x"))->speed_label()->text();
    };
    EXPECT_EQ(after(5000), QStringLiteral("连接中…"));

    report("2K/S", 40);
    EXPECT_EQ(after(900), QStringLiteral("2K/S"));
    EXPECT_EQ(after(200), QStringLiteral("0B/S"));
    EXPECT_EQ(table.row_of(QStringLiteral("x"))->percent_label()->text(), QStringLiteral("40%"));
    table.add_record(running_record(QStringLiteral("y")));
    EXPECT_EQ(after(0), QStringLiteral("0B/S"));

    // A slow link reports seconds apart: no 0 between its reports. The
    // silence's own length is no such pace.
    report("300K/S", 50);
    now += 3000;
    report("300K/S", 60);
    EXPECT_EQ(after(2000), QStringLiteral("300K/S"));
    EXPECT_EQ(after(4100), QStringLiteral("0B/S"));
    report("1M/S", 70);
    EXPECT_EQ(after(1100), QStringLiteral("0B/S"));

    // Everything sent, the other side's word still to come: no bare "0".
    report("0", 100);
    EXPECT_EQ(after(5000), QStringLiteral("等待对方确认"));
    EXPECT_EQ(table.row_of(QStringLiteral("x"))->percent_label()->text(), QStringLiteral("100%"));
}
