#include "UpdateDialogs.h"
#include "Updater.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace glyphon;
using Kind = UpdateCheckOutcome::Kind;

namespace {

QAbstractButton *button(QMessageBox *box, const QString &text) {
    for (QAbstractButton *b : box->buttons())
        if (b->text() == text)
            return b;
    return nullptr;
}

class UpdateDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QCoreApplication::setApplicationName(QStringLiteral("Glyphon"));
        UpdaterConfig config;
        config.currentVersion = QStringLiteral("1.0");
        updater = std::make_unique<Updater>(config, &settings);
        outcome.kind = Kind::updateAvailable;
        outcome.userInitiated = true;
        outcome.update.version = QStringLiteral("120");
        outcome.update.shortVersionString = QStringLiteral("1.2");
        outcome.update.downloadUrl = QUrl(QStringLiteral("https://glyphon.app/glyphon_1.2.deb"));
        outcome.update.infoUrl = QUrl(QStringLiteral("https://glyphon.app/releases/1.2"));
        outcome.update.releaseNotesLink = QUrl(QStringLiteral("https://glyphon.app/notes/1.2.html"));
    }

    QMessageBox *present(const UpdateCheckOutcome &o) {
        return presentUpdateOutcome(nullptr, *updater, o,
                                    [this](const QUrl &url) { return opened << url, true; });
    }

    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
    std::unique_ptr<Updater> updater;
    UpdateCheckOutcome outcome;
    QList<QUrl> opened;
};

TEST_F(UpdateDialogsTest, NewVersionDialogOffersTheThreeChoices) {
    QMessageBox *box = present(outcome);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("A new version of Glyphon is available!"));
    EXPECT_TRUE(
        box->informativeText().contains(QStringLiteral("Glyphon 1.2 is now available\u2014you have 1.0.")));
    EXPECT_NE(button(box, QStringLiteral("Download")), nullptr);
    EXPECT_NE(button(box, QStringLiteral("Skip This Version")), nullptr);
    EXPECT_NE(button(box, QStringLiteral("Remind Me Later")), nullptr);
    box->close();
}

TEST_F(UpdateDialogsTest, DownloadOpensTheReleasePageAndInstallsNothing) {
    QPointer<QMessageBox> box = present(outcome);
    button(box, QStringLiteral("Download"))->click();
    EXPECT_EQ(opened, QList<QUrl>{QUrl(QStringLiteral("https://glyphon.app/releases/1.2"))});
    EXPECT_TRUE(updater->skippedVersion().isEmpty());
}

TEST_F(UpdateDialogsTest, SkipThisVersionIsRemembered) {
    QMessageBox *box = present(outcome);
    button(box, QStringLiteral("Skip This Version"))->click();
    EXPECT_EQ(updater->skippedVersion(), QStringLiteral("120"));
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(UpdateDialogsTest, RemindMeLaterAndClosingChangeNothing) {
    QMessageBox *box = present(outcome);
    button(box, QStringLiteral("Remind Me Later"))->click();
    box = present(outcome);
    box->close();
    EXPECT_TRUE(updater->skippedVersion().isEmpty());
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(UpdateDialogsTest, ReleaseNotesLinkGoesThroughTheOpener) {
    QMessageBox *box = present(outcome);
    bool found = false;
    for (QLabel *label : box->findChildren<QLabel *>()) {
        if (label->text().contains(QStringLiteral("Release Notes"))) {
            found = true;
            emit label->linkActivated(QStringLiteral("https://glyphon.app/notes/1.2.html"));
        }
    }
    EXPECT_TRUE(found);
    EXPECT_EQ(opened, QList<QUrl>{outcome.update.releaseNotesLink});
    box->close();
}

TEST_F(UpdateDialogsTest, UpToDateAndErrorsAnswerOnlyChecksAskedFor) {
    UpdateCheckOutcome upToDate;
    upToDate.kind = Kind::upToDate;
    upToDate.userInitiated = true;
    QMessageBox *box = present(upToDate);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("You're up to date!"));
    EXPECT_EQ(box->informativeText(),
              QStringLiteral("Glyphon 1.0 is currently the newest version available."));
    box->close();

    UpdateCheckOutcome error;
    error.kind = Kind::error;
    error.userInitiated = true;
    error.errorText = QStringLiteral("The update feed is not signed, so it cannot be trusted.");
    box = present(error);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->informativeText(), error.errorText);
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    box->close();

    upToDate.userInitiated = false;
    error.userInitiated = false;
    EXPECT_EQ(present(upToDate), nullptr);
    EXPECT_EQ(present(error), nullptr);
}

TEST_F(UpdateDialogsTest, SkippedReleaseReturnsOnlyWhenAskedFor) {
    outcome.kind = Kind::skippedVersion;
    outcome.userInitiated = false;
    EXPECT_EQ(present(outcome), nullptr);
    outcome.userInitiated = true;
    QMessageBox *box = present(outcome);
    ASSERT_NE(box, nullptr);
    box->close();
}

TEST_F(UpdateDialogsTest, ScheduledCheckStillAnnouncesANewRelease) {
    outcome.userInitiated = false;
    QMessageBox *box = present(outcome);
    ASSERT_NE(box, nullptr);
    box->close();
}

TEST(AutomaticChecksQuestion, AnswersYesOnlyForCheckAutomatically) {
    QList<bool> answers;
    QMessageBox *box = askForAutomaticUpdateChecks(nullptr, [&](bool yes) { answers << yes; });
    EXPECT_EQ(box->text(), QStringLiteral("Check for updates automatically?"));
    button(box, QStringLiteral("Check Automatically"))->click();
    box = askForAutomaticUpdateChecks(nullptr, [&](bool yes) { answers << yes; });
    button(box, QStringLiteral("Don't Check"))->click();
    box = askForAutomaticUpdateChecks(nullptr, [&](bool yes) { answers << yes; });
    box->close();
    EXPECT_EQ(answers, (QList<bool>{true, false, false}));
}

} // namespace
