#include "SettingsValues.h"

#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace glyphon {

std::optional<bool> storedBool(const QVariant &value) {
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return value.toLongLong() != 0;
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        // INI files give every scalar back as text.
        const QString text = value.toString().trimmed().toLower();
        if (text == u"true" || text == u"1")
            return true;
        if (text == u"false" || text == u"0")
            return false;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<double> storedDouble(const QVariant &value, double lowest, double highest) {
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::QString:
    case QMetaType::QByteArray:
        break;
    default:
        return std::nullopt;
    }
    bool ok = false;
    const double number =
        value.typeId() == QMetaType::QString ? value.toString().trimmed().toDouble(&ok) : value.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    return std::clamp(number, lowest, highest);
}

std::optional<Color> storedColor(const QVariant &value) {
    QVariantList elements;
    if (value.typeId() == QMetaType::QVariantList)
        elements = value.toList();
    else if (value.typeId() == QMetaType::QStringList)
        for (const QString &text : value.toStringList())
            elements.append(text);
    else
        return std::nullopt;
    QList<double> numbers;
    for (const QVariant &element : elements) {
        const auto number = storedDouble(element, 0.0, 1.0);
        if (!number)
            return std::nullopt;
        numbers.append(*number);
    }
    if (numbers.size() != 4)
        return std::nullopt;
    return Color{numbers[0], numbers[1], numbers[2], numbers[3]};
}

std::optional<QString> storedFolder(const QVariant &value) {
    if (value.typeId() != QMetaType::QString || !QFileInfo(value.toString()).isAbsolute())
        return std::nullopt;
    return value.toString();
}

QVariantList colorComponents(const Color &color) {
    return {color.red, color.green, color.blue, color.alpha};
}

} // namespace glyphon
