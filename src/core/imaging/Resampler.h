#pragma once

#include <QImage>

namespace glyphon {

// The one place pixels are resampled: the whole premultiplied source scaled to fill width × height.
// Returns a null image when the destination cannot be allocated.
QImage resample(const QImage &source, int width, int height);

} // namespace glyphon
