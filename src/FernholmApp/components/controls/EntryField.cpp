#include "FernholmApp/components/controls/EntryField.h"

#include "FernholmApp/components/controls/FocusRing.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmApp/theme/ThemePalette.h"

#include <QPainter>
#include <QPainterPath>

namespace fernholm {

EntryField::EntryField(const QString& placeholder, QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    setFont(Fonts::sans(14));
    setPlaceholderText(placeholder);
    setTextMargins(textInset, 0, textInset, 0);
    setFixedHeight(fieldHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    syncPalette();
}

QSize EntryField::sizeHint() const {
    return QSize(160, fieldHeight);
}

QSize EntryField::minimumSizeHint() const {
    return QSize(2 * textInset + 24, fieldHeight);
}

void EntryField::syncPalette() {
    // The scheme is only known for sure at paint time (an ancestor may force one).
    const ColorScheme scheme = Appearance::schemeOf(this);
    if (m_paletteScheme == scheme) {
        return;
    }
    m_paletteScheme = scheme;
    QPalette p = fieldPalette(scheme);
    // Typed text stays in ink while the field is disabled.
    p.setColor(QPalette::Disabled, QPalette::Text, Theme::ink.resolve(scheme));
    setPalette(p);
}

void EntryField::paintEvent(QPaintEvent* event) {
    syncPalette();
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath shape;
        shape.addRoundedRect(box, Theme::fieldRadius, Theme::fieldRadius);
        painter.fillPath(shape, Theme::surface.on(this));
        painter.setPen(QPen(Theme::fieldEdge.on(this), 1));
        painter.drawPath(shape);
        if (hasFocus()) {
            FocusRing::paint(painter, QRectF(rect()), Theme::fieldRadius, Theme::ink.on(this), 1);
        }
    }
    QLineEdit::paintEvent(event);
}

} // namespace fernholm
