#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

class QPainter;
class QRectF;

// One image of the resources: a strip of `cells` cells of cell_width by
// height pixels (one cell for a single picture). The file's suffix chooses
// its format.
struct Artwork
{
    QString path; // below ":/", e.g. "ORV_SHARE/image/home_22x22.png"
    int cell_width;
    int height;
    int cells;
    std::function<void(QPainter &, const QRectF &)> draw; // over the whole strip
};

// A text file of the resources, such as a style sheet.
struct Text_Resource
{
    QString path;
    QByteArray content;
};

const std::vector<Artwork> &artworks();
const std::vector<Text_Resource> &text_resources();
