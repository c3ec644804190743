// Renders an SVG icon as PNG files of the sizes desktops look for:
// brivanta-render-icon ICON.svg OUTDIR SIZE... writes OUTDIR/SIZExSIZE.png for each size.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: brivanta-render-icon ICON.svg OUTDIR SIZE...\n");
        return 1;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "brivanta-render-icon: cannot read %s\n", argv[1]);
        return 1;
    }
    QDir out(QString::fromLocal8Bit(argv[2]));
    out.mkpath(QStringLiteral("."));
    for (int i = 3; i < argc; ++i) {
        int size = QString::fromLocal8Bit(argv[i]).toInt();
        if (size <= 0)
            return 1;
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
        painter.end();
        QString name = out.filePath(QStringLiteral("%1x%1.png").arg(size));
        if (!image.save(name)) {
            std::fprintf(stderr, "brivanta-render-icon: cannot write %s\n", qPrintable(name));
            return 1;
        }
    }
    return 0;
}
