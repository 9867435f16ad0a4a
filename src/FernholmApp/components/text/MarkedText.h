#pragma once

#include "FernholmApp/components/text/SelectableText.h"
#include "FernholmKit/presentation/Workbench.h"

#include <QHash>
#include <QList>

#include <optional>

namespace fernholm {

// Selectable text made of runs, each run that is not plain (a value found in it) on a
// Theme::mark background; optionally shown only up to its first `maxLines` lines (the rest is
// cut off below, not scrolled to).
//
//     auto* written = new MarkedText(Fonts::sans(14), Theme::ink, panel);
//     written->setLineSpacing(4);
//     written->setSegments(Workbench::highlighting(text, values));
//     written->setMaxLines(12);
class MarkedText : public SelectableText {
    Q_OBJECT
public:
    MarkedText(const QFont& font, const ThemeColor& color, QWidget* parent = nullptr);

    const QList<AnonymizedSegment>& segments() const { return m_segments; }
    void setSegments(const QList<AnonymizedSegment>& segments);

    // Extra space between lines (as SelectableText's; measured heights are forgotten).
    void setLineSpacing(qreal spacing);

    std::optional<int> maxLines() const { return m_maxLines; }
    void setMaxLines(std::optional<int> lines);

    // The marked runs as (start, length) in the joined text.
    QList<std::pair<int, int>> markedRanges() const;
    // How many lines the whole text takes at `width`.
    int lineCount(int width) const;

    QSize sizeHint() const override;
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyMarks(ColorScheme scheme);
    int cappedHeight(int width, int fullHeight) const;

    QList<AnonymizedSegment> m_segments;
    std::optional<int> m_maxLines;
    std::optional<ColorScheme> m_markScheme;
    // Width -> height: measuring lays out a copy of the whole text, which a long prompt makes
    // slow, and layouts ask for the same widths again and again.
    mutable QHash<int, int> m_heights;
};

} // namespace fernholm
