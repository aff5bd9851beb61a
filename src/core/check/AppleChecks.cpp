#include "check/CheckContext.h"

#include "catalog/FormatCatalog.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSet>
#include <cmath>

namespace glyphon::check {

using namespace Qt::StringLiterals;

namespace {

// "83.5x83.5" → 83.5; nothing for anything that is not two equal positive numbers.
std::optional<float> pointSize(const QString &text) {
    const QStringList parts = text.split(u'x');
    if (parts.size() != 2 || parts[0] != parts[1])
        return std::nullopt;
    bool ok = false;
    const float value = parts[0].toFloat(&ok);
    if (!ok || !std::isfinite(value) || value <= 0 || value > 100000)
        return std::nullopt;
    return value;
}

// "2x" → 2; an entry without a scale is 1x.
std::optional<int> scaleFactor(const QJsonValue &value) {
    if (value.isUndefined())
        return 1;
    const QString text = value.toString();
    if (!text.endsWith(u'x'))
        return std::nullopt;
    bool ok = false;
    const int factor = text.chopped(1).toInt(&ok);
    if (!ok || factor < 1 || factor > 3)
        return std::nullopt;
    return factor;
}

// The App Store icon of an iOS or watchOS set: the marketing idioms of older sets, or the single 1024 pt
// entry of a single-size set. Dark and tinted variants (with "appearances") may be transparent.
bool isMarketingEntry(const QJsonObject &entry, float size) {
    const QString idiom = entry.value(u"idiom"_s).toString();
    if (idiom == u"ios-marketing"_s || idiom == u"watch-marketing"_s)
        return true;
    const QString platform = entry.value(u"platform"_s).toString();
    return idiom == u"universal"_s && (platform == u"ios"_s || platform == u"watchos"_s) && size == 1024.0f &&
           entry.value(u"appearances"_s).toArray().isEmpty();
}

// A name of Contents.json or icon.json as a path below folder; empty when it would leave the folder.
QString fileBelow(const QString &folder, const QString &name) {
    if (name.isEmpty() || QDir::isAbsolutePath(name))
        return {};
    const QString path = QDir::cleanPath(folder + u'/' + name);
    return path.startsWith(folder + u'/') ? path : QString();
}

} // namespace

void checkAppIconSet(CheckContext &context, const QString &folder) {
    const QString contentsPath = folder + u"/Contents.json"_s;
    if (!QFileInfo(contentsPath).exists() && !QFileInfo(contentsPath).isSymLink()) {
        context.report(Rule::AppleContentsJson, folder, contentsPath,
                       u"is missing; Xcode places the set's icons by it"_s);
        return;
    }
    const auto document = context.readJson(Rule::AppleContentsJson, folder, contentsPath);
    if (!document)
        return;
    const QJsonValue images = document->object().value(u"images"_s);
    if (!document->isObject() || !images.isArray()) {
        context.report(Rule::AppleContentsJson, folder, contentsPath, u"has no \"images\" list"_s);
        return;
    }

    QSet<QString> named;
    QSet<QPair<int, int>> macSlots; // (points, scale) of the mac entries that name a file
    bool macSet = false;
    int index = 0;
    for (const QJsonValue &value : images.toArray()) {
        ++index;
        if (!value.isObject()) {
            context.report(Rule::AppleContentsJson, folder, contentsPath,
                           u"entry %1 of \"images\" is not an object"_s.arg(index));
            continue;
        }
        const QJsonObject entry = value.toObject();
        const QString filename = entry.value(u"filename"_s).toString();
        const QString sizeValue = entry.value(u"size"_s).toString();
        const auto points = pointSize(sizeValue);
        const auto scale = scaleFactor(entry.value(u"scale"_s));
        const bool mac = entry.value(u"idiom"_s).toString() == u"mac"_s;
        macSet = macSet || mac;
        if (filename.isEmpty())
            continue;
        // Slots of one pixel size often share a file; what is wrong with the file itself is told once.
        const bool firstMention = !named.contains(filename);
        named.insert(filename);
        if (mac && points && scale)
            macSlots.insert({int(*points), *scale});

        const QString path = fileBelow(folder, filename);
        if (path.isEmpty()) {
            if (firstMention)
                context.report(Rule::AppleMissingFile, folder, contentsPath,
                               u"names \"%1\", which is not a file of the set"_s.arg(filename));
            continue;
        }
        const Picture picture = context.picture(path);
        const bool usable =
            firstMention ? context.reportUnusablePng(Rule::AppleMissingFile, Rule::AppleNotPng, folder, path,
                                                     u"is named in Contents.json but is not in the set"_s,
                                                     u"is not a PNG; an app icon set holds PNG files"_s)
                         : picture.state == Picture::State::Png && !picture.damaged;
        if (!usable)
            continue;
        if (!points || !scale) {
            context.report(Rule::AppleContentsJson, folder, contentsPath,
                           u"the entry for %1 has no valid \"size\" and \"scale\""_s.arg(filename));
            continue;
        }
        const int edge = pixelEdge(*points, *scale);
        if (picture.size != QSize(edge, edge)) {
            context.report(
                Rule::ApplePixelSize, folder, path,
                u"is %1 pixels; its entry (%2 @%3x) needs %4"_s.arg(sizeText(picture.size), sizeValue)
                    .arg(*scale)
                    .arg(sizeText(edge)));
            continue;
        }
        if (isMarketingEntry(entry, *points) && picture.alphaChannel)
            context.report(
                Rule::AppleMarketingAlpha, folder, path,
                u"the App Store marketing icon has an alpha channel; uploads are rejected (ITMS-90717)"_s);
    }

    // Xcode lists what lies in the folder beside Contents.json; hidden files it ignores.
    const QFileInfoList children = QDir(folder).entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo &child : children) {
        if (child.fileName() == u"Contents.json"_s || named.contains(child.fileName()) || child.isSymLink())
            continue;
        context.report(Rule::AppleUnassignedChild, folder, child.filePath(),
                       u"is in the set but no entry of Contents.json names it (an unassigned child)"_s);
    }

    if (!macSet)
        return;
    // The slots the macOS set is written with, each of which macOS looks for.
    for (const auto &format : formatsFor(u"macOS"_s)) {
        const int points = int(format->size);
        for (const qint64 slotScale : format->scales) {
            const int scale = int(slotScale);
            if (macSlots.contains({points, scale}))
                continue;
            if (points == 512)
                context.report(Rule::AppleMacStoreSlot, folder, contentsPath,
                               u"the macOS set has no %1x%1 @%2x icon; App Store Connect refuses the upload "
                               "(ITMS-90236)"_s.arg(points)
                                   .arg(scale));
            else
                context.report(
                    Rule::AppleMacSlot, folder, contentsPath,
                    u"the macOS set has no %1x%1 @%2x icon; macOS scales another size in its place"_s
                        .arg(points)
                        .arg(scale));
        }
    }
}

namespace {

// The keys Icon Composer (the one that ships with Xcode 26) writes, taken from documents it saved.
const QSet<QString> documentKeys = {u"fill"_s, u"fill-specializations"_s, u"groups"_s,
                                    u"supported-platforms"_s, u"color-space-for-untagged-svg-colors"_s};
const QSet<QString> groupKeys = {
    u"layers"_s,        u"name"_s,
    u"hidden"_s,        u"hidden-specializations"_s,
    u"blend-mode"_s,    u"blend-mode-specializations"_s,
    u"blur-material"_s, u"blur-material-specializations"_s,
    u"lighting"_s,      u"lighting-specializations"_s,
    u"shadow"_s,        u"shadow-specializations"_s,
    u"specular"_s,      u"specular-specializations"_s,
    u"translucency"_s,  u"translucency-specializations"_s,
    u"opacity"_s,       u"opacity-specializations"_s,
    u"position"_s,      u"position-specializations"_s,
};
const QSet<QString> layerKeys = {
    u"name"_s,
    u"image-name"_s,
    u"image-name-specializations"_s,
    u"hidden"_s,
    u"hidden-specializations"_s,
    u"opacity"_s,
    u"opacity-specializations"_s,
    u"blend-mode"_s,
    u"blend-mode-specializations"_s,
    u"fill"_s,
    u"fill-specializations"_s,
    u"glass"_s,
    u"glass-specializations"_s,
    u"position"_s,
    u"position-specializations"_s,
};
const QSet<QString> specializationKeys = {u"appearance"_s, u"idiom"_s, u"value"_s};
const QSet<QString> positionKeys = {u"scale"_s, u"translation-in-points"_s};
const QSet<QString> platformKeys = {u"circles"_s, u"squares"_s};

class IconDocumentCheck {
public:
    IconDocumentCheck(CheckContext &context, const QString &folder)
        : m_context(context), m_folder(folder), m_document(folder + u"/icon.json"_s) {}

    void run() {
        if (!QFileInfo(m_document).exists() && !QFileInfo(m_document).isSymLink()) {
            m_context.report(Rule::IconComposerJson, m_folder, m_document, u"is missing"_s);
            return;
        }
        const auto document = m_context.readJson(Rule::IconComposerJson, m_folder, m_document);
        if (!document)
            return;
        const QJsonObject root = document->object();
        if (!document->isObject() || !root.value(u"groups"_s).isArray()) {
            m_context.report(Rule::IconComposerJson, m_folder, m_document, u"has no \"groups\" list"_s);
            return;
        }
        keys(root, documentKeys, u"the document"_s);
        if (root.value(u"supported-platforms"_s).isObject())
            keys(root.value(u"supported-platforms"_s).toObject(), platformKeys, u"supported-platforms"_s);
        specializations(root, u"the document"_s);
        int groupIndex = 0;
        for (const QJsonValue &groupValue : root.value(u"groups"_s).toArray()) {
            const QString where = u"groups[%1]"_s.arg(groupIndex++);
            const QJsonObject group = groupValue.toObject();
            keys(group, groupKeys, where);
            parts(group, where);
            const QJsonValue specular = group.value(u"specular"_s);
            if (!specular.isUndefined() && !specular.isBool())
                m_context.report(Rule::IconComposerKey, m_folder, m_document,
                                 u"%1: \"specular\" is %2; Xcode 26 reads only true or false"_s.arg(
                                     where, jsonText(specular)));
            int layerIndex = 0;
            for (const QJsonValue &layerValue : group.value(u"layers"_s).toArray()) {
                const QString layerWhere = u"%1.layers[%2]"_s.arg(where).arg(layerIndex++);
                const QJsonObject layer = layerValue.toObject();
                keys(layer, layerKeys, layerWhere);
                parts(layer, layerWhere);
                asset(layer, layerWhere);
            }
        }
    }

private:
    static QString jsonText(const QJsonValue &value) {
        if (value.isString())
            return u"\"%1\""_s.arg(value.toString());
        return QString::fromUtf8(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact))
            .mid(1)
            .chopped(1);
    }

    // Each unknown key once per document, where it first appears.
    void keys(const QJsonObject &object, const QSet<QString> &known, const QString &where) {
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (known.contains(it.key()) || m_reportedKeys.contains(it.key()))
                continue;
            m_reportedKeys.insert(it.key());
            m_context.report(
                Rule::IconComposerKey, m_folder, m_document,
                u"%1: \"%2\" is not a key Icon Composer for Xcode 26 writes; Xcode 26 cannot open the "
                "document"_s.arg(where, it.key()));
        }
    }

    void specializations(const QJsonObject &object, const QString &where) {
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (!it.key().endsWith(u"-specializations"_s))
                continue;
            for (const QJsonValue &entry : it.value().toArray())
                keys(entry.toObject(), specializationKeys, where + u'.' + it.key());
        }
    }

    void parts(const QJsonObject &object, const QString &where) {
        specializations(object, where);
        if (object.value(u"position"_s).isObject())
            keys(object.value(u"position"_s).toObject(), positionKeys, where + u".position"_s);
    }

    // The layer's picture and those of its appearances: a document whose default is only one of the
    // specializations names no plain image.
    void asset(const QJsonObject &layer, const QString &where) {
        QStringList names{layer.value(u"image-name"_s).toString()};
        for (const QJsonValue &entry : layer.value(u"image-name-specializations"_s).toArray())
            names.append(entry.toObject().value(u"value"_s).toString());
        names.removeAll(QString());
        names.removeDuplicates();
        for (const QString &name : names)
            assetNamed(layer, name, where);
    }

    void assetNamed(const QJsonObject &layer, const QString &name, const QString &where) {
        const QString path = fileBelow(m_folder + u"/Assets"_s, name);
        const QString shown = path.isEmpty() ? m_folder + u"/Assets/"_s + name : path;
        const QFileInfo info(shown);
        if (info.isSymLink())
            return;
        if (path.isEmpty() || !info.isFile())
            m_context.report(Rule::IconComposerAsset, m_folder, shown,
                             u"is named by %1 (\"%2\") but is not in the document's Assets folder"_s.arg(
                                 where, layer.value(u"name"_s).toString()));
    }

    CheckContext &m_context;
    QString m_folder;
    QString m_document;
    QSet<QString> m_reportedKeys;
};

} // namespace

void checkIconComposerDocument(CheckContext &context, const QString &folder) {
    IconDocumentCheck(context, folder).run();
}

} // namespace glyphon::check
