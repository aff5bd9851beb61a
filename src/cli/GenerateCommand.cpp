#include "CommandLine.h"
#include "Commands.h"

#include "imaging/Effects.h"
#include "imaging/ImageValidation.h"
#include "imaging/SourceLoader.h"
#include "writers/Generation.h"

#include <QColor>
#include <algorithm>
#include <cmath>

namespace glyphon::cli {

namespace {

QString platformKeys() {
    QStringList keys;
    for (const Platform platform : allPlatforms)
        keys << platformKey(platform);
    return keys.join(QStringLiteral(", "));
}

std::optional<Platform> platformFromKey(const QString &key) {
    for (const Platform platform : allPlatforms)
        if (key.compare(platformKey(platform), Qt::CaseInsensitive) == 0)
            return platform;
    return std::nullopt;
}

std::optional<double> parseNumber(const QString &text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QList<OptionDeclaration> generateOptions() {
    using Value = OptionDeclaration::Value;
    return {
        {QStringLiteral("output"), u'o', Value::Required, QStringLiteral("DIR"),
         QStringLiteral("Folder to write the icon sets into (created if missing).")},
        {QStringLiteral("platforms"), QChar(), Value::Required, QStringLiteral("LIST"),
         QStringLiteral("Comma list of %1 (default: macos, ios, watchos, android, web).")
             .arg(platformKeys())},
        {QStringLiteral("rounded-corners"), QChar(), Value::Optional, QStringLiteral("PX"),
         QStringLiteral("Round the corners with a radius of 229, or PX, on the 1024-pixel canvas.")},
        {QStringLiteral("padding"), QChar(), Value::Optional, QStringLiteral("PX"),
         QStringLiteral("Add a transparent margin of 100, or PX, on the 1024-pixel canvas.")},
        {QStringLiteral("tint"), QChar(), Value::Required, QStringLiteral("COLOR"),
         QStringLiteral("Tint with COLOR (#RRGGBB or a colour name).")},
        {QStringLiteral("tint-opacity"), QChar(), Value::Required, QStringLiteral("X"),
         QStringLiteral("Opacity of the tint from 0 to 1 (default 0.2).")},
        {QStringLiteral("background"), QChar(), Value::Required, QStringLiteral("COLOR"),
         QStringLiteral("Fill transparent areas of opaque outputs with COLOR (default white).")},
        {QStringLiteral("dark-source"), QChar(), Value::Required, QStringLiteral("FILE"),
         QStringLiteral("Use FILE as the dark appearance instead of deriving it.")},
        {QStringLiteral("tinted-source"), QChar(), Value::Required, QStringLiteral("FILE"),
         QStringLiteral("Use FILE as the tinted appearance instead of deriving it.")},
        {QStringLiteral("monochrome-source"), QChar(), Value::Required, QStringLiteral("FILE"),
         QStringLiteral("Use FILE as the Android monochrome layer instead of deriving it.")},
        {QStringLiteral("android-inset"), QChar(), Value::Required, QStringLiteral("DP"),
         QStringLiteral("Inset the art DP from each edge of the 108 dp Android adaptive layers, 0 to 42 "
                        "(default 21: inside the 66 dp safe zone).")},
        {QStringLiteral("app-name"), QChar(), Value::Required, QStringLiteral("NAME"),
         QStringLiteral("The app's name in the web manifest (default App).")},
        {QStringLiteral("icon-name"), QChar(), Value::Required, QStringLiteral("NAME"),
         QStringLiteral("The file name of the Linux theme icons (default app).")},
        {QStringLiteral("hash-names"), QChar(), Value::None, QString(),
         QStringLiteral("Put a content hash into the modern web icons' file names.")},
        padToSquareOption(),
        {QStringLiteral("force"), QChar(), Value::None, QString(),
         QStringLiteral("Write even when the source is rejected by validation.")},
        {QStringLiteral("check"), QChar(), Value::None, QString(),
         QStringLiteral(
             "Then check the output folder as \"glyphon-cli check\" does; an error found exits 1.")},
        verboseOption(),
        helpOption(),
    };
}

Result<QList<Platform>, Failure> parsePlatforms(const ArgumentParser &parser) {
    if (!parser.isSet(QStringLiteral("platforms")))
        return QList<Platform>(defaultPlatforms.begin(), defaultPlatforms.end());
    QList<Platform> platforms;
    for (const QString &key : parser.value(QStringLiteral("platforms")).split(u',', Qt::SkipEmptyParts)) {
        const auto platform = platformFromKey(key.trimmed());
        if (!platform)
            return Failure{UsageError, QStringLiteral("--platforms: unknown platform \"%1\" (use %2)")
                                           .arg(key.trimmed(), platformKeys())};
        if (!platforms.contains(*platform))
            platforms.append(*platform);
    }
    if (platforms.isEmpty())
        return Failure{UsageError, QStringLiteral("--platforms: no platform given")};
    // Sets are always written in the same order, whatever order they were named in.
    std::sort(platforms.begin(), platforms.end());
    return platforms;
}

Result<EffectSettings, Failure> parseEffects(const ArgumentParser &parser) {
    EffectSettings settings;
    if (parser.isSet(QStringLiteral("rounded-corners"))) {
        settings.withRoundedCorners = true;
        const QString text = parser.value(QStringLiteral("rounded-corners"));
        if (!text.isEmpty()) {
            const auto radius = parseNumber(text);
            if (!radius || *radius < 0)
                return Failure{UsageError,
                               QStringLiteral("--rounded-corners: \"%1\" is not a radius of 0 or more pixels")
                                   .arg(text)};
            settings.roundedCornersPx = *radius;
        }
    }
    if (parser.isSet(QStringLiteral("padding"))) {
        settings.withPadding = true;
        const QString text = parser.value(QStringLiteral("padding"));
        if (!text.isEmpty()) {
            const auto padding = parseNumber(text);
            if (!padding || *padding < 0)
                return Failure{
                    UsageError,
                    QStringLiteral("--padding: \"%1\" is not a padding of 0 or more pixels").arg(text)};
            settings.paddingPx = *padding;
        }
        // The padding is measured on a 1024-pixel canvas; at 512 or more nothing of the picture would remain.
        if (1024.0 - 2.0 * settings.paddingPx <= 0)
            return Failure{UsageError,
                           QStringLiteral("--padding: %1 px leaves no picture (use less than 512)")
                               .arg(settings.paddingPx)};
    }
    if (parser.isSet(QStringLiteral("tint"))) {
        const QString text = parser.value(QStringLiteral("tint"));
        const QColor color(text);
        if (!color.isValid())
            return Failure{
                UsageError,
                QStringLiteral("--tint: \"%1\" is not a colour (use #RRGGBB or a colour name)").arg(text)};
        settings.withTint = true;
        settings.colorSelection = Color::fromQColor(color);
    }
    if (parser.isSet(QStringLiteral("tint-opacity"))) {
        if (!settings.withTint)
            return Failure{UsageError, QStringLiteral("--tint-opacity: needs --tint=COLOR")};
        const QString text = parser.value(QStringLiteral("tint-opacity"));
        const auto opacity = parseNumber(text);
        if (!opacity || *opacity < 0 || *opacity > 1)
            return Failure{UsageError,
                           QStringLiteral("--tint-opacity: \"%1\" is not a number from 0 to 1").arg(text)};
        settings.tintOpacity = *opacity;
    }
    return settings;
}

// A hand-made picture for one appearance: it must load and be square, or the run does not start.
Result<std::optional<Image>, Failure> extraSource(const ArgumentParser &parser, const QString &option) {
    if (!parser.isSet(option))
        return std::optional<Image>();
    const QString path = parser.value(option);
    Result<Image> loaded = loadSourceImage(path);
    if (!loaded)
        return Failure{UsageError, QStringLiteral("--%1: %2").arg(option, loaded.error().description())};
    if (loaded->pixelWidth() != loaded->pixelHeight())
        return Failure{SourceRejected, QStringLiteral("--%1: %2: the picture is %3×%4, not square")
                                           .arg(option, path)
                                           .arg(loaded->pixelWidth())
                                           .arg(loaded->pixelHeight())};
    return std::optional<Image>(*loaded);
}

Result<QString, Failure> fileNameOption(const ArgumentParser &parser, const QString &option,
                                        const QString &byDefault) {
    if (!parser.isSet(option))
        return byDefault;
    const QString name = parser.value(option);
    if (!isSafeFileName(name))
        return Failure{
            UsageError,
            QStringLiteral("--%1: \"%2\" cannot be a file name (use letters, digits, '.', '-' and '_')")
                .arg(option, name)};
    return name;
}

// Everything besides the source and the effects that the newer targets are made from.
Result<GenerationInputs, Failure> parseInputs(const ArgumentParser &parser) {
    GenerationInputs inputs;
    if (parser.isSet(QStringLiteral("background"))) {
        const QString text = parser.value(QStringLiteral("background"));
        const QColor color(text);
        if (!color.isValid())
            return Failure{
                UsageError,
                QStringLiteral("--background: \"%1\" is not a colour (use #RRGGBB or a colour name)")
                    .arg(text)};
        inputs.background = Color::fromQColor(color);
        inputs.background.alpha = 1.0;
    }
    if (parser.isSet(QStringLiteral("app-name"))) {
        inputs.appName = parser.value(QStringLiteral("app-name")).trimmed();
        if (inputs.appName.isEmpty())
            return Failure{UsageError, QStringLiteral("--app-name: the name is empty")};
    }
    const auto iconName = fileNameOption(parser, QStringLiteral("icon-name"), inputs.iconName);
    if (!iconName)
        return iconName.error();
    inputs.iconName = *iconName;
    inputs.hashNames = parser.isSet(QStringLiteral("hash-names"));
    if (parser.isSet(QStringLiteral("android-inset"))) {
        const QString text = parser.value(QStringLiteral("android-inset"));
        const auto inset = parseNumber(text);
        if (!inset || *inset < 0 || *inset > maxAndroidInsetDp)
            return Failure{UsageError,
                           QStringLiteral("--android-inset: \"%1\" is not an inset from 0 to %2 dp")
                               .arg(text)
                               .arg(maxAndroidInsetDp)};
        inputs.androidInsetDp = *inset;
    }
    for (const auto &[option, picture] :
         {std::pair{QStringLiteral("dark-source"), &inputs.darkSource},
          std::pair{QStringLiteral("tinted-source"), &inputs.tintedSource},
          std::pair{QStringLiteral("monochrome-source"), &inputs.monochromeSource}}) {
        auto loaded = extraSource(parser, option);
        if (!loaded)
            return loaded.error();
        *picture = *loaded;
    }
    return inputs;
}

// Writes each platform in turn: its failures on standard output as they happen, then its line on
// standard error. Returns how many files could not be written.
int writeSets(const Generation &generation, const QList<Platform> &platforms, const QString &folder,
              QTextStream &out, QTextStream &err) {
    const FailureSink print = [&out](const Error &error) { out << failureLine(error) << Qt::endl; };
    int failures = 0;
    for (const Platform platform : platforms) {
        const int platformFailures = int(writeTarget(platform, generation, folder, print).failures.size());
        failures += platformFailures;
        err << platformName(platform)
            << (platformFailures ? QStringLiteral(": %1 failure(s)").arg(platformFailures)
                                 : QStringLiteral(": done"))
            << Qt::endl;
    }
    return failures;
}

} // namespace

int generate(const QStringList &arguments, QTextStream &out, QTextStream &err) {
    ArgumentParser parser(generateOptions());
    const QString help =
        commandHelp("glyphon-cli generate SOURCE -o DIR [options]",
                    "Writes the icon sets of every selected platform from one square source image.", parser);
    if (const auto ended = readCommand(parser, arguments, help, out, err))
        return *ended;
    const auto sourcePath = sourceArgument(parser, "generate");
    if (!sourcePath)
        return fail(err, sourcePath.error());
    const QString folder = parser.value(QStringLiteral("output"));
    if (folder.isEmpty())
        return fail(err, {UsageError, QStringLiteral("--output DIR is required")});

    const auto platforms = parsePlatforms(parser);
    if (!platforms)
        return fail(err, platforms.error());
    const auto effects = parseEffects(parser);
    if (!effects)
        return fail(err, effects.error());
    auto inputs = parseInputs(parser);
    if (!inputs)
        return fail(err, inputs.error());
    const auto source = sourceImage(parser, *sourcePath, err);
    if (!source)
        return fail(err, source.error());

    const ImageValidation validation = validateImage(*source);
    if (validation.type == ValidationType::Error && !parser.isSet(QStringLiteral("force"))) {
        err << program << ": " << *sourcePath << ": " << validation.message << " (--force writes anyway)"
            << Qt::endl;
        return SourceRejected;
    }
    if (validation.type != ValidationType::Success)
        err << program << ": " << *sourcePath << ": " << validation.message << Qt::endl;

    inputs->source = *source;
    inputs->effects = *effects;
    inputs->svgSource = svgSourceText(*sourcePath);
    const Generation generation(std::move(*inputs));
    const int failures = writeSets(generation, *platforms, folder, out, err);
    if (failures)
        err << program << ": " << failures << " file(s) could not be written" << Qt::endl;
    const bool checkFailed = parser.isSet(QStringLiteral("check")) && checkWrittenFolder(folder, out, err);
    return failures || checkFailed ? WriteFailed : Success;
}

} // namespace glyphon::cli
