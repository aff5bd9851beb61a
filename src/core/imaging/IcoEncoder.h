#pragma once

#include "Error.h"

#include <QByteArray>
#include <QImage>
#include <QList>

namespace glyphon {

class PngCache;

// An ICO file holding this one picture as a 32-bit BMP with alpha; at most 256 × 256.
Result<QByteArray> encodeIco(const QImage &image);

// An ICO file with one entry per square picture, in the order given, at most one per edge: a
// 256-pixel one as PNG (through the cache when one is given), every smaller one as a 32-bit BMP with alpha
// and an AND mask.
Result<QByteArray> encodeIcoEntries(const QList<QImage> &pictures, PngCache *pngs = nullptr);

} // namespace glyphon
