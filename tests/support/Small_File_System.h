#pragma once

#include <string>

namespace quillfen_test {

// A tmpfs of a given size ("8m") mounted on a folder, in a mount namespace
// that the calling thread, and every thread and program it starts afterwards,
// gets of its own, so nothing shows outside the test. Needs root; mounted()
// tells whether it worked.
class Small_File_System
{
public:
    Small_File_System(const std::string& folder, const std::string& size);
    ~Small_File_System();
    Small_File_System(const Small_File_System&) = delete;
    Small_File_System& operator=(const Small_File_System&) = delete;

    bool mounted() const { return m_mounted; }

private:
    std::string m_folder;
    bool m_mounted = false;
};

} // namespace quillfen_test
