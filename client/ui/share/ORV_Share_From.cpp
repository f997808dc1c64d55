#include "client/ui/share/ORV_Share_From.h"

#include "client/core/icons/ORV_Pixmap_Cache.h"
#include "client/core/observer/ORV_Share_Interface.h"
#include "client/core/observer/ORV_Share_Observer_Obj.h"
#include "client/core/share/ORV_Share_Data_Manage.h"
#include "client/ui/prompt/ORV_Prompter.h"
#include "client/ui/share/ORV_ShareSelectBox.h"
#include "client/ui/share/ORV_ShareSelectTable.h"
#include "foundation/SizeText.h"
#include "foundation/widgets/ORV_Button.h"
#include "foundation/widgets/ORV_Palette.h"
#include "foundation/widgets/ORV_QGridLayout.h"
#include "foundation/widgets/ORV_QHBoxLayout.h"
#include "foundation/widgets/Public_Style.h"

#include <QDateTime>
#include <QLabel>
#include <QPushButton>
#include <QTimerEvent>

#include <algorithm>
#include <cstdlib>
#include <iostream>

namespace {

QWidget *white_line()
{
    auto *line = new QWidget;
    line->setFixedHeight(2);
    set_background_colour(line, white_colour, ORV_PALETTE_WINDOW);
    return line;
}

QLabel *text_label(const QString &text)
{
    auto *label = new QLabel(text);
    Public_Style::instance().apply_text_style(label);
    return label;
}

struct Mode_Texts
{
    const char *title;
    const char *confirm;
    const char *log;
};

const Mode_Texts mode_texts[] = {
    {"设置共享", "确认共享", "共享按钮"},
    {"修改共享", "确认修改", "修改共享"},
    {"取消共享", "确认删除", "取消共享"},
};

// One coordinate's move toward its target by `step` (truncated), or onto it.
int step_toward(int from, int to, double step)
{
    if (std::abs(from - to) <= step)
        return to;
    return static_cast<int>(from < to ? from + step : from - step);
}

} // namespace

ORV_Share_From::ORV_Share_From(QWidget *parent) : ORV_QWidget_Obj(parent) {}

ORV_Share_From::~ORV_Share_From() = default;

void ORV_Share_From::build()
{
    // The left colour as it is now: the panel is not recoloured later.
    set_background_colour(this, left_colour, ORV_PALETTE_WINDOW);
    auto *grid = new ORV_QGridLayout(this);
    m_title = new QLabel;
    Public_Style::instance().apply_title_style(m_title);
    m_title->setContentsMargins(10, 0, 0, 0);
    grid->setRowMinimumHeight(0, 25);
    grid->addWidget(m_title, 0, 0);
    grid->addWidget(white_line(), 1, 0);
    grid->setRowMinimumHeight(2, 52);
    grid->addWidget(build_file_header(), 2, 0);
    grid->addWidget(white_line(), 3, 0);
    grid->setRowStretch(4, 1);
    grid->addWidget(build_target_area(), 4, 0);
    m_confirm = new QPushButton(tr("共享"));
    grid->setRowMinimumHeight(5, 25);
    grid->addWidget(m_confirm, 5, 0, Qt::AlignCenter);
    m_timer_id = startTimer(slide_period_ms);
    wire_controller();
}

QWidget *ORV_Share_From::build_file_header()
{
    auto *header = new QWidget;
    auto *grid = new ORV_QGridLayout(header);
    m_icon = new QWidget;
    m_icon->setFixedSize(38, 38);
    set_background_pixmap(m_icon, ORV_Pixmap_Cache::instance().get_scaled_pixmap(
                                      QStringLiteral(":/ORV_SHARE/image/unknow_file_icon.png"), 38, 38));
    m_name = text_label(tr("测试文件哦"));
    m_type = text_label(tr("文件夹"));
    m_size = text_label(tr("15M"));
    m_time = text_label(tr("2013-11-11 08：11"));
    m_back = new ORV_Button(3);
    m_back->set_pixmap(ORV_Pixmap_Cache::instance().get_pixmap(QStringLiteral(":/ORV_SHARE/image/back_38x38.png")));
    m_back->set_tooltip(tr("返回"));
    grid->setColumnMinimumWidth(0, 58);
    grid->setColumnMinimumWidth(1, 200);
    grid->setColumnMinimumWidth(2, 200);
    grid->setColumnStretch(3, 1);
    grid->setColumnMinimumWidth(4, 40);
    grid->addWidget(m_icon, 0, 0, 2, 1, Qt::AlignCenter);
    grid->addWidget(m_name, 0, 1);
    grid->addWidget(m_type, 1, 1);
    grid->addWidget(m_time, 0, 2);
    grid->addWidget(m_size, 1, 2);
    grid->addWidget(m_back, 0, 4, 2, 1, Qt::AlignCenter);
    return header;
}

QWidget *ORV_Share_From::build_target_area()
{
    auto *area = new QWidget;
    auto *grid = new ORV_QGridLayout(area);
    grid->setColumnStretch(0, 1);
    grid->setColumnMinimumWidth(1, 750);
    grid->setColumnStretch(2, 1);
    grid->addWidget(text_label(tr("共享等级划分")), 0, 1);
    auto *grades = new ORV_QHBoxLayout;
    for (int grade = 1; grade <= 3; ++grade) {
        auto *label = new ORV_GradeIconLabel;
        label->init_label();
        label->set_grade(grade);
        grades->addWidget(label);
        m_grade_labels[grade - 1] = label;
    }
    grades->addStretch(1);
    grid->addLayout(grades, 1, 1);
    auto *boxes = new ORV_QHBoxLayout;
    for (int kind = 1; kind <= 3; ++kind) {
        auto *box = new ORV_ShareSelectBox;
        box->build();
        box->set_kind(kind);
        boxes->addWidget(box);
        m_boxes[kind - 1] = box;
    }
    boxes->addStretch(1);
    grid->addLayout(boxes, 2, 1, Qt::AlignTop);
    grid->setRowStretch(2, 1);
    return area;
}

void ORV_Share_From::wire_controller()
{
    m_controller = new ORV_Share_Interface;
    m_controller->setParent(this);
    m_controller->attach(this);
    m_controller->setup();
    connect(m_back, &ORV_Button::clicked, this, &ORV_Share_From::slot_back);
    connect(m_confirm, &QPushButton::clicked, this, &ORV_Share_From::slot_share);
}

void ORV_Share_From::update(Observer_Obj *subject)
{
    on_update(subject);
}

void ORV_Share_From::on_update(Observer_Obj *)
{
    const ORV_Share_Observer_Obj *subject = m_controller->share_subject();
    show_permissions(subject->get_permissions());
    const int mode = subject->get_share_type();
    if (mode < 0 || mode > 2)
        return;
    std::cout << mode_texts[mode].log << std::endl;
    m_confirm->setText(tr(mode_texts[mode].confirm));
    if (QWidget *owner = parentWidget()) {
        setFixedSize(owner->size());
        move(0, owner->height());
    }
    m_target = QPoint(0, 0);
    m_mode = mode;
    // Cancelling removes the share whatever grade it had: nothing to choose.
    m_boxes[0]->set_editable(mode != ORV_Share_Data_Manage::REMOVE);
    m_title->setText(tr(mode_texts[mode].title));
    show_file_info(subject->get_target());
    show();
    raise();
}

void ORV_Share_From::show_permissions(const std::vector<ORV_Share_Permission_Data> &permissions)
{
    for (ORV_ShareSelectBox *box : m_boxes)
        box->reset();
    for (const ORV_Share_Permission_Data &permission : permissions) {
        if (permission.share_type == ORV::SHARE_TYPE_ALL_LAN)
            m_boxes[0]->set_grade(permission.share_grade);
    }
}

void ORV_Share_From::show_file_info(const ORV_FileInfo &file)
{
    ORV_FileInfo shown = file;
    shown.load_icon();
    m_file = shown.get_file_info();
    set_background_pixmap(m_icon, shown.get_pixmap(38, 38));
    const Public_Style &style = Public_Style::instance();
    if (m_file.fileName().isEmpty()) {
        m_name->setText(m_file.filePath());
        m_type->setText(style.local_disk_name());
        m_size->clear();
    } else {
        m_name->setText(style.elided_text(m_file.fileName(), 200));
        m_type->setText(m_file.isDir() ? style.folder_name() : style.file_name());
        m_size->setText(m_file.isDir() ? QString() : format_size_text(m_file.size()));
    }
    m_time->setText(m_file.lastModified().toString(QStringLiteral("yyyy-MM-dd hh:mm")));
}

bool ORV_Share_From::make_share_data(ORV_Share_Data &out)
{
    const int grade = m_boxes[0]->get_grade();
    if (grade == ORV::SHARE_GRADE_NONE && m_mode != ORV_Share_Data_Manage::REMOVE) {
        std::cout << "您还没有设置贡献权限" << std::endl;
        return false;
    }
    out.my_eml = QStringLiteral("");
    out.filepath = m_file.filePath();
    if (!m_file.isDir())
        out.file_or_dir = ORV::SHARE_KIND_FILE;
    else
        out.file_or_dir = m_file.fileName().isEmpty() ? ORV::SHARE_KIND_DRIVE : ORV::SHARE_KIND_DIR;
    out.timer = QDateTime::currentDateTime().toString(QStringLiteral("yy-MM-dd hh:mm:ss"));
    ORV_Share_Permission_Data permission;
    permission.share_type = m_boxes[0]->kind();
    permission.share_grade = grade;
    out.permissions = {permission};
    return true;
}

void ORV_Share_From::slot_back()
{
    m_target = QPoint(width(), 0);
}

void ORV_Share_From::slot_share()
{
    ORV_Share_Data record;
    if (!make_share_data(record)) {
        prompter().warning(m_title->text(), tr("您还没有设置贡献权限"));
        return;
    }
    m_target = QPoint(width(), 0);
    if (!m_controller->save_share(record, m_mode))
        std::cout << "共享保存失败" << std::endl;
}

void ORV_Share_From::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_timer_id)
        slide_step();
}

void ORV_Share_From::slide_step()
{
    int x = pos().x();
    int y = pos().y();
    if (x == m_target.x() && y == m_target.y())
        return;
    // Without a width there is no slope to follow: straight to the target.
    if (width() <= 0 || height() <= 0) {
        move(m_target);
        return;
    }
    // A page much wider than high would step by nothing vertically.
    m_vertical_step = std::max(1, static_cast<int>(static_cast<double>(height()) / width() * m_horizontal_step));
    float factor = 1;
    bool moved_across = false;
    if (x != m_target.x()) {
        factor = static_cast<float>(std::abs(x - m_target.x())) / m_horizontal_step / 10 + 1;
        x = step_toward(x, m_target.x(), m_horizontal_step * factor);
        moved_across = true;
    }
    if (y != m_target.y()) {
        if (!moved_across)
            factor = 1 + static_cast<float>(std::abs(y - m_target.y())) / m_vertical_step / 10;
        y = step_toward(y, m_target.y(), m_vertical_step * factor);
    }
    move(x, y);
}

void ORV_Share_From::update_layout_size()
{
    for (ORV_ShareSelectBox *box : m_boxes) {
        box->setFixedHeight(std::max(0, height() - 175));
        box->update_layout_size();
    }
    if (m_target != QPoint(0, 0)) {
        m_target = QPoint(width(), height());
        move(m_target);
    }
}

QString ORV_Share_From::title_text() const
{
    return m_title->text();
}

QString ORV_Share_From::confirm_text() const
{
    return m_confirm->text();
}

QString ORV_Share_From::name_text() const
{
    return m_name->text();
}

QString ORV_Share_From::type_text() const
{
    return m_type->text();
}

QString ORV_Share_From::size_text() const
{
    return m_size->text();
}
