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
    const double outer = image.size().width();
    const double inner = outer - 2.0 * padding;
    const auto edge = canvasEdge(outer);
    if (!edge || image.isNull() || !std::isfinite(padding) || inner < 1.0)
        return std::nullopt;
    auto canvas = transparentCanvas(*edge, *edge);
    if (!canvas)
        return std::nullopt;

    const bool whole = padding == std::trunc(padding) && inner == std::trunc(inner);
    // Whole-pixel paddings (all the panel offers) land exactly on the pixel grid; fractional
    // ones are placed with a sub-pixel translation of a slightly larger render.
    const int renderEdge = int(std::ceil(inner));
    QImage picture = resample(image.bitmap(), renderEdge, renderEdge);
    if (picture.isNull())
        return std::nullopt;
    QPainter painter(&*canvas);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (whole) {
        painter.drawImage(QPoint(int(padding), int(padding)), picture);
    } else {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(padding, padding, inner, inner), picture);
    }
    painter.end();
    return Image(*canvas, QSizeF(outer, outer));
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
