#include "CliRunner.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Result {
    int code;
    QString out;
    QString err;
};

Result runCli(QStringList args) {
    args.prepend(QStringLiteral("glyphon-cli"));
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    const int code = glyphon::cli::run(args, outStream, errStream);
    outStream.flush();
    errStream.flush();
    return {code, out, err};
}

QString sample() {
    return glyphon::test::sourcePath(QStringLiteral("resources/samples/apple-1024.png"));
}

} // namespace

TEST(Cli, GenerateWritesTheAppleSetsAndExitsZero) {
    QTemporaryDir dir;
    const auto r = runCli({QStringLiteral("generate"), sample(), QStringLiteral("-o"), dir.path(),
                           QStringLiteral("--platforms"), QStringLiteral("macos,ios,watchos")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    for (const char *key : {"macOS", "iOS", "watchOS"})
        EXPECT_TRUE(QFile::exists(
            dir.filePath(QLatin1String(key) + QStringLiteral("/AppIcon.appiconset/Contents.json"))));
}

TEST(Cli, UsageErrorsExitTwo) {
    QTemporaryDir dir;
    EXPECT_EQ(runCli({}).code, 2);
    EXPECT_EQ(runCli({QStringLiteral("frobnicate")}).code, 2);
    EXPECT_EQ(runCli({QStringLiteral("generate"), sample()}).code, 2);
    const auto r = runCli({QStringLiteral("generate"), sample(), QStringLiteral("-o"), dir.path(),
                           QStringLiteral("--platforms"), QStringLiteral("symbian")});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("--platforms")));
}

TEST(Cli, UnreadableSourcesExitTwoNamingTheFile) {
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("notes.png"));
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("this is not a picture");
    f.close();
    for (const QString &bad : {dir.filePath(QStringLiteral("missing.png")), dir.path(), text}) {
        const auto r = runCli(
            {QStringLiteral("generate"), bad, QStringLiteral("-o"), dir.filePath(QStringLiteral("out"))});
        EXPECT_EQ(r.code, 2) << bad.toStdString();
        EXPECT_TRUE(r.err.contains(bad)) << r.err.toStdString();
    }
}

TEST(Cli, BlockedPlatformFolderExitsOneAfterWritingTheRest) {
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("iOS")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const auto r = runCli({QStringLiteral("generate"), sample(), QStringLiteral("-o"), dir.path(),
                           QStringLiteral("--platforms"), QStringLiteral("macos,ios,watchos")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("watchOS/AppIcon.appiconset/1024.png"))));
}

TEST(Cli, VersionAndHelp) {
    EXPECT_EQ(runCli({QStringLiteral("--version")}).code, 0);
    EXPECT_EQ(runCli({QStringLiteral("--help")}).code, 0);
}

namespace {

// A square picture of the given edge written as PNG into dir.
QString writePicture(const QTemporaryDir &dir, int width, int height, const char *name = "source.png") {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(QColor(30, 120, 220));
    const QString path = dir.filePath(QLatin1String(name));
    image.save(path);
    return path;
}

} // namespace

TEST(Cli, FullRunWritesAllFivePlatformsWithEffects) {
    QTemporaryDir dir;
    const auto r = runCli({QStringLiteral("generate"), sample(), QStringLiteral("-o"), dir.path(),
                           QStringLiteral("--rounded-corners"), QStringLiteral("--padding=50"),
                           QStringLiteral("--tint=#ff8800"), QStringLiteral("--tint-opacity=0.5")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("macOS/AppIcon.appiconset/1024.png"))));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("Android/mipmap-mdpi/ic_launcher.png"))));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("FavIcon/favicon.ico"))));
    // One progress line per platform, in the fixed order.
    const QStringList lines = r.err.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("macOS")));
    EXPECT_TRUE(lines[4].startsWith(QStringLiteral("web")));
    // The padding leaves the corner of the largest icon clear.
    const QImage icon(dir.filePath(QStringLiteral("macOS/AppIcon.appiconset/1024.png")));
    EXPECT_EQ(qAlpha(icon.pixel(10, 10)), 0);
}

TEST(Cli, BadOptionValuesExitTwoNamingTheOption) {
    QTemporaryDir dir;
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("--rounded-corners=-5"), QStringLiteral("--rounded-corners")},
        {QStringLiteral("--rounded-corners=big"), QStringLiteral("--rounded-corners")},
        {QStringLiteral("--padding=abc"), QStringLiteral("--padding")},
        {QStringLiteral("--padding=512"), QStringLiteral("--padding")},
        {QStringLiteral("--tint=notacolour"), QStringLiteral("--tint")},
        {QStringLiteral("--tint-opacity=0.5"), QStringLiteral("--tint-opacity")},
        {QStringLiteral("--platforms="), QStringLiteral("--platforms")},
    };
    for (const auto &[option, named] : cases) {
        const auto r =
            runCli({QStringLiteral("generate"), sample(), QStringLiteral("-o"), dir.path(), option});
        EXPECT_EQ(r.code, 2) << option.toStdString();
        EXPECT_TRUE(r.err.contains(named)) << r.err.toStdString();
    }
    const auto r = runCli({QStringLiteral("generate"), sample(), QStringLiteral("-o"), dir.path(),
                           QStringLiteral("--tint=red"), QStringLiteral("--tint-opacity=1.5")});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("--tint-opacity")));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST(Cli, RejectedSourceExitsThreeUnlessForced) {
    QTemporaryDir dir;
    const QString small = writePicture(dir, 512, 512);
    const QString out = dir.filePath(QStringLiteral("out"));
    auto r = runCli({QStringLiteral("generate"), small, QStringLiteral("-o"), out});
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Image is too small (512×512). Use at least 1024×1024 pixels")))
        << r.err.toStdString();
    EXPECT_FALSE(QDir(out).exists());
    r = runCli({QStringLiteral("generate"), small, QStringLiteral("-o"), out,
                QStringLiteral("--platforms=android"), QStringLiteral("--force")});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(QFile::exists(QDir(out).filePath(QStringLiteral("Android/mipmap-xxxhdpi/ic_launcher.png"))));
}

TEST(Cli, WarningClassSourceIsWrittenWithAWarning) {
    QTemporaryDir dir;
    const QString odd = writePicture(dir, 1025, 1025);
    const auto r =
        runCli({QStringLiteral("generate"), odd, QStringLiteral("-o"), dir.filePath(QStringLiteral("out")),
                QStringLiteral("--platforms"), QStringLiteral("android")});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Warning: Image dimensions should be even numbers")));
}

TEST(Cli, ValidateReportsTypeAndMessage) {
    QTemporaryDir dir;
    auto r = runCli({QStringLiteral("validate"), sample()});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.trimmed(), QStringLiteral("success: Image dimensions are optimal"));
    r = runCli({QStringLiteral("validate"), writePicture(dir, 1200, 800, "wide.png")});
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.out.trimmed(), QStringLiteral("error: Image must be square (currently 1200×800)"));
    r = runCli({QStringLiteral("validate"), writePicture(dir, 1025, 1025, "odd.png")});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("warning: ")));
    EXPECT_EQ(runCli({QStringLiteral("validate"), dir.filePath(QStringLiteral("nope.png"))}).code, 2);
    EXPECT_EQ(runCli({QStringLiteral("validate")}).code, 2);
}
