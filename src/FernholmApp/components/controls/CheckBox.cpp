#include "FernholmApp/components/controls/CheckBox.h"

#include "FernholmApp/components/controls/FocusRing.h"
#include "FernholmApp/theme/Icons.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/Theme.h"

#include <QPainter>

namespace fernholm {

namespace {

constexpr int side = 18;
constexpr qreal radius = 4;
constexpr qreal markSide = 12;
constexpr qreal disabledOpacity = 0.4;
constexpr qreal pressedOpacity = 0.75;

} // namespace

CheckBox::CheckBox(const QString& label, QWidget* parent) : QAbstractButton(parent) {
    // Checkable before anything asks for the accessible interface: its role is fixed then.
    setCheckable(true);
    setAccessibleName(label);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
}

QRectF CheckBox::boxRect() const {
    return QRectF((width() - boxSide) / 2, (height() - boxSide) / 2, boxSide, boxSide);
}

QSize CheckBox::sizeHint() const {
    return QSize(side, side);
}

QSize CheckBox::minimumSizeHint() const {
    return sizeHint();
}

void CheckBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal opacity = !isEnabled() ? disabledOpacity : isDown() ? pressedOpacity : 1.0;
    Paint::layer(painter, QRectF(rect()), opacity, [this](QPainter& p) {
        const QRectF box = boxRect();
        const QPainterPath shape = Paint::roundedRect(box, radius);
        if (isChecked()) {
            Paint::fill(p, shape, Theme::accent.on(this));
            const QRectF mark(box.center() - QPointF(markSide / 2, markSide / 2), QSizeF(markSide, markSide));
            Icons::paint(p, QStringLiteral("checkmark"), mark, IconWeight::medium, Theme::onAccent.on(this));
        } else {
            Paint::fill(p, shape, Theme::surface.on(this));
            Paint::strokeInside(p, box, radius, Theme::fieldEdge.on(this));
        }
        if (FocusRing::visible(this)) {
            // Just round the box, in the room the widget keeps about it.
            FocusRing::paint(p, QRectF(rect()), radius + 1, Theme::ink.on(this), 0);
        }
    });
}

} // namespace fernholm
