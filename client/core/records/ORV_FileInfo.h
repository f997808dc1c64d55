#pragma once

#include <QFileInfo>
#include <QIcon>
#include <QPixmap>
#include <QString>

#include <cstdint>

// A local file or folder as a listing shows it.
class ORV_FileInfo
{
public:
    ORV_FileInfo() = default;
    explicit ORV_FileInfo(const QFileInfo& info);
    explicit ORV_FileInfo(const QString& path);

    void set_file_info(const QFileInfo& info);
    const QFileInfo& get_file_info() const { return m_file_info; }

    // The icon stays null until loaded (on the GUI thread).
    void load_icon();
    const QIcon& get_icon() const { return m_icon; }
    QPixmap get_pixmap(int width, int height) const;

    bool is_shared() const { return m_shared; }
    void set_shared(bool shared) { m_shared = shared; }

    std::int32_t get_number() const { return m_number; }
    void set_number(std::int32_t number) { m_number = number; }

private:
    QFileInfo m_file_info;
    QIcon m_icon;
    bool m_shared = false;
    std::int32_t m_number = 0;
};
