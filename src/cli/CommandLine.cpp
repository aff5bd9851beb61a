#include "CommandLine.h"

#include "imaging/ImageValidation.h"
#include "imaging/Renderer.h"
#include "imaging/SourceLoader.h"
#include "terminal/MessageHandler.h"
#include "writers/Generation.h"

#include <QColor>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace glyphon::cli {

const char *const usageText = "Usage: glyphon-cli generate SOURCE -o DIR [options]\n"
                              "       glyphon-cli preview SOURCE -o SHEET.png [options]\n"
                              "       glyphon-cli validate SOURCE [--pad-to-square]\n"
                              "       glyphon-cli check FOLDER [--json] [--strict]\n"
                              "       glyphon-cli --help | --version\n";

const char *const exitCodesHelp =
    "Exit codes:\n"
    "  0  every file was written (validate: the source is usable; check: no error)\n"
    "  1  some files could not be written (check: the icon sets have an error)\n"
    "  2  usage error or unreadable source (check: unreadable folder)\n"
    "  3  the source was rejected by validation (not square, or smaller than 1024×1024)\n";

namespace {

std::optional<double> parseNumber(const QString &text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// A hand-made picture for one appearance: it must load and be square, or the command does not start.
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

} // namespace

int fail(QTextStream &err, const Failure &failure) {
    err << program << ": " << failure.message << Qt::endl;
    return failure.code;
}

OptionDeclaration verboseOption() {
    return {QStringLiteral("verbose"), QChar(), OptionDeclaration::Value::None, QString(),
            QStringLiteral("Also show what Qt and the image libraries report.")};
}

OptionDeclaration padToSquareOption() {
    return {QStringLiteral("pad-to-square"), QChar(), OptionDeclaration::Value::None, QString(),
            QStringLiteral("Give a source that is not square a transparent margin on its shorter sides, "
                           "centring it on a square as wide as its longer side, before it is validated.")};
}

OptionDeclaration helpOption() {
    return {QStringLiteral("help"), u'h', OptionDeclaration::Value::None, QString(),
            QStringLiteral("Show this help.")};
}

QList<OptionDeclaration> lookOptions() {
    using Value = OptionDeclaration::Value;
    return {
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
    };
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

std::optional<Failure> readLookInputs(const ArgumentParser &parser, GenerationInputs &inputs) {
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
    return std::nullopt;
}

QString commandHelp(const char *usage, const char *description, const ArgumentParser &parser) {
    return QStringLiteral("Usage: %1\n\n%2\n\nOptions:\n%3\nArguments:\n"
                          "  SOURCE  The source image (PNG, JPEG, SVG, …). Write -- before a SOURCE whose\n"
                          "          name begins with \"-\".\n\n%4")
        .arg(QString::fromUtf8(usage), QString::fromUtf8(description), parser.optionsHelp(),
             QString::fromUtf8(exitCodesHelp));
}

std::optional<int> readCommand(ArgumentParser &parser, const QStringList &arguments, const QString &help,
                               QTextStream &out, QTextStream &err) {
    if (!parser.parse(arguments.mid(2)))
        return fail(err, {UsageError, parser.error()});
    setLibraryMessagesShown(parser.isSet(QStringLiteral("verbose")));
    if (parser.isSet(QStringLiteral("help"))) {
        out << help;
        return Success;
    }
    return std::nullopt;
}

// A number after a bare --padding is taken for a second SOURCE, or for the only one; the message then says
// what was probably meant.
Result<QString, Failure> sourceArgument(const ArgumentParser &parser, const char *command) {
    const QStringList positional = parser.positionalArguments();
    const bool onlyAStrayValue =
        positional.size() == 1 && positional[0] == parser.strayValue() && !QFileInfo::exists(positional[0]);
    if (positional.size() == 1 && positional[0].isEmpty())
        return Failure{UsageError,
                       QStringLiteral("%1: the SOURCE is an empty name").arg(QLatin1String(command))};
    if (positional.size() == 1 && !onlyAStrayValue)
        return positional[0];
    QString message = QStringLiteral("%1 takes exactly one SOURCE").arg(QLatin1String(command));
    if (const QString hint = parser.attachedValueHint(); !hint.isEmpty())
        message += QStringLiteral("; did you mean %1?").arg(hint);
    return Failure{UsageError, message};
}

Result<Image, Failure> sourceImage(const ArgumentParser &parser, const QString &path, QTextStream &err) {
    Result<Image> loaded = loadSourceImage(path);
    if (!loaded)
        return Failure{UsageError, loaded.error().description()};
    const Image &image = *loaded;
    if (!parser.isSet(QStringLiteral("pad-to-square")) || image.pixelWidth() == image.pixelHeight())
        return image;
    const QSize size = image.bitmap().size();
    const int edge = std::max(size.width(), size.height());
    const auto square = padToSquare(image);
    if (!square)
        return Failure{SourceRejected,
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

Result<Image, Failure> validatedSource(const ArgumentParser &parser, const QString &path,
                                       const char *forceDoes, QTextStream &err) {
    auto source = sourceImage(parser, path, err);
    if (!source)
        return source;
    const ImageValidation validation = validateImage(*source);
    if (validation.type == ValidationType::Error && !parser.isSet(QStringLiteral("force")))
        return Failure{SourceRejected, QStringLiteral("%1: %2 (--force %3 anyway)")
                                           .arg(path, validation.message, QLatin1String(forceDoes))};
    if (validation.type != ValidationType::Success)
        err << program << ": " << path << ": " << validation.message << Qt::endl;
    return source;
}

} // namespace glyphon::cli
