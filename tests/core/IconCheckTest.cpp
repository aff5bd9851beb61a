#include "check/IconCheck.h"

#include "TestSupport.h"
#include "imaging/SourceLoader.h"
#include "writers/Generation.h"
#include "writers/SetWriter.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace glyphon;
using namespace Qt::StringLiterals;

namespace glyphon {

void PrintTo(const Finding &finding, std::ostream *os) {
    *os << "[" << finding.rule.toStdString() << ", set " << finding.set.toStdString() << "] "
        << findingLine(finding).toStdString();
}

} // namespace glyphon

namespace {

// The picture every fixture icon shows: a light disc on a blue square without an alpha channel
// ("opaque"), or the disc alone on transparency ("glyph"); "wide" stretches the disc nearly to the edges.
QImage picture(int edge, const QString &style) {
    const bool opaque = style != u"glyph"_s;
    QImage image(edge, edge, opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    image.fill(opaque ? QColor(0x2a, 0x6f, 0xdb) : QColor(Qt::transparent));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xf2, 0xf6, 0xfc));
    const double radius = edge * (style == u"wide"_s ? 0.46 : style == u"glyph"_s ? 0.3 : 0.25);
    painter.drawEllipse(QPointF(edge / 2.0, edge / 2.0), radius, radius);
    return image;
}

QByteArray pngBytes(const QImage &image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Replaces the file rather than writing into it: the clean set's files are hard links to one drawn copy.
void writeFile(const QString &path, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile::remove(path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

QByteArray readFile(const QString &path) {
    return test::fileBytes(path);
}

void appendLe16(QByteArray &bytes, quint16 value) {
    char raw[2];
    qToLittleEndian(value, raw);
    bytes.append(raw, 2);
}
void appendLe32(QByteArray &bytes, quint32 value) {
    char raw[4];
    qToLittleEndian(value, raw);
    bytes.append(raw, 4);
}
void appendBe32(QByteArray &bytes, quint32 value) {
    char raw[4];
    qToBigEndian(value, raw);
    bytes.append(raw, 4);
}

// An ICO of PNG pictures; each entry declares the edge given beside its picture.
QByteArray icoBytes(const QList<std::pair<int, QImage>> &pictures) {
    QByteArray header, data;
    appendLe16(header, 0);
    appendLe16(header, 1);
    appendLe16(header, quint16(pictures.size()));
    quint32 offset = quint32(6 + 16 * pictures.size());
    for (const auto &[declared, image] : pictures) {
        const QByteArray png = pngBytes(image);
        header.append(char(declared >= 256 ? 0 : declared));
        header.append(char(declared >= 256 ? 0 : declared));
        header.append(char(0));
        header.append(char(0));
        appendLe16(header, 1);
        appendLe16(header, 32);
        appendLe32(header, quint32(png.size()));
        appendLe32(header, offset);
        offset += quint32(png.size());
        data += png;
    }
    return header + data;
}

// An ICNS of PNG elements.
QByteArray icnsBytes(const QList<std::pair<QByteArray, QImage>> &elements) {
    QByteArray body;
    for (const auto &[type, image] : elements) {
        const QByteArray png = pngBytes(image);
        body += type;
        appendBe32(body, quint32(png.size() + 8));
        body += png;
    }
    QByteArray bytes("icns");
    appendBe32(bytes, quint32(body.size() + 8));
    return bytes + body;
}

// The clean modern set: the text files of tests/data/check/clean-modern as they are, and the pictures its
// images.txt describes, drawn here.
void drawCleanSet(const QString &folder) {
    const QString source = test::dataPath(u"check/clean-modern"_s);
    QDirIterator it(source, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(source).relativeFilePath(path);
        if (relative != u"images.txt"_s)
            writeFile(folder + u'/' + relative, readFile(path));
    }
    const QStringList lines = QString::fromUtf8(readFile(source + u"/images.txt"_s)).split(u'\n');
    for (const QString &line : lines) {
        const QStringList words = line.split(u' ', Qt::SkipEmptyParts);
        if (words.size() != 4 || words[0].startsWith(u'#'))
            continue;
        const QString path = folder + u'/' + words[1];
        const QString style = words[3];
        if (words[0] == u"png"_s) {
            writeFile(path, pngBytes(picture(words[2].toInt(), style)));
        } else if (words[0] == u"ico"_s) {
            QList<std::pair<int, QImage>> pictures;
            for (const QString &edge : words[2].split(u','))
                pictures.append({edge.toInt(), picture(edge.toInt(), style)});
            writeFile(path, icoBytes(pictures));
        } else if (words[0] == u"icns"_s) {
            QList<std::pair<QByteArray, QImage>> elements;
            for (const QString &element : words[2].split(u','))
                elements.append({element.section(u'=', 0, 0).toLatin1(),
                                 picture(element.section(u'=', 1).toInt(), style)});
            writeFile(path, icnsBytes(elements));
        }
    }
}

// Drawn once, linked into each test that needs a fresh one; only one top folder of it when named, which
// the clean set's own test shows to hold no finding either.
void makeCleanSet(const QString &folder, const QString &only = {}) {
    static QTemporaryDir drawn;
    static const bool ready = (drawCleanSet(drawn.path()), true);
    Q_UNUSED(ready);
    QDirIterator it(drawn.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(drawn.path()).relativeFilePath(path);
        if (!only.isEmpty() && !relative.startsWith(only + u'/'))
            continue;
        const QString target = folder + u'/' + relative;
        QDir().mkpath(QFileInfo(target).path());
        ASSERT_EQ(link(path.toLocal8Bit().constData(), target.toLocal8Bit().constData()), 0)
            << target.toStdString();
    }
}

CheckReport checked(const QString &folder, const CheckOptions &options = {}) {
    const auto report = checkFolder(folder, options);
    EXPECT_TRUE(report.hasValue()) << folder.toStdString();
    return report ? *report : CheckReport{};
}

std::string shown(const QList<Finding> &findings) {
    QString text;
    for (const Finding &finding : findings)
        text +=
            u"  [%1] %2 (%3, set %4)\n"_s.arg(finding.rule, findingLine(finding), finding.file, finding.set);
    return text.isEmpty() ? std::string("  (none)\n") : text.toStdString();
}

Finding error(const char *set, const char *file, const char *rule, const QString &message) {
    return {Severity::Error, QString::fromUtf8(set), QString::fromUtf8(file), QString::fromUtf8(rule),
            message};
}

Finding warning(const char *set, const char *file, const char *rule, const QString &message) {
    return {Severity::Warning, QString::fromUtf8(set), QString::fromUtf8(file), QString::fromUtf8(rule),
            message};
}

void replaceIn(const QString &path, const QString &from, const QString &to) {
    QString text = QString::fromUtf8(readFile(path));
    ASSERT_TRUE(text.contains(from)) << path.toStdString() << " lacks " << from.toStdString();
    writeFile(path, text.replace(from, to).toUtf8());
}

// Drops the entries of an asset catalog's Contents.json that name a file, and the file.
void dropEntry(const QString &set, const QString &filename) {
    const QString path = set + u"/Contents.json"_s;
    QJsonObject root = QJsonDocument::fromJson(readFile(path)).object();
    QJsonArray kept;
    for (const QJsonValue &entry : root.value(u"images"_s).toArray())
        if (entry.toObject().value(u"filename"_s).toString() != filename)
            kept.append(entry);
    root.insert(u"images"_s, kept);
    writeFile(path, QJsonDocument(root).toJson());
    QFile::remove(set + u'/' + filename);
}

QString jsonError(const QByteArray &bytes) {
    QJsonParseError error;
    QJsonDocument::fromJson(bytes, &error);
    return u"is not valid JSON: %1 at byte %2"_s.arg(error.errorString()).arg(error.offset);
}

} // namespace

TEST(IconCheck, CleanModernSetHasNoFindings) {
    QTemporaryDir dir;
    makeCleanSet(dir.path());
    const CheckReport report = checked(dir.path());
    EXPECT_TRUE(report.findings.isEmpty()) << shown(report.findings);
    EXPECT_EQ(report.sets, QStringList({u"Android"_s, u"AppIcon.icon"_s, u"iOS/AppIcon.appiconset"_s,
                                        u"macOS"_s, u"macOS/AppIcon.appiconset"_s,
                                        u"watchOS/AppIcon.appiconset"_s, u"web"_s, u"windows"_s}));
    EXPECT_EQ(checkSummary(report), u"no findings in 8 icon sets"_s);
}

// Each case plants one fault in a fresh copy of the clean set's folder it concerns; the findings must be
// exactly these.
TEST(IconCheck, EachPlantedFaultGivesExactlyItsFindings) {
    const QString ios = u"iOS/AppIcon.appiconset"_s;
    const QString mac = u"macOS/AppIcon.appiconset"_s;
    struct Case {
        const char *name;
        const char *folder; // the one top folder of the clean set the fault lies in
        std::function<void(const QString &)> plant;
        std::function<QList<Finding>(const QString &)> expected;
    };
    const auto fixed = [](QList<Finding> findings) {
        return [findings](const QString &) { return findings; };
    };
    const Case cases[] = {
        {"marketing icon with alpha", "iOS",
         [&](const QString &d) {
             writeFile(d + u'/' + ios + u"/AppIcon-1024.png"_s, pngBytes(picture(1024, u"glyph"_s)));
         },
         fixed({error(
             "iOS/AppIcon.appiconset", "iOS/AppIcon.appiconset/AppIcon-1024.png", "apple-marketing-alpha",
             u"the App Store marketing icon has an alpha channel; uploads are rejected (ITMS-90717)"_s)})},
        {"missing file", "macOS",
         [&](const QString &d) { QFile::remove(d + u'/' + mac + u"/icon_16x16.png"_s); },
         fixed({error("macOS/AppIcon.appiconset", "macOS/AppIcon.appiconset/icon_16x16.png",
                      "apple-missing-file", u"is named in Contents.json but is not in the set"_s)})},
        {"JPEG named .png", "watchOS",
         [&](const QString &d) {
             QByteArray jpeg;
             QBuffer buffer(&jpeg);
             buffer.open(QIODevice::WriteOnly);
             picture(1024, u"opaque"_s).save(&buffer, "JPEG");
             writeFile(d + u"/watchOS/AppIcon.appiconset/AppIcon-1024.png"_s, jpeg);
         },
         fixed({error("watchOS/AppIcon.appiconset", "watchOS/AppIcon.appiconset/AppIcon-1024.png",
                      "apple-not-png", u"is not a PNG; an app icon set holds PNG files"_s)})},
        {"wrong pixel size", "macOS",
         [&](const QString &d) {
             writeFile(d + u'/' + mac + u"/icon_32x32@2x.png"_s, pngBytes(picture(60, u"glyph"_s)));
         },
         fixed({error("macOS/AppIcon.appiconset", "macOS/AppIcon.appiconset/icon_32x32@2x.png",
                      "apple-pixel-size", u"is 60×60 pixels; its entry (32x32 @2x) needs 64×64"_s)})},
        {"unassigned child", "macOS",
         [&](const QString &d) {
             writeFile(d + u'/' + mac + u"/old-icon.png"_s, pngBytes(picture(64, u"glyph"_s)));
         },
         fixed({warning("macOS/AppIcon.appiconset", "macOS/AppIcon.appiconset/old-icon.png",
                        "apple-unassigned-child",
                        u"is in the set but no entry of Contents.json names it (an unassigned child)"_s)})},
        {"macOS without 512@2x", "macOS",
         [&](const QString &d) { dropEntry(d + u'/' + mac, u"icon_512x512@2x.png"_s); },
         fixed({error(
             "macOS/AppIcon.appiconset", "macOS/AppIcon.appiconset/Contents.json", "apple-macos-store-slot",
             u"the macOS set has no 512x512 @2x icon; App Store Connect refuses the upload (ITMS-90236)"_s)})},
        {"macOS without 16@1x", "macOS",
         [&](const QString &d) { dropEntry(d + u'/' + mac, u"icon_16x16.png"_s); },
         fixed({warning("macOS/AppIcon.appiconset", "macOS/AppIcon.appiconset/Contents.json",
                        "apple-macos-slot",
                        u"the macOS set has no 16x16 @1x icon; macOS scales another size in its place"_s)})},
        {"Icon Composer layer without its asset", "AppIcon.icon",
         [](const QString &d) { QFile::remove(d + u"/AppIcon.icon/Assets/foreground.png"_s); },
         fixed({error(
             "AppIcon.icon", "AppIcon.icon/Assets/foreground.png", "icon-composer-asset",
             u"is named by groups[0].layers[0] (\"foreground\") but is not in the document's Assets folder"_s)})},
        {"Icon Composer document without groups", "AppIcon.icon",
         [](const QString &d) {
             replaceIn(d + u"/AppIcon.icon/icon.json"_s, u"\"groups\""_s, u"\"layers\""_s);
         },
         fixed({error("AppIcon.icon", "AppIcon.icon/icon.json", "icon-composer-json",
                      u"has no \"groups\" list"_s)})},
        {"Icon Composer 2 feature list", "AppIcon.icon",
         [](const QString &d) {
             replaceIn(d + u"/AppIcon.icon/icon.json"_s, u"{\n  \"fill\""_s,
                       u"{\n  \"features\" : [ \"refractivity\" ],\n  \"fill\""_s);
         },
         fixed({error(
             "AppIcon.icon", "AppIcon.icon/icon.json", "icon-composer-key",
             u"the document: \"features\" is not a key Icon Composer for Xcode 26 writes; Xcode 26 cannot "
             "open the document"_s)})},
        {"specular as a placement", "AppIcon.icon",
         [](const QString &d) {
             replaceIn(d + u"/AppIcon.icon/icon.json"_s, u"\"specular\" : true"_s,
                       u"\"specular\" : \"inside\""_s);
         },
         fixed({error("AppIcon.icon", "AppIcon.icon/icon.json", "icon-composer-key",
                      u"groups[0]: \"specular\" is \"inside\"; Xcode 26 reads only true or false"_s)})},
        {"adaptive icon naming a missing layer", "Android",
         [](const QString &d) {
             replaceIn(d + u"/Android/res/mipmap-anydpi-v26/ic_launcher.xml"_s,
                       u"@mipmap/ic_launcher_foreground"_s, u"@mipmap/ic_launcher_fg"_s);
         },
         fixed(
             {error("Android", "Android/res/mipmap-anydpi-v26/ic_launcher.xml", "android-missing-resource",
                    u"names @mipmap/ic_launcher_fg as its foreground, which the resources do not have"_s)})},
        {"foreground layer not 108 dp", "Android",
         [](const QString &d) {
             writeFile(d + u"/Android/res/mipmap-xhdpi/ic_launcher_foreground.png"_s,
                       pngBytes(picture(144, u"glyph"_s)));
         },
         fixed(
             {warning("Android", "Android/res/mipmap-xhdpi/ic_launcher_foreground.png", "android-layer-size",
                      u"is 144×144 pixels; a layer at xhdpi is 108 dp = 216×216"_s)})},
        {"no monochrome layer", "Android",
         [](const QString &d) {
             replaceIn(d + u"/Android/res/mipmap-anydpi-v26/ic_launcher_round.xml"_s,
                       u"    <monochrome android:drawable=\"@mipmap/ic_launcher_monochrome\" />\n"_s, {});
         },
         fixed({warning(
             "Android", "Android/res/mipmap-anydpi-v26/ic_launcher_round.xml", "android-monochrome",
             u"has no <monochrome> layer; Android 13 and later cannot show it as a themed icon"_s)})},
        {"legacy icon missing at hdpi", "Android",
         [](const QString &d) { QFile::remove(d + u"/Android/res/mipmap-hdpi/ic_launcher.png"_s); },
         fixed({warning(
             "Android", "Android/res/mipmap-hdpi/ic_launcher.png", "android-legacy-size",
             u"is missing; devices before Android 8 at hdpi scale another size (48 dp = 72×72)"_s)})},
        {"Play icon of 500 px", "Android",
         [](const QString &d) {
             writeFile(d + u"/Android/playstore-icon.png"_s, pngBytes(picture(500, u"opaque"_s)));
         },
         fixed({error("Android", "Android/playstore-icon.png", "android-play-icon",
                      u"is 500×500 pixels; Google Play takes 512×512"_s)})},
        {"Play icon over 1024 KB", "Android",
         [](const QString &d) {
             // Noise does not compress: 512 × 512 RGBA of it is more than a mebibyte as a PNG.
             QImage noise(512, 512, QImage::Format_ARGB32);
             QRandomGenerator random(15);
             for (int y = 0; y < 512; ++y)
                 for (int x = 0; x < 512; ++x)
                     noise.setPixel(x, y, random.generate());
             writeFile(d + u"/Android/playstore-icon.png"_s, pngBytes(noise));
         },
         [](const QString &d) {
             const qint64 kilobytes = (QFileInfo(d + u"/Android/playstore-icon.png"_s).size() + 1023) / 1024;
             return QList<Finding>{error("Android", "Android/playstore-icon.png", "android-play-icon",
                                         u"is %1 KB; Google Play takes at most 1024 KB"_s.arg(kilobytes))};
         }},
        {"manifest that does not parse", "web",
         [](const QString &d) {
             replaceIn(d + u"/web/manifest.webmanifest"_s, u"\"display\""_s, u"display"_s);
         },
         [](const QString &d) {
             return QList<Finding>{error("web", "web/manifest.webmanifest", "web-manifest-json",
                                         jsonError(readFile(d + u"/web/manifest.webmanifest"_s)))};
         }},
        {"declared size that is not the real one", "web",
         [](const QString &d) { writeFile(d + u"/web/icon-192.png"_s, pngBytes(picture(180, u"opaque"_s))); },
         fixed({warning("web", "web/icon-192.png", "web-declared-size",
                        u"is 180×180 pixels; manifest.webmanifest declares \"192x192\""_s),
                error("web", "web/manifest.webmanifest", "web-install-sizes",
                      u"lists no 192×192 icon; Chrome needs one to install the app"_s)})},
        {"no 512 px icon for any purpose", "web",
         [](const QString &d) {
             replaceIn(
                 d + u"/web/manifest.webmanifest"_s,
                 u"    { \"src\": \"icon-512.png\", \"sizes\": \"512x512\", \"type\": \"image/png\" },\n"_s,
                 {});
         },
         fixed({error("web", "web/manifest.webmanifest", "web-install-sizes",
                      u"lists no 512×512 icon; Chrome needs one to install the app"_s)})},
        {"manifest icon that is missing", "web",
         [](const QString &d) { QFile::remove(d + u"/web/icon-512.png"_s); },
         fixed({error("web", "web/icon-512.png", "web-manifest-file",
                      u"is listed in manifest.webmanifest but is missing"_s),
                error("web", "web/manifest.webmanifest", "web-install-sizes",
                      u"lists no 512×512 icon; Chrome needs one to install the app"_s)})},
        {"maskable art outside the safe zone", "web",
         [](const QString &d) {
             writeFile(d + u"/web/icon-maskable-512.png"_s, pngBytes(picture(512, u"wide"_s)));
         },
         fixed({warning(
             "web", "web/icon-maskable-512.png", "web-maskable-safe-zone",
             u"has art outside its central 80 % circle (it reaches 46 % of the width from the centre, "
             "the safe zone 40 %); launchers may cut it off"_s)})},
        {"favicon without 48 px", "web",
         [](const QString &d) {
             writeFile(d + u"/web/favicon.ico"_s,
                       icoBytes({{16, picture(16, u"opaque"_s)}, {32, picture(32, u"opaque"_s)}}));
         },
         fixed({warning("web", "web/favicon.ico", "web-favicon-sizes",
                        u"has no 48 px picture; browsers ask for 16, 32 and 48 px"_s)})},
        {"touch icon with transparency", "web",
         [](const QString &d) {
             writeFile(d + u"/web/apple-touch-icon.png"_s, pngBytes(picture(180, u"glyph"_s)));
         },
         fixed({warning("web", "web/apple-touch-icon.png", "web-touch-icon-alpha",
                        u"has transparent pixels; iOS shows them black"_s)})},
        {"touch icon of 152 px", "web",
         [](const QString &d) {
             writeFile(d + u"/web/apple-touch-icon.png"_s, pngBytes(picture(152, u"opaque"_s)));
         },
         fixed({warning("web", "web/apple-touch-icon.png", "web-touch-icon-size",
                        u"is 152×152 pixels; iOS takes it by default and shows 180×180"_s)})},
        {"ICO entry declaring another size", "windows",
         [](const QString &d) {
             writeFile(d + u"/windows/app.ico"_s,
                       icoBytes({{16, picture(16, u"glyph"_s)}, {32, picture(16, u"glyph"_s)}}));
         },
         fixed({error("windows", "windows/app.ico", "ico-entry",
                      u"picture 2 (32×32) holds a 16×16 picture"_s)})},
        {"ICO cut short", "windows",
         [](const QString &d) {
             const QString path = d + u"/windows/app.ico"_s;
             writeFile(path, readFile(path).chopped(10));
         },
         fixed({error("windows", "windows/app.ico", "ico-entry",
                      u"picture 6 (256×256): runs past the end of the file"_s)})},
        {"ICNS cut short", "macOS",
         [](const QString &d) {
             const QString path = d + u"/macOS/AppIcon.icns"_s;
             writeFile(path, readFile(path).chopped(10));
         },
         [](const QString &d) {
             const qint64 size = QFileInfo(d + u"/macOS/AppIcon.icns"_s).size();
             return QList<Finding>{error(
                 "macOS", "macOS/AppIcon.icns", "icns-entry",
                 u"is cut short: its header says %1 bytes, the file has %2"_s.arg(size + 10).arg(size))};
         }},
        {"ICNS element of the wrong size", "macOS",
         [](const QString &d) {
             writeFile(d + u"/macOS/AppIcon.icns"_s,
                       icnsBytes({{"ic07", picture(128, u"glyph"_s)}, {"ic08", picture(128, u"glyph"_s)}}));
         },
         fixed({error("macOS", "macOS/AppIcon.icns", "icns-entry",
                      u"element ic08 holds a 128×128 picture; the type is for 256×256"_s)})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        makeCleanSet(dir.path(), QString::fromUtf8(c.folder));
        c.plant(dir.path());
        const CheckReport report = checked(dir.path());
        const QList<Finding> expected = c.expected(dir.path());
        EXPECT_EQ(report.findings, expected) << "found:\n"
                                             << shown(report.findings) << "expected:\n"
                                             << shown(expected);
    }
}

// The five sets the generator has always written, from the bundled sample, are reported as they are.
TEST(IconCheck, TheFiveExistingSetsGetTheirKnownFindings) {
    QTemporaryDir dir;
    const auto source = loadSourceImage(test::sourcePath(u"resources/samples/apple-1024.png"_s));
    ASSERT_TRUE(source.hasValue());
    for (const Platform platform : allPlatforms)
        ASSERT_TRUE(writePlatform(platform, *source, dir.path(), [](const Error &) {}).failures.isEmpty());
    const CheckReport report = checked(dir.path());
    const QList<Finding> expected = {
        warning("Android", "Android", "android-no-adaptive",
                u"has launcher icons but no adaptive icon (mipmap-anydpi-v26); Android 8 and later shrink "
                u"them onto "
                "a plate"_s),
        error("FavIcon", "FavIcon/manifest.json", "web-install-sizes",
              u"lists no 512×512 icon; Chrome needs one to install the app"_s),
        warning("FavIcon", "FavIcon/favicon.ico", "web-favicon-sizes",
                u"has no 32 or 48 px picture; browsers ask for 16, 32 and 48 px"_s),
        warning("FavIcon", "FavIcon/apple-icon-180x180.png", "web-touch-icon-alpha",
                u"has transparent pixels; iOS shows them black"_s),
    };
    // The App Store icons of iOS and watchOS are written without an alpha channel, so they pass.
    EXPECT_EQ(report.findings, expected) << shown(report.findings);
    EXPECT_EQ(report.sets, QStringList({u"Android"_s, u"FavIcon"_s, u"iOS/AppIcon.appiconset"_s,
                                        u"macOS/AppIcon.appiconset"_s, u"watchOS/AppIcon.appiconset"_s}));
    EXPECT_EQ(checkSummary(report), u"1 error and 3 warnings in 5 icon sets"_s);
}

// What the newer targets write is what the check asks for: no finding at all.
TEST(IconCheck, TheNewerTargetsPassCleanly) {
    QTemporaryDir dir;
    GenerationInputs inputs;
    const auto source = loadSourceImage(test::sourcePath(u"resources/samples/apple-1024.png"_s));
    ASSERT_TRUE(source.hasValue());
    inputs.source = *source;
    const Generation generation(inputs);
    for (const Platform platform : allPlatforms) {
        if (!isClassicSet(platform)) {
            ASSERT_TRUE(
                writeTarget(platform, generation, dir.path(), [](const Error &) {}).failures.isEmpty());
        }
    }
    const CheckReport report = checked(dir.path());
    EXPECT_TRUE(report.findings.isEmpty()) << shown(report.findings);
    EXPECT_EQ(report.sets.size(), 7) << report.sets.join(u", "_s).toStdString();
}

// A favicon set made the usual way with ImageMagick from a picture with a transparent background.
TEST(IconCheck, AFaviconSetWrittenByImageMagick) {
    QTemporaryDir dir;
    const QString sample = test::sourcePath(u"resources/samples/apple-1024.png"_s);
    const auto convert = [&](const QStringList &arguments) {
        const test::ToolRun run = test::runTool(test::imageMagickConvert, QStringList{sample} + arguments);
        ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    };
    convert({u"-define"_s, u"icon:auto-resize=16,32,48"_s, dir.filePath(u"favicon.ico"_s)});
    convert({u"-resize"_s, u"180x180"_s, dir.filePath(u"apple-touch-icon.png"_s)});
    convert({u"-resize"_s, u"192x192"_s, dir.filePath(u"android-chrome-192x192.png"_s)});
    convert({u"-resize"_s, u"512x512"_s, dir.filePath(u"android-chrome-512x512.png"_s)});
    writeFile(dir.filePath(u"site.webmanifest"_s),
              R"({"name":"","short_name":"","icons":[
                  {"src":"/android-chrome-192x192.png","sizes":"192x192","type":"image/png"},
                  {"src":"/android-chrome-512x512.png","sizes":"512x512","type":"image/png"}],
                  "theme_color":"#ffffff","background_color":"#ffffff","display":"standalone"})");
    const CheckReport report = checked(dir.path());
    EXPECT_EQ(report.findings, QList<Finding>({warning(".", "apple-touch-icon.png", "web-touch-icon-alpha",
                                                       u"has transparent pixels; iOS shows them black"_s)}))
        << shown(report.findings);
}

TEST(IconCheck, LinksAreReportedAndNeverFollowed) {
    QTemporaryDir dir;
    QTemporaryDir outside;
    writeFile(outside.filePath(u"Contents.json"_s), "{ \"images\": [ { \"filename\": \"secret.png\" } ] }");
    const QString set = dir.filePath(u"iOS/AppIcon.appiconset"_s);
    QDir().mkpath(set);
    ASSERT_EQ(symlink(outside.filePath(u"Contents.json"_s).toLocal8Bit().constData(),
                      (set + u"/Contents.json"_s).toLocal8Bit().constData()),
              0);
    QDir().mkpath(dir.filePath(u"loop"_s));
    ASSERT_EQ(symlink("..", dir.filePath(u"loop/up"_s).toLocal8Bit().constData()), 0);
    ASSERT_EQ(symlink("itself", dir.filePath(u"itself"_s).toLocal8Bit().constData()), 0);
    ASSERT_EQ(symlink(outside.path().toLocal8Bit().constData(),
                      dir.filePath(u"elsewhere"_s).toLocal8Bit().constData()),
              0);
    const CheckReport report = checked(dir.path());
    const QString message =
        u"is a symbolic link; the check does not follow links, so what it points to is not checked"_s;
    EXPECT_EQ(report.findings,
              QList<Finding>({warning(".", "elsewhere", "symbolic-link", message),
                              warning(".", "itself", "symbolic-link", message),
                              warning("iOS/AppIcon.appiconset", "iOS/AppIcon.appiconset/Contents.json",
                                      "symbolic-link", message),
                              warning("loop", "loop/up", "symbolic-link", message)}))
        << shown(report.findings);
}

// Pictures that claim to be huge are measured from their header and never decoded; cut-off ones are
// one finding each.
TEST(IconCheck, HugeAndTruncatedPicturesAreOneFindingEach) {
    QTemporaryDir dir;
    const QString set = dir.filePath(u"iOS/AppIcon.appiconset"_s);
    writeFile(set + u"/Contents.json"_s,
              R"({"images":[{"filename":"huge.png","idiom":"universal","platform":"ios","size":"1024x1024"},
                            {"filename":"cut.png","idiom":"universal","platform":"ios","size":"48x48",
                             "scale":"1x"}]})");
    writeFile(set + u"/huge.png"_s, readFile(test::dataPath(u"huge-claimed-size.png"_s)));
    writeFile(set + u"/cut.png"_s, readFile(test::dataPath(u"truncated.png"_s)));
    CheckReport report = checked(dir.path());
    EXPECT_EQ(
        report.findings,
        QList<Finding>({error("iOS/AppIcon.appiconset", "iOS/AppIcon.appiconset/huge.png", "apple-pixel-size",
                              u"is 20000×20000 pixels; its entry (1024x1024 @1x) needs 1024×1024"_s),
                        error("iOS/AppIcon.appiconset", "iOS/AppIcon.appiconset/cut.png", "damaged-image",
                              u"is a damaged PNG: it is cut short"_s)}))
        << shown(report.findings);

    // A picture above the read limit is measured from its first bytes alone.
    writeFile(set + u"/huge.png"_s, pngBytes(picture(1024, u"glyph"_s)));
    CheckOptions small;
    small.maxImageBytes = 1000;
    report = checked(dir.path(), small);
    ASSERT_FALSE(report.findings.isEmpty());
    EXPECT_EQ(
        report.findings[0],
        error("iOS/AppIcon.appiconset", "iOS/AppIcon.appiconset/huge.png", "apple-marketing-alpha",
              u"the App Store marketing icon has an alpha channel; uploads are rejected (ITMS-90717)"_s));
}

TEST(IconCheck, OversizedAndDeeplyNestedJsonAreRefusedWithoutCrashing) {
    QTemporaryDir dir;
    const QString big = dir.filePath(u"big/AppIcon.appiconset/Contents.json"_s);
    writeFile(big, "{");
    QFile file(big);
    ASSERT_TRUE(file.resize(100LL * 1024 * 1024)); // sparse: nothing is written
    const QByteArray deep = QByteArray(100000, '[') + QByteArray(100000, ']');
    writeFile(dir.filePath(u"deep/AppIcon.appiconset/Contents.json"_s), deep);
    writeFile(dir.filePath(u"nested/AppIcon.appiconset/Contents.json"_s),
              QByteArray(1000, '[') + QByteArray(1000, ']'));
    writeFile(dir.filePath(u"web/manifest.json"_s), "{\"icons\": " + deep + "}");
    const CheckReport report = checked(dir.path());
    EXPECT_EQ(
        report.findings,
        QList<Finding>(
            {error("big/AppIcon.appiconset", "big/AppIcon.appiconset/Contents.json", "file-unreadable",
                   u"is 100.0 MB; the check reads text files up to 4.0 MB"_s),
             error("deep/AppIcon.appiconset", "deep/AppIcon.appiconset/Contents.json", "apple-contents-json",
                   jsonError(deep)),
             error("nested/AppIcon.appiconset", "nested/AppIcon.appiconset/Contents.json",
                   "apple-contents-json", u"has no \"images\" list"_s),
             error("web", "web/manifest.json", "web-manifest-json", jsonError("{\"icons\": " + deep + "}"))}))
        << shown(report.findings);
}

TEST(IconCheck, XmlEntitiesAreNeverExpanded) {
    QTemporaryDir dir;
    QByteArray laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n<!ENTITY lol \"lol\">\n";
    laughs += "<!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">\n";
    for (int level = 2; level <= 9; ++level)
        laughs += QStringLiteral("<!ENTITY lol%1 \"%2\">\n")
                      .arg(level)
                      .arg(QStringLiteral("&lol%1;").arg(level - 1).repeated(10))
                      .toUtf8();
    laughs += "]>\n<adaptive-icon xmlns:android=\"http://schemas.android.com/apk/res/android\">"
              "<background android:drawable=\"@color/x\">&lol9;</background></adaptive-icon>\n";
    writeFile(dir.filePath(u"res/mipmap-anydpi-v26/ic_launcher.xml"_s), laughs);
    writeFile(dir.filePath(u"res/mipmap-mdpi/ic_launcher.png"_s), pngBytes(picture(48, u"opaque"_s)));
    const CheckReport report = checked(dir.path());
    ASSERT_FALSE(report.findings.isEmpty());
    EXPECT_EQ(report.findings[0], error(".", "res/mipmap-anydpi-v26/ic_launcher.xml", "android-adaptive-xml",
                                        u"declares a DTD; the check never expands XML entities"_s))
        << shown(report.findings);
}

// Thousands of directory entries pointing at one picture would have it decoded thousands of times.
TEST(IconCheck, AnIcoDirectoryOfThousandsIsRefused) {
    QTemporaryDir dir;
    const QByteArray one = icoBytes({{16, picture(16, u"opaque"_s)}});
    QByteArray many;
    appendLe16(many, 0);
    appendLe16(many, 1);
    appendLe16(many, 5000);
    const quint32 offset = 6 + 16 * 5000;
    for (int i = 0; i < 5000; ++i) {
        QByteArray entry = one.mid(6, 16);
        qToLittleEndian(offset, entry.data() + 12);
        many += entry;
    }
    writeFile(dir.filePath(u"app.ico"_s), many + one.mid(22));
    const CheckReport report = checked(dir.path());
    EXPECT_EQ(report.findings,
              QList<Finding>({error(".", "app.ico", "ico-entry",
                                    u"its directory lists 5000 pictures, more than the 256 the "
                                    "check reads"_s)}))
        << shown(report.findings);
}

// A pipe where a file belongs would block a read forever.
TEST(IconCheck, APipeIsNeverOpened) {
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath(u"AppIcon.appiconset"_s));
    ASSERT_EQ(mkfifo(dir.filePath(u"AppIcon.appiconset/Contents.json"_s).toLocal8Bit().constData(), 0600), 0);
    ASSERT_EQ(mkfifo(dir.filePath(u"favicon.ico"_s).toLocal8Bit().constData(), 0600), 0);
    const CheckReport report = checked(dir.path());
    EXPECT_EQ(report.findings, QList<Finding>({error("AppIcon.appiconset", "AppIcon.appiconset/Contents.json",
                                                     "file-unreadable", u"is not a regular file"_s)}))
        << shown(report.findings);
}

TEST(IconCheck, ThousandsOfFilesAndTheEntryLimit) {
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath(u"many"_s));
    for (int i = 0; i < 2000; ++i) {
        QFile file(dir.filePath(u"many/file-%1.txt"_s.arg(i)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    writeFile(dir.filePath(u"web/favicon.ico"_s), icoBytes({{16, picture(16, u"opaque"_s)}}));
    EXPECT_EQ(checked(dir.path()).findings.size(), 1); // the favicon's missing sizes
    CheckOptions limited;
    limited.maxEntries = 100;
    const CheckReport report = checked(dir.path(), limited);
    EXPECT_EQ(report.findings,
              QList<Finding>({warning(".", ".", "too-many-files",
                                      u"holds more than 100 files and folders; the check stopped there"_s)}))
        << shown(report.findings);
}

TEST(IconCheck, AFolderThatCannotBeCheckedIsAnError) {
    QTemporaryDir dir;
    writeFile(dir.filePath(u"file.txt"_s), "x");
    const auto missing = checkFolder(dir.filePath(u"nowhere"_s));
    ASSERT_FALSE(missing.hasValue());
    EXPECT_EQ(missing.error().kind, ErrorKind::NotFound);
    const auto file = checkFolder(dir.filePath(u"file.txt"_s));
    ASSERT_FALSE(file.hasValue());
    EXPECT_EQ(file.error().kind, ErrorKind::NotAFile);
    EXPECT_EQ(checkSummary(checked(dir.path())), u"no icon set found"_s);
}

TEST(IconCheck, LinesAndJsonCarryEveryField) {
    const QList<Finding> findings = {
        error("iOS/AppIcon.appiconset", "iOS/AppIcon.appiconset/1024.png", "apple-marketing-alpha", u"a"_s),
        warning("web", "web/favicon.ico", "web-favicon-sizes", u"b"_s)};
    EXPECT_EQ(findingLine(findings[0]), u"error: iOS/AppIcon.appiconset/1024.png: a"_s);
    EXPECT_EQ(findingLine(findings[1]), u"warning: web/favicon.ico: b"_s);
    const QJsonArray array = QJsonDocument::fromJson(findingsJson(findings)).array();
    ASSERT_EQ(array.size(), 2);
    EXPECT_EQ(array[1].toObject(), QJsonObject({{u"severity"_s, u"warning"_s},
                                                {u"set"_s, u"web"_s},
                                                {u"file"_s, u"web/favicon.ico"_s},
                                                {u"rule"_s, u"web-favicon-sizes"_s},
                                                {u"message"_s, u"b"_s}}));
    EXPECT_EQ(QJsonDocument::fromJson(findingsJson({})).array().size(), 0);
    CheckReport report{{u"web"_s}, {findings[1]}};
    EXPECT_EQ(checkSummary(report), u"1 warning in 1 icon set"_s);
}

// Every rule is documented with its source; a rule added without its README line fails here.
TEST(IconCheck, TheReadmeListsEveryRule) {
    const QString readme = QString::fromUtf8(readFile(test::sourcePath(u"README.md"_s)));
    QSet<QString> ids;
    for (const CheckRule &rule : checkRules()) {
        EXPECT_TRUE(readme.contains(u"| `%1` |"_s.arg(rule.id))) << rule.id.toStdString();
        EXPECT_FALSE(rule.source.isEmpty()) << rule.id.toStdString();
        EXPECT_FALSE(ids.contains(rule.id)) << rule.id.toStdString();
        ids.insert(rule.id);
    }
}
