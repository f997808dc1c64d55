#include "client/core/transfer/ORV_Received_File.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <utility>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Names tried for Keep_Both before the commit gives up.
constexpr int MAX_NUMBERED_NAMES = 9999;

// rename(2) that either replaces the target or refuses to, atomically.
bool rename_file(const QByteArray& from, const QByteArray& to, bool replace)
{
    if (replace)
        return ::rename(from.constData(), to.constData()) == 0;
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without RENAME_NOREPLACE: a hard link fails on an
    // existing name just as atomically.
    if (::link(from.constData(), to.constData()) != 0)
        return false;
    ::unlink(from.constData());
    return true;
}

// The bytes a file name takes on disk.
int name_bytes(const QString& name)
{
    return QFile::encodeName(name).size();
}

// Where the last extension begins, a compressed file's inner one taken
// along ("a.tar.gz", "x.svg.gz"); the name's length when it has none. A
// leading dot belongs to the name (".profile").
int extension_start(const QString& name)
{
    static const QRegularExpression compressed(QStringLiteral("\\.[a-z][a-z0-9]*\\.(gz|bz2|xz|zst|lz|lzma|z)$"),
                                               QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch pair = compressed.match(name);
    if (pair.hasMatch() && pair.capturedStart() > 0)
        return pair.capturedStart();
    const int last = name.lastIndexOf(QLatin1Char('.'));
    return last > 0 ? last : name.size();
}

} // namespace

ORV_Received_File::ORV_Received_File(Sync sync)
    : m_sync(std::move(sync))
{
}

bool ORV_Received_File::create(const QString& folder)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss"));
    m_file.setFileTemplate(QDir(folder).filePath(QStringLiteral("Temp_%1_XXXXXX").arg(stamp)));
    m_file.setAutoRemove(true);
    if (!m_file.open())
        return false;
    // The temporary file is private while it fills; the received file gets
    // the usual permissions.
    return m_file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                 | QFileDevice::ReadGroup | QFileDevice::ReadOther);
}

bool ORV_Received_File::write(const char* data, qint64 len)
{
    return m_file.isOpen() && m_file.write(data, len) == len;
}

void ORV_Received_File::discard()
{
    m_file.remove();
}

QString ORV_Received_File::commit(const QString& final_path, Existing_File existing)
{
    if (!m_file.isOpen() || !m_file.flush() || m_sync(m_file.handle()) != 0) {
        fail(QStringLiteral("not written"));
        return QString();
    }
    m_file.close();
    const QByteArray from = QFile::encodeName(m_file.fileName());
    QString target = final_path;
    if (existing == Existing_File::Replace) {
        const QFileInfo old(final_path);
        if ((old.exists() || old.isSymLink()) && !may_replace(final_path)) {
            fail(QStringLiteral("read-only file not replaced"));
            m_name_kept = true;
            return QString();
        }
        if (!rename_file(from, QFile::encodeName(target), true)) {
            // A folder of that name is no file to replace.
            m_name_kept = errno == EISDIR;
            fail(QString::fromLocal8Bit(std::strerror(errno)));
            return QString();
        }
    } else {
        const int last = existing == Existing_File::Keep_Both ? MAX_NUMBERED_NAMES : 0;
        for (int n = 0;; ++n) {
            target = n == 0 ? final_path : numbered_name(final_path, n);
            if (rename_file(from, QFile::encodeName(target), false))
                break;
            if (errno != EEXIST || n == last) {
                m_name_kept = errno == EEXIST;
                fail(m_name_kept ? QStringLiteral("name taken") : QString::fromLocal8Bit(std::strerror(errno)));
                return QString();
            }
        }
    }
    m_file.setAutoRemove(false);
    return target;
}

bool ORV_Received_File::may_replace(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status {};
    if (::lstat(name.constData(), &status) != 0)
        return false;
    // Replacing a link leaves the file it leads to alone.
    if (S_ISLNK(status.st_mode))
        return true;
    return ::access(name.constData(), W_OK) == 0 && (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

QString ORV_Received_File::numbered_name(const QString& path, int n)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    const QString number = QStringLiteral(" (%1)").arg(n);
    QString extension = name.mid(extension_start(name));
    // An extension that leaves no room for the name is kept as part of it.
    if (name_bytes(number + extension) >= NAME_MAX)
        extension.clear();
    QString base = name.left(name.size() - extension.size());
    // "doc (1)" counts on as "doc (2)", not as "doc (1) (1)".
    static const QRegularExpression numbered(QStringLiteral(" \\(\\d+\\)$"));
    base.remove(numbered);
    // Cut by whole characters until the numbered name fits the file system.
    while (!base.isEmpty() && name_bytes(base + number + extension) > NAME_MAX)
        base.chop(base.size() > 1 && base.at(base.size() - 1).isLowSurrogate() ? 2 : 1);
    return info.dir().filePath(base + number + extension);
}

void ORV_Received_File::fail(const QString& reason)
{
    m_failure = reason;
}
