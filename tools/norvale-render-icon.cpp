// norvale-render-icon SVG SIZE PNG: draws the SVG picture into a SIZE x SIZE PNG with
// transparency. Used at build time for the icon theme when rsvg-convert is not installed.

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    bool sizeOk = false;
    const int size = args.size() == 4 ? args[2].toInt(&sizeOk) : 0;
    if (!sizeOk || size <= 0 || size > 4096) {
        std::fprintf(stderr, "usage: norvale-render-icon SVG SIZE PNG\n");
        return 2;
    }
    QSvgRenderer renderer(args[1]);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "norvale-render-icon: cannot read %s\n", qPrintable(args[1]));
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer.setAspectRatioMode(Qt::KeepAspectRatio);
        renderer.render(&painter, QRectF(0, 0, size, size));
    }
    if (!image.save(args[3], "PNG")) {
        std::fprintf(stderr, "norvale-render-icon: cannot write %s\n", qPrintable(args[3]));
        return 1;
    }
    return 0;
}
