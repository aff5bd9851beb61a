#include "Resampler.h"

namespace glyphon {

QImage resample(const QImage &source, int width, int height) {
    if (source.isNull() || width <= 0 || height <= 0)
        return {};
    if (source.width() == width && source.height() == height)
        return source;
    // Area averaging when shrinking and bilinear when enlarging; both on premultiplied pixels,
    // so transparent pixels' hidden colour never bleeds into the edges.
    QImage scaled = source.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.format() != QImage::Format_ARGB32_Premultiplied)
        scaled = scaled.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return scaled;
}

} // namespace glyphon
