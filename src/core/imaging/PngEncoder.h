#pragma once

#include "Error.h"

#include <QByteArray>
#include <QImage>

namespace glyphon {

// 8-bit RGBA PNG (colour type 6, straight alpha) of any QImage.
Result<QByteArray> encodePng(const QImage &image);

// 8-bit RGB PNG (colour type 2, no alpha channel), for stores that refuse any alpha. The picture should be
// opaque: a translucent pixel is written as it shows over black.
Result<QByteArray> encodeOpaquePng(const QImage &image);

} // namespace glyphon
