#include "Generation.h"
#include "NewTargets.h"
#include "RenderJobs.h"
#include "TargetFiles.h"
#include "imaging/SvgEffects.h"

#include <QDir>

namespace glyphon {

using namespace Qt::StringLiterals;

namespace {

// The fixed sizes of the hicolor theme's application folders that desktops look up; 24 is the panel size.
constexpr int themeEdges[] = {512, 256, 128, 64, 48, 32, 24, 16};

} // namespace

// The icons are the picture with every effect: a desktop shows an application icon as drawn.
WriteReport writeLinux(const Generation &generation, const QString &outputFolder, const FailureSink &sink) {
    const GenerationInputs &inputs = generation.inputs();
    // The callers check the name too; this keeps a bad one from ever naming a file.
    if (!isSafeFileName(inputs.iconName)) {
        const Error refused{ErrorKind::WriteFailed, QDir(outputFolder).filePath(u"Linux"_s),
                            u"the icon name \"%1\" cannot be a file name"_s.arg(inputs.iconName)};
        sink(refused);
        return {0, {refused}};
    }
    TargetFiles files(outputFolder, targetFolder(Platform::Linux), sink);
    if (!files.ready())
        return files.report();
    QList<RenderJob> jobs;
    for (const int edge : themeEdges)
        jobs.append({edge, IconEncoding::Png});
    const QList<Result<QByteArray>> icons =
        renderIcons(generation.processed(), jobs, inputs.background, &generation.shared());
    for (qsizetype i = 0; i < jobs.size(); ++i)
        files.write(u"hicolor/%1x%1/apps/%2.png"_s.arg(jobs[i].edge).arg(inputs.iconName), icons[i]);
    if (!inputs.svgSource.isEmpty())
        files.write(u"hicolor/scalable/apps/%1.svg"_s.arg(inputs.iconName),
                    svgWithEffects(inputs.svgSource, inputs.effects));
    return files.report();
}

} // namespace glyphon
