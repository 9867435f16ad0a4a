#pragma once

#include "FernholmApp/theme/TextPainting.h"
#include "FernholmApp/theme/Theme.h"

#include <QWidget>

namespace fernholm {

// A painted text in a theme colour, shown verbatim (callers translate first).
//
// By default it wraps onto as many lines as it needs (height for width). setMaxLines(n) caps it
// and ends the last line in "…"; setMaxLines(1) keeps it on one line, and setMinimumScale(0.7)
// then shrinks it (down to 70 %) before it is cut. The font is the widget's own (setFont), with
// its tracking; the colour is resolved at each paint for the widget's scheme.
//
//     auto* caption = new TextLabel(tr("No traffic yet"), Fonts::sans(13), Theme::dim, this);
//     caption->setMaxLines(2);
//
// Accessible as static text with the text as its name, or as a heading (setHeading).
class TextLabel : public QWidget {
    Q_OBJECT
public:
    explicit TextLabel(QWidget* parent = nullptr);
    TextLabel(const QString& text, const QFont& font, const ThemeColor& color, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);

    ThemeColor color() const { return m_color; }
    void setColor(const ThemeColor& color);

    int maxLines() const { return m_options.maxLines; }
    void setMaxLines(int lines);
    qreal lineSpacing() const { return m_options.lineSpacing; }
    void setLineSpacing(qreal spacing);
    Qt::Alignment alignment() const { return m_options.alignment; }
    void setAlignment(Qt::Alignment alignment);
    // For one line: how small the text may shrink to fit, as a fraction of its size (1: not).
    qreal minimumScale() const { return m_minimumScale; }
    void setMinimumScale(qreal scale);

    bool isHeading() const { return m_heading; }
    void setHeading(bool heading);

    // The font the text is drawn in at the current width (smaller than font() when shrunk).
    QFont shownFont() const;
    // Whether the text is cut at the current width.
    bool isTruncated() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void changed();

    QString m_text;
    ThemeColor m_color = Theme::ink;
    Text::Options m_options;
    qreal m_minimumScale = 1.0;
    bool m_heading = false;
};

} // namespace fernholm
