#include "CliRunner.h"

#include "imaging/Effects.h"
#include "imaging/ImageValidation.h"
#include "imaging/Renderer.h"
#include "imaging/SourceLoader.h"
#include "terminal/ArgumentParser.h"
#include "terminal/MessageHandler.h"
#include "writers/SetWriter.h"

#include <QColor>
#include <QFileInfo>
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
                              "       glyphon-cli validate SOURCE [--pad-to-square]\n"
                              "       glyphon-cli --help | --version\n";

// A failed command: the exit code and the one line that explains it.
struct Failure {
    int code;
    QString message;
};

std::optional<Platform> platformFromKey(const QString &key) {
    static const std::pair<const char *, Platform> keys[] = {{"macos", Platform::MacOS},
                                                             {"ios", Platform::IOS},
                                                             {"watchos", Platform::WatchOS},
                                                             {"android", Platform::Android},
                                                             {"web", Platform::Web}};
    for (const auto &[name, platform] : keys)
        if (key.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
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

std::variant<Image, Failure> loadValidSource(const QString &path) {
    Result<Image> loaded = loadSourceImage(path);
    if (!loaded)
        return Failure{usageError, loaded.error().description()};
    return *loaded;
}

// --pad-to-square: a source that is not square gets a transparent margin on its shorter side before it is
// judged, and a note on standard error says so.
std::variant<Image, Failure> padIfAsked(const ArgumentParser &parser, const QString &path, const Image &image,
                                        QTextStream &err) {
    if (!parser.isSet(QStringLiteral("pad-to-square")) || image.pixelWidth() == image.pixelHeight())
        return image;
    const QSize size = image.bitmap().size();
    const int edge = std::max(size.width(), size.height());
    const auto square = padToSquare(image);
    if (!square)
        return Failure{sourceRejected,
                       QStringLiteral("%1: cannot pad %2×%3 to a square: %4×%4 is more than %5 pixels")
                           .arg(path)
                           .arg(size.width())
                           .arg(size.height())
                           .arg(edge)
                           .arg(maxSourcePixels)};
    err << program << ": " << path << ": padded " << size.width() << "×" << size.height() << " to " << edge
        << "×" << edge << Qt::endl;
    return *square;
}

std::variant<QList<Platform>, Failure> parsePlatforms(const ArgumentParser &parser) {
    if (!parser.isSet(QStringLiteral("platforms")))
        return QList<Platform>(allPlatforms.begin(), allPlatforms.end());
    QList<Platform> platforms;
    for (const QString &key : parser.value(QStringLiteral("platforms")).split(u',', Qt::SkipEmptyParts)) {
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

std::variant<EffectSettings, Failure> parseEffects(const ArgumentParser &parser) {
    EffectSettings settings;
    if (parser.isSet(QStringLiteral("rounded-corners"))) {
        settings.withRoundedCorners = true;
        const QString text = parser.value(QStringLiteral("rounded-corners"));
        if (!text.isEmpty()) {
            const auto radius = parseNumber(text);
            if (!radius || *radius < 0)
                return Failure{usageError,
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
    if (parser.isSet(QStringLiteral("tint"))) {
        const QString text = parser.value(QStringLiteral("tint"));
        const QColor color(text);
        if (!color.isValid())
            return Failure{
                usageError,
                QStringLiteral("--tint: \"%1\" is not a colour (use #RRGGBB or a colour name)").arg(text)};
        settings.withTint = true;
        settings.colorSelection = Color::fromQColor(color);
    }
    if (parser.isSet(QStringLiteral("tint-opacity"))) {
        if (!settings.withTint)
            return Failure{usageError, QStringLiteral("--tint-opacity: needs --tint=COLOR")};
        const QString text = parser.value(QStringLiteral("tint-opacity"));
        const auto opacity = parseNumber(text);
        if (!opacity || *opacity < 0 || *opacity > 1)
            return Failure{usageError,
                           QStringLiteral("--tint-opacity: \"%1\" is not a number from 0 to 1").arg(text)};
        settings.tintOpacity = *opacity;
    }
    return settings;
}

OptionSpec verboseOption() {
    return {QStringLiteral("verbose"), QChar(), OptionSpec::Value::None, QString(),
            QStringLiteral("Also show what Qt and the image libraries report.")};
}

OptionSpec padToSquareOption() {
    return {QStringLiteral("pad-to-square"), QChar(), OptionSpec::Value::None, QString(),
            QStringLiteral("Give a source that is not square a transparent margin on its shorter sides, "
                           "centring it on a square as wide as its longer side, before it is validated.")};
}

OptionSpec helpOption() {
    return {QStringLiteral("help"), u'h', OptionSpec::Value::None, QString(),
            QStringLiteral("Show this help.")};
}

QList<OptionSpec> generateOptions() {
    using Value = OptionSpec::Value;
    return {
        {QStringLiteral("output"), u'o', Value::Required, QStringLiteral("DIR"),
         QStringLiteral("Folder to write the icon sets into (created if missing).")},
        {QStringLiteral("platforms"), QChar(), Value::Required, QStringLiteral("LIST"),
         QStringLiteral("Comma list of macos, ios, watchos, android, web (default: all five).")},
        {QStringLiteral("rounded-corners"), QChar(), Value::Optional, QStringLiteral("PX"),
         QStringLiteral("Round the corners with a radius of 229, or PX, on the 1024-pixel canvas.")},
        {QStringLiteral("padding"), QChar(), Value::Optional, QStringLiteral("PX"),
         QStringLiteral("Add a transparent margin of 100, or PX, on the 1024-pixel canvas.")},
        {QStringLiteral("tint"), QChar(), Value::Required, QStringLiteral("COLOR"),
         QStringLiteral("Tint with COLOR (#RRGGBB or a colour name).")},
        {QStringLiteral("tint-opacity"), QChar(), Value::Required, QStringLiteral("X"),
         QStringLiteral("Opacity of the tint from 0 to 1 (default 0.2).")},
        padToSquareOption(),
        {QStringLiteral("force"), QChar(), Value::None, QString(),
         QStringLiteral("Write even when the source is rejected by validation.")},
        verboseOption(),
        helpOption(),
    };
}

QList<OptionSpec> validateOptions() {
    return {padToSquareOption(), verboseOption(), helpOption()};
}

QString commandHelp(const char *usage, const char *description, const ArgumentParser &parser) {
    return QStringLiteral("Usage: %1\n\n%2\n\nOptions:\n%3\nArguments:\n"
                          "  SOURCE  The source image (PNG, JPEG, SVG, …). Write -- before a SOURCE whose\n"
                          "          name begins with \"-\".\n\n%4")
        .arg(QString::fromUtf8(usage), QString::fromUtf8(description), parser.optionsHelp(),
             QString::fromUtf8(exitCodesHelp));
}

// The one SOURCE both commands take. A number after a bare --padding is taken for a second SOURCE, or for
// the only one; the message then says what was probably meant.
std::variant<QString, Failure> sourceArgument(const ArgumentParser &parser, const char *command) {
    const QStringList positional = parser.positionalArguments();
    const bool onlyAStrayValue =
        positional.size() == 1 && positional[0] == parser.strayValue() && !QFileInfo::exists(positional[0]);
    if (positional.size() == 1 && positional[0].isEmpty())
        return Failure{usageError,
                       QStringLiteral("%1: the SOURCE is an empty name").arg(QLatin1String(command))};
    if (positional.size() == 1 && !onlyAStrayValue)
        return positional[0];
    QString message = QStringLiteral("%1 takes exactly one SOURCE").arg(QLatin1String(command));
    if (const QString hint = parser.attachedValueHint(); !hint.isEmpty())
        message += QStringLiteral("; did you mean %1?").arg(hint);
    return Failure{usageError, message};
}

int fail(QTextStream &err, const Failure &failure) {
    err << program << ": " << failure.message << Qt::endl;
    return failure.code;
}

// Parses a command's words and answers --help. Nothing when the command is already over; code says how.
std::optional<QString> openCommand(ArgumentParser &parser, const QStringList &arguments, const char *command,
                                   const QString &help, QTextStream &out, QTextStream &err, int *code) {
    if (!parser.parse(arguments.mid(2))) {
        *code = fail(err, {usageError, parser.error()});
        return std::nullopt;
    }
    setLibraryMessagesShown(parser.isSet(QStringLiteral("verbose")));
    if (parser.isSet(QStringLiteral("help"))) {
        out << help;
        *code = ok;
        return std::nullopt;
    }
    const auto source = sourceArgument(parser, command);
    if (const auto *failure = std::get_if<Failure>(&source)) {
        *code = fail(err, *failure);
        return std::nullopt;
    }
    return std::get<QString>(source);
}

int generate(const QStringList &arguments, QTextStream &out, QTextStream &err) {
    ArgumentParser parser(generateOptions());
    const QString help =
        commandHelp("glyphon-cli generate SOURCE -o DIR [options]",
                    "Writes the icon sets of every selected platform from one square source image.", parser);
    int code = ok;
    const auto sourcePath = openCommand(parser, arguments, "generate", help, out, err, &code);
    if (!sourcePath)
        return code;
    const QString folder = parser.value(QStringLiteral("output"));
    if (folder.isEmpty())
        return fail(err, {usageError, QStringLiteral("--output DIR is required")});

    const auto selected = parsePlatforms(parser);
    if (const auto *failure = std::get_if<Failure>(&selected))
        return fail(err, *failure);
    const auto effects = parseEffects(parser);
    if (const auto *failure = std::get_if<Failure>(&effects))
        return fail(err, *failure);

    const auto loaded = loadValidSource(*sourcePath);
    if (const auto *failure = std::get_if<Failure>(&loaded))
        return fail(err, *failure);
    const auto source = padIfAsked(parser, *sourcePath, std::get<Image>(loaded), err);
    if (const auto *failure = std::get_if<Failure>(&source))
        return fail(err, *failure);
    const Image &image = std::get<Image>(source);

    const ImageValidation validation = validateImage(image);
    if (validation.type == ValidationType::error && !parser.isSet(QStringLiteral("force"))) {
        err << program << ": " << *sourcePath << ": " << validation.message << " (--force writes anyway)"
            << Qt::endl;
        return sourceRejected;
    }
    if (validation.type != ValidationType::success)
        err << program << ": " << *sourcePath << ": " << validation.message << Qt::endl;

    const Image processed = applyEffects(image, std::get<EffectSettings>(effects));
    // Failures are told on this run's own standard output, as they happen.
    const FailureSink print = [&out](const Error &error) { out << failureLine(error) << Qt::endl; };
    int failures = 0;
    for (const Platform platform : std::get<QList<Platform>>(selected)) {
        const int platformFailures = int(writePlatform(platform, processed, folder, print).failures.size());
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
    ArgumentParser parser(validateOptions());
    const QString help = commandHelp("glyphon-cli validate SOURCE [options]",
                                     "Tells whether a source image suits an icon set.", parser);
    int code = ok;
    const auto sourcePath = openCommand(parser, arguments, "validate", help, out, err, &code);
    if (!sourcePath)
        return code;
    const auto loaded = loadValidSource(*sourcePath);
    if (const auto *failure = std::get_if<Failure>(&loaded))
        return fail(err, *failure);
    const auto source = padIfAsked(parser, *sourcePath, std::get<Image>(loaded), err);
    if (const auto *failure = std::get_if<Failure>(&source))
        return fail(err, *failure);
    const ImageValidation validation = validateImage(std::get<Image>(source));
    static const char *const typeNames[] = {"error", "warning", "success"};
    out << typeNames[int(validation.type)] << ": " << validation.message << Qt::endl;
    return validation.type == ValidationType::error ? sourceRejected : ok;
}

// One line for a first word that is no command: a slip of a command's name, or options put before it.
QString unknownCommand(const QString &word) {
    if (word.startsWith(u'-')) {
        const QString near = nearestName(word.mid(word.startsWith(QStringLiteral("--")) ? 2 : 1),
                                         {QStringLiteral("help"), QStringLiteral("version")});
        if (!near.isEmpty())
            return QStringLiteral("unknown option %1; did you mean --%2?").arg(word, near);
        return QStringLiteral("unknown option %1; the command (generate or validate) comes first").arg(word);
    }
    const QString near = nearestName(word, {QStringLiteral("generate"), QStringLiteral("validate")});
    if (!near.isEmpty())
        return QStringLiteral("unknown command \"%1\"; did you mean %2?").arg(word, near);
    return QStringLiteral("unknown command \"%1\" (use generate or validate)").arg(word);
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
    if (command.isEmpty()) {
        err << QString::fromUtf8(usageText) << Qt::flush;
        return usageError;
    }
    return fail(err, {usageError, unknownCommand(command)});
}

} // namespace glyphon::cli
