#include "imaging/SourceLoader.h"
#include "writers/Generation.h"

#include "TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QIcon>
#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace glyphon;

namespace {

// The hicolor theme's own index, as the hicolor-icon-theme package installs it: an icon in a folder it
// does not list, or at a size other than the folder's, is not one desktops find.
const QString hicolorIndex = QStringLiteral("/usr/share/icons/hicolor/index.theme");

struct ThemeFolder {
    int size = 0;
    QString context, type;
};

QMap<QString, ThemeFolder> themeFolders() {
    QMap<QString, ThemeFolder> folders;
    const QStringList lines = QString::fromUtf8(test::fileBytes(hicolorIndex)).split(u'\n');
    EXPECT_GT(lines.size(), 100) << hicolorIndex.toStdString() << " is missing; install hicolor-icon-theme";
    QString section;
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[')) {
            section = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (section.contains(u'@') || equals < 0) // the doubled-scale folders hold other pixel sizes
            continue;
        const QString key = line.left(equals), value = line.mid(equals + 1);
        if (key == u"Size")
            folders[section].size = value.toInt();
        else if (key == u"Context")
            folders[section].context = value;
        else if (key == u"Type")
            folders[section].type = value;
    }
    return folders;
}

class LinuxTheme : public ::testing::Test {
protected:
    QTemporaryDir dir;
    GenerationInputs inputs;
    QList<Error> failures;

    void SetUp() override {
        inputs.source = Image(test::iconPicture(1024));
        inputs.iconName = QStringLiteral("org.example.Sketch");
    }
    WriteReport write() {
        const Generation generation(inputs);
        return writeTarget(Platform::Linux, generation, dir.path(),
                           [this](const Error &error) { failures.append(error); });
    }
    QString theme() const { return dir.filePath(QStringLiteral("Linux/hicolor")); }
    QStringList files() const {
        QStringList found;
        QDirIterator it(theme(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            found.append(QDir(theme()).relativeFilePath(it.next()));
        found.sort();
        return found;
    }
};

} // namespace

TEST_F(LinuxTheme, WritesEveryApplicationSizeTheThemeLists) {
    const WriteReport report = write();
    EXPECT_TRUE(failures.isEmpty());
    EXPECT_EQ(report.written, 8);
    QStringList expected;
    for (const int edge : {16, 24, 32, 48, 64, 128, 256, 512})
        expected.append(QStringLiteral("%1x%1/apps/org.example.Sketch.png").arg(edge));
    expected.sort();
    EXPECT_EQ(files(), expected);

    const QMap<QString, ThemeFolder> folders = themeFolders();
    for (const QString &name : files()) {
        const QString folder = name.section(u'/', 0, 1);
        ASSERT_TRUE(folders.contains(folder)) << folder.toStdString() << " is no hicolor folder";
        const ThemeFolder &listed = folders.value(folder);
        EXPECT_EQ(listed.context, QStringLiteral("Applications"));
        QImageReader reader(QDir(theme()).filePath(name));
        EXPECT_EQ(reader.format(), "png");
        EXPECT_EQ(reader.size(), QSize(listed.size, listed.size)) << name.toStdString();
        const test::ToolRun check = test::runTool(test::pngcheck, {QDir(theme()).filePath(name)});
        EXPECT_EQ(check.exitCode, 0) << check.output.toStdString();
    }

    // Qt's own theme lookup, reading the same index, finds the icon at every size by its name alone.
    ASSERT_TRUE(QFile::copy(hicolorIndex, QDir(theme()).filePath(QStringLiteral("index.theme"))));
    const QStringList searchPaths = QIcon::themeSearchPaths();
    const QString themeName = QIcon::themeName();
    QIcon::setThemeSearchPaths({dir.filePath(QStringLiteral("Linux"))});
    QIcon::setThemeName(QStringLiteral("hicolor"));
    const QIcon icon = QIcon::fromTheme(inputs.iconName);
    QList<int> sizes;
    for (const QSize &size : icon.availableSizes())
        sizes.append(size.width());
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (QList<int>{16, 24, 32, 48, 64, 128, 256, 512}));
    EXPECT_EQ(icon.pixmap(48).toImage().size(), QSize(48, 48));
    QIcon::setThemeSearchPaths(searchPaths);
    QIcon::setThemeName(themeName);
}

TEST_F(LinuxTheme, AVectorSourceAddsTheScalableIcon) {
    const QString path = test::dataPath(QStringLiteral("mountain.svg"));
    inputs.source = *loadSourceImage(path);
    inputs.svgSource = svgSourceText(path);
    inputs.effects.withRoundedCorners = true;
    EXPECT_EQ(write().written, 9);
    const QString scalable = QStringLiteral("scalable/apps/org.example.Sketch.svg");
    ASSERT_TRUE(files().contains(scalable));
    EXPECT_EQ(themeFolders().value(QStringLiteral("scalable/apps")).type, QStringLiteral("Scalable"));
    // librsvg, which desktops draw scalable icons with, draws it with the corners the bitmaps have.
    const test::ToolRun drawn = test::runTool(
        test::rsvgConvert, {QStringLiteral("-w"), QStringLiteral("64"), QDir(theme()).filePath(scalable)});
    ASSERT_EQ(drawn.exitCode, 0) << drawn.errors.toStdString();
    const QImage vector = QImage::fromData(drawn.output);
    const QImage bitmap(QDir(theme()).filePath(QStringLiteral("64x64/apps/org.example.Sketch.png")));
    ASSERT_EQ(vector.size(), QSize(64, 64));
    EXPECT_EQ(qAlpha(vector.pixel(0, 63)), 0);
    EXPECT_EQ(qAlpha(bitmap.pixel(0, 63)), 0);
    EXPECT_LT(test::meanPremultipliedDistance(bitmap, vector), 4.0);
}

TEST_F(LinuxTheme, AnUnsafeNameWritesNothing) {
    inputs.iconName = QStringLiteral("../evil");
    const WriteReport report = write();
    EXPECT_EQ(report.written, 0);
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures.first().message.contains(QStringLiteral("../evil")));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}
