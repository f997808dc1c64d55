#pragma once

#include "client/core/records/ORV_FileExplorer_Table_Row_Data.h"

#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <mutex>

// What the LAN page has been shown of one friend: the friend's name and the
// folders of every listing, so that the crumbs above the folder on show can
// name their places and offer their sub-folders without asking again.
class ORV_Friend_Folders
{
public:
    using Row = ORV_FileExplorer_Table_Row_Data;

    // The listing of `path` ("" the friend's shares) as shown; another
    // friend starts afresh. `current`, asked under the lock, can still turn
    // it away, so that a clear() after it was asked always wins.
    void record(const QString& peer, const QString& name, const QString& path, const QList<Row>& rows,
                const std::function<bool()>& current = nullptr);
    // Back at the users: no friend is on show.
    void clear();

    QString peer() const;
    // The friend's computer name, its identity when it has none.
    QString name() const;
    // The folders of a listing shown, none for one never shown.
    QList<Row> folders(const QString& path) const;
    // The outermost share that holds `path`; empty when none shown does.
    QString share_holding(const QString& path) const;

private:
    mutable std::mutex m_mutex;
    QString m_peer;
    QString m_name;
    QMap<QString, QList<Row>> m_folders;
};
