#include "FileOps.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace glyphon {

Result<void> makeFolder(const QString &path) {
    std::error_code ec;
    const std::filesystem::path fsPath(path.toStdU16String());
    std::filesystem::create_directories(fsPath, ec);
    if (!ec && std::filesystem::is_directory(fsPath, ec))
        return {};
    return Error{ErrorKind::FolderNotCreated, path,
                 ec ? QString::fromLocal8Bit(ec.message()) : QStringLiteral("Not a directory")};
}

Result<void> writeFile(const QString &path, const QByteArray &bytes) {
    const auto fail = [&](const QString &reason) { return Error{ErrorKind::WriteFailed, path, reason}; };
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
    return {};
}

Result<QByteArray> readResourceText(const QString &resource) {
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        return Error{ErrorKind::ResourceUnreadable, resource, file.errorString()};
    const QByteArray bytes = file.readAll();
    QStringDecoder decode(QStringConverter::encodingForData(bytes).value_or(QStringConverter::Utf8));
    const QString text = decode(bytes);
    if (decode.hasError())
        return Error{ErrorKind::ResourceUnreadable, resource, QStringLiteral("it isn't valid text")};
    return text.toUtf8();
}

} // namespace glyphon
