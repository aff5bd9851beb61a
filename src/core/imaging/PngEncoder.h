#pragma once

#include "Error.h"

#include <QByteArray>
#include <QImage>

namespace glyphon {

// 8-bit RGBA PNG (colour type 6, straight alpha) of any QImage.
Result<QByteArray> encodePng(const QImage &image);

// The colour types the encoder writes, all at 8 bits: RGB with alpha (6), RGB (2), grey (0), grey with
// alpha (4).
enum class PngColour { Rgba, Rgb, Grey, GreyAlpha };

// The picture as a PNG of that colour type. The types without alpha write a pixel that is not opaque as it
// shows over black, so flatten the picture first; the grey ones take the red channel of a grey picture.
Result<QByteArray> encodePng(const QImage &image, PngColour colour);

// 8-bit RGB PNG (colour type 2) without an alpha channel, for files that must not carry one (the App Store
// icons).
Result<QByteArray> encodePngRgb(const QImage &image);

} // namespace glyphon
