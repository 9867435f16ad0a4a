#pragma once

#include "FernholmApp/theme/Appearance.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QString>

class QWidget;

namespace fernholm::test {

// Points BrandFonts and BrandImages at the repository's resources/ (the shipped fonts and
// artwork), so that view tests draw with the real faces. Call it in initTestCase().
void useBundledResources();

// `widget` painted in `scheme` at its current size, on the theme's window background (or on
// transparency with backdrop false), at device pixel ratio `dpr`. The scheme is forced on the
// widget for the paint only. Lays the widget out first (sends pending events, activates layouts).
QImage render(QWidget* widget, ColorScheme scheme, qreal dpr = 2.0, bool backdrop = true);

// The colour at a logical point of an image rendered at any device pixel ratio.
QColor sample(const QImage& image, QPointF point);

// `top` composited over `bottom` (source over), as a painter lays a translucent fill on what is
// already there.
QColor over(const QColor& top, const QColor& bottom);

// Whether two colours differ by at most `tolerance` in each channel (alpha included).
bool near(const QColor& a, const QColor& b, int tolerance = 3);
// "#rrggbbaa" for messages.
QString describe(const QColor& color);

// The light and the dark rendering side by side, with a gap between them.
QImage lightAndDark(QWidget* widget, qreal dpr = 2.0);

// Writes `image` as <build>/screenshots/<name>.png for people to look at (never compared with
// stored images); returns the file's path, or an empty string when it could not be written.
QString saveScreenshot(const QImage& image, const QString& name);

} // namespace fernholm::test

// QVERIFY2 with both colours in the message.
#define FERNHOLM_COMPARE_COLOR(actual, expected, tolerance)                                                            \
    QVERIFY2(::fernholm::test::near((actual), (expected), (tolerance)),                                                \
             qPrintable(QStringLiteral("%1 is %2, expected %3")                                                        \
                            .arg(QStringLiteral(#actual), ::fernholm::test::describe(actual),                          \
                                 ::fernholm::test::describe(expected))))
