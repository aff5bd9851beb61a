#pragma once

#include <QAbstractButton>
#include <QWidget>

class QVariantAnimation;

namespace glyphon {

// The clickable title row of a disclosure group: chevron, symbol and title.
class DisclosureHeader : public QAbstractButton {
    Q_OBJECT
public:
    DisclosureHeader(const QString &title, const QString &symbol, QWidget *parent = nullptr);

    // 0 = closed chevron, 1 = open; follows the group's animation.
    void setOpenFraction(qreal fraction);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_symbol;
    qreal m_openFraction = 0;
};

// A titled section whose content opens and closes with a spring. The owner decides: a click on the
// title only asks (expansionRequested); setExpanded() performs the change.
class DisclosureGroup : public QWidget {
    Q_OBJECT
public:
    DisclosureGroup(const QString &title, const QString &symbol, QWidget *content, QWidget *parent = nullptr);

    bool isExpanded() const { return m_expanded; }
    void setExpanded(bool expanded, bool animated = true);
    // Jumps to the end of a running open/close motion.
    void finishAnimation();

    DisclosureHeader *header() const { return m_header; }
    QWidget *content() const { return m_content; }
    QVariantAnimation *animation() const { return m_animation; }

signals:
    void expansionRequested(bool expanded);

private:
    class Clip;

    void setOpenFraction(qreal fraction);

    DisclosureHeader *m_header;
    Clip *m_clip;
    QWidget *m_content;
    QVariantAnimation *m_animation;
    bool m_expanded = false;
};

} // namespace glyphon
