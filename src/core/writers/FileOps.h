#pragma once

#include "Error.h"

#include <QByteArray>
#include <QString>

namespace glyphon {

// Creates the folder with all missing parents; an existing folder is fine.
Result<void> makeFolder(const QString &path);

// Replaces the file's contents through a temporary file, so a write that fails part-way
// (a full disk) leaves the previous complete file or none, never a truncated one.
Result<void> writeFile(const QString &path, const QByteArray &bytes);

// A text resource of the program in whatever encoding it carries, as UTF-8.
Result<QByteArray> readResourceText(const QString &resource);

} // namespace glyphon
