#pragma once

#include <QColor>
#include <QPalette>
#include <QStringView>

class QApplication;
class QPainter;
class QRectF;

namespace glyphon {

// A colour of the application's colour table ("AppColor", "ImageBg"); magenta for an unknown
// name, so a typo shows on screen instead of silently blending in.
QColor namedColor(QStringView name);

// The window's one colour scheme: dark, whatever the desktop's theme says.
QPalette darkPalette();

// Fusion with the dark palette and the application's fonts; called once by every process that shows the
// window.
void applyDarkTheme(QApplication &app);

// Captions and other secondary text.
QColor secondaryTextColor(const QPalette &palette);

// The one keyboard-focus ring of the window: every focusable control draws it, so the user always sees
// which control Space or Return would act on.
inline constexpr qreal focusRingWidth = 2.0;
QColor focusRingColor();

// The ring drawn just inside rect, following a rounded outline of the given radius.
void drawFocusRing(QPainter &painter, const QRectF &rect, qreal radius);

} // namespace glyphon
