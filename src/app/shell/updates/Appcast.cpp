#include "Appcast.h"

#include "VersionComparison.h"

#include <QXmlStreamReader>
#include <algorithm>

namespace glyphon {

namespace {

const QString sparkleNamespace = QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

// Only https links are kept: the dialog opens them in the browser, and a plain-http download could be
// swapped on the way even though the feed itself is signed.
QUrl httpsUrl(QStringView text) {
    const QUrl url(text.trimmed().toString(), QUrl::StrictMode);
    return url.isValid() && url.scheme() == u"https" && !url.host().isEmpty() ? url : QUrl();
}

struct ItemReader {
    AvailableUpdate update;
    QString os;

    void readEnclosure(const QXmlStreamAttributes &attributes) {
        update.downloadUrl = httpsUrl(attributes.value(QStringLiteral("url")));
        update.length = std::max<qint64>(0, attributes.value(QStringLiteral("length")).toLongLong());
        update.edSignature = attributes.value(sparkleNamespace, QStringLiteral("edSignature")).toString();
        os = attributes.value(sparkleNamespace, QStringLiteral("os")).toString();
        // Older feeds put the versions on the enclosure; the item's own elements win.
        if (update.version.isEmpty())
            update.version =
                attributes.value(sparkleNamespace, QStringLiteral("version")).trimmed().toString();
        if (update.shortVersionString.isEmpty())
            update.shortVersionString =
                attributes.value(sparkleNamespace, QStringLiteral("shortVersionString")).trimmed().toString();
    }

    bool usable() const {
        const bool forUs = os.isEmpty() || os.compare(u"linux", Qt::CaseInsensitive) == 0;
        return forUs && !update.version.isEmpty() &&
               (!update.downloadUrl.isEmpty() || !update.infoUrl.isEmpty());
    }
};

void readItem(QXmlStreamReader &xml, QList<AvailableUpdate> &items) {
    ItemReader item;
    while (xml.readNextStartElement()) {
        const bool sparkle = xml.namespaceUri() == sparkleNamespace;
        const QStringView name = xml.name();
        if (name == u"enclosure" && xml.namespaceUri().isEmpty()) {
            item.readEnclosure(xml.attributes());
            xml.skipCurrentElement();
        } else if (sparkle && name == u"version") {
            item.update.version = xml.readElementText().trimmed();
        } else if (sparkle && name == u"shortVersionString") {
            item.update.shortVersionString = xml.readElementText().trimmed();
        } else if (sparkle && name == u"releaseNotesLink") {
            item.update.releaseNotesLink = httpsUrl(xml.readElementText());
        } else if (!sparkle && name == u"title" && xml.namespaceUri().isEmpty()) {
            item.update.title = xml.readElementText().trimmed();
        } else if (!sparkle && name == u"link" && xml.namespaceUri().isEmpty()) {
            item.update.infoUrl = httpsUrl(xml.readElementText());
        } else {
            xml.skipCurrentElement();
        }
    }
    if (!xml.hasError() && item.usable())
        items.append(item.update);
}

} // namespace

AppcastParseResult parseAppcast(const QByteArray &data) {
    AppcastParseResult result;
    QXmlStreamReader xml(data);
    // Token by token up to the root, so a DTD is refused before any entity it declares is expanded.
    while (!xml.atEnd() && xml.readNext() != QXmlStreamReader::StartElement) {
        if (xml.tokenType() == QXmlStreamReader::DTD) {
            result.error = QStringLiteral("the feed declares a document type, which an appcast never has");
            return result;
        }
    }
    if (!xml.hasError() && xml.tokenType() != QXmlStreamReader::StartElement) {
        result.error = QStringLiteral("the feed is empty");
        return result;
    }
    if (!xml.hasError() && (xml.name() != u"rss" || !xml.namespaceUri().isEmpty())) {
        result.error = QStringLiteral("the feed is not an RSS appcast");
        return result;
    }
    bool sawChannel = false;
    while (xml.readNextStartElement()) {
        if (xml.name() != u"channel" || !xml.namespaceUri().isEmpty()) {
            xml.skipCurrentElement();
            continue;
        }
        sawChannel = true;
        while (xml.readNextStartElement()) {
            if (xml.name() == u"item" && xml.namespaceUri().isEmpty())
                readItem(xml, result.items);
            else
                xml.skipCurrentElement();
        }
    }
    // Whatever follows the root must still be well-formed.
    while (!xml.atEnd() && !xml.hasError())
        xml.readNext();
    if (xml.hasError()) {
        result.items.clear();
        result.error = QStringLiteral("%1 (line %2)").arg(xml.errorString()).arg(xml.lineNumber());
        return result;
    }
    if (!sawChannel) {
        result.error = QStringLiteral("the feed has no RSS channel");
        return result;
    }
    result.ok = true;
    return result;
}

const AvailableUpdate *newestRelease(const QList<AvailableUpdate> &items) {
    const AvailableUpdate *newest = nullptr;
    for (const AvailableUpdate &item : items)
        if (!newest || compareVersions(item.version, newest->version) > 0)
            newest = &item;
    return newest;
}

} // namespace glyphon
