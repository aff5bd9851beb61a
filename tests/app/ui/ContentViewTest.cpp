#include "ContentView.h"
#include "Banner.h"
#include "BusyIndicator.h"
#include "ButtonStyles.h"
#include "CrossFade.h"
#include "DisclosureGroup.h"
#include "IconButton.h"
#include "IconGridPreview.h"
#include "ImageArea.h"
#include "MainWindow.h"
#include "OutcomeBanner.h"
#include "PlatformSheet.h"
#include "SettingsPanel.h"
#include "SwitchToggle.h"
#include "UiTestSupport.h"

#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QVariantAnimation>

namespace glyphon::test {
namespace {

class ContentViewTest : public WindowFixture {
protected:
    StyledButton &generate() { return *view().generateButton(); }
    PlatformSheet &sheet() { return *view().platformSheet(); }
    IconButton &gridButton() { return *view().imageArea()->gridButton(); }
    // The picture laid over the view while a change fades in; null when none runs.
    CrossFade *cover() { return view().findChild<CrossFade *>(QString(), Qt::FindDirectChildrenOnly); }

    // A real picture file, for the ways in that read files.
    QString pictureFile(int edge = 1024) {
        const QString file = path(QStringLiteral("drop-%1.png").arg(edge));
        samplePicture(edge, QColor(0xe0, 0x40, 0x40)).save(file);
        return file;
    }
};

TEST_F(ContentViewTest, theWindowIsGlyphonAtFiveHundredSquare) {
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("Glyphon"));
    EXPECT_EQ(m_window->minimumSize(), QSize(500, 500));
    EXPECT_EQ(m_window->size(), QSize(500, 500));
    EXPECT_EQ(m_window->openImageAction()->shortcut(), QKeySequence(QKeySequence::Open));
    EXPECT_EQ(m_window->openImageAction()->text().remove(QLatin1Char('&')), QStringLiteral("Open Image…"));
}

TEST_F(ContentViewTest, atStartGenerateAnswersWithTheAlertNeverTheSheet) {
    EXPECT_TRUE(generate().isEnabled());
    EXPECT_FALSE(view().imageArea()->clearButton()->isVisible());
    EXPECT_FALSE(gridButton().isVisible());
    EXPECT_FALSE(view().outcomeBanner()->isVisible());
    EXPECT_FALSE(view().progressBanner()->isVisible());

    QTest::mouseClick(&generate(), Qt::LeftButton);
    ASSERT_NE(view().noImageAlert(), nullptr);
    QMessageBox *alert = view().noImageAlert();
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(alert->windowTitle(), QStringLiteral("No Image Selected"));
    EXPECT_EQ(alert->informativeText(), QStringLiteral("Please choose an image first"));
    ASSERT_NE(alert->button(QMessageBox::Ok), nullptr);
    EXPECT_EQ(alert->button(QMessageBox::Ok)->text().remove(QLatin1Char('&')), QStringLiteral("OK"));
    EXPECT_FALSE(sheet().isVisible());
    EXPECT_FALSE(state().showingPlatformSheet());

    alert->button(QMessageBox::Ok)->click();
    EXPECT_FALSE(state().showNoImageAlert());
    EXPECT_TRUE(waitUntil([this] { return view().noImageAlert() == nullptr; }));
}

TEST_F(ContentViewTest, afterADropGenerateOpensTheSheetAndAfterClearTheAlertAgain) {
    dropPicture();
    EXPECT_TRUE(view().imageArea()->clearButton()->isVisible());
    EXPECT_TRUE(gridButton().isVisible());
    QTest::mouseClick(&generate(), Qt::LeftButton);
    EXPECT_TRUE(state().showingPlatformSheet());
    EXPECT_TRUE(sheet().isVisible());
    EXPECT_EQ(view().noImageAlert(), nullptr);
    QTest::mouseClick(sheet().cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(sheet().isVisible());

    QTest::mouseClick(view().imageArea()->clearButton(), Qt::LeftButton);
    settle();
    EXPECT_FALSE(state().somethingDropped());
    EXPECT_FALSE(view().imageArea()->clearButton()->isVisible());
    QTest::mouseClick(&generate(), Qt::LeftButton);
    EXPECT_TRUE(state().showNoImageAlert());
    EXPECT_FALSE(sheet().isVisible());
}

TEST_F(ContentViewTest, generateIsDisabledByAnErrorAndByARunOnly) {
    dropPicture();
    state().setImageValidation(ImageValidation{true, QStringLiteral("Fine"), ValidationType::Success});
    EXPECT_TRUE(generate().isEnabled());
    EXPECT_FALSE(view().outcomeBanner()->isVisible());

    state().setImageValidation(ImageValidation{true, QStringLiteral("Odd edge"), ValidationType::Warning});
    EXPECT_TRUE(generate().isEnabled());
    EXPECT_TRUE(view().outcomeBanner()->isVisible());
    EXPECT_EQ(view().outcomeBanner()->kind(), Banner::Kind::ValidationWarning);
    EXPECT_EQ(view().outcomeBanner()->symbol(), QStringLiteral("exclamationmark.circle"));
    EXPECT_EQ(view().outcomeBanner()->message(), QStringLiteral("Odd edge"));

    state().setImageValidation(ImageValidation{false, QStringLiteral("Too small"), ValidationType::Error});
    EXPECT_FALSE(generate().isEnabled());
    EXPECT_EQ(view().outcomeBanner()->symbol(), QStringLiteral("exclamationmark.triangle"));
    EXPECT_EQ(view().outcomeBanner()->message(), QStringLiteral("Too small"));

    state().setImageValidation(std::nullopt);
    EXPECT_TRUE(generate().isEnabled());
    state().setIsProcessing(true);
    EXPECT_FALSE(generate().isEnabled());
}

TEST_F(ContentViewTest, aRealTooSmallDropShowsItsErrorAndKeepsGenerateOff) {
    state().openFile(pictureFile(500));
    ASSERT_TRUE(waitUntil([this] { return state().somethingDropped(); }));
    settle();
    ASSERT_TRUE(state().imageValidation().has_value());
    EXPECT_EQ(state().imageValidation()->type, ValidationType::Error);
    EXPECT_TRUE(view().outcomeBanner()->isVisible());
    EXPECT_EQ(view().outcomeBanner()->message(), state().imageValidation()->message);
    EXPECT_FALSE(generate().isEnabled());
}

TEST_F(ContentViewTest, progressThenSuccessReplacesTheValidationBannerForTheHold) {
    dropPicture();
    state().setImageValidation(ImageValidation{false, QStringLiteral("Too small"), ValidationType::Error});
    state().setIsProcessing(true);
    state().setHasProgress(true);
    state().setTotalProgress(3);
    for (int step = 0; step <= 3; ++step) {
        state().setProgress(step);
        EXPECT_TRUE(view().progressBanner()->isVisible());
        QProgressBar *bar = view().progressBanner()->progressBar();
        EXPECT_NEAR(double(bar->value() - bar->minimum()) / (bar->maximum() - bar->minimum()), step / 3.0,
                    1e-3);
    }
    EXPECT_EQ(view().progressBanner()->message(), QStringLiteral("Generating..."));

    state().setHasProgress(false);
    state().setHasSuccess(true);
    EXPECT_FALSE(view().progressBanner()->isVisible());
    EXPECT_EQ(view().outcomeBanner()->kind(), Banner::Kind::Success);
    EXPECT_EQ(view().outcomeBanner()->symbol(), QStringLiteral("checkmark"));
    EXPECT_EQ(view().outcomeBanner()->message(), QStringLiteral("Your icons have been generated!"));
    EXPECT_EQ(view().outcomeBanner()->height(), Banner::bannerHeight);
    EXPECT_FALSE(generate().isEnabled());

    state().setHasSuccess(false);
    state().setIsProcessing(false);
    EXPECT_EQ(view().outcomeBanner()->kind(), Banner::Kind::ValidationError);
}

TEST_F(ContentViewTest, aRunThatWroteNothingSaysSoListsEveryFailureAndStaysUntilClosed) {
    dropPicture();
    for (auto setter :
         {&ContentViewState::setForMacos, &ContentViewState::setForWatchos, &ContentViewState::setForFavicon})
        (state().*setter)(false);
    // Files where the iOS and Android folders belong: neither writer can write anything.
    const QString output = path(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(output));
    for (const char *blocked : {"iOS", "Android"}) {
        QFile blocker(QDir(output).filePath(QLatin1String(blocked)));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    bool successShown = false;
    QObject::connect(&state(), &ContentViewState::hasSuccessChanged, view().outcomeBanner(),
                     [&] { successShown = successShown || state().hasSuccess(); });
    ::testing::internal::CaptureStdout();
    state().startGeneration({QUrl::fromLocalFile(output)});
    ASSERT_TRUE(waitUntil([this] { return !state().isProcessing(); }));
    settle();
    ::testing::internal::GetCapturedStdout();

    Banner *banner = view().outcomeBanner();
    EXPECT_FALSE(successShown);
    ASSERT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->kind(), Banner::Kind::NothingWritten);
    EXPECT_EQ(banner->message(), QStringLiteral("No icons could be written"));
    EXPECT_EQ(banner->symbol(), QStringLiteral("exclamationmark.triangle"));
    EXPECT_TRUE(m_openedFolders.isEmpty());
    EXPECT_TRUE(generate().isEnabled());

    // Every failure, whole, behind "Details"; the banner grows to show them and shrinks back.
    ASSERT_EQ(state().generationFailures(), 2);
    ASSERT_TRUE(banner->detailsButton()->isVisible());
    EXPECT_FALSE(banner->detailsView()->isVisible());
    QTest::mouseClick(banner->detailsButton(), Qt::LeftButton);
    EXPECT_TRUE(banner->detailsView()->isVisible());
    EXPECT_EQ(banner->detailsButton()->text(), QStringLiteral("Hide Details"));
    EXPECT_GT(banner->height(), Banner::bannerHeight + 60);
    EXPECT_EQ(banner->detailsView()->toPlainText().split(u'\n', Qt::SkipEmptyParts),
              state().generationFailureMessages());
    // The list can be read and copied from the keyboard, and Tab leaves it.
    banner->detailsView()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(banner->detailsView(), Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), banner->detailsView());
    QTest::mouseClick(banner->detailsButton(), Qt::LeftButton);
    EXPECT_EQ(banner->height(), Banner::bannerHeight);

    // It outlasts the success hold, and goes with its close button.
    QTest::qWait(30);
    EXPECT_TRUE(banner->isVisible());
    ASSERT_TRUE(banner->closeButton()->isVisible());
    QTest::mouseClick(banner->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(state().hasWriteFailures());
    EXPECT_FALSE(banner->isVisible());
}

TEST_F(ContentViewTest, aRunWithSomeFailuresCountsThemAndStillOpensTheFolder) {
    dropPicture();
    for (auto setter :
         {&ContentViewState::setForIos, &ContentViewState::setForWatchos, &ContentViewState::setForFavicon})
        (state().*setter)(false);
    const QString output = path(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(QDir(output).filePath(QStringLiteral("macOS/AppIcon.appiconset/64.png"))));
    ::testing::internal::CaptureStdout();
    state().startGeneration({QUrl::fromLocalFile(output)});
    ASSERT_TRUE(waitUntil([this] { return !state().isProcessing(); }));
    ::testing::internal::GetCapturedStdout();
    Banner *banner = view().outcomeBanner();
    EXPECT_EQ(banner->kind(), Banner::Kind::RunFailures);
    EXPECT_EQ(banner->symbol(), QStringLiteral("exclamationmark.circle"));
    EXPECT_EQ(banner->message(), QStringLiteral("Some icons could not be written (1 failure)"));
    EXPECT_EQ(m_openedFolders, QStringList{output});
    // A new image is the next step: the report gives way.
    dropPicture();
    EXPECT_FALSE(banner->isVisible());
}

TEST_F(ContentViewTest, theWholeRunFromGenerateToTheOpenedFolder) {
    dropPicture();
    state().setForIos(false);
    state().setForWatchos(false);
    state().setForFavicon(false);
    QList<double> progressShown;
    QObject::connect(&state(), &ContentViewState::progressChanged, view().progressBanner(), [&] {
        if (view().progressBanner()->isVisible())
            progressShown << view().progressBanner()->progressBar()->value() / 1000.0 * 2;
    });
    Banner::Kind outcome = Banner::Kind::None;
    QObject::connect(&state(), &ContentViewState::hasSuccessChanged, view().outcomeBanner(), [&] {
        if (state().hasSuccess())
            outcome = view().outcomeBanner()->kind();
    });
    QTest::mouseClick(&generate(), Qt::LeftButton);
    ASSERT_TRUE(sheet().isVisible());
    QTest::mouseClick(sheet().createIconsButton(), Qt::LeftButton);
    ASSERT_EQ(m_folderChoices, 1);
    ASSERT_TRUE(m_pendingChoice);
    const QString output = path(QStringLiteral("icons"));
    ASSERT_TRUE(QDir().mkpath(output));
    m_pendingChoice({QUrl::fromLocalFile(output)});
    EXPECT_TRUE(view().progressBanner()->isVisible());
    EXPECT_FALSE(generate().isEnabled());
    ASSERT_TRUE(waitUntil([this] { return !state().isProcessing(); }));
    EXPECT_EQ(progressShown, (QList<double>{1, 2}));
    EXPECT_EQ(state().generationFailures(), 0);
    EXPECT_EQ(outcome, Banner::Kind::Success);
    EXPECT_EQ(m_openedFolders, QStringList{output});
    EXPECT_TRUE(
        QFile::exists(QDir(output).filePath(QStringLiteral("macOS/AppIcon.appiconset/Contents.json"))));
    EXPECT_TRUE(QFile::exists(QDir(output).filePath(QStringLiteral("Android/mipmap-mdpi/ic_launcher.png"))));
    EXPECT_FALSE(QFile::exists(QDir(output).filePath(QStringLiteral("iOS"))));
    EXPECT_TRUE(generate().isEnabled());
    EXPECT_FALSE(view().progressBanner()->isVisible());
}

TEST(OutcomeBannerTexts, failuresFileNamesAndFolders) {
    EXPECT_EQ(OutcomeBanner::writeFailuresText(3, 40),
              QStringLiteral("Some icons could not be written (3 failures)"));
    EXPECT_EQ(OutcomeBanner::writeFailuresText(1, 1),
              QStringLiteral("Some icons could not be written (1 failure)"));
    EXPECT_EQ(OutcomeBanner::writeFailuresText(5, 0), QStringLiteral("No icons could be written"));
    EXPECT_EQ(OutcomeBanner::checkFindingsText(0, 0), QString());
    EXPECT_EQ(OutcomeBanner::checkFindingsText(1, 0), QStringLiteral("1 error in the written sets"));
    EXPECT_EQ(OutcomeBanner::checkFindingsText(2, 1),
              QStringLiteral("2 errors and 1 warning in the written sets"));
    EXPECT_EQ(OutcomeBanner::checkFindingsText(0, 3), QStringLiteral("3 warnings in the written sets"));

    const QString reason = QStringLiteral("no such file");
    EXPECT_EQ(OutcomeBanner::intakeFailureText({QUrl::fromLocalFile(QStringLiteral("/tmp/x.png")), reason}),
              QStringLiteral("Couldn't open \"x.png\": no such file"));
    const QString longName = QStringLiteral("a-very-long-file-name-that-goes-on-and-on-final-v2.png");
    const QString shortened =
        OutcomeBanner::intakeFailureText({QUrl::fromLocalFile(QStringLiteral("/tmp/") + longName), reason});
    EXPECT_EQ(shortened,
              QStringLiteral("Couldn't open \"a-very-long-file-name-that…-final-v2.png\": no such file"));

    const QString home = QDir::homePath();
    EXPECT_EQ(OutcomeBanner::shortenedFolder(home + QStringLiteral("/Pictures/icons/")),
              QStringLiteral("~/Pictures/icons"));
    EXPECT_EQ(OutcomeBanner::shortenedFolder(home), QStringLiteral("~"));
    EXPECT_EQ(OutcomeBanner::shortenedFolder(QStringLiteral("/srv/icons")), QStringLiteral("/srv/icons"));
    EXPECT_EQ(OutcomeBanner::shortenedFolder(home + QStringLiteral("x/icons")),
              home + QStringLiteral("x/icons"));
}

TEST_F(ContentViewTest, theSuccessBannerSaysWhereTheIconsWentAndShowsTheFolder) {
    dropPicture();
    state().setForIos(false);
    state().setForWatchos(false);
    state().setForAndroid(false);
    state().setForFavicon(false);
    const QString output = path(QStringLiteral("icons"));
    Banner *banner = view().outcomeBanner();
    struct Seen {
        Banner::Kind kind;
        QString message;
        QString subtitle;
        QString action;
        bool dismissible;
    };
    QList<Seen> seen;
    QObject::connect(&state(), &ContentViewState::hasSuccessChanged, banner, [&] {
        if (!state().hasSuccess())
            return;
        seen.append({banner->kind(), banner->message(),
                     banner->subtitleLabel()->isVisible() ? banner->extras().subtitle : QString(),
                     banner->actionButton()->isVisible() ? banner->actionButton()->text() : QString(),
                     banner->closeButton()->isVisible()});
        QTest::mouseClick(banner->actionButton(), Qt::LeftButton);
    });
    state().startGeneration({QUrl::fromLocalFile(output)});
    ASSERT_TRUE(waitUntil([this] { return !state().isProcessing(); }));
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].kind, Banner::Kind::Success);
    EXPECT_EQ(seen[0].message, QStringLiteral("Your icons have been generated!"));
    EXPECT_EQ(seen[0].subtitle, OutcomeBanner::shortenedFolder(output));
    EXPECT_EQ(seen[0].action, QStringLiteral("Show in Folder"));
    EXPECT_FALSE(seen[0].dismissible);
    // Opened by the button; the end of the run does not open a second window.
    EXPECT_EQ(m_openedFolders, QStringList{output});
    EXPECT_FALSE(banner->isVisible());
}

TEST_F(ContentViewTest, anUnreadableFileIsNamedOnABannerAndTheImageStays) {
    dropPicture();
    state().setImageValidation(ImageValidation{true, QStringLiteral("Odd edge"), ValidationType::Warning});
    const QString bad = path(QStringLiteral("x.png"));
    QFile text(bad);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("hello");
    text.close();
    const QImage before = state().image()->bitmap();
    state().openFile(bad);
    ASSERT_TRUE(waitUntil([this] { return state().intakeFailure().has_value(); }));
    Banner *banner = view().outcomeBanner();
    EXPECT_EQ(banner->kind(), Banner::Kind::OpenFailure);
    EXPECT_EQ(banner->message(),
              QStringLiteral("Couldn't open \"x.png\": not an image in a format this program can read"));
    EXPECT_EQ(banner->symbol(), QStringLiteral("exclamationmark.triangle"));
    EXPECT_EQ(state().image()->bitmap(), before);
    EXPECT_TRUE(generate().isEnabled());
    QTest::mouseClick(banner->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(state().intakeFailure());
    // The verdict on the image that stayed comes back.
    EXPECT_EQ(banner->kind(), Banner::Kind::ValidationWarning);
}

TEST_F(ContentViewTest, padToSquareOnTheBannerOfASourceThatIsNotSquare) {
    QImage wide(1200, 800, QImage::Format_ARGB32_Premultiplied);
    wide.fill(QColor(0xe0, 0x40, 0x40));
    const QString file = path(QStringLiteral("wide.png"));
    ASSERT_TRUE(wide.save(file));
    state().openFile(file);
    ASSERT_TRUE(waitUntil([this] { return state().somethingDropped(); }));
    settle();
    Banner *banner = view().outcomeBanner();
    EXPECT_EQ(banner->kind(), Banner::Kind::ValidationError);
    EXPECT_EQ(banner->message(), QStringLiteral("Image must be square (currently 1200×800)"));
    ASSERT_TRUE(banner->actionButton()->isVisible());
    EXPECT_EQ(banner->actionButton()->text(), QStringLiteral("Pad to Square"));
    EXPECT_FALSE(generate().isEnabled());

    QTest::mouseClick(banner->actionButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([this] { return state().image()->pixelHeight() == 1200; }));
    settle();
    EXPECT_FALSE(banner->isVisible()); // a 1200 square is fine: no verdict to show
    EXPECT_TRUE(generate().isEnabled());

    // A small square keeps its error but has nothing to pad.
    state().acceptImage(QUrl(), Image(samplePicture(500)));
    EXPECT_EQ(banner->kind(), Banner::Kind::ValidationError);
    EXPECT_FALSE(banner->actionButton()->isVisible());
}

TEST_F(ContentViewTest, theGridButtonSwapsSymbolAndHelp) {
    dropPicture();
    EXPECT_EQ(gridButton().symbol(), QStringLiteral("square.grid.2x2.fill"));
    EXPECT_EQ(gridButton().toolTip(), QStringLiteral("Show size previews"));
    EXPECT_EQ(view().imageArea()->clearButton()->toolTip(), QStringLiteral("Clear image"));
    EXPECT_EQ(view().imageArea()->clearButton()->symbol(), QStringLiteral("arrow.left"));
    QTest::mouseClick(&gridButton(), Qt::LeftButton);
    EXPECT_TRUE(state().showGridView());
    EXPECT_TRUE(view().imageArea()->grid()->isVisible());
    EXPECT_EQ(gridButton().symbol(), QStringLiteral("square.fill"));
    EXPECT_EQ(gridButton().toolTip(), QStringLiteral("Show single preview"));
    EXPECT_EQ(gridButton().accessibleName(), QStringLiteral("Show single preview"));
    QTest::mouseClick(&gridButton(), Qt::LeftButton);
    EXPECT_FALSE(state().showGridView());
    EXPECT_FALSE(view().imageArea()->grid()->isVisible());
    EXPECT_EQ(gridButton().symbol(), QStringLiteral("square.grid.2x2.fill"));
}

TEST_F(ContentViewTest, clearGridAndResetFadeFromTheOldLookToTheNew) {
    const struct {
        const char *action;
        std::function<QAbstractButton *()> button;
        std::function<bool()> done;
    } cases[] = {
        {"grid", [this] { return &gridButton(); }, [this] { return state().showGridView(); }},
        {"appearances", [this] { return view().imageArea()->appearancesButton(); },
         [this] { return state().showAppearances(); }},
        {"reset", [this] { return view().settingsPanel()->resetButton(); },
         [this] { return !state().withTint(); }},
        {"clear", [this] { return view().imageArea()->clearButton(); },
         [this] { return !state().somethingDropped(); }},
    };
    state().setIsExpanded(true);
    view().settingsGroup()->finishAnimation();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.action);
        dropPicture();
        state().setWithTint(true);
        settle();
        ASSERT_EQ(cover(), nullptr);
        QTest::mouseClick(c.button(), Qt::LeftButton);
        // The new state is in place at once, under a cover that holds the look from before the click.
        EXPECT_TRUE(c.done());
        const QPointer<CrossFade> fade = cover();
        ASSERT_FALSE(fade.isNull());
        EXPECT_TRUE(fade->isVisible());
        EXPECT_EQ(fade->geometry(), view().rect());
        EXPECT_DOUBLE_EQ(fade->opacity(), 1.0);
        EXPECT_TRUE(fade->testAttribute(Qt::WA_TransparentForMouseEvents));
        fade->hide();
        const QImage now = view().grab().toImage();
        fade->show();
        EXPECT_NE(fade->picture().toImage(), now) << "the cover shows the new look";
        EXPECT_TRUE(waitUntil([&fade] { return fade.isNull(); }));
        settle();
    }
}

TEST_F(ContentViewTest, aChangeMidFadeReplacesTheCoverAndAResizeDropsIt) {
    dropPicture();
    QTest::mouseClick(&gridButton(), Qt::LeftButton);
    const QPointer<CrossFade> first = cover();
    ASSERT_FALSE(first.isNull());
    QTest::mouseClick(&gridButton(), Qt::LeftButton);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(view().findChildren<CrossFade *>().size(), 1);
    EXPECT_FALSE(state().showGridView());

    // A cover that no longer lines up with the view goes at once, not at the end of its fade.
    const QPointer<CrossFade> second = cover();
    ASSERT_FALSE(second.isNull());
    second->animation()->pause();
    m_window->resize(620, 640);
    EXPECT_TRUE(waitUntil([&second] { return second.isNull(); }));
}

TEST_F(ContentViewTest, cornerButtonsSitAtTheTopRight) {
    dropPicture();
    ImageArea *area = view().imageArea();
    const QRect grid = gridButton().geometry();
    const QRect clear = area->clearButton()->geometry();
    EXPECT_EQ(grid.size(), QSize(32, 32));
    EXPECT_EQ(grid.top(), 10);
    EXPECT_EQ(area->width() - grid.right() - 1, 10);
    EXPECT_EQ(clear.top(), 10);
    EXPECT_LT(clear.right(), grid.left());
}

TEST_F(ContentViewTest, thePreviewIsASquareTwentyPointsInsideTheArea) {
    dropPicture();
    ImageArea *area = view().imageArea();
    const QRectF preview = area->previewRect();
    EXPECT_DOUBLE_EQ(preview.width(), preview.height());
    EXPECT_DOUBLE_EQ(preview.height(), std::min(area->width(), area->height()) - 40.0);
    EXPECT_NEAR(preview.center().x(), area->width() / 2.0, 0.5);
    EXPECT_NEAR(preview.center().y(), area->height() / 2.0, 0.5);
    state().toggleGridView();
    EXPECT_TRUE(area->previewRect().isEmpty());
}

TEST_F(ContentViewTest, aPictureThatIsNotSquareKeepsItsProportions) {
    QImage wide(1200, 800, QImage::Format_ARGB32_Premultiplied);
    wide.fill(Qt::white);
    state().acceptImage(QUrl::fromLocalFile(path(QStringLiteral("wide.png"))), Image(wide));
    settle();
    // With and without the effects that work on the normalised canvas.
    for (bool corners : {false, true}) {
        state().setWithRoundedCorners(corners);
        settle();
        ImageArea *area = view().imageArea();
        const QRectF preview = area->previewRect();
        EXPECT_NEAR(preview.width() / preview.height(), 1.5, 0.01) << corners;
        const QRectF room = QRectF(area->rect()).adjusted(20, 20, -20, -20);
        EXPECT_TRUE(room.adjusted(-0.5, -0.5, 0.5, 0.5).contains(preview)) << corners;
        EXPECT_TRUE(qFuzzyCompare(preview.width(), room.width()) ||
                    qFuzzyCompare(preview.height(), room.height()));
        EXPECT_NEAR(preview.center().x(), room.center().x(), 0.5);
        EXPECT_NEAR(preview.center().y(), room.center().y(), 0.5);
    }
}

TEST_F(ContentViewTest, thePreviewShowsThePictureInItsSquare) {
    dropPicture();
    ImageArea *area = view().imageArea();
    const QRectF target = area->previewRect();
    const QImage shot = area->grab().toImage();
    // The sample's white disc sits in the middle of the picture, its blue field at the corners.
    EXPECT_GT(shot.pixelColor(target.center().toPoint()).lightness(), 240);
    const QColor field = shot.pixelColor(QPointF(target.left() + 4, target.top() + 4).toPoint());
    EXPECT_NEAR(field.blue(), 0xed, 6);
    EXPECT_NEAR(field.red(), 0x2f, 6);
}

TEST_F(ContentViewTest, whileAPreviewRunsTheAreaIsDimmedInBothViews) {
    dropPicture();
    state().setIsPreviewing(true);
    EXPECT_TRUE(view().imageArea()->busyOverlay()->isVisible());
    state().toggleGridView();
    EXPECT_TRUE(view().imageArea()->busyOverlay()->isVisible());
    state().setIsPreviewing(false);
    EXPECT_FALSE(view().imageArea()->busyOverlay()->isVisible());
}

TEST_F(ContentViewTest, aDroppedFileReachesTheStateAndIsInstalled) {
    ImageArea *area = view().imageArea();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(pictureFile())});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(area, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_TRUE(state().isDragHovering());

    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(area, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_FALSE(state().isDragHovering());
    ASSERT_TRUE(waitUntil([this] { return state().somethingDropped(); }));
    EXPECT_EQ(state().imageUrl(), mime.urls().first());
    EXPECT_TRUE(view().imageArea()->clearButton()->isVisible());
}

TEST_F(ContentViewTest, aDropDuringARunIsRefused) {
    state().setHasProgress(true);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(pictureFile())});
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view().imageArea(), &drop);
    EXPECT_FALSE(drop.isAccepted());
    settle();
    EXPECT_FALSE(state().somethingDropped());
}

TEST_F(ContentViewTest, onlyFileDragsLightTheOutline) {
    QMimeData text;
    text.setText(QStringLiteral("hello"));
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view().imageArea(), &enter);
    EXPECT_FALSE(enter.isAccepted());
    EXPECT_FALSE(state().isDragHovering());

    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://example.com/a.png"))});
    QDragEnterEvent webEnter(QPoint(50, 50), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view().imageArea(), &webEnter);
    EXPECT_FALSE(webEnter.isAccepted());
}

TEST_F(ContentViewTest, theSettingsDisclosureTogglesTheStateAndThePanel) {
    DisclosureGroup *group = view().settingsGroup();
    EXPECT_EQ(group->header()->text(), QStringLiteral("Settings"));
    EXPECT_FALSE(view().settingsPanel()->isVisible());
    QTest::mouseClick(group->header(), Qt::LeftButton);
    EXPECT_TRUE(state().isExpanded());
    EXPECT_TRUE(group->isExpanded());
    group->finishAnimation();
    QApplication::processEvents();
    EXPECT_TRUE(view().settingsPanel()->isVisible());
    EXPECT_GE(view().settingsPanel()->height(), view().settingsPanel()->sizeHint().height());

    group->header()->setFocus();
    QTest::keyClick(group->header(), Qt::Key_Space);
    EXPECT_FALSE(state().isExpanded());
    group->finishAnimation();
    QApplication::processEvents();
    EXPECT_FALSE(view().settingsPanel()->isVisible());
}

TEST_F(ContentViewTest, theSheetsCancelKeepsChangedSwitches) {
    dropPicture();
    state().generatePressed();
    ASSERT_TRUE(sheet().isVisible());
    EXPECT_EQ(sheet().windowModality(), Qt::WindowModal);
    for (SwitchToggle *toggle : {sheet().macosSwitch(), sheet().iosSwitch(), sheet().watchosSwitch(),
                                 sheet().androidSwitch(), sheet().webSwitch()})
        EXPECT_TRUE(toggle->isChecked());
    QTest::mouseClick(sheet().iosSwitch(), Qt::LeftButton);
    QTest::mouseClick(sheet().webSwitch(), Qt::LeftButton);
    EXPECT_FALSE(state().forIos());
    EXPECT_FALSE(state().forFavicon());
    QTest::mouseClick(sheet().cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(state().showingPlatformSheet());
    EXPECT_FALSE(sheet().isVisible());
    EXPECT_FALSE(state().forIos());
    EXPECT_FALSE(state().forFavicon());
    EXPECT_EQ(m_folderChoices, 0);
    // Saved as they changed: a new state over the same store reads them back.
    m_store->sync();
    QSettings reread(path(QStringLiteral("settings.ini")), QSettings::IniFormat);
    EXPECT_FALSE(reread.value(QStringLiteral("forIos")).toBool());
    EXPECT_TRUE(reread.value(QStringLiteral("forMacos")).toBool());

    state().generatePressed();
    EXPECT_FALSE(sheet().iosSwitch()->isChecked());
    EXPECT_TRUE(sheet().macosSwitch()->isChecked());
}

TEST_F(ContentViewTest, withEveryPlatformOffCreateIconsIsOffAndTheSheetSaysWhy) {
    dropPicture();
    state().generatePressed();
    EXPECT_TRUE(sheet().createIconsButton()->isEnabled());
    EXPECT_FALSE(sheet().noPlatformHint()->isVisible());
    const int height = sheet().height();
    for (SwitchToggle *toggle : {sheet().macosSwitch(), sheet().iosSwitch(), sheet().watchosSwitch(),
                                 sheet().androidSwitch(), sheet().webSwitch()})
        QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_FALSE(sheet().createIconsButton()->isEnabled());
    EXPECT_TRUE(sheet().noPlatformHint()->isVisible());
    EXPECT_EQ(sheet().noPlatformHint()->text(), QStringLiteral("Turn on at least one platform."));
    EXPECT_GT(sheet().height(), height);
    // Neither a click nor Return starts anything.
    QTest::mouseClick(sheet().createIconsButton(), Qt::LeftButton);
    QTest::keyClick(&sheet(), Qt::Key_Return);
    EXPECT_TRUE(sheet().isVisible());
    EXPECT_EQ(m_folderChoices, 0);

    QTest::mouseClick(sheet().androidSwitch(), Qt::LeftButton);
    EXPECT_TRUE(sheet().createIconsButton()->isEnabled());
    EXPECT_FALSE(sheet().noPlatformHint()->isVisible());
    EXPECT_EQ(sheet().height(), height);
    QTest::mouseClick(sheet().createIconsButton(), Qt::LeftButton);
    EXPECT_FALSE(sheet().isVisible());
    EXPECT_EQ(m_folderChoices, 1);
    // The chooser was cancelled: back to editing, no banner.
    m_pendingChoice = nullptr;
    EXPECT_FALSE(state().isProcessing());
    EXPECT_FALSE(view().outcomeBanner()->isVisible());
    EXPECT_TRUE(generate().isEnabled());
}

TEST_F(ContentViewTest, escapeDismissesTheSheetAsCancelDoes) {
    dropPicture();
    state().generatePressed();
    QTest::keyClick(&sheet(), Qt::Key_Escape);
    EXPECT_FALSE(state().showingPlatformSheet());
    EXPECT_FALSE(sheet().isVisible());
}

TEST_F(ContentViewTest, theSheetsSwitchesCarryTheirHelp) {
    const QList<std::pair<SwitchToggle *, const char *>> help = {
        {sheet().macosSwitch(), "Generate icons for macOS applications"},
        {sheet().iosSwitch(), "Generate icons for iPhone and iPad applications"},
        {sheet().watchosSwitch(), "Generate icons for Apple Watch applications"},
        {sheet().androidSwitch(), "Generate icons for Android applications in various densities"},
        {sheet().webSwitch(), "Generate web favicon and related platform-specific icons"}};
    for (const auto &[toggle, text] : help)
        EXPECT_EQ(toggle->toolTip(), QString::fromUtf8(text));
    EXPECT_EQ(sheet().windowTitle(), QStringLiteral("Select Platforms"));
    EXPECT_EQ(sheet().width(), PlatformSheet::sheetWidth);
}

TEST_F(ContentViewTest, everyControlHasAnAccessibleNameAndIsReachableByTab) {
    dropPicture();
    state().setWithRoundedCorners(true);
    state().setWithPadding(true);
    state().setWithTint(true);
    state().setIsExpanded(true);
    view().settingsGroup()->finishAnimation();
    QApplication::processEvents();

    QList<QWidget *> controls;
    for (QWidget *widget : m_window->findChildren<QWidget *>())
        if (widget->isVisible() && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus) &&
            widget->window() == m_window.get() && !widget->inherits("QScrollBar") &&
            !widget->inherits("QAbstractScrollArea"))
            controls << widget;
    ASSERT_GE(controls.size(), 11);
    for (QWidget *control : controls) {
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(control);
        ASSERT_NE(accessible, nullptr);
        EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty()) << control->metaObject()->className();
    }

    // Tab from the first control visits every one of them.
    QSet<QWidget *> visited;
    controls.first()->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < controls.size() * 2; ++i) {
        visited << QApplication::focusWidget();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    for (QWidget *control : controls)
        EXPECT_TRUE(visited.contains(control)) << control->accessibleName().toStdString();
}

TEST_F(ContentViewTest, theSmallestWindowKeepsGenerateWholeAndReachable) {
    dropPicture();
    state().setWithRoundedCorners(true);
    state().setWithPadding(true);
    state().setWithTint(true);
    state().setIsExpanded(true);
    state().setImageValidation(ImageValidation{true, QStringLiteral("Odd edge"), ValidationType::Warning});
    view().settingsGroup()->finishAnimation();
    QApplication::processEvents();
    EXPECT_EQ(generate().height(), CustomButtonStyle::height);
    EXPECT_GE(view().imageArea()->height(), ImageArea::minimumAreaHeight);
    // Whatever does not fit is a scroll away.
    QWidget *column = view().scrollArea()->widget();
    EXPECT_EQ(generate().mapTo(column, QPoint(0, generate().height())).y(), column->height());
}

} // namespace
} // namespace glyphon::test
