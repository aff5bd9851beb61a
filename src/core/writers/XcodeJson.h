#pragma once

#include <QByteArray>
#include <QJsonValue>

namespace glyphon {

// The text Xcode and Icon Composer save their JSON as: keys sorted, two-space indents, " : " between a key
// and its value, a newline at the end. A file written so compares equal to one the tools save, line for
// line, which keeps diffs quiet when a project checks the files in.
QByteArray xcodeJson(const QJsonValue &value);

} // namespace glyphon
