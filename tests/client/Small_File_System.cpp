#include "Small_File_System.h"

#include <QFile>

#include <sched.h>
#include <string>
#include <sys/mount.h>

Small_File_System::Small_File_System(const QString& folder, const char* size)
    : m_folder(QFile::encodeName(folder))
{
    const std::string options = std::string("size=") + size;
    m_mounted = ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
                && ::mount("tmpfs", m_folder.constData(), "tmpfs", 0, options.c_str()) == 0;
}

Small_File_System::~Small_File_System()
{
    if (m_mounted)
        ::umount2(m_folder.constData(), MNT_DETACH);
}
