#include "CliRunner.h"

#include "TestSupport.h"
#include "imaging/SourceLoader.h"
#include "preview/AppearanceSheet.h"
#include "writers/Generation.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
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
    // The failure's line comes through the program's own standard output, its count on standard error.
    const QString folder = QDir::toNativeSeparators(dir.filePath(QStringLiteral("iOS/AppIcon.appiconset")));
    EXPECT_TRUE(r.out.startsWith(
        QStringLiteral("Something went wrong: The folder \"%1\" couldn't be created: ").arg(folder)))
        << r.out.toStdString();
    EXPECT_EQ(r.out.count(u'\n'), 1) << r.out.toStdString();
    EXPECT_EQ(r.err, QStringLiteral("macOS: done\niOS: 1 failure(s)\nwatchOS: done\n"
                                    "glyphon-cli: 1 file(s) could not be written\n"));
}

TEST(Cli, EachFileThatCannotBeWrittenHasItsOwnLine) {
    QTemporaryDir dir;
    // Folders where two files belong: their writes fail, and the rest of the set still follows.
    for (const char *blocked : {"FavIcon/favicon.ico", "FavIcon/ms-icon-150x150.png"})
        ASSERT_TRUE(QDir().mkpath(dir.filePath(QLatin1String(blocked))));
    const auto r = runCli({QStringLiteral("generate"), sample(), QStringLiteral("-o"), dir.path(),
                           QStringLiteral("--platforms=web,android")});
    EXPECT_EQ(r.code, 1);
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << r.out.toStdString();
    const QString saved = QStringLiteral("Something went wrong: The file \"%1\" couldn't be saved: ");
    EXPECT_TRUE(lines[0].startsWith(
        saved.arg(QDir::toNativeSeparators(dir.filePath(QStringLiteral("FavIcon/ms-icon-150x150.png"))))))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(
        saved.arg(QDir::toNativeSeparators(dir.filePath(QStringLiteral("FavIcon/favicon.ico"))))))
        << lines[1].toStdString();
    EXPECT_EQ(r.err, QStringLiteral("Android: done\nweb: 2 failure(s)\n"
                                    "glyphon-cli: 2 file(s) could not be written\n"));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("FavIcon/browser_config.xml"))));
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

TEST(Cli, DesktopTargetsWriteTheirContainersOnly) {
    QTemporaryDir dir;
    const auto r = runCli({QStringLiteral("generate"), sample(), QStringLiteral("-o"), dir.path(),
                           QStringLiteral("--platforms"), QStringLiteral("windows,macos-icns"),
                           QStringLiteral("--rounded-corners")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QStringLiteral("macOS .icns: done\nWindows: done\n"));
    QStringList written = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    written.sort();
    EXPECT_EQ(written, (QStringList{QStringLiteral("Windows"), QStringLiteral("macOS-icns")}));
    QImageReader icns(dir.filePath(QStringLiteral("macOS-icns/AppIcon.icns")), "icns");
    EXPECT_EQ(icns.imageCount(), 10);
    EXPECT_EQ(icns.read().size(), QSize(16, 16));
    QImageReader ico(dir.filePath(QStringLiteral("Windows/app.ico")), "ico");
    EXPECT_EQ(ico.imageCount(), 6);
    EXPECT_EQ(ico.read().size(), QSize(16, 16));
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
        {QStringLiteral("--platforms=ios-single,tizen"), QStringLiteral("--platforms")},
        {QStringLiteral("--background=notacolour"), QStringLiteral("--background")},
        {QStringLiteral("--icon-name=../../etc/passwd"), QStringLiteral("--icon-name")},
        {QStringLiteral("--icon-name=.hidden"), QStringLiteral("--icon-name")},
        {QStringLiteral("--app-name= "), QStringLiteral("--app-name")},
        {QStringLiteral("--dark-source=/nonexistent/dark.png"), QStringLiteral("--dark-source")},
        {QStringLiteral("--monochrome-source=") + sample() + QStringLiteral(".missing"),
         QStringLiteral("--monochrome-source")},
        {QStringLiteral("--android-inset=43"), QStringLiteral("--android-inset")},
        {QStringLiteral("--android-inset=-1"), QStringLiteral("--android-inset")},
        {QStringLiteral("--android-inset=wide"), QStringLiteral("--android-inset")},
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

TEST(Cli, HandMadeAppearancesMustBeSquareBeforeAnythingIsWritten) {
    QTemporaryDir dir;
    const QString wide = writePicture(dir, 1200, 800);
    const QString out = dir.filePath(QStringLiteral("out"));
    for (const char *option : {"--dark-source=", "--tinted-source=", "--monochrome-source="}) {
        const auto r = runCli({QStringLiteral("generate"), sample(), QStringLiteral("-o"), out,
                               QString::fromUtf8(option) + wide});
        EXPECT_EQ(r.code, 3) << option;
        EXPECT_TRUE(r.err.contains(QStringLiteral("not square"))) << r.err.toStdString();
        EXPECT_FALSE(QDir(out).exists());
    }
}

TEST(Cli, AndroidAdaptiveTakesAnInsetAndAHandMadeMonochrome) {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out"));
    const QString damaged = glyphon::test::dataPath(QStringLiteral("not-an-image.png"));
    auto r = runCli({QStringLiteral("generate"), sample(), QStringLiteral("-o"), out,
                     QStringLiteral("--platforms=android-adaptive"), QStringLiteral("--monochrome-source"),
                     damaged});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains(damaged)) << r.err.toStdString();
    EXPECT_FALSE(QDir(out).exists());

    // Opaque blue: a hand-made shape with no alpha counts by its lightness.
    const QString shape = writePicture(dir, 300, 300, "shape.png");
    r = runCli({QStringLiteral("generate"), sample(), QStringLiteral("-o"), out,
                QStringLiteral("--platforms=android-adaptive"), QStringLiteral("--android-inset=30"),
                QStringLiteral("--monochrome-source=") + shape});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QStringLiteral("Android adaptive: done\n"));
    const QImage monochrome(
        QDir(out).filePath(QStringLiteral("Android-adaptive/res/mipmap-mdpi/ic_launcher_monochrome.png")));
    ASSERT_EQ(monochrome.size(), QSize(108, 108));
    EXPECT_EQ(qAlpha(monochrome.pixel(29, 54)), 0);
    EXPECT_NEAR(qAlpha(monochrome.pixel(30, 54)), 108, 1);
    EXPECT_NEAR(qAlpha(monochrome.pixel(77, 54)), 108, 1);
    EXPECT_EQ(qAlpha(monochrome.pixel(78, 54)), 0);
    EXPECT_TRUE(QFile::exists(QDir(out).filePath(QStringLiteral("Android-adaptive/playstore-icon.png"))));
}

TEST(Cli, NewerAppleTargetsAreWrittenFromTheSourceAndHandMadeAppearances) {
    QTemporaryDir dir;
    const QString dark = writePicture(dir, 1024, 1024, "dark.png");
    const QString out = dir.filePath(QStringLiteral("out"));
    const auto r =
        runCli({QStringLiteral("generate"), sample(), QStringLiteral("-o"), out,
                QStringLiteral("--platforms"), QStringLiteral("icon-composer,ios-single,watchos-single"),
                QStringLiteral("--background=#102030"), QStringLiteral("--dark-source=") + dark});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    // In the fixed order, whatever order they were named in.
    EXPECT_EQ(r.err,
              QStringLiteral("iOS single size: done\nwatchOS single size: done\nIcon Composer: done\n"));
    for (const char *file :
         {"iOS-single/AppIcon.appiconset/AppIcon.png", "iOS-single/AppIcon.appiconset/AppIcon-Dark.png",
          "iOS-single/AppIcon.appiconset/AppIcon-Tinted.png", "iOS-single/AppIcon.appiconset/Contents.json",
          "watchOS-single/AppIcon.appiconset/AppIcon.png", "watchOS-single/AppIcon.appiconset/Contents.json",
          "IconComposer/AppIcon.icon/icon.json", "IconComposer/AppIcon.icon/Assets/foreground.png"})
        EXPECT_TRUE(QFile::exists(QDir(out).filePath(QLatin1String(file)))) << file;
    // The sample's transparent corner shows the background; the dark appearance is the hand-made picture.
    EXPECT_EQ(
        QImage(QDir(out).filePath(QStringLiteral("iOS-single/AppIcon.appiconset/AppIcon.png"))).pixel(0, 0),
        qRgb(0x10, 0x20, 0x30));
    EXPECT_EQ(QImage(QDir(out).filePath(QStringLiteral("iOS-single/AppIcon.appiconset/AppIcon-Dark.png")))
                  .pixel(500, 500),
              qRgb(30, 120, 220));
    EXPECT_FALSE(QDir(out).exists(QStringLiteral("iOS")));
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

TEST(Cli, PadToSquareMakesAWideSourceUsableOrSaysWhyNot) {
    QTemporaryDir dir;
    const struct {
        QSize source;
        const char *verdict;
        int code;
    } cases[] = {
        {{1200, 800}, "success: Image dimensions are optimal", 0},
        {{700, 1101}, "warning: Warning: Image dimensions should be even numbers for optimal scaling", 0},
        // Padding alone cannot make a small source big enough; the verdict says so as it would.
        {{900, 600}, "error: Image is too small (900×900). Use at least 1024×1024 pixels", 3},
        {{1024, 1024}, "success: Image dimensions are optimal", 0},
    };
    for (const auto &c : cases) {
        const QString file = writePicture(dir, c.source.width(), c.source.height(), "padded.png");
        const auto r = runCli({QStringLiteral("validate"), file, QStringLiteral("--pad-to-square")});
        EXPECT_EQ(r.code, c.code) << c.verdict;
        EXPECT_EQ(r.out.trimmed(), QString::fromUtf8(c.verdict));
        const bool padded = c.source.width() != c.source.height();
        EXPECT_EQ(r.err.contains(QStringLiteral("padded ")), padded) << r.err.toStdString();
    }

    const QString wide = writePicture(dir, 1200, 800, "wide.png");
    const QString out = dir.filePath(QStringLiteral("out"));
    const auto r = runCli({QStringLiteral("generate"), wide, QStringLiteral("-o"), out,
                           QStringLiteral("--platforms=android"), QStringLiteral("--pad-to-square")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("glyphon-cli: ") + wide +
                                 QStringLiteral(": padded 1200×800 to 1200×1200\n")))
        << r.err.toStdString();
    // The margin is transparent above and below; the picture keeps its full width, unstretched.
    const QImage icon(QDir(out).filePath(QStringLiteral("Android/mipmap-xxxhdpi/ic_launcher.png")));
    ASSERT_EQ(icon.size(), QSize(192, 192));
    EXPECT_EQ(qAlpha(icon.pixel(96, 5)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(96, 186)), 0);
    EXPECT_EQ(icon.pixel(2, 96), qRgb(30, 120, 220));
    EXPECT_EQ(icon.pixel(189, 96), qRgb(30, 120, 220));
}

namespace {

struct ProcessResult {
    QProcess::ExitStatus status;
    int code;
    QString out;
    QString err;
};

// The real program, so that an abort or a crash shows as what it is.
ProcessResult runProgram(const QStringList &arguments, const QString &folder = QDir::currentPath(),
                         const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral(GLYPHON_CLI_PROGRAM), arguments);
    EXPECT_TRUE(process.waitForFinished(120000)) << arguments.join(u' ').toStdString();
    return {process.exitStatus(), process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

QString described(const QStringList &arguments, const ProcessResult &r) {
    return QStringLiteral("glyphon-cli %1\n  exit %2, stderr:\n%3")
        .arg(arguments.join(u' '))
        .arg(r.status == QProcess::NormalExit ? QString::number(r.code) : QStringLiteral("by a signal"))
        .arg(r.err);
}

} // namespace

// Slipped and hostile argument lists: each ends normally with one line that says what went wrong.
TEST(CliProgram, EveryArgumentListEndsWithOneClearLine) {
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(sample(), dir.filePath(QStringLiteral("--force.png"))));
    writePicture(dir, 512, 512, "-small.png");
    const QString src = sample();
    const QString out = dir.filePath(QStringLiteral("out"));
    const QString o = QStringLiteral("-o");
    const QString android = QStringLiteral("--platforms=android");
    auto list = [](std::initializer_list<QString> words) { return QStringList(words); };
    auto generate = [&](std::initializer_list<QString> words) {
        return QStringList{QStringLiteral("generate"), src, o, out} + QStringList(words);
    };
    const struct {
        QStringList arguments;
        int code;
        QString line;
    } cases[] = {
        // Qt's own options, and slips of ours that look like them.
        {generate({QStringLiteral("--platform"), QStringLiteral("ios")}), 2,
         QStringLiteral("glyphon-cli: unknown option --platform; did you mean --platforms?")},
        {generate({QStringLiteral("-platform"), QStringLiteral("xcb")}), 2,
         QStringLiteral("unknown option -platform; did you mean --platforms?")},
        {generate({QStringLiteral("-display"), QStringLiteral(":9")}), 2,
         QStringLiteral("unknown option -display")},
        {generate({QStringLiteral("-style"), QStringLiteral("x")}), 2,
         QStringLiteral("unknown option -style")},
        {generate({QStringLiteral("-qwindowgeometry"), QStringLiteral("10x10+0+0")}), 2,
         QStringLiteral("unknown option -qwindowgeometry")},
        {generate({QStringLiteral("-reverse")}), 2, QStringLiteral("unknown option -reverse")},
        {generate({QStringLiteral("-platformpluginpath"), QStringLiteral("/nowhere")}), 2,
         QStringLiteral("unknown option -platformpluginpath")},
        {list({QStringLiteral("-platform"), QStringLiteral("xcb"), QStringLiteral("generate"), src, o, out}),
         2, QStringLiteral("the command (generate, preview, validate or check) comes first")},
        {list({QStringLiteral("validate"), src, QStringLiteral("-platform"), QStringLiteral("offscreen")}), 2,
         QStringLiteral("unknown option -platform")},
        {list({QStringLiteral("gnerate"), src}), 2, QStringLiteral("did you mean generate?")},
        {generate({QStringLiteral("--Padding=5")}), 2, QStringLiteral("did you mean --padding?")},
        {generate({QStringLiteral("--plätforms=ios")}), 2, QStringLiteral("unknown option --plätforms")},
        {generate({QStringLiteral("--force=yes")}), 2, QStringLiteral("--force takes no value")},
        // Values without "=", and values missing.
        {generate({QStringLiteral("--rounded-corners"), QStringLiteral("300")}), 2,
         QStringLiteral(
             "glyphon-cli: generate takes exactly one SOURCE; did you mean --rounded-corners=300?")},
        {list({QStringLiteral("generate"), o, out, QStringLiteral("--padding"), QStringLiteral("50")}), 2,
         QStringLiteral("did you mean --padding=50?")},
        {list({QStringLiteral("generate"), src, o}), 2, QStringLiteral("-o needs a DIR")},
        {list({QStringLiteral("generate"), src, o, QStringLiteral("--force")}), 2,
         QStringLiteral("-o needs a DIR, not the option --force")},
        {generate({QStringLiteral("--tint=")}), 2, QStringLiteral("--tint= has no value")},
        {generate({QStringLiteral("--padding=")}), 2, QStringLiteral("--padding= has no value")},
        {list({QStringLiteral("generate"), src, QStringLiteral("--output=")}), 2,
         QStringLiteral("--output= has no value")},
        {generate({QStringLiteral("--tint"), QString()}), 2, QStringLiteral("--tint: \"\" is not a colour")},
        {list({QStringLiteral("generate"), QString(), o, out}), 2,
         QStringLiteral("the SOURCE is an empty name")},
        // Numbers that are none, or too big to mean anything.
        {generate({QStringLiteral("--rounded-corners=nan")}), 2,
         QStringLiteral("--rounded-corners: \"nan\"")},
        {generate({QStringLiteral("--padding=inf")}), 2, QStringLiteral("--padding: \"inf\"")},
        {generate({QStringLiteral("--padding=1e309")}), 2, QStringLiteral("--padding: \"1e309\"")},
        {generate({QStringLiteral("--padding=99999999999999999999")}), 2,
         QStringLiteral("leaves no picture")},
        {generate({QStringLiteral("--tint=red"), QStringLiteral("--tint-opacity=NaN")}), 2,
         QStringLiteral("--tint-opacity: \"NaN\"")},
        {generate({QStringLiteral("--tint=red"), QStringLiteral("--tint-opacity"), QStringLiteral("-0.5")}),
         2, QStringLiteral("--tint-opacity: \"-0.5\"")},
        {generate({android, QStringLiteral("--rounded-corners=99999999999999999999")}), 0,
         QStringLiteral("Android: done")},
        // Repeated options: the same twice is harmless, two different ones are refused.
        {generate({QStringLiteral("--tint=red"), QStringLiteral("--tint=blue")}), 2,
         QStringLiteral("--tint is given twice (--tint=red, then --tint=blue)")},
        {generate({QStringLiteral("--platforms"), QStringLiteral("ios"), QStringLiteral("--platforms"),
                   QStringLiteral("android")}),
         2, QStringLiteral("--platforms is given twice")},
        {generate({QStringLiteral("--output"), dir.path()}), 2, QStringLiteral("--output is given twice")},
        {generate({android, QStringLiteral("--force"), QStringLiteral("--force"), android}), 0,
         QStringLiteral("Android: done")},
        // After --, a source may look like an option.
        {list({QStringLiteral("generate"), o, out, android, QStringLiteral("--"),
               QStringLiteral("--force.png")}),
         0, QStringLiteral("Android: done")},
        {list({QStringLiteral("generate"), o, out, android, QStringLiteral("--"),
               QStringLiteral("-small.png")}),
         3, QStringLiteral("Image is too small (512×512)")},
        {list({QStringLiteral("generate"), QStringLiteral("--"), QStringLiteral("--force.png"), o, out}), 2,
         QStringLiteral("generate takes exactly one SOURCE")},
        {list({QStringLiteral("validate"), QStringLiteral("--"), QStringLiteral("-platform")}), 2,
         QStringLiteral("-platform: no such file")},
        {list({QStringLiteral("--")}), 2, QStringLiteral("unknown option --")},
    };
    for (const auto &c : cases) {
        const ProcessResult r = runProgram(c.arguments, dir.path());
        const QStringList lines = r.err.split(u'\n', Qt::SkipEmptyParts);
        EXPECT_EQ(r.status, QProcess::NormalExit) << described(c.arguments, r).toStdString();
        EXPECT_EQ(r.code, c.code) << described(c.arguments, r).toStdString();
        EXPECT_EQ(lines.size(), 1) << described(c.arguments, r).toStdString();
        EXPECT_TRUE(r.err.contains(c.line)) << described(c.arguments, r).toStdString();
    }
}

TEST(CliProgram, EnvironmentCannotPickADisplayPlatform) {
    QTemporaryDir dir;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("ios"));
    const QStringList arguments = {QStringLiteral("generate"), sample(), QStringLiteral("-o"), dir.path(),
                                   QStringLiteral("--platforms=android")};
    const ProcessResult r = runProgram(arguments, dir.path(), environment);
    EXPECT_EQ(r.status, QProcess::NormalExit);
    EXPECT_EQ(r.code, 0) << described(arguments, r).toStdString();
}

TEST(CliProgram, HelpShowsOurOptionsUnderTheProgramsName) {
    for (const char *command : {"generate", "validate", "check"}) {
        const ProcessResult r = runProgram({QLatin1String(command), QStringLiteral("--help")});
        EXPECT_EQ(r.code, 0);
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
        EXPECT_TRUE(r.out.startsWith(QStringLiteral("Usage: glyphon-cli ") + QLatin1String(command)))
            << r.out.toStdString();
        EXPECT_TRUE(r.out.contains(QStringLiteral("--verbose")));
        EXPECT_FALSE(r.out.contains(QStringLiteral("help-all")));
        EXPECT_FALSE(r.out.contains(QStringLiteral("Qt specific")));
        EXPECT_FALSE(r.out.contains(QStringLiteral(GLYPHON_CLI_PROGRAM)));
    }
    const ProcessResult r = runProgram({QStringLiteral("generate"), QStringLiteral("--help")});
    for (const char *option :
         {"-o, --output DIR", "--platforms LIST", "--rounded-corners[=PX]", "--padding[=PX]", "--tint COLOR",
          "--tint-opacity X", "--pad-to-square", "--force"})
        EXPECT_TRUE(r.out.contains(QLatin1String(option))) << option;
    EXPECT_TRUE(runProgram({QStringLiteral("validate"), QStringLiteral("--help")})
                    .out.contains(QStringLiteral("--pad-to-square")));
    const ProcessResult check = runProgram({QStringLiteral("check"), QStringLiteral("--help")});
    for (const char *text : {"--json", "--strict", "FOLDER", "at least one error"})
        EXPECT_TRUE(check.out.contains(QLatin1String(text))) << text;
}

// libpng warns about the first and refuses the second, on standard error, past Qt's own handler.
TEST(CliProgram, DamagedFilesLeaveOnlyOurOwnLine) {
    QTemporaryDir dir;
    const QString profile = glyphon::test::dataPath(QStringLiteral("garbage-icc-profile.png"));
    const QString depth = glyphon::test::dataPath(QStringLiteral("invalid-colour-depth.png"));
    const QStringList options = {QStringLiteral("-o"), dir.path(), QStringLiteral("--platforms=android")};

    ProcessResult r = runProgram(QStringList{QStringLiteral("generate"), profile} + options);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, QStringLiteral("Android: done\n"));
    r = runProgram({QStringLiteral("validate"), profile});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, QString());
    r = runProgram(QStringList{QStringLiteral("generate"), profile, QStringLiteral("--verbose")} + options);
    EXPECT_TRUE(r.err.contains(QStringLiteral("libpng warning: iCCP"))) << r.err.toStdString();

    for (const QString &command : {QStringLiteral("generate"), QStringLiteral("validate")}) {
        r = runProgram(QStringList{command, depth} + (command == u"generate" ? options : QStringList()));
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("glyphon-cli: ") + depth + u':')) << r.err.toStdString();
        EXPECT_EQ(r.err.count(u'\n'), 1) << r.err.toStdString();
    }
    r = runProgram({QStringLiteral("validate"), depth, QStringLiteral("--verbose")});
    EXPECT_TRUE(r.err.contains(QStringLiteral("libpng error: Invalid IHDR data"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("glyphon-cli: ") + depth));
}

TEST(Cli, AVectorSourceReachesTheWebAndThemeSetsAsSvg) {
    // The compressed file is inflated and cleaned like the plain one.
    for (const char *name : {"wide.svg", "wide.svgz"}) {
        QTemporaryDir dir;
        const auto r =
            runCli({QStringLiteral("generate"), glyphon::test::dataPath(QLatin1String(name)),
                    QStringLiteral("-o"), dir.path(), QStringLiteral("--platforms=web-modern,linux"),
                    QStringLiteral("--pad-to-square"), QStringLiteral("--force"),
                    QStringLiteral("--icon-name=org.example.Wide"), QStringLiteral("--app-name=Wide Thing")});
        EXPECT_EQ(r.code, 0) << name << ": " << r.err.toStdString();
        const QByteArray web = glyphon::test::fileBytes(dir.filePath(QStringLiteral("web-modern/icon.svg")));
        EXPECT_TRUE(web.startsWith("<svg")) << name;
        EXPECT_EQ(glyphon::test::fileBytes(
                      dir.filePath(QStringLiteral("Linux/hicolor/scalable/apps/org.example.Wide.svg"))),
                  web)
            << name;
        EXPECT_TRUE(
            QFile::exists(dir.filePath(QStringLiteral("Linux/hicolor/24x24/apps/org.example.Wide.png"))));
        EXPECT_TRUE(glyphon::test::fileBytes(dir.filePath(QStringLiteral("web-modern/manifest.webmanifest")))
                        .contains("\"Wide Thing\""));
    }
    // A bitmap source has no vector icon.
    QTemporaryDir dir;
    const auto r = runCli({QStringLiteral("generate"), sample(), QStringLiteral("-o"), dir.path(),
                           QStringLiteral("--platforms=web-modern,linux")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("web-modern/icon.svg"))));
    EXPECT_FALSE(QDir(dir.filePath(QStringLiteral("Linux/hicolor/scalable"))).exists());
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("Linux/hicolor/512x512/apps/app.png"))));
}

namespace {

// The five default sets, written once per test into dir.
void writeDefaultSets(const QTemporaryDir &dir) {
    const auto r = runCli({QStringLiteral("generate"), sample(), QStringLiteral("-o"), dir.path()});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
}

} // namespace

TEST(Cli, CheckPrintsOneLinePerFindingAndExitsOneOnAnError) {
    QTemporaryDir dir;
    writeDefaultSets(dir);
    const auto r = runCli({QStringLiteral("check"), dir.path()});
    EXPECT_EQ(r.code, 1);
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << r.out.toStdString();
    EXPECT_EQ(lines[1],
              QStringLiteral("error: FavIcon/manifest.json: lists no 512×512 icon; Chrome needs one to "
                             "install the app"));
    EXPECT_EQ(r.err,
              QStringLiteral("glyphon-cli: %1: 1 error and 3 warnings in 5 icon sets\n").arg(dir.path()));
}

TEST(Cli, CheckJsonHasOneObjectPerFinding) {
    QTemporaryDir dir;
    writeDefaultSets(dir);
    const auto r = runCli({QStringLiteral("check"), QStringLiteral("--json"), dir.path()});
    EXPECT_EQ(r.code, 1);
    QJsonParseError error;
    const QJsonArray findings = QJsonDocument::fromJson(r.out.toUtf8(), &error).array();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out.toStdString();
    ASSERT_EQ(findings.size(), 4);
    const QJsonObject first = findings[0].toObject();
    EXPECT_EQ(first.keys(),
              QStringList({QStringLiteral("file"), QStringLiteral("message"), QStringLiteral("rule"),
                           QStringLiteral("set"), QStringLiteral("severity")}));
    EXPECT_EQ(first.value(QStringLiteral("rule")).toString(), QStringLiteral("android-no-adaptive"));
    EXPECT_EQ(first.value(QStringLiteral("severity")).toString(), QStringLiteral("warning"));
    // Members in the documented order, one object a line.
    EXPECT_TRUE(
        r.out.contains(QStringLiteral("\n  {\"severity\": \"warning\", \"set\": \"Android\", \"file\": "
                                      "\"Android\", \"rule\": \"android-no-adaptive\", \"message\": ")))
        << r.out.toStdString();
}

TEST(Cli, CheckStrictCountsWarnings) {
    QTemporaryDir dir;
    const auto generated = runCli({QStringLiteral("generate"), sample(), QStringLiteral("-o"), dir.path(),
                                   QStringLiteral("--platforms=android,macos")});
    ASSERT_EQ(generated.code, 0);
    auto r = runCli({QStringLiteral("check"), dir.path()});
    EXPECT_EQ(r.code, 0) << r.out.toStdString();
    EXPECT_TRUE(
        r.out.startsWith(QStringLiteral("warning: Android: has launcher icons but no adaptive icon")));
    r = runCli({QStringLiteral("check"), QStringLiteral("--strict"), dir.path()});
    EXPECT_EQ(r.code, 1);
    r = runCli({QStringLiteral("check"), QStringLiteral("--strict"), dir.filePath(QStringLiteral("macOS"))});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err, QStringLiteral("glyphon-cli: %1: no findings in 1 icon set\n")
                         .arg(dir.filePath(QStringLiteral("macOS"))));
}

TEST(Cli, CheckUsageErrorsAndUnreadableFoldersExitTwo) {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("nowhere"));
    const std::pair<QStringList, QString> cases[] = {
        {{QStringLiteral("check")}, QStringLiteral("glyphon-cli: check takes exactly one FOLDER\n")},
        {{QStringLiteral("check"), dir.path(), dir.path()},
         QStringLiteral("glyphon-cli: check takes exactly one FOLDER\n")},
        {{QStringLiteral("check"), QString()},
         QStringLiteral("glyphon-cli: check: the FOLDER is an empty name\n")},
        {{QStringLiteral("check"), missing},
         QStringLiteral("glyphon-cli: %1: no such folder\n").arg(missing)},
        {{QStringLiteral("check"), sample()},
         QStringLiteral("glyphon-cli: %1: is not a folder\n").arg(sample())},
        {{QStringLiteral("check"), QStringLiteral("--jsn"), dir.path()},
         QStringLiteral("glyphon-cli: unknown option --jsn; did you mean --json?\n")},
    };
    for (const auto &[arguments, line] : cases) {
        const auto r = runCli(arguments);
        EXPECT_EQ(r.code, 2) << arguments.join(u' ').toStdString();
        EXPECT_EQ(r.err, line);
        EXPECT_TRUE(r.out.isEmpty());
    }
    EXPECT_EQ(runCli({QStringLiteral("chekc")}).err,
              QStringLiteral("glyphon-cli: unknown command \"chekc\"; did you mean check?\n"));
}

TEST(Cli, GenerateCheckReportsWhatItWroteAndExitsOneOnAnError) {
    QTemporaryDir dir;
    auto r = runCli({QStringLiteral("generate"), sample(), QStringLiteral("-o"), dir.path(),
                     QStringLiteral("--platforms=web,macos"), QStringLiteral("--check")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral(
        "error: FavIcon/manifest.json: lists no 512×512 icon; Chrome needs one to install the app\n")))
        << r.out.toStdString();
    EXPECT_EQ(r.err, QStringLiteral(
                         "macOS: done\nweb: done\nglyphon-cli: %1: 1 error and 2 warnings in 2 icon sets\n")
                         .arg(dir.path()));
    QTemporaryDir clean;
    r = runCli({QStringLiteral("generate"), sample(), QStringLiteral("-o"), clean.path(),
                QStringLiteral("--platforms=macos,ios"), QStringLiteral("--check")});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.isEmpty());
}

// What libpng says of a damaged picture stays off the terminal; the finding says it once.
TEST(CliProgram, CheckOfDamagedPicturesPrintsOnlyFindings) {
    QTemporaryDir dir;
    const QString set = dir.filePath(QStringLiteral("AppIcon.appiconset"));
    QDir().mkpath(set);
    QFile contents(set + QStringLiteral("/Contents.json"));
    ASSERT_TRUE(contents.open(QIODevice::WriteOnly));
    contents.write(R"({"images":[{"filename":"a.png","idiom":"mac","size":"16x16","scale":"1x"},
                                {"filename":"b.png","idiom":"mac","size":"16x16","scale":"2x"}]})");
    contents.close();
    ASSERT_TRUE(QFile::copy(glyphon::test::dataPath(QStringLiteral("invalid-colour-depth.png")),
                            set + QStringLiteral("/a.png")));
    ASSERT_TRUE(QFile::copy(glyphon::test::dataPath(QStringLiteral("truncated.png")),
                            set + QStringLiteral("/b.png")));
    const ProcessResult r = runProgram({QStringLiteral("check"), dir.path()});
    EXPECT_EQ(r.status, QProcess::NormalExit);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.count(u'\n'), 1) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("error: AppIcon.appiconset/a.png: is a damaged PNG: ")))
        << r.out.toStdString();
    EXPECT_TRUE(
        r.out.contains(QStringLiteral("error: AppIcon.appiconset/b.png: is a damaged PNG: it is cut short")))
        << r.out.toStdString();
}

TEST(CliPreview, WritesOneSheetWhoseTilesAreTheWindowsTiles) {
    QTemporaryDir dir;
    const QString sheet = dir.filePath(QStringLiteral("sheets/apple.png"));
    const auto r = runCli({QStringLiteral("preview"), sample(), QStringLiteral("-o"), sheet,
                           QStringLiteral("--rounded-corners"), QStringLiteral("--background=#203040"),
                           QStringLiteral("--safe-zones")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    const QImage written(sheet);
    ASSERT_FALSE(written.isNull());
    EXPECT_EQ(written.width(), 1040);
    EXPECT_TRUE(r.err.contains(QStringLiteral("%1×%2").arg(written.width()).arg(written.height())));
    EXPECT_EQ(glyphon::test::runTool(glyphon::test::pngcheck, {QStringLiteral("-q"), sheet}).exitCode, 0);

    // The same tiles the window renders from the same settings, where the sheet's layout puts them.
    glyphon::GenerationInputs inputs;
    inputs.source = *glyphon::loadSourceImage(sample());
    inputs.effects.withRoundedCorners = true;
    inputs.background = glyphon::Color::fromQColor(QColor(0x20, 0x30, 0x40));
    glyphon::AppearanceOptions options;
    options.safeZones = true;
    const QList<glyphon::AppearanceTile> tiles = renderAppearances(appearanceInputs(inputs), options);
    const glyphon::SheetLayout layout = glyphon::composedLayout(tiles);
    ASSERT_EQ(layout.size, written.size());
    for (qsizetype i = 0; i < tiles.size(); ++i)
        EXPECT_EQ(written.copy(layout.tiles[i]).convertToFormat(QImage::Format_RGB32),
                  tiles[i].image.convertToFormat(QImage::Format_RGB32))
            << tiles[i].label.toStdString();
}

TEST(CliPreview, PlatformsWidthAndSharedOptionsAreCheckedLikeGenerates) {
    QTemporaryDir dir;
    const QString sheet = dir.filePath(QStringLiteral("sheet.png"));
    const auto preview = [&](QStringList words) {
        return runCli(QStringList{QStringLiteral("preview"), sample(), QStringLiteral("-o"), sheet} + words);
    };
    auto r = preview({QStringLiteral("--platforms=web,ios"), QStringLiteral("--width=700")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QImage some(sheet);
    EXPECT_EQ(some.width(), 700);
    ASSERT_EQ(preview({}).code, 0);
    EXPECT_GT(QImage(sheet).height(), some.height());

    const struct {
        QStringList words;
        int code;
        const char *line;
    } refused[] = {
        {{QStringLiteral("--platforms=android-adaptive")},
         2,
         "--platforms: \"android-adaptive\" has no appearances to show (use ios, watchos, macos, android, "
         "web)"},
        {{QStringLiteral("--platforms=,")}, 2, "--platforms: no platform given"},
        {{QStringLiteral("--width=300")}, 2, "--width: \"300\" is not a width from 480 to 4000"},
        {{QStringLiteral("--padding=600")}, 2, "--padding: 600 px leaves no picture (use less than 512)"},
        {{QStringLiteral("--tint-opacity=0.5")}, 2, "--tint-opacity: needs --tint=COLOR"},
        {{QStringLiteral("--background=nope")}, 2, "--background: \"nope\" is not a colour"},
        {{QStringLiteral("--dark-source"), writePicture(dir, 300, 200, "wide-dark.png")}, 3, "not square"},
    };
    for (const auto &c : refused) {
        r = preview(c.words);
        EXPECT_EQ(r.code, c.code) << c.line;
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.line))) << r.err.toStdString();
        EXPECT_EQ(r.err.count(u'\n'), 1) << r.err.toStdString();
    }
    EXPECT_EQ(runCli({QStringLiteral("preview"), sample()}).code, 2);
    EXPECT_TRUE(runCli({QStringLiteral("preview"), QStringLiteral("--help")})
                    .out.contains(QStringLiteral("--safe-zones")));
}

TEST(CliPreview, ARejectedSourceNeedsForceAndAnUnwritableSheetExitsOne) {
    QTemporaryDir dir;
    const QString small = writePicture(dir, 512, 512);
    const QString sheet = dir.filePath(QStringLiteral("sheet.png"));
    auto r = runCli({QStringLiteral("preview"), small, QStringLiteral("-o"), sheet});
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(r.err.contains(QStringLiteral("--force shows it anyway"))) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(sheet));
    r = runCli({QStringLiteral("preview"), small, QStringLiteral("-o"), sheet, QStringLiteral("--force")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(sheet));

    // A file where the sheet's folder should be.
    QFile blocker(dir.filePath(QStringLiteral("taken")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    r = runCli({QStringLiteral("preview"), sample(), QStringLiteral("-o"),
                dir.filePath(QStringLiteral("taken/sheet.png"))});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Something went wrong"))) << r.out.toStdString();
}
