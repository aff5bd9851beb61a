#include "FeedTestSupport.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <sodium.h>

namespace glyphon::test {

SigningKeys::SigningKeys()
    : publicKey(crypto_sign_PUBLICKEYBYTES, '\0'), secretKey(crypto_sign_SECRETKEYBYTES, '\0') {
    if (sodium_init() < 0)
        ADD_FAILURE() << "libsodium did not start";
    crypto_sign_keypair(reinterpret_cast<unsigned char *>(publicKey.data()),
                        reinterpret_cast<unsigned char *>(secretKey.data()));
}

QByteArray SigningKeys::sign(const QByteArray &data) const {
    QByteArray signature(crypto_sign_BYTES, '\0');
    crypto_sign_detached(reinterpret_cast<unsigned char *>(signature.data()), nullptr,
                         reinterpret_cast<const unsigned char *>(data.constData()),
                         static_cast<unsigned long long>(data.size()),
                         reinterpret_cast<const unsigned char *>(secretKey.constData()));
    return signature.toBase64() + '\n';
}

QByteArray appcast(const QList<FeedItem> &items) {
    QByteArray xml = R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
<channel><title>Glyphon</title>
)";
    for (const FeedItem &item : items) {
        xml += "<item><title>Version " + item.shortVersion.toUtf8() + "</title>\n";
        xml += "<sparkle:version>" + item.version.toUtf8() + "</sparkle:version>\n";
        if (!item.shortVersion.isEmpty())
            xml += "<sparkle:shortVersionString>" + item.shortVersion.toUtf8() +
                   "</sparkle:shortVersionString>\n";
        xml += "<sparkle:releaseNotesLink>https://glyphon.app/notes/" + item.version.toUtf8() +
               ".html</sparkle:releaseNotesLink>\n";
        xml +=
            "<enclosure url=\"" + item.downloadUrl.toUtf8() +
            "\" length=\"123456\" type=\"application/octet-stream\" sparkle:edSignature=\"c2lnbmF0dXJl\"/>\n";
        xml += "</item>\n";
    }
    xml += "</channel></rss>\n";
    return xml;
}

void serveSignedFeed(HttpTestServer &server, const QString &path, const QByteArray &feed,
                     const SigningKeys &keys) {
    server.route(path, HttpTestServer::Response::ok(feed));
    server.route(path + QStringLiteral(".sig"), HttpTestServer::Response::ok(keys.sign(feed)));
}

UpdateCheckOutcome waitForOutcome(QSignalSpy &spy) {
    if (spy.isEmpty() && !spy.wait(20000)) {
        ADD_FAILURE() << "no check outcome arrived";
        return {};
    }
    return spy.first().first().value<UpdateCheckOutcome>();
}

} // namespace glyphon::test
