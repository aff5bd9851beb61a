#pragma once

#include "imaging/Color.h"
#include "writers/OutputSets.h"

#include <QString>
#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace glyphon {

enum class SettingType { Flag, Number, Color, Folder };

// What a change of a setting sets off besides writing its own key.
enum class SettingReaction { None, Save, PreviewAndSave };

struct SettingRange {
    double minimum = 0.0;
    double maximum = 0.0;
    // How far one step of the setting's control moves; 0 when it has none of its own.
    double step = 0.0;
};

// One persisted setting: its store key (the name of the property it backs), type, declared default, range,
// and what a change of it sets off. Settings, the state's properties and the settings panel all read this.
struct SettingDeclaration {
    std::u16string_view key;
    SettingType type = SettingType::Flag;
    // A number's default, or a flag's as 0 or 1.
    double defaultNumber = 0.0;
    Color defaultColor;
    SettingRange range;
    SettingReaction reaction = SettingReaction::None;
    // A bound key is written the moment its value changes; the others only by saveSettings.
    bool bound = true;
    // Restored by "Reset to Defaults"; what the window remembers of itself is not.
    bool resets = true;
    // The platform whose set this flag selects for a run.
    std::optional<Platform> platform;

    QString name() const { return QString::fromUtf16(key.data(), qsizetype(key.size())); }

    static constexpr SettingDeclaration flag(std::u16string_view key, bool byDefault,
                                             SettingReaction reaction = SettingReaction::None) {
        SettingDeclaration declared{};
        declared.key = key;
        declared.defaultNumber = byDefault ? 1.0 : 0.0;
        declared.reaction = reaction;
        return declared;
    }
    static constexpr SettingDeclaration number(std::u16string_view key, double byDefault, SettingRange range,
                                               SettingReaction reaction = SettingReaction::None) {
        SettingDeclaration declared{};
        declared.key = key;
        declared.type = SettingType::Number;
        declared.defaultNumber = byDefault;
        declared.range = range;
        declared.reaction = reaction;
        return declared;
    }
    static constexpr SettingDeclaration color(std::u16string_view key, Color byDefault,
                                              SettingReaction reaction) {
        SettingDeclaration declared{};
        declared.key = key;
        declared.type = SettingType::Color;
        declared.defaultColor = byDefault;
        declared.range = {0.0, 1.0};
        declared.reaction = reaction;
        return declared;
    }
    // An absolute folder path, or empty for none.
    static constexpr SettingDeclaration folder(std::u16string_view key) {
        SettingDeclaration declared{};
        declared.key = key;
        declared.type = SettingType::Folder;
        return declared;
    }
    // Whether a run writes this platform's set; the classic sets are on by default, the newer targets off.
    static constexpr SettingDeclaration platformFlag(std::u16string_view key, Platform platform) {
        SettingDeclaration declared = flag(key, isClassicSet(platform), SettingReaction::Save);
        declared.platform = platform;
        return declared;
    }

    constexpr SettingDeclaration unbound() const {
        SettingDeclaration declared = *this;
        declared.bound = false;
        return declared;
    }
    constexpr SettingDeclaration remembered() const {
        SettingDeclaration declared = *this;
        declared.resets = false;
        return declared;
    }
};

inline constexpr Color defaultTint{0.0, 0.0, 1.0, 1.0};

// Every setting, in the order "Reset to Defaults" restores them. A new setting is one line here plus its
// widget; loading, saving, clamping and reset walk this table.
inline constexpr std::array settingsSchema{
    SettingDeclaration::platformFlag(u"forMacos", Platform::MacOS),
    SettingDeclaration::platformFlag(u"forIos", Platform::IOS),
    SettingDeclaration::platformFlag(u"forWatchos", Platform::WatchOS),
    SettingDeclaration::platformFlag(u"forAndroid", Platform::Android),
    SettingDeclaration::platformFlag(u"forFavicon", Platform::Web),
    SettingDeclaration::platformFlag(u"forIosSingle", Platform::IOSSingle),
    SettingDeclaration::platformFlag(u"forWatchosSingle", Platform::WatchOSSingle),
    SettingDeclaration::platformFlag(u"forIconComposer", Platform::IconComposer),
    SettingDeclaration::platformFlag(u"forMacosIcns", Platform::MacOSIcns),
    SettingDeclaration::platformFlag(u"forAndroidAdaptive", Platform::AndroidAdaptive),
    SettingDeclaration::platformFlag(u"forWebModern", Platform::WebModern),
    SettingDeclaration::platformFlag(u"forWindows", Platform::Windows),
    SettingDeclaration::platformFlag(u"forLinux", Platform::Linux),
    SettingDeclaration::flag(u"withRoundedCorners", false, SettingReaction::PreviewAndSave),
    SettingDeclaration::number(u"roundedCornersPx", 229.0, {100.0, 300.0, 5.0},
                               SettingReaction::PreviewAndSave),
    SettingDeclaration::flag(u"withPadding", false, SettingReaction::PreviewAndSave),
    SettingDeclaration::number(u"paddingPx", 100.0, {0.0, 300.0, 10.0}, SettingReaction::PreviewAndSave),
    SettingDeclaration::flag(u"withTint", false, SettingReaction::PreviewAndSave),
    // The tint colour as kept between starts; the colour at start is made from these four.
    SettingDeclaration::number(u"tintColorRed", defaultTint.red, {0.0, 1.0}),
    SettingDeclaration::number(u"tintColorGreen", defaultTint.green, {0.0, 1.0}),
    SettingDeclaration::number(u"tintColorBlue", defaultTint.blue, {0.0, 1.0}),
    SettingDeclaration::number(u"tintColorOpacity", defaultTint.alpha, {0.0, 1.0}),
    // The colour being picked: saved with the effects as four numbers; at start the four above win.
    SettingDeclaration::color(u"colorSelection", defaultTint, SettingReaction::PreviewAndSave).unbound(),
    SettingDeclaration::number(u"tintOpacity", 0.2, {0.0, 1.0, 0.05}, SettingReaction::PreviewAndSave),
    // What fills the transparent areas of the outputs that must be opaque.
    SettingDeclaration::color(u"backgroundColor", defaultBackground, SettingReaction::PreviewAndSave),
    // How the window was left: the open Settings panel, the grid (taken up by the first image a window
    // shows) and the last output and image folders.
    SettingDeclaration::flag(u"isExpanded", false).remembered(),
    SettingDeclaration::flag(u"showGridView", false).remembered(),
    // The Appearances view in place of the single preview (taken up as the grid is), and the safe areas on
    // its tiles.
    SettingDeclaration::flag(u"showAppearances", false).remembered(),
    SettingDeclaration::flag(u"showSafeZones", false).remembered(),
    SettingDeclaration::folder(u"lastOutputFolder").remembered(),
    SettingDeclaration::folder(u"lastImageFolder").remembered(),
};

inline constexpr std::size_t settingCount = settingsSchema.size();

// What each type of setting holds.
template <typename T> struct SettingTypeOf;
template <> struct SettingTypeOf<bool> { static constexpr SettingType value = SettingType::Flag; };
template <> struct SettingTypeOf<double> { static constexpr SettingType value = SettingType::Number; };
template <> struct SettingTypeOf<Color> { static constexpr SettingType value = SettingType::Color; };
template <> struct SettingTypeOf<QString> { static constexpr SettingType value = SettingType::Folder; };

// A row of the table, typed by what it holds.
template <typename T> struct Setting {
    std::size_t index;

    constexpr const SettingDeclaration &declared() const { return settingsSchema[index]; }
};

// The setting with this key; a key that is not in the table, or is there with another type, does not
// compile.
template <typename T> consteval Setting<T> settingFor(std::u16string_view key) {
    for (std::size_t i = 0; i < settingCount; ++i)
        if (settingsSchema[i].key == key && settingsSchema[i].type == SettingTypeOf<T>::value)
            return {i};
    throw "no setting of this key and type";
}

constexpr bool defaultOf(Setting<bool> setting) {
    return setting.declared().defaultNumber != 0.0;
}
constexpr double defaultOf(Setting<double> setting) {
    return setting.declared().defaultNumber;
}

// The settings the code names; a new one needs a name here only where code asks for it by name.
namespace settings {
inline constexpr auto forMacos = settingFor<bool>(u"forMacos");
inline constexpr auto forIos = settingFor<bool>(u"forIos");
inline constexpr auto forWatchos = settingFor<bool>(u"forWatchos");
inline constexpr auto forAndroid = settingFor<bool>(u"forAndroid");
inline constexpr auto forFavicon = settingFor<bool>(u"forFavicon");
inline constexpr auto forIosSingle = settingFor<bool>(u"forIosSingle");
inline constexpr auto forWatchosSingle = settingFor<bool>(u"forWatchosSingle");
inline constexpr auto forIconComposer = settingFor<bool>(u"forIconComposer");
inline constexpr auto forMacosIcns = settingFor<bool>(u"forMacosIcns");
inline constexpr auto forAndroidAdaptive = settingFor<bool>(u"forAndroidAdaptive");
inline constexpr auto forWebModern = settingFor<bool>(u"forWebModern");
inline constexpr auto forWindows = settingFor<bool>(u"forWindows");
inline constexpr auto forLinux = settingFor<bool>(u"forLinux");
inline constexpr auto withRoundedCorners = settingFor<bool>(u"withRoundedCorners");
inline constexpr auto roundedCornersPx = settingFor<double>(u"roundedCornersPx");
inline constexpr auto withPadding = settingFor<bool>(u"withPadding");
inline constexpr auto paddingPx = settingFor<double>(u"paddingPx");
inline constexpr auto withTint = settingFor<bool>(u"withTint");
inline constexpr auto tintColorRed = settingFor<double>(u"tintColorRed");
inline constexpr auto tintColorGreen = settingFor<double>(u"tintColorGreen");
inline constexpr auto tintColorBlue = settingFor<double>(u"tintColorBlue");
inline constexpr auto tintColorOpacity = settingFor<double>(u"tintColorOpacity");
inline constexpr auto colorSelection = settingFor<Color>(u"colorSelection");
inline constexpr auto tintOpacity = settingFor<double>(u"tintOpacity");
inline constexpr auto backgroundColor = settingFor<Color>(u"backgroundColor");
inline constexpr auto isExpanded = settingFor<bool>(u"isExpanded");
inline constexpr auto showGridView = settingFor<bool>(u"showGridView");
inline constexpr auto showAppearances = settingFor<bool>(u"showAppearances");
inline constexpr auto showSafeZones = settingFor<bool>(u"showSafeZones");
inline constexpr auto lastOutputFolder = settingFor<QString>(u"lastOutputFolder");
inline constexpr auto lastImageFolder = settingFor<QString>(u"lastImageFolder");
} // namespace settings

} // namespace glyphon
