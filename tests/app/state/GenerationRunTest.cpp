#include "StateTestSupport.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMimeData>

namespace glyphon::test {
namespace {

// Records what the run asks of the desktop, and the flags as the window would see them.
class GenerationRun : public StateFixture {
protected:
    ContentViewState &runState(std::chrono::milliseconds hold = std::chrono::milliseconds(20)) {
        ContentViewSeams seams;
        seams.chooseFolder = [this](std::function<void(const QList<QUrl> &)> completion) {
            ++m_chooserShown;
            if (m_confirm)
                completion({QUrl::fromLocalFile(m_output)});
        };
        seams.openFolder = [this](const QString &folder) {
            m_opened.append(folder);
            m_flagsWhenOpened = flags();
        };
        seams.successHold = hold;
        ContentViewState &s = state(std::move(seams));
        s.setImage(Image(filled(1024, QColor(30, 120, 220))));
        settle(s);
        QObject::connect(&s, &ContentViewState::progressChanged, &s,
                         [this] { m_progress.append(m_state->progress()); });
        QObject::connect(&s, &ContentViewState::hasSuccessChanged, &s, [this] {
            if (m_state->hasSuccess())
                m_flagsAtSuccess = flags();
        });
        return s;
    }

    void selectOnly(std::initializer_list<bool> rows) {
        auto it = rows.begin();
        m_state->setForMacos(*it++);
        m_state->setForIos(*it++);
        m_state->setForWatchos(*it++);
        m_state->setForAndroid(*it++);
        m_state->setForFavicon(*it++);
    }

    // isProcessing, hasProgress, hasSuccess
    std::array<bool, 3> flags() const {
        return {m_state->isProcessing(), m_state->hasProgress(), m_state->hasSuccess()};
    }

    bool runEnded() {
        return waitUntil([this] { return !m_opened.isEmpty(); }, 120000);
    }

    bool exists(const QString &relative) const {
        return QFileInfo::exists(QDir(m_output).filePath(relative));
    }

    QString m_output = m_dir.filePath(QStringLiteral("out"));
    bool m_confirm = true;
    int m_chooserShown = 0;
    QStringList m_opened;
    QList<double> m_progress;
    std::array<bool, 3> m_flagsAtSuccess{};
    std::array<bool, 3> m_flagsWhenOpened{};
};

TEST_F(GenerationRun, MacosAndAndroidStepTheProgressThenSucceedAndOpenTheFolder) {
    ContentViewState &s = runState();
    selectOnly({true, false, false, true, false});
    QDir().mkpath(m_output);

    s.startGeneration({QUrl::fromLocalFile(m_output)});
    EXPECT_EQ(flags(), (std::array<bool, 3>{true, true, false}));
    EXPECT_EQ(s.totalProgress(), 2.0);
    EXPECT_EQ(s.progress(), 0.0);
    ASSERT_TRUE(runEnded());

    EXPECT_EQ(m_progress, (QList<double>{1.0, 2.0}));
    EXPECT_EQ(m_flagsAtSuccess, (std::array<bool, 3>{true, false, true}));
    EXPECT_EQ(m_flagsWhenOpened, (std::array<bool, 3>{false, false, false}));
    EXPECT_EQ(m_opened, QStringList{m_output});
    EXPECT_EQ(s.generationFailures(), 0);
    EXPECT_TRUE(exists(QStringLiteral("macOS/AppIcon.appiconset/Contents.json")));
    EXPECT_TRUE(exists(QStringLiteral("Android/mipmap-mdpi/ic_launcher.png")));
    EXPECT_FALSE(exists(QStringLiteral("iOS")));
    EXPECT_FALSE(exists(QStringLiteral("watchOS")));
    EXPECT_FALSE(exists(QStringLiteral("FavIcon")));
    // Progress and total keep their last values after the run.
    EXPECT_EQ(s.progress(), 2.0);
    EXPECT_EQ(s.totalProgress(), 2.0);
}

TEST_F(GenerationRun, NoPlatformStillSucceedsAndOpensTheUnchangedFolder) {
    ContentViewState &s = runState();
    selectOnly({false, false, false, false, false});
    QDir().mkpath(m_output);
    s.startGeneration({QUrl::fromLocalFile(m_output)});
    EXPECT_EQ(s.totalProgress(), 0.0);
    ASSERT_TRUE(runEnded());
    EXPECT_TRUE(m_progress.isEmpty());
    EXPECT_EQ(m_flagsAtSuccess, (std::array<bool, 3>{true, false, true}));
    EXPECT_EQ(m_opened, QStringList{m_output});
    EXPECT_TRUE(QDir(m_output).isEmpty());
}

TEST_F(GenerationRun, WriterFailuresAreCountedPrintedAndTheFolderStillOpens) {
    ContentViewState &s = runState();
    selectOnly({true, false, false, true, false});
    QDir().mkpath(m_output);
    // A plain file where the macOS folder belongs: that writer cannot write anything.
    QFile blocker(QDir(m_output).filePath(QStringLiteral("macOS")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    ::testing::internal::CaptureStdout();
    s.startGeneration({QUrl::fromLocalFile(m_output)});
    const bool ended = runEnded();
    const QString printed = QString::fromStdString(::testing::internal::GetCapturedStdout());
    ASSERT_TRUE(ended);

    EXPECT_GT(s.generationFailures(), 0);
    EXPECT_FALSE(s.firstFailureMessage().isEmpty());
    EXPECT_TRUE(printed.startsWith(QStringLiteral("Something went wrong: ") + s.firstFailureMessage()));
    EXPECT_EQ(printed.count(QStringLiteral("Something went wrong: ")), s.generationFailures());
    // The next platform is still written and the run still ends normally.
    EXPECT_TRUE(exists(QStringLiteral("Android/mipmap-xxxhdpi/ic_launcher.png")));
    EXPECT_EQ(m_progress, (QList<double>{1.0, 2.0}));
    EXPECT_EQ(m_opened, QStringList{m_output});
}

TEST_F(GenerationRun, NextRunStartsWithNoFailures) {
    ContentViewState &s = runState();
    selectOnly({false, false, false, true, false});
    QDir().mkpath(m_output);
    QFile blocker(QDir(m_output).filePath(QStringLiteral("Android")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ::testing::internal::CaptureStdout();
    s.startGeneration({QUrl::fromLocalFile(m_output)});
    ASSERT_TRUE(runEnded());
    ::testing::internal::GetCapturedStdout();
    ASSERT_GT(s.generationFailures(), 0);

    ASSERT_TRUE(blocker.remove());
    m_opened.clear();
    s.startGeneration({QUrl::fromLocalFile(m_output)});
    EXPECT_EQ(s.generationFailures(), 0);
    ASSERT_TRUE(runEnded());
    EXPECT_EQ(s.generationFailures(), 0);
    EXPECT_TRUE(s.firstFailureMessage().isEmpty());
}

TEST_F(GenerationRun, SuccessIsHeldBeforeTheFolderOpensAndDropsAreWelcomeMeanwhile) {
    ContentViewState &s = runState(std::chrono::milliseconds(400));
    selectOnly({false, false, false, false, false});
    s.startGeneration({QUrl::fromLocalFile(m_output)});
    ASSERT_TRUE(waitUntil([&s] { return s.hasSuccess(); }));
    EXPECT_TRUE(m_opened.isEmpty());
    EXPECT_TRUE(s.isProcessing()); // "Generate" stays disabled
    QMimeData empty;
    EXPECT_TRUE(s.handleDrop(&empty));
    ASSERT_TRUE(runEnded());
    EXPECT_FALSE(s.hasSuccess() || s.isProcessing());
}

TEST_F(GenerationRun, EffectsOfTheMomentOfStartAreWritten) {
    ContentViewState &s = runState();
    selectOnly({true, false, false, false, false});
    s.setWithPadding(true);
    s.setPaddingPx(100.0);
    settle(s);
    s.startGeneration({QUrl::fromLocalFile(m_output)});
    s.setWithPadding(false); // changes during the run do not reach it
    ASSERT_TRUE(runEnded());
    const QImage written(QDir(m_output).filePath(QStringLiteral("macOS/AppIcon.appiconset/1024.png")));
    ASSERT_FALSE(written.isNull());
    EXPECT_EQ(written.width(), 1024);
    EXPECT_EQ(qAlpha(written.pixel(50, 512)), 0);
    EXPECT_EQ(qAlpha(written.pixel(512, 512)), 255);
}

TEST_F(GenerationRun, CreateIconsClosesTheSheetAsksForAFolderAndRuns) {
    ContentViewState &s = runState();
    selectOnly({false, false, false, false, false});
    s.setShowingPlatformSheet(true);
    ::testing::internal::CaptureStdout();
    s.createIconsPressed();
    EXPECT_EQ(QString::fromStdString(::testing::internal::GetCapturedStdout()),
              QStringLiteral("button clicked!\n"));
    EXPECT_FALSE(s.showingPlatformSheet());
    EXPECT_EQ(m_chooserShown, 1);
    EXPECT_TRUE(s.isProcessing());
    ASSERT_TRUE(runEnded());
}

TEST_F(GenerationRun, CancelledFolderChooserChangesNoFlag) {
    ContentViewState &s = runState();
    m_confirm = false;
    s.setShowingPlatformSheet(true);
    ::testing::internal::CaptureStdout();
    s.createIconsPressed();
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(m_chooserShown, 1);
    EXPECT_FALSE(s.showingPlatformSheet());
    EXPECT_EQ(flags(), (std::array<bool, 3>{false, false, false}));
    EXPECT_FALSE(QFileInfo::exists(m_output));
}

TEST_F(GenerationRun, RunWithoutAUsableFolderOrDuringARunIsNotStarted) {
    ContentViewState &s = runState(std::chrono::hours(1));
    selectOnly({false, false, false, false, false});
    s.startGeneration({});
    s.startGeneration({QUrl(QStringLiteral("https://example.com/"))});
    EXPECT_FALSE(s.isProcessing());

    s.startGeneration({QUrl::fromLocalFile(m_output)});
    ASSERT_TRUE(waitUntil([&s] { return s.hasSuccess(); }));
    s.setForMacos(true);
    s.startGeneration({QUrl::fromLocalFile(m_output)});
    EXPECT_TRUE(s.hasSuccess()); // the first run was left alone
    EXPECT_EQ(s.totalProgress(), 0.0);
}

} // namespace
} // namespace glyphon::test
