#include "Client_Test_Env.h"
#include "Scripted_Prompter.h"

#include "client/core/icons/ORV_Icon_Cache.h"
#include "client/core/transfer/ORV_File_UpDownload_Manage.h"
#include "client/core/transfer/ORV_Transfer_Error.h"
#include "client/ui/records/ORV_DownRecord_From.h"
#include "client/ui/records/ORV_DownRecord_Interface.h"
#include "client/ui/records/ORV_Filedown_Record_Table.h"
#include "client/ui/records/ORV_Filedown_Record_Table_Row.h"
#include "foundation/widgets/ORV_Button_Text.h"
#include "foundation/widgets/ORV_Label_Obj.h"
#include "foundation/widgets/ORV_Palette.h"

#include <QProgressBar>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <iterator>

namespace {

using Manage = ORV_File_UpDownload_Manage;

void deliver(const QVariant &map)
{
    ORV_DownRecord_Interface::instance()->slot_to_file_down(map);
}

QVariant start_map(const QString &uuid, const QString &folder)
{
    ORV_UpDown_Data job;
    job.type = ORV::FILE_CODE_DOWNLOAD;
    job.down_uuid = uuid.toStdString();
    job.to_path = folder.toStdString();
    job.from_path = "/home/friend/shared/report 2026.pdf";
    job.file.filepath = job.from_path;
    job.file.size = 3 << 10;
    return Manage::make_download_start_map(job);
}

bool stored(const QString &uuid)
{
    for (const ORV_DownRecord_Data &record : Manage::instance().get_records()) {
        if (record.down_uuid == uuid)
            return true;
    }
    return false;
}

class Record_Page : public testing::Test
{
protected:
    Client_Test_Env env;
    Scripted_Prompter script;
    ORV_DownRecord_From page;

    void SetUp() override
    {
        Manage::instance().load_records();
        page.build();
    }
};

} // namespace

TEST_F(Record_Page, TransferRunsThenEndsInTheRecordAndTheStore)
{
    deliver(start_map(QStringLiteral("t1"), env.tree()));
    ORV_Filedown_Record_Table_Row *row = page.running_table()->row_of(QStringLiteral("t1"));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->record().file_path, env.tree());
    EXPECT_EQ(row->record().file.filepath, (env.tree() + QStringLiteral("/report 2026.pdf")).toStdString());
    EXPECT_EQ(row->name_label()->text(), QStringLiteral("report 2026.pdf"));
    EXPECT_EQ(row->speed_label()->text(), QStringLiteral("连接中…"));
    EXPECT_EQ(row->percent_label()->text(), QStringLiteral("0%"));

    deliver(Manage::make_progress_map(QStringLiteral("t1"), QStringLiteral("9K/S"), 40));
    deliver(Manage::make_progress_map(QStringLiteral("t1"), QStringLiteral("12K/S"), 80));
    EXPECT_EQ(row->progress_bar()->value(), 80);
    EXPECT_EQ(row->percent_label()->text(), QStringLiteral("80%"));
    EXPECT_EQ(row->speed_label()->text(), QStringLiteral("12K/S"));

    // Kept beside a file of the same name: the record names the file written.
    deliver(Manage::make_done_map(QStringLiteral("t1"), env.tree() + QStringLiteral("/report 2026 (1).pdf")));
    EXPECT_EQ(page.running_table()->row_of(QStringLiteral("t1")), nullptr);
    ORV_Filedown_Record_Table_Row *done = page.finished_table()->row_of(QStringLiteral("t1"));
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(done->record().file_name, QStringLiteral("report 2026 (1).pdf"));
    EXPECT_EQ(done->record().file_path, env.tree());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d$"))
                    .match(done->time_label()->text()).hasMatch());
    EXPECT_NE(done->open_button(), nullptr);
    EXPECT_NE(done->delete_button(), nullptr);
    EXPECT_TRUE(stored(QStringLiteral("t1")));
    EXPECT_TRUE(script.calls().isEmpty());

    // An end the page never saw start stores nothing.
    deliver(Manage::make_done_map(QStringLiteral("stranger")));
    EXPECT_EQ(page.finished_table()->rows().size(), 1);
}

TEST_F(Record_Page, FailureDropsTheRowAndWarnsOnlyForKnownCodes)
{
    deliver(start_map(QStringLiteral("f2"), env.tree()));
    deliver(Manage::make_error_map(2, QStringLiteral("f2")));
    EXPECT_TRUE(page.running_table()->rows().isEmpty());
    EXPECT_FALSE(stored(QStringLiteral("f2")));
    ASSERT_EQ(script.calls().size(), 1);
    EXPECT_EQ(script.calls().first().caption, QStringLiteral("下载出错"));
    EXPECT_EQ(script.calls().first().text, QStringLiteral("下载请求失败,请重试。"));

    deliver(start_map(QStringLiteral("f7"), env.tree()));
    deliver(Manage::make_error_map(7, QStringLiteral("f7")));
    EXPECT_TRUE(page.running_table()->rows().isEmpty());
    EXPECT_EQ(script.calls().size(), 1);

    QVariantMap unknown = start_map(QStringLiteral("u"), env.tree()).toMap();
    unknown.insert(QStringLiteral("msg_type"), 9);
    deliver(unknown);
    EXPECT_TRUE(page.running_table()->rows().isEmpty());
}

TEST_F(Record_Page, EachFailureSaysWhatHappenedAndWhichWay)
{
    struct Seen
    {
        int code;
        int type;
        const char *caption;
        const char *text;
    };
    const Seen cases[] = {
        {TRANSFER_BUSY, ORV::FILE_CODE_UPLOAD, "上传出错", "该文件正在上传中。"},
        {TRANSFER_NOT_REACHED, ORV::FILE_CODE_DOWNLOAD, "下载出错", "无法连接到对方,下载失败。"},
        {TRANSFER_CONNECTION_LOST, ORV::FILE_CODE_UPLOAD, "上传出错", "连接中断,上传失败。"},
        {TRANSFER_DOWNLOAD_ONLY, ORV::FILE_CODE_UPLOAD, "上传出错", "该共享只允许下载,不能上传。"},
        {TRANSFER_NO_OVERWRITE, ORV::FILE_CODE_UPLOAD, "上传出错", "对方已有同名文件,不允许覆盖。"},
        {TRANSFER_NOT_STORED, ORV::FILE_CODE_UPLOAD, "上传出错", "对方无法保存文件,上传失败。"},
        {TRANSFER_SOURCE_UNREADABLE, ORV::FILE_CODE_DOWNLOAD, "下载出错", "对方的文件无法读取,下载失败。"},
        {TRANSFER_SOURCE_CHANGED, ORV::FILE_CODE_DOWNLOAD, "下载出错", "对方的文件在传输中被修改,下载失败。"},
        {TRANSFER_REFUSED, ORV::FILE_CODE_DOWNLOAD, "下载出错", "对方拒绝了下载请求。"},
        {TRANSFER_PATH_TOO_LONG, ORV::FILE_CODE_UPLOAD, "上传出错", "文件路径过长,无法上传。"},
        {TRANSFER_PATH_TOO_LONG, ORV::FILE_CODE_DOWNLOAD, "下载出错", "文件路径过长,无法下载。"},
    };
    for (const Seen &seen : cases) {
        const QString id = QStringLiteral("e%1-%2").arg(seen.code).arg(seen.type);
        deliver(start_map(id, env.tree()));
        deliver(Manage::make_error_map(seen.code, id, seen.type));
        EXPECT_EQ(page.running_table()->row_of(id), nullptr);
        ASSERT_FALSE(script.calls().isEmpty());
        EXPECT_EQ(script.calls().last().caption, QString::fromUtf8(seen.caption));
        EXPECT_EQ(script.calls().last().text, QString::fromUtf8(seen.text));
    }
    EXPECT_EQ(script.calls().size(), int(std::size(cases)));
}

TEST_F(Record_Page, TabsSwapTheTables)
{
    page.show();
    ORV_Button_Text *running = page.tab_button(1);
    ORV_Button_Text *finished = page.tab_button(2);
    EXPECT_FALSE(page.running_table()->isHidden());
    EXPECT_TRUE(page.finished_table()->isHidden());
    EXPECT_EQ(running->state(), 2);

    QTest::mouseClick(finished, Qt::LeftButton);
    EXPECT_TRUE(page.running_table()->isHidden());
    EXPECT_FALSE(page.finished_table()->isHidden());
    const QLabel *text = finished->findChild<QLabel *>();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->palette().color(QPalette::WindowText), QColor::fromRgb(static_cast<QRgb>(middle_colour)));
    EXPECT_EQ(running->state(), 1);

    // The selected tab does not react.
    QTest::mouseClick(finished, Qt::LeftButton);
    EXPECT_FALSE(page.finished_table()->isHidden());
    QTest::mouseClick(running, Qt::LeftButton);
    EXPECT_FALSE(page.running_table()->isHidden());
}

TEST_F(Record_Page, FinishedRecordsKeepTheOrderTheyEndedInAndTheirIconsAfterARestart)
{
    // Each kind its own picture, as a desktop's icon theme gives.
    ORV_Icon_Cache::instance().set_provider([](const QFileInfo &info) {
        QPixmap picture(32, 32);
        picture.fill(info.suffix() == QLatin1String("pdf") ? Qt::red : Qt::blue);
        return QIcon(picture);
    });
    const QStringList ended{"z9", "a1", "m5"};
    for (const QString &uuid : ended)
        deliver(start_map(uuid, env.tree()));
    for (const QString &uuid : ended)
        deliver(Manage::make_done_map(uuid));
    const auto shown = [](const ORV_DownRecord_From &records) {
        QStringList ids;
        for (ORV_Father_Table_Row *row : records.finished_table()->rows())
            ids << static_cast<ORV_Filedown_Record_Table_Row *>(row)->get_down_uuid();
        return ids;
    };
    EXPECT_EQ(shown(page), ended);

    env.restart();
    Manage::instance().load_records();
    ORV_DownRecord_From again;
    again.build();
    EXPECT_EQ(shown(again), ended);
    const QImage icon = page.finished_table()->row_of("a1")->icon()->grab().toImage();
    EXPECT_EQ(icon.pixelColor(16, 16), QColor(Qt::red));
    EXPECT_EQ(again.finished_table()->row_of("a1")->icon()->grab().toImage(), icon);
    ORV_Icon_Cache::instance().set_provider(nullptr);
}

TEST_F(Record_Page, TheEndOfTheProgramRecordsRunningTransfersAsInterrupted)
{
    deliver(start_map(QStringLiteral("cut"), env.tree()));
    deliver(Manage::make_progress_map(QStringLiteral("cut"), QStringLiteral("9K/S"), 40));
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    EXPECT_TRUE(page.running_table()->rows().isEmpty());
    const auto says_interrupted = [](const ORV_DownRecord_From &records) {
        const ORV_Filedown_Record_Table_Row *row = records.finished_table()->row_of(QStringLiteral("cut"));
        return row && row->time_label()->text().endsWith(QStringLiteral(" 程序退出,传输中断。"));
    };
    EXPECT_TRUE(says_interrupted(page));
    EXPECT_TRUE(script.calls().isEmpty());

    env.restart();
    Manage::instance().load_records();
    ORV_DownRecord_From again;
    again.build();
    EXPECT_TRUE(says_interrupted(again));
}
