// Build tool: renders the application icon's SVG into the PNG sizes of the desktop's icon theme,
// so the PNGs are made from the one drawing and never kept beside it.
//
//   render_icon <file.svg> <icons folder> <icon name> <size>...
//
// writes <icons folder>/<size>x<size>/apps/<icon name>.png for each size.
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s <file.svg> <icons folder> <icon name> <size>...\n", argv[0]);
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QDir folder(QString::fromLocal8Bit(argv[2]));
    const QString name = QString::fromLocal8Bit(argv[3]);
    QSvgRenderer renderer(source);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "render_icon: cannot read %s\n", argv[1]);
        return 1;
    }
    for (int i = 4; i < argc; ++i) {
        bool number = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&number);
        if (!number || size <= 0 || size > 1024) {
            std::fprintf(stderr, "render_icon: not an icon size: %s\n", argv[i]);
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
            renderer.render(&painter, QRectF(0, 0, size, size));
        }
        const QString sized = QStringLiteral("%1x%1/apps").arg(size);
        const QString file = folder.filePath(sized + u'/' + name + QStringLiteral(".png"));
        if (!folder.mkpath(sized) || !image.save(file, "PNG")) {
            std::fprintf(stderr, "render_icon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
