#include "FernholmApp/components/controls/PlainTextEditor.h"

#include "FernholmApp/components/controls/ScrollBar.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmApp/theme/ThemePalette.h"

#include <QEvent>
#include <QTextBlock>
#include <QTextDocument>

#include <cmath>

namespace fernholm {

PlainTextEditor::PlainTextEditor(const QFont& font, const QString& placeholder, QWidget* parent)
    : QPlainTextEdit(parent) {
    setFrameShape(QFrame::NoFrame);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    setVerticalScrollBar(new ScrollBar(Qt::Vertical));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setTabChangesFocus(true);
    setBackgroundVisible(false);
    document()->setDocumentMargin(0);
    setViewportMargins(textInset, 0, textInset, 0);
    setFont(font);
    setPlaceholderText(placeholder);
    syncPalette();

    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (m_fitsContent) {
            updateGeometry();
        }
        if (!m_settingText) {
            Q_EMIT textEdited(toPlainText());
        }
    });
}

void PlainTextEditor::setText(const QString& text) {
    if (text == toPlainText()) {
        return;
    }
    m_settingText = true;
    setPlainText(text);
    m_settingText = false;
}

void PlainTextEditor::setFitsContent(bool fits) {
    if (fits == m_fitsContent) {
        return;
    }
    m_fitsContent = fits;
    updateGeometry();
}

int PlainTextEditor::contentHeight(int limit) const {
    qreal height = 0;
    for (QTextBlock block = document()->firstBlock(); block.isValid() && height <= limit; block = block.next()) {
        height += blockBoundingRect(block).height();
    }
    return int(std::ceil(height));
}

QSize PlainTextEditor::sizeHint() const {
    const QSize base = QPlainTextEdit::sizeHint();
    if (!m_fitsContent) {
        return QSize(base.width(), std::max(base.height(), minimumHeight()));
    }
    // The editor scrolls unless its viewport is a pixel taller than the text.
    const int chrome = 2 * frameWidth() + 1;
    return QSize(base.width(), std::clamp(contentHeight(maximumHeight()) + chrome, minimumHeight(), maximumHeight()));
}

QSize PlainTextEditor::minimumSizeHint() const {
    return QSize(QPlainTextEdit::minimumSizeHint().width(), minimumHeight());
}

void PlainTextEditor::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    // Another width wraps the text onto another number of lines.
    if (m_fitsContent && width() != m_lastWidth) {
        m_lastWidth = width();
        updateGeometry();
    }
}

void PlainTextEditor::syncPalette() {
    // The palette gives the colours of the text, the caret, the placeholder and the selection;
    // the scheme is only known for sure at paint time (an ancestor may force one).
    const ColorScheme scheme = Appearance::schemeOf(this);
    if (m_paletteScheme == scheme) {
        return;
    }
    m_paletteScheme = scheme;
    setPalette(fieldPalette(scheme));
}

void PlainTextEditor::paintEvent(QPaintEvent* event) {
    syncPalette();
    QPlainTextEdit::paintEvent(event);
}

void PlainTextEditor::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange && m_fitsContent) {
        updateGeometry();
    }
}

} // namespace fernholm
