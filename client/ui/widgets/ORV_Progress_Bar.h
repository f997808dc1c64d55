#pragma once

#include <QProgressBar>

// A progress bar that paints its own fill: inside a one-pixel frame, exactly
// the share of its width that its value is of its range, whatever the style
// would round, inset or shade.
class ORV_Progress_Bar : public QProgressBar
{
    Q_OBJECT
public:
    using QProgressBar::QProgressBar;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // Width of the fill for the current value inside `inner_width` pixels.
    int fill_width(int inner_width) const;
};
