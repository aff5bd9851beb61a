#include "SvgEffects.h"

#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <algorithm>
#include <cmath>

namespace glyphon {

using namespace Qt::StringLiterals;

namespace {

constexpr double canvasEdge = 1024.0;

QString number(double value) {
    return QString::number(value, 'g', 10);
}

// Copies the drawing as the canvas's child: its root becomes a nested viewport filling the canvas, the
// drawing kept in proportion and centred, as the bitmap of a source padded to a square is.
bool copyDrawing(const QByteArray &svg, const QRectF &viewBox, QXmlStreamWriter &writer) {
    QXmlStreamReader reader(svg);
    reader.setNamespaceProcessing(false);
    bool root = true;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            writer.writeStartElement(reader.qualifiedName().toString());
            for (const QXmlStreamAttribute &attribute : reader.attributes()) {
                static const QStringList placement{u"x"_s,      u"y"_s,       u"width"_s,
                                                   u"height"_s, u"viewBox"_s, u"preserveAspectRatio"_s};
                if (!root || !placement.contains(attribute.qualifiedName().toString()))
                    writer.writeAttribute(attribute.qualifiedName().toString(), attribute.value().toString());
            }
            if (root) {
                writer.writeAttribute(u"width"_s, number(canvasEdge));
                writer.writeAttribute(u"height"_s, number(canvasEdge));
                writer.writeAttribute(
                    u"viewBox"_s, u"%1 %2 %3 %4"_s.arg(number(viewBox.x()), number(viewBox.y()),
                                                       number(viewBox.width()), number(viewBox.height())));
                writer.writeAttribute(u"preserveAspectRatio"_s, u"xMidYMid meet"_s);
                root = false;
            }
            break;
        case QXmlStreamReader::EndElement:
            writer.writeEndElement();
            break;
        case QXmlStreamReader::Characters:
            if (reader.isCDATA())
                writer.writeCDATA(reader.text().toString());
            else
                writer.writeCharacters(reader.text().toString());
            break;
        default:
            break;
        }
    }
    return !reader.hasError() && !root;
}

} // namespace

Result<QByteArray> svgWithEffects(const QByteArray &cleanSvg, const EffectSettings &effects) {
    if (!effects.withRoundedCorners && !effects.withPadding && !effects.withTint)
        return cleanSvg;
    const auto damaged = [] { return Error{ErrorKind::Damaged, {}, u"not a valid SVG document"_s}; };
    const QSvgRenderer renderer(cleanSvg);
    const QRectF viewBox = renderer.viewBoxF();
    if (!renderer.isValid() || viewBox.isEmpty())
        return damaged();

    QByteArray out;
    QXmlStreamWriter writer(&out);
    writer.writeStartElement(u"svg"_s);
    writer.writeDefaultNamespace(u"http://www.w3.org/2000/svg"_s);
    writer.writeAttribute(u"viewBox"_s, u"0 0 1024 1024"_s);

    const double radius = std::clamp(std::isfinite(effects.roundedCornersPx) ? effects.roundedCornersPx : 0.0,
                                     0.0, canvasEdge / 2.0);
    const double padding =
        std::clamp(std::isfinite(effects.paddingPx) ? effects.paddingPx : 0.0, 0.0, canvasEdge / 2.0);
    const double opacity =
        std::clamp(std::isfinite(effects.tintOpacity) ? effects.tintOpacity : 0.0, 0.0, 1.0);
    writer.writeStartElement(u"defs"_s);
    if (effects.withRoundedCorners) {
        writer.writeStartElement(u"clipPath"_s);
        writer.writeAttribute(u"id"_s, u"glyphon-corners"_s);
        writer.writeEmptyElement(u"rect"_s);
        writer.writeAttribute(u"width"_s, number(canvasEdge));
        writer.writeAttribute(u"height"_s, number(canvasEdge));
        writer.writeAttribute(u"rx"_s, number(radius));
        writer.writeAttribute(u"ry"_s, number(radius));
        writer.writeEndElement();
    }
    if (effects.withTint) {
        // Source-atop of the colour: the drawing's alpha is kept, its colour mixed with the tint's.
        writer.writeStartElement(u"filter"_s);
        writer.writeAttribute(u"id"_s, u"glyphon-tint"_s);
        writer.writeAttribute(u"filterUnits"_s, u"userSpaceOnUse"_s);
        writer.writeAttribute(u"x"_s, u"0"_s);
        writer.writeAttribute(u"y"_s, u"0"_s);
        writer.writeAttribute(u"width"_s, number(canvasEdge));
        writer.writeAttribute(u"height"_s, number(canvasEdge));
        writer.writeAttribute(u"color-interpolation-filters"_s, u"sRGB"_s);
        writer.writeEmptyElement(u"feFlood"_s);
        writer.writeAttribute(u"flood-color"_s, effects.colorSelection.toQColor().name(QColor::HexRgb));
        writer.writeAttribute(u"flood-opacity"_s, number(opacity));
        writer.writeEmptyElement(u"feComposite"_s);
        writer.writeAttribute(u"in2"_s, u"SourceGraphic"_s);
        writer.writeAttribute(u"operator"_s, u"atop"_s);
        writer.writeEndElement();
    }
    writer.writeEndElement(); // defs

    int open = 0;
    const auto group = [&](const QString &attribute, const QString &value) {
        writer.writeStartElement(u"g"_s);
        writer.writeAttribute(attribute, value);
        ++open;
    };
    if (effects.withTint)
        group(u"filter"_s, u"url(#glyphon-tint)"_s);
    if (effects.withPadding && padding > 0.0)
        group(u"transform"_s, u"translate(%1 %1) scale(%2)"_s.arg(
                                  number(padding), number((canvasEdge - 2.0 * padding) / canvasEdge)));
    if (effects.withRoundedCorners)
        group(u"clip-path"_s, u"url(#glyphon-corners)"_s);
    if (!copyDrawing(cleanSvg, viewBox, writer))
        return damaged();
    for (; open > 0; --open)
        writer.writeEndElement();
    writer.writeEndElement(); // svg
    out.append('\n');
    return out;
}

} // namespace glyphon
