#pragma once

#include "FailureSink.h"
#include "OutputSets.h"
#include "imaging/Color.h"
#include "imaging/Image.h"

#include <QList>

namespace glyphon {

struct SharedWork;

// Writes a set's outputs below outputFolder, in order, its icons rendered together beforehand; the opaque
// ones are filled with the background. Each failure goes to the sink as it happens and into the report.
// With shared work, renders and encodes another target of the run made already are taken from it.
WriteReport writeOutputSet(const OutputSet &set, const Image &image, const QString &outputFolder,
                           const FailureSink &sink = printFailure,
                           const Color &background = defaultBackground, SharedWork *shared = nullptr);

// Writes one platform's declared set.
WriteReport writePlatform(Platform platform, const Image &image, const QString &outputFolder,
                          const FailureSink &sink = printFailure, const Color &background = defaultBackground,
                          SharedWork *shared = nullptr);

// Writes a one-picture ICO (32-bit with alpha) of the image rendered at width × height.
Result<void> writeIco(const QString &path, double width, double height, const Image &image);

} // namespace glyphon
