#pragma once

#include <QString>
#include <QTemporaryFile>

// A file being received: written under a temporary name of its own in the
// destination folder, and given its final name only once it is complete.
// Until then nothing under the final name is touched; a reception that is
// abandoned leaves no temporary file behind.
class ORV_Received_File
{
public:
    // "<folder>/Temp_<yyyyMMddhhmmss>_<unique>", created exclusively, so two
    // receptions into one folder never share a file and no existing file is
    // ever opened.
    bool create(const QString& folder);

    QString temporary_path() const { return m_file.fileName(); }

    // Every byte written, or false.
    bool write(const char* data, qint64 len);

    // Closes the file and moves it to `final_path` in one atomic rename.
    // Without `replace`, an existing file there makes it fail instead.
    bool commit(const QString& final_path, bool replace);

private:
    QTemporaryFile m_file;
};
