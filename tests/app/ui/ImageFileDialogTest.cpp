#include "ImageFileDialog.h"
#include "ContentView.h"
#include "ImageArea.h"
#include "UiTestSupport.h"
#include "imaging/SourceLoader.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QImageWriter>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

namespace glyphon::test {
namespace {

// The suffixes the "Images" filter offers, lower case.
QStringList offeredSuffixes() {
    const QString images = imageNameFilters().first();
    QStringList suffixes;
    for (const QRegularExpressionMatch &match :
         QRegularExpression(QStringLiteral("\\*\\.(\\w+)")).globalMatch(images))
        if (match.captured(1) == match.captured(1).toLower())
            suffixes << match.captured(1);
    return suffixes;
}

QString picturesOrHome() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return QDir(pictures).exists() ? pictures : QDir::homePath();
}

TEST(ImageFileDialog, offersTheSourceFormatsAndAllFilesButNoCursorsOrBitmaps) {
    const QStringList filters = imageNameFilters();
    ASSERT_EQ(filters.size(), 2);
    EXPECT_TRUE(filters[0].startsWith(QStringLiteral("Images (")));
    EXPECT_EQ(filters[1], QStringLiteral("All files (*)"));
    const QStringList suffixes = offeredSuffixes();
    for (const char *wanted : {"png", "jpg", "jpeg", "webp", "gif", "bmp", "tif", "tiff", "svg", "svgz"})
        EXPECT_TRUE(suffixes.contains(QLatin1String(wanted))) << wanted;
    for (const char *unwanted : {"cur", "xbm", "xpm", "mng", "pbm", "wbmp"})
        EXPECT_FALSE(suffixes.contains(QLatin1String(unwanted))) << unwanted;
    // Upper-case names match too.
    EXPECT_TRUE(filters[0].contains(QStringLiteral("*.PNG")));
}

TEST(ImageFileDialog, everyOfferedFormatThatCanBeWrittenIsReadAsASource) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QImage picture = samplePicture(64);
    int checked = 0;
    for (const QString &suffix : offeredSuffixes()) {
        if (!QImageWriter::supportedImageFormats().contains(suffix.toLatin1()))
            continue;
        const QString file = dir.filePath(QStringLiteral("picture.") + suffix);
        ASSERT_TRUE(picture.save(file, suffix.toLatin1().constData())) << suffix.toStdString();
        const Result<Image> loaded = loadSourceImage(file);
        EXPECT_TRUE(loaded) << loaded.error().description().toStdString();
        ++checked;
    }
    EXPECT_GE(checked, 5);
    EXPECT_TRUE(loadSourceImage(dataPath(QStringLiteral("mountain.svg"))));
    EXPECT_TRUE(loadSourceImage(dataPath(QStringLiteral("wide.svgz"))));
}

TEST(ImageFileDialog, startsInTheLastImageFolderWhileItExists) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_EQ(imageDialogFolder(dir.path()), dir.path());
    EXPECT_EQ(imageDialogFolder(QString()), picturesOrHome());
    EXPECT_EQ(imageDialogFolder(dir.filePath(QStringLiteral("gone"))), picturesOrHome());
}

class ImageFileDialogWindowTest : public WindowFixture {
protected:
    QFileDialog *openDialog() {
        QFileDialog *dialog = nullptr;
        waitUntil([&] { return (dialog = m_window->findChild<QFileDialog *>()) != nullptr; }, 2000);
        return dialog;
    }
};

TEST_F(ImageFileDialogWindowTest, openImageStartsInTheLastFolderAndRemembersTheChoice) {
    QDir(m_dir.path()).mkpath(QStringLiteral("art"));
    state().setLastImageFolder(path(QStringLiteral("art")));
    const QString file = path(QStringLiteral("icon.png"));
    ASSERT_TRUE(samplePicture(1024).save(file));

    m_window->openImageAction()->trigger();
    QFileDialog *dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->directory().absolutePath(), path(QStringLiteral("art")));
    EXPECT_EQ(dialog->nameFilters(), imageNameFilters());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Open Image"));

    dialog->selectFile(file);
    QMetaObject::invokeMethod(dialog, &QDialog::accept);
    settle();
    EXPECT_TRUE(state().somethingDropped());
    EXPECT_EQ(state().lastImageFolder(), m_dir.path());
}

TEST_F(ImageFileDialogWindowTest, clickingTheEmptyAreaOpensTheDialogButNotOnceAnImageIsIn) {
    ImageArea *area = view().imageArea();
    EXPECT_FALSE(area->hintRect().isEmpty());
    EXPECT_FALSE(area->previewRect().intersects(area->hintRect()));
    QTest::mouseClick(area, Qt::LeftButton, Qt::NoModifier, area->rect().center());
    QFileDialog *dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->reject();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(m_window->findChild<QFileDialog *>(), nullptr);

    dropPicture();
    EXPECT_TRUE(area->hintRect().isEmpty());
    QTest::mouseClick(area, Qt::LeftButton, Qt::NoModifier, area->rect().center());
    QApplication::processEvents();
    EXPECT_EQ(m_window->findChild<QFileDialog *>(), nullptr);
}

} // namespace
} // namespace glyphon::test
