#pragma once

#include <cstdio>

namespace glyphon {

// Keeps what Qt and the libraries under it say (qt.gui.imageio, libpng, libtiff, …) off the terminal, where
// only our own lines belong: Qt's messages are withheld, and what a library writes to standard error by
// itself goes nowhere. A fatal message still gets through, after the few withheld just before it.
void installMessageHandler();

// Lets all of it through to standard error again (--verbose).
void setLibraryMessagesShown(bool shown);

// Where our own lines for standard error go: the real standard error, which libraries no longer reach.
std::FILE *standardError();

} // namespace glyphon
