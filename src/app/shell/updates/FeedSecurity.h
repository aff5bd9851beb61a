#pragma once

#include <QByteArray>
#include <QUrl>

namespace glyphon {

// The ed25519 public key (32 bytes) whose secret half signs the published feed.
QByteArray builtInFeedPublicKey();

// The feed address this build was made with; empty when the build has none.
QUrl builtInFeedUrl();

// Feeds come over https; plain http is accepted only from this machine's loopback interface, where a
// local test feed runs and nothing travels over a network.
bool isAllowedFeedUrl(const QUrl &url);

// A redirect may lead only to an allowed address and never from https down to http.
bool isAllowedRedirect(const QUrl &from, const QUrl &to);

// Where the feed's detached signature lives: the feed's path with ".sig" appended.
QUrl signatureUrl(const QUrl &feedUrl);

// Whether signatureText (the base64 of a 64-byte ed25519 signature, blanks around it ignored) signs
// exactly these bytes under publicKey.
bool verifyFeedSignature(const QByteArray &data, const QByteArray &signatureText,
                         const QByteArray &publicKey);

} // namespace glyphon
