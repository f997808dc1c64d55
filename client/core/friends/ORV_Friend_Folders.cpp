#include "client/core/friends/ORV_Friend_Folders.h"

namespace {

bool holds(const QString& share, const QString& path)
{
    if (path == share)
        return true;
    const QString top = share.endsWith(QLatin1Char('/')) ? share : share + QLatin1Char('/');
    return path.startsWith(top);
}

} // namespace

void ORV_Friend_Folders::record(const QString& peer, const QString& name, const QString& path,
                                const QList<Row>& rows, const std::function<bool()>& current)
{
    QList<Row> folders;
    for (const Row& row : rows) {
        if (row.get_kind() == Row::PEER_SHARE_FILE && row.get_share_data().is_dir)
            folders.append(row);
    }
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (current && !current())
        return;
    if (peer != m_peer) {
        m_folders.clear();
        m_name.clear();
        m_peer = peer;
    }
    if (!name.isEmpty())
        m_name = name;
    else if (m_name.isEmpty())
        m_name = peer;
    m_folders.insert(path, folders);
}

void ORV_Friend_Folders::clear()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_peer.clear();
    m_name.clear();
    m_folders.clear();
}

QString ORV_Friend_Folders::peer() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_peer;
}

QString ORV_Friend_Folders::name() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_name;
}

QList<ORV_Friend_Folders::Row> ORV_Friend_Folders::folders(const QString& path) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_folders.value(path);
}

QString ORV_Friend_Folders::share_holding(const QString& path) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    QString found;
    for (const Row& share : m_folders.value(QString())) {
        const QString share_path = QString::fromStdString(share.get_share_data().filepath);
        if (holds(share_path, path) && (found.isEmpty() || share_path.size() < found.size()))
            found = share_path;
    }
    return found;
}
