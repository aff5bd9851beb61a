#pragma once

#include <QString>

namespace glyphon {

// Orders two version strings the way people read them: numbers compare as numbers (1.10 is newer than 1.9),
// missing trailing zeros do not count (1.0 equals 1.0.0) and a letter part marks a pre-release
// (1.0b1 is older than 1.0). Negative when a is older than b, zero when equal, positive when newer.
int compareVersions(const QString &a, const QString &b);

} // namespace glyphon
