#pragma once

#include <QLabel>

// A plain label: mouse and hover events skip QLabel's own text interaction
// (link activation, selection) and go straight to QWidget.
class ORV_Label_Obj : public QLabel
{
    Q_OBJECT
public:
    ORV_Label_Obj();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
};
