#pragma once

#include <QByteArray>
#include <QIODevice>

namespace glyphon {

// Whether a file holds all of its first image. Qt's JPEG, GIF and BMP readers pad a cut-off file
// and report success, so for those the structure is walked; other formats are trusted to report it.
// The device is read from its start only for the walked formats.
bool hasCompleteImageData(const QByteArray &format, QIODevice &device);

} // namespace glyphon
