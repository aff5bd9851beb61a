#pragma once

#include "FailureSink.h"
#include "imaging/Image.h"

namespace glyphon {

// Writes Android/mipmap-*/ic_launcher.png, largest density first; returns the failure count and adds the
// writes that succeeded to *written when given.
int writeAndroidIcons(const Image &image, const QString &outputFolder, const FailureSink &sink = printFailure,
                      int *written = nullptr);

} // namespace glyphon
