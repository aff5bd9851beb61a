#pragma once

#include "check/IconCheck.h"

#include <QDir>
#include <QHash>
#include <QImage>
#include <QJsonDocument>
#include <QSet>
#include <QSize>
#include <optional>

// What the checks of each kind of set share: the findings, the folder's bounds, and reading files
// within the limits. Internal to the check.
namespace glyphon::check {

// The rules, in the order of checkRules(); each finding names one.
enum class Rule {
    FileUnreadable,
    DamagedImage,
    SymbolicLink,
    TooManyFiles,
    AppleContentsJson,
    AppleMissingFile,
    AppleNotPng,
    ApplePixelSize,
    AppleUnassignedChild,
    AppleMarketingAlpha,
    AppleMacStoreSlot,
    AppleMacSlot,
    IconComposerJson,
    IconComposerAsset,
    IconComposerKey,
    AndroidAdaptiveXml,
    AndroidMissingResource,
    AndroidLayerSize,
    AndroidMonochrome,
    AndroidNoAdaptive,
    AndroidLegacySize,
    AndroidPlayIcon,
    WebManifestJson,
    WebManifestFile,
    WebDeclaredSize,
    WebInstallSizes,
    WebMaskableSafeZone,
    WebFaviconSizes,
    WebTouchIconSize,
    WebTouchIconAlpha,
    IcoEntry,
    IcnsEntry,
};

const CheckRule &ruleFor(Rule rule);

// What the check knows of a picture file, read once.
struct Picture {
    enum class State {
        Missing,    // nothing there, or a folder
        Link,       // a symbolic link, or a path through one: never opened
        Unreadable, // there, but it could not be read (problem says why)
        NotPng,     // read, but not a PNG; size is set when Qt recognises another format
        Png,        // a PNG whose header was read
    };
    State state = State::Missing;
    QSize size;                // from the header
    bool alphaChannel = false; // a colour type with alpha, or a tRNS chunk
    bool damaged = false;      // cut short before IEND, or its pixels do not decode
    bool headerOnly = false;   // too large to read whole: measured, never decoded
    QString problem;           // why it could not be read, or how it is damaged
};

class CheckContext {
public:
    CheckContext(const QString &root, const CheckOptions &options);

    const CheckOptions &options() const { return m_options; }
    QString rootPath() const { return m_root; }

    // The path below the root with "/" separators; "." for the root itself.
    QString relative(const QString &absolute) const;
    // Whether a path stays below the root without passing through a symbolic link on the way.
    bool isInside(const QString &absolute) const;

    void report(Rule rule, const QString &setFolder, const QString &file, const QString &message);
    QList<Finding> takeFindings() { return std::move(m_findings); }

    // A text file read whole, or nothing once a finding says why not (too large, unreadable, a link).
    std::optional<QByteArray> readText(const QString &setFolder, const QString &path);
    // A JSON document within the limits; a finding of the rule given says why when there is none.
    std::optional<QJsonDocument> readJson(Rule rule, const QString &setFolder, const QString &path);

    // Header facts, and whether the pixels decode when the picture is small enough; read once per path. A
    // copy, so that it stays valid while later reads fill the cache.
    Picture picture(const QString &path);
    // The picture's pixels as straight ARGB32, for rules that look at them; null when it cannot be decoded.
    // Decoded once per path, however many rules look.
    QImage pixels(const QString &path);
    // Reports a damaged PNG, once however many rules meet it.
    void reportDamaged(const QString &setFolder, const QString &path);
    // What a picture measures; nothing for a vector or a file that cannot be measured (with a finding for a
    // damaged PNG).
    std::optional<QSize> measuredSize(const QString &setFolder, const QString &path);
    // Reports what keeps a picture that should be a PNG from being checked: missing, unreadable, not a PNG
    // or damaged. True when its size can be checked.
    bool reportUnusablePng(Rule missingRule, Rule notPngRule, const QString &setFolder, const QString &path,
                           const QString &missingMessage, const QString &notPngMessage);

private:
    Picture readPicture(const QString &path) const;

    QString m_root;
    QString m_canonicalRoot;
    CheckOptions m_options;
    QList<Finding> m_findings;
    QHash<QString, Picture> m_pictures;
    QHash<QString, QImage> m_pixels;
    QSet<QString> m_damagedReported;
};

// The facts of a PNG held in memory (within a container), decoding it when it has at most maxPixels.
Picture pngFacts(const QByteArray &bytes, qint64 maxPixels);
bool hasPngSignature(QByteArrayView bytes);

// The sets of each kind; each reports to the context.
void checkAppIconSet(CheckContext &context, const QString &folder);
void checkIconComposerDocument(CheckContext &context, const QString &folder);
void checkAndroidResources(CheckContext &context, const QString &resFolder, const QString &setFolder);
void checkPlayIcon(CheckContext &context, const QString &path, const QString &setFolder);
void checkWebFolder(CheckContext &context, const QString &folder, const QStringList &manifests);
void checkIco(CheckContext &context, const QString &path, const QString &setFolder);
void checkIcns(CheckContext &context, const QString &path, const QString &setFolder);

// The picture sizes an ICO file holds, in order; nothing when its directory cannot be read.
std::optional<QList<QSize>> icoSizes(const QByteArray &bytes);

// Whether a file is named the way Apple touch icons are (apple-touch-icon….png, apple-icon….png).
bool isTouchIconName(const QString &name);

// "W×H", the way every message writes a pixel size.
QString sizeText(QSize size);
QString sizeText(int edge);

} // namespace glyphon::check
