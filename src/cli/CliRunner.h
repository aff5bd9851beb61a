#pragma once

#include <QStringList>
#include <QTextStream>

namespace glyphon::cli {

enum ExitCode { ok = 0, writeFailed = 1, usageError = 2, sourceRejected = 3 };

// Runs the command line (arguments include the program name) with the given streams.
int run(const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace glyphon::cli
