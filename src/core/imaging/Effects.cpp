#include "Effects.h"

#include "ParallelFor.h"
#include "PixelBuffer.h"
#include "Renderer.h"

#include <QColorSpace>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace glyphon {

namespace {

constexpr double canvasEdge = 1024.0;

double clamped(double value, double low, double high) {
    return std::isfinite(value) ? std::clamp(value, low, high) : low;
}

// A huge-page canvas filled in one copy faults far less than a detach into 4 KiB pages; the rest a
// detached copy would carry is carried over by hand. A conversion is a fresh copy already.
QImage premultipliedCopy(const QImage &bitmap) {
    const QImage source = bitmap.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (bitmap.format() != QImage::Format_ARGB32_Premultiplied)
        return source;
    QImage copy = freshCanvas(source.size());
    if (copy.isNull() || copy.bytesPerLine() != source.bytesPerLine()) {
        copy = source;
        copy.detach();
        return copy;
    }
    std::memcpy(copy.bits(), source.constBits(), size_t(source.sizeInBytes()));
    copy.setColorSpace(source.colorSpace());
    copy.setDevicePixelRatio(source.devicePixelRatio());
    copy.setDotsPerMeterX(source.dotsPerMeterX());
    copy.setDotsPerMeterY(source.dotsPerMeterY());
    for (const QString &key : source.textKeys())
        copy.setText(key, source.text(key));
    return copy;
}

// ∫ √(r² − u²) du, the area under a quarter circle's arc.
double arcIntegral(double u, double r) {
    const double ratio = std::clamp(u / r, -1.0, 1.0);
    return 0.5 * (u * std::sqrt(std::max(r * r - u * u, 0.0)) + r * r * std::asin(ratio));
}

// The part of the pixel [u0, u1] × [v0, v1], in outward distances from a corner's centre, that lies
// outside the quarter circle of radius r. Exact areas give the same antialiased edge as a
// coverage-based clip, at any radius, fractional ones included.
double outsideArea(double u0, double u1, double v0, double v1, double r) {
    u0 = std::max(u0, 0.0);
    v0 = std::max(v0, 0.0);
    if (u1 <= u0 || v1 <= v0 || u1 * u1 + v1 * v1 <= r * r)
        return 0.0;
    if (u0 * u0 + v0 * v0 >= r * r)
        return (u1 - u0) * (v1 - v0);
    // The arc falls from v = r at u = 0 to v = 0 at u = r: it leaves the pixel's top at ua and its
    // bottom at ub; left of ua nothing is outside, right of ub the whole column is.
    const double ua = std::clamp(v1 < r ? std::sqrt(r * r - v1 * v1) : 0.0, u0, u1);
    const double ub = std::clamp(std::sqrt(r * r - v0 * v0), u0, u1);
    const double underArc = v1 * (ub - ua) - (arcIntegral(ub, r) - arcIntegral(ua, r));
    return underArc + (u1 - ub) * (v1 - v0);
}

QRgb scaledPixel(QRgb pixel, double coverage) {
    const quint32 m = quint32(std::lround(coverage * 65536.0));
    const auto scale = [m](quint32 channel) { return (channel * m + 32768u) >> 16; };
    return qRgba(scale(qRed(pixel)), scale(qGreen(pixel)), scale(qBlue(pixel)), scale(qAlpha(pixel)));
}

// Fixed-point weights (1.0 = 65536) of the tint's channels at the opacity, and of the kept colour.
struct TintWeights {
    quint32 red, green, blue, keep;
};

void tintPixels(const quint32 *from, quint32 *to, int count, TintWeights w) {
    for (int x = 0; x < count; ++x) {
        const quint32 p = from[x];
        const quint32 alpha = p >> 24;
        const quint32 r = (w.red * alpha + w.keep * ((p >> 16) & 0xff) + 32768u) >> 16;
        const quint32 g = (w.green * alpha + w.keep * ((p >> 8) & 0xff) + 32768u) >> 16;
        const quint32 b = (w.blue * alpha + w.keep * (p & 0xff) + 32768u) >> 16;
        to[x] = (alpha << 24) | (r << 16) | (g << 8) | b;
    }
}

// The same maths four pixels at a time in 32-bit vector lanes, which GCC maps onto SIMD on every target
// it knows: the per-pixel loop alone is not vectorised at -O2 and was most of the pass's time.
using Lanes = quint32 __attribute__((vector_size(16)));

void tintRow(const quint32 *from, quint32 *to, int width, TintWeights w) {
    const Lanes keep = {w.keep, w.keep, w.keep, w.keep};
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        Lanes p;
        std::memcpy(&p, from + x, sizeof p);
        const Lanes alpha = p >> 24;
        const Lanes r = (w.red * alpha + keep * ((p >> 16) & 0xff) + 32768u) >> 16;
        const Lanes g = (w.green * alpha + keep * ((p >> 8) & 0xff) + 32768u) >> 16;
        const Lanes b = (w.blue * alpha + keep * (p & 0xff) + 32768u) >> 16;
        const Lanes out = (alpha << 24) | (r << 16) | (g << 8) | b;
        std::memcpy(to + x, &out, sizeof out);
    }
    tintPixels(from + x, to + x, width - x, w);
}

} // namespace

// A margin that swallows the whole picture leaves nothing to show: an empty canvas is the limit the
// padding tends to, so the pipeline goes on with that rather than with an unpadded picture.
Image paddedOrEmpty(const Image &image, double padding) {
    const double margin = std::isfinite(padding) ? std::max(padding, 0.0) : 0.0;
    if (auto result = padImage(image, margin))
        return *result;
    QImage blank(image.bitmap().size(), QImage::Format_ARGB32_Premultiplied);
    if (blank.isNull())
        return image;
    blank.fill(Qt::transparent);
    return Image(blank, image.size());
}

// The pipeline cannot report a failure: when the 1024 canvas cannot be made it keeps the source's own
// size and measures radius and padding on it in proportion, so the picture still looks the same.
Image applyEffects(const Image &source, const EffectSettings &settings, EffectCanvas canvas) {
    if (source.isNull())
        return source;
    Image image = source;
    double scale = 1.0;
    if (settings.withRoundedCorners || settings.withPadding) {
        const QSizeF size = source.size();
        const double longer = std::max(size.width(), size.height());
        // The shorter edge of a proportional canvas is rounded to whole pixels.
        const auto edge = [longer, canvas](double side) {
            if (side == longer || canvas == EffectCanvas::Square)
                return canvasEdge;
            return std::max(1.0, std::round(canvasEdge * side / longer));
        };
        const double width = edge(size.width());
        const double height = edge(size.height());
        if (auto normalised = resizeImage(image, width, height))
            image = *normalised;
        else
            scale = longer / canvasEdge;
    }
    return applyEffectsAtScale(image, settings, scale);
}

Image applyEffectsAtScale(const Image &image, const EffectSettings &settings, double scale) {
    Image result = image;
    if (result.isNull())
        return result;
    if (settings.withRoundedCorners)
        result = roundCorners(result, settings.roundedCornersPx * scale);
    if (settings.withPadding)
        result = paddedOrEmpty(result, settings.paddingPx * scale);
    if (settings.withTint)
        result = tintImage(result, settings.colorSelection, settings.tintOpacity);
    return result;
}

// Only the four corner squares are touched; each pixel there is scaled by the share of its area
// inside the rounded rectangle, which is what an antialiased clip does.
Image roundCorners(const Image &image, double radius) {
    if (image.isNull())
        return image;
    const int width = image.pixelWidth();
    const int height = image.pixelHeight();
    const double r = clamped(radius, 0.0, std::min(width, height) / 2.0);
    if (r <= 0.0)
        return image;
    QImage bitmap = premultipliedCopy(image.bitmap());
    if (bitmap.isNull())
        return image;

    // The radius is at most half the shorter edge, so each band fits inside the picture.
    const int band = int(std::ceil(r));
    const int leftEnd = band;
    const int rightStart = width - band;
    std::vector<double> outside(size_t(width), 0.0);
    // Outward distances of a pixel row or column from the arc centre of the near and the far side.
    const auto nearSpan = [r](int i) { return std::pair(r - i - 1.0, r - i); };
    const auto farSpan = [r](int i, int edge) { return std::pair(i - edge + r, i + 1.0 - edge + r); };

    const auto addCorner = [&](std::pair<double, double> v) {
        for (int x = 0; x < leftEnd; ++x) {
            const auto [u0, u1] = nearSpan(x);
            const double area = outsideArea(u0, u1, v.first, v.second, r);
            if (area <= 0.0)
                break;
            outside[size_t(x)] += area;
        }
        for (int x = width - 1; x >= rightStart; --x) {
            const auto [u0, u1] = farSpan(x, width);
            const double area = outsideArea(u0, u1, v.first, v.second, r);
            if (area <= 0.0)
                break;
            outside[size_t(x)] += area;
        }
    };
    const auto applyRow = [&](int y) {
        auto *line = reinterpret_cast<QRgb *>(bitmap.scanLine(y));
        const auto apply = [&](int x) {
            const double coverage = 1.0 - outside[size_t(x)];
            outside[size_t(x)] = 0.0;
            if (coverage >= 1.0)
                return;
            line[x] = coverage <= 0.0 ? 0u : scaledPixel(line[x], coverage);
        };
        for (int x = 0; x < leftEnd; ++x)
            apply(x);
        for (int x = std::max(rightStart, leftEnd); x < width; ++x)
            apply(x);
    };

    for (int y = 0; y < height; ++y) {
        if (y == band && height - band > band)
            y = height - band;
        if (y < band)
            addCorner(nearSpan(y));
        if (y >= height - band)
            addCorner(farSpan(y, height));
        applyRow(y);
    }
    return Image(bitmap, image.size());
}

// Source-atop on premultiplied pixels: colour' = tint × opacity × alpha + colour × (1 − opacity), alpha
// kept. Fixed-point weights keep opacity 0 and 1 exact; rows are spread over the thread pool.
Image tintImage(const Image &image, const Color &color, double opacity) {
    if (image.isNull())
        return image;
    const double a = clamped(opacity, 0.0, 1.0);
    if (a == 0.0)
        return image;
    const QImage source = image.bitmap().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage bitmap = freshCanvas(source.size());
    if (bitmap.isNull())
        return image;

    const auto weight = [](double value) { return quint32(std::lround(value * 65536.0)); };
    const TintWeights weights{weight(a * clamped(color.red, 0.0, 1.0)),
                              weight(a * clamped(color.green, 0.0, 1.0)),
                              weight(a * clamped(color.blue, 0.0, 1.0)), weight(1.0 - a)};
    const int width = bitmap.width();
    // Row pointers come from one call each: scanLine() may touch the image's shared state. One pass
    // reads the source and writes the result, so the picture is never copied first.
    const uchar *const from = source.constBits();
    uchar *const to = bitmap.bits();
    const qsizetype fromStride = source.bytesPerLine(), toStride = bitmap.bytesPerLine();
    const auto tintRows = [=](int first, int last) {
        for (int y = first; y < last; ++y)
            tintRow(reinterpret_cast<const quint32 *>(from + y * fromStride),
                    reinterpret_cast<quint32 *>(to + y * toStride), width, weights);
    };
    // Bands of rows big enough that handing them to the pool costs less than tinting them.
    constexpr int rowsPerBand = 128;
    const int height = bitmap.height();
    const int bands = (height + rowsPerBand - 1) / rowsPerBand;
    parallelFor(bands,
                [&](int band) { tintRows(band * rowsPerBand, std::min(height, (band + 1) * rowsPerBand)); });
    return Image(bitmap, image.size());
}

} // namespace glyphon
