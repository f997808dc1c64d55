// Draws the programs' images and writes them, with the resource list that
// compiles them in, into the folder given on the command line. Every image is
// drawn from code here, so the artwork is rebuilt identically on every build.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

#include <cmath>
#include <functional>
#include <vector>

namespace {

struct Artwork
{
    QString path;   // resource path below ":/", e.g. "ORV_LAN_SERVER/image/icon.png"
    int width;
    int height;
    std::function<void(QPainter &, const QRectF &)> draw;
};

const QColor teal(0x3A, 0xDD, 0xC8);
const QColor deep_teal(0x1F, 0xBB, 0xA6);
const QColor dark_teal(0x13, 0x7A, 0x6C);

// The server: a hub on a rounded tile, with the users it introduces around it.
void draw_server_icon(QPainter &painter, const QRectF &area)
{
    const qreal unit = area.width() / 162.0;
    QLinearGradient tile_fill(area.topLeft(), area.bottomRight());
    tile_fill.setColorAt(0.0, teal);
    tile_fill.setColorAt(1.0, dark_teal);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tile_fill);
    painter.drawRoundedRect(area.adjusted(4 * unit, 4 * unit, -4 * unit, -4 * unit), 30 * unit, 30 * unit);

    const QPointF centre = area.center();
    const qreal orbit = 50 * unit;
    const int users = 6;
    std::vector<QPointF> nodes;
    for (int i = 0; i < users; ++i) {
        const qreal angle = (i * 360.0 / users - 90.0) * M_PI / 180.0;
        nodes.emplace_back(centre.x() + orbit * std::cos(angle), centre.y() + orbit * std::sin(angle));
    }

    painter.setPen(QPen(QColor(255, 255, 255, 200), 5 * unit, Qt::SolidLine, Qt::RoundCap));
    for (const QPointF &node : nodes)
        painter.drawLine(centre, node);
    painter.setPen(QPen(QColor(255, 255, 255, 110), 3 * unit, Qt::DashLine, Qt::RoundCap));
    for (std::size_t i = 0; i < nodes.size(); ++i)
        painter.drawLine(nodes[i], nodes[(i + 1) % nodes.size()]);

    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    for (const QPointF &node : nodes)
        painter.drawEllipse(node, 12 * unit, 12 * unit);
    painter.setBrush(deep_teal);
    for (const QPointF &node : nodes)
        painter.drawEllipse(node, 6 * unit, 6 * unit);

    painter.setBrush(Qt::white);
    painter.drawEllipse(centre, 24 * unit, 24 * unit);
    painter.setBrush(QColor(0xF7, 0x54, 0x55));
    painter.drawEllipse(centre, 14 * unit, 14 * unit);
}

const std::vector<Artwork> &artworks()
{
    static const std::vector<Artwork> list = {
        {"ORV_LAN_SERVER/image/icon_162x162.png", 162, 162, draw_server_icon},
    };
    return list;
}

bool render(const Artwork &art, const QDir &out)
{
    QImage image(art.width, art.height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        art.draw(painter, QRectF(0, 0, art.width, art.height));
    }
    const QString file = out.filePath(art.path);
    QDir().mkpath(QFileInfo(file).path());
    return image.save(file, "PNG");
}

bool write_resource_list(const QDir &out, const QString &name)
{
    QFile file(out.filePath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream stream(&file);
    stream << "<RCC>\n  <qresource prefix=\"/\">\n";
    for (const Artwork &art : artworks())
        stream << "    <file>" << art.path << "</file>\n";
    stream << "  </qresource>\n</RCC>\n";
    return stream.status() == QTextStream::Ok;
}

} // namespace

int main(int argc, char **argv)
{
    // Offscreen, so that drawing needs no display during the build.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        QTextStream(stderr) << "usage: quillfen_artwork <output folder> <resource list name>\n";
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (const Artwork &art : artworks()) {
        if (!render(art, out)) {
            QTextStream(stderr) << "cannot write " << out.filePath(art.path) << "\n";
            return 1;
        }
    }
    if (!write_resource_list(out, QString::fromLocal8Bit(argv[2]))) {
        QTextStream(stderr) << "cannot write the resource list\n";
        return 1;
    }
    return 0;
}
