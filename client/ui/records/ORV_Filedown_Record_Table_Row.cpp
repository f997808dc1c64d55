#include "client/ui/records/ORV_Filedown_Record_Table_Row.h"

#include "client/core/icons/ORV_Pixmap_Cache.h"
#include "client/core/transfer/ORV_File_UpDownload_Manage.h"
#include "client/ui/prompt/ORV_Prompter.h"
#include "client/ui/records/ORV_Filedown_Record_Table.h"
#include "client/ui/widgets/ORV_Progress_Bar.h"
#include "foundation/ShellOpen.h"
#include "foundation/widgets/ORV_Button.h"
#include "foundation/widgets/ORV_Label_Obj.h"
#include "foundation/widgets/ORV_Palette.h"
#include "foundation/widgets/ORV_QHBoxLayout.h"
#include "foundation/widgets/Public_Style.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QTimer>

namespace {

// Column minimum widths; column 2 (the name) takes the rest.
constexpr int column_widths[] = {20, 50, 0, 40, 160, 5, 35, 50, 80, 20};
constexpr int name_width = 300;
constexpr int gap = 6;

} // namespace

ORV_Filedown_Record_Table_Row::ORV_Filedown_Record_Table_Row(ORV_Filedown_Record_Table *table)
    : ORV_Father_Table_Row(table), m_owner(table)
{
}

void ORV_Filedown_Record_Table_Row::build(ORV_DownRecord_Data record)
{
    init_row();
    m_record = std::move(record);
    QGridLayout *grid = row_grid();
    for (int column = 0; column < 10; ++column) {
        grid->setColumnMinimumWidth(column, column_widths[column]);
        grid->setColumnStretch(column, column == 2 ? 1 : 0);
    }

    ORV_Share_File_Data file = m_record.file;
    // A record from an earlier run keeps no file entry: its icon comes from
    // the local file it names.
    if (file.filepath.empty()) {
        file.filepath = QDir(m_record.file_path).filePath(m_record.file_name).toStdString();
        file.is_dir = m_record.file_size.isEmpty();
    }
    file.load_icon();
    m_icon = new QWidget;
    m_icon->setFixedSize(32, 32);
    set_background_pixmap(m_icon, file.get_pixmap(32, 32));
    grid->addWidget(m_icon, 0, 1, Qt::AlignCenter);

    m_name = make_label(Public_Style::instance().elided_text(m_record.file_name, name_width));
    grid->addWidget(m_name, 0, 2, Qt::AlignLeft);
    m_size = make_label(m_record.file_size);
    grid->addWidget(m_size, 0, 3, Qt::AlignLeft);

    m_button_box = new ORV_QHBoxLayout;
    m_button_box->setSpacing(10);
    m_button_box->addStretch(1);
    if (m_record.running) {
        add_running_cells();
    } else {
        m_time = make_label(m_record.down_timer);
        // An end time with a failure's words fills its cells: a gap before it.
        m_time->setContentsMargins(gap, 0, 0, 0);
        grid->addWidget(m_time, 0, 4, 1, 4, Qt::AlignCenter);
        m_open_button = make_button(QStringLiteral(":/ORV_SHARE/image/record_open_22x22.png"),
                                    QStringLiteral("打开文件所在位置"));
        connect(m_open_button, &ORV_Button::clicked, this, &ORV_Filedown_Record_Table_Row::slot_open_todir);
        m_delete_button = make_button(QStringLiteral(":/ORV_SHARE/image/record_delete_22x22.png"),
                                      QStringLiteral("删除记录"));
        connect(m_delete_button, &ORV_Button::clicked, this, &ORV_Filedown_Record_Table_Row::slot_delete_record);
    }
    grid->addLayout(m_button_box, 0, 8, Qt::AlignRight);
}

// A rebuilt table shows each running transfer as far as it had come.
void ORV_Filedown_Record_Table_Row::add_running_cells()
{
    QGridLayout *grid = row_grid();
    m_progress = new ORV_Progress_Bar;
    m_progress->setRange(0, 100);
    m_progress->setTextVisible(false);
    grid->addWidget(m_progress, 0, 4, Qt::AlignRight);
    m_percent = make_label(QString());
    grid->addWidget(m_percent, 0, 6, Qt::AlignLeft);
    m_speed = make_label(QString());
    // "100%" fills its cell: a gap before the speed.
    m_speed->setContentsMargins(gap, 0, 0, 0);
    grid->addWidget(m_speed, 0, 7, Qt::AlignLeft);
    set_progress(m_record.state_text, m_record.schedule);
}

void ORV_Filedown_Record_Table_Row::set_progress(const QString &speed, int percent)
{
    m_record.state_text = speed;
    m_record.schedule = percent;
    if (m_progress)
        m_progress->setValue(percent);
    if (m_percent)
        m_percent->setText(QString::number(percent) + QLatin1Char('%'));
    if (m_speed)
        m_speed->setText(ORV_Filedown_Record_Table::all_sent(speed) ? ORV_Filedown_Record_Table::waiting_text : speed);
}

void ORV_Filedown_Record_Table_Row::slot_open_todir()
{
    const QFileInfo file(m_record.file_path + QLatin1Char('/') + m_record.file_name);
    if (file.exists()) {
        // No desktop here selects a file in its file manager: its folder opens.
        open_with_shell(file.absolutePath());
        return;
    }
    // After the click has unwound: while the box is open a transfer notice
    // may rebuild the table and delete this row.
    QTimer::singleShot(0, [] {
        prompter().warning(QStringLiteral("文件未找到"), QStringLiteral("文件已经删除，或被重命名"));
    });
}

void ORV_Filedown_Record_Table_Row::slot_delete_record()
{
    ORV_File_UpDownload_Manage::instance().delete_record(m_record);
    m_owner->take_record(m_record.down_uuid);
}

ORV_Label_Obj *ORV_Filedown_Record_Table_Row::make_label(const QString &text)
{
    auto *label = new ORV_Label_Obj;
    label->setText(text);
    Public_Style::instance().apply_text_style(label);
    return label;
}

ORV_Button *ORV_Filedown_Record_Table_Row::make_button(const QString &strip, const QString &tooltip)
{
    auto *button = new ORV_Button(3);
    button->set_pixmap(ORV_Pixmap_Cache::instance().get_pixmap(strip));
    button->set_tooltip(tooltip);
    m_button_box->addWidget(button, 2);
    return button;
}
