#pragma once

#include "FailureSink.h"

#include <QString>

namespace glyphon {

class Generation;

// The writers of the targets beyond the classic sets, one per target; each writes below its own folder of
// the output folder.
WriteReport writeIosSingle(const Generation &generation, const QString &outputFolder,
                           const FailureSink &sink);
WriteReport writeWatchosSingle(const Generation &generation, const QString &outputFolder,
                               const FailureSink &sink);
WriteReport writeIconComposer(const Generation &generation, const QString &outputFolder,
                              const FailureSink &sink);
WriteReport writeMacosIcns(const Generation &generation, const QString &outputFolder,
                           const FailureSink &sink);
WriteReport writeAndroidAdaptive(const Generation &generation, const QString &outputFolder,
                                 const FailureSink &sink);
WriteReport writeWebModern(const Generation &generation, const QString &outputFolder,
                           const FailureSink &sink);
WriteReport writeWindows(const Generation &generation, const QString &outputFolder, const FailureSink &sink);
WriteReport writeLinux(const Generation &generation, const QString &outputFolder, const FailureSink &sink);

} // namespace glyphon
