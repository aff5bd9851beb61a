#include "OutputSets.h"

#include "catalog/FormatCatalog.h"

#include <algorithm>
#include <initializer_list>
#include <numeric>

namespace glyphon {

using namespace Qt::StringLiterals;

namespace {

// One PNG per slot of the catalog, then the index. Slots of one edge name the same file, and each writes it,
// as the index has an entry for each. The App Store refuses an iOS or watchOS marketing icon with an alpha
// channel, so the 1024-point slot of those two is written opaque; no other slot of theirs reaches 1024
// pixels, so that file is never shared with a slot that wants transparency.
OutputSet appleSet(Platform platform) {
    const QString key = platformName(platform);
    OutputSet set{key + u"/AppIcon.appiconset"_s, {}};
    for (const auto &format : formatsFor(key)) {
        const bool marketing = platform != Platform::MacOS && format->size == 1024.0f;
        for (const qint64 scale : format->scales) {
            const int edge = pixelEdge(format->size, scale);
            const QString file = QString::number(edge) + u".png"_s;
            set.outputs.append(marketing ? Output::opaquePng(file, edge) : Output::png(file, edge));
        }
    }
    set.outputs.append(Output::assetCatalogIndex(u"Contents.json"_s, key));
    return set;
}

struct Density {
    const char16_t *folder;
    int edge;
};

// Largest first: when a density folder cannot be made, the sizes that matter most are already out.
constexpr Density densities[] = {
    {u"mipmap-xxxhdpi", 192}, {u"mipmap-xxhdpi", 144}, {u"mipmap-xhdpi", 96},
    {u"mipmap-hdpi", 72},     {u"mipmap-mdpi", 48},
};

OutputSet androidSet() {
    OutputSet set{u"Android"_s, {}};
    for (const Density &density : densities)
        set.outputs.append(
            Output::png(QString::fromUtf16(density.folder) + u"/ic_launcher.png"_s, density.edge));
    return set;
}

struct SizeGroup {
    const char16_t *prefix;
    std::initializer_list<int> edges;
};

const SizeGroup webSizes[] = {
    {u"android-icon", {36, 48, 72, 96, 144, 192}},
    {u"apple-icon", {57, 60, 72, 76, 114, 120, 144, 152, 180}},
    {u"ms-icon", {70, 144, 150, 310}},
    {u"favicon", {16, 32, 96}},
};

OutputSet webSet() {
    OutputSet set{u"FavIcon"_s, {}};
    for (const SizeGroup &group : webSizes)
        for (const int edge : group.edges)
            set.outputs.append(Output::png(u"%1-%2x%2.png"_s.arg(QStringView(group.prefix)).arg(edge), edge));
    // The apple-touch-icon without a size in its name is served to browsers that ask for the largest one.
    set.outputs.append(Output::png(u"apple-icon.png"_s, 192));
    set.outputs.append(Output::ico(u"favicon.ico"_s, 16));
    // The browser configuration only follows a manifest that made it to disk.
    set.outputs.append(Output::textResource(u"manifest.json"_s, u":/web/favicon_android_manifest.json"_s,
                                            OnFailure::AbandonSet));
    set.outputs.append(Output::textResource(u"browser_config.xml"_s, u":/web/browser_config.xml"_s));
    return set;
}

OutputSet declaredSet(Platform platform) {
    switch (platform) {
    case Platform::MacOS:
    case Platform::IOS:
    case Platform::WatchOS:
        return appleSet(platform);
    case Platform::Android:
        return androidSet();
    case Platform::Web:
        return webSet();
    default:
        break;
    }
    return {};
}

} // namespace

QString platformName(Platform platform) {
    switch (platform) {
    case Platform::MacOS:
        return u"macOS"_s;
    case Platform::IOS:
        return u"iOS"_s;
    case Platform::WatchOS:
        return u"watchOS"_s;
    case Platform::Android:
        return u"Android"_s;
    case Platform::Web:
        return u"web"_s;
    case Platform::IOSSingle:
        return u"iOS single size"_s;
    case Platform::WatchOSSingle:
        return u"watchOS single size"_s;
    case Platform::IconComposer:
        return u"Icon Composer"_s;
    case Platform::MacOSIcns:
        return u"macOS .icns"_s;
    case Platform::AndroidAdaptive:
        return u"Android adaptive"_s;
    case Platform::WebModern:
        return u"modern web"_s;
    case Platform::Windows:
        return u"Windows"_s;
    case Platform::Linux:
        return u"Linux"_s;
    }
    return {};
}

QString platformKey(Platform platform) {
    switch (platform) {
    case Platform::IOSSingle:
        return u"ios-single"_s;
    case Platform::WatchOSSingle:
        return u"watchos-single"_s;
    case Platform::IconComposer:
        return u"icon-composer"_s;
    case Platform::MacOSIcns:
        return u"macos-icns"_s;
    case Platform::AndroidAdaptive:
        return u"android-adaptive"_s;
    case Platform::WebModern:
        return u"web-modern"_s;
    default:
        return platformName(platform).toLower();
    }
}

namespace {

// Milliseconds each target took with all thirteen written side by side, from a 1024 picture of flat art
// and from a photograph, rounded, in the order of Platform; only their ranking matters. The sets that hold
// whole pictures at 1024 (iOS, macOS, the .icns, the adaptive Android layers) lead; a target of one small
// file trails.
constexpr std::array<int, allPlatforms.size()> relativeWork = {
    70, // macOS
    90, // iOS
    38, // watchOS
    7,  // Android
    25, // web
    45, // iOS single size
    2,  // watchOS single size
    45, // Icon Composer
    55, // macOS .icns
    65, // Android adaptive
    20, // modern web
    1,  // Windows
    5,  // Linux
};

} // namespace

std::vector<int> longestFirst(const QList<Platform> &platforms) {
    std::vector<int> order(static_cast<size_t>(platforms.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return relativeWork[size_t(platforms.at(a))] > relativeWork[size_t(platforms.at(b))];
    });
    return order;
}

const OutputSet &outputSet(Platform platform) {
    // Built once, on first use from any thread, and only read afterwards.
    static const auto sets = [] {
        std::array<OutputSet, allPlatforms.size()> built;
        for (const Platform each : allPlatforms)
            built[size_t(each)] = declaredSet(each);
        return built;
    }();
    return sets[size_t(platform)];
}

} // namespace glyphon
