#pragma once

#include "HttpTestServer.h"
#include "UpdateCheckOutcome.h"

#include <QByteArray>
#include <QString>

class QSignalSpy;

namespace glyphon::test {

// A fresh ed25519 key pair per test, so no test depends on the key built into the application.
struct SigningKeys {
    SigningKeys();
    QByteArray publicKey;
    QByteArray secretKey;
    // The detached signature as the feed publishes it: one line of base64.
    QByteArray sign(const QByteArray &data) const;
};

struct FeedItem {
    QString version;
    QString shortVersion;
    QString downloadUrl = QStringLiteral("https://downloads.glyphon.app/glyphon.deb");
};

// An RSS appcast with one item per release.
QByteArray appcast(const QList<FeedItem> &items);

// Serves feed at path and its signature at path + ".sig".
void serveSignedFeed(HttpTestServer &server, const QString &path, const QByteArray &feed,
                     const SigningKeys &keys);

// Waits (bounded) for the first outcome on a spy of Updater::checkFinished and returns it.
UpdateCheckOutcome waitForOutcome(QSignalSpy &spy);

} // namespace glyphon::test
