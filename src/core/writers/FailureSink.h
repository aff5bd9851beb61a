#pragma once

#include "Error.h"

#include <QList>
#include <QString>
#include <functional>

namespace glyphon {

// Receives each failure of a write as it happens. The default prints the documented line on standard output.
using FailureSink = std::function<void(const Error &error)>;

// "Something went wrong: " and the failure's description: the one line a failed write prints.
QString failureLine(const Error &error);

// The default sink: the failure's line on standard output.
void printFailure(const Error &error);

// What a writer did: the files it wrote, counted per write, and what failed, in order. Only both together
// tell "some failed" from "nothing was written".
struct WriteReport {
    int written = 0;
    QList<Error> failures;
};

} // namespace glyphon
