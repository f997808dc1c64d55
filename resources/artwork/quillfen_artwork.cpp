// Draws the programs' images and writes them, with the resource list that
// compiles them in, into the folder given on the command line. Every image is
// drawn from code here, so the artwork is rebuilt identically on every build.
//
//   quillfen_artwork <output folder> <resource list name>
//   quillfen_artwork --contact-sheet <file.png> [part of a name]
//       every image (or those whose path holds the part) enlarged, to look at

#include "Artwork.h"
#include "Contact_Sheet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextStream>

namespace {

QImage render(const Artwork &art)
{
    QImage image(art.cell_width * art.cells, art.height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        art.draw(painter, QRectF(0, 0, image.width(), image.height()));
    }
    return image;
}

QString prepare_file(const QDir &out, const QString &path)
{
    const QString file = out.filePath(path);
    QDir().mkpath(QFileInfo(file).path());
    return file;
}

bool write_text(const Text_Resource &text, const QDir &out)
{
    QFile file(prepare_file(out, text.path));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.content) == text.content.size();
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
    for (const Text_Resource &text : text_resources())
        stream << "    <file>" << text.path << "</file>\n";
    stream << "  </qresource>\n</RCC>\n";
    return stream.status() == QTextStream::Ok;
}

int write_all(const QDir &out, const QString &list_name)
{
    for (const Artwork &art : artworks()) {
        // The suffix picks the writer: PNG, or ICO through Qt's plugin.
        if (!render(art).save(prepare_file(out, art.path))) {
            QTextStream(stderr) << "cannot write " << out.filePath(art.path) << "\n";
            return 1;
        }
    }
    for (const Text_Resource &text : text_resources()) {
        if (!write_text(text, out)) {
            QTextStream(stderr) << "cannot write " << out.filePath(text.path) << "\n";
            return 1;
        }
    }
    if (!write_resource_list(out, list_name)) {
        QTextStream(stderr) << "cannot write the resource list\n";
        return 1;
    }
    return 0;
}

int write_contact_sheet(const QString &file, const QString &filter)
{
    Contact_Sheet sheet;
    for (const Artwork &art : artworks())
        if (art.path.contains(filter))
            sheet.add(QFileInfo(art.path).fileName(), render(art));
    if (!sheet.save(file)) {
        QTextStream(stderr) << "cannot write " << file << "\n";
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    // Offscreen, so that drawing needs no display during the build.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if ((argc == 3 || argc == 4) && QByteArray(argv[1]) == "--contact-sheet")
        return write_contact_sheet(QString::fromLocal8Bit(argv[2]), argc == 4 ? QString::fromLocal8Bit(argv[3]) : QString());
    if (argc != 3) {
        QTextStream(stderr) << "usage: quillfen_artwork <output folder> <resource list name>\n"
                               "       quillfen_artwork --contact-sheet <file.png> [part of a name]\n";
        return 2;
    }
    return write_all(QDir(QString::fromLocal8Bit(argv[1])), QString::fromLocal8Bit(argv[2]));
}
