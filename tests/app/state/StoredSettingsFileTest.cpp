#include "StateTestSupport.h"

#include "TestSupport.h"

#include <QFile>

namespace glyphon::test {
namespace {

// A settings file as Glyphon 0.1.0 wrote it, with every key away from its default: a user's preferences
// must come through every later version unchanged, and saving them again must write the same text.
class StoredSettingsFile : public StateFixture {
protected:
    void SetUp() override {
        StateFixture::SetUp();
        QFile original(dataPath(QStringLiteral("settings/glyphon-0.1.0.conf")));
        ASSERT_TRUE(original.open(QIODevice::ReadOnly));
        m_original = original.readAll();
        writeIni(m_original);
    }

    QByteArray written() {
        reopenStore();
        QFile file(path(QStringLiteral("settings.ini")));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    QByteArray m_original;
};

TEST_F(StoredSettingsFile, LoadsEveryValue) {
    ContentViewState &s = state();
    EXPECT_TRUE(s.withRoundedCorners());
    EXPECT_EQ(s.roundedCornersPx(), 150.0);
    EXPECT_TRUE(s.withPadding());
    EXPECT_EQ(s.paddingPx(), 40.0);
    EXPECT_TRUE(s.withTint());
    EXPECT_EQ(s.tintOpacity(), 0.35);
    EXPECT_FALSE(s.forMacos() || s.forIos() || s.forWatchos() || s.forAndroid() || s.forFavicon());
    EXPECT_EQ(s.tintColorRed(), 0.8);
    EXPECT_EQ(s.tintColorGreen(), 0.4);
    EXPECT_EQ(s.tintColorBlue(), 0.2);
    EXPECT_EQ(s.tintColorOpacity(), 0.9);
    EXPECT_EQ(s.colorSelection(), (Color{0.8, 0.4, 0.2, 0.9}));
    EXPECT_EQ(s.effectSettings(),
              (EffectSettings{true, 150.0, true, 40.0, true, 0.35, {0.8, 0.4, 0.2, 0.9}}));
    EXPECT_TRUE(s.isExpanded());
    EXPECT_EQ(s.lastOutputFolder(), QStringLiteral("/tmp/glyphon-fixture/Icons"));
    EXPECT_EQ(s.lastImageFolder(), QStringLiteral("/tmp/glyphon-fixture/Art"));
    // The grid waits for the first picture.
    EXPECT_FALSE(s.showGridView());
    s.acceptImage(QUrl(), Image(filled(1024, Qt::red)));
    EXPECT_TRUE(s.showGridView());
}

TEST_F(StoredSettingsFile, SavingWhatWasLoadedKeepsEveryLine) {
    ContentViewState &s = state();
    s.saveSettings(store());
    // Every key that is written as it changes, changed away and back.
    s.setIsExpanded(false);
    s.setIsExpanded(true);
    s.acceptImage(QUrl(), Image(filled(1024, Qt::red)));
    s.toggleGridView();
    s.toggleGridView();
    const QString output = s.lastOutputFolder();
    s.setLastOutputFolder(QStringLiteral("/elsewhere"));
    s.setLastOutputFolder(output);
    s.setLastImageFolder(QStringLiteral("/elsewhere"));
    s.setLastImageFolder(QStringLiteral("/tmp/glyphon-fixture/Art"));
    const Color color = s.colorSelection();
    s.setColorSelection({0.0, 0.0, 0.0, 1.0});
    s.storeTintComponents();
    s.setColorSelection(color);
    s.storeTintComponents();
    settle(s);
    // The file of an earlier version keeps every line; what it gains are the later settings' defaults.
    QList<QByteArray> lines = written().split('\n');
    QList<QByteArray> gained;
    for (const QByteArray &line : m_original.split('\n'))
        EXPECT_TRUE(lines.removeOne(line)) << line.toStdString();
    for (const QByteArray &line : lines)
        EXPECT_TRUE(line.startsWith("for") ? line.endsWith("=false")
                                           : line.startsWith("backgroundColor=1, 1, 1, 1"))
            << line.toStdString();
}

} // namespace
} // namespace glyphon::test
