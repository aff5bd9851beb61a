#pragma once

#include "SettingsSchema.h"
#include "imaging/Effects.h"

#include <QList>
#include <QObject>
#include <array>
#include <variant>

class QSettings;

namespace glyphon {

using SettingValue = std::variant<bool, double, Color, QString>;

// The values of the settings table, bound to one store: a bound setting is written the moment it changes,
// and a change with a reaction saves every setting that has one. Main thread only; work elsewhere gets a
// copy (effectSettings, selectedPlatforms).
class Settings : public QObject {
    Q_OBJECT
public:
    // Reads every setting from the store, then makes the selected colour from the tint components. The
    // store must outlive the settings.
    explicit Settings(QSettings &store, QObject *parent = nullptr);

    template <typename T> const T &value(Setting<T> setting) const {
        return std::get<T>(m_values[setting.index]);
    }
    // A number is clamped into its range; a value that is not finite, a folder that is not an absolute
    // path and an unchanged value change nothing.
    template <typename T> void setValue(Setting<T> setting, const T &value) {
        assign(setting.index, SettingValue(value));
    }
    const SettingValue &valueAt(std::size_t index) const { return m_values[index]; }
    void setValueAt(std::size_t index, const SettingValue &value) { assign(index, value); }

    // Assigns what the store holds; a key that is missing or cannot be trusted leaves its setting as it is.
    void load(QSettings &store);
    // Writes every setting that has a reaction.
    void save(QSettings &store) const;
    // Restores every setting that resets, in table order, then saves.
    void resetToDefaults();
    void storeTintComponents();
    Color tintColorFromComponents() const;

    // Copies for background work.
    EffectSettings effectSettings() const;
    QList<Platform> selectedPlatforms() const;

    QSettings &store() const { return m_store; }

signals:
    // After the setting at this row of the table changed, and after its reaction.
    void changed(int index);

private:
    enum class Origin { Change, Store };
    void assign(std::size_t index, SettingValue value, Origin origin = Origin::Change);

    QSettings &m_store;
    std::array<SettingValue, settingCount> m_values;
    // Loading at construction is no change: nothing is written back and nothing saved.
    bool m_reacting = false;
};

// The value a setting declares as its default.
SettingValue declaredDefault(const SettingDeclaration &declared);

} // namespace glyphon
