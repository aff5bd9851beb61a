#pragma once

#include "Image.h"

#include <QString>
#include <optional>

namespace glyphon {

// Decompression-bomb guard: the same pixel limit libvips-based tools use.
inline constexpr qint64 maxSourcePixels = 268402689;

struct LoadResult {
    std::optional<Image> image;
    QString error;  // why there is no image, naming the file; empty on success
    QString reason; // the same without the file's name, for a caller that names it its own way
};

// The one way a source file becomes an Image: upright (EXIF), first frame, sRGB, size checked on
// the header before decoding, SVG rasterised at 1024 px on its longer side without external references.
LoadResult loadSourceImage(const QString &path);

} // namespace glyphon
