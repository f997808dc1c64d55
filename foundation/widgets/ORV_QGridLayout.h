#pragma once

#include <QGridLayout>

// A QGridLayout without margins or spacing; the second constructor applies the
// given contents margins on top of the zeros.
class ORV_QGridLayout : public QGridLayout
{
    Q_OBJECT
public:
    explicit ORV_QGridLayout(QWidget *parent = nullptr);
    ORV_QGridLayout(int left, int top, int right, int bottom, QWidget *parent = nullptr);
};
