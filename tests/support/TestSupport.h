#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>

namespace glyphon::test {

// A file of the repository, by its path from the project root.
QString sourcePath(const QString &relative);

// A file of tests/data.
QString dataPath(const QString &name);

// Every byte of a file; empty when it cannot be read.
QByteArray fileBytes(const QString &path);

// The programs tests run, by their Debian paths: another program of the same name may come first on PATH.
// scripts/install-deps.sh installs each; a missing one fails the test that runs it.
inline const QString imageMagickConvert = QStringLiteral("/usr/bin/convert-im6.q16");
inline const QString pngcheck = QStringLiteral("/usr/bin/pngcheck");
inline const QString icotool = QStringLiteral("/usr/bin/icotool");
inline const QString icns2png = QStringLiteral("/usr/bin/icns2png");
inline const QString aapt2 = QStringLiteral("/usr/bin/aapt2");
inline const QString rsvgConvert = QStringLiteral("/usr/bin/rsvg-convert");
inline const QString chromium = QStringLiteral("/usr/bin/chromium");

struct ToolRun {
    int exitCode = -1;
    QByteArray output;
    QByteArray errors;
};

// Runs one of the programs above with input on its standard input; one that cannot start, crashes or hangs
// fails the calling test.
ToolRun runTool(const QString &program, const QStringList &arguments, const QByteArray &input = {});

// Spins the event loop until the condition holds; the deadline only keeps a broken build from hanging.
bool waitUntil(const std::function<bool()> &condition, int deadlineMs = 20000);

// A square premultiplied canvas filled with one colour.
QImage filled(int edge, const QColor &color);

// The bundled sample at this edge under a translucent band: flat clear areas, smooth shading, hard and
// soft edges and every degree of alpha, premultiplied as the renderer hands pictures on.
QImage iconPicture(int edge);

// The largest channel difference between two pictures, premultiplied: how far apart they look over any
// background. Only over the pixels opaque in the first when asked; 256 when the sizes differ.
int premultipliedDistance(const QImage &expected, const QImage &actual, bool opaqueOnly = false);

// The mean over all pixels of the largest premultiplied channel difference: how alike two renders of one
// drawing look when their edges antialias differently. 256 when the sizes differ.
double meanPremultipliedDistance(const QImage &expected, const QImage &actual);

} // namespace glyphon::test
