#pragma once

#include "FernholmApp/theme/Theme.h"

#include <QTextEdit>

#include <optional>

namespace fernholm {

// Plain text the user can select with the mouse and copy (Ctrl+C, or Copy in its context
// menu), wrapped to as many lines as it needs at word boundaries, inside a word that is longer
// than the line (a key, a path): height for width, never cut, never scrolled. The colour is a
// theme colour resolved at each paint for the widget's scheme; the text is shown verbatim (no
// rich text). The background is whatever lies behind it.
//
//     auto* message = new SelectableText(error, Fonts::sans(13), Theme::ink, this);
class SelectableText : public QTextEdit {
    Q_OBJECT
public:
    SelectableText(const QString& text, const QFont& font, const ThemeColor& color, QWidget* parent = nullptr);

    // The whole text, also while fewer lines are shown.
    QString text() const { return m_maxLines > 0 ? m_full : toPlainText(); }
    void setText(const QString& text);

    // At most `lines` lines shown, the last one cut with "…" when the text is longer (0: no
    // limit). Copying a selection of all that is shown copies the whole text.
    int maxLines() const { return m_maxLines; }
    void setMaxLines(int lines);
    // What is shown: the text, or its first lines when cut.
    QString shownText() const { return toPlainText(); }

    ThemeColor color() const { return m_color; }
    void setColor(const ThemeColor& color);

    // Extra space between two lines, in pixels, on top of the font's own line spacing (none
    // after the last line).
    qreal lineSpacing() const { return m_lineSpacing; }
    void setLineSpacing(qreal spacing);

    bool hasSelectedText() const { return textCursor().hasSelection(); }
    // The selection, with line breaks as "\n".
    QString selectedText() const;

    // Natural size: the widest paragraph on one line.
    QSize sizeHint() const override;
    // A few characters wide, and as tall as the text at its natural width: layouts ask
    // heightForWidth for the height at the width they give (at most the maximum width).
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    QMimeData* createMimeDataFromSelection() const override;

private:
    void applyLineSpacing();
    // The text cut to maxLines at `width`.
    QString cutAt(int width) const;
    void showCut();

    ThemeColor m_color;
    qreal m_lineSpacing = 0;
    int m_maxLines = 0;
    QString m_full;
    std::optional<ColorScheme> m_paletteScheme;
};

} // namespace fernholm
