#include "CheckForUpdatesMenuItem.h"
#include "CheckForUpdatesViewModel.h"
#include "FeedTestSupport.h"
#include "Updater.h"

#include <QAction>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace glyphon;
using namespace glyphon::test;

namespace {

class CheckForUpdatesMenuItemTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.isListening());
        serveSignedFeed(server, QStringLiteral("/appcast.xml"), appcast({}), keys);
        config.feedUrl = server.url(QStringLiteral("/appcast.xml"));
        config.currentVersion = QStringLiteral("1.0");
        config.publicKey = keys.publicKey;
    }

    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
    SigningKeys keys;
    HttpTestServer server;
    UpdaterConfig config;
};

TEST_F(CheckForUpdatesMenuItemTest, ItemIsDisabledWhileACheckRunsAndChoosingItChecks) {
    Updater updater(config, &settings);
    // The current value arrives at once, not the model's initial false.
    EXPECT_TRUE(CheckForUpdatesViewModel(updater).canCheckForUpdates());
    QAction *action = makeCheckForUpdatesAction(updater, &updater);
    EXPECT_EQ(action->text().remove(QLatin1Char('&')), QStringLiteral("Check for Updates\u2026"));
    EXPECT_TRUE(action->isVisible());
    EXPECT_TRUE(action->isEnabled());

    QSignalSpy finished(&updater, &Updater::checkFinished);
    action->trigger();
    EXPECT_FALSE(action->isEnabled());
    const UpdateCheckOutcome outcome = waitForOutcome(finished);
    EXPECT_TRUE(outcome.userInitiated);
    EXPECT_EQ(outcome.kind, UpdateCheckOutcome::Kind::UpToDate) << outcome.errorText.toStdString();
    EXPECT_TRUE(action->isEnabled());
    EXPECT_EQ(server.requests().first(), QStringLiteral("/appcast.xml"));
}

TEST_F(CheckForUpdatesMenuItemTest, ItemIsNotOfferedInABuildWithoutFeedOrKey) {
    config.feedUrl = QUrl();
    Updater updater(config, &settings);
    QAction *action = makeCheckForUpdatesAction(updater, &updater);
    EXPECT_FALSE(action->isVisible());
    EXPECT_FALSE(action->isEnabled());
    action->trigger(); // a disabled action does not fire, and the updater would refuse anyway
    QCoreApplication::processEvents();
    EXPECT_TRUE(server.requests().isEmpty());

    UpdaterConfig keyless = config;
    keyless.feedUrl = server.url(QStringLiteral("/appcast.xml"));
    keyless.publicKey.clear();
    Updater keylessUpdater(keyless, &settings);
    EXPECT_FALSE(makeCheckForUpdatesAction(keylessUpdater, &keylessUpdater)->isVisible());
}

} // namespace
