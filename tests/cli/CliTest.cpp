#include "CliRunner.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
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
