#include "ContentView.h"

#include "Banner.h"
#include "ButtonStyles.h"
#include "ContentViewState.h"
#include "CrossFade.h"
#include "DisclosureGroup.h"
#include "ImageArea.h"
#include "OutcomeBanner.h"
#include "PlatformSheet.h"
#include "SettingsPanel.h"
#include "Symbols.h"

#include <QHBoxLayout>
#include <QMessageBox>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>

namespace glyphon {

ContentView::ContentView(ContentViewState &state, QWidget *parent)
    : QWidget(parent), m_state(state), m_scroll(new QScrollArea(this)) {
    setAccessibleName(QStringLiteral("Glyphon"));
    auto *column = new QWidget;
    m_imageArea = new ImageArea(state, column);
    m_progressBanner = new Banner(column);
    m_outcomeBanner = new OutcomeBanner(state, column);
    m_settingsPanel = new SettingsPanel(state);
    m_settings = new DisclosureGroup(QStringLiteral("Settings"), QStringLiteral("gearshape.fill"),
                                     m_settingsPanel, column);
    m_generate = new StyledButton(QStringLiteral("Generate"), std::make_unique<CustomButtonStyle>(), column);
    m_sheet = new PlatformSheet(state, this);

    auto *settingsRow = new QHBoxLayout;
    settingsRow->setContentsMargins(5 + 10, 5, 5 + 10, 5);
    settingsRow->addWidget(m_settings);

    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(m_imageArea, 1);
    layout->addWidget(m_progressBanner);
    layout->addWidget(m_outcomeBanner);
    layout->addLayout(settingsRow);
    layout->addWidget(m_generate);

    // At the smallest window an open panel may not fit; the column then scrolls instead of squeezing.
    m_scroll->setWidget(column);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A container, not a control: Tab goes straight to what is in it.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_scroll);

    bind();
}

void ContentView::bind() {
    connect(m_generate, &QPushButton::clicked, this, [this] { m_state.generatePressed(); });
    // From anywhere in the window, as a click would: nothing while the button is disabled.
    auto *generateShortcut = new QShortcut(this);
    generateShortcut->setKeys(
        {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    connect(generateShortcut, &QShortcut::activated, m_generate, [this] {
        if (m_generate->isEnabled())
            m_generate->animateClick();
    });
    m_generate->setToolTip(
        QStringLiteral("Generate (%1)").arg(generateShortcut->key().toString(QKeySequence::NativeText)));
    // Clearing, the grid toggle and the reset change the window at a stroke; the whole view blends over.
    connect(m_imageArea, &ImageArea::fadeRequested, this, [this] { CrossFade::start(this); });
    connect(m_settingsPanel, &SettingsPanel::fadeRequested, this, [this] { CrossFade::start(this); });
    connect(m_settings, &DisclosureGroup::expansionRequested, this,
            [this](bool expanded) { m_state.setIsExpanded(expanded); });
    connect(&m_state, &ContentViewState::isExpandedChanged, this,
            [this] { m_settings->setExpanded(m_state.isExpanded(), isVisible()); });
    m_settings->setExpanded(m_state.isExpanded(), false);

    for (auto signal : {&ContentViewState::hasProgressChanged, &ContentViewState::progressChanged,
                        &ContentViewState::totalProgressChanged})
        connect(&m_state, signal, this, &ContentView::refreshBanners);
    for (auto signal : {&ContentViewState::isProcessingChanged, &ContentViewState::imageValidationChanged})
        connect(&m_state, signal, this, &ContentView::refreshGenerate);
    connect(&m_state, &ContentViewState::showNoImageAlertChanged, this, [this] {
        if (m_state.showNoImageAlert())
            showNoImageAlert();
        else if (m_alert)
            m_alert->done(QMessageBox::Ok);
    });
    refreshBanners();
    refreshGenerate();
}

void ContentView::refreshBanners() {
    m_progressBanner->setVisible(m_state.hasProgress());
    if (m_state.hasProgress())
        m_progressBanner->showProgress(m_state.progress(), m_state.totalProgress());
}

void ContentView::refreshGenerate() {
    const auto &validation = m_state.imageValidation();
    const bool rejected = validation && validation->type == ValidationType::Error;
    m_generate->setEnabled(!m_state.isProcessing() && !rejected);
}

void ContentView::showNoImageAlert() {
    if (m_alert)
        return;
    m_alert = new QMessageBox(this);
    m_alert->setAttribute(Qt::WA_DeleteOnClose);
    m_alert->setWindowTitle(QStringLiteral("No Image Selected"));
    m_alert->setText(QStringLiteral("No Image Selected"));
    m_alert->setInformativeText(QStringLiteral("Please choose an image first"));
    m_alert->setIconPixmap(
        symbolIcon(QStringLiteral("exclamationmark.circle"), palette().color(QPalette::WindowText))
            .pixmap(QSize(40, 40), devicePixelRatioF()));
    m_alert->setStandardButtons(QMessageBox::Ok);
    m_alert->setDefaultButton(QMessageBox::Ok);
    m_alert->button(QMessageBox::Ok)->setIcon(QIcon());
    m_alert->setStyleSheet(QStringLiteral("QLabel#qt_msgbox_label { font-weight: 600; }"
                                          "QLabel#qt_msgbox_informativelabel { min-width: 220px; }"));
    m_alert->setWindowModality(Qt::WindowModal);
    connect(m_alert, &QMessageBox::finished, this, [this] { m_state.setShowNoImageAlert(false); });
    m_alert->open();
}

} // namespace glyphon
