// Pins everything a user gets from the five default sets: every file's path, every PNG's pixel size, every
// text file as parsed data and every file's bytes. A change that alters any output, however slightly,
// fails here and has to update tests/data/golden on purpose (GLYPHON_UPDATE_GOLDEN=1 rewrites it).
#include "imaging/Effects.h"
#include "imaging/SourceLoader.h"
#include "writers/SetWriter.h"

#include "TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImageReader>
#include <QJsonDocument>
#include <QMap>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

using namespace glyphon;

namespace {

struct GoldenCase {
    const char *name;
    EffectSettings settings;
};

EffectSettings everyEffect() {
    EffectSettings settings;
    settings.withRoundedCorners = true;
    settings.roundedCornersPx = 200;
    settings.withPadding = true;
    settings.paddingPx = 80;
    settings.withTint = true;
    settings.tintOpacity = 0.35;
    settings.colorSelection = {0.9, 0.4, 0.1, 1.0};
    return settings;
}

// One line per file: path, pixel size (or "-" for text) and SHA-256, sorted by path.
QMap<QString, QString> describeTree(const QString &root) {
    QMap<QString, QString> lines;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(root).relativeFilePath(path);
        QString size = QStringLiteral("-");
        if (relative.endsWith(QLatin1String(".png"))) {
            const QSize pixels = QImageReader(path).size();
            size = QStringLiteral("%1x%2").arg(pixels.width()).arg(pixels.height());
        }
        const QByteArray hash =
            QCryptographicHash::hash(test::fileBytes(path), QCryptographicHash::Sha256).toHex();
        lines.insert(relative, size + QLatin1Char(' ') + QString::fromLatin1(hash));
    }
    return lines;
}

QString listing(const QMap<QString, QString> &lines) {
    QString text;
    for (auto it = lines.cbegin(); it != lines.cend(); ++it)
        text += it.key() + QLatin1Char(' ') + it.value() + QLatin1Char('\n');
    return text;
}

// XML compared as its stream of elements, attributes and non-blank text, not as formatting.
QStringList xmlTokens(const QByteArray &bytes) {
    QStringList tokens;
    QXmlStreamReader reader(bytes);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            tokens << QLatin1Char('<') + reader.name().toString();
            for (const auto &attribute : reader.attributes())
                tokens << attribute.name().toString() + QLatin1Char('=') + attribute.value().toString();
        } else if (reader.isEndElement()) {
            tokens << QLatin1String("</") + reader.name().toString();
        } else if (reader.isCharacters() && !reader.isWhitespace()) {
            tokens << reader.text().toString().trimmed();
        }
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    return tokens;
}

class GoldenTree : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenTree, FiveSetsAreExactlyAsRecorded) {
    const GoldenCase &golden = GetParam();
    const Result<Image> loaded =
        loadSourceImage(test::sourcePath(QStringLiteral("resources/samples/apple-1024.png")));
    ASSERT_TRUE(loaded) << loaded.error().description().toStdString();
    const Image processed = applyEffects(*loaded, golden.settings);

    QTemporaryDir out;
    QStringList failures;
    for (Platform platform : allPlatforms)
        for (const Error &error :
             writePlatform(platform, processed, out.path(), [](const Error &) {}).failures)
            failures << error.description();
    EXPECT_TRUE(failures.isEmpty()) << failures.join(u'\n').toStdString();

    const QString goldenDir = test::dataPath(QStringLiteral("golden/") + QLatin1String(golden.name));
    const QString listingPath = goldenDir + QStringLiteral("/files.txt");
    const QMap<QString, QString> written = describeTree(out.path());

    if (qEnvironmentVariableIsSet("GLYPHON_UPDATE_GOLDEN")) {
        QDir().mkpath(goldenDir);
        QFile file(listingPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(listing(written).toUtf8());
        for (const QString &relative : written.keys()) {
            if (relative.endsWith(QLatin1String(".png")) || relative.endsWith(QLatin1String(".ico")))
                continue;
            const QString copy = goldenDir + QLatin1Char('/') + relative;
            QDir().mkpath(QFileInfo(copy).path());
            QFile::remove(copy);
            ASSERT_TRUE(QFile::copy(out.filePath(relative), copy));
        }
        GTEST_SKIP() << "golden data rewritten in " << goldenDir.toStdString();
    }

    // Names, pixel sizes and bytes in one comparison, so a failure shows every line that moved.
    EXPECT_EQ(listing(written).toStdString(), QString::fromUtf8(test::fileBytes(listingPath)).toStdString());

    // Text files again as data: a failure then says what changed, not only that a hash did.
    for (const QString &relative : written.keys()) {
        const QByteArray actual = test::fileBytes(out.filePath(relative));
        const QByteArray expected = test::fileBytes(goldenDir + QLatin1Char('/') + relative);
        if (relative.endsWith(QLatin1String(".json"))) {
            QJsonParseError error{};
            const QJsonDocument document = QJsonDocument::fromJson(actual, &error);
            EXPECT_EQ(error.error, QJsonParseError::NoError) << relative.toStdString();
            EXPECT_EQ(document, QJsonDocument::fromJson(expected)) << relative.toStdString();
        } else if (relative.endsWith(QLatin1String(".xml"))) {
            EXPECT_EQ(xmlTokens(actual), xmlTokens(expected)) << relative.toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sets, GoldenTree,
                         ::testing::Values(GoldenCase{"defaults", EffectSettings{}},
                                           GoldenCase{"every-effect", everyEffect()}),
                         [](const auto &info) {
                             return info.param.name == std::string("defaults") ? std::string("Defaults")
                                                                               : std::string("EveryEffect");
                         });

} // namespace
