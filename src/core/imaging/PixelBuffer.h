#pragma once

#include <QImage>
#include <QSize>

namespace glyphon {

// A fresh, uninitialised premultiplied ARGB32 canvas; large ones are backed by huge pages where the
// system offers them, since first-touch page faults dominate whole-picture passes on virtual machines.
QImage freshCanvas(QSize size);

} // namespace glyphon
