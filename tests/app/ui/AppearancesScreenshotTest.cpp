// The Appearances view on a display, for an opaque photograph, a transparent emoji and a logo with wide
// white margins: saved as PNGs under the build folder and measured where a person would look.
#include "AppearancesView.h"
#include "ContentView.h"
#include "IconButton.h"
#include "ImageArea.h"
#include "TestSupport.h"
#include "UiTestSupport.h"
#include "imaging/Renderer.h"
#include "imaging/SourceLoader.h"

#include <QCheckBox>
#include <QDir>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

namespace glyphon::test {
namespace {

QString screenshotPath(const QString &name) {
    QDir().mkpath(QStringLiteral(GLYPHON_SCREENSHOT_DIR));
    return QDir(QStringLiteral(GLYPHON_SCREENSHOT_DIR)).filePath(name + QStringLiteral(".png"));
}

bool near(QRgb pixel, const QColor &color, int tolerance = 8) {
    return qAbs(qRed(pixel) - color.red()) <= tolerance && qAbs(qGreen(pixel) - color.green()) <= tolerance &&
           qAbs(qBlue(pixel) - color.blue()) <= tolerance;
}

class AppearancesScreenshotTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        m_window->resize(760, 940);
    }

    AppearancesView &appearances() { return *view().imageArea()->appearances(); }

    void show(const Image &picture, const QString &name) {
        state().acceptImage(QUrl::fromLocalFile(path(name)), picture);
        state().setShowAppearances(true);
        ASSERT_TRUE(waitUntil([this] {
            settle();
            return !state().appearanceTiles().isEmpty() && !state().isRenderingAppearances() &&
                   !state().isPreviewing();
        }));
    }

    Image loaded(const QString &file) {
        const Result<Image> image = loadSourceImage(file);
        EXPECT_TRUE(image);
        return image ? *image : Image();
    }

    // The tile with this label as the screen shows it, cut from a capture of the window.
    QImage onScreen(const QImage &shot, const QString &label) {
        const SheetLayout layout = appearances().sheetLayout();
        for (qsizetype i = 0; i < appearances().tiles().size(); ++i)
            if (appearances().tiles()[i].label == label) {
                const QPoint origin =
                    appearances().canvas()->mapTo(m_window.get(), layout.tiles[i].topLeft());
                return shot.copy(QRect(origin, layout.tiles[i].size())).convertToFormat(QImage::Format_RGB32);
            }
        ADD_FAILURE() << "no tile " << label.toStdString();
        return {};
    }

    const QImage &tile(const QString &label) {
        for (const AppearanceTile &t : state().appearanceTiles())
            if (t.label == label)
                return t.image;
        static const QImage none;
        return none;
    }

    // Scrolls the view so the platform's heading is at the top, and captures.
    QImage captureAt(AppearanceGroup group, const QString &name) {
        for (const SheetLayout::Heading &heading : appearances().sheetLayout().headings)
            if (heading.group == group)
                appearances().verticalScrollBar()->setValue(
                    appearances().canvas()->mapTo(appearances().widget(), heading.rect.topLeft()).y() - 8);
        return captureWindow(screenshotPath(name));
    }
};

TEST_F(AppearancesScreenshotTest, anOpaquePhotograph) {
    const Image photo = *resizeImage(loaded(dataPath(QStringLiteral("photo-512.jpg"))), 1024, 1024);
    show(photo, QStringLiteral("photo.jpg"));
    const QImage shot = captureWindow(screenshotPath(QStringLiteral("20-appearances-photo")));
    // What the screen shows is the tile itself, pixel for pixel.
    EXPECT_EQ(onScreen(shot, QStringLiteral("iOS · light")),
              tile(QStringLiteral("iOS · light")).convertToFormat(QImage::Format_RGB32));
    // An opaque picture leaves the system nothing to fill: dark shows the same picture as light.
    EXPECT_EQ(tile(QStringLiteral("iOS · dark")).pixel(110, 110),
              tile(QStringLiteral("iOS · light")).pixel(110, 110));
    captureAt(AppearanceGroup::Android, QStringLiteral("20b-appearances-photo-android"));
}

TEST_F(AppearancesScreenshotTest, aTransparentEmoji) {
    show(loaded(sourcePath(QStringLiteral("resources/samples/apple-1024.png"))), QStringLiteral("apple.png"));
    const QImage shot = captureWindow(screenshotPath(QStringLiteral("21-appearances-emoji")));
    EXPECT_EQ(onScreen(shot, QStringLiteral("iOS · dark")),
              tile(QStringLiteral("iOS · dark")).convertToFormat(QImage::Format_RGB32));
    // Beside the apple, light fills with the white background and dark with the system's dark ground.
    const QPoint beside(20 + 12, 20 + 90);
    EXPECT_TRUE(near(tile(QStringLiteral("iOS · light")).pixel(beside), Qt::white));
    EXPECT_LT(QColor(tile(QStringLiteral("iOS · dark")).pixel(beside)).lightness(), 60);
    state().setShowSafeZones(true);
    captureWindow(screenshotPath(QStringLiteral("21b-appearances-emoji-safe-zones")));
    captureAt(AppearanceGroup::Android, QStringLiteral("21c-appearances-emoji-android"));
    captureAt(AppearanceGroup::Web, QStringLiteral("21d-appearances-emoji-web"));
}

TEST_F(AppearancesScreenshotTest, aLogoWithWideWhiteMargins) {
    QImage canvas = filled(1024, Qt::white);
    {
        const Image mark = loaded(dataPath(QStringLiteral("mountain.svg")));
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(312, 312, 400, 400), mark.bitmap());
    }
    show(Image(canvas), QStringLiteral("logo.png"));
    captureWindow(screenshotPath(QStringLiteral("22-appearances-logo")));
    // Opaque all over, the themed icon is its luminance: the white margin becomes one solid silhouette
    // across the art's square, which is what the view is there to show.
    const QImage &themed = tile(QStringLiteral("Android · themed · circle"));
    EXPECT_TRUE(near(themed.pixel(12 + 20, 12 + 44), QColor(0x1f, 0x3a, 0x6e), 12));
    captureAt(AppearanceGroup::Android, QStringLiteral("22b-appearances-logo-android"));
}

} // namespace
} // namespace glyphon::test
