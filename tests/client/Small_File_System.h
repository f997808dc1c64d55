#pragma once

#include <QByteArray>
#include <QString>

// A tmpfs of a given size mounted on a folder, in a mount namespace that the
// calling thread (and every thread it starts afterwards) gets of its own, so
// nothing shows outside the test. Needs root; mounted() tells whether it
// worked.
class Small_File_System
{
public:
    Small_File_System(const QString& folder, const char* size);
    ~Small_File_System();
    Small_File_System(const Small_File_System&) = delete;
    Small_File_System& operator=(const Small_File_System&) = delete;

    bool mounted() const { return m_mounted; }

private:
    QByteArray m_folder;
    bool m_mounted = false;
};
