#include "FileOps.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <filesystem>
#include <system_error>

namespace glyphon {

bool makeFolder(const QString &path, QString *error) {
    std::error_code ec;
    const std::filesystem::path fsPath(path.toStdU16String());
    std::filesystem::create_directories(fsPath, ec);
    if (!ec && std::filesystem::is_directory(fsPath, ec))
        return true;
    if (error) {
        const QString reason = ec ? QString::fromLocal8Bit(ec.message()) : QStringLiteral("Not a directory");
        *error = QStringLiteral("The folder \"%1\" couldn't be created: %2")
                     .arg(QDir::toNativeSeparators(path), reason);
    }
    return false;
}

bool writeFile(const QString &path, const QByteArray &bytes, QString *error) {
    QSaveFile file(path);
    // Without direct-write fallback a file we may not replace fails cleanly instead of being truncated in
    // place.
    file.setDirectWriteFallback(false);
    const bool ok = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    if (!ok && error) {
        *error = QStringLiteral("The file \"%1\" couldn't be saved: %2")
                     .arg(QDir::toNativeSeparators(path), file.errorString());
    }
    return ok;
}

} // namespace glyphon
