#include "IconSets.h"

#include "AndroidIconWriter.h"
#include "AssetCatalogWriter.h"
#include "WebIconWriter.h"

namespace glyphon {

QString platformName(Platform platform) {
    switch (platform) {
    case Platform::macOS:
        return QStringLiteral("macOS");
    case Platform::iOS:
        return QStringLiteral("iOS");
    case Platform::watchOS:
        return QStringLiteral("watchOS");
    case Platform::android:
        return QStringLiteral("Android");
    case Platform::web:
        return QStringLiteral("web");
    }
    return {};
}

int writePlatform(Platform platform, const Image &image, const QString &outputFolder, const FailureSink &sink,
                  int *written) {
    switch (platform) {
    case Platform::macOS:
    case Platform::iOS:
    case Platform::watchOS:
        return writeAssetCatalog(image, platformName(platform), outputFolder, sink, written);
    case Platform::android:
        return writeAndroidIcons(image, outputFolder, sink, written);
    case Platform::web:
        return writeWebIcons(image, outputFolder, sink, written);
    }
    return 0;
}

} // namespace glyphon
