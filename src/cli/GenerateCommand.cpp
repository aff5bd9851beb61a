#include "CommandLine.h"
#include "Commands.h"

#include "imaging/Effects.h"
#include "imaging/SourceLoader.h"
#include "writers/Generation.h"

#include <algorithm>

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

QList<OptionDeclaration> generateOptions() {
    using Value = OptionDeclaration::Value;
    QList<OptionDeclaration> options{
        {QStringLiteral("output"), u'o', Value::Required, QStringLiteral("DIR"),
         QStringLiteral("Folder to write the icon sets into (created if missing).")},
        {QStringLiteral("platforms"), QChar(), Value::Required, QStringLiteral("LIST"),
         QStringLiteral("Comma list of %1 (default: macos, ios, watchos, android, web).")
             .arg(platformKeys())},
    };
    options += lookOptions();
    options += QList<OptionDeclaration>{
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
    return options;
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
    if (const auto failure = readLookInputs(parser, inputs))
        return *failure;
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
    return inputs;
}

// Writes the platforms side by side, reporting each in turn: its failures on standard output, then its
// line on standard error. Returns how many files could not be written.
int writeSets(const Generation &generation, const QList<Platform> &platforms, const QString &folder,
              QTextStream &out, QTextStream &err) {
    const FailureSink print = [&out](const Error &error) { out << failureLine(error) << Qt::endl; };
    int failures = 0;
    writeTargets(
        platforms, generation, folder,
        [&](Platform platform, const WriteReport &report) {
            const int platformFailures = int(report.failures.size());
            failures += platformFailures;
            err << platformName(platform)
                << (platformFailures ? QStringLiteral(": %1 failure(s)").arg(platformFailures)
                                     : QStringLiteral(": done"))
                << Qt::endl;
        },
        print);
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
    const auto source = validatedSource(parser, *sourcePath, "writes", err);
    if (!source)
        return fail(err, source.error());

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
