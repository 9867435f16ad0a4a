#pragma once

#include "FernholmKit/presentation/Workbench.h"

#include <QList>
#include <QString>
#include <QWidget>

class QAbstractButton;

namespace fernholm {

class AnonymizedTextView;
class MarkedText;
class TextLabel;

// One side of a request's prompt: an upper-case label over the text, on a rounded panel, light
// (what the user wrote, found values on a mark) or dark (what the AI service received, its
// placeholders as pills; plain text when it holds none). A text that lays out into more than 12
// lines at the panel's width (or holds more than 12 line breaks or 1200 characters) is clipped to
// 12 lines with a "Show all" link under it; the link asks the owner to expand (toggleRequested),
// and once expanded reads "Show less".
//
//     auto* panel = new PromptPanel(/*dark*/ true, row);
//     panel->setContent(fernholm::tr("{name} received", ...), sent, Workbench::segments(sent, details, {}));
//     connect(panel, &PromptPanel::toggleRequested, row, [=] { panel->setExpanded(!panel->isExpanded()); });
//
// The dark panel's text is exposed to accessibility as one element named by its spoken form,
// each placeholder read as "hidden: <name>".
class PromptPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int lineLimit = 12;

    explicit PromptPanel(bool dark, QWidget* parent = nullptr);

    bool isDark() const { return m_dark; }
    // The label as given (before upper-casing), the text and its runs (from Workbench::highlighting
    // for the light panel, Workbench::segments for the dark one). Unchanged content changes nothing.
    void setContent(const QString& label, const QString& text, const QList<AnonymizedSegment>& segments);
    QString label() const { return m_label; }
    QString text() const { return m_text; }

    bool isExpanded() const { return m_expanded; }
    void setExpanded(bool expanded);
    // The text is too long for the preview at the panel's current width: the link is offered.
    bool isClipped() const;

    TextLabel* title() const { return m_title; }
    // The link under a clipped text, hidden otherwise.
    QAbstractButton* toggle() const { return m_toggle; }
    // The text as plain selectable text (the light panel; the dark one when it holds no placeholder).
    MarkedText* plainText() const { return m_plain; }
    // The text with pills (the dark panel holding a placeholder); null until first needed.
    AnonymizedTextView* tokenText() const { return m_tokens; }
    // Whichever of the two is shown.
    QWidget* content() const;

    // The runs read aloud: each placeholder as tr("hidden: {name}"), its name without the square
    // brackets and with "_" read as spaces; other runs as they are.
    static QString spokenForm(const QList<AnonymizedSegment>& segments);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void toggleRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Places the children for `width` when `apply`; returns the panel's height.
    int arrange(int width, bool apply) const;
    bool passesLimitAt(int width) const;
    void refresh();

    bool m_dark;
    QString m_label;
    QString m_text;
    QList<AnonymizedSegment> m_segments;
    bool m_hasSegments = false;
    bool m_expanded = false;
    mutable bool m_clipped = false;
    TextLabel* m_title;
    MarkedText* m_plain;
    AnonymizedTextView* m_tokens = nullptr;
    QAbstractButton* m_toggle;
};

} // namespace fernholm
