// Renders the application icon's SVG as a square PNG at build time, with the same Qt Svg the
// programs draw it with, so the package needs no other SVG renderer:
//   KavrinetIconRenderer <icon.svg> <side in pixels> <output.png>
#include <cstdio>
#include <cstdlib>

#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

int main(int argc, char** argv) {
    constexpr int usageStatus = 64;
    if (argc != 4) {
        std::fputs("usage: KavrinetIconRenderer <icon.svg> <side> <output.png>\n", stderr);
        return usageStatus;
    }
    const int side = std::atoi(argv[2]);
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid() || side <= 0) {
        std::fprintf(stderr, "KavrinetIconRenderer: cannot render %s at %s pixels\n", argv[1], argv[2]);
        return EXIT_FAILURE;
    }
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    if (!image.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "KavrinetIconRenderer: cannot write %s\n", argv[3]);
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
