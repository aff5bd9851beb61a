#include "Settings.h"

#include "SettingsValues.h"

#include <QFileInfo>
#include <QSettings>
#include <algorithm>
#include <cmath>

namespace glyphon {

namespace {

std::optional<SettingValue> storedValue(const SettingDeclaration &declared, const QVariant &stored) {
    switch (declared.type) {
    case SettingType::Flag:
        if (const auto flag = storedBool(stored))
            return *flag;
        break;
    case SettingType::Number:
        if (const auto number = storedDouble(stored, declared.range.minimum, declared.range.maximum))
            return *number;
        break;
    case SettingType::Color:
        if (const auto color = storedColor(stored))
            return *color;
        break;
    case SettingType::Folder:
        if (const auto folder = storedFolder(stored))
            return *folder;
        break;
    }
    return std::nullopt;
}

QVariant toStored(const SettingValue &value) {
    return std::visit(
        [](const auto &v) -> QVariant {
            if constexpr (std::is_same_v<std::decay_t<decltype(v)>, Color>)
                return colorComponents(v);
            else
                return QVariant(v);
        },
        value);
}

// The value as the setting may hold it, or nothing when it cannot.
std::optional<SettingValue> admitted(const SettingDeclaration &declared, SettingValue value) {
    const auto clamp = [&declared](double v) {
        return std::clamp(v, declared.range.minimum, declared.range.maximum);
    };
    if (double *number = std::get_if<double>(&value)) {
        if (!std::isfinite(*number))
            return std::nullopt;
        *number = clamp(*number);
    } else if (Color *color = std::get_if<Color>(&value)) {
        for (double *component : {&color->red, &color->green, &color->blue, &color->alpha}) {
            if (!std::isfinite(*component))
                return std::nullopt;
            *component = clamp(*component);
        }
    } else if (const QString *folder = std::get_if<QString>(&value)) {
        if (!QFileInfo(*folder).isAbsolute())
            return std::nullopt;
    }
    return value;
}

} // namespace

SettingValue declaredDefault(const SettingDeclaration &declared) {
    switch (declared.type) {
    case SettingType::Flag:
        return declared.defaultNumber != 0.0;
    case SettingType::Number:
        return declared.defaultNumber;
    case SettingType::Color:
        return declared.defaultColor;
    case SettingType::Folder:
        break;
    }
    return QString();
}

Settings::Settings(QSettings &store, QObject *parent) : QObject(parent), m_store(store) {
    for (std::size_t i = 0; i < settingCount; ++i)
        m_values[i] = declaredDefault(settingsSchema[i]);
    load(m_store);
    m_values[settings::colorSelection.index] = tintColorFromComponents();
    m_reacting = true;
}

void Settings::assign(std::size_t index, SettingValue value, Origin origin) {
    const SettingDeclaration &declared = settingsSchema[index];
    if (value.index() != m_values[index].index())
        return;
    const auto accepted = admitted(declared, std::move(value));
    if (!accepted || *accepted == m_values[index])
        return;
    m_values[index] = *accepted;
    if (declared.bound && origin == Origin::Change)
        m_store.setValue(declared.name(), toStored(*accepted));
    if (m_reacting && declared.reaction != SettingReaction::None)
        save(m_store);
    emit changed(int(index));
}

void Settings::load(QSettings &store) {
    for (std::size_t i = 0; i < settingCount; ++i) {
        const QString key = settingsSchema[i].name();
        if (!store.contains(key))
            continue;
        if (auto value = storedValue(settingsSchema[i], store.value(key)))
            assign(i, std::move(*value), Origin::Store);
    }
}

void Settings::save(QSettings &store) const {
    for (std::size_t i = 0; i < settingCount; ++i)
        if (settingsSchema[i].reaction != SettingReaction::None)
            store.setValue(settingsSchema[i].name(), toStored(m_values[i]));
}

void Settings::resetToDefaults() {
    for (std::size_t i = 0; i < settingCount; ++i)
        if (settingsSchema[i].resets)
            assign(i, declaredDefault(settingsSchema[i]));
    save(m_store);
}

void Settings::storeTintComponents() {
    const Color color = value(settings::colorSelection);
    setValue(settings::tintColorRed, color.red);
    setValue(settings::tintColorGreen, color.green);
    setValue(settings::tintColorBlue, color.blue);
    setValue(settings::tintColorOpacity, color.alpha);
}

Color Settings::tintColorFromComponents() const {
    return {value(settings::tintColorRed), value(settings::tintColorGreen), value(settings::tintColorBlue),
            value(settings::tintColorOpacity)};
}

EffectSettings Settings::effectSettings() const {
    return {value(settings::withRoundedCorners), value(settings::roundedCornersPx),
            value(settings::withPadding),        value(settings::paddingPx),
            value(settings::withTint),           value(settings::tintOpacity),
            value(settings::colorSelection)};
}

QList<Platform> Settings::selectedPlatforms() const {
    QList<Platform> selected;
    for (std::size_t i = 0; i < settingCount; ++i)
        if (settingsSchema[i].platform && std::get<bool>(m_values[i]))
            selected.append(*settingsSchema[i].platform);
    return selected;
}

} // namespace glyphon
