#include "check/CheckContext.h"

#include <QSet>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <functional>

namespace glyphon::check {

using namespace Qt::StringLiterals;

namespace {

const QString androidNamespace = u"http://schemas.android.com/apk/res/android"_s;

struct Density {
    const char16_t *name;
    double factor;
};

// The densities a launcher icon is drawn for, mdpi first; ldpi and tvdpi are measured when present but
// never asked for.
constexpr Density launcherDensities[] = {
    {u"mdpi", 1.0}, {u"hdpi", 1.5}, {u"xhdpi", 2.0}, {u"xxhdpi", 3.0}, {u"xxxhdpi", 4.0},
};
constexpr Density otherDensities[] = {{u"ldpi", 0.75}, {u"tvdpi", 4.0 / 3.0}};

// The density qualifier of a resource folder ("mipmap-xxhdpi-v4" → xxhdpi), if it has one.
std::optional<Density> folderDensity(const QString &folderName) {
    const QStringList qualifiers = folderName.split(u'-').mid(1);
    for (const QString &qualifier : qualifiers) {
        for (const Density &density : launcherDensities)
            if (qualifier == QStringView(density.name))
                return density;
        for (const Density &density : otherDensities)
            if (qualifier == QStringView(density.name))
                return density;
    }
    return std::nullopt;
}

int pixelsFor(double dp, double factor) {
    return int(std::lround(dp * factor));
}

// A resource's name is its file name up to the first dot ("ic_launcher.9.png" → ic_launcher).
QString resourceName(const QString &fileName) {
    return fileName.section(u'.', 0, 0);
}

// "@mipmap/ic_launcher_foreground" → {mipmap, ic_launcher_foreground}; nothing for the platform's own
// resources and theme attributes, which every device has.
std::optional<std::pair<QString, QString>> resourceReference(const QString &text) {
    if (!text.startsWith(u'@') || text.startsWith(u"@android:"_s) || text.startsWith(u"@null"_s))
        return std::nullopt;
    const QString body = text.mid(1);
    const qsizetype slash = body.indexOf(u'/');
    if (slash <= 0)
        return std::nullopt;
    return std::pair{body.left(slash).section(u':', -1), body.mid(slash + 1)};
}

struct AdaptiveIcon {
    QString path;
    QList<std::pair<QString, QString>> layers; // ("background", its android:drawable), … in document order

    bool has(const QString &layer) const {
        return std::any_of(layers.cbegin(), layers.cend(),
                           [&](const auto &each) { return each.first == layer; });
    }
};

class AndroidCheck {
public:
    AndroidCheck(CheckContext &context, const QString &resFolder, const QString &setFolder)
        : m_context(context), m_res(resFolder), m_set(setFolder) {}

    void run() {
        index();
        QList<AdaptiveIcon> icons;
        for (const QString &path : m_adaptiveCandidates)
            if (auto icon = readAdaptiveIcon(path))
                icons.append(*icon);

        QSet<QString> layerNames;
        for (const AdaptiveIcon &icon : icons) {
            for (const auto &[layer, drawable] : icon.layers) {
                const auto reference = resourceReference(drawable);
                if (!reference)
                    continue;
                if (!exists(reference->first, reference->second)) {
                    m_context.report(
                        Rule::AndroidMissingResource, m_set, icon.path,
                        u"names %1 as its %2, which the resources do not have"_s.arg(drawable, layer));
                    continue;
                }
                // Icons usually share their layers (ic_launcher and ic_launcher_round): each is measured
                // once.
                const bool measured = layerNames.contains(reference->second);
                layerNames.insert(reference->second);
                if (!measured && layer != u"monochrome"_s &&
                    (reference->first == u"mipmap"_s || reference->first == u"drawable"_s))
                    layerSizes(reference->first, reference->second);
            }
            if (!icon.has(u"monochrome"_s))
                m_context.report(
                    Rule::AndroidMonochrome, m_set, icon.path,
                    u"has no <monochrome> layer; Android 13 and later cannot show it as a themed icon"_s);
        }

        QStringList launcherNames;
        for (const AdaptiveIcon &icon : icons)
            launcherNames.append(resourceName(QFileInfo(icon.path).fileName()));
        if (icons.isEmpty()) {
            for (const QString &name : m_legacyBitmaps)
                if (!layerNames.contains(name))
                    launcherNames.append(name);
            if (!launcherNames.isEmpty())
                m_context.report(
                    Rule::AndroidNoAdaptive, m_set, m_res,
                    u"has launcher icons but no adaptive icon (mipmap-anydpi-v26); Android 8 and later "
                    "shrink them onto a plate"_s);
        }
        launcherNames.removeDuplicates();
        launcherNames.sort();
        for (const QString &name : launcherNames)
            legacySizes(name, !icons.isEmpty());
    }

private:
    // The resource files by type and name, and the adaptive icons' XML.
    void index() {
        const QFileInfoList folders =
            QDir(m_res).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo &folder : folders) {
            if (folder.isSymLink())
                continue;
            const QString type = folder.fileName().section(u'-', 0, 0);
            const bool anyDensity = folder.fileName().startsWith(u"mipmap-anydpi"_s);
            const QFileInfoList files = QDir(folder.filePath()).entryInfoList(QDir::Files, QDir::Name);
            for (const QFileInfo &file : files) {
                if (file.isSymLink())
                    continue;
                const QString name = resourceName(file.fileName());
                m_files[type][name].append(file.filePath());
                if (type == u"values"_s && file.suffix() == u"xml"_s)
                    m_valueFiles.append(file.filePath());
                if (anyDensity && file.suffix() == u"xml"_s)
                    m_adaptiveCandidates.append(file.filePath());
                if (type == u"mipmap"_s && folderDensity(folder.fileName()) &&
                    (file.suffix() == u"png"_s || file.suffix() == u"webp"_s) &&
                    !m_legacyBitmaps.contains(name))
                    m_legacyBitmaps.append(name);
            }
        }
    }

    enum class XmlWalk { Done, Stopped, Failed };

    // Reads an XML file and hands each start element, with its depth (the root is 1), to onStart, until it
    // returns false. A DTD (whose entities the check never expands) and a well-formedness error are
    // findings and end the walk as Failed.
    XmlWalk walkXml(const QString &path, const std::function<bool(const QXmlStreamReader &, int)> &onStart) {
        const auto bytes = m_context.readText(m_set, path);
        if (!bytes)
            return XmlWalk::Failed;
        QXmlStreamReader xml(*bytes);
        int depth = 0;
        while (!xml.atEnd()) {
            const auto token = xml.readNext();
            if (token == QXmlStreamReader::DTD) {
                m_context.report(Rule::AndroidAdaptiveXml, m_set, path,
                                 u"declares a DTD; the check never expands XML entities"_s);
                return XmlWalk::Failed;
            }
            if (token == QXmlStreamReader::EndElement)
                --depth;
            if (token == QXmlStreamReader::StartElement && !onStart(xml, ++depth))
                return XmlWalk::Stopped;
        }
        if (xml.hasError()) {
            m_context.report(
                Rule::AndroidAdaptiveXml, m_set, path,
                u"is not well-formed XML: %1 (line %2)"_s.arg(xml.errorString()).arg(xml.lineNumber()));
            return XmlWalk::Failed;
        }
        return XmlWalk::Done;
    }

    // The XML's root and its three layers, or nothing when it is no adaptive icon or cannot be read.
    std::optional<AdaptiveIcon> readAdaptiveIcon(const QString &path) {
        AdaptiveIcon icon{path, {}};
        const XmlWalk walk = walkXml(path, [&icon](const QXmlStreamReader &xml, int depth) {
            if (depth == 1 && xml.name() != u"adaptive-icon"_s)
                return false;
            if (depth == 2 && (xml.name() == u"background"_s || xml.name() == u"foreground"_s ||
                               xml.name() == u"monochrome"_s))
                icon.layers.append({xml.name().toString(),
                                    xml.attributes().value(androidNamespace, u"drawable"_s).toString()});
            return true;
        });
        if (walk != XmlWalk::Done)
            return std::nullopt;
        return icon;
    }

    bool exists(const QString &type, const QString &name) {
        if (m_files.value(type).contains(name))
            return true;
        if (type != u"color"_s)
            return false;
        if (!m_colorsRead) {
            m_colorsRead = true;
            for (const QString &path : m_valueFiles)
                readColors(path);
        }
        return m_colors.contains(name);
    }

    void readColors(const QString &path) {
        walkXml(path, [this](const QXmlStreamReader &xml, int) {
            if (xml.name() == u"color"_s)
                m_colors.insert(xml.attributes().value(u"name"_s).toString());
            return true;
        });
    }

    void layerSizes(const QString &type, const QString &name) {
        for (const QString &path : m_files.value(type).value(name)) {
            const QFileInfo file(path);
            const QString folderName = file.dir().dirName();
            if (file.suffix() == u"xml"_s) {
                vectorSize(path);
                continue;
            }
            const auto density = folderDensity(folderName);
            if (!density)
                continue;
            const auto size = m_context.measuredSize(m_set, path);
            const int edge = pixelsFor(108, density->factor);
            if (size && *size != QSize(edge, edge))
                m_context.report(Rule::AndroidLayerSize, m_set, path,
                                 u"is %1 pixels; a layer at %2 is 108 dp = %3"_s.arg(
                                     sizeText(*size), QStringView(density->name).toString(), sizeText(edge)));
        }
    }

    // A vector layer declares its size in dp on its root element.
    void vectorSize(const QString &path) {
        walkXml(path, [&](const QXmlStreamReader &xml, int) {
            if (xml.name() != u"vector"_s)
                return false;
            const QString width = xml.attributes().value(androidNamespace, u"width"_s).toString();
            const QString height = xml.attributes().value(androidNamespace, u"height"_s).toString();
            if (width != u"108dp"_s || height != u"108dp"_s)
                m_context.report(Rule::AndroidLayerSize, m_set, path,
                                 u"is a vector of %1 × %2; a layer is 108dp × 108dp"_s.arg(width, height));
            return false;
        });
    }

    void legacySizes(const QString &name, bool adaptive) {
        const QFileInfoList folders =
            QDir(m_res).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const Density &density : launcherDensities) {
            const int edge = pixelsFor(48, density.factor);
            const QString densityName = QStringView(density.name).toString();
            QString found;
            for (const QFileInfo &folder : folders) {
                const auto folderDensityFound = folderDensity(folder.fileName());
                if (!folder.fileName().startsWith(u"mipmap-"_s) || !folderDensityFound ||
                    QStringView(folderDensityFound->name) != QStringView(density.name))
                    continue;
                for (const char16_t *suffix : {u".png", u".webp"}) {
                    const QString path = folder.filePath() + u'/' + name + QString::fromUtf16(suffix);
                    if (QFileInfo(path).isFile() || QFileInfo(path).isSymLink())
                        found = path;
                }
            }
            if (found.isEmpty()) {
                m_context.report(Rule::AndroidLegacySize, m_set,
                                 m_res + u"/mipmap-"_s + densityName + u'/' + name + u".png"_s,
                                 u"is missing; %1 at %2 scale another size (48 dp = %3)"_s.arg(
                                     adaptive ? u"devices before Android 8"_s : u"devices"_s, densityName,
                                     sizeText(edge)));
                continue;
            }
            const auto size = m_context.measuredSize(m_set, found);
            if (size && *size != QSize(edge, edge))
                m_context.report(Rule::AndroidLegacySize, m_set, found,
                                 u"is %1 pixels; a launcher icon at %2 is 48 dp = %3"_s.arg(
                                     sizeText(*size), densityName, sizeText(edge)));
        }
    }

    CheckContext &m_context;
    QString m_res;
    QString m_set;
    QHash<QString, QHash<QString, QStringList>> m_files;
    QStringList m_valueFiles;
    QStringList m_adaptiveCandidates;
    QStringList m_legacyBitmaps;
    QSet<QString> m_colors;
    bool m_colorsRead = false;
};

} // namespace

void checkAndroidResources(CheckContext &context, const QString &resFolder, const QString &setFolder) {
    AndroidCheck(context, resFolder, setFolder).run();
}

void checkPlayIcon(CheckContext &context, const QString &path, const QString &setFolder) {
    if (!context.reportUnusablePng(Rule::AndroidPlayIcon, Rule::AndroidPlayIcon, setFolder, path, {},
                                   u"is not a PNG; Google Play takes a 32-bit PNG"_s))
        return;
    const QSize size = context.picture(path).size;
    if (size != QSize(512, 512))
        context.report(Rule::AndroidPlayIcon, setFolder, path,
                       u"is %1 pixels; Google Play takes 512×512"_s.arg(sizeText(size)));
    const qint64 bytes = QFileInfo(path).size();
    if (bytes > 1024 * 1024)
        context.report(Rule::AndroidPlayIcon, setFolder, path,
                       u"is %1 KB; Google Play takes at most 1024 KB"_s.arg((bytes + 1023) / 1024));
}

} // namespace glyphon::check
