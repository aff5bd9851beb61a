#pragma once

#include <QString>
#include <functional>

namespace glyphon {

// Receives the description of each failed write. The default prints the documented line
// "Something went wrong: <description>" on standard output.
using FailureSink = std::function<void(const QString &description)>;

void printFailure(const QString &description);

} // namespace glyphon
