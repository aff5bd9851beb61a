#pragma once

#include "FailureSink.h"
#include "imaging/Image.h"

namespace glyphon {

// Writes KEY/AppIcon.appiconset below outputFolder: one PNG per slot and Contents.json.
// Each failure goes to the sink; returns how many there were and adds the writes that
// succeeded to *written when given.
int writeAssetCatalog(const Image &image, const QString &platformKey, const QString &outputFolder,
                      const FailureSink &sink = printFailure, int *written = nullptr);

} // namespace glyphon
