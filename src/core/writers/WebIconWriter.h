#pragma once

#include "FailureSink.h"
#include "imaging/Image.h"

namespace glyphon {

// Writes the 26 files of FavIcon/ below outputFolder; returns the failure count and adds the writes that
// succeeded to *written when given.
int writeWebIcons(const Image &image, const QString &outputFolder, const FailureSink &sink = printFailure,
                  int *written = nullptr);

// Writes a one-image ICO (32-bit with alpha) of the image rendered at width × height.
bool writeIco(const QString &path, double width, double height, const Image &image, QString *error = nullptr);

} // namespace glyphon
