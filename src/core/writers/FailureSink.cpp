#include "FailureSink.h"

#include <cstdio>

namespace glyphon {

QString failureLine(const Error &error) {
    return QStringLiteral("Something went wrong: %1").arg(error.description());
}

void printFailure(const Error &error) {
    // One fputs per line: stdio locks per call, so lines from concurrent writers never interleave.
    const QByteArray line = (failureLine(error) + u'\n').toUtf8();
    std::fputs(line.constData(), stdout);
    std::fflush(stdout);
}

} // namespace glyphon
