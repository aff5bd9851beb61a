#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLinearGradient>
#include <QPainter>
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

QImage iconPicture(int edge) {
    const QImage sample(sourcePath(QStringLiteral("resources/samples/apple-1024.png")));
    QImage picture = sample.scaled(edge, edge, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                         .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&picture);
    QLinearGradient band(0, 0, edge, 0);
    band.setColorAt(0, QColor(20, 90, 230, 40));
    band.setColorAt(1, QColor(250, 200, 20, 220));
    painter.fillRect(QRectF(0, edge * 0.6, edge, edge * 0.25), band);
    return picture;
}

int premultipliedDistance(const QImage &expected, const QImage &actual, bool opaqueOnly) {
    if (expected.size() != actual.size())
        return 256;
    const QImage a = expected.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage b = actual.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        const QRgb *p = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const QRgb *q = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (opaqueOnly && qAlpha(p[x]) != 255)
                continue;
            for (const int shift : {0, 8, 16, 24})
                worst = std::max(worst, std::abs(int((p[x] >> shift) & 0xff) - int((q[x] >> shift) & 0xff)));
        }
    }
    return worst;
}

double meanPremultipliedDistance(const QImage &expected, const QImage &actual) {
    if (expected.size() != actual.size() || expected.isNull())
        return 256;
    const QImage a = expected.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage b = actual.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    double total = 0;
    for (int y = 0; y < a.height(); ++y) {
        const QRgb *p = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const QRgb *q = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            int worst = 0;
            for (const int shift : {0, 8, 16, 24})
                worst = std::max(worst, std::abs(int((p[x] >> shift) & 0xff) - int((q[x] >> shift) & 0xff)));
            total += worst;
        }
    }
    return total / (double(a.width()) * a.height());
}

} // namespace glyphon::test
