#include "CliRunner.h"

#include "imaging/Effects.h"
#include "imaging/ImageValidation.h"
#include "imaging/SourceLoader.h"
#include "writers/IconSets.h"

#include <QColor>
#include <QCommandLineParser>
#include <QMap>
#include <algorithm>
#include <cmath>
#include <optional>
#include <variant>

namespace glyphon::cli {

namespace {

const QString program = QStringLiteral("glyphon-cli");

const char *const exitCodesHelp =
    "Exit codes:\n"
    "  0  every file was written (validate: the source is usable)\n"
    "  1  some files could not be written\n"
    "  2  usage error or unreadable source\n"
    "  3  the source was rejected by validation (not square, or smaller than 1024×1024)\n";

const char *const usageText = "Usage: glyphon-cli generate SOURCE -o DIR [options]\n"
                              "       glyphon-cli validate SOURCE\n"
                              "       glyphon-cli --help | --version\n";

// A failed command: the exit code and the one line that explains it.
struct Failure {
    int code;
    QString message;
};

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

// QCommandLineParser has no options with an optional value, so "--padding" and "--padding=PX"
// are taken out before it sees the rest. The value is empty when the option stands alone.
QStringList extractOptionalValues(const QStringList &arguments, const QStringList &names,
                                  QMap<QString, QString> *found) {
    QStringList rest;
    for (const QString &argument : arguments) {
        bool taken = false;
        for (const QString &name : names) {
            const QString flag = QStringLiteral("--") + name;
            if (argument == flag || argument.startsWith(flag + u'=')) {
                found->insert(name, argument.mid(flag.size() + 1));
                taken = true;
            }
        }
        if (!taken)
            rest << argument;
    }
    return rest;
}

std::optional<double> parseNumber(const QString &text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::variant<Image, Failure> loadValidSource(const QString &path) {
    LoadResult loaded = loadSourceImage(path);
    if (!loaded.image)
        return Failure{usageError, loaded.error};
    return *loaded.image;
}

std::variant<QList<Platform>, Failure> parsePlatforms(const QCommandLineParser &parser,
                                                      const QCommandLineOption &option) {
    if (!parser.isSet(option))
        return QList<Platform>(allPlatforms.begin(), allPlatforms.end());
    QList<Platform> platforms;
    for (const QString &key : parser.value(option).split(u',', Qt::SkipEmptyParts)) {
        const auto platform = platformFromKey(key.trimmed());
        if (!platform)
            return Failure{usageError, QStringLiteral("--platforms: unknown platform \"%1\" (use macos, ios, "
                                                      "watchos, android, web)")
                                           .arg(key.trimmed())};
        if (!platforms.contains(*platform))
            platforms.append(*platform);
    }
    if (platforms.isEmpty())
        return Failure{usageError, QStringLiteral("--platforms: no platform given")};
    // Sets are always written in the same order, whatever order they were named in.
    std::sort(platforms.begin(), platforms.end());
    return platforms;
}

std::variant<EffectSettings, Failure> parseEffects(const QCommandLineParser &parser,
                                                   const QMap<QString, QString> &optional,
                                                   const QCommandLineOption &tint,
                                                   const QCommandLineOption &tintOpacity) {
    EffectSettings settings;
    if (optional.contains(QStringLiteral("rounded-corners"))) {
        settings.withRoundedCorners = true;
        const QString text = optional.value(QStringLiteral("rounded-corners"));
        if (!text.isEmpty()) {
            const auto radius = parseNumber(text);
            if (!radius || *radius < 0)
                return Failure{usageError,
                               QStringLiteral("--rounded-corners: \"%1\" is not a radius of 0 or more pixels")
                                   .arg(text)};
            settings.roundedCornersPx = *radius;
        }
    }
    if (optional.contains(QStringLiteral("padding"))) {
        settings.withPadding = true;
        const QString text = optional.value(QStringLiteral("padding"));
        if (!text.isEmpty()) {
            const auto padding = parseNumber(text);
            if (!padding || *padding < 0)
                return Failure{
                    usageError,
                    QStringLiteral("--padding: \"%1\" is not a padding of 0 or more pixels").arg(text)};
            settings.paddingPx = *padding;
        }
        // The padding is measured on a 1024-pixel canvas; at 512 or more nothing of the picture would remain.
        if (1024.0 - 2.0 * settings.paddingPx <= 0)
            return Failure{usageError,
                           QStringLiteral("--padding: %1 px leaves no picture (use less than 512)")
                               .arg(settings.paddingPx)};
    }
    if (parser.isSet(tint)) {
        const QColor color(parser.value(tint));
        if (!color.isValid())
            return Failure{usageError,
                           QStringLiteral("--tint: \"%1\" is not a colour (use #RRGGBB or a colour name)")
                               .arg(parser.value(tint))};
        settings.withTint = true;
        settings.colorSelection = Color::fromQColor(color);
    }
    if (parser.isSet(tintOpacity)) {
        if (!settings.withTint)
            return Failure{usageError, QStringLiteral("--tint-opacity: needs --tint=COLOR")};
        const auto opacity = parseNumber(parser.value(tintOpacity));
        if (!opacity || *opacity < 0 || *opacity > 1)
            return Failure{usageError, QStringLiteral("--tint-opacity: \"%1\" is not a number from 0 to 1")
                                           .arg(parser.value(tintOpacity))};
        settings.tintOpacity = *opacity;
    }
    return settings;
}

// The opening both commands share: parse, answer --help, and take the one SOURCE.
// Nothing when the command is already over; code then says how it ended.
std::optional<QString> sourceArgument(QCommandLineParser &parser, const QStringList &arguments,
                                      const char *command, QTextStream &out, QTextStream &err, int *code) {
    if (!parser.parse(arguments)) {
        err << program << ": " << parser.errorText() << Qt::endl;
        *code = usageError;
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        out << parser.helpText() << Qt::endl << QString::fromUtf8(exitCodesHelp);
        *code = ok;
        return std::nullopt;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2) {
        err << program << ": " << command << " takes exactly one SOURCE" << Qt::endl;
        *code = usageError;
        return std::nullopt;
    }
    return positional.at(1);
}

int generate(const QStringList &arguments, QTextStream &out, QTextStream &err) {
    QMap<QString, QString> optional;
    const QStringList rest = extractOptionalValues(
        arguments, {QStringLiteral("rounded-corners"), QStringLiteral("padding")}, &optional);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes the icon sets of every selected platform from one "
                       "square source image."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("generate"), QStringLiteral("Write icon sets."));
    parser.addPositionalArgument(QStringLiteral("SOURCE"),
                                 QStringLiteral("The source image (PNG, JPEG, SVG, …)."));
    const QCommandLineOption output(
        {QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Folder to write the icon sets into (created if missing)."), QStringLiteral("DIR"));
    const QCommandLineOption platforms(QStringLiteral("platforms"),
                                       QStringLiteral("Comma list of macos, ios, watchos, android, web "
                                                      "(default: all five)."),
                                       QStringLiteral("LIST"));
    const QCommandLineOption corners(
        QStringLiteral("rounded-corners"),
        QStringLiteral("Round the corners; --rounded-corners=PX sets the radius on the "
                       "1024-pixel canvas (default 229)."));
    const QCommandLineOption padding(QStringLiteral("padding"),
                                     QStringLiteral("Add a transparent margin; --padding=PX sets it on the "
                                                    "1024-pixel canvas (default 100)."));
    const QCommandLineOption tint(QStringLiteral("tint"),
                                  QStringLiteral("Tint with COLOR (#RRGGBB or a colour name)."),
                                  QStringLiteral("COLOR"));
    const QCommandLineOption tintOpacity(QStringLiteral("tint-opacity"),
                                         QStringLiteral("Opacity of the tint from 0 to 1 (default 0.2)."),
                                         QStringLiteral("X"));
    const QCommandLineOption force(QStringLiteral("force"),
                                   QStringLiteral("Write even when the source is rejected by validation."));
    parser.addOptions({output, platforms, corners, padding, tint, tintOpacity, force});

    int code = ok;
    const auto sourcePath = sourceArgument(parser, rest, "generate", out, err, &code);
    if (!sourcePath)
        return code;
    if (!parser.isSet(output) || parser.value(output).isEmpty())
        return err << program << ": --output DIR is required" << Qt::endl, usageError;

    const auto selected = parsePlatforms(parser, platforms);
    if (const auto *failure = std::get_if<Failure>(&selected))
        return err << program << ": " << failure->message << Qt::endl, failure->code;
    const auto effects = parseEffects(parser, optional, tint, tintOpacity);
    if (const auto *failure = std::get_if<Failure>(&effects))
        return err << program << ": " << failure->message << Qt::endl, failure->code;

    const auto source = loadValidSource(*sourcePath);
    if (const auto *failure = std::get_if<Failure>(&source))
        return err << program << ": " << failure->message << Qt::endl, failure->code;
    const Image &image = std::get<Image>(source);

    const ImageValidation validation = validateImage(image);
    if (validation.type == ValidationType::error && !parser.isSet(force)) {
        err << program << ": " << *sourcePath << ": " << validation.message << " (--force writes anyway)"
            << Qt::endl;
        return sourceRejected;
    }
    if (validation.type != ValidationType::success)
        err << program << ": " << *sourcePath << ": " << validation.message << Qt::endl;

    const Image processed = applyEffects(image, std::get<EffectSettings>(effects));
    const QString folder = parser.value(output);
    int failures = 0;
    for (const Platform platform : std::get<QList<Platform>>(selected)) {
        const int platformFailures = writePlatform(platform, processed, folder);
        failures += platformFailures;
        err << platformName(platform)
            << (platformFailures ? QStringLiteral(": %1 failure(s)").arg(platformFailures)
                                 : QStringLiteral(": done"))
            << Qt::endl;
    }
    if (failures)
        err << program << ": " << failures << " file(s) could not be written" << Qt::endl;
    return failures ? writeFailed : ok;
}

int validate(const QStringList &arguments, QTextStream &out, QTextStream &err) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tells whether a source image suits an icon set."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("validate"), QStringLiteral("Classify the source."));
    parser.addPositionalArgument(QStringLiteral("SOURCE"), QStringLiteral("The source image."));
    int code = ok;
    const auto sourcePath = sourceArgument(parser, arguments, "validate", out, err, &code);
    if (!sourcePath)
        return code;
    const auto source = loadValidSource(*sourcePath);
    if (const auto *failure = std::get_if<Failure>(&source))
        return err << program << ": " << failure->message << Qt::endl, failure->code;
    const ImageValidation validation = validateImage(std::get<Image>(source));
    static const char *const typeNames[] = {"error", "warning", "success"};
    out << typeNames[int(validation.type)] << ": " << validation.message << Qt::endl;
    return validation.type == ValidationType::error ? sourceRejected : ok;
}

} // namespace

int run(const QStringList &arguments, QTextStream &out, QTextStream &err) {
    const QString command = arguments.value(1);
    if (command == QStringLiteral("generate"))
        return generate(arguments, out, err);
    if (command == QStringLiteral("validate"))
        return validate(arguments, out, err);
    if (command == QStringLiteral("--version") || command == QStringLiteral("-v")) {
        out << program << " " << GLYPHON_VERSION << Qt::endl;
        return ok;
    }
    if (command == QStringLiteral("--help") || command == QStringLiteral("-h") ||
        command == QStringLiteral("help")) {
        out << QString::fromUtf8(usageText) << Qt::endl
            << "Run \"glyphon-cli generate --help\" for the options of generate." << Qt::endl
            << Qt::endl
            << QString::fromUtf8(exitCodesHelp);
        return ok;
    }
    err << (command.isEmpty()
                ? QString()
                : program + QStringLiteral(": unknown command \"") + command + QStringLiteral("\"\n"))
        << QString::fromUtf8(usageText);
    err.flush();
    return usageError;
}

} // namespace glyphon::cli
