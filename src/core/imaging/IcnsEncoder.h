#pragma once

#include "Error.h"

#include <QByteArray>
#include <QImage>
#include <QList>

namespace glyphon {

class PngCache;

// A macOS .icns file holding each square picture in every element type made for its edge (16, 32, 64, 128,
// 256, 512 or 1024), at most one picture per edge; its PNG elements through the cache when one is given.
Result<QByteArray> encodeIcns(const QList<QImage> &pictures, PngCache *pngs = nullptr);

} // namespace glyphon
