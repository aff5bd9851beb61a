#include "FileOps.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstring>
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
    const auto fail = [&](const QString &reason) {
        if (error)
            *error = QStringLiteral("The file \"%1\" couldn't be saved: %2")
                         .arg(QDir::toNativeSeparators(path), reason);
        return false;
    };
    // The bytes go to a fresh file beside the target, which then replaces it in one rename: a write that
    // fails part-way (a full disk) leaves the previous complete file or none. No fsync per file: an icon
    // set is dozens of small files, and syncing each one costs more than rendering the whole set.
    QFile temporary;
    for (int attempt = 0; attempt < 16 && !temporary.isOpen(); ++attempt) {
        temporary.setFileName(path + QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8,
                                                                   16, QLatin1Char('0')));
        // Only a name that is already taken is worth another try.
        if (!temporary.open(QIODevice::WriteOnly | QIODevice::NewOnly) && !temporary.exists())
            break;
    }
    if (!temporary.isOpen())
        return fail(temporary.errorString());
    const bool written = temporary.write(bytes) == bytes.size() && temporary.flush();
    const QString writeError = temporary.errorString();
    temporary.close();
    if (!written || temporary.error() != QFileDevice::NoError) {
        temporary.remove();
        return fail(written ? temporary.errorString() : writeError);
    }
    // POSIX rename replaces an existing file atomically; QFile::rename would refuse to.
    if (std::rename(QFile::encodeName(temporary.fileName()).constData(),
                    QFile::encodeName(path).constData()) != 0) {
        const int code = errno;
        temporary.remove();
        return fail(QString::fromLocal8Bit(std::strerror(code)));
    }
    return true;
}

} // namespace glyphon
