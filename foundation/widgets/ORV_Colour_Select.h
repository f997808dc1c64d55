#pragma once

#include <QColor>
#include <QWidget>

class QGridLayout;
class QLineEdit;
class QSlider;

// Three sliders for red, green and blue with a preview square, a frame in the
// inverted colour and the colour's hexadecimal value. Built in two steps:
// construct, then build().
class ORV_Colour_Select : public QWidget
{
    Q_OBJECT
public:
    explicit ORV_Colour_Select(QWidget *parent = nullptr);

    void build();
    void set_colour(int colour);
    int get_colour() const;

    // What the selector shows: the hexadecimal text, preview and frame colours.
    QString hex_text() const;
    QColor preview_colour() const;
    QColor frame_colour() const;

signals:
    void valueChanged(int colour);

public slots:
    void slot_change_colour(int);

private:
    void add_channel(int row, int swatch_colour, QWidget *&swatch, QSlider *&slider);
    void show_colour(int colour);

    QGridLayout *m_grid = nullptr;
    QWidget *m_frame_left = nullptr;
    QWidget *m_frame_top = nullptr;
    QWidget *m_frame_right = nullptr;
    QWidget *m_frame_bottom = nullptr;
    QGridLayout *m_inner_grid = nullptr;
    QWidget *m_red_swatch = nullptr;
    QSlider *m_red_slider = nullptr;
    QWidget *m_green_swatch = nullptr;
    QSlider *m_green_slider = nullptr;
    QWidget *m_blue_swatch = nullptr;
    QSlider *m_blue_slider = nullptr;
    QWidget *m_preview_holder = nullptr;
    QWidget *m_preview = nullptr;
    QLineEdit *m_hex_field = nullptr;
};
