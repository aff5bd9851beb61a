#include "WebIconWriter.h"

namespace glyphon {

int writeWebIcons(const Image &, const QString &, const FailureSink &) {
    return 0;
}

bool writeIco(const QString &, double, double, const Image &, QString *) {
    return false;
}

} // namespace glyphon
