#include "foundation/widgets/Public_Style.h"

#include "foundation/widgets/Readable_Text_Filter.h"

#include <QFontMetrics>
#include <QWidget>

Public_Style &Public_Style::instance()
{
    static Public_Style *style = new Public_Style;
    return *style;
}

Public_Style::Public_Style()
{
    m_title_font.setPixelSize(20);
    m_title_font.setBold(true);
    m_bold_font.setBold(true);
    m_white_text_palette.setColor(QPalette::WindowText, Qt::white);
    set_language(1);
}

void Public_Style::set_language(int language)
{
    if (language == 1) {
        m_local_disk_name = QStringLiteral("本地磁盘");
        m_folder_name = QStringLiteral("文件夹");
        m_file_name = QStringLiteral("文件");
        m_computer_name = QStringLiteral("计算机");
    } else {
        m_local_disk_name = QStringLiteral("Local_Disk");
        m_folder_name = QStringLiteral("Folder");
        m_file_name = QStringLiteral("File");
        m_computer_name = QStringLiteral("Computer");
    }
}

bool Public_Style::apply(QWidget *widget, const QFont &font) const
{
    if (!widget)
        return false;
    widget->setPalette(m_white_text_palette);
    widget->setFont(font);
    // White until it paints; then whatever reads on its background.
    widget->installEventFilter(&Readable_Text_Filter::instance());
    return true;
}

bool Public_Style::apply_title_style(QWidget *widget) const
{
    return apply(widget, m_title_font);
}

bool Public_Style::apply_bold_style(QWidget *widget) const
{
    return apply(widget, m_bold_font);
}

bool Public_Style::apply_text_style(QWidget *widget) const
{
    return apply(widget, m_bold_font);
}

QString Public_Style::elided_text(const QString &text, int width) const
{
    return QFontMetrics(m_bold_font).elidedText(text, Qt::ElideRight, width);
}
