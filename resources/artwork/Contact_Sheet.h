#pragma once

#include <QImage>
#include <QString>

#include <vector>

// A page for looking the artwork over: every picture enlarged on each theme
// colour and on the window body's grey, with its name above it.
class Contact_Sheet
{
public:
    void add(const QString &name, const QImage &image);
    bool save(const QString &file) const;

private:
    struct Entry
    {
        QString name;
        QImage image;
    };

    static int scale_for(const QImage &image);
    static QSize block_size(const QImage &image);
    static void paint_block(QPainter &painter, const QPoint &at, const Entry &entry);

    std::vector<Entry> m_entries;
};
