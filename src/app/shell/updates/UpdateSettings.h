#pragma once

#include <QLatin1String>

// The update checker's keys in the user's preferences store, beside the window's settings.
namespace glyphon::updateSettings {

inline constexpr QLatin1String feedUrl{"updateFeedURL"};               // string; empty: the built-in address
inline constexpr QLatin1String skippedVersion{"skippedUpdateVersion"}; // string; "Skip This Version"
inline constexpr QLatin1String launchCount{"launchCount"};             // int
inline constexpr QLatin1String automaticChecks{
    "automaticallyChecksForUpdates"};                        // bool; absent: not asked yet
inline constexpr QLatin1String lastCheck{"lastUpdateCheck"}; // date and time, UTC

} // namespace glyphon::updateSettings
