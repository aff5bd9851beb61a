#include "Banner.h"

#include "ButtonStyles.h"
#include "Symbols.h"
#include "Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QResizeEvent>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <memory>

namespace glyphon {

namespace {

constexpr int symbolSize = 16;
constexpr int inset = 10;
constexpr int spacing = 8;
constexpr int contentHeight = Banner::bannerHeight - 2 * inset;
// The details box grows with its text up to this many lines; a longer list scrolls inside it.
constexpr int detailsLines = 9;
// The bar works in thousandths of a step, so it moves smoothly even for a total of one or two.
constexpr int barResolution = 1000;

QColor symbolColor(Banner::Kind kind) {
    switch (kind) {
    case Banner::Kind::Success:
        return QColor(0x4c, 0xd9, 0x64);
    case Banner::Kind::RunFailures:
    case Banner::Kind::ValidationWarning:
        return QColor(0xff, 0xc4, 0x3d);
    case Banner::Kind::NothingWritten:
    case Banner::Kind::OpenFailure:
    case Banner::Kind::ValidationError:
        return QColor(0xff, 0x5f, 0x57);
    default:
        return Qt::white;
    }
}

// Words into at most maxLines lines of lineWidth; what does not fit is cut with an ellipsis.
QStringList wrapped(const QString &text, const QFontMetrics &metrics, int lineWidth, int maxLines) {
    const QStringList words = text.split(QLatin1Char(' '));
    QStringList lines{QString()};
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString candidate =
            lines.last().isEmpty() ? words[i] : lines.last() + QLatin1Char(' ') + words[i];
        if (lines.last().isEmpty() || metrics.horizontalAdvance(candidate) <= lineWidth) {
            lines.last() = candidate;
        } else if (lines.size() < maxLines) {
            lines << words[i];
        } else {
            lines.last() += QLatin1Char(' ') + words.sliced(i).join(QLatin1Char(' '));
            break;
        }
    }
    for (QString &line : lines)
        line = metrics.elidedText(line, Qt::ElideRight, lineWidth);
    return lines;
}

} // namespace

// The banner's fill is drawn over its content, as the design has it; a translucent "ImageBg" lets the
// content through.
class Banner::Veil : public QWidget {
public:
    explicit Veil(QWidget *parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.fillRect(rect(), namedColor(u"ImageBg"));
    }
};

Banner::Banner(QWidget *parent)
    : QWidget(parent), m_progressContent(new QWidget(this)), m_progressLabel(new QLabel(m_progressContent)),
      m_bar(new QProgressBar(m_progressContent)), m_messageContent(new QWidget(this)),
      m_icon(new QLabel(m_messageContent)), m_text(new QLabel(m_messageContent)),
      m_subtitle(new QLabel(m_messageContent)),
      m_action(new StyledButton(QString(), std::make_unique<SecondaryButtonStyle>(), m_messageContent)),
      m_detailsButton(new StyledButton(QStringLiteral("Details"), std::make_unique<SecondaryButtonStyle>(),
                                       m_messageContent)),
      m_close(new QToolButton(m_messageContent)), m_details(new QTextEdit(this)), m_veil(new Veil(this)) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    m_progressLabel->setText(QStringLiteral("Generating..."));
    m_bar->setTextVisible(false);
    m_bar->setFixedHeight(6);
    m_bar->setStyleSheet(QStringLiteral("QProgressBar { border: none; border-radius: 3px;"
                                        " background: rgba(255, 255, 255, 36); }"
                                        "QProgressBar::chunk { border-radius: 3px; background: %1; }")
                             .arg(namedColor(u"AppColor").name()));
    m_bar->setAccessibleName(QStringLiteral("Generating..."));
    auto *progress = new QVBoxLayout(m_progressContent);
    progress->setContentsMargins(0, 0, 0, 0);
    progress->setSpacing(4);
    progress->addWidget(m_progressLabel);
    progress->addWidget(m_bar);

    m_icon->setFixedSize(symbolSize, symbolSize);
    m_text->setTextFormat(Qt::PlainText);
    m_subtitle->setTextFormat(Qt::PlainText);
    QPalette secondary = m_subtitle->palette();
    secondary.setColor(QPalette::WindowText, secondaryTextColor(secondary));
    m_subtitle->setPalette(secondary);
    auto *texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(0);
    texts->addWidget(m_text);
    texts->addWidget(m_subtitle);

    m_action->setAutoDefault(false);
    m_detailsButton->setAutoDefault(false);
    m_close->setAutoRaise(true);
    m_close->setFixedSize(24, 24);
    m_close->setIconSize(QSize(12, 12));
    m_close->setIcon(symbolIcon(QStringLiteral("xmark"), palette().color(QPalette::WindowText)));
    m_close->setToolTip(QStringLiteral("Dismiss"));
    m_close->setAccessibleName(QStringLiteral("Dismiss"));
    m_close->setCursor(Qt::PointingHandCursor);
    connect(m_action, &QPushButton::clicked, this, &Banner::actionTriggered);
    connect(m_close, &QToolButton::clicked, this, &Banner::dismissRequested);
    connect(m_detailsButton, &QPushButton::clicked, this, [this] { setDetailsShown(!detailsShown()); });

    auto *message = new QHBoxLayout(m_messageContent);
    message->setContentsMargins(0, 0, 0, 0);
    message->setSpacing(spacing);
    message->addStretch();
    message->addWidget(m_icon, 0, Qt::AlignVCenter);
    message->addLayout(texts);
    message->addStretch();
    message->addWidget(m_action, 0, Qt::AlignVCenter);
    message->addWidget(m_detailsButton, 0, Qt::AlignVCenter);
    message->addWidget(m_close, 0, Qt::AlignVCenter);

    // Each failure whole, wrapped, selectable so it can be copied into a report.
    m_details->setReadOnly(true);
    // Tab leaves the list for the next control instead of being typed into it.
    m_details->setTabChangesFocus(true);
    m_details->setAccessibleName(QStringLiteral("Details"));
    m_details->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    m_progressContent->setFixedHeight(contentHeight);
    m_messageContent->setFixedHeight(contentHeight);
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_progressContent, 1);
    row->addWidget(m_messageContent, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(inset, inset, inset, inset);
    layout->setSpacing(spacing);
    layout->addLayout(row);
    layout->addWidget(m_details);
    m_progressContent->hide();
    m_messageContent->hide();
    m_subtitle->hide();
    m_action->hide();
    m_detailsButton->hide();
    m_close->hide();
    m_details->hide();
    m_veil->raise();
    fitHeight();
}

bool Banner::detailsShown() const {
    return !m_details->isHidden();
}

void Banner::setDetailsShown(bool shown) {
    shown = shown && !m_extras.details.isEmpty() && m_kind != Kind::Progress;
    m_details->setVisible(shown);
    m_detailsButton->setText(shown ? QStringLiteral("Hide Details") : QStringLiteral("Details"));
    m_detailsButton->setAccessibleName(m_detailsButton->text());
    fitHeight();
    fitMessage();
}

void Banner::showProgress(double value, double total) {
    m_kind = Kind::Progress;
    m_symbol.clear();
    m_message = QStringLiteral("Generating...");
    m_extras = {};
    m_messageContent->hide();
    m_details->hide();
    m_progressContent->show();
    fitHeight();
    const double safeTotal = std::isfinite(total) && total > 0 ? total : 1.0;
    const double fraction = std::isfinite(value) ? std::clamp(value / safeTotal, 0.0, 1.0) : 0.0;
    m_bar->setRange(0, barResolution);
    m_bar->setValue(int(std::lround(fraction * barResolution)));
    m_bar->setAccessibleDescription(QString::number(value) + QStringLiteral(" of ") + QString::number(total));
}

void Banner::showMessage(Kind kind, const QString &symbol, const QString &message, const Extras &extras) {
    const bool sameDetails = m_kind == kind && m_extras.details == extras.details;
    m_kind = kind;
    m_symbol = symbol;
    m_message = message;
    m_extras = extras;
    m_progressContent->hide();
    m_messageContent->show();
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap = QPixmap::fromImage(renderSymbol(symbol, symbolColor(kind), qRound(symbolSize * ratio)));
    pixmap.setDevicePixelRatio(ratio);
    m_icon->setPixmap(pixmap);
    m_icon->setAccessibleName(symbol);
    setToolTip(extras.subtitle.isEmpty() ? message : message + QLatin1Char('\n') + extras.subtitle);

    m_subtitle->setVisible(!extras.subtitle.isEmpty());
    m_subtitle->setAccessibleName(extras.subtitle);
    m_action->setText(extras.actionLabel);
    m_action->setAccessibleName(extras.actionLabel);
    m_action->setVisible(!extras.actionLabel.isEmpty());
    m_close->setVisible(extras.dismissible);
    m_detailsButton->setVisible(!extras.details.isEmpty());
    if (!sameDetails) {
        QString html;
        for (const QString &line : extras.details)
            html += QStringLiteral("<p style=\"margin-bottom: 4px\">") + line.toHtmlEscaped() +
                    QStringLiteral("</p>");
        m_details->setHtml(html);
        setDetailsShown(false);
    } else {
        setDetailsShown(detailsShown());
    }
}

void Banner::resizeEvent(QResizeEvent *event) {
    m_veil->setGeometry(rect());
    if (event->size().width() != event->oldSize().width())
        fitHeight();
    fitMessage();
    QWidget::resizeEvent(event);
}

void Banner::fitHeight() {
    // A fixed height set here, never a height-for-width layout: that would make the whole column
    // height-for-width, and the window's scroll area would then size the column by its preferred height.
    // Only the open details follow the width, wrapped as the box will show them.
    int height = bannerHeight;
    if (detailsShown()) {
        const std::unique_ptr<QTextDocument> text(m_details->document()->clone());
        text->setTextWidth(width() - 2 * inset - 2 * m_details->frameWidth());
        const int line = m_details->fontMetrics().lineSpacing();
        const int box = std::clamp(int(std::ceil(text->size().height())), 2 * line, detailsLines * line) +
                        2 * m_details->frameWidth();
        if (m_details->height() != box)
            m_details->setFixedHeight(box);
        height += spacing + box;
    }
    if (minimumHeight() != height || maximumHeight() != height)
        setFixedHeight(height);
}

void Banner::fitMessage() {
    // Two lines fit in the banner, one beside a subtitle; a longer message is cut with an ellipsis and shown
    // whole as a tooltip.
    int buttons = 0;
    for (QWidget *button : {static_cast<QWidget *>(m_action), static_cast<QWidget *>(m_detailsButton),
                            static_cast<QWidget *>(m_close)})
        if (!button->isHidden())
            buttons += button->sizeHint().width() + spacing;
    const int lineWidth = qMax(40, width() - 2 * inset - symbolSize - spacing - buttons);
    const QFontMetrics metrics(m_text->font());
    m_text->setText(
        wrapped(m_message, metrics, lineWidth, m_extras.subtitle.isEmpty() ? 2 : 1).join(QLatin1Char('\n')));
    m_text->setAccessibleName(m_message);
    m_subtitle->setText(
        QFontMetrics(m_subtitle->font()).elidedText(m_extras.subtitle, Qt::ElideMiddle, lineWidth));
}

} // namespace glyphon
