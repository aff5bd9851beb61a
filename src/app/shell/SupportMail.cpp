#include "SupportMail.h"

#include <QCoreApplication>
#include <QUrl>

namespace glyphon {

namespace {

// Keeps what a URL query allows, except "&", "=" and "+": left bare in a subject or body they would end
// the field early or turn into a blank, so an application named "R&D" would lose half its subject.
QString encodeQueryValue(const QString &text) {
    return QString::fromLatin1(QUrl::toPercentEncoding(text, QByteArrayLiteral("!$'()*,;:@/?")));
}

} // namespace

QString supportEmailUrlText(const QString &appName) {
    const QString name = appName.isEmpty() ? QStringLiteral("App") : appName;
    const QString subject = name + QStringLiteral(" Support Request");
    const QString body = QStringLiteral("Hello ") + name +
                         QStringLiteral(" Team,\n\nI need assistance with the following:\n\n");
    return QStringLiteral("mailto:") + supportEmailAddress + QStringLiteral("?subject=") +
           encodeQueryValue(subject) + QStringLiteral("&body=") + encodeQueryValue(body);
}

bool openSupportEmail(const UrlOpener &open) {
    const QString text = supportEmailUrlText(QCoreApplication::applicationName());
    const QUrl url = QUrl::fromEncoded(text.toUtf8(), QUrl::StrictMode);
    if (!url.isValid())
        return false;
    return open(url);
}

} // namespace glyphon
