#include "WebIconWriter.h"

#include "FileOps.h"
#include "RenderJobs.h"
#include "imaging/Renderer.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QtEndian>
#include <optional>

namespace glyphon {

namespace {

struct SizeGroup {
    QString prefix;
    QList<int> edges;
};

const QList<SizeGroup> &sizeTable() {
    static const QList<SizeGroup> table = {
        {QStringLiteral("android-icon"), {36, 48, 72, 96, 144, 192}},
        {QStringLiteral("apple-icon"), {57, 60, 72, 76, 114, 120, 144, 152, 180}},
        {QStringLiteral("ms-icon"), {70, 144, 150, 310}},
        {QStringLiteral("favicon"), {16, 32, 96}},
    };
    return table;
}

// The apple-touch-icon without a size in its name is served to browsers that ask for the largest one.
constexpr int appleIconEdge = 192;

void appendLe16(QByteArray &bytes, quint16 value) {
    char raw[2];
    qToLittleEndian(value, raw);
    bytes.append(raw, 2);
}

void appendLe32(QByteArray &bytes, quint32 value) {
    char raw[4];
    qToLittleEndian(value, raw);
    bytes.append(raw, 4);
}

// One ICONDIR entry holding a 32-bit BMP: every ICO reader since Windows XP shows its alpha, which
// is not true of embedded PNGs at small sizes.
QByteArray icoBytes(const QImage &bitmap) {
    const QImage straight = bitmap.convertToFormat(QImage::Format_ARGB32);
    const int w = straight.width();
    const int h = straight.height();
    const qsizetype maskStride = ((w + 31) / 32) * 4;
    const qsizetype pixelBytes = qsizetype(w) * h * 4;
    const qsizetype maskBytes = maskStride * h;
    const quint32 dibBytes = quint32(40 + pixelBytes + maskBytes);
    const quint32 dibOffset = 6 + 16;

    QByteArray bytes;
    bytes.reserve(dibOffset + dibBytes);
    appendLe16(bytes, 0); // reserved
    appendLe16(bytes, 1); // type: icon
    appendLe16(bytes, 1); // image count

    bytes.append(char(w == 256 ? 0 : w)); // 0 stands for 256
    bytes.append(char(h == 256 ? 0 : h));
    bytes.append(char(0)); // no palette
    bytes.append(char(0)); // reserved
    appendLe16(bytes, 1);  // colour planes
    appendLe16(bytes, 32); // bits per pixel
    appendLe32(bytes, dibBytes);
    appendLe32(bytes, dibOffset);

    // The DIB's height counts the colour rows and the AND-mask rows together.
    appendLe32(bytes, 40);
    appendLe32(bytes, quint32(w));
    appendLe32(bytes, quint32(2 * h));
    appendLe16(bytes, 1);
    appendLe16(bytes, 32);
    appendLe32(bytes, 0); // BI_RGB
    appendLe32(bytes, quint32(pixelBytes + maskBytes));
    appendLe32(bytes, 0);
    appendLe32(bytes, 0);
    appendLe32(bytes, 0);
    appendLe32(bytes, 0);

    // Rows are stored bottom-up.
    for (int y = h - 1; y >= 0; --y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(straight.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            bytes.append(char(qBlue(row[x])));
            bytes.append(char(qGreen(row[x])));
            bytes.append(char(qRed(row[x])));
            bytes.append(char(qAlpha(row[x])));
        }
    }
    // Readers that ignore the alpha channel fall back on the mask: set bits are transparent.
    for (int y = h - 1; y >= 0; --y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(straight.constScanLine(y));
        QByteArray maskRow(maskStride, '\0');
        for (int x = 0; x < w; ++x) {
            if (qAlpha(row[x]) == 0)
                maskRow[x / 8] = char(maskRow[x / 8] | (0x80 >> (x % 8)));
        }
        bytes.append(maskRow);
    }
    return bytes;
}

// The resource's text in whatever encoding it carries, as UTF-8; nothing (and a reason) when it
// is missing from the build or not text.
std::optional<QByteArray> resourceText(const QString &resource, QString *error) {
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("The resource \"%1\" couldn't be read: %2").arg(resource, file.errorString());
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    QStringDecoder decode(QStringConverter::encodingForData(bytes).value_or(QStringConverter::Utf8));
    const QString text = decode(bytes);
    if (decode.hasError()) {
        *error = QStringLiteral("The resource \"%1\" couldn't be read: it isn't valid text").arg(resource);
        return std::nullopt;
    }
    return text.toUtf8();
}

} // namespace

int writeWebIcons(const Image &image, const QString &outputFolder, const FailureSink &sink, int *written) {
    FailureCounter fail(sink, written);

    const QDir folder(QDir(outputFolder).filePath(QStringLiteral("FavIcon")));
    QString error;
    if (!makeFolder(folder.path(), &error)) {
        fail(error);
        return fail.count();
    }

    QStringList names;
    QList<int> edges;
    for (const SizeGroup &group : sizeTable()) {
        for (const int edge : group.edges) {
            names.append(QStringLiteral("%1-%2x%2.png").arg(group.prefix).arg(edge));
            edges.append(edge);
        }
    }
    names.append(QStringLiteral("apple-icon.png"));
    edges.append(appleIconEdge);
    const QList<QByteArray> pngs = renderPngs(image, edges);

    for (qsizetype i = 0; i < names.size(); ++i) {
        if (!pngs.at(i).isEmpty())
            fail.tally(writeFile(folder.filePath(names.at(i)), pngs.at(i), &error), error);
    }

    // A favicon.ico that silently fails to appear would leave the run reporting success.
    fail.tally(writeIco(folder.filePath(QStringLiteral("favicon.ico")), 16, 16, image, &error), error);

    // The browser configuration only follows a manifest that made it to disk.
    const auto manifest = resourceText(QStringLiteral(":/web/favicon_android_manifest.json"), &error);
    const bool manifestWritten =
        manifest && writeFile(folder.filePath(QStringLiteral("manifest.json")), *manifest, &error);
    fail.tally(manifestWritten, error);
    if (!manifestWritten)
        return fail.count();
    const auto browserConfig = resourceText(QStringLiteral(":/web/browser_config.xml"), &error);
    fail.tally(browserConfig &&
                   writeFile(folder.filePath(QStringLiteral("browser_config.xml")), *browserConfig, &error),
               error);
    return fail.count();
}

bool writeIco(const QString &path, double width, double height, const Image &image, QString *error) {
    const auto icon = resizeImage(image, width, height);
    if (!icon) {
        if (error)
            *error =
                QStringLiteral("The icon \"%1\" couldn't be rendered at %2×%3")
                    .arg(QDir::toNativeSeparators(path), QString::number(width), QString::number(height));
        return false;
    }
    // An ICO entry stores each edge in one byte, with 0 meaning 256.
    if (icon->pixelWidth() > 256 || icon->pixelHeight() > 256) {
        if (error)
            *error = QStringLiteral("The icon \"%1\" couldn't be saved: an ICO image is at most 256×256")
                         .arg(QDir::toNativeSeparators(path));
        return false;
    }
    return writeFile(path, icoBytes(icon->bitmap()), error);
}

} // namespace glyphon
