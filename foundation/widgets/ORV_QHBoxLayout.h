#pragma once

#include <QHBoxLayout>

// A QHBoxLayout without margins or spacing; the second constructor applies the
// given contents margins on top of the zeros.
class ORV_QHBoxLayout : public QHBoxLayout
{
    Q_OBJECT
public:
    explicit ORV_QHBoxLayout(QWidget *parent = nullptr);
    ORV_QHBoxLayout(int left, int top, int right, int bottom, QWidget *parent = nullptr);
};
