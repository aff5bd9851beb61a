#include "StateTestSupport.h"

#include "AppearancesPreview.h"
#include "TestSupport.h"

#include <QSignalSpy>

namespace glyphon::test {
namespace {

class Appearances : public StateFixture {
protected:
    void drop(ContentViewState &s, const QColor &color = Qt::red) {
        s.acceptImage(QUrl::fromLocalFile(path(QStringLiteral("a.png"))), Image(filled(1024, color)));
    }

    // Until the newest request's tiles are published.
    void settleTiles(ContentViewState &s) {
        settle(s);
        ASSERT_TRUE(waitUntil([&s] {
            settle(s);
            return !s.isRenderingAppearances() && !s.isPreviewing();
        }));
    }

    static const QImage &tile(const ContentViewState &s, const QString &label) {
        for (const AppearanceTile &t : s.appearanceTiles())
            if (t.label == label)
                return t.image;
        static const QImage none;
        return none;
    }
};

TEST_F(Appearances, TilesAreRenderedOnlyWhileTheViewIsShownAndFollowThePreview) {
    ContentViewState &s = state();
    drop(s);
    settleTiles(s);
    EXPECT_TRUE(s.appearanceTiles().isEmpty());

    s.setShowAppearances(true);
    settleTiles(s);
    ASSERT_EQ(s.appearanceTiles().size(), 23);
    // The red square, under the iOS mask at (20, 20).
    EXPECT_EQ(tile(s, QStringLiteral("iOS · light")).pixel(110, 110), qRgb(255, 0, 0));

    // A change of the effects reaches the tiles: padding leaves the background showing where the art was.
    s.setWithPadding(true);
    s.setPaddingPx(300);
    settleTiles(s);
    EXPECT_EQ(tile(s, QStringLiteral("iOS · light")).pixel(30, 110), qRgb(255, 255, 255));
    EXPECT_EQ(tile(s, QStringLiteral("iOS · light")).pixel(110, 110), qRgb(255, 0, 0));

    // And so does the background colour.
    s.settings().setValue(settings::backgroundColor, Color{0.0, 0.0, 1.0, 1.0});
    settleTiles(s);
    EXPECT_EQ(tile(s, QStringLiteral("iOS · light")).pixel(30, 110), qRgb(0, 0, 255));
}

TEST_F(Appearances, TheSafeZonesToggleRedrawsTheTilesAndIsRemembered) {
    ContentViewState &s = state();
    drop(s);
    s.setShowAppearances(true);
    settleTiles(s);
    const QImage plain = tile(s, QStringLiteral("Android · full colour · circle"));
    QSignalSpy toggled(&s, &ContentViewState::showSafeZonesChanged);
    s.setShowSafeZones(true);
    EXPECT_EQ(toggled.count(), 1);
    settleTiles(s);
    EXPECT_NE(tile(s, QStringLiteral("Android · full colour · circle")), plain);
    reopenStore();
    EXPECT_TRUE(state().showSafeZones());
}

TEST_F(Appearances, WhileOneRendersOnlyTheNewestRequestWaits) {
    AppearancesPreview preview;
    QSignalSpy published(&preview, &AppearancesPreview::tilesChanged);
    AppearancesRequest request;
    for (int i = 0; i < 12; ++i) {
        request.source = Image(filled(512, QColor(20 * i, 0, 0)));
        preview.update(request);
    }
    EXPECT_TRUE(preview.isRendering());
    ASSERT_TRUE(waitUntil([&preview] { return !preview.isRendering(); }));
    // The first request and the last: everything between was replaced while the first ran.
    EXPECT_EQ(published.count(), 2);
    const QList<AppearanceTile> expected = renderAppearanceTiles(request);
    ASSERT_EQ(preview.tiles().size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i)
        EXPECT_EQ(preview.tiles()[i].image, expected[i].image) << expected[i].label.toStdString();

    // A clear drops what is waiting and what runs.
    preview.update(request);
    preview.update(request);
    preview.clear();
    EXPECT_TRUE(preview.tiles().isEmpty());
    EXPECT_FALSE(preview.isRendering());
    preview.queue().waitForDone();
    QCoreApplication::processEvents();
    EXPECT_TRUE(preview.tiles().isEmpty());
}

TEST_F(Appearances, APictureThatIsNotSquareIsShownAsTheSetsWouldCutIt) {
    AppearancesRequest request;
    QImage wide(1200, 600, QImage::Format_ARGB32_Premultiplied);
    wide.fill(Qt::green);
    request.source = Image(wide);
    request.effects.withPadding = true;
    request.effects.paddingPx = 100;
    // Squashed to the square, then 100 px of 1024 in on every side: 17.6 px of the 180 px icon.
    const QList<AppearanceTile> tiles = renderAppearanceTiles(request);
    ASSERT_FALSE(tiles.isEmpty());
    const QImage &ios = tiles.first().image;
    EXPECT_EQ(ios.pixel(20 + 90, 20 + 10), qRgb(255, 255, 255));
    EXPECT_EQ(ios.pixel(20 + 90, 20 + 30), qRgb(0, 255, 0));
    EXPECT_EQ(ios.pixel(20 + 10, 20 + 90), qRgb(255, 255, 255));
}

TEST_F(Appearances, TheViewsTakeTurnsAndTheChoiceComesBackWithTheFirstPicture) {
    ContentViewState &s = state();
    drop(s);
    s.toggleGridView();
    s.toggleAppearances();
    EXPECT_TRUE(s.showAppearances());
    EXPECT_FALSE(s.showGridView());
    s.toggleGridView();
    EXPECT_TRUE(s.showGridView());
    EXPECT_FALSE(s.showAppearances());
    s.toggleAppearances();
    reopenStore();

    ContentViewState &again = state();
    EXPECT_FALSE(again.showAppearances());
    drop(again);
    EXPECT_TRUE(again.showAppearances());
    EXPECT_FALSE(again.showGridView());
    settleTiles(again);
    EXPECT_FALSE(again.appearanceTiles().isEmpty());
    // "Clear image" goes back to the single view and drops the tiles.
    again.clearImage();
    EXPECT_FALSE(again.showAppearances());
    EXPECT_TRUE(again.appearanceTiles().isEmpty());
    drop(again);
    EXPECT_FALSE(again.showAppearances());
}

TEST_F(Appearances, AStoreThatAsksForBothViewsShowsTheGrid) {
    writeIni("[General]\nshowGridView=true\nshowAppearances=true\n");
    ContentViewState &s = state();
    drop(s);
    EXPECT_TRUE(s.showGridView());
    EXPECT_FALSE(s.showAppearances());
}

} // namespace
} // namespace glyphon::test
