#include "SourceLoader.h"

#include "ImageCompleteness.h"
#include "PngDecoder.h"
#include "SvgRasteriser.h"

#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <libdeflate.h>

namespace glyphon {

using namespace Qt::StringLiterals;

namespace {

constexpr int svgLongerEdge = 1024;
// An SVG is read whole and parsed; a drawing bigger than this is no icon.
constexpr qint64 maxSvgBytes = 64 * 1024 * 1024;
// Room for the largest source decoded at 16 bits per channel; Qt's default would refuse a 5793 × 5793 one.
constexpr int allocationLimitMiB = int((maxSourcePixels * 8 + (1 << 20) - 1) >> 20);

Error damaged(const QString &path, const QString &detail) {
    return {ErrorKind::Damaged, path, u"the image data is damaged or incomplete (%1)"_s.arg(detail)};
}

bool isGzip(const QByteArray &data) {
    return data.startsWith("\x1f\x8b");
}

bool looksLikeSvg(const QString &path, const QByteArray &head) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"svg" || suffix == u"svgz")
        return true;
    QByteArray text = head;
    if (text.startsWith("\xef\xbb\xbf"))
        text.remove(0, 3);
    text = text.trimmed();
    return text.startsWith('<') && text.contains("<svg");
}

// Compressed SVG is inflated here so that it is cleaned like any other; the size in the gzip trailer
// bounds the output, and data that inflates to more than it says is refused.
std::optional<QByteArray> gunzip(const QByteArray &data) {
    if (data.size() < 18)
        return std::nullopt;
    const auto *tail = reinterpret_cast<const uchar *>(data.constData() + data.size() - 4);
    const quint32 size = tail[0] | tail[1] << 8 | tail[2] << 16 | quint32(tail[3]) << 24;
    if (size == 0 || size > maxSvgBytes)
        return std::nullopt;
    QByteArray inflated(qsizetype(size), Qt::Uninitialized);
    libdeflate_decompressor *decompressor = libdeflate_alloc_decompressor();
    if (!decompressor)
        return std::nullopt;
    size_t written = 0;
    const libdeflate_result result =
        libdeflate_gzip_decompress(decompressor, data.constData(), size_t(data.size()), inflated.data(),
                                   size_t(inflated.size()), &written);
    libdeflate_free_decompressor(decompressor);
    if (result != LIBDEFLATE_SUCCESS)
        return std::nullopt;
    inflated.truncate(qsizetype(written));
    return inflated;
}

// The document's text, inflated when compressed.
Result<QByteArray> readSvg(const QString &path, QFile &file) {
    if (file.size() > maxSvgBytes)
        return Error{ErrorKind::TooLarge, path,
                     u"the SVG file is larger than %1 MB"_s.arg(maxSvgBytes >> 20)};
    if (!file.seek(0))
        return Error{ErrorKind::Unreadable, path, u"cannot read the file (%1)"_s.arg(file.errorString())};
    QByteArray bytes = file.readAll();
    if (isGzip(bytes)) {
        const auto inflated = gunzip(bytes);
        if (!inflated)
            return Error{ErrorKind::Damaged, path, u"the compressed SVG data is damaged or too large"_s};
        bytes = *inflated;
    }
    return bytes;
}

Result<Image> loadSvg(const QString &path, QFile &file) {
    const Result<QByteArray> bytes = readSvg(path, file);
    if (!bytes)
        return bytes.error();
    const Result<QImage> picture = rasteriseSvg(*bytes, svgLongerEdge);
    if (!picture)
        return picture.error().withPath(path);
    return Image(*picture);
}

bool hasTooManyPixels(QSize size) {
    return qint64(size.width()) * size.height() > maxSourcePixels;
}

// Qt attaches a file's colour profile without converting; icons are sRGB, so convert once here. The
// conversion runs on straight alpha at the decoded depth so nothing is lost before it.
QImage inSrgb(QImage image) {
    const QColorSpace space = image.colorSpace();
    if (!space.isValid() || space == QColorSpace(QColorSpace::SRgb))
        return image;
    image.convertTo(image.depth() > 32 ? QImage::Format_RGBA64 : QImage::Format_ARGB32);
    image.convertToColorSpace(QColorSpace::SRgb);
    return image;
}

// The plain PNGs that large sources usually are skip Qt's reader, which is several times slower;
// nullopt hands the file to the general road, its position back at the start. The file is read rather
// than mapped: a mapped file cut short by an editor saving over it would crash the program.
std::optional<Result<Image>> loadPlainPng(const QString &path, QFile &file) {
    // A file this large holds far more than a source's pixels; the streaming reader judges it.
    constexpr qint64 maxPlainPngBytes = qint64(2) << 30;
    if (file.isSequential() || file.size() > maxPlainPngBytes ||
        !file.peek(8).startsWith("\x89PNG\r\n\x1a\n"))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (!file.seek(0))
        return Result<Image>(
            Error{ErrorKind::Unreadable, path, u"cannot read the file (%1)"_s.arg(file.errorString())});
    const auto decoded = decodePlainPng(bytes);
    if (!decoded)
        return std::nullopt;
    if (*decoded)
        return Result<Image>(Image(**decoded));
    const Error &error = decoded->error();
    return Result<Image>(error.kind == ErrorKind::Damaged ? damaged(path, error.message)
                                                          : error.withPath(path));
}

} // namespace

Error tooManyPixels(QSize size) {
    const QString reason =
        u"the image is %1×%2 pixels; a source may have at most %3 pixels (16383×16383)"_s.arg(size.width())
            .arg(size.height())
            .arg(maxSourcePixels);
    return {ErrorKind::TooLarge, {}, reason};
}

QByteArray svgSourceText(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !looksLikeSvg(path, file.peek(4096)))
        return {};
    const Result<QByteArray> bytes = readSvg(path, file);
    if (!bytes)
        return {};
    return withoutExternalReferences(*bytes).valueOr({});
}

Result<Image> loadSourceImage(const QString &path) {
    const QFileInfo info(path);
    if (!info.exists())
        return Error{ErrorKind::NotFound, path, u"no such file"_s};
    if (info.isDir())
        return Error{ErrorKind::NotAFile, path, u"is a folder, not an image file"_s};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Error{ErrorKind::Unreadable, path, u"cannot open the file (%1)"_s.arg(file.errorString())};
    if (looksLikeSvg(path, file.peek(4096)))
        return loadSvg(path, file);
    if (auto plain = loadPlainPng(path, file))
        return std::move(*plain);

    QImageReader reader(&file);
    const QByteArray format = reader.format();
    // Qt's own SVG reader would follow external references; such files take the cleaned road.
    if (format == "svg" || format == "svgz")
        return loadSvg(path, file);
    if (format.isEmpty())
        return Error{ErrorKind::Unsupported, path, u"not an image in a format this program can read"_s};
    reader.setAutoTransform(true);
    reader.setAllocationLimit(allocationLimitMiB);
    const QSize declared = reader.size();
    if (declared.isValid() && hasTooManyPixels(declared))
        return tooManyPixels(declared).withPath(path);

    QImage image;
    // Some readers hand back a partial picture with their failure; it is still a failure.
    if (!reader.read(&image) || image.isNull())
        return damaged(path, reader.errorString());
    if (hasTooManyPixels(image.size()))
        return tooManyPixels(image.size()).withPath(path);
    if (!hasCompleteImageData(format, file))
        return damaged(path, u"the file ends early"_s);
    return Image(inSrgb(image));
}

} // namespace glyphon
