#include "tests/support/Small_File_System.h"

#include <sched.h>
#include <sys/mount.h>

namespace quillfen_test {

Small_File_System::Small_File_System(const std::string& folder, const std::string& size)
    : m_folder(folder)
{
    const std::string options = "size=" + size;
    m_mounted = ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
                && ::mount("tmpfs", m_folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
}

Small_File_System::~Small_File_System()
{
    if (m_mounted)
        ::umount2(m_folder.c_str(), MNT_DETACH);
}

} // namespace quillfen_test
