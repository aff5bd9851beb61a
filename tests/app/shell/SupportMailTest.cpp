#include "SupportMail.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace glyphon;

namespace {

TEST(SupportMail, NamedApplication) {
    EXPECT_EQ(
        supportEmailUrlText(QStringLiteral("Glyphon")),
        QStringLiteral("mailto:support@glyphon.app?subject=Glyphon%20Support%20Request"
                       "&body=Hello%20Glyphon%20Team,%0A%0AI%20need%20assistance%20with%20the%20following:"
                       "%0A%0A"));
}

TEST(SupportMail, UnnamedApplicationIsCalledApp) {
    const QString text = supportEmailUrlText(QString());
    EXPECT_TRUE(
        text.contains(QStringLiteral("?subject=App%20Support%20Request&body=Hello%20App%20Team,%0A")));
}

TEST(SupportMail, NamesThatWouldBreakTheQueryAreEscaped) {
    // Bare, "&" would end the subject early and "+" could arrive as a blank.
    EXPECT_TRUE(supportEmailUrlText(QStringLiteral("R&D+ Grün"))
                    .contains(QStringLiteral("?subject=R%26D%2B%20Gr%C3%BCn%20Support%20Request&body=")));
}

TEST(SupportMail, OpensThePreparedMailThroughTheGivenOpener) {
    const QString before = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("Glyphon"));
    QList<QUrl> opened;
    EXPECT_TRUE(openSupportEmail([&](const QUrl &url) { return opened << url, true; }));
    QCoreApplication::setApplicationName(before);
    ASSERT_EQ(opened.size(), 1);
    // The mail client gets the escapes untouched: blanks as %20, line feeds as %0A.
    EXPECT_EQ(QString::fromUtf8(opened.first().toEncoded()), supportEmailUrlText(QStringLiteral("Glyphon")));
    EXPECT_EQ(opened.first().scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(opened.first().path(), QStringLiteral("support@glyphon.app"));
}

} // namespace
