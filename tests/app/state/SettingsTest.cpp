#include "StateTestSupport.h"

#include "Settings.h"
#include "SettingsValues.h"

#include <QFile>
#include <QMetaProperty>
#include <QSignalSpy>
#include <limits>
#include <set>

namespace glyphon::test {
namespace {

// The settings table and the part that holds its values, without the state around them.
class SettingsPart : public StateFixture {
protected:
    QByteArray fileText() {
        store().sync();
        return test::fileBytes(path(QStringLiteral("settings.ini")));
    }
};

TEST(SettingsSchema, EveryKeyIsUniqueAndNamesThePropertyItBacks) {
    const QMetaType types[] = {QMetaType::fromType<bool>(), QMetaType::fromType<double>(), QMetaType(),
                               QMetaType::fromType<QString>()};
    std::set<std::u16string_view> keys;
    const QMetaObject &state = ContentViewState::staticMetaObject;
    for (const SettingDeclaration &declared : settingsSchema) {
        SCOPED_TRACE(declared.name().toStdString());
        EXPECT_TRUE(keys.insert(declared.key).second);
        // A colour is no property type, the image folder is kept for the file dialog alone, and the newer
        // targets' switches bind to their rows directly.
        if (declared.type == SettingType::Color || declared.key == u"lastImageFolder" ||
            (declared.platform && !isClassicSet(*declared.platform)))
            continue;
        const int index = state.indexOfProperty(declared.name().toLatin1().constData());
        ASSERT_GE(index, 0);
        EXPECT_EQ(state.property(index).metaType(), types[int(declared.type)]);
    }
}

TEST(SettingsSchema, TheEffectDefaultsAreTheEnginesAndEveryDefaultIsInItsRange) {
    const EffectSettings engine;
    EXPECT_EQ(defaultOf(settings::roundedCornersPx), engine.roundedCornersPx);
    EXPECT_EQ(defaultOf(settings::paddingPx), engine.paddingPx);
    EXPECT_EQ(defaultOf(settings::tintOpacity), engine.tintOpacity);
    EXPECT_EQ(settings::colorSelection.declared().defaultColor, engine.colorSelection);
    for (const SettingDeclaration &declared : settingsSchema)
        if (declared.type == SettingType::Number) {
            EXPECT_GE(declared.defaultNumber, declared.range.minimum) << declared.name().toStdString();
            EXPECT_LE(declared.defaultNumber, declared.range.maximum) << declared.name().toStdString();
        }
}

TEST_F(SettingsPart, ValuesAreClampedAndWhatCannotBeHeldChangesNothing) {
    Settings values(store());
    QSignalSpy changed(&values, &Settings::changed);
    values.setValue(settings::paddingPx, 1e6);
    EXPECT_EQ(values.value(settings::paddingPx), 300.0);
    values.setValue(settings::roundedCornersPx, -5.0);
    EXPECT_EQ(values.value(settings::roundedCornersPx), 100.0);
    values.setValue(settings::tintColorRed, 2.0);
    EXPECT_EQ(values.value(settings::tintColorRed), 1.0);
    values.setValue(settings::colorSelection, Color{-1.0, 0.5, 3.0, 1.0});
    EXPECT_EQ(values.value(settings::colorSelection), (Color{0.0, 0.5, 1.0, 1.0}));
    ASSERT_EQ(changed.count(), 4);

    values.setValue(settings::paddingPx, std::numeric_limits<double>::quiet_NaN());
    values.setValue(settings::colorSelection, Color{0.0, std::numeric_limits<double>::infinity(), 0.0, 1.0});
    values.setValue(settings::lastOutputFolder, QStringLiteral("relative/icons"));
    values.setValue(settings::lastImageFolder, QString());
    values.setValueAt(settings::paddingPx.index, SettingValue(true)); // the wrong type
    EXPECT_EQ(changed.count(), 4);
    EXPECT_EQ(values.value(settings::paddingPx), 300.0);
    EXPECT_TRUE(values.value(settings::lastOutputFolder).isEmpty());
}

TEST_F(SettingsPart, ABoundKeyIsWrittenAtOnceAndAReactionSavesTheRest) {
    Settings values(store());
    values.setValue(settings::tintColorGreen, 0.5);
    values.setValue(settings::isExpanded, true);
    EXPECT_EQ(store().allKeys(),
              (QStringList{QStringLiteral("isExpanded"), QStringLiteral("tintColorGreen")}));

    values.setValue(settings::forIos, false);
    QStringList expected{QStringLiteral("isExpanded"), QStringLiteral("tintColorGreen")};
    for (const SettingDeclaration &declared : settingsSchema)
        if (declared.reaction != SettingReaction::None)
            expected << declared.name();
    expected.sort();
    QStringList keys = store().allKeys();
    keys.sort();
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(storedColor(store().value(QStringLiteral("colorSelection"))), defaultTint);
}

TEST_F(SettingsPart, LoadingWritesNothingBackEvenWhatItHadToClamp) {
    writeIni("[General]\nroundedCornersPx=5000\nwithTint=banana\ntintColorRed=7\nisExpanded=true\n");
    const QByteArray before = fileText();
    {
        Settings values(store());
        EXPECT_EQ(values.value(settings::roundedCornersPx), 300.0);
        EXPECT_FALSE(values.value(settings::withTint));
        EXPECT_EQ(values.value(settings::colorSelection), (Color{1.0, 0.0, 1.0, 1.0}));
        EXPECT_TRUE(values.value(settings::isExpanded));
    }
    EXPECT_EQ(fileText(), before);
}

TEST_F(SettingsPart, ResetRestoresInTableOrderAndLeavesWhatTheWindowRemembers) {
    Settings values(store());
    for (std::size_t i = 0; i < settingCount; ++i) {
        const SettingDeclaration &declared = settingsSchema[i];
        switch (declared.type) {
        case SettingType::Flag:
            values.setValueAt(i, SettingValue(!std::get<bool>(declaredDefault(declared))));
            break;
        case SettingType::Number:
            values.setValueAt(i, SettingValue(declared.range.maximum == declared.defaultNumber
                                                  ? declared.range.minimum
                                                  : declared.range.maximum));
            break;
        case SettingType::Color:
            values.setValueAt(i, SettingValue(Color{1.0, 0.5, 0.0, 1.0}));
            break;
        case SettingType::Folder:
            values.setValueAt(i, SettingValue(m_dir.path()));
            break;
        }
    }
    QSignalSpy changed(&values, &Settings::changed);
    values.resetToDefaults();
    QList<int> expected;
    for (std::size_t i = 0; i < settingCount; ++i) {
        if (settingsSchema[i].resets) {
            expected << int(i);
            EXPECT_EQ(values.valueAt(i), declaredDefault(settingsSchema[i])) << i;
        } else {
            EXPECT_NE(values.valueAt(i), declaredDefault(settingsSchema[i])) << i;
        }
    }
    QList<int> order;
    for (const QList<QVariant> &signal : changed)
        order << signal.first().toInt();
    EXPECT_EQ(order, expected);
}

TEST_F(SettingsPart, ARunGetsTheSelectedPlatformsInTheirFixedOrder) {
    Settings values(store());
    EXPECT_EQ(values.selectedPlatforms(), (QList<Platform>{Platform::MacOS, Platform::IOS, Platform::WatchOS,
                                                           Platform::Android, Platform::Web}));
    values.setValue(settings::forMacos, false);
    values.setValue(settings::forAndroid, false);
    EXPECT_EQ(values.selectedPlatforms(), (QList<Platform>{Platform::IOS, Platform::WatchOS, Platform::Web}));
}

} // namespace
} // namespace glyphon::test
