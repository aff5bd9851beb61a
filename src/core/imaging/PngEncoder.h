#pragma once

#include "Error.h"

#include <QByteArray>
#include <QImage>

namespace glyphon {

// 8-bit RGBA PNG (colour type 6, straight alpha) of any QImage.
Result<QByteArray> encodePng(const QImage &image);

// 8-bit RGB PNG (colour type 2) without an alpha channel, for files that must not carry one (the App Store
// icons); a pixel that is not opaque is written as it shows over black, so flatten the picture first.
Result<QByteArray> encodePngRgb(const QImage &image);

} // namespace glyphon
