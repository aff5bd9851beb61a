#include "CliRunner.h"

#include "imaging/SourceLoader.h"
#include "writers/IconSets.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace glyphon::cli {

namespace {

std::optional<Platform> platformFromKey(const QString &key) {
    static const std::pair<const char *, Platform> keys[] = {{"macos", Platform::macOS},
                                                             {"ios", Platform::iOS},
                                                             {"watchos", Platform::watchOS},
                                                             {"android", Platform::android},
                                                             {"web", Platform::web}};
    for (const auto &[name, platform] : keys)
        if (key.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return platform;
    return std::nullopt;
}

int generate(const QStringList &arguments, QTextStream &out, QTextStream &err) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Write icon sets for every platform from one square image."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("generate"), QStringLiteral("Write icon sets."));
    parser.addPositionalArgument(QStringLiteral("SOURCE"), QStringLiteral("The source image."));
    const QCommandLineOption outputOption({QStringLiteral("o"), QStringLiteral("output")},
                                          QStringLiteral("Folder to write the icon sets into."),
                                          QStringLiteral("DIR"));
    const QCommandLineOption platformsOption(
        QStringLiteral("platforms"),
        QStringLiteral("Comma list of macos, ios, watchos, android, web (default: all)."),
        QStringLiteral("LIST"));
    parser.addOption(outputOption);
    parser.addOption(platformsOption);
    if (!parser.parse(arguments)) {
        err << "glyphon-cli: " << parser.errorText() << Qt::endl;
        return usageError;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        out << parser.helpText();
        return ok;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2) {
        err << "glyphon-cli: generate takes exactly one SOURCE" << Qt::endl;
        return usageError;
    }
    if (!parser.isSet(outputOption)) {
        err << "glyphon-cli: --output DIR is required" << Qt::endl;
        return usageError;
    }
    QList<Platform> platforms(allPlatforms.begin(), allPlatforms.end());
    if (parser.isSet(platformsOption)) {
        platforms.clear();
        for (const QString &key : parser.value(platformsOption).split(u',', Qt::SkipEmptyParts)) {
            const auto platform = platformFromKey(key.trimmed());
            if (!platform) {
                err << "glyphon-cli: --platforms: unknown platform \"" << key << "\"" << Qt::endl;
                return usageError;
            }
            if (!platforms.contains(*platform))
                platforms.append(*platform);
        }
        std::sort(platforms.begin(), platforms.end());
    }

    const LoadResult loaded = loadSourceImage(positional.at(1));
    if (!loaded.image) {
        err << "glyphon-cli: " << loaded.error << Qt::endl;
        return usageError;
    }
    const QString folder = parser.value(outputOption);
    int failures = 0;
    for (const Platform platform : platforms) {
        failures += writePlatform(platform, *loaded.image, folder);
        err << "Wrote " << platformName(platform) << Qt::endl;
    }
    return failures ? writeFailed : ok;
}

} // namespace

int run(const QStringList &arguments, QTextStream &out, QTextStream &err) {
    const QString command = arguments.value(1);
    if (command == QStringLiteral("generate"))
        return generate(arguments, out, err);
    if (command == QStringLiteral("--version") || command == QStringLiteral("-v")) {
        out << "glyphon-cli " << GLYPHON_VERSION << Qt::endl;
        return ok;
    }
    if (command == QStringLiteral("--help") || command == QStringLiteral("-h")) {
        out << "Usage: glyphon-cli generate SOURCE -o DIR [--platforms LIST]" << Qt::endl;
        return ok;
    }
    err << "Usage: glyphon-cli generate SOURCE -o DIR [--platforms LIST]" << Qt::endl;
    return usageError;
}

} // namespace glyphon::cli
