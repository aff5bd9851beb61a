#include "writers/SetWriter.h"

#include "TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace glyphon;

namespace {

struct Density {
    const char *folder;
    int edge;
};

const Density densities[] = {
    {"mipmap-xxxhdpi", 192}, {"mipmap-xxhdpi", 144}, {"mipmap-xhdpi", 96},
    {"mipmap-hdpi", 72},     {"mipmap-mdpi", 48},
};

class AndroidSet : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Image source{test::filled(1024, QColor(200, 40, 40))};

    WriteReport write(const Image &image) {
        return writePlatform(Platform::Android, image, dir.path(), [](const Error &) {});
    }
    WriteReport write() { return write(source); }

    QString launcher(const char *folder) const {
        return dir.filePath(QStringLiteral("Android/") + QLatin1String(folder) +
                            QStringLiteral("/ic_launcher.png"));
    }
    QStringList allFiles() const {
        QStringList files;
        QDirIterator it(dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << QDir(dir.path()).relativeFilePath(it.next());
        files.sort();
        return files;
    }
    void block(const QString &relative) const {
        QFile blocker(dir.filePath(relative));
        ASSERT_TRUE(QDir().mkpath(QFileInfo(blocker.fileName()).path()));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
};

} // namespace

TEST_F(AndroidSet, WritesFiveDensitiesAndNothingElse) {
    const WriteReport report = write();
    EXPECT_TRUE(report.failures.isEmpty());
    EXPECT_EQ(report.written, 5);
    QStringList expected;
    for (const Density &density : densities) {
        expected << QStringLiteral("Android/") + QLatin1String(density.folder) +
                        QStringLiteral("/ic_launcher.png");
        QImageReader reader(launcher(density.folder));
        EXPECT_EQ(reader.size(), QSize(density.edge, density.edge)) << density.folder;
        const QImage icon = reader.read();
        EXPECT_TRUE(icon.hasAlphaChannel());
        EXPECT_EQ(icon.pixel(density.edge / 2, density.edge / 2), qRgb(200, 40, 40));
    }
    expected.sort();
    EXPECT_EQ(allFiles(), expected);
}

TEST_F(AndroidSet, BlockedDensityFolderAbandonsTheSmallerOnes) {
    block(QStringLiteral("Android/mipmap-xhdpi"));
    const WriteReport report = write();
    EXPECT_EQ(report.written, 2);
    ASSERT_EQ(report.failures.size(), 1);
    EXPECT_EQ(report.failures.first().kind, ErrorKind::FolderNotCreated);
    EXPECT_TRUE(report.failures.first().description().contains(QStringLiteral("mipmap-xhdpi")));
    EXPECT_EQ(QImageReader(launcher("mipmap-xxxhdpi")).size(), QSize(192, 192));
    EXPECT_EQ(QImageReader(launcher("mipmap-xxhdpi")).size(), QSize(144, 144));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("Android/mipmap-hdpi"))));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("Android/mipmap-mdpi"))));
}

TEST_F(AndroidSet, BlockedAndroidFolderWritesNothing) {
    block(QStringLiteral("Android"));
    const WriteReport report = write();
    EXPECT_EQ(report.written, 0);
    EXPECT_EQ(report.failures.size(), 1);
    EXPECT_EQ(allFiles(), QStringList{QStringLiteral("Android")});
}

TEST_F(AndroidSet, BlockedLauncherFileLetsTheNextDensityFollow) {
    ASSERT_TRUE(QDir().mkpath(launcher("mipmap-xxhdpi")));
    const WriteReport report = write();
    EXPECT_EQ(report.written, 4);
    EXPECT_EQ(report.failures.size(), 1);
    EXPECT_EQ(allFiles().size(), 4);
    EXPECT_EQ(QImageReader(launcher("mipmap-mdpi")).size(), QSize(48, 48));
}

TEST_F(AndroidSet, SecondRunReplacesFilesSilently) {
    EXPECT_TRUE(write(Image(test::filled(1024, Qt::green))).failures.isEmpty());
    EXPECT_TRUE(write().failures.isEmpty());
    EXPECT_EQ(QImage(launcher("mipmap-mdpi")).pixel(24, 24), qRgb(200, 40, 40));
    EXPECT_EQ(allFiles().size(), 5); // no temporary files left behind
}
