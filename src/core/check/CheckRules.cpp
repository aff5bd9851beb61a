#include "check/CheckContext.h"

#include <array>

namespace glyphon::check {

using namespace Qt::StringLiterals;

namespace {

// Indexed by Rule. Each source is where the requirement is written down, or where the refusal it
// foresees has been reported.
const std::array<CheckRule, 32> &table() {
    static const QString assetCatalogReference =
        u"Apple, Asset Catalog Format Reference › App Icon Type (developer.apple.com/library/archive/"
        "documentation/Xcode/Reference/xcode_ref-Asset_Catalog_Format/AppIconType.html)"_s;
    static const QString adaptiveIconGuide =
        u"Android Developers, Adaptive icons (developer.android.com/develop/ui/views/launch/icon_design_adaptive)"_s;
    static const std::array<CheckRule, 32> rules = {{
        {u"file-unreadable"_s, Severity::Error,
         u"A file a rule needs cannot be read, or is larger than the check reads (4 MB of JSON, XML or HTML)"_s,
         u"The check's own limits: what it cannot read it cannot vouch for"_s},
        {u"damaged-image"_s, Severity::Error,
         u"A PNG a rule needs is cut short or its pixels do not decode"_s,
         u"W3C Recommendation, Portable Network Graphics (PNG), third edition: chunk layout up to IEND"_s},
        {u"symbolic-link"_s, Severity::Warning,
         u"A symbolic link below the folder; the check never follows one, so what it leads to is not checked"_s,
         u"The check's own rule: nothing outside the folder is read"_s},
        {u"too-many-files"_s, Severity::Warning,
         u"The folder holds more than 100 000 files and folders; the check stopped walking it there"_s,
         u"The check's own limit"_s},
        {u"apple-contents-json"_s, Severity::Error,
         u"An app icon set's Contents.json is missing, unreadable, not JSON, or has no \"images\" list"_s,
         assetCatalogReference + u" (\"Contents.json File (Required)\")"_s},
        {u"apple-missing-file"_s, Severity::Error, u"Contents.json names a file that is not in the set"_s,
         assetCatalogReference + u" (\"filename: The name of the .png file containing the image\")"_s},
        {u"apple-not-png"_s, Severity::Error, u"A file Contents.json names is not a PNG"_s,
         assetCatalogReference + u" (\"Folder Contents: .png files for the icons\")"_s},
        {u"apple-pixel-size"_s, Severity::Error,
         u"A file's pixel size is not its entry's size (points) times its scale"_s,
         assetCatalogReference + u" (size in points, scale 1x/2x/3x)"_s},
        {u"apple-unassigned-child"_s, Severity::Warning,
         u"A file in the set that no entry of Contents.json names"_s,
         u"Xcode's warning \"The app icon set \"AppIcon\" has an unassigned child\" (reported in "
         "fluttercommunity/flutter_launcher_icons#259, AlexDisler/cordova-icon#102)"_s},
        {u"apple-marketing-alpha"_s, Severity::Error,
         u"The 1024 px App Store icon of an iOS or watchOS set has an alpha channel"_s,
         u"App Store Connect ERROR ITMS-90717 \"Invalid App Store Icon. The App Store Icon in the asset "
         u"catalog "
         "… can't be transparent nor contain an alpha channel\" (reported in expo/expo#1086, "
         "fluttercommunity/flutter_launcher_icons#216, openfl/lime#1084)"_s},
        {u"apple-macos-store-slot"_s, Severity::Error,
         u"A macOS set has no 512x512 @1x or no 512x512 @2x icon"_s,
         u"App Store Connect ERROR ITMS-90236 \"Missing required icon … containing both a 512x512 and a "
         "512x512@2x image\""_s},
        {u"apple-macos-slot"_s, Severity::Warning,
         u"A macOS set lacks one of its other eight slots (16, 32, 128, 256 points at @1x and @2x)"_s,
         u"Apple Human Interface Guidelines, App icons › macOS sizes "
         "(developer.apple.com/design/human-interface-guidelines/app-icons)"_s},
        {u"icon-composer-json"_s, Severity::Error,
         u"An Icon Composer document's icon.json is unreadable or not a JSON object with a \"groups\" list"_s,
         u"Icon Composer documents as saved (AppIcon.icon/icon.json with Assets/)"_s},
        {u"icon-composer-asset"_s, Severity::Error,
         u"A layer's \"image-name\" is not in the document's Assets folder"_s,
         u"Icon Composer documents as saved: each layer names a file of Assets/"_s},
        {u"icon-composer-key"_s, Severity::Error,
         u"icon.json uses a key Icon Composer for Xcode 26 does not write, or a \"specular\" that is not "
         "true or false"_s,
         u"actool of Xcode 26.3 and 26.6 fails with \"Could not open … .icon\" on \"features\" and on "
         "\"specular\": \"inside\" written by newer Icon Composer; the table of known keys is taken from "
         "saved "
         "documents (see README)"_s},
        {u"android-adaptive-xml"_s, Severity::Error,
         u"An adaptive icon's XML cannot be read, is not well-formed, or declares a DTD (never expanded)"_s,
         adaptiveIconGuide},
        {u"android-missing-resource"_s, Severity::Error,
         u"An adaptive icon names a drawable, mipmap or colour that the resources do not have"_s,
         adaptiveIconGuide + u"; aapt2 refuses to link a missing resource"_s},
        {u"android-layer-size"_s, Severity::Warning,
         u"A foreground or background layer is not 108 × 108 dp at its density"_s,
         u"Android Developers, AdaptiveIconDrawable: \"Both foreground and background layers should be sized "
         u"at "
         "108 x 108 dp\" (developer.android.com/reference/android/graphics/drawable/AdaptiveIconDrawable)"_s},
        {u"android-monochrome"_s, Severity::Warning,
         u"An adaptive icon has no monochrome layer, so Android 13 and later cannot theme it"_s,
         adaptiveIconGuide + u" (\"If your app doesn't provide a monochromatic app icon\")"_s},
        {u"android-no-adaptive"_s, Severity::Warning,
         u"Launcher icons without an adaptive icon (mipmap-anydpi-v26), which Android 8 and later shrink "
         u"onto a "
         "plate"_s,
         adaptiveIconGuide +
             u"; reported in criticalmaps/criticalmaps-android#238 and dgis/emu48android#8"_s},
        {u"android-legacy-size"_s, Severity::Warning,
         u"A launcher icon is missing at mdpi … xxxhdpi or is not 48 dp there (48, 72, 96, 144, 192 px)"_s,
         u"Android Developers, Support different pixel densities (density buckets) and the 48 dp launcher icon"_s},
        {u"android-play-icon"_s, Severity::Error,
         u"The Google Play icon is not a 512 × 512 PNG or is larger than 1024 KB"_s,
         u"Google Play icon design requirements "
         "(developer.android.com/distribute/google-play/resources/icon-design-specifications)"_s},
        {u"web-manifest-json"_s, Severity::Error, u"A web app manifest is unreadable or not a JSON object"_s,
         u"W3C Web Application Manifest (a manifest that does not parse is ignored)"_s},
        {u"web-manifest-file"_s, Severity::Error, u"A manifest icon names a file that is not there"_s,
         u"W3C Web Application Manifest, icons member; Chrome reports the failed download"_s},
        {u"web-declared-size"_s, Severity::Warning,
         u"A manifest icon's declared sizes differ from its real size"_s,
         u"Chrome DevTools, Application › Manifest: \"Actual size (…)px of icon … does not match specified size\""_s},
        {u"web-install-sizes"_s, Severity::Error, u"A manifest lists no 192 × 192 or no 512 × 512 icon"_s,
         u"Lighthouse / web.dev, Installable manifest: \"An icons property that includes a 192x192 px and a "
         "512x512 px icon\" (web.dev/installable-manifest)"_s},
        {u"web-maskable-safe-zone"_s, Severity::Warning,
         u"A maskable icon has art outside its central circle of 80 % of the width (the safe zone)"_s,
         u"W3C Web Application Manifest, icon masks (safe zone radius 40 %); web.dev, Adaptive icon support "
         u"in "
         "PWAs with maskable icons (web.dev/maskable-icon)"_s},
        {u"web-favicon-sizes"_s, Severity::Warning, u"favicon.ico lacks a 16, 32 or 48 px picture"_s,
         u"Microsoft's recommendation for favicon.ico: 16×16, 32×32 and 48×48 (css-tricks.com/favicon-quiz)"_s},
        {u"web-touch-icon-size"_s, Severity::Warning,
         u"No apple-touch-icon is 180 × 180, or the one iOS takes by default is not"_s,
         u"Apple, Safari Web Content Guide › Configuring Web Applications (apple-touch-icon.png and sizes); "
         "Human Interface Guidelines: 180 × 180 px on iPhone"_s},
        {u"web-touch-icon-alpha"_s, Severity::Warning,
         u"An apple-touch-icon has transparent pixels, which iOS shows black"_s,
         u"Apple Human Interface Guidelines, App icons: \"Avoid transparency … can appear to float on a "
         u"black "
         "background\""_s},
        {u"ico-entry"_s, Severity::Error,
         u"An ICO file's directory or a picture in it cannot be read, or a picture's declared and real sizes differ"_s,
         u"Microsoft, Icons (ICONDIR and ICONDIRENTRY) (learn.microsoft.com/previous-versions/ms997538(v=msdn.10))"_s},
        {u"icns-entry"_s, Severity::Error,
         u"An ICNS file's element runs past its end, or a picture in it does not decode or is not its type's size"_s,
         u"Apple icon family types (CoreServices IconsCore.h: icp4 16 … ic10 1024 px) as iconutil writes them"_s},
    }};
    return rules;
}

} // namespace

const CheckRule &ruleFor(Rule rule) {
    return table()[size_t(rule)];
}

} // namespace glyphon::check

namespace glyphon {

const QList<CheckRule> &checkRules() {
    static const QList<CheckRule> rules(check::table().begin(), check::table().end());
    return rules;
}

} // namespace glyphon
