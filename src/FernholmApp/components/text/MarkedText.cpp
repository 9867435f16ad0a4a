#include "FernholmApp/components/text/MarkedText.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>

#include <cmath>
#include <memory>

namespace fernholm {

namespace {

std::unique_ptr<QTextDocument> laidOutAt(const QTextDocument* document, qreal width) {
    std::unique_ptr<QTextDocument> copy(document->clone());
    copy->setDefaultFont(document->defaultFont());
    copy->setDefaultTextOption(document->defaultTextOption());
    copy->setDocumentMargin(document->documentMargin());
    copy->rootFrame()->setFrameFormat(document->rootFrame()->frameFormat());
    copy->setTextWidth(width);
    copy->documentLayout(); // lays it out
    return copy;
}

} // namespace

MarkedText::MarkedText(const QFont& font, const ThemeColor& color, QWidget* parent)
    : SelectableText(QString(), font, color, parent) {
    // A capped text must keep showing its first lines, also while a selection is dragged below.
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (value != 0) {
            verticalScrollBar()->setValue(0);
        }
    });
}

void MarkedText::setSegments(const QList<AnonymizedSegment>& segments) {
    if (segments == m_segments && m_markScheme) {
        return;
    }
    m_segments = segments;
    QString joined;
    for (const AnonymizedSegment& segment : segments) {
        joined += segment.text;
    }
    setText(joined);
    m_heights.clear();
    m_markScheme.reset();
    applyMarks(Appearance::schemeOf(this));
    updateGeometry();
}

void MarkedText::setLineSpacing(qreal spacing) {
    m_heights.clear();
    SelectableText::setLineSpacing(spacing);
}

void MarkedText::setMaxLines(std::optional<int> lines) {
    if (lines && *lines < 1) {
        lines = 1;
    }
    if (lines == m_maxLines) {
        return;
    }
    m_maxLines = lines;
    m_heights.clear();
    updateGeometry();
}

QList<std::pair<int, int>> MarkedText::markedRanges() const {
    QList<std::pair<int, int>> ranges;
    int start = 0;
    for (const AnonymizedSegment& segment : m_segments) {
        const int length = int(segment.text.size());
        if (segment.kind != AnonymizedSegment::Kind::plain && length > 0) {
            ranges.append({start, length});
        }
        start += length;
    }
    return ranges;
}

void MarkedText::applyMarks(ColorScheme scheme) {
    m_markScheme = scheme;
    QTextCursor all(document());
    all.select(QTextCursor::Document);
    QTextCharFormat clear;
    clear.setBackground(Qt::NoBrush);
    all.mergeCharFormat(clear);
    // Positions in the document are those of the joined text, except that "\r\n" became one
    // paragraph break; count it as one character there.
    QString joined;
    for (const AnonymizedSegment& segment : std::as_const(m_segments)) {
        joined += segment.text;
    }
    auto documentPosition = [&joined](int offset) {
        return offset - int(QStringView(joined).left(offset).count(QLatin1String("\r\n")));
    };
    QTextCharFormat mark;
    mark.setBackground(Theme::mark.resolve(scheme));
    for (const auto& [start, length] : markedRanges()) {
        QTextCursor cursor(document());
        cursor.setPosition(documentPosition(start));
        cursor.setPosition(documentPosition(start + length), QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(mark);
    }
}

int MarkedText::lineCount(int width) const {
    const auto doc = laidOutAt(document(), width < 0 ? -1 : std::max(width, 1));
    int lines = 0;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        lines += block.layout() ? block.layout()->lineCount() : 0;
    }
    return lines;
}

int MarkedText::cappedHeight(int width, int fullHeight) const {
    if (!m_maxLines) {
        return fullHeight;
    }
    const auto doc = laidOutAt(document(), width < 0 ? -1 : std::max(width, 1));
    int seen = 0;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        if (!layout) {
            continue;
        }
        const QRectF blockRect = doc->documentLayout()->blockBoundingRect(block);
        for (int i = 0; i < layout->lineCount(); ++i) {
            if (++seen == *m_maxLines) {
                const QTextLine line = layout->lineAt(i);
                const int bottom = int(std::ceil(blockRect.top() + line.y() + line.height() - 1e-6));
                return std::min(fullHeight, bottom);
            }
        }
    }
    return fullHeight;
}

QSize MarkedText::sizeHint() const {
    const QSize natural = SelectableText::sizeHint();
    return QSize(natural.width(), cappedHeight(-1, natural.height()));
}

int MarkedText::heightForWidth(int width) const {
    width = std::clamp(width, 1, maximumWidth());
    if (const auto known = m_heights.constFind(width); known != m_heights.constEnd()) {
        return *known;
    }
    if (m_heights.size() > 32) {
        m_heights.clear();
    }
    const int height = cappedHeight(width, SelectableText::heightForWidth(width));
    m_heights.insert(width, height);
    return height;
}

void MarkedText::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        m_heights.clear();
    }
    SelectableText::changeEvent(event);
}

void MarkedText::paintEvent(QPaintEvent* event) {
    // The mark colour depends on the scheme, which is known for sure only now.
    const ColorScheme scheme = Appearance::schemeOf(this);
    if (m_markScheme != scheme) {
        applyMarks(scheme);
    }
    SelectableText::paintEvent(event);
}

} // namespace fernholm
