// quillfen_explorer_bench: how long the explorer table takes to show a big
// folder, beside a plain QTableWidget of the same entries.
//
//   quillfen_explorer_bench [--counts 1000,5000,20000] [--kind local|shared]
//
// For each count it makes a folder of that many files, lists it as the local
// files page does (or as a friend's share list with --kind shared) and hands
// the rows to an ORV_FileExplorer_Table shown on the offscreen platform. It
// prints the time from the hand-over to the first painted row, and the longest
// time the event loop gave no answer (a 5 ms timer's longest gap) until the
// table was quiet. The baseline is a QTableWidget filled with the same texts
// and icons in the same run.

#include "bench/Bench_Server.h"
#include "client/core/records/ORV_FileExplorer_Table_Row_Data.h"
#include "client/ui/app/ORV_Client_Start.h"
#include "client/ui/explorer/ORV_FileExplorer_Table.h"
#include "client/ui/explorer/ORV_FileExplorer_Table_Row.h"
#include "foundation/SizeText.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHeaderView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

using Row_Data = ORV_FileExplorer_Table_Row_Data;

struct Options
{
    QList<int> counts{1000, 5000, 20000};
    bool shared = false;
};

Options parse(int argc, char **argv)
{
    Options options;
    Bench_Arguments args(argc, argv);
    while (args.next()) {
        if (args.option() == "--counts") {
            options.counts.clear();
            for (const QString &count : QString::fromStdString(args.value()).split(','))
                options.counts << count.toInt();
        } else if (args.option() == "--kind") {
            options.shared = args.value() == "shared";
        } else {
            args.unknown();
        }
    }
    return options;
}

const char *const suffixes[] = {".txt", ".pdf", ".png", ".tar.gz", ".cpp", ""};

QList<QFileInfo> make_folder(const QString &root, int count)
{
    QDir().mkpath(root);
    for (int i = 0; i < count; ++i) {
        QFile file(root + QStringLiteral("/file_%1%2").arg(i, 5, 10, QChar('0')).arg(suffixes[i % 6]));
        if (!file.open(QIODevice::WriteOnly))
            bench_fail("cannot write " + file.fileName().toStdString());
        file.write(QByteArray(i % 4096, 'x'));
    }
    return QDir(root).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name | QDir::DirsFirst);
}

QList<Row_Data> rows_of(const QList<QFileInfo> &entries, bool shared)
{
    QList<Row_Data> rows;
    for (const QFileInfo &entry : entries) {
        if (!shared) {
            rows << Row_Data(entry);
            continue;
        }
        ORV_Share_File_Data file;
        file.filepath = "/srv/pub/" + entry.fileName().toStdString();
        file.filetime = "2026-12-01 09:30";
        file.user_uuid = "b1b1b1b1b1b1b1b1b1b1b1b1b1b1b1b1";
        file.share_power = 1 + rows.size() % 3;
        file.size = entry.size();
        rows << Row_Data(file);
    }
    return rows;
}

constexpr qint64 give_up_ms = 10 * 60 * 1000;

struct Figures
{
    double first_paint_ms = -1;
    double longest_stall_ms = 0;
};

// Runs `fill` from the event loop and watches for the first paint of a widget
// `is_row` accepts; quiet = 300 ms after that without a stall.
class Paint_Watch : public QObject
{
public:
    explicit Paint_Watch(std::function<bool(QObject *)> is_row) : m_is_row(std::move(is_row)) {}

    Figures run(const std::function<void()> &fill)
    {
        QEventLoop loop;
        QTimer ticker;
        QElapsedTimer clock;
        qint64 last_tick = 0;
        Figures figures;
        ticker.setInterval(5);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            figures.longest_stall_ms = qMax(figures.longest_stall_ms, double(now - last_tick));
            last_tick = now;
            if ((m_painted_at >= 0 && now - m_painted_at > 300) || now > give_up_ms)
                loop.quit();
        });
        QTimer::singleShot(0, [&] {
            clock.start();
            m_clock = &clock;
            ticker.start();
            fill();
        });
        qApp->installEventFilter(this);
        loop.exec();
        qApp->removeEventFilter(this);
        figures.first_paint_ms = double(m_painted_at);
        return figures;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_clock && m_painted_at < 0 && m_is_row(watched))
            m_painted_at = m_clock->elapsed();
        return false;
    }

private:
    std::function<bool(QObject *)> m_is_row;
    QElapsedTimer *m_clock = nullptr;
    qint64 m_painted_at = -1;
};

void show_window(QWidget &window)
{
    window.resize(760, 520);
    window.show();
    QEventLoop settle;
    QTimer::singleShot(200, &settle, &QEventLoop::quit);
    settle.exec();
}

Figures explorer_figures(const QList<Row_Data> &rows)
{
    ORV_FileExplorer_Table table;
    show_window(table);
    Paint_Watch watch([](QObject *object) { return qobject_cast<ORV_FileExplorer_Table_Row *>(object) != nullptr; });
    return watch.run([&] { table.set_rows(rows); });
}

Figures baseline_figures(const QList<Row_Data> &rows)
{
    QTableWidget table(0, 4);
    table.verticalHeader()->hide();
    table.horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    show_window(table);
    Paint_Watch watch([&](QObject *object) { return object == table.viewport() && table.rowCount() > 0; });
    return watch.run([&] {
        table.setRowCount(rows.size());
        for (int row = 0; row < rows.size(); ++row) {
            Row_Data record = rows[row];
            const bool local = record.get_kind() == Row_Data::LOCAL_FILE;
            QPixmap picture;
            QString name;
            QString time;
            qint64 size = 0;
            if (local) {
                ORV_FileInfo &file = record.get_file_info();
                file.load_icon();
                picture = file.get_pixmap(32, 32);
                name = file.get_file_info().fileName();
                time = file.get_file_info().lastModified().toString(QStringLiteral("yyyy-MM-dd hh:mm"));
                size = file.get_file_info().size();
            } else {
                ORV_Share_File_Data &file = record.get_share_data();
                file.load_icon();
                picture = file.get_pixmap(32, 32);
                name = QString::fromStdString(file_name_of_path(file.filepath));
                time = QString::fromStdString(file.filetime);
                size = file.size;
            }
            auto *icon = new QTableWidgetItem;
            icon->setIcon(QIcon(picture));
            table.setItem(row, 0, icon);
            table.setItem(row, 1, new QTableWidgetItem(name));
            table.setItem(row, 2, new QTableWidgetItem(time));
            table.setItem(row, 3, new QTableWidgetItem(format_size_text(size)));
        }
    });
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Options options = parse(argc, argv);
    apply_style_sheet(app);
    QTemporaryDir scratch;
    if (!scratch.isValid())
        bench_fail("no temporary folder");
    std::printf("%-8s %-22s %-22s\n", "entries", "explorer table, ms", "QTableWidget, ms");
    std::printf("%-8s %-10s %-11s %-10s %-11s\n", "", "first row", "most stall", "first row", "most stall");
    for (int count : options.counts) {
        const QList<Row_Data> rows =
            rows_of(make_folder(scratch.filePath(QString::number(count)), count), options.shared);
        const Figures baseline = baseline_figures(rows);
        const Figures explorer = explorer_figures(rows);
        std::printf("%-8d %-10.0f %-11.0f %-10.0f %-11.0f\n", count, explorer.first_paint_ms,
                    explorer.longest_stall_ms, baseline.first_paint_ms, baseline.longest_stall_ms);
        std::fflush(stdout);
    }
    return 0;
}
