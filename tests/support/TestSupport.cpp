#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>

namespace glyphon::test {

QString sourcePath(const QString &relative) {
    return QDir(QStringLiteral(GLYPHON_SOURCE_DIR)).filePath(relative);
}

QString dataPath(const QString &name) {
    return QDir(QStringLiteral(GLYPHON_TEST_DATA)).filePath(name);
}

QString sharedPicture(const QString &name) {
    const QString path =
        QDir(QStringLiteral(GLYPHON_SOURCE_DIR)).filePath(QStringLiteral("../shared/testdata/") + name);
    return QFileInfo::exists(path) ? QDir::cleanPath(path) : QString();
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
