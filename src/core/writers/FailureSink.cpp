#include "FailureSink.h"

#include <cstdio>

namespace glyphon {

void printFailure(const QString &description) {
    // One fputs per line: stdio locks per call, so lines from concurrent writers never interleave.
    const QByteArray line = QStringLiteral("Something went wrong: %1\n").arg(description).toUtf8();
    std::fputs(line.constData(), stdout);
    std::fflush(stdout);
}

} // namespace glyphon
