#pragma once

#include <QVBoxLayout>

// A QVBoxLayout without margins or spacing; the second constructor applies the
// given contents margins on top of the zeros.
class ORV_QVBoxLayout : public QVBoxLayout
{
    Q_OBJECT
public:
    explicit ORV_QVBoxLayout(QWidget *parent = nullptr);
    ORV_QVBoxLayout(int left, int top, int right, int bottom, QWidget *parent = nullptr);
};
