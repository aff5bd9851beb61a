#include "check/CheckContext.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QtEndian>
#include <climits>
#include <cstring>

namespace glyphon::check {

using namespace Qt::StringLiterals;

namespace {

constexpr char pngSignature[] = "\x89PNG\r\n\x1a\n";
// Enough of a picture's start for its header and the chunks before its pixels in any icon we meet.
constexpr qint64 headerBytes = 64 * 1024;

QString megabytes(qint64 bytes) {
    return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1) + u" MB"_s;
}

quint32 bigEndian32(const char *p) {
    return qFromBigEndian<quint32>(p);
}

// Walks the chunks from the signature on: the header's size and colour type, a tRNS chunk before the
// pixels, and whether everything up to IEND is there.
void readPngChunks(const QByteArray &bytes, Picture &picture) {
    const qsizetype size = bytes.size();
    const char *data = bytes.constData();
    if (size < 33 || std::memcmp(data + 12, "IHDR", 4) != 0 || bigEndian32(data + 8) != 13) {
        picture.damaged = true;
        picture.problem = u"its PNG header is damaged"_s;
        return;
    }
    picture.size = QSize(int(qMin<quint32>(bigEndian32(data + 16), INT_MAX)),
                         int(qMin<quint32>(bigEndian32(data + 20), INT_MAX)));
    const uchar colourType = uchar(data[25]);
    picture.alphaChannel = colourType == 4 || colourType == 6;
    qsizetype at = 8;
    bool seenPixels = false;
    while (at + 12 <= size) {
        const quint32 length = bigEndian32(data + at);
        const char *type = data + at + 4;
        if (length > quint32(size - at - 12))
            break;
        if (std::memcmp(type, "IDAT", 4) == 0)
            seenPixels = true;
        else if (std::memcmp(type, "tRNS", 4) == 0 && !seenPixels)
            picture.alphaChannel = true;
        else if (std::memcmp(type, "IEND", 4) == 0) {
            if (!seenPixels) {
                picture.damaged = true;
                picture.problem = u"it has no pixel data"_s;
            }
            return;
        }
        at += 12 + qsizetype(length);
    }
    picture.damaged = true;
    picture.problem = u"it is cut short"_s;
}

} // namespace

bool hasPngSignature(QByteArrayView bytes) {
    return bytes.startsWith(QByteArrayView(pngSignature, 8));
}

Picture pngFacts(const QByteArray &bytes, qint64 maxPixels) {
    Picture picture;
    picture.state = Picture::State::Png;
    readPngChunks(bytes, picture);
    if (picture.damaged || qint64(picture.size.width()) * picture.size.height() > maxPixels)
        return picture;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    QImage decoded;
    if (!reader.read(&decoded)) {
        picture.damaged = true;
        picture.problem = u"its pixels do not decode (%1)"_s.arg(reader.errorString());
    }
    return picture;
}

CheckContext::CheckContext(const QString &root, const CheckOptions &options)
    : m_root(QDir::cleanPath(root)), m_canonicalRoot(QFileInfo(root).canonicalFilePath()),
      m_options(options) {}

QString CheckContext::relative(const QString &absolute) const {
    const QString path = QDir(m_root).relativeFilePath(QDir::cleanPath(absolute));
    return path.isEmpty() ? u"."_s : path;
}

bool CheckContext::isInside(const QString &absolute) const {
    // The root is walked through its own path, so a path without links on the way is its own canonical
    // form below the canonical root.
    const QString clean = QDir::cleanPath(absolute);
    const QString relativePath = QDir(m_root).relativeFilePath(clean);
    if (relativePath.startsWith(u"../"_s) || relativePath == u".."_s || QDir::isAbsolutePath(relativePath))
        return false;
    const QString expected = relativePath.isEmpty() || relativePath == u"."_s
                                 ? m_canonicalRoot
                                 : m_canonicalRoot + u'/' + relativePath;
    return QFileInfo(clean).canonicalFilePath() == expected;
}

void CheckContext::report(Rule rule, const QString &setFolder, const QString &file, const QString &message) {
    const CheckRule &declared = ruleFor(rule);
    m_findings.append({declared.severity, relative(setFolder), relative(file), declared.id, message});
}

std::optional<QByteArray> CheckContext::readText(const QString &setFolder, const QString &path) {
    const QFileInfo info(path);
    if (info.isSymLink() || !info.exists() || !isInside(path))
        return std::nullopt;
    // A pipe or a device would block the read or never end.
    if (!info.isFile()) {
        report(Rule::FileUnreadable, setFolder, path, u"is not a regular file"_s);
        return std::nullopt;
    }
    if (info.size() > m_options.maxTextBytes) {
        report(Rule::FileUnreadable, setFolder, path,
               u"is %1; the check reads text files up to %2"_s.arg(megabytes(info.size()),
                                                                   megabytes(m_options.maxTextBytes)));
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        report(Rule::FileUnreadable, setFolder, path, u"cannot be read: %1"_s.arg(file.errorString()));
        return std::nullopt;
    }
    // The size is checked again on the data, as the file may have grown since it was measured.
    QByteArray bytes = file.read(m_options.maxTextBytes + 1);
    if (bytes.size() > m_options.maxTextBytes) {
        report(Rule::FileUnreadable, setFolder, path,
               u"is larger than %1, the most the check reads of a text file"_s.arg(
                   megabytes(m_options.maxTextBytes)));
        return std::nullopt;
    }
    return bytes;
}

std::optional<QJsonDocument> CheckContext::readJson(Rule rule, const QString &setFolder,
                                                    const QString &path) {
    const auto bytes = readText(setFolder, path);
    if (!bytes)
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(*bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        report(rule, setFolder, path,
               u"is not valid JSON: %1 at byte %2"_s.arg(error.errorString()).arg(error.offset));
        return std::nullopt;
    }
    return document;
}

Picture CheckContext::readPicture(const QString &path) const {
    Picture picture;
    const QFileInfo info(path);
    if (info.isSymLink()) {
        picture.state = Picture::State::Link;
        return picture;
    }
    if (!info.exists() || info.isDir())
        return picture;
    if (!isInside(path)) {
        picture.state = Picture::State::Link;
        return picture;
    }
    if (!info.isFile()) {
        picture.state = Picture::State::Unreadable;
        picture.problem = u"is not a regular file"_s;
        return picture;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        picture.state = Picture::State::Unreadable;
        picture.problem = u"cannot be read: %1"_s.arg(file.errorString());
        return picture;
    }
    const bool whole = info.size() <= m_options.maxImageBytes;
    const QByteArray bytes = file.read(whole ? m_options.maxImageBytes : headerBytes);
    if (!hasPngSignature(bytes)) {
        picture.state = Picture::State::NotPng;
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        if (reader.canRead())
            picture.size = reader.size();
        return picture;
    }
    picture.state = Picture::State::Png;
    if (!whole) {
        // Only the start was read: the size rules still apply, the pixels are not looked at.
        readPngChunks(bytes, picture);
        picture.damaged = picture.size.isEmpty();
        picture.headerOnly = true;
        return picture;
    }
    return pngFacts(bytes, m_options.maxDecodedPixels);
}

Picture CheckContext::picture(const QString &path) {
    const QString key = QDir::cleanPath(path);
    auto it = m_pictures.constFind(key);
    if (it == m_pictures.cend())
        it = m_pictures.insert(key, readPicture(key));
    return *it;
}

QImage CheckContext::pixels(const QString &path) {
    const QString key = QDir::cleanPath(path);
    if (const auto known = m_pixels.constFind(key); known != m_pixels.cend())
        return *known;
    QImage &decoded = m_pixels[key];
    const Picture facts = picture(path);
    if (facts.state != Picture::State::Png || facts.damaged || facts.headerOnly)
        return decoded;
    if (qint64(facts.size.width()) * facts.size.height() > m_options.maxDecodedPixels)
        return decoded;
    QImageReader reader(path, "png");
    if (reader.read(&decoded))
        decoded = decoded.convertToFormat(QImage::Format_ARGB32);
    else
        decoded = QImage();
    return decoded;
}

bool CheckContext::reportUnusablePng(Rule missingRule, Rule notPngRule, const QString &setFolder,
                                     const QString &path, const QString &missingMessage,
                                     const QString &notPngMessage) {
    const Picture facts = picture(path);
    switch (facts.state) {
    case Picture::State::Link:
        return false; // reported where the walk met it
    case Picture::State::Missing:
        report(missingRule, setFolder, path, missingMessage);
        return false;
    case Picture::State::Unreadable:
        report(Rule::FileUnreadable, setFolder, path, facts.problem);
        return false;
    case Picture::State::NotPng:
        report(notPngRule, setFolder, path, notPngMessage);
        return false;
    case Picture::State::Png:
        break;
    }
    if (facts.damaged) {
        reportDamaged(setFolder, path);
        return false;
    }
    return true;
}

void CheckContext::reportDamaged(const QString &setFolder, const QString &path) {
    const QString key = QDir::cleanPath(path);
    if (m_damagedReported.contains(key))
        return;
    m_damagedReported.insert(key);
    report(Rule::DamagedImage, setFolder, path, u"is a damaged PNG: %1"_s.arg(picture(path).problem));
}

std::optional<QSize> CheckContext::measuredSize(const QString &setFolder, const QString &path) {
    const Picture found = picture(path);
    if (found.state == Picture::State::Png) {
        if (found.damaged) {
            reportDamaged(setFolder, path);
            return std::nullopt;
        }
        return found.size;
    }
    if (found.state == Picture::State::NotPng && found.size.isValid())
        return found.size;
    return std::nullopt;
}

bool isTouchIconName(const QString &name) {
    static const QRegularExpression touchName(u"^apple-(touch-)?icon.*\\.png$"_s,
                                              QRegularExpression::CaseInsensitiveOption);
    return touchName.match(name).hasMatch();
}

QString sizeText(QSize size) {
    return u"%1×%2"_s.arg(size.width()).arg(size.height());
}

QString sizeText(int edge) {
    return sizeText(QSize(edge, edge));
}

} // namespace glyphon::check
