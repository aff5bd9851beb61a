#include "UpdaterController.h"
#include "FeedSecurity.h"
#include "FeedTestSupport.h"
#include "UpdateSettings.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace glyphon;
using namespace glyphon::test;
using namespace std::chrono_literals;

namespace {

class UpdaterControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.isListening());
        serveSignedFeed(server, QStringLiteral("/appcast.xml"), appcast({{QStringLiteral("2.0"), {}}}), keys);
    }

    UpdaterConfig config() const {
        UpdaterConfig config;
        config.feedUrl = server.url(QStringLiteral("/appcast.xml"));
        config.currentVersion = QStringLiteral("1.0");
        config.publicKey = keys.publicKey;
        return config;
    }

    // One launch of the application: a controller started with the same settings as the last one.
    // Returns how often the one-time question was asked.
    int launch(const UpdaterConfig &config) {
        UpdaterController controller(&settings, config, true);
        QSignalSpy asked(&controller, &UpdaterController::automaticChecksPermissionRequested);
        QCoreApplication::processEvents();
        return static_cast<int>(asked.size());
    }

    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
    SigningKeys keys;
    HttpTestServer server;
};

TEST_F(UpdaterControllerTest, AsksOnceAtTheSecondLaunch) {
    EXPECT_EQ(launch(config()), 0);
    EXPECT_EQ(launch(config()), 1);
    // Not answered (the window was closed before): asked again next time, never answered twice.
    EXPECT_EQ(launch(config()), 1);
    settings.setValue(updateSettings::automaticChecks, false);
    EXPECT_EQ(launch(config()), 0);
    EXPECT_EQ(settings.value(updateSettings::launchCount).toInt(), 4);
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(UpdaterControllerTest, BuildWithoutFeedNeverAsks) {
    UpdaterConfig none = config();
    none.feedUrl = QUrl();
    EXPECT_EQ(launch(none), 0);
    EXPECT_EQ(launch(none), 0);
    EXPECT_EQ(settings.value(updateSettings::launchCount).toInt(), 2);
}

TEST_F(UpdaterControllerTest, AgreeingChecksAtOnceInTheBackgroundAndThenDaily) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    UpdaterController controller(&settings, config(), true);
    controller.setClock([now] { return now; });
    QSignalSpy finished(controller.updater(), &Updater::checkFinished);
    EXPECT_FALSE(controller.hasScheduledCheck());

    controller.setAutomaticallyChecksForUpdates(true);
    const UpdateCheckOutcome outcome = waitForOutcome(finished);
    EXPECT_EQ(outcome.kind, UpdateCheckOutcome::Kind::UpdateAvailable);
    EXPECT_FALSE(outcome.userInitiated);
    EXPECT_EQ(settings.value(updateSettings::lastCheck).toDateTime(), now);
    ASSERT_TRUE(controller.hasScheduledCheck());
    EXPECT_EQ(controller.scheduledCheckDelay(), std::chrono::milliseconds(24h));

    controller.setAutomaticallyChecksForUpdates(false); // a change of mind stops the schedule
    EXPECT_FALSE(controller.hasScheduledCheck());
    EXPECT_FALSE(settings.value(updateSettings::automaticChecks).toBool());
}

TEST_F(UpdaterControllerTest, RecentCheckWaitsForTheRestOfTheDayAndACheckByHandRestartsIt) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    settings.setValue(updateSettings::automaticChecks, true);
    settings.setValue(updateSettings::lastCheck, now.addSecs(-20 * 3600));
    UpdaterController controller(&settings, config(), false);
    controller.setClock([now] { return now; });
    controller.startUpdater();
    ASSERT_TRUE(controller.hasScheduledCheck());
    EXPECT_EQ(controller.scheduledCheckDelay(), std::chrono::milliseconds(4h));

    QSignalSpy finished(controller.updater(), &Updater::checkFinished);
    controller.updater()->checkForUpdates();
    waitForOutcome(finished);
    EXPECT_EQ(controller.scheduledCheckDelay(), std::chrono::milliseconds(24h));
}

TEST(FeedAddressSetting, OverridesTheBuiltInAddressWhenSet) {
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    EXPECT_EQ(configuredFeedUrl(settings), builtInFeedUrl());
    settings.setValue(updateSettings::feedUrl, QStringLiteral(" https://mirror.glyphon.app/appcast.xml "));
    EXPECT_EQ(configuredFeedUrl(settings), QUrl(QStringLiteral("https://mirror.glyphon.app/appcast.xml")));
    EXPECT_EQ(defaultUpdaterConfig(settings).feedUrl, configuredFeedUrl(settings));
}

TEST(CheckSchedule, DelayUntilNextCheck) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto day = std::chrono::milliseconds(24h);
    EXPECT_EQ(delayUntilNextCheck(QDateTime(), now, day), 0ms) << "never checked";
    EXPECT_EQ(delayUntilNextCheck(now.addSecs(-25 * 3600), now, day), 0ms) << "overdue";
    EXPECT_EQ(delayUntilNextCheck(now.addSecs(-6 * 3600), now, day), std::chrono::milliseconds(18h));
    EXPECT_EQ(delayUntilNextCheck(now, now, day), day);
    EXPECT_EQ(delayUntilNextCheck(now.addDays(30), now, day), day) << "clock set back";
}

} // namespace
