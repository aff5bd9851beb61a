#pragma once

#include "Error.h"
#include "Image.h"

#include <QByteArray>
#include <QSize>
#include <QString>

namespace glyphon {

// Decompression-bomb guard: the same pixel limit libvips-based tools use.
inline constexpr qint64 maxSourcePixels = 268402689;

// The one way a source file becomes an Image: upright (EXIF), first frame, sRGB, size checked on
// the header before decoding, SVG rasterised at 1024 px on its longer side without external references.
// A refusal names the file and says why.
Result<Image> loadSourceImage(const QString &path);

// The cleaned text of an SVG source, inflated when compressed, as loadSourceImage draws it; empty for
// any other file and for one that cannot be read.
QByteArray svgSourceText(const QString &path);

// The refusal of a source with more than maxSourcePixels, its size told.
Error tooManyPixels(QSize size);

} // namespace glyphon
