#include "Banner.h"

#include "Symbols.h"
#include "Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QVBoxLayout>
#include <cmath>

namespace glyphon {

namespace {

constexpr int symbolSize = 16;
// The bar works in thousandths of a step, so it moves smoothly even for a total of one or two.
constexpr int barResolution = 1000;

QColor symbolColor(Banner::Kind kind) {
    switch (kind) {
    case Banner::Kind::success:
        return QColor(0x4c, 0xd9, 0x64);
    case Banner::Kind::runFailures:
    case Banner::Kind::validationWarning:
        return QColor(0xff, 0xc4, 0x3d);
    case Banner::Kind::validationError:
        return QColor(0xff, 0x5f, 0x57);
    default:
        return Qt::white;
    }
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
      m_icon(new QLabel(m_messageContent)), m_text(new QLabel(m_messageContent)), m_veil(new Veil(this)) {
    setFixedHeight(bannerHeight);
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
    auto *message = new QHBoxLayout(m_messageContent);
    message->setContentsMargins(0, 0, 0, 0);
    message->setSpacing(8);
    message->addStretch();
    message->addWidget(m_icon, 0, Qt::AlignVCenter);
    message->addWidget(m_text, 0, Qt::AlignVCenter);
    message->addStretch();

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addWidget(m_progressContent, 1);
    layout->addWidget(m_messageContent, 1);
    m_progressContent->hide();
    m_messageContent->hide();
    m_veil->raise();
}

void Banner::showProgress(double value, double total) {
    m_kind = Kind::progress;
    m_symbol.clear();
    m_message = QStringLiteral("Generating...");
    m_messageContent->hide();
    m_progressContent->show();
    const double safeTotal = std::isfinite(total) && total > 0 ? total : 1.0;
    const double fraction = std::isfinite(value) ? std::clamp(value / safeTotal, 0.0, 1.0) : 0.0;
    m_bar->setRange(0, barResolution);
    m_bar->setValue(int(std::lround(fraction * barResolution)));
    m_bar->setAccessibleDescription(QString::number(value) + QStringLiteral(" of ") + QString::number(total));
}

void Banner::showMessage(Kind kind, const QString &symbol, const QString &message) {
    m_kind = kind;
    m_symbol = symbol;
    m_message = message;
    m_progressContent->hide();
    m_messageContent->show();
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap = QPixmap::fromImage(renderSymbol(symbol, symbolColor(kind), qRound(symbolSize * ratio)));
    pixmap.setDevicePixelRatio(ratio);
    m_icon->setPixmap(pixmap);
    m_icon->setAccessibleName(symbol);
    setToolTip(message);
    fitMessage();
}

void Banner::resizeEvent(QResizeEvent *event) {
    m_veil->setGeometry(rect());
    fitMessage();
    QWidget::resizeEvent(event);
}

void Banner::fitMessage() {
    // Two lines fit in the banner; a longer message is cut with an ellipsis and shown whole as a tooltip.
    // Broken by hand: a word-wrapping label would make the whole column height-for-width, and the
    // window's scroll area would then size the column by its preferred height instead of its minimum.
    const int lineWidth = qMax(40, width() - 2 * 10 - symbolSize - 8);
    const QFontMetrics metrics(m_text->font());
    const QStringList words = m_message.split(QLatin1Char(' '));
    QStringList lines{QString()};
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString candidate =
            lines.last().isEmpty() ? words[i] : lines.last() + QLatin1Char(' ') + words[i];
        if (lines.last().isEmpty() || metrics.horizontalAdvance(candidate) <= lineWidth) {
            lines.last() = candidate;
        } else if (lines.size() < 2) {
            lines << words[i];
        } else {
            lines.last() += QLatin1Char(' ') + words.sliced(i).join(QLatin1Char(' '));
            break;
        }
    }
    for (QString &text : lines)
        text = metrics.elidedText(text, Qt::ElideRight, lineWidth);
    m_text->setText(lines.join(QLatin1Char('\n')));
    m_text->setAccessibleName(m_message);
}

} // namespace glyphon
