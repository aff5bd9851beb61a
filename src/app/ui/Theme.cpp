#include "Theme.h"

#include <QApplication>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QStyleFactory>

namespace glyphon {

namespace {

QHash<QString, QColor> loadColorTable() {
    QHash<QString, QColor> table;
    QFile file(QStringLiteral(":/ui/colors.json"));
    if (!file.open(QIODevice::ReadOnly))
        return table;
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    for (auto it = object.begin(); it != object.end(); ++it)
        table.insert(it.key(), QColor::fromString(it.value().toString()));
    return table;
}

} // namespace

QColor namedColor(QStringView name) {
    static const QHash<QString, QColor> table = loadColorTable();
    const QColor color = table.value(name.toString());
    return color.isValid() ? color : QColor(Qt::magenta);
}

QPalette darkPalette() {
    const QColor window(0x1c, 0x1c, 0x1e);
    const QColor base(0x26, 0x26, 0x29);
    const QColor button(0x32, 0x32, 0x36);
    const QColor text(0xec, 0xec, 0xee);
    const QColor disabledText(0x7a, 0x7a, 0x80);
    const QColor accent = namedColor(u"AppColor");

    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, button);
    palette.setColor(QPalette::ToolTipBase, QColor(0x3a, 0x3a, 0x3e));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, disabledText);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, button);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::Light, QColor(0x48, 0x48, 0x4e));
    palette.setColor(QPalette::Midlight, QColor(0x3c, 0x3c, 0x42));
    palette.setColor(QPalette::Mid, QColor(0x2a, 0x2a, 0x2e));
    palette.setColor(QPalette::Dark, QColor(0x14, 0x14, 0x16));
    palette.setColor(QPalette::Shadow, Qt::black);
    palette.setColor(QPalette::Highlight, accent);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, accent.lighter(140));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x4a, 0x4a, 0x52));
    palette.setColor(QPalette::Disabled, QPalette::Button, QColor(0x2a, 0x2a, 0x2e));
    return palette;
}

void applyDarkTheme(QApplication &app) {
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    app.setPalette(darkPalette());
}

QColor secondaryTextColor(const QPalette &palette) {
    QColor color = palette.color(QPalette::Active, QPalette::WindowText);
    color.setAlphaF(0.55f);
    return color;
}

QColor focusRingColor() {
    // The accent, lightened until it stands out at better than 3 : 1 both on the dark window and on the
    // accent-filled "Generate" band.
    return namedColor(u"AppColor").lighter(160);
}

void drawFocusRing(QPainter &painter, const QRectF &rect, qreal radius) {
    painter.save();
    painter.setOpacity(1.0);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(focusRingColor(), focusRingWidth));
    painter.setBrush(Qt::NoBrush);
    const qreal half = focusRingWidth / 2;
    painter.drawRoundedRect(rect.adjusted(half, half, -half, -half), radius, radius);
    painter.restore();
}

} // namespace glyphon
