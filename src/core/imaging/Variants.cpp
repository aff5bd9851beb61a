#include "Variants.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace glyphon {

namespace {

QImage blankLike(const QImage &bitmap) {
    QImage canvas(bitmap.size(), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    return canvas;
}

// Rec. 709 luma of straight (unpremultiplied) channels.
int luma(QRgb straight) {
    return int(std::lround(0.2126 * qRed(straight) + 0.7152 * qGreen(straight) + 0.0722 * qBlue(straight)));
}

} // namespace

Image flattenOnto(const Image &image, const Color &background) {
    QImage canvas(image.bitmap().size(), QImage::Format_ARGB32_Premultiplied);
    QColor ground = background.toQColor();
    ground.setAlphaF(1.0);
    canvas.fill(ground);
    QPainter painter(&canvas);
    painter.drawImage(0, 0, image.bitmap());
    painter.end();
    return Image(canvas, image.size());
}

Image darkVariant(const Image &art) {
    return art;
}

Image tintedVariant(const Image &art) {
    QImage grey = art.bitmap().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const int level = luma(row[x]);
            row[x] = qRgba(level, level, level, qAlpha(row[x]));
        }
    }
    return Image(grey.convertToFormat(QImage::Format_ARGB32_Premultiplied), art.size());
}

Image monochromeVariant(const Image &art) {
    const bool useLuminance = isOpaque(art);
    QImage straight = art.bitmap().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < straight.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(straight.scanLine(y));
        for (int x = 0; x < straight.width(); ++x) {
            const int coverage = useLuminance ? luma(row[x]) : qAlpha(row[x]);
            row[x] = qRgba(255, 255, 255, coverage);
        }
    }
    return Image(straight.convertToFormat(QImage::Format_ARGB32_Premultiplied), art.size());
}

Image insetArt(const Image &art, double scale) {
    const QImage &bitmap = art.bitmap();
    QImage canvas = blankLike(bitmap);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSizeF inner = QSizeF(bitmap.size()) * std::clamp(scale, 0.0, 1.0);
    const QRectF target((bitmap.width() - inner.width()) / 2.0, (bitmap.height() - inner.height()) / 2.0,
                        inner.width(), inner.height());
    painter.drawImage(target, bitmap);
    painter.end();
    return Image(canvas, art.size());
}

bool isOpaque(const Image &image) {
    const QImage &bitmap = image.bitmap();
    if (!bitmap.hasAlphaChannel())
        return true;
    for (int y = 0; y < bitmap.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(bitmap.constScanLine(y));
        for (int x = 0; x < bitmap.width(); ++x)
            if (qAlpha(row[x]) != 255)
                return false;
    }
    return true;
}

} // namespace glyphon
