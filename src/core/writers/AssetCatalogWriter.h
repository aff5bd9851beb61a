#pragma once

#include "FailureSink.h"
#include "imaging/Image.h"

namespace glyphon {

// Writes KEY/AppIcon.appiconset below outputFolder: one PNG per slot and Contents.json.
// Each failure goes to the sink; returns how many there were.
int writeAssetCatalog(const Image &image, const QString &platformKey, const QString &outputFolder,
                      const FailureSink &sink = printFailure);

} // namespace glyphon
