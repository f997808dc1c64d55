#include "Client_Driver.h"

#include "client/core/friends/ORV_Client_To_Server_Observer_Obj.h"
#include "client/core/friends/ORV_LAN_Friend_Interface.h"
#include "client/core/ORV_Log.h"
#include "client/core/peer/ORV_Share_List_Exchange.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>

#include <memory>

namespace {

constexpr int LIST_LIMIT_MS = 120000;

ORV_Client_To_Server_Observer_Obj& link()
{
    return ORV_Client_To_Server_Observer_Obj::instance();
}

} // namespace

Client_Driver::Client_Driver()
{
    using namespace std::placeholders;
    add_command(QStringLiteral("peers"), std::bind(&Client_Driver::peers, this, _1, _2));
    add_command(QStringLiteral("wait-peer"), std::bind(&Client_Driver::wait_peer, this, _1, _2));
    add_command(QStringLiteral("list"), std::bind(&Client_Driver::list, this, _1, _2));
    add_command(QStringLiteral("quit"), std::bind(&Client_Driver::quit, this, _1, _2));
}

void Client_Driver::add_command(const QString& name, Handler handler)
{
    m_commands[name] = std::move(handler);
}

void Client_Driver::say(const QString& text)
{
    log_line(QStringLiteral("DRIVER ") + text);
}

void Client_Driver::enqueue(const QString& line)
{
    const QString command = line.trimmed();
    if (command.isEmpty() || command.startsWith('#'))
        return;
    m_queue.push_back(command);
    if (!m_busy)
        run_next();
}

void Client_Driver::run_next()
{
    if (m_queue.empty()) {
        m_busy = false;
        return;
    }
    m_busy = true;
    const QString line = m_queue.front();
    m_queue.pop_front();
    QStringList words = line.split(' ', Qt::SkipEmptyParts);
    const QString name = words.takeFirst();
    const auto it = m_commands.find(name);
    // Answered from the event loop, so a long queue never nests calls.
    const Done done = [this] { QTimer::singleShot(0, this, [this] { run_next(); }); };
    if (it == m_commands.end()) {
        say(QStringLiteral("ERROR unknown command ") + name);
        done();
        return;
    }
    it->second(words, done);
}

void Client_Driver::peers(const QStringList&, Done done)
{
    QStringList ids;
    for (const ORV_Peer_Data& peer : link().peer_list())
        ids << QString::fromStdString(peer.identity);
    say(QStringLiteral("PEERS ") + ids.join(','));
    done();
}

void Client_Driver::wait_peer(const QStringList& args, Done done)
{
    const std::string id = args.value(0).toStdString();
    const qint64 deadline = QDateTime::currentMSecsSinceEpoch() + 1000LL * args.value(1, QStringLiteral("60")).toInt();
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [this, id, deadline, done, poll] {
        if (link().find_peer(id, nullptr)) {
            say(QStringLiteral("PEER_ONLINE ") + QString::fromStdString(id));
            const Done finish = done;
            *poll = nullptr;   // destroys this closure: touch none of its captures after
            finish();
        } else if (QDateTime::currentMSecsSinceEpoch() > deadline) {
            say(QStringLiteral("PEER_TIMEOUT ") + QString::fromStdString(id));
            const Done finish = done;
            *poll = nullptr;
            finish();
        } else {
            QTimer::singleShot(200, this, *poll);
        }
    };
    (*poll)();
}

void Client_Driver::list(const QStringList& args, Done done)
{
    const QString peer = args.value(0);
    const QString path = args.mid(1).join(' ');
    auto finished = std::make_shared<bool>(false);
    auto connection = std::make_shared<QMetaObject::Connection>();
    const auto report = [finished, connection, done](const QString& result) {
        if (*finished)
            return;
        *finished = true;
        QObject::disconnect(*connection);
        const QList<ORV_FileExplorer_Table_Row_Data> rows = link().take_rows();
        say(QStringLiteral("LIST result=%1 rows=%2").arg(result).arg(rows.size()));
        for (const ORV_FileExplorer_Table_Row_Data& row : rows) {
            const ORV_Share_File_Data& file = row.get_share_data();
            say(QStringLiteral("ROW %1 %2 %3 %4|%5")
                    .arg(file.share_power)
                    .arg(file.size)
                    .arg(file.is_dir ? 1 : 0)
                    .arg(QString::fromStdString(file.filetime), QString::fromStdString(file.filepath)));
        }
        say(QStringLiteral("LIST_END"));
        done();
    };
    *connection = connect(&link(), &ORV_Client_To_Server_Observer_Obj::signal_share_home_page, this,
                          [report](int result) { report(QString::number(result)); });
    QTimer::singleShot(LIST_LIMIT_MS, this, [report] { report(QStringLiteral("timeout")); });
    if (path.isEmpty())
        ORV_LAN_Friend_Interface::instance()->slot_to_open_user(peer);
    else
        ORV_LAN_Friend_Interface::instance()->slot_to_open_net_share_file(peer, path);
}

void Client_Driver::quit(const QStringList&, Done)
{
    say(QStringLiteral("BYE"));
    QCoreApplication::quit();
}
