#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace glyphon::test {

QString sourcePath(const QString &relative) {
    return QDir(QStringLiteral(GLYPHON_SOURCE_DIR)).filePath(relative);
}

QString dataPath(const QString &name) {
    return QDir(QStringLiteral(GLYPHON_TEST_DATA)).filePath(name);
}

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

ToolRun runTool(const QString &program, const QStringList &arguments, const QByteArray &input) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(30000)) {
        ADD_FAILURE() << program.toStdString() << " does not start (" << process.errorString().toStdString()
                      << "); scripts/install-deps.sh installs it";
        return {};
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << program.toStdString() << " did not finish";
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << program.toStdString() << " crashed";
        return {};
    }
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

bool waitUntil(const std::function<bool()> &condition, int deadlineMs) {
    QDeadlineTimer deadline(deadlineMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

QImage filled(int edge, const QColor &color) {
    QImage image(edge, edge, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

} // namespace glyphon::test
