#include "FernholmApp/components/text/SelectableText.h"

#include "FernholmApp/theme/ThemePalette.h"
#include "FernholmApp/theme/TextPainting.h"
#include "FernholmKit/text/L10n.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QPalette>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>

#include <cmath>
#include <memory>

namespace fernholm {

namespace {

int ceilToInt(qreal value) {
    return int(std::ceil(value - 1e-6));
}

// The document laid out at `width` (-1: each paragraph on one line), apart from the shown one.
std::unique_ptr<QTextDocument> laidOut(const QTextDocument* document, qreal width) {
    std::unique_ptr<QTextDocument> copy(document->clone());
    copy->setDefaultFont(document->defaultFont());
    copy->setDefaultTextOption(document->defaultTextOption());
    copy->setDocumentMargin(document->documentMargin());
    copy->rootFrame()->setFrameFormat(document->rootFrame()->frameFormat());
    copy->setTextWidth(width);
    return copy;
}

} // namespace

SelectableText::SelectableText(const QString& text, const QFont& font, const ThemeColor& color, QWidget* parent)
    : QTextEdit(parent), m_color(color) {
    setReadOnly(true);
    setAcceptRichText(false);
    setUndoRedoEnabled(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setFocusPolicy(Qt::ClickFocus);
    setTabChangesFocus(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    document()->setDocumentMargin(0);
    setFont(font);
    document()->setDefaultFont(font);
    setPlainText(text);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void SelectableText::setText(const QString& text) {
    if (m_maxLines > 0) {
        if (text != m_full) {
            m_full = text;
            showCut();
        }
        return;
    }
    if (text == toPlainText()) {
        return;
    }
    setPlainText(text);
    applyLineSpacing();
    updateGeometry();
}

void SelectableText::setMaxLines(int lines) {
    lines = std::max(0, lines);
    if (lines == m_maxLines) {
        return;
    }
    if (m_maxLines == 0) {
        m_full = toPlainText();
    }
    m_maxLines = lines;
    if (lines == 0) {
        setPlainText(m_full);
        applyLineSpacing();
        updateGeometry();
        return;
    }
    showCut();
}

QString SelectableText::cutAt(int width) const {
    // Each shown line ends in a line break of its own, so the document breaks exactly there.
    // A few pixels to spare: the editor keeps room for its cursor at the end of a line, and a
    // line that filled the width exactly would wrap once more there.
    const Text::Lines lines = Text::layout(m_full, font(), std::max(width - 4, 1), {m_maxLines, 0, Qt::AlignLeft});
    return lines.truncated ? lines.lines.join(QLatin1Char('\n')) : m_full;
}

void SelectableText::showCut() {
    const QString shown = cutAt(viewport()->width());
    if (shown != toPlainText()) {
        setPlainText(shown);
        applyLineSpacing();
    }
    updateGeometry();
}

void SelectableText::resizeEvent(QResizeEvent* event) {
    QTextEdit::resizeEvent(event);
    if (m_maxLines > 0) {
        showCut();
    }
}

QMimeData* SelectableText::createMimeDataFromSelection() const {
    const QTextCursor cursor = textCursor();
    if (m_maxLines > 0 && toPlainText() != m_full && cursor.selectionStart() == 0 &&
        cursor.selectionEnd() >= document()->characterCount() - 1) {
        auto* data = new QMimeData;
        data->setText(m_full);
        return data;
    }
    return QTextEdit::createMimeDataFromSelection();
}

void SelectableText::setLineSpacing(qreal spacing) {
    spacing = std::max(qreal(0), spacing);
    if (qFuzzyCompare(spacing + 1, m_lineSpacing + 1)) {
        return;
    }
    m_lineSpacing = spacing;
    applyLineSpacing();
    updateGeometry();
}


void SelectableText::setColor(const ThemeColor& color) {
    m_color = color;
    viewport()->update();
}

void SelectableText::applyLineSpacing() {
    if (m_lineSpacing <= 0 &&
        document()->firstBlock().blockFormat().lineHeightType() == QTextBlockFormat::SingleHeight) {
        return;
    }
    // Every line gets the extra height, the last one too: the frame gives it back below.
    QTextCursor cursor(document());
    cursor.select(QTextCursor::Document);
    QTextBlockFormat format;
    format.setLineHeight(m_lineSpacing, QTextBlockFormat::LineDistanceHeight);
    cursor.mergeBlockFormat(format);
    QTextFrameFormat frame = document()->rootFrame()->frameFormat();
    frame.setBottomMargin(document()->documentMargin() - m_lineSpacing);
    document()->rootFrame()->setFrameFormat(frame);
}

QString SelectableText::selectedText() const {
    QString text = textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

QSize SelectableText::sizeHint() const {
    const auto natural = laidOut(document(), -1);
    return QSize(ceilToInt(natural->idealWidth()), ceilToInt(natural->size().height()));
}

QSize SelectableText::minimumSizeHint() const {
    return QSize(std::min(sizeHint().width(), 4 * fontMetrics().averageCharWidth()), sizeHint().height());
}

int SelectableText::heightForWidth(int width) const {
    width = std::clamp(width, 1, maximumWidth());
    const auto doc = laidOut(document(), width);
    if (m_maxLines > 0) {
        const QString shown = cutAt(width);
        if (shown != doc->toPlainText()) {
            // The cut differs at this width: measure what would be shown there.
            doc->setPlainText(shown);
            if (m_lineSpacing > 0) {
                QTextCursor cursor(doc.get());
                cursor.select(QTextCursor::Document);
                QTextBlockFormat format;
                format.setLineHeight(m_lineSpacing, QTextBlockFormat::LineDistanceHeight);
                cursor.mergeBlockFormat(format);
            }
        }
    }
    return ceilToInt(doc->size().height());
}

void SelectableText::paintEvent(QPaintEvent* event) {
    // The palette decides the colours of the text and of a selection; the scheme can only be
    // known now (it may be forced on an ancestor), so the palette follows it here. A change
    // repaints once more.
    const ColorScheme scheme = Appearance::schemeOf(this);
    const QColor ink = m_color.resolve(scheme);
    if (!m_paletteScheme || *m_paletteScheme != scheme || palette().color(QPalette::Text) != ink) {
        QPalette p = themePalette(scheme);
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            p.setColor(group, QPalette::Text, ink);
            p.setColor(group, QPalette::WindowText, ink);
            p.setColor(group, QPalette::HighlightedText, ink);
            p.setColor(group, QPalette::Base, Qt::transparent);
            p.setColor(group, QPalette::Window, Qt::transparent);
        }
        m_paletteScheme = scheme;
        setPalette(p);
    }
    QTextEdit::paintEvent(event);
}

void SelectableText::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.setPalette(themePalette(Appearance::schemeOf(this)));
    QAction* copy = menu.addAction(fernholm::tr("Copy"), this, &QTextEdit::copy);
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(textCursor().hasSelection());
    QAction* all = menu.addAction(fernholm::tr("Select All"), this, &QTextEdit::selectAll);
    all->setShortcut(QKeySequence::SelectAll);
    all->setEnabled(!document()->isEmpty());
    menu.exec(event->globalPos());
}

void SelectableText::changeEvent(QEvent* event) {
    QTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        document()->setDefaultFont(font());
        updateGeometry();
    }
}

} // namespace fernholm
