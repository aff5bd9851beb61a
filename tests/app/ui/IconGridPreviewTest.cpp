#include "IconGridPreview.h"
#include "UiTestSupport.h"

#include <QLabel>
#include <QTest>

namespace glyphon::test {
namespace {

QStringList texts(QWidget &widget) {
    QStringList all;
    for (QLabel *label : widget.findChildren<QLabel *>())
        all << label->text();
    return all;
}

TEST(IconGridPreview, showsTheAppStoreTileAndTheRowAtTheirSizes) {
    IconGridPreview grid;
    grid.resize(600, 700);
    grid.setContent(std::nullopt, Image(samplePicture(1024)), false, IconGridPreview::standardPreviewSizes());
    grid.show();
    const QList<ThumbnailTile *> tiles = grid.tiles();
    ASSERT_EQ(tiles.size(), 4);
    const int edges[] = {256, 128, 64, 16};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(tiles[i]->size(), QSize(edges[i], edges[i]));
        ASSERT_TRUE(tiles[i]->thumbnail().has_value());
        // One bitmap pixel per point of the frame; never a 1024 render.
        EXPECT_EQ(tiles[i]->thumbnail()->pixelWidth(), edges[i]);
    }
    const QStringList shown = texts(grid);
    for (const char *text :
         {"App Store Preview", "1024×1024", "macOS Dock", "128×128", "Finder", "64×64", "Menu Bar", "16×16"})
        EXPECT_TRUE(shown.contains(QString::fromUtf8(text))) << text;
    EXPECT_FALSE(shown.contains(QStringLiteral("App Store")));

    // The row runs left to right in list order, below the top tile.
    EXPECT_LT(tiles[1]->mapTo(&grid, QPoint()).x(), tiles[2]->mapTo(&grid, QPoint()).x());
    EXPECT_LT(tiles[2]->mapTo(&grid, QPoint()).x(), tiles[3]->mapTo(&grid, QPoint()).x());
    EXPECT_GT(tiles[1]->mapTo(&grid, QPoint()).y(), tiles[0]->mapTo(&grid, QPoint()).y() + 256);
}

TEST(IconGridPreview, aPictureThatIsNotSquareKeepsItsProportionsInEveryTile) {
    QImage wide(1200, 800, QImage::Format_ARGB32_Premultiplied);
    wide.fill(Qt::white);
    IconGridPreview grid;
    grid.setContent(std::nullopt, Image(wide), false, IconGridPreview::standardPreviewSizes());
    const QList<ThumbnailTile *> tiles = grid.tiles();
    ASSERT_EQ(tiles.size(), 4);
    const QSize rendered[] = {{256, 171}, {128, 85}, {64, 43}, {16, 11}};
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(tiles[i]->thumbnail().has_value());
        EXPECT_EQ(tiles[i]->thumbnail()->bitmap().size(), rendered[i]);
    }
    // Drawn centred in its square frame: the dark frame shows above and below, the picture across.
    ThumbnailTile &top = *tiles[0];
    QImage shot(256, 256, QImage::Format_ARGB32_Premultiplied);
    shot.fill(Qt::transparent);
    top.render(&shot, QPoint(), QRegion(), QWidget::RenderFlags());
    EXPECT_NEAR(shot.pixelColor(128, 20).alphaF(), 0.2, 0.01);
    EXPECT_NEAR(shot.pixelColor(128, 236).alphaF(), 0.2, 0.01);
    EXPECT_EQ(shot.pixelColor(2, 128), QColor(Qt::white));
    EXPECT_EQ(shot.pixelColor(253, 128), QColor(Qt::white));
}

TEST(IconGridPreview, transparentMarginsShowTheDarkTileBackground) {
    // A padded picture: transparent margin around an opaque middle.
    QImage padded(1024, 1024, QImage::Format_ARGB32_Premultiplied);
    padded.fill(Qt::transparent);
    for (int y = 256; y < 768; ++y)
        for (int x = 256; x < 768; ++x)
            padded.setPixelColor(x, y, Qt::white);
    ThumbnailTile tile(128);
    tile.setThumbnail(Image(padded));
    QImage shot(128, 128, QImage::Format_ARGB32_Premultiplied);
    shot.fill(Qt::transparent);
    tile.render(&shot, QPoint(), QRegion(), QWidget::RenderFlags());
    EXPECT_NEAR(shot.pixelColor(4, 4).alphaF(), 0.2, 0.01);
    EXPECT_EQ(shot.pixelColor(4, 4).red(), 0);
    EXPECT_EQ(shot.pixelColor(64, 64), QColor(Qt::white));
}

TEST(IconGridPreview, withoutAProcessedImageItIsEmptyButKeepsItsHeight) {
    IconGridPreview grid;
    grid.resize(400, 300);
    grid.setContent(std::nullopt, std::nullopt, false, IconGridPreview::standardPreviewSizes());
    EXPECT_TRUE(grid.tiles().isEmpty());
    EXPECT_GE(grid.widget()->minimumSizeHint().height(), 500);
}

TEST(IconGridPreview, aSingleEntryListGivesOnlyTheTopTile) {
    IconGridPreview grid;
    grid.setContent(std::nullopt, Image(samplePicture(64)), false, {{QStringLiteral("App Store"), 1024}});
    ASSERT_EQ(grid.tiles().size(), 1);
    EXPECT_EQ(grid.tiles().first()->edge(), 256);
}

TEST(IconGridPreview, aThumbnailThatCannotBeRenderedLeavesAnEmptyTile) {
    IconGridPreview grid;
    // A null picture cannot be resized; the grid still builds.
    grid.setContent(std::nullopt, Image(), false, IconGridPreview::standardPreviewSizes());
    ASSERT_EQ(grid.tiles().size(), 4);
    for (ThumbnailTile *tile : grid.tiles())
        EXPECT_FALSE(tile->thumbnail() && !tile->thumbnail()->isNull());
}

} // namespace
} // namespace glyphon::test
