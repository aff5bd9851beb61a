#include "UpdateDialogs.h"
#include "Updater.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace glyphon;
using namespace Qt::Literals::StringLiterals;
using Kind = UpdateCheckOutcome::Kind;

namespace {

QAbstractButton *button(QMessageBox *box, const QString &text) {
    for (QAbstractButton *b : box->buttons())
        if (b->text() == text)
            return b;
    ADD_FAILURE() << "no button " << text.toStdString();
    return nullptr;
}

class UpdateDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QCoreApplication::setApplicationName(u"Glyphon"_s);
        UpdaterConfig config;
        config.currentVersion = u"1.0"_s;
        updater = std::make_unique<Updater>(config, &settings);
        release.kind = Kind::UpdateAvailable;
        release.userInitiated = true;
        release.update.version = u"120"_s;
        release.update.shortVersionString = u"1.2"_s;
        release.update.downloadUrl = QUrl(u"https://glyphon.app/glyphon_1.2.deb"_s);
        release.update.infoUrl = QUrl(u"https://glyphon.app/releases/1.2"_s);
        release.update.releaseNotesLink = QUrl(u"https://glyphon.app/notes/1.2.html"_s);
    }

    QMessageBox *present(Kind kind, bool userInitiated) {
        UpdateCheckOutcome outcome = release;
        outcome.kind = kind;
        outcome.userInitiated = userInitiated;
        outcome.errorText = u"The update feed is not signed, so it cannot be trusted."_s;
        return presentUpdateOutcome(nullptr, *updater, outcome,
                                    [this](const QUrl &url) { return opened << url, true; });
    }

    QTemporaryDir dir;
    QSettings settings{dir.filePath(u"settings.ini"_s), QSettings::IniFormat};
    std::unique_ptr<Updater> updater;
    UpdateCheckOutcome release;
    QList<QUrl> opened;
};

TEST_F(UpdateDialogsTest, NewVersionDialogShowsTheReleaseAndItsNotes) {
    QMessageBox *box = present(Kind::UpdateAvailable, true);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), u"A new version of Glyphon is available!"_s);
    EXPECT_TRUE(box->informativeText().contains(u"Glyphon 1.2 is now available\u2014you have 1.0."_s));
    int links = 0;
    for (QLabel *label : box->findChildren<QLabel *>()) {
        if (label->text().contains(u"Release Notes"_s)) {
            ++links;
            emit label->linkActivated(release.update.releaseNotesLink.toString());
        }
    }
    EXPECT_EQ(links, 1);
    EXPECT_EQ(opened, QList<QUrl>{release.update.releaseNotesLink});
    box->close();
}

TEST_F(UpdateDialogsTest, EachChoiceDoesWhatItSays) {
    // Download opens the release page and installs nothing; Skip remembers the build version.
    button(present(Kind::UpdateAvailable, true), u"Remind Me Later"_s)->click();
    present(Kind::UpdateAvailable, true)->close();
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(updater->skippedVersion().isEmpty());

    button(present(Kind::UpdateAvailable, true), u"Download"_s)->click();
    EXPECT_EQ(opened, QList<QUrl>{release.update.infoUrl});
    EXPECT_TRUE(updater->skippedVersion().isEmpty());

    button(present(Kind::UpdateAvailable, true), u"Skip This Version"_s)->click();
    EXPECT_EQ(updater->skippedVersion(), u"120"_s);
    EXPECT_EQ(opened.size(), 1);
}

TEST_F(UpdateDialogsTest, ScheduledChecksSpeakOnlyAboutANewUnskippedRelease) {
    const struct {
        Kind kind;
        bool userInitiated;
        const char *text; // nullptr: no dialog
        const char *details = nullptr;
    } cases[] = {
        {Kind::UpToDate, true, "You're up to date!",
         "Glyphon 1.0 is currently the newest version available."},
        {Kind::Error, true, "Update Error!", "The update feed is not signed, so it cannot be trusted."},
        {Kind::SkippedVersion, true, "A new version of Glyphon is available!"},
        {Kind::UpdateAvailable, false, "A new version of Glyphon is available!"},
        {Kind::UpToDate, false, nullptr},
        {Kind::Error, false, nullptr},
        {Kind::SkippedVersion, false, nullptr},
    };
    for (const auto &c : cases) {
        QMessageBox *box = present(c.kind, c.userInitiated);
        if (!c.text) {
            EXPECT_EQ(box, nullptr) << static_cast<int>(c.kind);
            continue;
        }
        ASSERT_NE(box, nullptr) << c.text;
        EXPECT_EQ(box->text(), QString::fromUtf8(c.text));
        if (c.details) {
            EXPECT_EQ(box->informativeText(), QString::fromUtf8(c.details));
        }
        box->close();
    }
}

TEST(AutomaticChecksQuestion, AnswersYesOnlyForCheckAutomatically) {
    QList<bool> answers;
    const auto ask = [&] { return askForAutomaticUpdateChecks(nullptr, [&](bool yes) { answers << yes; }); };
    QMessageBox *box = ask();
    EXPECT_EQ(box->text(), u"Check for updates automatically?"_s);
    button(box, u"Check Automatically"_s)->click();
    button(ask(), u"Don't Check"_s)->click();
    ask()->close();
    EXPECT_EQ(answers, (QList<bool>{true, false, false}));
}

} // namespace
