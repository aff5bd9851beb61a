#include "Appcast.h"

#include <gtest/gtest.h>

using namespace glyphon;

namespace {

QByteArray channel(const QByteArray &items) {
    return R"(<?xml version="1.0"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle"><channel>
<title>Glyphon</title><link>https://glyphon.app</link>)" +
           items + "</channel></rss>";
}

TEST(Appcast, ReadsEveryFieldOfAnItem) {
    const AppcastParseResult result = parseAppcast(channel(R"(
<item><title>Glyphon 1.4</title>
  <link>https://glyphon.app/releases/1.4</link>
  <sparkle:version>140</sparkle:version>
  <sparkle:shortVersionString>1.4</sparkle:shortVersionString>
  <sparkle:releaseNotesLink>https://glyphon.app/notes/1.4.html</sparkle:releaseNotesLink>
  <sparkle:minimumSystemVersion>10.15</sparkle:minimumSystemVersion>
  <enclosure url="https://glyphon.app/glyphon_1.4.deb" length="2048" type="application/vnd.debian.binary-package"
             sparkle:edSignature="QUJD"/>
</item>)"));
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    ASSERT_EQ(result.items.size(), 1);
    const AvailableUpdate &item = result.items.first();
    EXPECT_EQ(item.title, QStringLiteral("Glyphon 1.4"));
    EXPECT_EQ(item.version, QStringLiteral("140"));
    EXPECT_EQ(item.shortVersionString, QStringLiteral("1.4"));
    EXPECT_EQ(item.displayVersion(), QStringLiteral("1.4"));
    EXPECT_EQ(item.releaseNotesLink, QUrl(QStringLiteral("https://glyphon.app/notes/1.4.html")));
    EXPECT_EQ(item.downloadUrl, QUrl(QStringLiteral("https://glyphon.app/glyphon_1.4.deb")));
    EXPECT_EQ(item.length, 2048);
    EXPECT_EQ(item.edSignature, QStringLiteral("QUJD"));
    EXPECT_EQ(item.downloadPage(), QUrl(QStringLiteral("https://glyphon.app/releases/1.4")));
}

TEST(Appcast, TakesVersionsFromTheEnclosureOfOlderFeeds) {
    const AppcastParseResult result = parseAppcast(channel(R"(
<item><enclosure url="https://glyphon.app/g.deb" sparkle:version="7" sparkle:shortVersionString="0.7"/></item>)"));
    ASSERT_TRUE(result.ok);
    ASSERT_EQ(result.items.size(), 1);
    EXPECT_EQ(result.items.first().version, QStringLiteral("7"));
    EXPECT_EQ(result.items.first().displayVersion(), QStringLiteral("0.7"));
    EXPECT_EQ(result.items.first().downloadPage(), QUrl(QStringLiteral("https://glyphon.app/g.deb")));
}

TEST(Appcast, LeavesOutItemsThatCannotBeOffered) {
    const AppcastParseResult result = parseAppcast(channel(R"(
<item><title>no version</title><enclosure url="https://glyphon.app/a.deb"/></item>
<item><sparkle:version>2</sparkle:version><enclosure url="http://glyphon.app/plain.deb"/></item>
<item><sparkle:version>3</sparkle:version><enclosure url="https://glyphon.app/g.dmg" sparkle:os="macos"/></item>
<item><sparkle:version>4</sparkle:version><enclosure url="https://glyphon.app/g.deb" sparkle:os="linux"/></item>
<item><sparkle:version>5</sparkle:version><link>https://glyphon.app/5</link></item>
<item><sparkle:version>6</sparkle:version><enclosure url="https://glyphon.app/g.deb"/>
  <sparkle:releaseNotesLink>javascript:alert(1)</sparkle:releaseNotesLink><link>file:///etc/passwd</link></item>)"));
    ASSERT_TRUE(result.ok);
    ASSERT_EQ(result.items.size(), 3);
    EXPECT_EQ(result.items.at(0).version, QStringLiteral("4"));
    EXPECT_EQ(result.items.at(1).version, QStringLiteral("5"));
    // Links the browser should never be handed are dropped, the release itself stays.
    EXPECT_TRUE(result.items.at(2).releaseNotesLink.isEmpty());
    EXPECT_EQ(result.items.at(2).downloadPage(), QUrl(QStringLiteral("https://glyphon.app/g.deb")));
}

TEST(Appcast, RefusesWhatIsNotAWellFormedRssFeed) {
    const std::pair<const char *, QByteArray> bad[] = {
        {"empty", ""},
        {"truncated", channel("<item><sparkle:version>2</sparkle:version>").left(120)},
        {"unbound prefix", "<rss><channel><item><sparkle:version>2</sparkle:version></item></channel></rss>"},
        {"other root", "<feed><entry/></feed>"},
        {"no channel", "<rss version=\"2.0\"></rss>"},
        {"garbage after root", channel("") + "<rss/>"},
        {"entity expansion", "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY a \"aaaaaaaa\">]><rss><channel>"
                             "<title>&a;</title></channel></rss>"},
    };
    for (const auto &[name, xml] : bad) {
        const AppcastParseResult result = parseAppcast(xml);
        EXPECT_FALSE(result.ok) << name;
        EXPECT_FALSE(result.error.isEmpty()) << name;
        EXPECT_TRUE(result.items.isEmpty()) << name;
    }
}

} // namespace
