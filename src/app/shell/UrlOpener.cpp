#include "UrlOpener.h"

#include <QDesktopServices>

namespace glyphon {

bool openWithSystemHandler(const QUrl &url) {
    return QDesktopServices::openUrl(url);
}

} // namespace glyphon
