#pragma once

#include "Error.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace glyphon {

// The document rewritten without anything that could make the SVG renderer open a file or URL: no
// DTD (so no external entities), no processing instructions (xml-stylesheet), no <image> that is not
// an inline data: URI, no link other than to an element of the document itself. Bad XML is Damaged,
// with the parser's reason.
Result<QByteArray> withoutExternalReferences(const QByteArray &svg);

// Vectors have no pixel size of their own: the document is drawn with its longer side at longerEdge
// pixels, keeping its aspect ratio.
Result<QImage> rasteriseSvg(const QByteArray &svg, int longerEdge);

} // namespace glyphon
