#include "StateTestSupport.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMimeData>
#include <QTemporaryDir>

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
    EXPECT_FALSE(s.hasWriteFailures());
    EXPECT_EQ(s.outputFolder(), m_output);
    EXPECT_TRUE(exists(QStringLiteral("macOS/AppIcon.appiconset/Contents.json")));
    EXPECT_TRUE(exists(QStringLiteral("Android/mipmap-mdpi/ic_launcher.png")));
    EXPECT_FALSE(exists(QStringLiteral("iOS")));
    EXPECT_FALSE(exists(QStringLiteral("watchOS")));
    EXPECT_FALSE(exists(QStringLiteral("FavIcon")));
    // Progress and total keep their last values after the run.
    EXPECT_EQ(s.progress(), 2.0);
    EXPECT_EQ(s.totalProgress(), 2.0);
}

TEST_F(GenerationRun, NoPlatformIsNoRunAndCreateIconsDoesNothing) {
    ContentViewState &s = runState();
    selectOnly({false, false, false, false, false});
    EXPECT_FALSE(s.anyPlatformSelected());
    QDir().mkpath(m_output);
    s.startGeneration({QUrl::fromLocalFile(m_output)});
    EXPECT_EQ(flags(), (std::array<bool, 3>{false, false, false}));
    EXPECT_EQ(s.totalProgress(), 1.0);

    s.setShowingPlatformSheet(true);
    ::testing::internal::CaptureStdout();
    s.createIconsPressed();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(s.showingPlatformSheet());
    EXPECT_EQ(m_chooserShown, 0);
    settle(s);
    EXPECT_TRUE(m_opened.isEmpty());

    s.setForFavicon(true);
    EXPECT_TRUE(s.anyPlatformSelected());
}

// Blocks a platform's folder with a plain file of its name: that writer cannot write anything.
void block(const QString &output, const char *platformFolder) {
    QDir().mkpath(output);
    QFile blocker(QDir(output).filePath(QLatin1String(platformFolder)));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
}

TEST_F(GenerationRun, SomeFailuresAreListedWholeAndTheFolderStillOpens) {
    ContentViewState &s = runState();
    selectOnly({true, false, false, true, false});
    block(m_output, "macOS");
    ::testing::internal::CaptureStdout();
    s.startGeneration({QUrl::fromLocalFile(m_output)});
    const bool ended = runEnded();
    const QString printed = QString::fromStdString(::testing::internal::GetCapturedStdout());
    ASSERT_TRUE(ended);

    ASSERT_EQ(s.generationFailures(), 1);
    // Every failure is kept whole, and the documented line is printed for each, unchanged.
    QStringList lines;
    for (const QString &message : s.generationFailureMessages())
        lines << QStringLiteral("Something went wrong: ") + message;
    EXPECT_EQ(printed, lines.join(u'\n') + u'\n');
    EXPECT_TRUE(s.generationFailureMessages().first().contains(QStringLiteral("macOS")));
    EXPECT_EQ(s.generationFilesWritten(), 5);
    EXPECT_TRUE(exists(QStringLiteral("Android/mipmap-xxxhdpi/ic_launcher.png")));
    EXPECT_EQ(m_progress, (QList<double>{1.0, 2.0}));
    // No success: the failures are reported instead, and stay after the hold.
    EXPECT_EQ(m_flagsAtSuccess, (std::array<bool, 3>{false, false, false}));
    EXPECT_TRUE(s.hasWriteFailures());
    EXPECT_EQ(m_opened, QStringList{m_output});
    EXPECT_FALSE(s.isProcessing());
}

TEST_F(GenerationRun, NothingWrittenLeavesTheFolderClosedAndTheReportUp) {
    ContentViewState &s = runState();
    selectOnly({false, true, false, true, false});
    block(m_output, "iOS");
    block(m_output, "Android");
    ::testing::internal::CaptureStdout();
    s.startGeneration({QUrl::fromLocalFile(m_output)});
    ASSERT_TRUE(waitUntil([&s] { return !s.isProcessing(); }));
    ::testing::internal::GetCapturedStdout();
    settle(s);
    EXPECT_EQ(s.generationFailures(), 2);
    EXPECT_EQ(s.generationFilesWritten(), 0);
    EXPECT_TRUE(s.hasWriteFailures());
    EXPECT_FALSE(s.hasSuccess());
    EXPECT_TRUE(m_opened.isEmpty());
    s.dismissWriteFailures();
    EXPECT_FALSE(s.hasWriteFailures());
    EXPECT_EQ(s.generationFailures(), 2); // the outcome itself stays readable
}

TEST_F(GenerationRun, TheFailureReportGoesWithTheNextRunImageOrClear) {
    const struct {
        const char *action;
        std::function<void(ContentViewState &, const QString &)> act;
    } cases[] = {
        {"run", [](ContentViewState &s,
                   const QString &output) { s.startGeneration({QUrl::fromLocalFile(output)}); }},
        {"image",
         [](ContentViewState &s, const QString &) { s.acceptImage(QUrl(), Image(filled(1024, Qt::red))); }},
        {"clear", [](ContentViewState &s, const QString &) { s.clearImage(); }},
        {"unreadable file", [](ContentViewState &s,
                               const QString &output) { s.openFile(output + QStringLiteral("/none.png")); }},
    };
    ContentViewState &s = runState();
    selectOnly({false, false, false, true, false});
    block(m_output, "Android");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.action);
        ::testing::internal::CaptureStdout();
        s.startGeneration({QUrl::fromLocalFile(m_output)});
        ASSERT_TRUE(waitUntil([&s] { return !s.isProcessing(); }));
        ASSERT_TRUE(s.hasWriteFailures());
        c.act(s, m_output);
        // The unreadable file's report arrives from the background; a new run's failures come after this.
        EXPECT_TRUE(waitUntil([&s] { return !s.hasWriteFailures(); }));
        ASSERT_TRUE(waitUntil([&s] { return !s.isProcessing(); }));
        settle(s);
        ::testing::internal::GetCapturedStdout();
    }
}

TEST_F(GenerationRun, NextRunStartsWithNoFailures) {
    ContentViewState &s = runState();
    selectOnly({false, false, false, true, false});
    block(m_output, "Android");
    ::testing::internal::CaptureStdout();
    s.startGeneration({QUrl::fromLocalFile(m_output)});
    ASSERT_TRUE(waitUntil([&s] { return !s.isProcessing(); }));
    ::testing::internal::GetCapturedStdout();
    ASSERT_GT(s.generationFailures(), 0);

    ASSERT_TRUE(QFile::remove(QDir(m_output).filePath(QStringLiteral("Android"))));
    s.startGeneration({QUrl::fromLocalFile(m_output)});
    EXPECT_EQ(s.generationFailures(), 0);
    EXPECT_EQ(s.generationFilesWritten(), 0);
    ASSERT_TRUE(runEnded());
    EXPECT_EQ(s.generationFailures(), 0);
    EXPECT_TRUE(s.generationFailureMessages().isEmpty());
    EXPECT_EQ(s.generationFilesWritten(), 5);
}

TEST_F(GenerationRun, ShowInFolderOpensTheRunsFolderOnceAndTheEndDoesNotRepeatIt) {
    ContentViewState &s = runState(std::chrono::milliseconds(300));
    selectOnly({false, false, false, true, false});
    s.showOutputFolder(); // no run yet: no folder to show
    EXPECT_TRUE(m_opened.isEmpty());
    s.startGeneration({QUrl::fromLocalFile(m_output)});
    ASSERT_TRUE(waitUntil([&s] { return s.hasSuccess(); }));
    s.showOutputFolder();
    EXPECT_EQ(m_opened, QStringList{m_output});
    ASSERT_TRUE(waitUntil([&s] { return !s.isProcessing(); }));
    settle(s);
    EXPECT_EQ(m_opened, QStringList{m_output});

    // The next run opens its folder at the end again.
    m_opened.clear();
    s.startGeneration({QUrl::fromLocalFile(m_output)});
    ASSERT_TRUE(runEnded());
    EXPECT_EQ(m_opened, QStringList{m_output});
}

TEST_F(GenerationRun, SuccessIsHeldBeforeTheFolderOpensAndDropsAreWelcomeMeanwhile) {
    ContentViewState &s = runState(std::chrono::milliseconds(400));
    selectOnly({false, false, false, true, false});
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
    selectOnly({false, false, false, true, false});
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
    selectOnly({false, false, false, true, false});
    s.startGeneration({});
    s.startGeneration({QUrl(QStringLiteral("https://example.com/"))});
    EXPECT_FALSE(s.isProcessing());

    s.startGeneration({QUrl::fromLocalFile(m_output)});
    ASSERT_TRUE(waitUntil([&s] { return s.hasSuccess(); }));
    s.setForMacos(true);
    s.startGeneration({QUrl::fromLocalFile(m_output)});
    EXPECT_TRUE(s.hasSuccess()); // the first run was left alone
    EXPECT_EQ(s.totalProgress(), 1.0);
}

// The run alone: it writes the platforms it was handed, from the source and effects it was handed.
TEST(GenerationRunPart, ChecksOnlyTheFoldersItWrote) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Something broken that was there before: not this run's to report.
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("Old/AppIcon.appiconset")));
    QFile broken(dir.filePath(QStringLiteral("Old/AppIcon.appiconset/Contents.json")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("{ not json");
    broken.close();

    bool done = false;
    glyphon::GenerationRun run([&done](const QString &) { done = true; }, std::chrono::milliseconds(0));
    const Image source(filled(1024, Qt::red));
    ASSERT_TRUE(run.start(dir.path(), source, EffectSettings{}, {Platform::MacOS, Platform::Web}));
    ASSERT_TRUE(waitUntil([&] { return done; }));
    // The classic web set has no 512 px icon and a one-picture favicon; the macOS set is clean.
    EXPECT_EQ(run.checkErrors(), 1);
    EXPECT_EQ(run.checkWarnings(), 1);
    ASSERT_EQ(run.checkFindings().size(), 2);
    EXPECT_TRUE(run.checkFindings().first().startsWith(QStringLiteral("error: FavIcon/manifest.json: ")))
        << run.checkFindings().first().toStdString();
    EXPECT_FALSE(run.checkFindings().join(u'\n').contains(QStringLiteral("Old")));

    // The next run starts from nothing.
    done = false;
    ASSERT_TRUE(run.start(dir.path(), source, EffectSettings{}, {Platform::MacOS}));
    ASSERT_TRUE(waitUntil([&] { return done; }));
    EXPECT_TRUE(run.checkFindings().isEmpty());
    EXPECT_EQ(run.checkErrors() + run.checkWarnings(), 0);
}

TEST(GenerationRunPart, WritesWhatItWasHandedAndStepsOncePerPlatform) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QStringList opened;
    glyphon::GenerationRun run([&opened](const QString &folder) { opened << folder; },
                               std::chrono::milliseconds(0));
    QList<double> steps;
    QObject::connect(&run, &glyphon::GenerationRun::progressChanged, &run, [&] { steps << run.progress(); });
    const Image source(filled(1024, Qt::red));
    EXPECT_FALSE(run.start(dir.path(), source, EffectSettings{}, {}));
    EXPECT_FALSE(run.isProcessing());

    EffectSettings effects;
    effects.withPadding = true;
    ASSERT_TRUE(run.start(dir.path(), source, effects, {Platform::Android, Platform::MacOS}));
    EXPECT_FALSE(run.start(dir.path(), source, effects, {Platform::Web}));
    EXPECT_EQ(run.totalProgress(), 2.0);
    ASSERT_TRUE(waitUntil([&] { return !opened.isEmpty(); }));

    EXPECT_EQ(steps, (QList<double>{1.0, 2.0}));
    EXPECT_EQ(opened, QStringList{dir.path()});
    EXPECT_TRUE(run.failureMessages().isEmpty());
    EXPECT_EQ(run.filesWritten(), 5 + 11);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("FavIcon"))));
    const QImage icon(dir.filePath(QStringLiteral("Android/mipmap-xxxhdpi/ic_launcher.png")));
    ASSERT_EQ(icon.width(), 192);
    EXPECT_EQ(qAlpha(icon.pixel(4, 96)), 0); // the padding
}

} // namespace
} // namespace glyphon::test
