#pragma once

// What a user would see as broken text on a page: a label cut short, one that runs past the
// page's edge, or two labels on top of each other. For screenshot cases, beside the PNG.

#include <QStringList>

class QWidget;

namespace fernholm::test {

// Every visible text label inside `root` that is cut ("cut: <text>"), reaches past the left or
// right edge of `root` ("past the edge: <text>"), or overlaps another visible label ("overlap:
// <text> / <text>"). Labels wholly outside `root` (scrolled away) are left out. Empty when the
// text is laid out well.
QStringList textProblems(QWidget* root);

} // namespace fernholm::test
