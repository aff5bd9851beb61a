#include "Generation.h"
#include "NewTargets.h"
#include "TargetFiles.h"

namespace glyphon {

namespace {

WriteReport notYetWritten(const QString &outputFolder, const QString &folder, const FailureSink &sink) {
    TargetFiles files(outputFolder, folder, sink);
    if (files.ready())
        files.fail(Error{ErrorKind::WriteFailed, files.pathOf(QString()),
                         QStringLiteral("this target is not written yet")});
    return files.report();
}

} // namespace

WriteReport writeAndroidAdaptive(const Generation &, const QString &outputFolder, const FailureSink &sink) {
    return notYetWritten(outputFolder, QStringLiteral("Android-adaptive"), sink);
}

} // namespace glyphon
