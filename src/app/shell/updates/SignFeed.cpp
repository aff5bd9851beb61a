// glyphon-sign-feed: makes the update feed's signing key pair and signs files for publishing.
#include <QByteArray>
#include <QFile>
#include <QTextStream>
#include <sodium.h>

namespace {

int usage(QTextStream &err) {
    err << "Usage: glyphon-sign-feed keygen SECRET_KEY_FILE\n"
           "       glyphon-sign-feed sign SECRET_KEY_FILE FILE\n"
           "keygen writes a new secret key (keep it off the web server) and prints the public key for\n"
           "GLYPHON_UPDATE_PUBLIC_KEY. sign prints FILE's signature: publish it for the feed as FEED.sig,\n"
           "or put it in an enclosure's sparkle:edSignature.\n";
    return 2;
}

QByteArray readAll(const QString &path, QTextStream &err) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        err << path << ": " << file.errorString() << Qt::endl;
        return {};
    }
    return file.readAll();
}

int keygen(const QString &path, QTextStream &out, QTextStream &err) {
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
    unsigned char secretKey[crypto_sign_SECRETKEYBYTES];
    crypto_sign_keypair(publicKey, secretKey);
    QFile file(path);
    // Never overwrite a key: a lost secret key means every installed copy stops trusting the feed.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        err << path << ": " << file.errorString() << Qt::endl;
        return 1;
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QByteArray secret(reinterpret_cast<const char *>(secretKey), sizeof secretKey);
    file.write(secret.toBase64() + '\n');
    sodium_memzero(secretKey, sizeof secretKey);
    if (!file.flush()) {
        err << path << ": " << file.errorString() << Qt::endl;
        return 1;
    }
    out << QByteArray(reinterpret_cast<const char *>(publicKey), sizeof publicKey).toBase64() << Qt::endl;
    return 0;
}

int sign(const QString &keyPath, const QString &path, QTextStream &out, QTextStream &err) {
    const auto secret = QByteArray::fromBase64Encoding(readAll(keyPath, err).trimmed(),
                                                       QByteArray::AbortOnBase64DecodingErrors);
    if (!secret || secret.decoded.size() != crypto_sign_SECRETKEYBYTES) {
        err << keyPath << ": not a secret key made by keygen" << Qt::endl;
        return 1;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        err << path << ": " << file.errorString() << Qt::endl;
        return 1;
    }
    const QByteArray data = file.readAll();
    unsigned char signature[crypto_sign_BYTES];
    crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char *>(data.constData()),
                         static_cast<unsigned long long>(data.size()),
                         reinterpret_cast<const unsigned char *>(secret.decoded.constData()));
    out << QByteArray(reinterpret_cast<const char *>(signature), sizeof signature).toBase64() << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (sodium_init() < 0) {
        err << "glyphon-sign-feed: libsodium could not start" << Qt::endl;
        return 1;
    }
    const QByteArray command = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (command == "keygen" && argc == 3)
        return keygen(QString::fromLocal8Bit(argv[2]), out, err);
    if (command == "sign" && argc == 4)
        return sign(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), out, err);
    return usage(err);
}
