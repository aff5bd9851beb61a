#include "CommandLine.h"
#include "Commands.h"

#include "imaging/ImageValidation.h"

namespace glyphon::cli {

int validate(const QStringList &arguments, QTextStream &out, QTextStream &err) {
    ArgumentParser parser({padToSquareOption(), verboseOption(), helpOption()});
    const QString help = commandHelp("glyphon-cli validate SOURCE [options]",
                                     "Tells whether a source image suits an icon set.", parser);
    if (const auto ended = readCommand(parser, arguments, help, out, err))
        return *ended;
    const auto sourcePath = sourceArgument(parser, "validate");
    if (!sourcePath)
        return fail(err, sourcePath.error());
    const auto source = sourceImage(parser, *sourcePath, err);
    if (!source)
        return fail(err, source.error());
    const ImageValidation validation = validateImage(*source);
    static const char *const typeNames[] = {"error", "warning", "success"};
    out << typeNames[int(validation.type)] << ": " << validation.message << Qt::endl;
    return validation.type == ValidationType::Error ? SourceRejected : Success;
}

} // namespace glyphon::cli
