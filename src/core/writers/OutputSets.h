#pragma once

#include <QList>
#include <QString>
#include <array>
#include <vector>

namespace glyphon {

// The targets of a generation, in the fixed order they are written: the five classic sets, then the more
// recent formats, which a run writes only when asked.
enum class Platform {
    MacOS,
    IOS,
    WatchOS,
    Android,
    Web,
    IOSSingle,
    WatchOSSingle,
    IconComposer,
    MacOSIcns,
    AndroidAdaptive,
    WebModern,
    Windows,
    Linux,
};
inline constexpr std::array<Platform, 5> defaultPlatforms = {
    Platform::MacOS, Platform::IOS, Platform::WatchOS, Platform::Android, Platform::Web};
inline constexpr std::array<Platform, 13> allPlatforms = {
    Platform::MacOS,           Platform::IOS,          Platform::WatchOS,
    Platform::Android,         Platform::Web,          Platform::IOSSingle,
    Platform::WatchOSSingle,   Platform::IconComposer, Platform::MacOSIcns,
    Platform::AndroidAdaptive, Platform::WebModern,    Platform::Windows,
    Platform::Linux,
};

// One of the five sets every run writes unless told otherwise.
constexpr bool isClassicSet(Platform platform) {
    return platform <= Platform::Web;
}

// The display name ("macOS", "iOS", "watchOS", "Android", "web", "iOS single size", …); the Apple classic
// ones are also catalog keys.
QString platformName(Platform platform);

// The name on the command line: "macos", "ios", "watchos", "android", "web", "ios-single", "watchos-single",
// "icon-composer", "macos-icns", "android-adaptive", "web-modern", "windows", "linux".
QString platformKey(Platform platform);

// The indices of `platforms`, the targets with the most work first and equal ones in list order: the order
// to start them in when they are written side by side, so that no long one starts last and runs alone.
std::vector<int> longestFirst(const QList<Platform> &platforms);

enum class OutputKind {
    Png,               // the image at edge × edge pixels
    OpaquePng,         // the image at edge × edge over the background colour, RGB without an alpha channel
    Ico,               // a one-picture ICO container of the image at edge × edge
    AssetCatalogIndex, // the Contents.json of the catalog's platform named by source
    TextResource,      // the program's text resource named by source, copied as UTF-8
};

enum class OnFailure {
    GoOn,       // the next output follows
    AbandonSet, // the outputs after it depend on it and are not written
};

// One file of a set. Every output whose folder lies below the set's is written after making that folder;
// a folder that cannot be made abandons the set.
struct Output {
    QString path; // below the set's folder
    OutputKind kind = OutputKind::Png;
    int edge = 0;
    QString source;
    OnFailure onFailure = OnFailure::GoOn;

    static Output png(const QString &path, int edge) {
        return {path, OutputKind::Png, edge, {}, OnFailure::GoOn};
    }
    static Output opaquePng(const QString &path, int edge) {
        return {path, OutputKind::OpaquePng, edge, {}, OnFailure::GoOn};
    }
    static Output ico(const QString &path, int edge) {
        return {path, OutputKind::Ico, edge, {}, OnFailure::GoOn};
    }
    static Output assetCatalogIndex(const QString &path, const QString &platformKey) {
        return {path, OutputKind::AssetCatalogIndex, 0, platformKey, OnFailure::GoOn};
    }
    static Output textResource(const QString &path, const QString &resource,
                               OnFailure onFailure = OnFailure::GoOn) {
        return {path, OutputKind::TextResource, 0, resource, onFailure};
    }
};

// Everything one platform gets, in the order it is written. If its folder cannot be made, nothing is.
struct OutputSet {
    QString folder; // below the output folder
    QList<Output> outputs;
};

// The declared set of a classic platform; empty for the others, whose files depend on more than one picture.
const OutputSet &outputSet(Platform platform);

} // namespace glyphon
