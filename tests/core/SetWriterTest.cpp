#include "writers/SetWriter.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QMap>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace glyphon;

namespace {

const Image source{test::filled(1024, QColor(200, 40, 40))};

QStringList descriptions(const QList<Error> &errors) {
    QStringList lines;
    for (const Error &error : errors)
        lines << error.description();
    return lines;
}

} // namespace

// The sets that hold the large pictures start first, so none of them is left running alone at the end;
// targets of equal weight keep the order they were listed in.
TEST(OutputSets, TheLongestTargetsStartFirst) {
    const QList<Platform> fiveAndIcns{Platform::MacOS,   Platform::IOS, Platform::WatchOS,
                                      Platform::Android, Platform::Web, Platform::MacOSIcns};
    EXPECT_EQ(longestFirst(fiveAndIcns), (std::vector<int>{1, 0, 5, 2, 4, 3}));
    EXPECT_EQ(longestFirst({Platform::IOSSingle, Platform::IconComposer}), (std::vector<int>{0, 1}));
    EXPECT_EQ(longestFirst({Platform::IconComposer, Platform::IOSSingle}), (std::vector<int>{0, 1}));
    EXPECT_EQ(longestFirst({Platform::Windows, Platform::AndroidAdaptive}), (std::vector<int>{1, 0}));
    EXPECT_TRUE(longestFirst({}).empty());
}

TEST(OutputSets, AFileNamedTwiceIsTheSamePictureBothTimes) {
    // Two outputs of one path must agree, or the second write would silently replace a different file.
    for (const Platform platform : allPlatforms) {
        QMap<QString, std::pair<OutputKind, int>> seen;
        for (const Output &output : outputSet(platform).outputs) {
            const std::pair<OutputKind, int> picture{output.kind, output.edge};
            EXPECT_EQ(seen.value(output.path, picture), picture) << output.path.toStdString();
            seen.insert(output.path, picture);
            if (output.kind == OutputKind::Png || output.kind == OutputKind::Ico) {
                EXPECT_GE(output.edge, 1) << output.path.toStdString();
            }
            if (output.kind == OutputKind::Ico) {
                EXPECT_LE(output.edge, 256) << output.path.toStdString();
            }
        }
    }
}

TEST(SetWriter, AFailedRenderIsReportedAndTheRestFollow) {
    QTemporaryDir dir;
    const OutputSet set{QStringLiteral("Custom"),
                        {Output::png(QStringLiteral("a.png"), 16),
                         Output::png(QStringLiteral("broken.png"), 0),
                         Output::ico(QStringLiteral("nested/b.ico"), 32)}};
    QList<Error> received;
    const WriteReport report =
        writeOutputSet(set, source, dir.path(), [&](const Error &error) { received << error; });
    EXPECT_EQ(report.written, 2);
    ASSERT_EQ(report.failures.size(), 1);
    EXPECT_EQ(received, report.failures);
    const Error &failure = report.failures.first();
    EXPECT_EQ(failure.kind, ErrorKind::RenderFailed);
    EXPECT_EQ(failure.path, dir.filePath(QStringLiteral("Custom/broken.png")));
    EXPECT_FALSE(QFile::exists(failure.path));
    EXPECT_EQ(QImageReader(dir.filePath(QStringLiteral("Custom/a.png"))).size(), QSize(16, 16));
    EXPECT_EQ(QImage(dir.filePath(QStringLiteral("Custom/nested/b.ico")), "ICO").size(), QSize(32, 32));
}

TEST(SetWriter, WithoutAPictureEveryIconFailsAndTheTextsAreStillWritten) {
    QTemporaryDir dir;
    const WriteReport report = writePlatform(Platform::Web, Image(), dir.path(), [](const Error &) {});
    EXPECT_EQ(report.written, 2);
    ASSERT_EQ(report.failures.size(), 24) << descriptions(report.failures).join(u'\n').toStdString();
    for (const Error &error : report.failures)
        EXPECT_EQ(error.kind, ErrorKind::RenderFailed) << error.description().toStdString();
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("FavIcon"))).entryList(QDir::Files),
              QStringList({QStringLiteral("browser_config.xml"), QStringLiteral("manifest.json")}));
}

TEST(SetWriter, AnOutputOthersDependOnAbandonsTheSetWhenItFails) {
    QTemporaryDir dir;
    const OutputSet set{QStringLiteral("Custom"),
                        {Output::png(QStringLiteral("first.png"), 8),
                         Output::textResource(QStringLiteral("missing.txt"), QStringLiteral(":/nowhere"),
                                              OnFailure::AbandonSet),
                         Output::png(QStringLiteral("after.png"), 8)}};
    const WriteReport report = writeOutputSet(set, source, dir.path(), [](const Error &) {});
    EXPECT_EQ(report.written, 1);
    ASSERT_EQ(report.failures.size(), 1);
    // A resource that cannot be read is named as itself, not as the file it was to become.
    EXPECT_EQ(report.failures.first().kind, ErrorKind::ResourceUnreadable);
    EXPECT_TRUE(report.failures.first().description().startsWith(
        QStringLiteral("The resource \":/nowhere\" couldn't be read: ")))
        << report.failures.first().description().toStdString();
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("Custom"))).entryList(QDir::Files),
              QStringList{QStringLiteral("first.png")});
}
