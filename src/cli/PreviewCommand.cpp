#include "CommandLine.h"
#include "Commands.h"

#include "imaging/Renderer.h"
#include "preview/AppearanceSheet.h"
#include "writers/FailureSink.h"
#include "writers/FileOps.h"
#include "writers/Generation.h"

#include <QFileInfo>
#include <algorithm>

namespace glyphon::cli {

namespace {

// The platform keys of generate that have tiles, each naming its group; the newer targets' keys are
// not taken, so a list copied from a generate command line fails loudly rather than showing less.
struct GroupKey {
    const char *key;
    AppearanceGroup group;
};
constexpr GroupKey groupKeys[] = {{"ios", AppearanceGroup::IOS},
                                  {"watchos", AppearanceGroup::WatchOS},
                                  {"macos", AppearanceGroup::MacOS},
                                  {"android", AppearanceGroup::Android},
                                  {"web", AppearanceGroup::Web}};

QString groupKeyList() {
    QStringList keys;
    for (const GroupKey &entry : groupKeys)
        keys << QString::fromLatin1(entry.key);
    return keys.join(QStringLiteral(", "));
}

QList<OptionDeclaration> previewOptions() {
    using Value = OptionDeclaration::Value;
    QList<OptionDeclaration> options{
        {QStringLiteral("output"), u'o', Value::Required, QStringLiteral("FILE"),
         QStringLiteral("The contact sheet to write, a PNG (its folder is created if missing).")},
        {QStringLiteral("platforms"), QChar(), Value::Required, QStringLiteral("LIST"),
         QStringLiteral("Comma list of %1 (default: all).").arg(groupKeyList())},
        {QStringLiteral("safe-zones"), QChar(), Value::None, QString(),
         QStringLiteral("Outline each platform's safe area on its tiles.")},
        {QStringLiteral("width"), QChar(), Value::Required, QStringLiteral("PX"),
         QStringLiteral("Width of the sheet in pixels, 480 to 4000 (default 1040); the tiles wrap to fit.")},
    };
    options += lookOptions();
    options += QList<OptionDeclaration>{
        padToSquareOption(),
        {QStringLiteral("force"), QChar(), Value::None, QString(),
         QStringLiteral("Show a source that validation rejects (one that is not square is squashed).")},
        verboseOption(),
        helpOption(),
    };
    return options;
}

Result<QList<AppearanceGroup>, Failure> parseGroups(const ArgumentParser &parser) {
    if (!parser.isSet(QStringLiteral("platforms")))
        return AppearanceOptions().groups;
    QList<AppearanceGroup> groups;
    for (const QString &word : parser.value(QStringLiteral("platforms")).split(u',', Qt::SkipEmptyParts)) {
        const QString key = word.trimmed();
        const auto entry =
            std::find_if(std::begin(groupKeys), std::end(groupKeys), [&key](const GroupKey &g) {
                return key.compare(QLatin1String(g.key), Qt::CaseInsensitive) == 0;
            });
        if (entry == std::end(groupKeys))
            return Failure{UsageError,
                           QStringLiteral("--platforms: \"%1\" has no appearances to show (use %2)")
                               .arg(key, groupKeyList())};
        if (!groups.contains(entry->group))
            groups.append(entry->group);
    }
    if (groups.isEmpty())
        return Failure{UsageError, QStringLiteral("--platforms: no platform given")};
    return groups;
}

Result<int, Failure> parseWidth(const ArgumentParser &parser) {
    constexpr int fallback = SheetMetrics{}.width;
    if (!parser.isSet(QStringLiteral("width")))
        return fallback;
    const QString text = parser.value(QStringLiteral("width"));
    bool ok = false;
    const int width = text.trimmed().toInt(&ok);
    if (!ok || width < 480 || width > 4000)
        return Failure{UsageError,
                       QStringLiteral("--width: \"%1\" is not a width from 480 to 4000").arg(text)};
    return width;
}

} // namespace

int preview(const QStringList &arguments, QTextStream &out, QTextStream &err) {
    ArgumentParser parser(previewOptions());
    const QString help = commandHelp(
        "glyphon-cli preview SOURCE -o SHEET.png [options]",
        "Writes one PNG with the icon as each platform shows it: under the iOS mask in light, dark and "
        "tinted,\n"
        "round on watchOS, in a light and a dark Dock, in every Android launcher shape in full colour and\n"
        "themed, as a maskable web icon and as a favicon in light and dark tab strips.",
        parser);
    if (const auto ended = readCommand(parser, arguments, help, out, err))
        return *ended;
    const auto sourcePath = sourceArgument(parser, "preview");
    if (!sourcePath)
        return fail(err, sourcePath.error());
    const QString sheetPath = parser.value(QStringLiteral("output"));
    if (sheetPath.isEmpty())
        return fail(err, {UsageError, QStringLiteral("--output FILE is required")});

    const auto groups = parseGroups(parser);
    if (!groups)
        return fail(err, groups.error());
    const auto width = parseWidth(parser);
    if (!width)
        return fail(err, width.error());
    const auto effects = parseEffects(parser);
    if (!effects)
        return fail(err, effects.error());
    GenerationInputs inputs;
    if (const auto failure = readLookInputs(parser, inputs))
        return fail(err, *failure);
    const auto source = validatedSource(parser, *sourcePath, "shows it", err);
    if (!source)
        return fail(err, source.error());

    inputs.source = *source;
    inputs.effects = *effects;
    AppearanceOptions options;
    options.groups = *groups;
    options.safeZones = parser.isSet(QStringLiteral("safe-zones"));
    const QImage sheet = composeSheet(renderAppearances(appearanceInputs(inputs), options), *width);
    const auto bytes = pngData(Image(sheet));
    const QString folder = QFileInfo(sheetPath).absolutePath();
    auto written = bytes ? makeFolder(folder) : Result<void>(bytes.error().withPath(sheetPath));
    if (written)
        written = writeFile(sheetPath, *bytes);
    if (!written) {
        out << failureLine(written.error()) << Qt::endl;
        return WriteFailed;
    }
    err << program << ": " << sheetPath << ": " << sheet.width() << "×" << sheet.height() << Qt::endl;
    return Success;
}

} // namespace glyphon::cli
