#pragma once

#include "Effects.h"
#include "Error.h"

#include <QByteArray>

namespace glyphon {

// A cleaned SVG document with the effects drawn the way the pipeline draws them on pixels: squared on the
// 1024 canvas, corners clipped, padded, then tinted, all as SVG around the untouched drawing, so a
// vector icon matches the bitmaps cut from the same settings. The document itself when no effect is on.
Result<QByteArray> svgWithEffects(const QByteArray &cleanSvg, const EffectSettings &effects);

} // namespace glyphon
