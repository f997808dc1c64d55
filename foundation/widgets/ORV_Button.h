#pragma once

#include <QLabel>
#include <QPixmap>
#include <QString>

// A button drawn from a horizontal strip of equally wide images, one per state:
// 1 normal, 2 under the mouse, 3 pressed; further slices are free for callers.
class ORV_Button : public QLabel
{
    Q_OBJECT
public:
    explicit ORV_Button(int state_count);

    void set_pixmap(const QPixmap &strip);
    void set_pixmap_file(const QString &path);
    void set_state(int state);
    void set_hovered(bool on);
    void set_id(int id) { m_id = id; }
    void set_enabled(bool on) { m_reacting = on; }
    void set_tooltip(const QString &text);

    int state() const { return m_state; }
    int state_count() const { return m_state_count; }
    int button_id() const { return m_id; }
    bool has_tooltip() const { return m_has_tooltip; }

signals:
    void clicked();
    void Dclicked(int id);
    void mouseIn();
    void mouseOut();
    void dowm_clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    // A new background may ask for the symbol in another ink.
    void paintEvent(QPaintEvent *event) override;

    void set_text_label(QLabel *label);
    // Text colours of the normal look and of the hovered or pressed look.
    void set_text_colours(int normal_rgb, int hover_rgb);

private:
    void show_slice();
    void show_normal_look();
    void set_text_colour(int rgb);
    void emit_click();

    int m_hover_text_colour = 0xFFFFFF;
    int m_normal_text_colour = 0xFFFFFF;
    QLabel *m_text_label = nullptr;
    QString m_text;
    bool m_has_tooltip = false;
    int m_state = 0;
    int m_id = 0;
    int m_state_count;
    QPixmap m_strip;
    QRgb m_ink = 0; // the ink of the slice shown; 0 when drawn as it is
    bool m_pressed = false;
    bool m_reacting = true;
};
