#pragma once

#include <QUrl>
#include <functional>

namespace glyphon {

// Hands a URL to whatever should show it; tests pass their own to see what would have been opened.
using UrlOpener = std::function<bool(const QUrl &)>;

// The desktop's default handler for the URL's scheme: the browser, the mail client.
bool openWithSystemHandler(const QUrl &url);

} // namespace glyphon
