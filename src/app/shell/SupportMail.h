#pragma once

#include "UrlOpener.h"

#include <QLatin1String>
#include <QString>

namespace glyphon {

// The address "Contact Support" writes to.
inline constexpr QLatin1String supportEmailAddress{"support@glyphon.app"};

// The prepared support mail for an application of this name ("App" when the name is empty): a mailto
// URL whose subject and body are percent-encoded.
QString supportEmailUrlText(const QString &appName);

// "Contact Support": opens the prepared mail for this application through open; nothing happens when
// the text is not a valid URL. Returns whether something was opened.
bool openSupportEmail(const UrlOpener &open = openWithSystemHandler);

} // namespace glyphon
