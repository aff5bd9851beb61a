#include "Variants.h"

#include "Resampler.h"

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

// Rec. 709 luma of the channels.
int luma(QRgb pixel) {
    return int(std::lround(0.2126 * qRed(pixel) + 0.7152 * qGreen(pixel) + 0.0722 * qBlue(pixel)));
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
    return silhouette(art, coverageOf(art));
}

Coverage coverageOf(const Image &art) {
    return isOpaque(art) ? Coverage::Luminance : Coverage::Alpha;
}

// Lightness is read from the premultiplied colour, i.e. as seen over black, so whatever is transparent in
// luminance mode adds no coverage.
Image silhouette(const Image &art, Coverage coverage) {
    QImage shape = art.bitmap().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (shape.isNull())
        return art;
    for (int y = 0; y < shape.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(shape.scanLine(y));
        for (int x = 0; x < shape.width(); ++x) {
            const int level = coverage == Coverage::Alpha ? qAlpha(row[x]) : luma(row[x]);
            row[x] = qRgba(level, level, level, level);
        }
    }
    return Image(shape, art.size());
}

// A margin halfway between two pixels goes to the larger picture, whichever way the fraction's rounding
// error leans.
Placement centredPlacement(int canvasEdge, double fraction) {
    const double exact = canvasEdge * (1.0 - fraction) / 2.0;
    const int margin = int(std::ceil(exact - 0.5 - 1e-9));
    return {canvasEdge - 2 * margin, margin};
}

Image insetArt(const Image &art, double scale) {
    const QImage &bitmap = art.bitmap();
    QImage canvas = blankLike(bitmap);
    const double fraction = std::clamp(scale, 0.0, 1.0);
    const Placement across = centredPlacement(bitmap.width(), fraction);
    const Placement down = centredPlacement(bitmap.height(), fraction);
    if (across.edge < 1 || down.edge < 1)
        return Image(canvas, art.size());
    const QImage inner = resample(bitmap, across.edge, down.edge);
    QPainter painter(&canvas);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(across.margin, down.margin, inner);
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
