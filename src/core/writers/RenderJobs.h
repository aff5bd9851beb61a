#pragma once

#include "imaging/Image.h"

#include <QByteArray>
#include <QList>

namespace glyphon {

// Renders the image at each square edge and encodes it as PNG, spread over the cores.
// One entry per edge, in order; an empty entry where the canvas could not be made.
QList<QByteArray> renderPngs(const Image &image, const QList<int> &edges);

} // namespace glyphon
