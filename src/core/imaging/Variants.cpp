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

// Rec. 709 luma of straight (unpremultiplied) channels.
int luma(QRgb straight) {
    return int(std::lround(0.2126 * qRed(straight) + 0.7152 * qGreen(straight) + 0.0722 * qBlue(straight)));
}

// The distance from the centre to the farthest corner of any pixel with some coverage, as a share of the
// edge (of each axis' own edge, as the picture is squared when it is drawn).
double coveredRadius(const QImage &bitmap) {
    const double cx = bitmap.width() / 2.0, cy = bitmap.height() / 2.0;
    const auto farther = [](int at, double centre) {
        return std::max(std::abs(at - centre), std::abs(at + 1 - centre));
    };
    double farthest = 0.0;
    for (int y = 0; y < bitmap.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(bitmap.constScanLine(y));
        int first = 0, last = bitmap.width() - 1;
        while (first <= last && qAlpha(row[first]) == 0)
            ++first;
        if (first > last)
            continue;
        while (qAlpha(row[last]) == 0)
            --last;
        const double dy = farther(y, cy) / bitmap.height();
        for (const int x : {first, last})
            farthest = std::max(farthest, std::hypot(farther(x, cx) / bitmap.width(), dy));
    }
    return farthest;
}

// The share of the edge the maskable safe zone spans: a circle this wide survives every mask shape.
constexpr double safeZone = 0.8;
// How far, in pixels of the picture it makes, a Lanczos-3 render spreads an edge of the art.
constexpr double filterReach = 3.0;

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

Image maskableVariant(const Image &art, const Color &background) {
    const Image made = maskableVariant(art, background, art.pixelWidth());
    return made.isNull() ? made : Image(made.bitmap(), art.size());
}

Image maskableVariant(const Image &art, const Color &background, int edge) {
    if (art.isNull() || edge < 1)
        return {};
    QImage canvas(edge, edge, QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull())
        return {};
    QColor ground = background.toQColor();
    ground.setAlphaF(1.0);
    canvas.fill(ground);

    // Everything the art covers, its filter's spread and the last pixel's rounding must stay within the
    // circle, so the fill is all that any mask shape shows outside it. The scale is measured on the art
    // itself: a round logo keeps more of the circle than a full square, whose corners must reach in.
    const int artEdge = std::min(art.pixelWidth(), art.pixelHeight());
    const double covered = coveredRadius(art.bitmap());
    const double budget = safeZone / 2.0 * edge - 1.0;
    double scale = 1.0;
    if (covered > 0.0) {
        scale = std::min(1.0, (budget - filterReach) / (covered * edge));
        // Enlarged, the filter spreads over more of the picture's pixels.
        if (scale * edge > artEdge)
            scale = std::min(1.0, budget / (covered * edge + filterReach * edge / artEdge));
    }
    int inner = int(std::floor(scale * edge));
    inner -= (edge - inner) % 2; // centred on whole pixels
    if (inner >= 1) {
        SourceLevels levels(art.bitmap());
        levels.prepare({QSize(inner, inner)});
        const QImage scaled = levels.render(inner, inner);
        if (scaled.isNull())
            return {};
        QPainter painter(&canvas);
        painter.drawImage((edge - inner) / 2, (edge - inner) / 2, scaled);
    }
    return Image(canvas);
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
