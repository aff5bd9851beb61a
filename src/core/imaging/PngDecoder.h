#pragma once

#include "Error.h"

#include <QByteArrayView>
#include <QImage>
#include <optional>

namespace glyphon {

// Large sources are mostly plain 8-bit RGB(A) PNGs; those are decoded here in one pass straight into
// premultiplied pixels, byte for byte what Qt's reader and conversion give. Nothing when the data is not
// such a PNG, or could change colours or orientation, or is one libpng may judge otherwise: the general
// reader takes it then. A header claiming more pixels than a source may have is TooLarge before anything
// is allocated; a file that must be refused is Damaged.
std::optional<Result<QImage>> decodePlainPng(QByteArrayView data);

} // namespace glyphon
