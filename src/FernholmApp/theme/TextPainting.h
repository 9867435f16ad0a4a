#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

namespace fernholm {

// Laying out and painting plain text the way the components need it: wrapped to a width, capped
// to a number of lines with an ellipsis at the end of the last one, or on one line shrunk to fit.
namespace Text {

struct Options {
    // Lines at most; 0 means as many as the text needs. 1 keeps the text on one line.
    int maxLines = 0;
    // Extra space between two lines, in pixels, on top of the font's line spacing.
    qreal lineSpacing = 0;
    // Horizontal alignment of each line (left, right, centre); the block starts at the top.
    Qt::Alignment alignment = Qt::AlignLeft;
};

// The laid-out lines: the text of each line as shown (the last one elided when the text did not
// fit) and whether anything was cut.
struct Lines {
    QStringList lines;
    bool truncated = false;
    // The widest line's width and the block's height (no trailing line spacing).
    QSizeF size{0, 0};
};

// Breaks `text` at word boundaries (inside words when a word is wider than `width`) and at line
// breaks; with maxLines, the last shown line ends in "…" when text was left out.
Lines layout(const QString& text, const QFont& font, qreal width, const Options& options = {});

// The size `text` takes when laid out at `width` (use a large width for one line's natural width).
QSizeF size(const QString& text, const QFont& font, qreal width, const Options& options = {});

// Paints `text` into `rect` (its width wraps, its top is the first line's top), in `color`.
// Returns whether something was cut.
bool draw(QPainter& painter, const QRectF& rect, const QString& text, const QFont& font, const QColor& color,
          const Options& options = {});

// The height of one line: the font's line spacing plus the extra spacing.
qreal lineHeight(const QFont& font, qreal lineSpacing = 0);

// `font` made smaller, one whole pixel at a time, until `text` fits `width` on one line, but no
// smaller than minimumScale x its size; tracking shrinks in proportion. The font itself when it
// fits already.
QFont shrunkToFit(const QString& text, const QFont& font, qreal width, qreal minimumScale);

// `text` on one line of at most `width`: itself when it fits, else cut at the end with "…" (and
// no space left before the ellipsis).
QString elidedLine(const QString& text, const QFont& font, qreal width);

} // namespace Text

} // namespace fernholm
