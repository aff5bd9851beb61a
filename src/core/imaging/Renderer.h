#pragma once

#include "Error.h"
#include "Image.h"

#include <QByteArray>
#include <optional>

namespace glyphon {

// A fresh render of the whole source scaled to fill trunc(width) × trunc(height) pixels;
// the point size stays the unrounded width × height. Nothing when the bitmap cannot be made.
std::optional<Image> resizeImage(const Image &image, double width, double height);

// The source shrunk until its longer edge L is L − 2 × padding, keeping its proportions, and centred on a
// transparent canvas of its own point size: a square source gets the same margin on every side. Nothing
// when no picture would remain.
std::optional<Image> padImage(const Image &image, double padding);

// Whether padToSquare can square a source of this pixel size: the square stays within maxSourcePixels.
bool fitsPaddedToSquare(QSize pixels);

// The source on a transparent square canvas as wide as its longer side, the shorter side padded equally on
// both sides (an odd pixel goes after), one point per pixel. Nothing when it does not fit or the canvas
// cannot be made.
std::optional<Image> padToSquare(const Image &image);

// The bitmap as an 8-bit RGBA PNG with straight alpha.
Result<QByteArray> pngData(const Image &image);

} // namespace glyphon
