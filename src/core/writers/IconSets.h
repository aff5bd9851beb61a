#pragma once

#include "FailureSink.h"
#include "imaging/Image.h"

#include <QString>
#include <array>

namespace glyphon {

// The platforms of a generation, in the fixed order they are written.
enum class Platform { macOS, iOS, watchOS, android, web };
inline constexpr std::array<Platform, 5> allPlatforms = {Platform::macOS, Platform::iOS, Platform::watchOS,
                                                         Platform::android, Platform::web};

// The display name ("macOS", "iOS", "watchOS", "Android", "web").
QString platformName(Platform platform);

// Writes one platform's set below outputFolder; returns the number of failures reported to the sink and adds
// the writes that succeeded to *written when given.
int writePlatform(Platform platform, const Image &image, const QString &outputFolder,
                  const FailureSink &sink = printFailure, int *written = nullptr);

} // namespace glyphon
