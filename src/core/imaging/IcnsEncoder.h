#pragma once

#include "Error.h"

#include <QByteArray>
#include <QImage>
#include <QList>

namespace glyphon {

// A macOS .icns file holding each square picture in every element type made for its edge (16, 32, 64, 128,
// 256, 512 or 1024), at most one picture per edge.
Result<QByteArray> encodeIcns(const QList<QImage> &pictures);

} // namespace glyphon
