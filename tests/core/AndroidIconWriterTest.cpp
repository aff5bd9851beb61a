#include "writers/AndroidIconWriter.h"

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

using Recorded = test::RecordedFailures;

struct Density {
    const char *folder;
    int edge;
};

const Density densities[] = {
    {"mipmap-xxxhdpi", 192}, {"mipmap-xxhdpi", 144}, {"mipmap-xhdpi", 96},
    {"mipmap-hdpi", 72},     {"mipmap-mdpi", 48},
};

class AndroidIconWriter : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Image source{test::filled(1024, QColor(200, 40, 40))};

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

TEST_F(AndroidIconWriter, WritesFiveDensitiesAndNothingElse) {
    Recorded rec;
    EXPECT_EQ(writeAndroidIcons(source, dir.path(), rec.sink()), 0);
    EXPECT_TRUE(rec.messages.isEmpty());
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

TEST_F(AndroidIconWriter, BlockedDensityFolderAbandonsTheSmallerOnes) {
    block(QStringLiteral("Android/mipmap-xhdpi"));
    Recorded rec;
    int written = 0;
    EXPECT_EQ(writeAndroidIcons(source, dir.path(), rec.sink(), &written), 1);
    EXPECT_EQ(written, 2);
    ASSERT_EQ(rec.messages.size(), 1);
    EXPECT_TRUE(rec.messages.first().contains(QStringLiteral("mipmap-xhdpi")));
    EXPECT_EQ(QImageReader(launcher("mipmap-xxxhdpi")).size(), QSize(192, 192));
    EXPECT_EQ(QImageReader(launcher("mipmap-xxhdpi")).size(), QSize(144, 144));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("Android/mipmap-hdpi"))));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("Android/mipmap-mdpi"))));
}

TEST_F(AndroidIconWriter, BlockedAndroidFolderWritesNothing) {
    block(QStringLiteral("Android"));
    Recorded rec;
    int written = 0;
    EXPECT_EQ(writeAndroidIcons(source, dir.path(), rec.sink(), &written), 1);
    EXPECT_EQ(written, 0);
    EXPECT_EQ(rec.messages.size(), 1);
    EXPECT_EQ(allFiles(), QStringList{QStringLiteral("Android")});
}

TEST_F(AndroidIconWriter, BlockedLauncherFileLetsTheNextDensityFollow) {
    ASSERT_TRUE(QDir().mkpath(launcher("mipmap-xxhdpi")));
    Recorded rec;
    int written = 0;
    EXPECT_EQ(writeAndroidIcons(source, dir.path(), rec.sink(), &written), 1);
    EXPECT_EQ(written, 4);
    EXPECT_EQ(rec.messages.size(), 1);
    EXPECT_EQ(allFiles().size(), 4);
    EXPECT_EQ(QImageReader(launcher("mipmap-mdpi")).size(), QSize(48, 48));
}

TEST_F(AndroidIconWriter, SecondRunReplacesFilesSilently) {
    Recorded rec;
    writeAndroidIcons(Image(test::filled(1024, Qt::green)), dir.path(), rec.sink());
    EXPECT_EQ(writeAndroidIcons(source, dir.path(), rec.sink()), 0);
    EXPECT_TRUE(rec.messages.isEmpty());
    EXPECT_EQ(QImage(launcher("mipmap-mdpi")).pixel(24, 24), qRgb(200, 40, 40));
    EXPECT_EQ(allFiles().size(), 5); // no temporary files left behind
}
