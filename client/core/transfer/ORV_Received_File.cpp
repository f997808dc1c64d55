#include "client/core/transfer/ORV_Received_File.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

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

} // namespace

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

bool ORV_Received_File::commit(const QString& final_path, bool replace)
{
    if (!m_file.isOpen() || !m_file.flush() || ::fsync(m_file.handle()) != 0)
        return false;
    m_file.close();
    if (!rename_file(QFile::encodeName(m_file.fileName()), QFile::encodeName(final_path), replace))
        return false;
    m_file.setAutoRemove(false);
    return true;
}
