#include "FernholmApp/pages/setup/StepBadge.h"

#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Icons.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/TextPainting.h"

#include <QPainter>

namespace fernholm {

namespace {

constexpr ThemeColor white = Theme::fixed(0xFFFFFF);

} // namespace

StepBadge::StepBadge(QWidget* parent) : QWidget(parent) {
    setFixedSize(diameter, diameter);
}

void StepBadge::set(SetupStep::Look look, int number) {
    if (look == m_look && number == m_number) {
        return;
    }
    m_look = look;
    m_number = number;
    update();
}

ThemeColor StepBadge::fill() const {
    switch (m_look) {
    case SetupStep::Look::done:
        return Theme::switchOn;
    case SetupStep::Look::current:
        return Theme::heroInk;
    case SetupStep::Look::pending:
        break;
    }
    return Theme::muted;
}

ThemeColor StepBadge::ink() const {
    switch (m_look) {
    case SetupStep::Look::done:
        return white;
    case SetupStep::Look::current:
        return Theme::hero;
    case SetupStep::Look::pending:
        break;
    }
    return Theme::dim;
}

void StepBadge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF circle(0, 0, diameter, diameter);
    QPainterPath shape;
    shape.addEllipse(circle);
    Paint::fill(painter, shape, fill().on(this));
    const QColor color = ink().on(this);
    if (m_look == SetupStep::Look::done) {
        const qreal size = 13;
        Icons::paint(painter, QStringLiteral("checkmark"),
                     QRectF(circle.center() - QPointF(size / 2, size / 2), QSizeF(size, size)), IconWeight::medium,
                     color);
        return;
    }
    const QFont font = Fonts::sans(14, 600);
    const qreal line = Text::lineHeight(font);
    Text::draw(painter, QRectF(0, (diameter - line) / 2, diameter, line), QString::number(m_number), font, color,
               {1, 0, Qt::AlignHCenter});
}

} // namespace fernholm
