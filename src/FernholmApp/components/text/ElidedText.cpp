#include "FernholmApp/components/text/ElidedText.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace fernholm {

ElidedText::ElidedText(const QString& text, const QFont& font, const ThemeColor& color, Qt::TextElideMode mode,
                       QWidget* parent)
    : QWidget(parent), m_text(text), m_color(color), m_mode(mode) {
    setFont(font);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAccessibleName(text);
}

void ElidedText::setText(const QString& text) {
    if (text == m_text) {
        return;
    }
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void ElidedText::setAlignment(Qt::Alignment alignment) {
    m_alignment = alignment;
    update();
}

QString ElidedText::shownText() const {
    return QFontMetricsF(font()).elidedText(m_text, m_mode, width());
}

QSize ElidedText::sizeHint() const {
    const QFontMetricsF metrics(font());
    return QSize(int(std::ceil(metrics.horizontalAdvance(m_text))), int(std::ceil(metrics.height())));
}

QSize ElidedText::minimumSizeHint() const {
    return QSize(0, sizeHint().height());
}

void ElidedText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(m_color.on(this));
    painter.drawText(rect(), int(m_alignment | Qt::AlignTop) | Qt::TextSingleLine, shownText());
}

void ElidedText::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
    }
    QWidget::changeEvent(event);
}

} // namespace fernholm
