#include "foundation/widgets/ORV_Colour_Select.h"

#include "foundation/widgets/ORV_Palette.h"
#include "foundation/widgets/ORV_QGridLayout.h"

#include <QFont>
#include <QLineEdit>
#include <QSlider>

#include <algorithm>

namespace {

QWidget *coloured_box(QWidget *parent, int colour)
{
    auto *box = new QWidget(parent);
    set_background_colour(box, colour, ORV_PALETTE_WINDOW);
    return box;
}

} // namespace

ORV_Colour_Select::ORV_Colour_Select(QWidget *parent) : QWidget(parent)
{
}

void ORV_Colour_Select::build()
{
    setFixedHeight(64);
    m_grid = new ORV_QGridLayout(this);
    m_grid->setRowStretch(0, 0);
    m_grid->setRowMinimumHeight(0, 2);
    m_grid->setRowStretch(1, 1);
    m_grid->setRowStretch(2, 0);
    m_grid->setRowMinimumHeight(2, 2);
    m_grid->setColumnStretch(0, 0);
    m_grid->setColumnMinimumWidth(0, 2);
    m_grid->setColumnStretch(1, 1);
    m_grid->setColumnStretch(2, 0);
    m_grid->setColumnMinimumWidth(2, 2);

    m_frame_left = coloured_box(this, white_colour);
    m_frame_left->setFixedWidth(2);
    m_frame_top = coloured_box(this, white_colour);
    m_frame_top->setFixedHeight(2);
    m_frame_right = coloured_box(this, white_colour);
    m_frame_right->setFixedWidth(2);
    m_frame_bottom = coloured_box(this, white_colour);
    m_frame_bottom->setFixedHeight(2);
    m_grid->addWidget(m_frame_left, 1, 0);
    m_grid->addWidget(m_frame_top, 0, 0, 1, 3);
    m_grid->addWidget(m_frame_right, 1, 2);
    m_grid->addWidget(m_frame_bottom, 2, 0, 1, 3);

    m_inner_grid = new ORV_QGridLayout;
    for (int row = 0; row < 3; ++row) {
        m_inner_grid->setRowStretch(row, 0);
        m_inner_grid->setRowMinimumHeight(row, 20);
    }
    m_inner_grid->setColumnMinimumWidth(0, 30);
    m_inner_grid->setColumnMinimumWidth(2, 15);
    m_inner_grid->setColumnMinimumWidth(3, 80);
    m_grid->addLayout(m_inner_grid, 1, 1);

    add_channel(0, 0xFF0000, m_red_swatch, m_red_slider);
    add_channel(1, 0x00FF00, m_green_swatch, m_green_slider);
    add_channel(2, 0x0000FF, m_blue_swatch, m_blue_slider);

    m_preview_holder = coloured_box(this, white_colour);
    m_preview_holder->setFixedSize(18, 18);
    m_preview = coloured_box(m_preview_holder, 0);
    m_preview->setGeometry(2, 2, 14, 14);
    m_inner_grid->addWidget(m_preview_holder, 1, 0, Qt::AlignCenter);

    m_hex_field = new QLineEdit(this);
    m_hex_field->setReadOnly(true);
    m_hex_field->setFixedWidth(50);
    // Six hexadecimal digits must fit the narrow field whole: no inner margins
    // and a font sized for it, or the field scrolls and hides the first digit.
    m_hex_field->setTextMargins(0, 0, 0, 0);
    QFont hex_font = m_hex_field->font();
    hex_font.setPixelSize(11);
    m_hex_field->setFont(hex_font);
    m_inner_grid->addWidget(m_hex_field, 1, 3, Qt::AlignLeft);

    for (QSlider *slider : {m_red_slider, m_green_slider, m_blue_slider})
        connect(slider, &QSlider::valueChanged, this, &ORV_Colour_Select::slot_change_colour);
}

void ORV_Colour_Select::add_channel(int row, int swatch_colour, QWidget *&swatch, QSlider *&slider)
{
    swatch = coloured_box(this, swatch_colour);
    swatch->setFixedSize(10, 10);
    m_inner_grid->addWidget(swatch, row, 2, Qt::AlignLeft);

    slider = new QSlider(Qt::Horizontal, this);
    slider->setFixedWidth(120);
    slider->setRange(0, 255);
    m_inner_grid->addWidget(slider, row, 1);
}

void ORV_Colour_Select::set_colour(int colour)
{
    colour = std::clamp(colour, 0, 0xFFFFFF);
    // Each slider that moves reports through slot_change_colour; the last
    // report carries the whole colour.
    m_red_slider->setValue((colour >> 16) & 0xFF);
    m_green_slider->setValue((colour >> 8) & 0xFF);
    m_blue_slider->setValue(colour & 0xFF);
    show_colour(colour);
}

int ORV_Colour_Select::get_colour() const
{
    return m_red_slider->value() * 65536 + m_green_slider->value() * 256 + m_blue_slider->value();
}

void ORV_Colour_Select::slot_change_colour(int)
{
    const int colour = get_colour();
    show_colour(colour);
    emit valueChanged(colour);
}

void ORV_Colour_Select::show_colour(int colour)
{
    m_hex_field->setText(QString::number(colour, 16).toUpper());
    m_hex_field->setCursorPosition(0);
    set_background_colour(m_preview, colour, ORV_PALETTE_WINDOW);
    for (QWidget *strip : {m_frame_left, m_frame_top, m_frame_right, m_frame_bottom})
        set_background_colour(strip, colour ^ 0xFFFFFF, ORV_PALETTE_WINDOW);
}

QString ORV_Colour_Select::hex_text() const
{
    return m_hex_field->text();
}

QColor ORV_Colour_Select::preview_colour() const
{
    return m_preview->palette().color(QPalette::Window);
}

QColor ORV_Colour_Select::frame_colour() const
{
    return m_frame_top->palette().color(QPalette::Window);
}
