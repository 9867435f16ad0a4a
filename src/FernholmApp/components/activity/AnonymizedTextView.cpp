#include "FernholmApp/components/activity/AnonymizedTextView.h"

#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmApp/theme/ThemePalette.h"
#include "FernholmKit/presentation/ActivityText.h"
#include "FernholmKit/text/L10n.h"

#include <QAbstractTextDocumentLayout>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QToolTip>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace fernholm {

namespace {

// A view the user cannot edit or select in (the received side of a request) reads as one piece
// of text named by its accessible name, which the owner sets to the spoken form ("hidden: …" for
// each placeholder): a text edit's own interface would hand out the raw placeholders.
class AccessibleReadOnlyView final : public QAccessibleWidget {
public:
    explicit AccessibleReadOnlyView(QWidget* view) : QAccessibleWidget(view, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            return widget()->accessibleName();
        }
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
};

QAccessibleInterface* readOnlyViewFactory(const QString& className, QObject* object) {
    if (className != QLatin1String("fernholm::AnonymizedTextView") || !object || !object->isWidgetType()) {
        return nullptr;
    }
    auto* view = static_cast<AnonymizedTextView*>(object);
    return view->isInteractive() ? nullptr : new AccessibleReadOnlyView(view);
}

constexpr qreal lineSpacing = 5; // between two lines, on top of the font's own
constexpr qreal insetH = AnonymizedTextView::textInset; // left and right of the text
constexpr qreal insetV = 4;      // above and below it
constexpr qreal pillOutset = 3;  // a pill reaches this far beyond its glyphs on each side
constexpr qreal pillRadius = 5;
constexpr int unofferedWidth = 400; // the width fitted to when none is offered
constexpr int heightSlack = 2;      // added to the fitted height, which is rounded up

const QString linkPrefix = QStringLiteral("tarvine-segment:");

enum Property {
    SegmentIndexProperty = QTextFormat::UserProperty + 1, // on token and restored runs
};

qreal sizeOf(const QFont& font) {
    return font.pixelSize() > 0 ? qreal(font.pixelSize()) : font.pointSizeF();
}

bool isLineBreak(QChar c) {
    return c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator;
}

// The document turns these two into frame boundaries when inserted as text.
bool isFrameMarker(QChar c) {
    return c.unicode() == 0xFDD0 || c.unicode() == 0xFDD1;
}

QColor foreground(AnonymizedSegment::Kind kind, ColorScheme scheme) {
    switch (kind) {
    case AnonymizedSegment::Kind::token:
        return Theme::token.resolve(scheme);
    case AnonymizedSegment::Kind::restored:
        return Theme::green.resolve(scheme);
    case AnonymizedSegment::Kind::plain:
        break;
    }
    return Theme::ink.resolve(scheme);
}

// A decimal integer as the link parser takes it: an optional sign and ASCII digits only.
std::optional<qlonglong> parseIndex(const QString& text) {
    qsizetype i = 0;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-')) {
        ++i;
    }
    if (i == text.size()) {
        return std::nullopt;
    }
    for (qsizetype k = i; k < text.size(); ++k) {
        if (text.at(k) < u'0' || text.at(k) > u'9') {
            return std::nullopt;
        }
    }
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    return ok ? std::optional<qlonglong>(value) : std::nullopt;
}

// A value as a menu item shows it: on one line, shortened in the middle, "&" not a mnemonic.
QString menuValue(const QString& value) {
    QString shown = value;
    for (QChar& c : shown) {
        if (isLineBreak(c) || c == QChar::LineSeparator) {
            c = u' ';
        }
    }
    return midTruncate(shown, 28, 16).replace(u'&', QStringLiteral("&&"));
}

// The theme's palette for the scroll bar and the selection; the text lies on the card beneath.
QPalette viewPalette(ColorScheme scheme) {
    QPalette palette = themePalette(scheme);
    palette.setColor(QPalette::Base, Qt::transparent);
    return palette;
}

} // namespace

AnonymizedTextView::AnonymizedTextView(const QFont& textFont, bool dark, QWidget* parent)
    : QTextBrowser(parent), m_font(textFont), m_shownFont(textFont), m_dark(dark) {
    static const bool installed = [] {
        QAccessible::installFactory(&readOnlyViewFactory);
        return true;
    }();
    Q_UNUSED(installed);
    if (dark) {
        Appearance::force(this, ColorScheme::dark);
    }
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setReadOnly(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    viewport()->setAutoFillBackground(false);
    document()->setUndoRedoEnabled(false);
    m_scheme = Appearance::schemeOf(this);
    fill(*document(), m_font, m_scheme);

    setPalette(viewPalette(m_scheme));

    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) { activateLink(url); });
    connect(this, &QTextEdit::selectionChanged, this, &AnonymizedTextView::selectionDidChange);
    connect(&Appearance::instance(), &Appearance::schemeChanged, this, &AnonymizedTextView::syncScheme);
}

AnonymizedTextView::~AnonymizedTextView() = default;

void AnonymizedTextView::setSegments(const QList<AnonymizedSegment>& segments) {
    if (segments == m_segments) {
        return;
    }
    m_segments = segments;
    rebuild();
}

void AnonymizedTextView::setInteractive(bool interactive) {
    if (interactive == m_interactive) {
        return;
    }
    m_interactive = interactive;
    if (QAccessible::isActive()) {
        // The kind of interface changes with it: the next one asked for is made afresh.
        if (QAccessibleInterface* old = QAccessible::queryAccessibleInterface(this)) {
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(old));
        }
    }
    rebuild();
}

void AnonymizedTextView::setTextFont(const QFont& font) {
    m_font = font;
    if (m_maxLines) {
        m_heights.clear(); // the cap counts lines of this font
        if (m_fitsContent) {
            updateGeometry();
        }
    }
}

void AnonymizedTextView::setFitsContent(bool fits) {
    if (fits == m_fitsContent) {
        return;
    }
    m_fitsContent = fits;
    // Fitted, it takes the height its text needs at the width it gets, and no more.
    QSizePolicy policy = sizePolicy();
    policy.setVerticalPolicy(fits ? QSizePolicy::Preferred : QSizePolicy::Expanding);
    policy.setHeightForWidth(fits);
    setSizePolicy(policy);
    updateGeometry();
}

void AnonymizedTextView::setMaxLines(std::optional<int> lines) {
    if (lines) {
        lines = std::max(0, *lines);
    }
    if (lines == m_maxLines) {
        return;
    }
    m_maxLines = lines;
    m_heights.clear();
    updateGeometry();
}

AnonymizedTextView::Fill AnonymizedTextView::fill(QTextDocument& document, const QFont& font,
                                                  ColorScheme scheme) const {
    document.clear();
    document.setDefaultFont(font);
    document.setDocumentMargin(0);
    QTextFrameFormat frame = document.rootFrame()->frameFormat();
    frame.setLeftMargin(insetH);
    frame.setRightMargin(insetH);
    frame.setTopMargin(insetV);
    frame.setBottomMargin(insetV);
    document.rootFrame()->setFrameFormat(frame);

    QTextBlockFormat block;
    block.setLineHeight(lineSpacing, QTextBlockFormat::LineDistanceHeight);
    QTextCharFormat base;
    base.setFont(font);
    base.setForeground(Theme::ink.resolve(scheme));

    const qreal size = sizeOf(font);
    const QFont lightToken = Fonts::mono(std::min(size, qreal(12)), 500);
    const QFont darkToken = Fonts::mono(std::max(size - 1, qreal(1)), 400);

    Fill out;
    out.segments.reserve(m_segments.size());
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    cursor.setBlockFormat(block);
    cursor.setBlockCharFormat(base);
    for (qsizetype i = 0; i < m_segments.size(); ++i) {
        const AnonymizedSegment& segment = m_segments.at(i);
        QTextCharFormat format = base;
        std::optional<Band> band;
        switch (segment.kind) {
        case AnonymizedSegment::Kind::plain:
            break;
        case AnonymizedSegment::Kind::restored:
            format.setForeground(foreground(segment.kind, scheme));
            band = Band::restored;
            break;
        case AnonymizedSegment::Kind::token:
            format.setFont(m_dark ? darkToken : lightToken);
            format.setForeground(foreground(segment.kind, scheme));
            if (!m_dark) {
                band = Band::token;
            }
            break;
        }
        if (segment.kind != AnonymizedSegment::Kind::plain) {
            format.setProperty(SegmentIndexProperty, int(i));
            if (m_interactive) {
                format.setAnchor(true);
                format.setAnchorHref(linkPrefix + QString::number(i));
            }
        }

        // Line breaks become block breaks here, so that every document position maps onto the
        // joined text: one position per UTF-16 unit, "\r\n" the only pair that takes one.
        const int start = cursor.position();
        const QString& text = segment.text;
        qsizetype runStart = 0;
        const auto insertRun = [&](qsizetype end) {
            if (end > runStart) {
                QString run = text.mid(runStart, end - runStart);
                for (QChar& c : run) {
                    if (isFrameMarker(c)) {
                        c = QChar::ReplacementCharacter;
                    }
                }
                cursor.insertText(run, format);
            }
        };
        for (qsizetype k = 0; k < text.size(); ++k) {
            if (!isLineBreak(text.at(k))) {
                continue;
            }
            insertRun(k);
            if (text.at(k) == u'\r' && k + 1 < text.size() && text.at(k + 1) == u'\n') {
                out.crlfBreaks.append(cursor.position());
                ++k;
            }
            cursor.insertBlock(block, base);
            runStart = k + 1;
        }
        insertRun(text.size());
        out.segments.append(Range{start, cursor.position()});
        if (band && cursor.position() > start) {
            out.bands.append(BandRun{Range{start, cursor.position()}, *band});
        }
    }
    cursor.endEditBlock();
    return out;
}

void AnonymizedTextView::rebuild() {
    const int vertical = verticalScrollBar()->value();
    const int horizontal = horizontalScrollBar()->value();
    const bool hadSelection = textCursor().hasSelection();

    m_rebuilding = true;
    m_scheme = Appearance::schemeOf(this);
    m_shownFont = m_font;
    m_fill = fill(*document(), m_shownFont, m_scheme);
    m_joined.clear();
    for (const AnonymizedSegment& segment : m_segments) {
        m_joined += segment.text;
    }
    setTextCursor(QTextCursor(document()));
    m_rebuilding = false;

    // Lay the whole text out now, so that the scroll range is the new one before going back.
    document()->documentLayout()->documentSize();
    verticalScrollBar()->setValue(vertical);
    horizontalScrollBar()->setValue(horizontal);

    m_measure.reset();
    m_heights.clear();
    if (m_fitsContent) {
        updateGeometry();
    }
    viewport()->update();
    if (hadSelection) {
        selectionDidChange();
    }
}

void AnonymizedTextView::syncScheme() {
    const ColorScheme scheme = Appearance::schemeOf(this);
    if (scheme == m_scheme) {
        return;
    }
    m_scheme = scheme;
    setPalette(viewPalette(scheme));
    recolor();
}

void AnonymizedTextView::recolor() {
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    for (qsizetype i = 0; i < m_fill.segments.size() && i < m_segments.size(); ++i) {
        const Range range = m_fill.segments.at(i);
        if (range.end <= range.start) {
            continue;
        }
        cursor.setPosition(range.start);
        cursor.setPosition(range.end, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setForeground(foreground(m_segments.at(i).kind, m_scheme));
        cursor.mergeCharFormat(format);
    }
    cursor.endEditBlock();
}

qsizetype AnonymizedTextView::textOffset(int position) const {
    const auto& breaks = m_fill.crlfBreaks;
    const auto before = std::lower_bound(breaks.begin(), breaks.end(), position) - breaks.begin();
    return qsizetype(position) + before;
}

std::pair<qsizetype, qsizetype> AnonymizedTextView::selectedRange() const {
    const QTextCursor cursor = textCursor();
    const qsizetype start = textOffset(cursor.selectionStart());
    const qsizetype end = textOffset(cursor.selectionEnd());
    return {std::min(start, m_joined.size()), std::clamp<qsizetype>(end - start, 0, m_joined.size())};
}

std::optional<QString> AnonymizedTextView::hideCandidate() const {
    const auto [location, length] = selectedRange();
    if (length == 0 || Workbench::selectionTouchesToken(m_segments, location, length)) {
        return std::nullopt;
    }
    return Workbench::hideCandidate(Workbench::snapToWords(m_joined, location, length));
}

void AnonymizedTextView::selectionDidChange() {
    if (m_rebuilding || !m_interactive) {
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this, candidate = hideCandidate()] {
            if (const Selection callback = m_onSelection) {
                callback(candidate);
            }
        },
        Qt::QueuedConnection);
}

bool AnonymizedTextView::activateLink(const QUrl& url) {
    if (url.scheme() != linkPrefix.chopped(1)) {
        return false;
    }
    const std::optional<qlonglong> index = parseIndex(url.toString().mid(linkPrefix.size()));
    if (!index || *index < 0 || *index >= m_segments.size()) {
        return false;
    }
    const AnonymizedSegment segment = m_segments.at(qsizetype(*index));
    if (const Activate callback = m_onActivate) {
        callback(segment);
    }
    return true;
}

QMenu* AnonymizedTextView::createContextMenu() {
    QMenu* menu = createStandardContextMenu();
    // A segment link is no address anyone could use elsewhere.
    for (QAction* action : menu->actions()) {
        if (action->objectName() == QLatin1String("link-copy")) {
            menu->removeAction(action);
            delete action;
        }
    }
    menu->setPalette(themePalette(Appearance::schemeOf(this)));
    const std::optional<QString> candidate = m_interactive ? hideCandidate() : std::nullopt;
    if (candidate) {
        auto* hide = new QAction(fernholm::tr("Hide “{value}”", {{"value", menuValue(*candidate)}}), menu);
        connect(hide, &QAction::triggered, this, [this, value = *candidate] {
            if (const Hide callback = m_onHide) {
                callback(value);
            }
        });
        QAction* first = menu->actions().value(0);
        menu->insertAction(first, hide);
        menu->insertSeparator(first);
    }
    return menu;
}

void AnonymizedTextView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

int AnonymizedTextView::segmentAt(const QPoint& viewportPoint) const {
    const QPointF point =
        QPointF(viewportPoint) + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const int position = document()->documentLayout()->hitTest(point, Qt::ExactHit);
    if (position < 0) {
        return -1;
    }
    const QTextBlock block = document()->findBlock(position);
    const QTextLayout* layout = block.layout();
    if (!layout) {
        return -1;
    }
    const int offset = position - block.position();
    for (const QTextLayout::FormatRange& range : block.textFormats()) {
        if (offset >= range.start && offset < range.start + range.length &&
            range.format.hasProperty(SegmentIndexProperty)) {
            const int index = range.format.intProperty(SegmentIndexProperty);
            return index < m_segments.size() ? index : -1;
        }
    }
    return -1;
}

bool AnonymizedTextView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const int index = segmentAt(help->pos());
        std::optional<QString> text;
        if (index >= 0) {
            if (const Tooltip callback = m_tooltip) {
                text = callback(m_segments.at(index));
            }
        }
        if (text && !text->isEmpty()) {
            QToolTip::showText(help->globalPos(), *text, viewport());
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QTextBrowser::viewportEvent(event);
}

QMimeData* AnonymizedTextView::createMimeDataFromSelection() const {
    const auto [location, length] = selectedRange();
    auto* data = new QMimeData;
    data->setText(m_joined.mid(location, length));
    return data;
}

void AnonymizedTextView::paintEvent(QPaintEvent* event) {
    syncScheme();
    if (!m_fill.bands.isEmpty()) {
        QPainter painter(viewport());
        painter.setRenderHint(QPainter::Antialiasing);
        const QPointF offset(isRightToLeft() ? horizontalScrollBar()->maximum() - horizontalScrollBar()->value()
                                             : horizontalScrollBar()->value(),
                             verticalScrollBar()->value());
        painter.translate(-offset);
        paintPills(painter, QRectF(event->rect()).translated(offset));
    }
    QTextBrowser::paintEvent(event);
}

// One pill per line fragment of every band run, as high as the line's glyphs (the extra line
// spacing stays clear), reaching pillOutset beyond the run's first and last glyph.
void AnonymizedTextView::paintPills(QPainter& painter, const QRectF& exposed) const {
    const QTextDocument* doc = document();
    const QAbstractTextDocumentLayout* layout = doc->documentLayout();
    const QColor restored = Theme::green.opacity(0.14).resolve(m_scheme);
    const QColor token = Theme::token.opacity(0.12).resolve(m_scheme);
    for (const BandRun& run : m_fill.bands) {
        const QColor& color = run.band == Band::token ? token : restored;
        for (QTextBlock block = doc->findBlock(run.range.start); block.isValid() && block.position() < run.range.end;
             block = block.next()) {
            const QRectF blockRect = layout->blockBoundingRect(block);
            if (blockRect.top() > exposed.bottom()) {
                return; // runs and blocks come in document order
            }
            const QTextLayout* text = block.layout();
            if (!text || blockRect.bottom() < exposed.top()) {
                continue;
            }
            const int from = std::max(run.range.start, block.position()) - block.position();
            const int to = std::min(run.range.end, block.position() + block.length() - 1) - block.position();
            const QString blockText = block.text();
            for (int i = 0; i < text->lineCount() && from < to; ++i) {
                const QTextLine line = text->lineAt(i);
                const int lineEnd = line.textStart() + line.textLength();
                const int a = std::max(from, line.textStart());
                int b = std::min(to, lineEnd);
                // A line broken after a space keeps the space at its end: no pill over it.
                if (b == lineEnd && i + 1 < text->lineCount()) {
                    while (b > a && blockText.at(b - 1).isSpace()) {
                        --b;
                    }
                }
                if (a >= b) {
                    continue;
                }
                const qreal x1 = line.cursorToX(a);
                const qreal x2 = line.cursorToX(b);
                const QRectF pill(text->position().x() + std::min(x1, x2) - pillOutset, text->position().y() + line.y(),
                                  std::abs(x2 - x1) + 2 * pillOutset, line.ascent() + line.descent());
                if (pill.intersects(exposed)) {
                    Paint::fill(painter, Paint::roundedRect(pill, pillRadius), color);
                }
            }
        }
    }
}

bool AnonymizedTextView::hasHeightForWidth() const {
    return m_fitsContent;
}

int AnonymizedTextView::heightForWidth(int width) const {
    return m_fitsContent ? fittingHeight(width) : -1;
}

QSize AnonymizedTextView::sizeHint() const {
    if (!m_fitsContent) {
        return QTextBrowser::sizeHint();
    }
    return QSize(unofferedWidth, fittingHeight(unofferedWidth));
}

QSize AnonymizedTextView::minimumSizeHint() const {
    if (!m_fitsContent) {
        return QTextBrowser::minimumSizeHint();
    }
    // The height follows the width (heightForWidth); the scroll area's own minimum would keep a
    // one-line text taller than its line.
    return QSize(QTextBrowser::minimumSizeHint().width(), 0);
}

int AnonymizedTextView::lineCount(int width) const {
    fittingHeight(width); // fills the measuring document
    m_measure->setTextWidth(std::max(qreal(std::max(width, 0)), 2 * insetH));
    m_measure->documentLayout()->documentSize();
    int lines = 0;
    for (QTextBlock block = m_measure->begin(); block.isValid(); block = block.next()) {
        lines += block.layout() ? block.layout()->lineCount() : 0;
    }
    return lines;
}

// 2 x the vertical inset plus the text's height at `width`, at most maxLines lines of the font,
// rounded up and a little slack, so that a fitted view never needs its scroll bar.
int AnonymizedTextView::fittingHeight(int width) const {
    width = std::max(width, 0);
    if (const auto cached = m_heights.constFind(width); cached != m_heights.constEnd()) {
        return *cached;
    }
    if (!m_measure) {
        m_measure = std::make_unique<QTextDocument>();
        m_measure->setUndoRedoEnabled(false);
        fill(*m_measure, m_shownFont, m_scheme);
    }
    // The margins come off the width inside the document; a width below them leaves no room.
    m_measure->setTextWidth(std::max(qreal(width), 2 * insetH));
    qreal height = m_measure->documentLayout()->documentSize().height();
    if (m_maxLines) {
        const qreal lineHeight = QFontMetricsF(m_font).lineSpacing() + lineSpacing;
        height = std::min(height, 2 * insetV + lineHeight * *m_maxLines);
    }
    const int result = int(std::ceil(height - 1e-6)) + heightSlack;
    if (m_heights.size() > 16) {
        m_heights.clear();
    }
    m_heights.insert(width, result);
    return result;
}

} // namespace fernholm
