#include "SettingsPanel.h"

#include "ColorWell.h"
#include "ContentViewState.h"
#include "Symbols.h"
#include "Theme.h"
#include "ValueSlider.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QVBoxLayout>
#include <cmath>
#include <limits>

namespace glyphon {

namespace {

constexpr int sliderWidth = 150;

// A checkbox that marks keyboard focus with the window's ring around box and title, in place of the
// style's faint frame around the title alone.
class RingedCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void paintEvent(QPaintEvent *) override {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        option.state &= ~QStyle::State_HasFocus;
        painter.drawControl(QStyle::CE_CheckBox, option);
        if (hasFocus())
            drawFocusRing(painter, QRectF(rect()), 6);
    }
};

QCheckBox *makeCheckBox(const QString &title, const QString &help, QWidget *parent) {
    auto *box = new RingedCheckBox(title, parent);
    box->setToolTip(help);
    box->setAccessibleName(title);
    box->setAccessibleDescription(help);
    return box;
}

// A slider over the setting's declared range, in its declared steps.
ValueSlider *makeSlider(Setting<double> setting, int units, const QString &name, const QString &help,
                        QWidget *parent) {
    const SettingRange &range = setting.declared().range;
    auto *slider = new ValueSlider(range.minimum, range.maximum, range.step, units, parent);
    slider->setFixedWidth(sliderWidth);
    slider->setToolTip(help);
    slider->setAccessibleName(name);
    slider->setAccessibleDescription(help);
    return slider;
}

QLabel *makeValueText(int width, QWidget *parent) {
    auto *label = new QLabel(parent);
    label->setFixedWidth(width);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// A value row that keeps a 20-point block in the column while its content is hidden.
QWidget *makeRowSlot(QWidget *parent, QHBoxLayout *&content) {
    auto *slot = new QWidget(parent);
    slot->setMinimumHeight(SettingsPanel::hiddenRowHeight);
    content = new QHBoxLayout(slot);
    content->setContentsMargins(0, 0, 0, 0);
    return slot;
}

// Whole units of a value, truncated toward zero. A value a hair below a whole number (0.29 × 100) still
// counts as that number, and anything that is not a finite 64-bit integer shows as 0.
qint64 wholeUnits(double value) {
    const double nudged = value + std::copysign(1e-9, value);
    if (!std::isfinite(nudged) || std::fabs(nudged) >= 9.2e18)
        return 0;
    return qint64(std::trunc(nudged));
}

} // namespace

QString SettingsPanel::pixelText(double pixels) {
    return QString::number(wholeUnits(pixels)) + QStringLiteral(" px");
}

QString SettingsPanel::percentText(double opacity) {
    return QString::number(wholeUnits(opacity * 100.0)) + QStringLiteral("%");
}

SettingsPanel::SettingsPanel(ContentViewState &state, QWidget *parent) : QWidget(parent), m_state(state) {
    setAccessibleName(QStringLiteral("Settings"));
    m_roundedCorners =
        makeCheckBox(QStringLiteral("Rounded corners"),
                     QStringLiteral("Apply rounded corners to the icon (recommended for macOS apps)"), this);
    m_padding =
        makeCheckBox(QStringLiteral("With padding"), QStringLiteral("Add padding around the icon"), this);
    m_tint = makeCheckBox(QStringLiteral("Apply color tint"),
                          QStringLiteral("Overlay a color tint on the icon"), this);

    QHBoxLayout *radiusLayout = nullptr;
    m_radiusRow = makeRowSlot(this, radiusLayout);
    m_radiusText = makeValueText(60, m_radiusRow);
    m_radiusSlider = makeSlider(settings::roundedCornersPx, 1, QStringLiteral("Corner radius"),
                                QStringLiteral("Adjust the corner radius in pixels"), m_radiusRow);
    radiusLayout->addWidget(m_radiusText);
    radiusLayout->addWidget(m_radiusSlider);

    QHBoxLayout *paddingLayout = nullptr;
    m_paddingRow = makeRowSlot(this, paddingLayout);
    m_paddingText = makeValueText(60, m_paddingRow);
    m_paddingSlider = makeSlider(settings::paddingPx, 1, QStringLiteral("Padding"),
                                 QStringLiteral("Adjust the padding amount in pixels"), m_paddingRow);
    paddingLayout->addWidget(m_paddingText);
    paddingLayout->addWidget(m_paddingSlider);

    QHBoxLayout *tintLayout = nullptr;
    m_tintRow = makeRowSlot(this, tintLayout);
    tintLayout->setSpacing(12);
    m_colorWell = new ColorWell(m_tintRow);
    m_colorWell->setToolTip(QStringLiteral("Choose tint color"));
    m_colorWell->setAccessibleName(QStringLiteral("Tint color"));
    m_colorWell->setAccessibleDescription(QStringLiteral("Choose tint color"));
    m_opacityText = makeValueText(44, m_tintRow);
    m_opacitySlider = makeSlider(settings::tintOpacity, 100, QStringLiteral("Tint opacity"),
                                 QStringLiteral("Adjust tint opacity"), m_tintRow);
    tintLayout->addWidget(m_colorWell);
    tintLayout->addWidget(m_opacityText);
    tintLayout->addWidget(m_opacitySlider);

    // The rows share grid lines with their checkboxes, so a hidden row's block keeps them level.
    auto *controls = new QGridLayout;
    controls->setContentsMargins(16, 0, 16, 0);
    controls->setVerticalSpacing(16);
    controls->setColumnStretch(1, 1);
    const QList<std::pair<QCheckBox *, QWidget *>> rows = {
        {m_roundedCorners, m_radiusRow}, {m_padding, m_paddingRow}, {m_tint, m_tintRow}};
    for (int row = 0; row < rows.size(); ++row) {
        controls->addWidget(rows[row].first, row, 0, Qt::AlignLeft | Qt::AlignVCenter);
        controls->addWidget(rows[row].second, row, 2, Qt::AlignRight | Qt::AlignVCenter);
    }

    // Checkboxes in the accent colour with the app's own check mark, to match the switches and sliders.
    setStyleSheet(
        QStringLiteral("QCheckBox { spacing: 8px; padding: 3px 8px 3px 5px; }"
                       "QCheckBox::indicator { width: 14px; height: 14px; border-radius: 4px;"
                       " border: 1px solid rgba(255, 255, 255, 70); background: rgba(255, 255, 255, 14); }"
                       "QCheckBox::indicator:checked { border: 1px solid %1; background: %1;"
                       " image: url(:/ui/symbols/checkmark.svg); }"
                       "QCheckBox::indicator:disabled { border: 1px solid rgba(255, 255, 255, 30); }"
                       "QCheckBox::indicator:checked:disabled { background: rgba(255, 255, 255, 40); }"
                       // A borderless button with the window's focus ring, which Fusion's flat one lacks.
                       "QPushButton#reset { border: 2px solid transparent; border-radius: 6px;"
                       " padding: 3px 8px; background: transparent; }"
                       "QPushButton#reset:hover { background: rgba(255, 255, 255, 10); }"
                       "QPushButton#reset:pressed { background: rgba(255, 255, 255, 20); }"
                       "QPushButton#reset:focus { border-color: %2; }")
            .arg(namedColor(u"AppColor").name(), focusRingColor().name()));

    auto *divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFixedHeight(1);
    divider->setStyleSheet(QStringLiteral("background: rgba(255, 255, 255, 30); border: none;"));

    m_reset = new QPushButton(QStringLiteral("Reset to Defaults"), this);
    m_reset->setIcon(
        symbolIcon(QStringLiteral("arrow.counterclockwise"), palette().color(QPalette::WindowText)));
    m_reset->setIconSize(QSize(14, 14));
    m_reset->setFlat(true);
    m_reset->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_reset->setToolTip(QStringLiteral("Reset all settings to their default values"));
    m_reset->setAccessibleName(QStringLiteral("Reset to Defaults"));
    m_reset->setAccessibleDescription(QStringLiteral("Reset all settings to their default values"));
    m_reset->setObjectName(QStringLiteral("reset"));
    m_reset->setFocusPolicy(Qt::TabFocus);
    m_reset->setCursor(Qt::PointingHandCursor);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 8, 0, 8);
    column->setSpacing(16);
    column->addLayout(controls);
    column->addWidget(divider);
    auto *resetRow = new QHBoxLayout;
    resetRow->setContentsMargins(16, 0, 16, 0);
    resetRow->addWidget(m_reset);
    column->addLayout(resetRow);

    bind();
}

void SettingsPanel::bind() {
    m_switches = {{m_roundedCorners, settings::withRoundedCorners, m_radiusRow},
                  {m_padding, settings::withPadding, m_paddingRow},
                  {m_tint, settings::withTint, m_tintRow}};
    m_values = {{m_radiusSlider, settings::roundedCornersPx, m_radiusText, &SettingsPanel::pixelText},
                {m_paddingSlider, settings::paddingPx, m_paddingText, &SettingsPanel::pixelText},
                {m_opacitySlider, settings::tintOpacity, m_opacityText, &SettingsPanel::percentText}};
    Settings &values = m_state.settings();
    for (const EffectSwitch &effect : m_switches)
        connect(effect.box, &QCheckBox::toggled, this,
                [&values, setting = effect.setting](bool on) { values.setValue(setting, on); });
    for (const EffectValue &value : m_values)
        connect(value.slider, &ValueSlider::valueEdited, this,
                [&values, setting = value.setting](double v) { values.setValue(setting, v); });
    connect(m_colorWell, &QAbstractButton::clicked, this, &SettingsPanel::openColorPicker);
    connect(m_reset, &QPushButton::clicked, this, [this] {
        emit fadeRequested();
        m_state.resetToDefaults();
    });

    connect(&values, &Settings::changed, this, &SettingsPanel::refresh);
    connect(&m_state, &ContentViewState::somethingDroppedChanged, this, &SettingsPanel::refresh);
    // Edits made while the picker is open are kept in the tint keys as they happen.
    connect(&m_state, &ContentViewState::colorSelectionChanged, this, [this] {
        if (m_picker && m_picker->isVisible())
            m_state.storeTintComponents();
    });
    refresh();
}

void SettingsPanel::refresh() {
    const Settings &values = m_state.settings();
    // The opacity slider too: a setting that moves while every other one is locked looks like a fault.
    const bool dropped = m_state.somethingDropped();
    for (QWidget *control :
         std::initializer_list<QWidget *>{m_roundedCorners, m_padding, m_tint, m_radiusSlider,
                                          m_paddingSlider, m_opacitySlider, m_colorWell, m_reset})
        control->setEnabled(dropped);

    for (const EffectSwitch &effect : m_switches) {
        const bool on = values.value(effect.setting);
        const QSignalBlocker blocker(effect.box);
        effect.box->setChecked(on);
        for (QWidget *child : effect.row->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            child->setVisible(on);
    }
    for (const EffectValue &value : m_values) {
        value.slider->showValue(values.value(value.setting));
        value.text->setText(value.format(values.value(value.setting)));
    }
    m_colorWell->setColor(m_state.colorSelection().toQColor());
}

void SettingsPanel::openColorPicker() {
    if (m_picker)
        return;
    const Color original = m_state.colorSelection();
    m_picker = new QColorDialog(original.toQColor(), window());
    m_picker->setAttribute(Qt::WA_DeleteOnClose);
    m_picker->setWindowTitle(QStringLiteral("Tint Color"));
    // Qt's own picker on every desktop: it reports every change as it happens, so the preview follows.
    m_picker->setOptions(QColorDialog::ShowAlphaChannel | QColorDialog::DontUseNativeDialog);
    m_picker->setWindowModality(Qt::WindowModal);
    connect(m_picker, &QColorDialog::currentColorChanged, this,
            [this](const QColor &color) { m_state.setColorSelection(Color::fromQColor(color)); });
    connect(m_picker, &QColorDialog::colorSelected, this, [this](const QColor &color) {
        m_state.setColorSelection(Color::fromQColor(color));
        m_state.storeTintComponents();
    });
    connect(m_picker, &QDialog::rejected, this, [this, original] {
        // Cancel means "as it was": the colour and its stored components go back.
        m_state.setColorSelection(original);
        m_state.storeTintComponents();
    });
    m_picker->open();
}

} // namespace glyphon
