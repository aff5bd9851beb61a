#pragma once

#include "preview/AppearanceSheet.h"

#include <QList>
#include <QScrollArea>

class QCheckBox;

namespace glyphon {

// The tiles of every platform's appearances, laid out as the contact sheet lays them out at the view's
// width: a heading per platform, the tiles in wrapping rows, each label under its tile. The "show safe
// zones" toggle sits above them. It scrolls like the size grid.
class AppearancesView : public QScrollArea {
    Q_OBJECT
public:
    explicit AppearancesView(QWidget *parent = nullptr);

    void setTiles(const QList<AppearanceTile> &tiles);
    const QList<AppearanceTile> &tiles() const { return m_tiles; }

    QCheckBox *safeZonesToggle() const { return m_safeZones; }
    // The widget the tiles are painted on, and where on it each tile and label lies.
    QWidget *canvas() const;
    SheetLayout sheetLayout() const;

private:
    class Canvas;

    QList<AppearanceTile> m_tiles;
    QWidget *m_content;
    QCheckBox *m_safeZones;
    Canvas *m_canvas;
};

} // namespace glyphon
