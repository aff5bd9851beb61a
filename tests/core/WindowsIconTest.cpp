#include "imaging/Renderer.h"
#include "writers/Generation.h"

#include "TestSupport.h"

#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace glyphon;
using namespace Qt::StringLiterals;

TEST(WindowsIcon, IcotoolListsSixEntriesAndQtDecodesEachAsRendered) {
    QTemporaryDir dir;
    GenerationInputs inputs;
    inputs.source = Image(test::iconPicture(1024));
    inputs.effects.withRoundedCorners = inputs.effects.withPadding = inputs.effects.withTint = true;
    inputs.effects.colorSelection = Color{0.1, 0.2, 0.9, 1.0};
    const Generation generation(inputs);
    QList<Error> failures;
    const WriteReport report = writeTarget(Platform::Windows, generation, dir.path(),
                                           [&failures](const Error &error) { failures.append(error); });
    EXPECT_EQ(report.written, 1);
    EXPECT_TRUE(failures.isEmpty());
    const QString ico = dir.filePath(u"Windows/app.ico"_s);
    EXPECT_EQ(QDir(dir.filePath(u"Windows"_s)).entryList(QDir::Files), QStringList{u"app.ico"_s});

    const test::ToolRun listed = test::runTool(test::icotool, {u"-l"_s, ico});
    ASSERT_EQ(listed.exitCode, 0) << listed.errors.toStdString();
    EXPECT_EQ(listed.output, "--icon --index=1 --width=16 --height=16 --bit-depth=32 --palette-size=0\n"
                             "--icon --index=2 --width=24 --height=24 --bit-depth=32 --palette-size=0\n"
                             "--icon --index=3 --width=32 --height=32 --bit-depth=32 --palette-size=0\n"
                             "--icon --index=4 --width=48 --height=48 --bit-depth=32 --palette-size=0\n"
                             "--icon --index=5 --width=64 --height=64 --bit-depth=32 --palette-size=0\n"
                             "--icon --index=6 --width=256 --height=256 --bit-depth=32 --palette-size=0\n");
    EXPECT_TRUE(listed.errors.isEmpty()) << listed.errors.toStdString();

    // Bitmaps up to 64, with a BITMAPINFOHEADER; a PNG at 256.
    const QByteArray bytes = test::fileBytes(ico);
    ASSERT_GE(bytes.size(), 6 + 6 * 16);
    for (int i = 0; i < 6; ++i) {
        const quint32 offset = qFromLittleEndian<quint32>(bytes.constData() + 6 + 16 * i + 12);
        ASSERT_LT(offset + 8, quint32(bytes.size()));
        const QByteArray head = bytes.mid(offset, 8);
        EXPECT_EQ(head.startsWith("\x89PNG\r\n\x1a\n"), i == 5) << i;
        EXPECT_EQ(head.startsWith(QByteArray("\x28\0\0\0", 4)), i < 5) << i;
    }

    // Each entry is the processed picture rendered at its edge, corners, padding and tint included.
    QImageReader reader(ico, "ico");
    ASSERT_EQ(reader.imageCount(), 6);
    int i = 0;
    for (const int edge : {16, 24, 32, 48, 64, 256}) {
        ASSERT_TRUE(reader.jumpToImage(i++));
        const QImage decoded = reader.read();
        const QImage expected = resizeImage(generation.processed(), edge, edge)->bitmap();
        // Qt premultiplies what it reads, which rounds translucent colour; opaque pixels stay exact.
        EXPECT_LE(test::premultipliedDistance(expected, decoded), 1) << edge;
        EXPECT_EQ(test::premultipliedDistance(expected, decoded, true), 0) << edge;
        EXPECT_EQ(qAlpha(decoded.pixel(0, 0)), 0) << edge;
        EXPECT_EQ(qAlpha(decoded.pixel(edge / 2, edge / 3)), 255) << edge;
    }
}
