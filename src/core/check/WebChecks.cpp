#include "check/CheckContext.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>
#include <cmath>

namespace glyphon::check {

using namespace Qt::StringLiterals;

namespace {

// A URL of a manifest or a page as a file of the folder: relative to the file that names it, and a
// path from the site's root relative to the web folder. Nothing for other sites, data and the outside.
QString localFile(const CheckContext &context, const QString &webFolder, const QString &namingFile,
                  const QString &url) {
    QString path = url.section(u'#', 0, 0).section(u'?', 0, 0);
    if (path.isEmpty() || path.startsWith(u"//"_s) || QUrl(path).scheme().size() > 1)
        return {};
    path = QUrl::fromPercentEncoding(path.toUtf8());
    const QString base = path.startsWith(u'/') ? webFolder : QFileInfo(namingFile).path();
    const QString file = QDir::cleanPath(base + u'/' + path);
    return file.startsWith(context.rootPath() + u'/') ? file : QString();
}

std::optional<QSize> sizeToken(const QString &token) {
    const QStringList parts = token.toLower().split(u'x');
    bool okWidth = false, okHeight = false;
    if (parts.size() != 2)
        return std::nullopt;
    const int width = parts[0].toInt(&okWidth);
    const int height = parts[1].toInt(&okHeight);
    if (!okWidth || !okHeight)
        return std::nullopt;
    return QSize(width, height);
}

bool differs(QRgb a, QRgb b) {
    constexpr int tolerance = 32;
    if (qAlpha(a) == 0 && qAlpha(b) == 0)
        return false;
    return std::abs(qAlpha(a) - qAlpha(b)) > tolerance || std::abs(qRed(a) - qRed(b)) > tolerance ||
           std::abs(qGreen(a) - qGreen(b)) > tolerance || std::abs(qBlue(a) - qBlue(b)) > tolerance;
}

// The farthest art from the centre as a fraction of the width, art being what differs from the
// background the four corners share; nothing when the corners differ (no plain background to tell
// art from) or the picture cannot be decoded.
std::optional<double> farthestArt(const QImage &image) {
    if (image.isNull() || image.width() != image.height())
        return std::nullopt;
    const int edge = image.width();
    const QRgb background = image.pixel(0, 0);
    for (const QPoint corner : {QPoint(edge - 1, 0), QPoint(0, edge - 1), QPoint(edge - 1, edge - 1)})
        if (differs(image.pixel(corner), background))
            return std::nullopt;
    const double centre = edge / 2.0;
    double farthest = 0;
    for (int y = 0; y < edge; ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < edge; ++x) {
            if (!differs(row[x], background))
                continue;
            farthest = std::max(farthest, std::hypot(x + 0.5 - centre, y + 0.5 - centre));
        }
    }
    return farthest / edge;
}

struct TouchIcon {
    QString path;
    bool takenByDefault = false; // the name iOS asks for, or a link without sizes
};

class WebFolderCheck {
public:
    WebFolderCheck(CheckContext &context, const QString &folder) : m_context(context), m_folder(folder) {}

    void manifest(const QString &path) {
        const QString name = QFileInfo(path).fileName();
        const auto document = m_context.readJson(Rule::WebManifestJson, m_folder, path);
        if (!document)
            return;
        if (!document->isObject()) {
            m_context.report(Rule::WebManifestJson, m_folder, path, u"is not a JSON object"_s);
            return;
        }
        const QJsonObject root = document->object();
        // A browser extension's manifest.json shares the name, not the format.
        if (root.contains(u"manifest_version"_s))
            return;
        bool has192 = false, has512 = false;
        for (const QJsonValue &value : root.value(u"icons"_s).toArray()) {
            const QJsonObject icon = value.toObject();
            const QString src = icon.value(u"src"_s).toString();
            const QString file = localFile(m_context, m_folder, path, src);
            if (file.isEmpty() || QFileInfo(file).isSymLink())
                continue;
            if (!QFileInfo(file).exists()) {
                m_context.report(Rule::WebManifestFile, m_folder, file,
                                 u"is listed in %1 but is missing"_s.arg(name));
                continue;
            }
            const QStringList purposes = icon.value(u"purpose"_s).toString().split(u' ', Qt::SkipEmptyParts);
            const bool anyPurpose = purposes.isEmpty() || purposes.contains(u"any"_s);
            const QString declaredText = icon.value(u"sizes"_s).toString();
            QList<QSize> declared;
            bool anySize = false;
            for (const QString &token : declaredText.split(u' ', Qt::SkipEmptyParts)) {
                if (token.compare(u"any"_s, Qt::CaseInsensitive) == 0)
                    anySize = true;
                else if (const auto size = sizeToken(token))
                    declared.append(*size);
            }
            const auto real = m_context.measuredSize(m_folder, file);
            if (real && !declared.isEmpty() && !declared.contains(*real)) {
                m_context.report(
                    Rule::WebDeclaredSize, m_folder, file,
                    u"is %1 pixels; %2 declares \"%3\""_s.arg(sizeText(*real), name, declaredText));
                continue;
            }
            const bool vector = !real && QFileInfo(file).suffix().compare(u"svg"_s, Qt::CaseInsensitive) == 0;
            const auto covers = [&](int edge) {
                return declared.contains(QSize(edge, edge)) || (vector && anySize);
            };
            if (anyPurpose) {
                has192 = has192 || covers(192);
                has512 = has512 || covers(512);
            }
            if (purposes.contains(u"maskable"_s))
                maskable(file);
        }
        if (!has192)
            m_context.report(Rule::WebInstallSizes, m_folder, path,
                             u"lists no 192×192 icon; Chrome needs one to install the app"_s);
        if (!has512)
            m_context.report(Rule::WebInstallSizes, m_folder, path,
                             u"lists no 512×512 icon; Chrome needs one to install the app"_s);
    }

    void favicon() {
        const QString path = m_folder + u"/favicon.ico"_s;
        const QFileInfo info(path);
        if (!info.isFile() || info.isSymLink() || !m_context.isInside(path) ||
            info.size() > m_context.options().maxImageBytes)
            return;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return; // the container check says why
        const auto sizes = icoSizes(file.readAll());
        if (!sizes)
            return;
        QStringList missing;
        for (const int edge : {16, 32, 48})
            if (!sizes->contains(QSize(edge, edge)))
                missing.append(QString::number(edge));
        if (!missing.isEmpty())
            m_context.report(Rule::WebFaviconSizes, m_folder, path,
                             u"has no %1 px picture; browsers ask for 16, 32 and 48 px"_s.arg(
                                 missing.size() == 1 ? missing[0]
                                                     : missing.mid(0, missing.size() - 1).join(u", "_s) +
                                                           u" or "_s + missing.last()));
    }

    void touchIcons() {
        QList<TouchIcon> icons = linkedTouchIcons();
        if (icons.isEmpty())
            icons = namedTouchIcons();
        if (icons.isEmpty())
            return;
        bool has180 = false;
        bool reported = false;
        for (const TouchIcon &icon : icons) {
            const auto size = m_context.measuredSize(m_folder, icon.path);
            has180 = has180 || size == QSize(180, 180);
            if (icon.takenByDefault && size && *size != QSize(180, 180)) {
                m_context.report(
                    Rule::WebTouchIconSize, m_folder, icon.path,
                    u"is %1 pixels; iOS takes it by default and shows 180×180"_s.arg(sizeText(*size)));
                reported = true;
            }
            if ((icon.takenByDefault || size == QSize(180, 180)) && hasTransparency(icon.path))
                m_context.report(Rule::WebTouchIconAlpha, m_folder, icon.path,
                                 u"has transparent pixels; iOS shows them black"_s);
        }
        if (!has180 && !reported)
            m_context.report(Rule::WebTouchIconSize, m_folder, icons.first().path,
                             u"no apple-touch-icon is 180×180; iPhones scale another one up"_s);
    }

private:
    void maskable(const QString &path) {
        const auto reach = farthestArt(m_context.pixels(path));
        // Art may touch the circle's edge by a pixel of antialiasing.
        const int edge = m_context.picture(path).size.width();
        if (!reach || edge <= 0 || *reach <= 0.4 + 1.0 / edge)
            return;
        m_context.report(
            Rule::WebMaskableSafeZone, m_folder, path,
            u"has art outside its central 80 % circle (it reaches %1 % of the width from the centre, "
            "the safe zone 40 %); launchers may cut it off"_s.arg(std::lround(*reach * 100)));
    }

    bool hasTransparency(const QString &path) {
        const QImage image = m_context.pixels(path);
        for (int y = 0; y < image.height(); ++y) {
            const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(row[x]) < 255)
                    return true;
        }
        return false;
    }

    // The icons the folder's pages link as apple-touch-icon, in page order.
    QList<TouchIcon> linkedTouchIcons() {
        static const QRegularExpression linkTag(u"<link\\b[^>]*>"_s,
                                                QRegularExpression::CaseInsensitiveOption);
        QList<TouchIcon> icons;
        QSet<QString> seen;
        const QFileInfoList pages =
            QDir(m_folder).entryInfoList({u"*.html"_s, u"*.htm"_s}, QDir::Files, QDir::Name);
        for (const QFileInfo &page : pages) {
            if (page.isSymLink())
                continue;
            const auto bytes = m_context.readText(m_folder, page.filePath());
            if (!bytes)
                continue;
            const QString text = QString::fromUtf8(*bytes);
            for (auto it = linkTag.globalMatch(text); it.hasNext();) {
                const QString tag = it.next().captured();
                const QStringList rel = attribute(tag, u"rel"_s).toLower().split(u' ', Qt::SkipEmptyParts);
                if (!rel.contains(u"apple-touch-icon"_s) && !rel.contains(u"apple-touch-icon-precomposed"_s))
                    continue;
                const QString href = attribute(tag, u"href"_s);
                const QString file = localFile(m_context, m_folder, page.filePath(), href);
                if (file.isEmpty() || seen.contains(file) || QFileInfo(file).isSymLink())
                    continue;
                seen.insert(file);
                if (!QFileInfo(file).exists()) {
                    m_context.report(
                        Rule::WebManifestFile, m_folder, file,
                        u"is linked as apple-touch-icon in %1 but is missing"_s.arg(page.fileName()));
                    continue;
                }
                icons.append({file, attribute(tag, u"sizes"_s).isEmpty()});
            }
        }
        return icons;
    }

    // Without a page, the files named the way touch icons are.
    QList<TouchIcon> namedTouchIcons() {
        QList<TouchIcon> icons;
        const QFileInfoList files = QDir(m_folder).entryInfoList(QDir::Files, QDir::Name);
        for (const QFileInfo &file : files) {
            if (file.isSymLink() || !isTouchIconName(file.fileName()))
                continue;
            const QString lower = file.fileName().toLower();
            icons.append({file.filePath(), lower == u"apple-touch-icon.png"_s ||
                                               lower == u"apple-touch-icon-precomposed.png"_s});
        }
        return icons;
    }

    static QString attribute(const QString &tag, const QString &name) {
        const QRegularExpression pattern(u"\\b%1\\s*=\\s*(\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"_s.arg(name),
                                         QRegularExpression::CaseInsensitiveOption);
        const auto match = pattern.match(tag);
        if (!match.hasMatch())
            return {};
        for (int group = 2; group <= 4; ++group)
            if (match.capturedLength(group) > 0)
                return match.captured(group);
        return {};
    }

    CheckContext &m_context;
    QString m_folder;
};

} // namespace

void checkWebFolder(CheckContext &context, const QString &folder, const QStringList &manifests) {
    WebFolderCheck check(context, folder);
    for (const QString &manifest : manifests)
        check.manifest(manifest);
    check.favicon();
    check.touchIcons();
}

} // namespace glyphon::check
