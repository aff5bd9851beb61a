#include "SvgRasteriser.h"

#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <algorithm>
#include <cmath>

namespace glyphon {

using namespace Qt::StringLiterals;

namespace {

QStringView localName(QStringView qualified) {
    const qsizetype colon = qualified.lastIndexOf(u':');
    return colon < 0 ? qualified : qualified.mid(colon + 1);
}

bool isLink(QStringView qualifiedAttribute) {
    return localName(qualifiedAttribute) == u"href" || qualifiedAttribute == u"xml:base";
}

// Qt's renderer opens the href of an <image> as a file path and resolves nothing else outside the
// document, so only inline pictures and links to the document's own elements survive.
bool isSafeLink(QStringView element, QStringView value) {
    const QStringView trimmed = value.trimmed();
    if (localName(element) == u"image")
        return trimmed.startsWith(u"data:", Qt::CaseInsensitive);
    return trimmed.startsWith(u'#');
}

} // namespace

Result<QByteArray> withoutExternalReferences(const QByteArray &svg) {
    QXmlStreamReader reader(svg);
    // Namespace declarations then arrive as plain attributes and are copied like any other.
    reader.setNamespaceProcessing(false);
    QByteArray clean;
    QXmlStreamWriter writer(&clean);
    int skippedDepth = 0;
    // Qt does not follow @import today; dropping it keeps the cleaned document self-contained regardless.
    static const QRegularExpression import(u"@import[^;]*;?"_s, QRegularExpression::CaseInsensitiveOption);
    QStringList open;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            const QStringView element = reader.qualifiedName();
            if (skippedDepth > 0) {
                ++skippedDepth;
                break;
            }
            const QXmlStreamAttributes attributes = reader.attributes();
            const bool unsafeImage =
                localName(element) == u"image" &&
                std::none_of(attributes.begin(), attributes.end(), [&](const QXmlStreamAttribute &a) {
                    return isLink(a.qualifiedName()) && isSafeLink(element, a.value());
                });
            if (unsafeImage) {
                skippedDepth = 1;
                break;
            }
            writer.writeStartElement(element.toString());
            open.append(localName(element).toString());
            for (const QXmlStreamAttribute &attribute : attributes) {
                if (!isLink(attribute.qualifiedName()) || isSafeLink(element, attribute.value()))
                    writer.writeAttribute(attribute.qualifiedName().toString(), attribute.value().toString());
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            if (skippedDepth > 0) {
                --skippedDepth;
            } else {
                writer.writeEndElement();
                open.removeLast();
            }
            break;
        case QXmlStreamReader::Characters: {
            if (skippedDepth > 0)
                break;
            QString text = reader.text().toString();
            if (!open.isEmpty() && open.last() == u"style")
                text.remove(import);
            if (reader.isCDATA())
                writer.writeCDATA(text);
            else
                writer.writeCharacters(text);
            break;
        }
        default:
            // The DTD, entity references, processing instructions and comments are dropped.
            break;
        }
    }
    if (reader.hasError())
        return Error{ErrorKind::Damaged, {}, reader.errorString()};
    return clean;
}

Result<QImage> rasteriseSvg(const QByteArray &svg, int longerEdge) {
    const auto damaged = [](const QString &reason) { return Error{ErrorKind::Damaged, {}, reason}; };
    const Result<QByteArray> clean = withoutExternalReferences(svg);
    if (!clean || clean->isEmpty())
        return damaged(
            u"not a valid SVG document (%1)"_s.arg(clean ? u"no content"_s : clean.error().message));
    QSvgRenderer renderer(*clean);
    if (!renderer.isValid())
        return damaged(u"not a valid SVG document"_s);

    QSizeF size = renderer.defaultSize();
    if (size.isEmpty())
        size = renderer.viewBoxF().size();
    if (size.isEmpty() || !std::isfinite(size.width()) || !std::isfinite(size.height()))
        return damaged(u"the SVG document has no size to draw at"_s);
    const double scale = longerEdge / std::max(size.width(), size.height());
    const int width = std::max(1, int(std::lround(size.width() * scale)));
    const int height = std::max(1, int(std::lround(size.height() * scale)));
    QImage canvas(width, height, QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull())
        return Error{ErrorKind::TooLarge, {}, u"not enough memory to draw the SVG document"_s};
    canvas.fill(Qt::transparent);
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);
    QPainter painter(&canvas);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    renderer.render(&painter, QRectF(0, 0, width, height));
    painter.end();
    return canvas;
}

} // namespace glyphon
