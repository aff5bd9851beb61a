#include "StateTestSupport.h"

#include "Placeholder.h"
#include "SettingsValues.h"
#include "TestSupport.h"

#include <QSignalSpy>
#include <functional>

namespace glyphon::test {
namespace {

using SettingsStore = StateFixture;

const Color opaqueBlue{0.0, 0.0, 1.0, 1.0};

TEST_F(SettingsStore, FirstStartShowsTheDeclaredDefaults) {
    ContentViewState &s = state();
    EXPECT_FALSE(s.withRoundedCorners());
    EXPECT_EQ(s.roundedCornersPx(), 229.0);
    EXPECT_FALSE(s.withPadding());
    EXPECT_EQ(s.paddingPx(), 100.0);
    EXPECT_FALSE(s.withTint());
    EXPECT_EQ(s.tintOpacity(), 0.2);
    EXPECT_TRUE(s.forMacos() && s.forIos() && s.forWatchos() && s.forAndroid() && s.forFavicon());
    EXPECT_EQ(s.colorSelection(), opaqueBlue);
    EXPECT_EQ(s.tintColorFromComponents(), opaqueBlue);
    EXPECT_EQ(s.effectSettings(), EffectSettings{});
}

TEST_F(SettingsStore, ConstructionGivesTheUiStateItsInitialValues) {
    ContentViewState &s = state();
    EXPECT_FALSE(s.isExpanded() || s.isDragHovering() || s.isProcessing() || s.hasInfo() || s.hasSuccess() ||
                 s.hasProgress() || s.hadInfo() || s.appActive() || s.showingPlatformSheet() ||
                 s.showGridView() || s.somethingDropped() || s.showNoImageAlert());
    EXPECT_EQ(s.progress(), 0.0);
    EXPECT_EQ(s.totalProgress(), 1.0);
    EXPECT_FALSE(s.imageUrl().isValid());
    EXPECT_FALSE(s.imageValidation().has_value());
    EXPECT_EQ(s.currentStep(), ViewStep::Editing);
    EXPECT_EQ(s.generationFailures(), 0);
    // Both images show the placeholder, unprocessed: no preview runs until something changes.
    ASSERT_TRUE(s.image() && s.processedPreviewImage());
    EXPECT_EQ(s.image()->pixelWidth(), 1024);
    EXPECT_EQ(s.image()->bitmap(), placeholderImage().bitmap());
    EXPECT_EQ(s.processedPreviewImage()->bitmap(), placeholderImage().bitmap());
    EXPECT_FALSE(s.isPreviewing());
}

TEST_F(SettingsStore, DefaultSettingsRecordHoldsTheDeclaredValues) {
    const DefaultSettings &d = ContentViewState::defaultSettings;
    EXPECT_TRUE(d.forMacos && d.forIos && d.forWatchos && d.forAndroid && d.forFavicon);
    EXPECT_FALSE(d.withRoundedCorners || d.withPadding);
    EXPECT_EQ(d.roundedCornersPx, 229.0);
    EXPECT_EQ(d.paddingPx, 100.0);
    EXPECT_EQ(ContentViewSeams{}.successHold, std::chrono::milliseconds(3000));
}

TEST_F(SettingsStore, PlaceholderIsArtOnATransparentGround) {
    const QImage art = placeholderImage().bitmap();
    ASSERT_EQ(art.size(), QSize(1024, 1024));
    EXPECT_EQ(qAlpha(art.pixel(4, 4)), 0);
    EXPECT_EQ(qAlpha(art.pixel(1019, 1019)), 0);
    // The arrow's shaft runs down the middle.
    EXPECT_EQ(qAlpha(art.pixel(512, 400)), 255);
}

TEST_F(SettingsStore, EachConstructionPrintsOneLine) {
    ::testing::internal::CaptureStdout();
    {
        ContentViewState first(store());
        ContentViewState second(store());
    }
    EXPECT_EQ(QString::fromStdString(::testing::internal::GetCapturedStdout()),
              QStringLiteral("ContentView initialized\nContentView initialized\n"));
}

TEST_F(SettingsStore, NextStartLoadsWhatThisOneSaved) {
    {
        ContentViewState &s = state();
        s.setWithRoundedCorners(true);
        s.setRoundedCornersPx(150.0);
        s.setWithPadding(true);
        s.setPaddingPx(42.0);
        s.setWithTint(true);
        s.setTintOpacity(0.65);
        s.setForIos(false);
        s.setForFavicon(false);
        settle(s);
    }
    reopenStore();
    ContentViewState &s = state();
    EXPECT_TRUE(s.withRoundedCorners());
    EXPECT_EQ(s.roundedCornersPx(), 150.0);
    EXPECT_TRUE(s.withPadding());
    EXPECT_EQ(s.paddingPx(), 42.0);
    EXPECT_TRUE(s.withTint());
    EXPECT_EQ(s.tintOpacity(), 0.65);
    EXPECT_TRUE(s.forMacos() && s.forWatchos() && s.forAndroid());
    EXPECT_FALSE(s.forIos() || s.forFavicon());
}

TEST_F(SettingsStore, ColourAfterStartComesFromTheTintKeys) {
    store().setValue(QStringLiteral("colorSelection"), QVariantList{1.0, 0.0, 0.0, 1.0});
    store().setValue(QStringLiteral("tintColorRed"), 0.0);
    store().setValue(QStringLiteral("tintColorGreen"), 1.0);
    store().setValue(QStringLiteral("tintColorBlue"), 0.0);
    store().setValue(QStringLiteral("tintColorOpacity"), 0.5);
    reopenStore();
    EXPECT_EQ(state().colorSelection(), (Color{0.0, 1.0, 0.0, 0.5}));
}

TEST_F(SettingsStore, ColourRoundTripsExactlyThroughTheStore) {
    const Color chosen{0.123456789012345, 0.987654321098765, 1.0 / 3.0, 0.7};
    {
        ContentViewState &s = state();
        s.setColorSelection(chosen);
        s.storeTintComponents();
        EXPECT_EQ(s.tintColorFromComponents(), chosen);
        settle(s);
    }
    reopenStore();
    EXPECT_EQ(state().colorSelection(), chosen);
    EXPECT_EQ(storedColor(store().value(QStringLiteral("colorSelection"))), chosen);
}

TEST_F(SettingsStore, GarbageIsIgnoredAndNothingIsPoisoned) {
    writeIni("[General]\n"
             "withRoundedCorners=perhaps\n"
             "roundedCornersPx=abc\n"
             "withPadding=true\n"
             "paddingPx=nan\n"
             "withTint=1\n"
             "tintOpacity=inf\n"
             "forMacos=@Invalid()\n"
             "forIos=false\n"
             "forWatchos=banana\n"
             "forAndroid=0\n"
             "forFavicon=\n"
             "tintColorRed=2.5\n"
             "tintColorGreen=-1\n"
             "tintColorBlue=xyz\n"
             "tintColorOpacity=-inf\n"
             "colorSelection=0.5, 1\n");
    ContentViewState &s = state();
    EXPECT_FALSE(s.withRoundedCorners());
    EXPECT_EQ(s.roundedCornersPx(), 229.0);
    EXPECT_TRUE(s.withPadding());
    EXPECT_EQ(s.paddingPx(), 100.0);
    EXPECT_TRUE(s.withTint());
    EXPECT_EQ(s.tintOpacity(), 0.2);
    EXPECT_TRUE(s.forMacos());
    EXPECT_FALSE(s.forIos());
    EXPECT_TRUE(s.forWatchos());
    EXPECT_FALSE(s.forAndroid());
    EXPECT_TRUE(s.forFavicon());
    // Components out of range are pulled in; unreadable ones keep their declared default.
    EXPECT_EQ(s.colorSelection(), (Color{1.0, 0.0, 1.0, 1.0}));

    s.setPaddingPx(50.0);
    settle(s);
    ASSERT_TRUE(s.processedPreviewImage());
    EXPECT_EQ(s.processedPreviewImage()->pixelWidth(), 1024);
    EXPECT_EQ(qAlpha(s.processedPreviewImage()->bitmap().pixel(20, 20)), 0);
}

struct RangeCase {
    const char *key;
    const char *stored;
    double (ContentViewState::*read)() const;
    double expected;
};

class StoredOutOfRange : public StateFixture, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(StoredOutOfRange, IsClampedToTheSliderRange) {
    writeIni(QByteArray("[General]\n") + GetParam().key + '=' + GetParam().stored + '\n');
    EXPECT_EQ((state().*GetParam().read)(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, StoredOutOfRange,
    ::testing::Values(RangeCase{"roundedCornersPx", "5000", &ContentViewState::roundedCornersPx, 300.0},
                      RangeCase{"roundedCornersPx", "10", &ContentViewState::roundedCornersPx, 100.0},
                      RangeCase{"paddingPx", "-50", &ContentViewState::paddingPx, 0.0},
                      RangeCase{"paddingPx", "1e9", &ContentViewState::paddingPx, 300.0},
                      RangeCase{"tintOpacity", "7", &ContentViewState::tintOpacity, 1.0},
                      RangeCase{"tintOpacity", "-0.5", &ContentViewState::tintOpacity, 0.0},
                      RangeCase{"tintColorOpacity", "3", &ContentViewState::tintColorOpacity, 1.0}));

TEST_F(SettingsStore, StoredColourOfTheWrongShapeIsIgnoredAtLoad) {
    ContentViewState &s = state();
    const Color red{1.0, 0.0, 0.0, 1.0};
    s.setColorSelection(red);
    for (const QVariant &garbage :
         {QVariant(QVariantList{0.5, 1.0}), QVariant(QVariantList{0.1, 0.2, 0.3, 0.4, 0.5}),
          QVariant(QVariantList{0.1, QStringLiteral("x"), 0.3, 0.4}), QVariant(QStringLiteral("blue"))}) {
        store().setValue(QStringLiteral("colorSelection"), garbage);
        s.loadSettings(store());
        EXPECT_EQ(s.colorSelection(), red) << garbage.toString().toStdString();
    }
    store().setValue(QStringLiteral("colorSelection"), QVariantList{0.0, 0.5, 0.0, 1.0});
    s.loadSettings(store());
    EXPECT_EQ(s.colorSelection(), (Color{0.0, 0.5, 0.0, 1.0}));
}

TEST_F(SettingsStore, ResetStoresTheDefaults) {
    ContentViewState &s = state();
    s.setForMacos(false);
    s.setForAndroid(false);
    s.setWithRoundedCorners(true);
    s.setRoundedCornersPx(120.0);
    s.setWithPadding(true);
    s.setPaddingPx(7.0);
    s.setWithTint(true);
    s.setTintOpacity(0.9);
    s.setColorSelection({0.2, 0.4, 0.6, 0.8});
    s.storeTintComponents();
    const ImageValidation verdict{true, QStringLiteral("kept"), ValidationType::Warning};
    s.setImageValidation(verdict);
    settle(s);

    s.resetToDefaults();
    EXPECT_TRUE(s.isPreviewing()); // effect settings changed, so the preview is recomputed
    EXPECT_EQ(s.imageValidation(), verdict);
    settle(s);
    reopenStore();

    QSettings file(path(QStringLiteral("settings.ini")), QSettings::IniFormat);
    for (const char *key : {"forMacos", "forIos", "forWatchos", "forAndroid", "forFavicon"})
        EXPECT_EQ(storedBool(file.value(QString::fromLatin1(key))), true) << key;
    for (const char *key : {"withRoundedCorners", "withPadding", "withTint"})
        EXPECT_EQ(storedBool(file.value(QString::fromLatin1(key))), false) << key;
    const auto number = [&file](const char *key) {
        return storedDouble(file.value(QString::fromLatin1(key)), -1, 1e6);
    };
    EXPECT_EQ(number("roundedCornersPx"), 229.0);
    EXPECT_EQ(number("paddingPx"), 100.0);
    EXPECT_EQ(number("tintOpacity"), 0.2);
    EXPECT_EQ(number("tintColorRed"), 0.0);
    EXPECT_EQ(number("tintColorGreen"), 0.0);
    EXPECT_EQ(number("tintColorBlue"), 1.0);
    EXPECT_EQ(number("tintColorOpacity"), 1.0);
    EXPECT_EQ(storedColor(file.value(QStringLiteral("colorSelection"))), opaqueBlue);
}

TEST_F(SettingsStore, UnchangedValueSetsOffNothing) {
    ContentViewState &s = state();
    store().remove(QStringLiteral("colorSelection"));
    QSignalSpy changed(&s, &ContentViewState::paddingPxChanged);
    s.setPaddingPx(s.paddingPx());
    s.setForMacos(true);
    s.setColorSelection(s.colorSelection());
    EXPECT_EQ(changed.count(), 0);
    EXPECT_FALSE(s.isPreviewing());
    EXPECT_FALSE(store().contains(QStringLiteral("colorSelection")));
}

TEST_F(SettingsStore, TintComponentKeyIsWrittenAtOnceButNotSaved) {
    ContentViewState &s = state();
    store().remove(QStringLiteral("colorSelection"));
    s.setTintColorGreen(0.25);
    EXPECT_EQ(store().value(QStringLiteral("tintColorGreen")).toDouble(), 0.25);
    EXPECT_FALSE(store().contains(QStringLiteral("colorSelection")));
    EXPECT_EQ(s.colorSelection(), opaqueBlue);
}

struct ReactionRow {
    const char *name;
    std::function<void(ContentViewState &)> change;
    bool previews;
    bool saves;
};

class ChangeReaction : public StateFixture, public ::testing::WithParamInterface<ReactionRow> {};

TEST_P(ChangeReaction, PreviewsAndSavesOnlyWhereItShould) {
    ContentViewState &s = state();
    // Only saveSettings writes this key, so its return tells a save.
    store().remove(QStringLiteral("colorSelection"));
    QSignalSpy busy(&s, &ContentViewState::isPreviewingChanged);
    GetParam().change(s);
    EXPECT_EQ(s.isPreviewing(), GetParam().previews);
    EXPECT_EQ(store().contains(QStringLiteral("colorSelection")), GetParam().saves);
    settle(s);
    EXPECT_EQ(busy.count(), GetParam().previews ? 2 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ChangeReaction,
    ::testing::Values(
        ReactionRow{"withRoundedCorners", [](ContentViewState &s) { s.setWithRoundedCorners(true); }, true,
                    true},
        ReactionRow{"roundedCornersPx", [](ContentViewState &s) { s.setRoundedCornersPx(180.0); }, true,
                    true},
        ReactionRow{"withPadding", [](ContentViewState &s) { s.setWithPadding(true); }, true, true},
        ReactionRow{"paddingPx", [](ContentViewState &s) { s.setPaddingPx(10.0); }, true, true},
        ReactionRow{"withTint", [](ContentViewState &s) { s.setWithTint(true); }, true, true},
        ReactionRow{"colorSelection",
                    [](ContentViewState &s) {
                        s.setColorSelection({1, 0, 0, 1});
                    },
                    true, true},
        ReactionRow{"tintOpacity", [](ContentViewState &s) { s.setTintOpacity(0.9); }, true, true},
        ReactionRow{"image", [](ContentViewState &s) { s.setImage(Image(filled(1024, Qt::green))); }, true,
                    false},
        ReactionRow{"forMacos", [](ContentViewState &s) { s.setForMacos(false); }, false, true},
        ReactionRow{"forIos", [](ContentViewState &s) { s.setForIos(false); }, false, true},
        ReactionRow{"forWatchos", [](ContentViewState &s) { s.setForWatchos(false); }, false, true},
        ReactionRow{"forAndroid", [](ContentViewState &s) { s.setForAndroid(false); }, false, true},
        ReactionRow{"forFavicon", [](ContentViewState &s) { s.setForFavicon(false); }, false, true},
        ReactionRow{"tintColorRed", [](ContentViewState &s) { s.setTintColorRed(0.5); }, false, false},
        ReactionRow{"tintColorGreen", [](ContentViewState &s) { s.setTintColorGreen(0.5); }, false, false},
        ReactionRow{"tintColorBlue", [](ContentViewState &s) { s.setTintColorBlue(0.5); }, false, false},
        ReactionRow{"tintColorOpacity", [](ContentViewState &s) { s.setTintColorOpacity(0.5); }, false,
                    false}),
    [](const ::testing::TestParamInfo<ReactionRow> &info) { return std::string(info.param.name); });

TEST_F(SettingsStore, ImageChangeShowsTheNewImageAtOnce) {
    ContentViewState &s = state();
    const Image green(filled(1024, Qt::green));
    s.setImage(green);
    ASSERT_TRUE(s.processedPreviewImage());
    EXPECT_EQ(s.processedPreviewImage()->bitmap().cacheKey(), green.bitmap().cacheKey());
}

TEST_F(SettingsStore, TheLastImageFolderIsRememberedAcrossStarts) {
    EXPECT_TRUE(state().lastImageFolder().isEmpty());
    // Any image taken in, dropped or opened, names the folder.
    state().acceptImage(QUrl::fromLocalFile(path(QStringLiteral("art/icon.png"))),
                        Image(filled(64, Qt::red)));
    EXPECT_EQ(state().lastImageFolder(), path(QStringLiteral("art")));
    reopenStore();
    EXPECT_EQ(state().lastImageFolder(), path(QStringLiteral("art")));
    state().setLastImageFolder(m_dir.path());
    EXPECT_EQ(state().lastImageFolder(), m_dir.path());
}

TEST_F(SettingsStore, ALastImageFolderThatIsNoPathReadsAsNone) {
    for (const QByteArray &value : {QByteArray("relative/folder"), QByteArray("1, 2, 3"), QByteArray("")}) {
        writeIni("[General]\nlastImageFolder=" + value + "\n");
        EXPECT_TRUE(state().lastImageFolder().isEmpty()) << value.constData();
    }
}

} // namespace
} // namespace glyphon::test
