#pragma once

#include "Error.h"

#include <QByteArray>
#include <QImage>

namespace glyphon {

// An ICO file holding this one picture as a 32-bit BMP with alpha; at most 256 × 256.
Result<QByteArray> encodeIco(const QImage &image);

} // namespace glyphon
