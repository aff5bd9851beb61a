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

} // namespace glyphon::cli
