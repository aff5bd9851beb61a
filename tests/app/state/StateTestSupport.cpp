#include "StateTestSupport.h"

#include "TestSupport.h"

#include <QFile>

namespace glyphon::test {

void StateFixture::writeIni(const QByteArray &text) {
    reopenStore();
    QFile file(path(QStringLiteral("settings.ini")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

QString StateFixture::writePicture(const QString &name, int edge, const QColor &color) {
    const QString file = path(name);
    EXPECT_TRUE(filled(edge, color).save(file, "PNG"));
    return file;
}

} // namespace glyphon::test
