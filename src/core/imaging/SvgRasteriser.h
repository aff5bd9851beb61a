#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace glyphon {

// The document rewritten without anything that could make the SVG renderer open a file or URL: no
// DTD (so no external entities), no processing instructions (xml-stylesheet), no <image> that is not
// an inline data: URI, no link other than to an element of the document itself. Empty on bad XML,
// with the parser's reason in *error.
QByteArray withoutExternalReferences(const QByteArray &svg, QString *error);

// Vectors have no pixel size of their own: the document is drawn with its longer side at longerEdge
// pixels, keeping its aspect ratio. A null image with the reason in *error when it cannot be drawn.
QImage rasteriseSvg(const QByteArray &svg, int longerEdge, QString *error);

} // namespace glyphon
