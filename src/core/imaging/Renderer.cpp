#include "Renderer.h"

#include "PngEncoder.h"
#include "Resampler.h"
#include "SourceLoader.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>

namespace glyphon {

namespace {

// Sizes come from callers as doubles; anything that cannot be a canvas edge yields no canvas.
std::optional<int> canvasEdge(double value) {
    if (!std::isfinite(value) || value < 1.0 || value > double(std::numeric_limits<int>::max()))
        return std::nullopt;
    return int(std::trunc(value));
}

std::optional<QImage> transparentCanvas(int width, int height) {
    QImage canvas(width, height, QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull())
        return std::nullopt;
    canvas.fill(Qt::transparent);
    return canvas;
}

} // namespace

std::optional<Image> resizeImage(const Image &image, double width, double height) {
    const auto w = canvasEdge(width);
    const auto h = canvasEdge(height);
    if (!w || !h || image.isNull())
        return std::nullopt;
    QImage scaled = resample(image.bitmap(), *w, *h);
    if (scaled.isNull())
        return std::nullopt;
    return Image(scaled, QSizeF(width, height));
}

std::optional<Image> padImage(const Image &image, double padding) {
    const QSizeF outer = image.size();
    const double longer = std::max(outer.width(), outer.height());
    const auto width = canvasEdge(outer.width());
    const auto height = canvasEdge(outer.height());
    if (!width || !height || image.isNull() || !std::isfinite(padding) || longer - 2.0 * padding < 1.0)
        return std::nullopt;
    const double shrink = (longer - 2.0 * padding) / longer;
    // The longer side's margin is the padding itself, which keeps a square's edges exact.
    const auto inside = [&](double side) { return side == longer ? side - 2.0 * padding : side * shrink; };
    const QSizeF inner(inside(outer.width()), inside(outer.height()));
    if (inner.width() < 1.0 || inner.height() < 1.0)
        return std::nullopt;
    const QPointF offset((outer.width() - inner.width()) / 2.0, (outer.height() - inner.height()) / 2.0);
    auto canvas = transparentCanvas(*width, *height);
    if (!canvas)
        return std::nullopt;

    const auto isWhole = [](double value) { return value == std::trunc(value); };
    const bool whole =
        isWhole(offset.x()) && isWhole(offset.y()) && isWhole(inner.width()) && isWhole(inner.height());
    // Whole-pixel paddings of a square (all the panel offers) land exactly on the pixel grid; other
    // ones are placed with a sub-pixel translation of a slightly larger render.
    QImage picture = resample(image.bitmap(), int(std::ceil(inner.width())), int(std::ceil(inner.height())));
    if (picture.isNull())
        return std::nullopt;
    QPainter painter(&*canvas);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (whole) {
        painter.drawImage(offset.toPoint(), picture);
    } else {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(offset, inner), picture);
    }
    painter.end();
    return Image(*canvas, outer);
}

bool fitsPaddedToSquare(QSize pixels) {
    const qint64 edge = std::max(pixels.width(), pixels.height());
    return pixels.width() > 0 && pixels.height() > 0 && edge * edge <= maxSourcePixels;
}

std::optional<Image> padToSquare(const Image &image) {
    if (image.isNull() || !fitsPaddedToSquare(image.bitmap().size()))
        return std::nullopt;
    const int width = image.pixelWidth();
    const int height = image.pixelHeight();
    const int edge = std::max(width, height);
    auto canvas = transparentCanvas(edge, edge);
    if (!canvas)
        return std::nullopt;
    QPainter painter(&*canvas);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint((edge - width) / 2, (edge - height) / 2), image.bitmap());
    painter.end();
    return Image(*canvas);
}

Result<QByteArray> pngData(const Image &image) {
    return encodePng(image.bitmap());
}

} // namespace glyphon
