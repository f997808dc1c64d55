#include "Client_Test_Env.h"
#include "client/ui/explorer/ORV_Event_Map.h"
#include "client/ui/explorer/ORV_FileExplorer_Table.h"
#include "client/ui/explorer/ORV_FileExplorer_Table_Row.h"
#include "foundation/widgets/ORV_Button.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

using Row_Data = ORV_FileExplorer_Table_Row_Data;

QStringList tooltips(const ORV_FileExplorer_Table_Row *row)
{
    QStringList out;
    for (const ORV_Button *button : row->buttons())
        out << button->toolTip();
    return out;
}

QStringList actions(const ORV_FileExplorer_Table_Row *row)
{
    QStringList out;
    for (const QAction *action : row->context_menu()->actions())
        out << action->text();
    return out;
}

Row_Data local_row(const QString &path, bool shared)
{
    Row_Data row{QFileInfo(path)};
    row.get_file_info().set_shared(shared);
    return row;
}

Row_Data user_row()
{
    ORV_Peer_Data peer;
    peer.identity = "b1b1b1b1b1b1b1b1b1b1b1b1b1b1b1b1";
    peer.computer_name = "pc-b";
    peer.lan_ips = {"192.0.2.7", "198.51.100.7"};
    return Row_Data(peer);
}

Row_Data shared_row(const std::string &path, bool is_dir, int power)
{
    ORV_Share_File_Data file;
    file.filepath = path;
    file.filetime = "2026-12-01 09:30";
    file.user_uuid = "b1b1b1b1b1b1b1b1b1b1b1b1b1b1b1b1";
    file.share_power = power;
    file.size = 2048;
    file.is_dir = is_dir;
    return Row_Data(file);
}

// Something painted over the row's icon (or, without one, on a clear base).
bool has_mark(const ORV_FileExplorer_Table_Row *row)
{
    const Row_Data &data = row->row_data();
    const QPixmap bare = data.get_kind() == Row_Data::PEER_SHARE_FILE ? data.get_share_data().get_pixmap(32, 32)
                                                                       : data.get_file_info().get_pixmap(32, 32);
    const QImage shown = row->picture().toImage().convertToFormat(QImage::Format_ARGB32);
    bool drawn = false;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            drawn = drawn || qAlpha(shown.pixel(x, y)) > 0;
    return drawn && (bare.isNull() || shown != bare.toImage().convertToFormat(QImage::Format_ARGB32));
}

} // namespace

TEST(Explorer_Table, EachKindShowsItsTextsButtonsActionsAndMarks)
{
    Client_Test_Env env;
    const QString file = env.make_file(QStringLiteral("report.pdf"), QByteArray(3000, 'x'));
    const QString folder = env.make_dir(QStringLiteral("docs"));
    ORV_FileExplorer_Table table;
    table.set_rows({local_row(file, false), local_row(folder, true), local_row(QStringLiteral("/"), false),
                    user_row(), shared_row("/srv/pub", true, 2), shared_row("/srv/pub/a.txt", false, 0),
                    shared_row("/srv/x.bin", false, 4)});
    const QList<ORV_FileExplorer_Table_Row *> rows = table.explorer_rows();
    ASSERT_EQ(rows.size(), 7);

    EXPECT_EQ(rows[0]->name_text(), QStringLiteral("report.pdf"));
    EXPECT_EQ(rows[0]->size_text(), QStringLiteral("2K"));
    EXPECT_EQ(tooltips(rows[0]), QStringList{"共享"});
    EXPECT_FALSE(has_mark(rows[0]));
    EXPECT_EQ(actions(rows[0]), (QStringList{"打开", "共享"}));

    EXPECT_TRUE(rows[1]->size_text().isEmpty());
    EXPECT_EQ(tooltips(rows[1]), (QStringList{"修改共享", "取消共享"}));
    EXPECT_EQ(actions(rows[1]), (QStringList{"打开", "修改共享", "删除共享"}));
    EXPECT_TRUE(has_mark(rows[1]));

    EXPECT_EQ(rows[2]->name_text(), QStringLiteral("本地磁盘(/)"));
    EXPECT_TRUE(rows[2]->size_text().isEmpty());

    EXPECT_EQ(rows[3]->name_text(), QStringLiteral("pc-b"));
    EXPECT_EQ(rows[3]->time_text(), QStringLiteral("192.0.2.7|198.51.100.7"));
    EXPECT_TRUE(rows[3]->buttons().isEmpty());
    EXPECT_EQ(actions(rows[3]), QStringList{"打开"});

    EXPECT_EQ(rows[4]->name_text(), QStringLiteral("pub"));
    EXPECT_EQ(rows[4]->time_text(), QStringLiteral("2026-12-01 09:30"));
    EXPECT_EQ(tooltips(rows[4]), QStringList{"上传"});
    EXPECT_EQ(actions(rows[4]), (QStringList{"打开", "文件上传"}));
    EXPECT_EQ(tooltips(rows[5]), QStringList{"下载"});
    EXPECT_EQ(actions(rows[5]), QStringList{"文件下载"});
    EXPECT_EQ(rows[5]->size_text(), QStringLiteral("2K"));
    // No icon for a file that is only on the peer: the mark alone, on a clear base.
    EXPECT_TRUE(has_mark(rows[5]));
    EXPECT_TRUE(has_mark(rows[6]));

    // An empty list clears the table and adds no trailing stretch.
    table.set_rows({});
    EXPECT_TRUE(table.rows().isEmpty());
    EXPECT_EQ(table.row_box()->count(), 0);
}

TEST(Explorer_Table, EveryEventCarriesItsKeysAndTheRecordIsFreedWithTheMap)
{
    Client_Test_Env env;
    const QString folder = env.make_dir(QStringLiteral("docs"));
    ORV_FileExplorer_Table table;
    table.set_rows({local_row(folder, true), user_row(), shared_row("/srv/pub", true, 1),
                    shared_row("/srv/pub/a.txt", false, 1)});
    const QList<ORV_FileExplorer_Table_Row *> rows = table.explorer_rows();
    std::vector<std::weak_ptr<Row_Data>> records;
    QList<QVariantMap> maps;
    QObject::connect(&table, &ORV_FileExplorer_Table::signal_all_event, [&](const QVariantMap &map) {
        QVariantMap keys = map;
        if (Row_Data_Ptr record = ORV_Event::row_data_of(map)) {
            records.push_back(record);
            keys.insert(ORV_Event::row_data, QString::fromStdString(record->get_kind() == Row_Data::LOCAL_FILE
                                                                      ? "local"
                                                                      : record->get_share_data().filepath));
        }
        maps << keys;
    });

    for (ORV_FileExplorer_Table_Row *row : rows)
        QTest::mouseDClick(row, Qt::LeftButton);
    QTest::mouseClick(rows[0]->buttons().at(0), Qt::LeftButton);
    QTest::mouseClick(rows[0]->buttons().at(1), Qt::LeftButton);
    QTest::mouseClick(rows[2]->buttons().at(0), Qt::LeftButton);
    rows[3]->context_menu()->actions().at(0)->trigger();

    ASSERT_EQ(maps.size(), 8);
    EXPECT_EQ(maps[0], (QVariantMap{{"event_type", 1}, {"file_path", folder}}));
    EXPECT_EQ(maps[1], (QVariantMap{{"event_type", 3}, {"user_id", "b1b1b1b1b1b1b1b1b1b1b1b1b1b1b1b1"}}));
    EXPECT_EQ(maps[2], (QVariantMap{{"event_type", 2}, {"file_path", "/srv/pub"},
                                    {"user_id", "b1b1b1b1b1b1b1b1b1b1b1b1b1b1b1b1"}, {"is_dir", true}}));
    EXPECT_EQ(maps[3].value("is_dir"), false);
    EXPECT_EQ(maps[4], (QVariantMap{{"event_type", 4}, {"row_data", "local"}, {"share_type", 1}}));
    EXPECT_EQ(maps[5], (QVariantMap{{"event_type", 4}, {"row_data", "local"}, {"share_type", 2}}));
    EXPECT_EQ(maps[6], (QVariantMap{{"event_type", 6}, {"row_data", "/srv/pub"}}));
    EXPECT_EQ(maps[7], (QVariantMap{{"event_type", 5}, {"row_data", "/srv/pub/a.txt"}}));
    // Nobody kept the records: each went with its map.
    ASSERT_EQ(records.size(), 4u);
    for (const std::weak_ptr<Row_Data> &record : records)
        EXPECT_TRUE(record.expired());
}

// A big folder: rows exist only where the view has been, each in its place
// from the start, and a row made late is a whole row.
TEST(Explorer_Table, ABigFolderMakesItsRowsAsTheyScrollIntoView)
{
    Client_Test_Env env;
    QList<Row_Data> records;
    for (int i = 0; i < 5000; ++i)
        records << shared_row("/srv/pub/f" + std::to_string(i), i % 2 == 0, 1 + i % 3);
    ORV_FileExplorer_Table table;
    table.resize(700, 400);
    table.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&table));
    QList<QVariantMap> maps;
    QObject::connect(&table, &ORV_FileExplorer_Table::signal_all_event, [&](const QVariantMap &map) { maps << map; });

    table.set_rows(records);
    QList<ORV_FileExplorer_Table_Row *> rows = table.explorer_rows();
    ASSERT_LT(rows.size(), 200);
    for (int i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i]->geometry(), QRect(0, i * 45, table.inner_widget()->width(), 40)) << i;

    QScrollBar *bar = table.findChild<QScrollArea *>()->verticalScrollBar();
    ASSERT_TRUE(process_events_until([&] { return bar->maximum() > 0; }));
    bar->setValue(bar->maximum());
    QPointer<ORV_FileExplorer_Table_Row> last = table.explorer_rows().last();
    EXPECT_EQ(last->name_text(), QStringLiteral("f4999"));
    EXPECT_EQ(last->geometry().top(), 4999 * 45);
    EXPECT_EQ(tooltips(last), QStringList{"下载"});
    EXPECT_EQ(actions(last), QStringList{"文件下载"});
    EXPECT_TRUE(has_mark(last));
    QTest::mouseDClick(last, Qt::LeftButton);
    ASSERT_EQ(maps.size(), 1);
    EXPECT_EQ(maps[0].value("file_path"), QStringLiteral("/srv/pub/f4999"));
    // One selection over rows made early and late.
    QTest::mouseClick(rows[0], Qt::LeftButton);
    EXPECT_TRUE(rows[0]->is_selected());
    EXPECT_FALSE(last->is_selected());

    // Replaced while scrolled far down: the new rows are made where the view is.
    table.set_rows(QVector<Row_Data>(300, user_row()).toList());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(last.isNull());
    rows = table.explorer_rows();
    ASSERT_FALSE(rows.isEmpty());
    EXPECT_EQ(rows.last()->geometry().top(), 299 * 45);
    QTest::mouseDClick(rows.last(), Qt::LeftButton);
    ASSERT_EQ(maps.size(), 2);
    EXPECT_EQ(maps[1].value("event_type"), 3);
}
