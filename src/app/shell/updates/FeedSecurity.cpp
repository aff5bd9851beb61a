#include "FeedSecurity.h"

#include <QHostAddress>
#include <sodium.h>

namespace glyphon {

QByteArray builtInFeedPublicKey() {
    const auto decoded = QByteArray::fromBase64Encoding(QByteArrayLiteral(GLYPHON_UPDATE_PUBLIC_KEY),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    return decoded && decoded.decoded.size() == crypto_sign_PUBLICKEYBYTES ? decoded.decoded : QByteArray();
}

QUrl builtInFeedUrl() {
    return QUrl(QStringLiteral(GLYPHON_UPDATE_FEED_URL), QUrl::StrictMode);
}

bool isAllowedFeedUrl(const QUrl &url) {
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty())
        return false;
    if (url.scheme() == u"https")
        return true;
    if (url.scheme() != u"http")
        return false;
    // Only literal loopback addresses: a name could resolve elsewhere.
    const QHostAddress address(url.host());
    return !address.isNull() && address.isLoopback();
}

bool isAllowedRedirect(const QUrl &from, const QUrl &to) {
    if (!isAllowedFeedUrl(to))
        return false;
    return !(from.scheme() == u"https" && to.scheme() != u"https");
}

QUrl signatureUrl(const QUrl &feedUrl) {
    QUrl url = feedUrl;
    url.setPath(feedUrl.path() + QStringLiteral(".sig"));
    url.setFragment(QString());
    return url;
}

bool verifyFeedSignature(const QByteArray &data, const QByteArray &signatureText,
                         const QByteArray &publicKey) {
    if (sodium_init() < 0 || publicKey.size() != crypto_sign_PUBLICKEYBYTES)
        return false;
    const auto signature =
        QByteArray::fromBase64Encoding(signatureText.trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    if (!signature || signature.decoded.size() != crypto_sign_BYTES)
        return false;
    return crypto_sign_verify_detached(reinterpret_cast<const unsigned char *>(signature.decoded.constData()),
                                       reinterpret_cast<const unsigned char *>(data.constData()),
                                       static_cast<unsigned long long>(data.size()),
                                       reinterpret_cast<const unsigned char *>(publicKey.constData())) == 0;
}

} // namespace glyphon
