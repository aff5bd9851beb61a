#pragma once

#include <QByteArray>
#include <QImage>

namespace glyphon {

// 8-bit RGBA PNG (colour type 6, straight alpha) of any QImage; empty for a null image.
QByteArray encodePng(const QImage &image);

} // namespace glyphon
