#pragma once

#include <QString>
#include <QTemporaryFile>

#include <functional>

#include <unistd.h>

// What the commit of a received file does with an existing file of its name.
enum class Existing_File {
    Keep_Both,   // the new file takes the first free name "name (1).ext", "name (2).ext", ... (numbered_name)
    Replace,     // only a file the user may write; a read-only one stays
    Refuse       // the commit fails
};

// A file being received: written under a temporary name of its own in the
// destination folder, and given its final name only once it is complete.
// Until then nothing under the final name is touched; a reception that is
// abandoned leaves no temporary file behind.
class ORV_Received_File
{
public:
    // How the commit makes the written bytes durable: fsync(2), or as a test
    // has it.
    using Sync = std::function<int(int fd)>;

    explicit ORV_Received_File(Sync sync = ::fsync);

    // "<folder>/Temp_<yyyyMMddhhmmss>_<unique>", created exclusively, so two
    // receptions into one folder never share a file and no existing file is
    // ever opened.
    bool create(const QString& folder);

    QString temporary_path() const { return m_file.fileName(); }

    // Every byte written, or false.
    bool write(const char* data, qint64 len);
    // Closes and removes the temporary file now, freeing its space at once.
    void discard();

    // Closes the file and moves it to `final_path`, or with Keep_Both to the
    // first free name beside it, each attempt one atomic rename that never
    // replaces what another reception committed meanwhile. Returns the path
    // written, or empty with the reason in failure().
    QString commit(const QString& final_path, Existing_File existing);
    QString failure() const { return m_failure; }
    // The last commit failed only because a file holds the name and was not
    // to be replaced; any other failure is the file not being stored.
    bool name_kept() const { return m_name_kept; }

    // Whether an existing file may be replaced: the user may write it, and
    // its mode does not mark it read-only (for root neither).
    static bool may_replace(const QString& path);
    // "name (n).ext" beside `path`: the number goes before the last
    // extension ("a (n).tar.gz"), replaces a number the name ends in, and
    // the name is cut by whole characters so that it fits the file system.
    static QString numbered_name(const QString& path, int n);

private:
    void fail(const QString& reason);

    const Sync m_sync;
    QTemporaryFile m_file;
    QString m_failure;
    bool m_name_kept = false;
};
