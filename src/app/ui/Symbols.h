#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QString>

namespace glyphon {

// The system symbols the window uses, drawn from our own vector glyphs so they stay sharp at every
// device pixel ratio. The name is the symbol's catalogue name, e.g. "arrow.left".
bool hasSymbol(const QString &name);

// The symbol filled with one colour, edge × edge device pixels, transparent elsewhere.
QImage renderSymbol(const QString &name, const QColor &color, int edge);

// An icon that renders the symbol at whatever size and pixel ratio it is asked for.
QIcon symbolIcon(const QString &name, const QColor &color);

} // namespace glyphon
