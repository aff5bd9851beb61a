// Shows the real window on a display (a virtual X server in CI), saves it in its main states as PNGs
// under the build folder, and measures what a person would see in them.
#include "Banner.h"
#include "ButtonStyles.h"
#include "ContentView.h"
#include "CrossFade.h"
#include "DisclosureGroup.h"
#include "IconButton.h"
#include "IconGridPreview.h"
#include "ImageArea.h"
#include "MainWindow.h"
#include "OutcomeBanner.h"
#include "PlatformSheet.h"
#include "SettingsPanel.h"
#include "SpringCurve.h"
#include "TestSupport.h"
#include "Theme.h"
#include "UiTestSupport.h"
#include "imaging/SourceLoader.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QVariantAnimation>
#include <QWindow>

namespace glyphon::test {
namespace {

QString screenshotPath(const QString &name) {
    QDir().mkpath(QStringLiteral(GLYPHON_SCREENSHOT_DIR));
    return QDir(QStringLiteral(GLYPHON_SCREENSHOT_DIR)).filePath(name + QStringLiteral(".png"));
}

bool isWhite(QRgb pixel) {
    return qRed(pixel) > 200 && qGreen(pixel) > 200 && qBlue(pixel) > 200;
}

bool isAppColor(QRgb pixel) {
    const QColor app = namedColor(u"AppColor");
    return qAbs(qRed(pixel) - app.red()) < 6 && qAbs(qGreen(pixel) - app.green()) < 6 &&
           qAbs(qBlue(pixel) - app.blue()) < 6;
}

class WindowScreenshotTest : public WindowFixture {
protected:
    // What the screen shows over the window's area, dialogs on top of it included.
    QImage capture(const QString &name) { return captureWindow(screenshotPath(name)); }

    void dropSample() {
        const QString file = sourcePath(QStringLiteral("resources/samples/apple-1024.png"));
        const Result<Image> loaded = loadSourceImage(file);
        ASSERT_TRUE(loaded);
        state().acceptImage(QUrl::fromLocalFile(file), *loaded);
        settle();
    }
};

TEST_F(WindowScreenshotTest, placeholderAtTheSmallestSize) {
    const QImage shot = capture(QStringLiteral("1-placeholder"));
    EXPECT_EQ(m_window->size(), QSize(500, 500));
    // The "Generate" band: 60 device pixels of AppColor down a column through it, at 1×.
    ASSERT_EQ(m_window->devicePixelRatio(), 1.0);
    const int x = 20; // clear of the label
    int band = 0;
    for (int y = 0; y < shot.height(); ++y)
        band += isAppColor(shot.pixel(x, y)) ? 1 : 0;
    EXPECT_EQ(band, CustomButtonStyle::height);
    // And it spans the window's width.
    const int bandY = view().generateButton()->mapTo(m_window.get(), QPoint(0, 30)).y();
    EXPECT_TRUE(isAppColor(shot.pixel(2, bandY)));
    EXPECT_TRUE(isAppColor(shot.pixel(shot.width() - 3, bandY)));
}

TEST_F(WindowScreenshotTest, noImageAlert) {
    state().generatePressed();
    ASSERT_TRUE(waitUntil([this] { return view().noImageAlert() && view().noImageAlert()->isVisible(); }));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view().noImageAlert()));
    capture(QStringLiteral("1b-alert"));
    view().noImageAlert()->done(QMessageBox::Ok);
}

TEST_F(WindowScreenshotTest, dashedOutlineWhileAFileHovers) {
    ImageArea *area = view().imageArea();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(sourcePath(QStringLiteral("resources/samples/apple-1024.png")))});
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(area, &enter);
    ASSERT_TRUE(state().isDragHovering());
    const QImage shot = capture(QStringLiteral("2-drag-hover"));

    // Along the top edge, 10 points in, the stroke alternates 10 drawn, 10 blank.
    const QPoint origin = area->mapTo(m_window.get(), QPoint(0, 0));
    const int lineY = origin.y() + ImageArea::outlineInset;
    int white = 0;
    int runs = 0;
    bool inRun = false;
    const int from = origin.x() + ImageArea::outlineInset + 10;
    const int to = origin.x() + area->width() - ImageArea::outlineInset - 10;
    for (int x = from; x < to; ++x) {
        const bool on = isWhite(shot.pixel(x, lineY));
        white += on ? 1 : 0;
        runs += on && !inRun ? 1 : 0;
        inRun = on;
    }
    const double share = double(white) / (to - from);
    EXPECT_NEAR(share, 0.5, 0.1);
    EXPECT_NEAR(runs, (to - from) / 20.0, 2.0);
    // Nothing white between the outline and the area's edge.
    for (int x = from; x < to; ++x)
        ASSERT_FALSE(isWhite(shot.pixel(x, origin.y() + 4))) << x;

    QDragLeaveEvent leave;
    QApplication::sendEvent(area, &leave);
    EXPECT_FALSE(state().isDragHovering());
}

TEST_F(WindowScreenshotTest, imageWithSettingsOpen) {
    m_window->resize(560, 760);
    dropSample();
    state().setWithRoundedCorners(true);
    state().setWithPadding(true);
    state().setPaddingPx(60);
    state().setIsExpanded(true);
    capture(QStringLiteral("3-image-settings"));
    EXPECT_TRUE(view().settingsPanel()->isVisible());
    EXPECT_EQ(view().generateButton()->height(), CustomButtonStyle::height);
}

TEST_F(WindowScreenshotTest, everythingReachableAtTheSmallestSizeWithSettingsOpen) {
    dropSample();
    state().setWithRoundedCorners(true);
    state().setWithPadding(true);
    state().setWithTint(true);
    state().setIsExpanded(true);
    capture(QStringLiteral("4-small-settings"));
    // The column scrolls rather than squeezing the controls below their size.
    QWidget *generate = view().generateButton();
    EXPECT_EQ(generate->height(), CustomButtonStyle::height);
    EXPECT_GE(view().imageArea()->height(), ImageArea::minimumAreaHeight);
}

TEST_F(WindowScreenshotTest, sizeGrid) {
    m_window->resize(640, 820);
    dropSample();
    state().setWithRoundedCorners(true);
    state().toggleGridView();
    capture(QStringLiteral("5-grid"));
    EXPECT_TRUE(view().imageArea()->grid()->isVisible());
    // A preview job in flight dims the grid too; the spinner sits in the middle.
    state().setIsPreviewing(true);
    const QImage busy = capture(QStringLiteral("5b-grid-busy"));
    const QPoint corner = view().imageArea()->mapTo(m_window.get(), QPoint(3, 3));
    const QColor dimmed = busy.pixelColor(corner);
    state().setIsPreviewing(false);
    const QColor clear = capture(QStringLiteral("5-grid")).pixelColor(corner);
    EXPECT_LT(dimmed.lightness(), clear.lightness());
}

TEST_F(WindowScreenshotTest, theGridToggleCrossFades) {
    m_window->resize(640, 820);
    dropSample();
    const QImage before = capture(QStringLiteral("5c-fade-before"));
    QTest::mouseClick(view().imageArea()->gridButton(), Qt::LeftButton);
    const QPointer<CrossFade> fade = view().findChild<CrossFade *>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_FALSE(fade.isNull());
    // Held a quarter of the way in (about half in opacity), so the screen shows a blend and not whatever
    // frame the machine's speed gives.
    fade->animation()->pause();
    fade->animation()->setCurrentTime(FadeSpring::durationMs / 4);
    const qreal opacity = fade->opacity();
    ASSERT_GT(opacity, 0.0);
    ASSERT_LT(opacity, 1.0);
    const QImage midway = capture(QStringLiteral("5d-fade-midway"));
    fade->animation()->resume();
    ASSERT_TRUE(waitUntil([&fade] { return fade.isNull(); }));
    const QImage after = capture(QStringLiteral("5e-fade-after"));

    // Where the single preview and the grid differ most (below the corner buttons, which the pointer
    // lights), the screen midway is the old look at the cover's opacity over the new.
    const QRect area(view().imageArea()->mapTo(m_window.get(), QPoint(0, 60)),
                     view().imageArea()->size() - QSize(0, 60));
    QPoint most;
    int largest = -1;
    const auto distance = [](QRgb a, QRgb b) {
        return qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b));
    };
    for (int y = area.top(); y <= area.bottom(); y += 2)
        for (int x = area.left(); x <= area.right(); x += 2)
            if (const int d = distance(before.pixel(x, y), after.pixel(x, y)); d > largest) {
                largest = d;
                most = {x, y};
            }
    ASSERT_GT(largest, 200);
    const QRgb old = before.pixel(most);
    const QRgb now = after.pixel(most);
    const auto blend = [opacity](int a, int b) { return qRound(a * opacity + b * (1 - opacity)); };
    const QRgb expected =
        qRgb(blend(qRed(old), qRed(now)), blend(qGreen(old), qGreen(now)), blend(qBlue(old), qBlue(now)));
    EXPECT_LE(distance(midway.pixel(most), expected), 12)
        << "at " << most.x() << "," << most.y() << " opacity " << opacity;
}

TEST_F(WindowScreenshotTest, platformSheet) {
    dropSample();
    state().generatePressed();
    ASSERT_TRUE(waitUntil([this] { return view().platformSheet()->isVisible(); }));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view().platformSheet()));
    capture(QStringLiteral("6-sheet"));
    state().setShowingPlatformSheet(false);
}

TEST_F(WindowScreenshotTest, progressAndOutcomes) {
    dropSample();
    state().setIsProcessing(true);
    state().setHasProgress(true);
    state().setTotalProgress(5);
    state().setProgress(2);
    capture(QStringLiteral("7-progress"));
    state().setHasProgress(false);
    state().setHasSuccess(true);
    capture(QStringLiteral("8-success"));
    state().setHasSuccess(false);
    state().setIsProcessing(false);
    state().setImageValidation(ImageValidation{
        false, QStringLiteral("Image must be at least 1024×1024 pixels"), ValidationType::Error});
    capture(QStringLiteral("9-validation-error"));
    state().setWithTint(true);
    state().setTintOpacity(0.35);
    state().setIsExpanded(true);
    capture(QStringLiteral("9b-tint"));
    state().setIsExpanded(false);
    state().setImageValidation(ImageValidation{
        true,
        QStringLiteral("Image is larger than 4096×4096 pixels; it will be scaled down for every icon, which "
                       "takes longer and gains nothing over a 4096-pixel source"),
        ValidationType::Warning});
    const QImage shot = capture(QStringLiteral("10-validation-warning-long"));
    // The long message is cut to the banner's two lines, not spilled over the controls below.
    EXPECT_EQ(view().outcomeBanner()->height(), Banner::bannerHeight);
    EXPECT_LE(view().outcomeBanner()->textLabel()->text().count(QLatin1Char('\n')), 1);
}

TEST_F(WindowScreenshotTest, sheetWithEveryPlatformOff) {
    dropSample();
    for (auto setter :
         {&ContentViewState::setForMacos, &ContentViewState::setForIos, &ContentViewState::setForWatchos,
          &ContentViewState::setForAndroid, &ContentViewState::setForFavicon})
        (state().*setter)(false);
    state().generatePressed();
    PlatformSheet *sheet = view().platformSheet();
    ASSERT_TRUE(waitUntil([sheet] { return sheet->isVisible(); }));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet));
    capture(QStringLiteral("11-sheet-no-platform"));
    EXPECT_FALSE(sheet->createIconsButton()->isEnabled());
    EXPECT_TRUE(sheet->noPlatformHint()->isVisible());
    // The hint sits between the switches and the buttons, inside the sheet.
    EXPECT_TRUE(sheet->rect().contains(sheet->noPlatformHint()->geometry()));
    EXPECT_LT(sheet->noPlatformHint()->geometry().bottom(), sheet->createIconsButton()->geometry().top());
    state().setShowingPlatformSheet(false);
}

TEST_F(WindowScreenshotTest, unreadableFile) {
    dropSample();
    const QString bad = path(QStringLiteral("holiday-logo.png"));
    QFile text(bad);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("this is a text file with a picture's name");
    text.close();
    state().openFile(bad);
    ASSERT_TRUE(waitUntil([this] { return state().intakeFailure().has_value(); }));
    const QImage shot = capture(QStringLiteral("12-unreadable-file"));
    Banner *banner = view().outcomeBanner();
    EXPECT_EQ(
        banner->message(),
        QStringLiteral("Couldn't open \"holiday-logo.png\": not an image in a format this program can read"));
    // Nothing cut: the whole message fits on the banner's two lines.
    EXPECT_FALSE(banner->textLabel()->text().contains(QChar(0x2026)));
    EXPECT_TRUE(banner->closeButton()->isVisible());
    // The image stayed: the preview still shows the sample, not the placeholder.
    EXPECT_TRUE(state().somethingDropped());
}

TEST_F(WindowScreenshotTest, writeFailuresWithTheirDetails) {
    m_window->resize(560, 700);
    dropSample();
    state().setForMacos(false);
    state().setForFavicon(false);
    const QString output = path(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(output));
    for (const char *blocked : {"iOS", "watchOS", "Android"}) {
        QFile blocker(QDir(output).filePath(QLatin1String(blocked)));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    ::testing::internal::CaptureStdout();
    state().startGeneration({QUrl::fromLocalFile(output)});
    ASSERT_TRUE(waitUntil([this] { return !state().isProcessing(); }));
    ::testing::internal::GetCapturedStdout();
    Banner *banner = view().outcomeBanner();
    capture(QStringLiteral("13-write-failure"));
    EXPECT_EQ(banner->message(), QStringLiteral("No icons could be written"));
    QTest::mouseClick(banner->detailsButton(), Qt::LeftButton);
    const QImage shot = capture(QStringLiteral("13b-write-failure-details"));
    ASSERT_TRUE(banner->detailsView()->isVisible());
    // Every failure whole, and no scrolling needed for three.
    EXPECT_EQ(banner->detailsView()->toPlainText().split(u'\n', Qt::SkipEmptyParts),
              state().generationFailureMessages());
    EXPECT_EQ(banner->detailsView()->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(banner->height(), Banner::bannerHeight + 8 + banner->detailsView()->height());
    // The banner grew; Generate below it keeps its full height.
    EXPECT_EQ(view().generateButton()->height(), CustomButtonStyle::height);

    // At the smallest window the open list still leaves every control reachable.
    m_window->resize(500, 500);
    capture(QStringLiteral("13c-write-failure-details-small"));
    EXPECT_EQ(view().generateButton()->height(), CustomButtonStyle::height);
}

TEST_F(WindowScreenshotTest, successSaysWhereAndOffersShowInFolder) {
    // A state whose success stays up, so the banner can be captured as a person sees it.
    m_window.reset();
    ContentViewSeams seams;
    seams.openFolder = [this](const QString &folder) { m_openedFolders << folder; };
    seams.successHold = std::chrono::hours(1);
    m_state = std::make_unique<ContentViewState>(*m_store, seams);
    m_window = std::make_unique<MainWindow>(state());
    m_window->resize(560, 700);
    m_window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    dropSample();
    for (auto setter : {&ContentViewState::setForMacos, &ContentViewState::setForIos,
                        &ContentViewState::setForWatchos, &ContentViewState::setForFavicon})
        (state().*setter)(false);
    const QString output = path(QStringLiteral("Icons for the App Store and Google Play"));
    state().startGeneration({QUrl::fromLocalFile(output)});
    ASSERT_TRUE(waitUntil([this] { return state().hasSuccess(); }));
    capture(QStringLiteral("14-success-show-in-folder"));
    Banner *banner = view().outcomeBanner();
    EXPECT_EQ(banner->message(), QStringLiteral("Your icons have been generated!"));
    EXPECT_TRUE(banner->actionButton()->isVisible());
    EXPECT_EQ(banner->actionButton()->text(), QStringLiteral("Show in Folder"));
    EXPECT_TRUE(banner->subtitleLabel()->isVisible());
    // The folder's own name is what a person looks for: the middle of the path gives way first.
    EXPECT_TRUE(banner->subtitleLabel()->text().endsWith(QStringLiteral("Google Play")))
        << banner->subtitleLabel()->text().toStdString();
    EXPECT_EQ(banner->height(), Banner::bannerHeight);

    QTest::mouseClick(banner->actionButton(), Qt::LeftButton);
    EXPECT_EQ(m_openedFolders, QStringList{output});
    state().closeGeneration(output);
    EXPECT_EQ(m_openedFolders, QStringList{output});
}

TEST_F(WindowScreenshotTest, padToSquare) {
    m_window->resize(560, 700);
    QImage wide(1200, 800, QImage::Format_ARGB32_Premultiplied);
    wide.fill(Qt::transparent);
    {
        QPainter painter(&wide);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor(0x2f, 0x80, 0xed));
        painter.setPen(Qt::NoPen);
        painter.drawRoundedRect(QRectF(0, 0, 1200, 800), 120, 120);
        painter.setBrush(Qt::white);
        painter.drawEllipse(QRectF(400, 200, 400, 400));
    }
    const QString file = path(QStringLiteral("banner-art.png"));
    ASSERT_TRUE(wide.save(file));
    state().openFile(file);
    ASSERT_TRUE(waitUntil([this] { return state().somethingDropped(); }));
    capture(QStringLiteral("15-pad-to-square"));
    Banner *banner = view().outcomeBanner();
    ASSERT_TRUE(banner->actionButton()->isVisible());
    EXPECT_EQ(banner->actionButton()->text(), QStringLiteral("Pad to Square"));
    EXPECT_FALSE(view().generateButton()->isEnabled());

    QTest::mouseClick(banner->actionButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([this] { return state().image()->pixelHeight() == 1200; }));
    const QImage shot = capture(QStringLiteral("15b-padded"));
    EXPECT_FALSE(banner->isVisible());
    EXPECT_TRUE(view().generateButton()->isEnabled());
    // Above and below the picture the preview shows the area's own background through the new margin.
    const QRectF preview = view().imageArea()->previewRect();
    const QPoint top = view().imageArea()->mapTo(m_window.get(), preview.center().toPoint() -
                                                                     QPoint(0, int(preview.height() * 0.45)));
    const QPoint middle = view().imageArea()->mapTo(m_window.get(), preview.center().toPoint());
    EXPECT_LT(shot.pixelColor(top).lightness(), 90);
    EXPECT_GT(shot.pixelColor(middle).lightness(), 240);
}

} // namespace
} // namespace glyphon::test
