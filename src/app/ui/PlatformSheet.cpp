#include "PlatformSheet.h"

#include "ButtonStyles.h"
#include "ColorWell.h"
#include "ContentViewState.h"
#include "SwitchToggle.h"
#include "Theme.h"

#include <QColorDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace glyphon {

namespace {

SwitchToggle *makeSwitch(const QString &title, const QString &help, QWidget *parent) {
    auto *toggle = new SwitchToggle(title, parent);
    toggle->setToolTip(help);
    toggle->setAccessibleDescription(help);
    return toggle;
}

// The newer targets: off by default, written beside the classic sets when switched on.
struct MoreFormat {
    Setting<bool> setting;
    const char *title;
    const char *help;
};

const MoreFormat moreFormats[] = {
    {settings::forIosSingle, "iOS Single Size",
     "One 1024 image each for the default, dark and tinted appearances (Xcode 14 and later)"},
    {settings::forWatchosSingle, "watchOS Single Size", "One opaque 1024 image (Xcode 14 and later)"},
    {settings::forIconComposer, "Icon Composer", "An AppIcon.icon document for Xcode 26"},
    {settings::forMacosIcns, "macOS .icns", "An AppIcon.icns for apps built without Xcode"},
    {settings::forAndroidAdaptive, "Android Adaptive",
     "Adaptive and themed launcher icons with the Play Store icon"},
    {settings::forWebModern, "Modern Web",
     "favicon.ico, SVG, touch icon and an installable web app manifest"},
    {settings::forWindows, "Windows", "A multi-size app.ico for desktop applications"},
    {settings::forLinux, "Linux", "A hicolor icon theme tree for desktop applications"},
};

} // namespace

PlatformSheet::PlatformSheet(ContentViewState &state, QWidget *parent) : QDialog(parent), m_state(state) {
    setWindowTitle(QStringLiteral("Select Platforms"));
    setAccessibleName(QStringLiteral("Select Platforms"));
    setWindowModality(Qt::WindowModal);
    setFixedWidth(sheetWidth);

    auto *title = new QLabel(QStringLiteral("Select Platforms"), this);
    QFont headline = title->font();
    headline.setWeight(QFont::DemiBold);
    headline.setPointSizeF(headline.pointSizeF() * 1.15);
    title->setFont(headline);
    title->setAlignment(Qt::AlignCenter);

    m_macos =
        makeSwitch(QStringLiteral("macOS"), QStringLiteral("Generate icons for macOS applications"), this);
    m_ios = makeSwitch(QStringLiteral("iOS"),
                       QStringLiteral("Generate icons for iPhone and iPad applications"), this);
    m_watchos = makeSwitch(QStringLiteral("watchOS"),
                           QStringLiteral("Generate icons for Apple Watch applications"), this);
    m_android =
        makeSwitch(QStringLiteral("Android"),
                   QStringLiteral("Generate icons for Android applications in various densities"), this);
    m_web = makeSwitch(QStringLiteral("FavIcon"),
                       QStringLiteral("Generate web favicon and related platform-specific icons"), this);

    m_cancel = new StyledButton(QStringLiteral("Cancel"), std::make_unique<SecondaryButtonStyle>(), this);
    m_createIcons =
        new StyledButton(QStringLiteral("Create Icons"), std::make_unique<PrimaryButtonStyle>(), this);
    m_cancel->setAutoDefault(false);
    m_createIcons->setDefault(true);

    m_noPlatformHint = new QLabel(QStringLiteral("Turn on at least one platform."), this);
    m_noPlatformHint->setAlignment(Qt::AlignCenter);
    QPalette hintPalette = m_noPlatformHint->palette();
    hintPalette.setColor(QPalette::WindowText, secondaryTextColor(hintPalette));
    m_noPlatformHint->setPalette(hintPalette);

    const auto row = [](std::initializer_list<QWidget *> widgets, int spacing) {
        auto *layout = new QHBoxLayout;
        layout->setSpacing(spacing);
        layout->addStretch();
        for (QWidget *widget : widgets)
            layout->addWidget(widget, 0, Qt::AlignVCenter);
        layout->addStretch();
        return layout;
    };

    auto *switches = new QVBoxLayout;
    switches->setSpacing(12);
    switches->setContentsMargins(16, 0, 16, 0);
    switches->addLayout(row({m_macos, m_ios, m_watchos}, 12));
    switches->addLayout(row({m_android, m_web}, 12));

    auto *moreTitle = new QLabel(QStringLiteral("More formats"), this);
    QFont groupFont = moreTitle->font();
    groupFont.setWeight(QFont::DemiBold);
    moreTitle->setFont(groupFont);
    moreTitle->setAlignment(Qt::AlignCenter);
    switches->addSpacing(8);
    switches->addWidget(moreTitle);
    auto *more = new QGridLayout;
    more->setHorizontalSpacing(24);
    more->setVerticalSpacing(12);
    int index = 0;
    for (const MoreFormat &format : moreFormats) {
        auto *toggle = makeSwitch(QString::fromUtf8(format.title), QString::fromUtf8(format.help), this);
        m_switches.append({toggle, format.setting});
        more->addWidget(toggle, index / 2, index % 2, Qt::AlignLeft | Qt::AlignVCenter);
        ++index;
    }
    auto *moreRow = new QHBoxLayout;
    moreRow->addStretch();
    moreRow->addLayout(more);
    moreRow->addStretch();
    switches->addLayout(moreRow);

    auto *backgroundLabel = new QLabel(QStringLiteral("Background"), this);
    m_backgroundWell = new ColorWell(this);
    const QString backgroundHelp = QStringLiteral(
        "Fills the transparent areas of icons that must be opaque, such as the App Store icon, and is the "
        "Icon Composer background");
    m_backgroundWell->setToolTip(backgroundHelp);
    m_backgroundWell->setAccessibleName(QStringLiteral("Background"));
    m_backgroundWell->setAccessibleDescription(backgroundHelp);
    backgroundLabel->setToolTip(backgroundHelp);
    switches->addLayout(row({backgroundLabel, m_backgroundWell}, 8));

    auto *buttons = row({m_cancel, m_createIcons}, 8);
    buttons->setContentsMargins(0, 8, 0, 0);

    auto *column = new QVBoxLayout(this);
    column->setSpacing(20);
    column->setContentsMargins(20, 20, 20, 20);
    column->addWidget(title);
    column->addLayout(switches);
    column->addWidget(m_noPlatformHint);
    column->addLayout(buttons);

    bind();
}

void PlatformSheet::cancelPressed() {
    m_state.setShowingPlatformSheet(false);
}

void PlatformSheet::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    // Return confirms, as in any dialog; the switches are a Tab away.
    m_createIcons->setFocus(Qt::OtherFocusReason);
}

void PlatformSheet::openBackgroundPicker() {
    Settings &values = m_state.settings();
    if (!m_backgroundPicker) {
        m_backgroundPicker = new QColorDialog(values.value(settings::backgroundColor).toQColor(), this);
        m_backgroundPicker->setWindowTitle(QStringLiteral("Background"));
        m_backgroundPicker->setOptions(QColorDialog::DontUseNativeDialog);
        connect(m_backgroundPicker, &QColorDialog::currentColorChanged, this, [&values](const QColor &color) {
            if (color.isValid())
                values.setValue(settings::backgroundColor, Color::fromQColor(color));
        });
    }
    const Color original = values.value(settings::backgroundColor);
    m_backgroundPicker->setCurrentColor(original.toQColor());
    // Cancel puts back the colour the picker opened on.
    disconnect(m_backgroundPicker, &QDialog::rejected, this, nullptr);
    connect(m_backgroundPicker, &QDialog::rejected, this,
            [&values, original] { values.setValue(settings::backgroundColor, original); });
    m_backgroundPicker->open();
}

void PlatformSheet::bind() {
    m_switches.prepend({m_web, settings::forFavicon});
    m_switches.prepend({m_android, settings::forAndroid});
    m_switches.prepend({m_watchos, settings::forWatchos});
    m_switches.prepend({m_ios, settings::forIos});
    m_switches.prepend({m_macos, settings::forMacos});
    Settings &values = m_state.settings();
    for (const auto &[toggle, setting] : m_switches)
        connect(toggle, &QCheckBox::toggled, this,
                [&values, setting = setting](bool on) { values.setValue(setting, on); });
    connect(m_backgroundWell, &QAbstractButton::clicked, this, &PlatformSheet::openBackgroundPicker);
    connect(m_cancel, &QPushButton::clicked, this, &PlatformSheet::cancelPressed);
    connect(m_createIcons, &QPushButton::clicked, this, [this] { m_state.createIconsPressed(); });

    connect(&values, &Settings::changed, this, [this](int index) {
        if (settingsSchema[std::size_t(index)].platform ||
            std::size_t(index) == settings::backgroundColor.index)
            refresh();
    });

    // Shown while the state says so; closing it any other way (Escape, the window manager) tells the state.
    connect(&m_state, &ContentViewState::showingPlatformSheetChanged, this, [this] {
        if (m_state.showingPlatformSheet() && !isVisible())
            open();
        else if (!m_state.showingPlatformSheet() && isVisible())
            done(QDialog::Rejected);
    });
    connect(this, &QDialog::finished, this, [this] { m_state.setShowingPlatformSheet(false); });
    refresh();
}

void PlatformSheet::refresh() {
    for (const auto &[toggle, setting] : m_switches) {
        const QSignalBlocker blocker(toggle);
        toggle->setChecked(m_state.settings().value(setting));
        toggle->update();
    }
    m_backgroundWell->setColor(m_state.settings().value(settings::backgroundColor).toQColor());
    const bool any = m_state.anyPlatformSelected();
    m_createIcons->setEnabled(any);
    m_createIcons->setToolTip(any ? QString() : m_noPlatformHint->text());
    m_noPlatformHint->setVisible(!any);
    // The sheet is as tall as its content, the hint's line included only while it shows.
    setFixedHeight(sizeHint().height());
}

} // namespace glyphon
