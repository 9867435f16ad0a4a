#pragma once

#include "FernholmApp/theme/Appearance.h"
#include "FernholmKit/presentation/Workbench.h"

#include <QFont>
#include <QHash>
#include <QList>
#include <QString>
#include <QTextBrowser>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QMenu;
class QTextDocument;

namespace fernholm {

// A checked text shown as the AI service receives it, read-only and selectable: plain runs in
// ink, restored values in green on a faint green pill, placeholder tokens in the monospaced
// token face on a faint token-coloured pill (no pill in the dark variant). Pills have rounded
// ends and follow the text across line breaks.
//
// Fields:
//   segments     the text, already cut (Workbench::segments, Workbench::highlighting)
//   interactive  tokens and restored values are clickable (onActivate), the selection is
//                reported (onSelection) and the context menu offers to hide it (onHide);
//                on by default
//   textFont     the base font (a constructor argument; tokens derive their face from it)
//   fitsContent  heightForWidth and sizeHint fit the text (400 wide when no width is offered),
//                capped at maxLines lines when set; off: no size claim of its own
//   dark         fixed at construction: the view is drawn in the dark scheme whatever the window's
//                (it sits on a dark card) and tokens get the dark style
//
// Callbacks (all optional, each replaceable at any time; the latest one is called):
//   tooltip(segment)    -> the hover text of a token or restored segment, or nothing
//   onActivate(segment)    a token or restored segment was clicked (interactive only)
//   onSelection(value)     after every change of the selection, one event-loop turn later: the
//                          selection widened to whole words and trimmed, or nothing when it is
//                          empty, touches a token or is no hide candidate (interactive only)
//   onHide(value)          the context-menu item "Hide “value”" was chosen
// A callback may set new segments at once; it must not delete the view (use deleteLater).
//
// Pages keep one view and call setSegments on every model change: the text is rebuilt only when
// the segments (element-wise) or `interactive` change. A rebuild keeps the scroll position and
// empties the selection; a font or callback change alone leaves the shown text as it is (a new
// font shows from the next rebuild), so give the font before the first segments.
//
//     auto* text = new AnonymizedTextView(Fonts::sans(15), /*dark=*/true, card);
//     text->setOnActivate([workbench](const AnonymizedSegment& s) { ... });
//     text->setOnSelection([page](std::optional<QString> value) { page->showHidePill(value); });
//     text->setOnHide([workbench](const QString& value) { workbench->hideInPrompt(value); });
//     connect(workbench, &WorkbenchSession::scanResultChanged, text, [=] { text->setSegments(...); });
//
// The view owns its document: never call setText, setHtml or setSource on it.
//
// Positions: the workbench helpers take UTF-16 offsets of the joined segment text; the view maps
// its document positions onto those ("\r\n" is one line break in the document) and hands the
// helpers the joined text itself. Copying puts that original text on the clipboard.
class AnonymizedTextView : public QTextBrowser {
    Q_OBJECT
public:
    using Tooltip = std::function<std::optional<QString>(const AnonymizedSegment&)>;
    using Activate = std::function<void(const AnonymizedSegment&)>;
    using Selection = std::function<void(const std::optional<QString>&)>;
    using Hide = std::function<void(const QString&)>;

    explicit AnonymizedTextView(const QFont& textFont, bool dark = false, QWidget* parent = nullptr);
    ~AnonymizedTextView() override;

    const QList<AnonymizedSegment>& segments() const { return m_segments; }
    void setSegments(const QList<AnonymizedSegment>& segments);

    bool isInteractive() const { return m_interactive; }
    void setInteractive(bool interactive);

    QFont textFont() const { return m_font; }
    void setTextFont(const QFont& font);

    bool fitsContent() const { return m_fitsContent; }
    void setFitsContent(bool fits);
    std::optional<int> maxLines() const { return m_maxLines; }
    void setMaxLines(std::optional<int> lines);

    bool isDark() const { return m_dark; }

    // Left and right of the text, inside the view.
    static constexpr int textInset = 7;

    void setTooltip(Tooltip tooltip) { m_tooltip = std::move(tooltip); }
    void setOnActivate(Activate onActivate) { m_onActivate = std::move(onActivate); }
    void setOnSelection(Selection onSelection) { m_onSelection = std::move(onSelection); }
    void setOnHide(Hide onHide) { m_onHide = std::move(onHide); }

    // The segments' texts joined: what the positions of the workbench helpers count in.
    const QString& joinedText() const { return m_joined; }
    // The selection as a range of joinedText(): location and length.
    std::pair<qsizetype, qsizetype> selectedRange() const;

    // Handles a segment link ("tarvine-segment:<index>" with an index of a shown segment) by
    // calling onActivate; anything else is not handled and nothing navigates.
    bool activateLink(const QUrl& url);

    // The context menu for the current selection, owned by the caller: the standard items,
    // led by "Hide “…”" and a separator when the view is interactive and the selection is a
    // hide candidate.
    QMenu* createContextMenu();

    // The number of lines the whole text takes in a view `width` wide (no line cap).
    int lineCount(int width) const;

    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    QMimeData* createMimeDataFromSelection() const override;

private:
    struct Range {
        int start = 0; // document positions, end exclusive
        int end = 0;
    };
    enum class Band { restored, token };
    struct BandRun {
        Range range;
        Band band;
    };
    // What filling a document leaves beside it.
    struct Fill {
        QList<Range> segments; // one per segment
        QList<BandRun> bands;  // the pills, in document order
        QList<int> crlfBreaks; // positions of line breaks that stand for "\r\n" (two characters)
    };

    Fill fill(QTextDocument& document, const QFont& font, ColorScheme scheme) const;
    void rebuild();
    void syncScheme();
    void recolor();
    void selectionDidChange();
    std::optional<QString> hideCandidate() const;
    qsizetype textOffset(int position) const;
    int segmentAt(const QPoint& viewportPoint) const;
    void paintPills(QPainter& painter, const QRectF& exposed) const;
    int fittingHeight(int width) const;

    QList<AnonymizedSegment> m_segments;
    bool m_interactive = true;
    QFont m_font;
    QFont m_shownFont; // the font of the text as last built
    bool m_fitsContent = false;
    std::optional<int> m_maxLines;
    bool m_dark = false;
    Tooltip m_tooltip;
    Activate m_onActivate;
    Selection m_onSelection;
    Hide m_onHide;

    QString m_joined;
    Fill m_fill;
    ColorScheme m_scheme = ColorScheme::light; // what the palette and the text colours are for
    bool m_rebuilding = false;
    mutable std::unique_ptr<QTextDocument> m_measure; // built on demand for heightForWidth
    mutable QHash<int, int> m_heights;                // width -> fitting height
};

} // namespace fernholm
