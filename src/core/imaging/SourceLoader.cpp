#include "SourceLoader.h"

#include <QImageReader>

namespace glyphon {

LoadResult loadSourceImage(const QString &path) {
    QImageReader reader(path);
    QImage image;
    if (!reader.read(&image))
        return {std::nullopt, QStringLiteral("%1: %2").arg(path, reader.errorString())};
    return {Image(image), {}};
}

} // namespace glyphon
