#include "check/CheckContext.h"

#include <QFile>
#include <QtEndian>

namespace glyphon::check {

using namespace Qt::StringLiterals;

namespace {

quint16 le16(const QByteArray &bytes, qsizetype at) {
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}
quint32 le32(const QByteArray &bytes, qsizetype at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}
quint32 be32(const QByteArray &bytes, qsizetype at) {
    return qFromBigEndian<quint32>(bytes.constData() + at);
}

constexpr int maxIcoPictures = 256;
// No picture of an ICO (256 px) or an ICNS (1024 px) is larger; one that claims more is only measured.
constexpr qint64 maxContainerPixels = 1024 * 1024;

// A container read whole within the picture limit; nothing when it is a link, missing or too large
// (the last with a finding).
std::optional<QByteArray> readContainer(CheckContext &context, Rule rule, const QString &path,
                                        const QString &setFolder) {
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isFile() || !context.isInside(path))
        return std::nullopt;
    if (info.size() > context.options().maxImageBytes) {
        context.report(rule, setFolder, path,
                       u"is larger than the check reads (%1 bytes)"_s.arg(info.size()));
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        context.report(Rule::FileUnreadable, setFolder, path,
                       u"cannot be read: %1"_s.arg(file.errorString()));
        return std::nullopt;
    }
    return file.read(context.options().maxImageBytes);
}

// One picture of an ICO file as stored.
struct IcoPicture {
    QSize declared;
    QSize real;      // empty when the data cannot be measured
    QString problem; // why it cannot be read; empty when it can
};

struct IcoDirectory {
    QString problem; // why the directory cannot be read
    QList<IcoPicture> pictures;
};

// A BMP picture as ICO stores it: a BITMAPINFOHEADER, a palette, the colour rows and the mask rows,
// whose height counts both.
IcoPicture bitmapPicture(const QByteArray &data, QSize declared) {
    IcoPicture picture{declared, {}, {}};
    if (data.size() < 40 || le32(data, 0) < 40) {
        picture.problem = u"its bitmap header is damaged"_s;
        return picture;
    }
    const qint32 width = qint32(le32(data, 4));
    const qint32 doubledHeight = qint32(le32(data, 8));
    const int bitCount = le16(data, 14);
    const quint32 compression = le32(data, 16);
    if (width <= 0 || width > 1024 || doubledHeight <= 0 || doubledHeight > 2048 ||
        !QList<int>{1, 4, 8, 16, 24, 32}.contains(bitCount)) {
        picture.problem = u"its bitmap header is damaged"_s;
        return picture;
    }
    const int height = doubledHeight / 2;
    picture.real = QSize(width, height);
    // Compressed bitmaps are measured only; a plain one must hold all its colour rows.
    if (compression != 0 && compression != 3)
        return picture;
    qint64 paletteBytes = 0;
    if (bitCount <= 8) {
        const quint32 used = le32(data, 32);
        paletteBytes = 4 * qint64(used ? qMin<quint32>(used, 256) : (1u << bitCount));
    }
    const qint64 colourRowBytes = ((qint64(width) * bitCount + 31) / 32) * 4;
    const qint64 needed = qint64(le32(data, 0)) + paletteBytes + colourRowBytes * height;
    if (data.size() < needed)
        picture.problem = u"its bitmap is cut short (%1 of %2 bytes)"_s.arg(data.size()).arg(needed);
    return picture;
}

IcoDirectory readIcoDirectory(const QByteArray &bytes, qint64 maxPixels) {
    IcoDirectory directory;
    if (bytes.size() < 6 || le16(bytes, 0) != 0 || (le16(bytes, 2) != 1 && le16(bytes, 2) != 2)) {
        directory.problem = u"is not an ICO file: its header is damaged"_s;
        return directory;
    }
    const int count = le16(bytes, 4);
    if (count == 0) {
        directory.problem = u"holds no picture"_s;
        return directory;
    }
    // Real icons hold a handful of pictures; a directory of thousands pointing at one large picture would
    // have it decoded thousands of times.
    if (count > maxIcoPictures) {
        directory.problem =
            u"its directory lists %1 pictures, more than the %2 the check reads"_s.arg(count).arg(
                maxIcoPictures);
        return directory;
    }
    if (6 + 16 * qsizetype(count) > bytes.size()) {
        directory.problem = u"is cut short: its directory lists %1 pictures"_s.arg(count);
        return directory;
    }
    for (int i = 0; i < count; ++i) {
        const qsizetype entry = 6 + 16 * qsizetype(i);
        const int width = uchar(bytes[entry]) ? uchar(bytes[entry]) : 256;
        const int height = uchar(bytes[entry + 1]) ? uchar(bytes[entry + 1]) : 256;
        IcoPicture picture{QSize(width, height), {}, {}};
        const quint32 length = le32(bytes, entry + 8);
        const quint32 offset = le32(bytes, entry + 12);
        if (offset < 6 + 16 * quint32(count) || offset > quint32(bytes.size()) ||
            length > quint32(bytes.size()) - offset) {
            picture.problem = u"runs past the end of the file"_s;
            directory.pictures.append(picture);
            continue;
        }
        const QByteArray data = QByteArray::fromRawData(bytes.constData() + offset, qsizetype(length));
        if (hasPngSignature(data)) {
            const Picture png = pngFacts(data, maxPixels);
            picture.real = png.size;
            if (png.damaged)
                picture.problem = u"its PNG is damaged: %1"_s.arg(png.problem);
        } else {
            const IcoPicture bitmap = bitmapPicture(data, picture.declared);
            picture.real = bitmap.real;
            picture.problem = bitmap.problem;
        }
        directory.pictures.append(picture);
    }
    return directory;
}

struct IcnsType {
    const char *code;
    int edge;
};

// The element types that hold a PNG (or JPEG 2000) picture, and the edge each one is for.
constexpr IcnsType pictureTypes[] = {
    {"icp4", 16}, {"icp5", 32}, {"icp6", 64},  {"ic07", 128}, {"ic08", 256}, {"ic09", 512}, {"ic10", 1024},
    {"ic11", 32}, {"ic12", 64}, {"ic13", 256}, {"ic14", 512}, {"ic04", 16},  {"ic05", 32},
};
// The 8-bit masks of the oldest types: one byte per pixel.
constexpr IcnsType maskTypes[] = {{"s8mk", 16}, {"l8mk", 32}, {"h8mk", 48}, {"t8mk", 128}};

} // namespace

std::optional<QList<QSize>> icoSizes(const QByteArray &bytes) {
    const IcoDirectory directory = readIcoDirectory(bytes, 0);
    if (!directory.problem.isEmpty())
        return std::nullopt;
    QList<QSize> sizes;
    for (const IcoPicture &picture : directory.pictures)
        if (picture.problem.isEmpty() && picture.real.isValid())
            sizes.append(picture.real);
    return sizes;
}

void checkIco(CheckContext &context, const QString &path, const QString &setFolder) {
    const auto bytes = readContainer(context, Rule::IcoEntry, path, setFolder);
    if (!bytes)
        return;
    const IcoDirectory directory =
        readIcoDirectory(*bytes, qMin(context.options().maxDecodedPixels, maxContainerPixels));
    if (!directory.problem.isEmpty()) {
        context.report(Rule::IcoEntry, setFolder, path, directory.problem);
        return;
    }
    for (qsizetype i = 0; i < directory.pictures.size(); ++i) {
        const IcoPicture &picture = directory.pictures[i];
        const QString which = u"picture %1 (%2)"_s.arg(i + 1).arg(sizeText(picture.declared));
        if (!picture.problem.isEmpty())
            context.report(Rule::IcoEntry, setFolder, path, which + u": "_s + picture.problem);
        else if (picture.real != picture.declared)
            context.report(Rule::IcoEntry, setFolder, path,
                           u"%1 holds a %2 picture"_s.arg(which, sizeText(picture.real)));
    }
}

void checkIcns(CheckContext &context, const QString &path, const QString &setFolder) {
    const auto read = readContainer(context, Rule::IcnsEntry, path, setFolder);
    if (!read)
        return;
    const QByteArray &bytes = *read;
    if (bytes.size() < 8 || !bytes.startsWith("icns")) {
        context.report(Rule::IcnsEntry, setFolder, path, u"is not an ICNS file: its header is damaged"_s);
        return;
    }
    const quint32 declaredLength = be32(bytes, 4);
    if (declaredLength > quint32(bytes.size())) {
        context.report(Rule::IcnsEntry, setFolder, path,
                       u"is cut short: its header says %1 bytes, the file has %2"_s.arg(declaredLength)
                           .arg(bytes.size()));
        return;
    }
    const qsizetype end = qMax<qsizetype>(8, declaredLength);
    qsizetype at = 8;
    int elements = 0;
    while (at < end) {
        if (at + 8 > end) {
            context.report(Rule::IcnsEntry, setFolder, path, u"its last element is cut short"_s);
            return;
        }
        const QByteArray type = bytes.mid(at, 4);
        const quint32 length = be32(bytes, at + 4);
        if (length < 8 || length > quint64(end - at)) {
            context.report(Rule::IcnsEntry, setFolder, path,
                           u"element %1 runs past the end of the file"_s.arg(QString::fromLatin1(type)));
            return;
        }
        ++elements;
        const QByteArray data = bytes.mid(at + 8, length - 8);
        const QString name = QString::fromLatin1(type);
        for (const IcnsType &picture : pictureTypes) {
            if (type != picture.code || !hasPngSignature(data))
                continue;
            const Picture png = pngFacts(data, qMin(context.options().maxDecodedPixels, maxContainerPixels));
            if (png.damaged)
                context.report(Rule::IcnsEntry, setFolder, path,
                               u"element %1: its PNG is damaged: %2"_s.arg(name, png.problem));
            else if (png.size != QSize(picture.edge, picture.edge))
                context.report(Rule::IcnsEntry, setFolder, path,
                               u"element %1 holds a %2 picture; the type is for %3"_s.arg(
                                   name, sizeText(png.size), sizeText(picture.edge)));
        }
        for (const IcnsType &mask : maskTypes) {
            if (type == mask.code && data.size() != qsizetype(mask.edge) * mask.edge)
                context.report(Rule::IcnsEntry, setFolder, path,
                               u"element %1 holds %2 bytes; a %3 mask has %4"_s.arg(name)
                                   .arg(data.size())
                                   .arg(sizeText(mask.edge))
                                   .arg(mask.edge * mask.edge));
        }
        at += length;
    }
    if (elements == 0)
        context.report(Rule::IcnsEntry, setFolder, path, u"holds no picture"_s);
}

} // namespace glyphon::check
