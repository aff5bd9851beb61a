#pragma once

#include <QStringList>
#include <QTextStream>

namespace glyphon::cli {

// glyphon-cli generate: writes the selected platforms' sets from one source.
int generate(const QStringList &arguments, QTextStream &out, QTextStream &err);

// glyphon-cli preview: writes a contact sheet of the icon as each platform shows it.
int preview(const QStringList &arguments, QTextStream &out, QTextStream &err);

// glyphon-cli validate: tells whether a source suits an icon set.
int validate(const QStringList &arguments, QTextStream &out, QTextStream &err);

// glyphon-cli check: tells what the stores and browsers would refuse in the icon sets below a folder.
int check(const QStringList &arguments, QTextStream &out, QTextStream &err);

// generate --check: checks the folder just written and prints what check prints; true when it found an
// error (or could not read the folder).
bool checkWrittenFolder(const QString &folder, QTextStream &out, QTextStream &err);

} // namespace glyphon::cli
