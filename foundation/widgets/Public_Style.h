#pragma once

#include <QFont>
#include <QPalette>
#include <QString>

class QWidget;

// Fonts, the white-text palette and the names of the explorer item kinds,
// shared by every widget of the process. GUI thread only. Styled text turns
// dark where it sits on a light colour (Readable_Text_Filter).
class Public_Style
{
public:
    static Public_Style &instance();

    // Language 1 gives the Chinese item names, any other value the English ones.
    void set_language(int language);

    bool apply_title_style(QWidget *widget) const;
    bool apply_bold_style(QWidget *widget) const;
    bool apply_text_style(QWidget *widget) const;
    QString elided_text(const QString &text, int width) const;

    const QFont &title_font() const { return m_title_font; }
    const QFont &bold_font() const { return m_bold_font; }
    const QPalette &white_text_palette() const { return m_white_text_palette; }
    const QString &local_disk_name() const { return m_local_disk_name; }
    const QString &folder_name() const { return m_folder_name; }
    const QString &file_name() const { return m_file_name; }
    const QString &computer_name() const { return m_computer_name; }

private:
    Public_Style();
    bool apply(QWidget *widget, const QFont &font) const;

    QFont m_title_font;
    QFont m_bold_font;
    QPalette m_white_text_palette;
    QString m_local_disk_name;
    QString m_folder_name;
    QString m_file_name;
    QString m_computer_name;
};
