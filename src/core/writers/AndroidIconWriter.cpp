#include "AndroidIconWriter.h"

namespace glyphon {

int writeAndroidIcons(const Image &, const QString &, const FailureSink &) {
    return 0;
}

} // namespace glyphon
