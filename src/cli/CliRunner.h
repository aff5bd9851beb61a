#pragma once

#include <QStringList>
#include <QTextStream>

namespace glyphon::cli {

// A check that finds an error exits as a failed write does: the output is not ready to ship.
enum ExitCode { Success = 0, WriteFailed = 1, CheckFailed = 1, UsageError = 2, SourceRejected = 3 };

// Runs the command line (arguments include the program name) with the given streams: every line the
// program prints goes to one of them.
int run(const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace glyphon::cli
