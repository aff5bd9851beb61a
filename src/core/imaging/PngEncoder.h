#pragma once

#include "Error.h"

#include <QByteArray>
#include <QImage>

namespace glyphon {

// 8-bit RGBA PNG (colour type 6, straight alpha) of any QImage.
Result<QByteArray> encodePng(const QImage &image);

} // namespace glyphon
