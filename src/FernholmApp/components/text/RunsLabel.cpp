#include "FernholmApp/components/text/RunsLabel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

#include <cmath>
#include <memory>
#include <optional>

namespace fernholm {

namespace {

const QChar ellipsis(0x2026);
constexpr qreal unbounded = 1e7;

int ceilToInt(qreal value) {
    return int(std::ceil(value - 1e-6));
}

QString normalised(const QString& text) {
    QString t = text;
    t.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    t.replace(u'\n', QChar::LineSeparator);
    t.replace(u'\r', QChar::LineSeparator);
    t.replace(QChar::ParagraphSeparator, QChar::LineSeparator);
    return t;
}

bool isBlank(QChar c) {
    return c.isSpace() || c == QChar::LineSeparator;
}

// The runs as one text with a format range per run; colours only when painting.
struct Paragraph {
    QString text;
    QList<QTextLayout::FormatRange> ranges;
    QFont base;
};

Paragraph paragraphOf(const QList<RunsLabel::Run>& runs, std::optional<ColorScheme> scheme) {
    Paragraph paragraph;
    for (const RunsLabel::Run& run : runs) {
        const QString text = normalised(run.text);
        if (text.isEmpty()) {
            continue;
        }
        QTextCharFormat format;
        format.setFont(run.font, QTextCharFormat::FontPropertiesAll);
        if (scheme) {
            format.setForeground(run.color.resolve(*scheme));
        }
        paragraph.ranges.append({int(paragraph.text.size()), int(text.size()), format});
        paragraph.text += text;
    }
    paragraph.base = runs.isEmpty() ? QFont() : runs.first().font;
    return paragraph;
}

// The ranges of `ranges` that fall in [from, to), moved to start at 0.
QList<QTextLayout::FormatRange> slice(const QList<QTextLayout::FormatRange>& ranges, int from, int to) {
    QList<QTextLayout::FormatRange> out;
    for (const auto& range : ranges) {
        const int start = std::max(range.start, from);
        const int end = std::min(range.start + range.length, to);
        if (end > start) {
            out.append({start - from, end - start, range.format});
        }
    }
    return out;
}

// The format at character `index` (the first run's when there is none).
QTextCharFormat formatAt(const QList<QTextLayout::FormatRange>& ranges, int index) {
    for (const auto& range : ranges) {
        if (index >= range.start && index < range.start + range.length) {
            return range.format;
        }
    }
    return ranges.isEmpty() ? QTextCharFormat() : ranges.first().format;
}

std::unique_ptr<QTextLayout> makeLayout(const QString& text, const QList<QTextLayout::FormatRange>& ranges,
                                        const QFont& base) {
    auto layout = std::make_unique<QTextLayout>(text, base);
    layout->setFormats(ranges);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    return layout;
}

// The paragraph laid out at a width: the lines kept from the full layout and, when the text is
// cut, a last line of its own ending in the ellipsis.
struct Laid {
    std::unique_ptr<QTextLayout> body;
    int keptLines = 0;
    std::unique_ptr<QTextLayout> cutLine;
    QStringList lines;
    bool truncated = false;
    qreal height = 0;
};

QString lineText(const QString& text, int start, int length) {
    QString line = text.mid(start, length);
    while (!line.isEmpty() && isBlank(line.back())) {
        line.chop(1);
    }
    return line;
}

Laid layOut(const Paragraph& paragraph, qreal width, int maxLines) {
    Laid laid;
    if (paragraph.text.isEmpty()) {
        return laid;
    }
    const qreal w = std::max(qreal(1), width);
    laid.body = makeLayout(paragraph.text, paragraph.ranges, paragraph.base);
    laid.body->beginLayout();
    qreal y = 0;
    int count = 0;
    for (QTextLine line = laid.body->createLine(); line.isValid(); line = laid.body->createLine()) {
        line.setLeadingIncluded(true);
        line.setLineWidth(w);
        line.setPosition(QPointF(0, y));
        y += line.height();
        ++count;
    }
    laid.body->endLayout();

    laid.truncated = maxLines > 0 && count > maxLines;
    laid.keptLines = laid.truncated ? maxLines - 1 : count;
    for (int i = 0; i < laid.keptLines; ++i) {
        const QTextLine line = laid.body->lineAt(i);
        laid.lines << lineText(paragraph.text, line.textStart(), line.textLength());
        laid.height = line.position().y() + line.height();
    }
    if (!laid.truncated) {
        return laid;
    }

    // The last shown line: the text from its start on one line, cut where it and an ellipsis
    // fit, at a character boundary and without the spaces before the cut.
    const QTextLine cutFrom = laid.body->lineAt(laid.keptLines);
    const int start = cutFrom.textStart();
    const QString rest = paragraph.text.mid(start);
    const auto restRanges = slice(paragraph.ranges, start, int(paragraph.text.size()));
    auto tail = makeLayout(rest, restRanges, paragraph.base);
    tail->beginLayout();
    QTextLine only = tail->createLine();
    only.setLeadingIncluded(true);
    only.setLineWidth(unbounded);
    tail->endLayout();
    const int lineEnd = only.textStart() + only.textLength();
    int cut = std::min(lineEnd, only.xToCursor(w, QTextLine::CursorBetweenCharacters) + 1);
    int shown = 0;
    for (; cut > 0; --cut) {
        if (!tail->isValidCursorPosition(cut)) {
            continue;
        }
        int end = cut;
        while (end > 0 && isBlank(rest.at(end - 1))) {
            --end;
        }
        const QFont font = formatAt(restRanges, std::max(0, end - 1)).font();
        if (only.cursorToX(end) + QFontMetricsF(font).horizontalAdvance(ellipsis) <= w) {
            shown = end;
            break;
        }
    }
    QList<QTextLayout::FormatRange> cutRanges = slice(restRanges, 0, shown);
    cutRanges.append({shown, 1, formatAt(restRanges, std::max(0, shown - 1))});
    const QString cutText = rest.left(shown) + ellipsis;
    laid.cutLine = makeLayout(cutText, cutRanges, paragraph.base);
    laid.cutLine->beginLayout();
    QTextLine last = laid.cutLine->createLine();
    last.setLeadingIncluded(true);
    last.setLineWidth(unbounded);
    last.setPosition(QPointF(0, cutFrom.position().y()));
    laid.cutLine->endLayout();
    laid.lines << cutText;
    laid.height = cutFrom.position().y() + last.height();
    return laid;
}

class AccessibleRunsLabel final : public QAccessibleWidget {
public:
    explicit AccessibleRunsLabel(RunsLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const auto* label = static_cast<const RunsLabel*>(widget());
            return label->accessibleName().isEmpty() ? label->text() : label->accessibleName();
        }
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("fernholm::RunsLabel") && object && object->isWidgetType()) {
        return new AccessibleRunsLabel(static_cast<RunsLabel*>(object));
    }
    return nullptr;
}

} // namespace

RunsLabel::RunsLabel(QWidget* parent) : QWidget(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void RunsLabel::setRuns(const QList<Run>& runs) {
    if (runs == m_runs) {
        return;
    }
    m_runs = runs;
    changed();
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

QString RunsLabel::text() const {
    QString joined;
    for (const Run& run : m_runs) {
        joined += run.text;
    }
    return joined;
}

void RunsLabel::setMaxLines(int lines) {
    m_maxLines = std::max(0, lines);
    changed();
}

QStringList RunsLabel::shownLines(qreal width) const {
    return layOut(paragraphOf(m_runs, std::nullopt), width, m_maxLines).lines;
}

bool RunsLabel::isTruncated(qreal width) const {
    return layOut(paragraphOf(m_runs, std::nullopt), width, m_maxLines).truncated;
}

QSize RunsLabel::sizeHint() const {
    const Laid laid = layOut(paragraphOf(m_runs, std::nullopt), unbounded, m_maxLines);
    qreal widest = 0;
    if (laid.body) {
        for (int i = 0; i < laid.body->lineCount(); ++i) {
            widest = std::max(widest, laid.body->lineAt(i).naturalTextWidth());
        }
    }
    return QSize(ceilToInt(widest), heightForWidth(ceilToInt(widest)));
}

QSize RunsLabel::minimumSizeHint() const {
    const QFont font = m_runs.isEmpty() ? this->font() : m_runs.first().font;
    return QSize(std::min(sizeHint().width(), 4 * QFontMetrics(font).averageCharWidth()),
                 ceilToInt(QFontMetricsF(font).lineSpacing()));
}

int RunsLabel::heightForWidth(int width) const {
    const Laid laid = layOut(paragraphOf(m_runs, std::nullopt), width, m_maxLines);
    if (laid.lines.isEmpty()) {
        const QFont font = m_runs.isEmpty() ? this->font() : m_runs.first().font;
        return ceilToInt(QFontMetricsF(font).lineSpacing());
    }
    return ceilToInt(laid.height);
}

void RunsLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const Laid laid = layOut(paragraphOf(m_runs, Appearance::schemeOf(this)), width(), m_maxLines);
    // Block of lines centred in a widget taller than it (a row may stretch it).
    const QPointF origin(0, std::max(qreal(0), (height() - laid.height) / 2));
    for (int i = 0; i < laid.keptLines; ++i) {
        laid.body->lineAt(i).draw(&painter, origin);
    }
    if (laid.cutLine) {
        laid.cutLine->lineAt(0).draw(&painter, origin);
    }
}

void RunsLabel::changed() {
    updateGeometry();
    update();
}

} // namespace fernholm
