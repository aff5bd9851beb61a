#pragma once

#include <QByteArray>
#include <QString>

namespace glyphon {

// Creates the folder with all missing parents; an existing folder is fine. On failure, error says why.
bool makeFolder(const QString &path, QString *error);

// Replaces the file's contents through a temporary file, so a write that fails part-way
// (a full disk) leaves the previous complete file or none, never a truncated one.
bool writeFile(const QString &path, const QByteArray &bytes, QString *error);

} // namespace glyphon
