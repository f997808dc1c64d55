#pragma once

#include <QObject>

// Keeps the text of the widgets it watches readable on whatever background
// they sit: as each paints, its text colour becomes the one that reads on
// the colour beneath it. So text follows theme changes, rows that change
// colour under the mouse, and widgets styled before they were placed.
class Readable_Text_Filter : public QObject
{
    Q_OBJECT
public:
    static Readable_Text_Filter &instance();

    bool eventFilter(QObject *watched, QEvent *event) override;
};
