#include "FernholmApp/components/controls/PrimaryButton.h"

#include "FernholmApp/components/controls/FocusRing.h"
#include "FernholmApp/components/controls/PillButtonStyle.h"
#include "FernholmApp/theme/Icons.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/TextPainting.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace fernholm {

namespace {

constexpr qreal arrowSize = 12;
constexpr qreal arrowGap = 8;

int ceilToInt(qreal value) {
    return int(std::ceil(value - 1e-6));
}

} // namespace

PrimaryButton::PrimaryButton(const QString& title, Style style, QWidget* parent)
    : QAbstractButton(parent), m_style(style) {
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
    setTitle(title);
}

void PrimaryButton::setTitle(const QString& title) {
    m_title = title;
    // The title is plain text: an ampersand in it is no mnemonic (and stays in the accessible name).
    QString escaped = title;
    escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
    setText(escaped);
    changed();
}

void PrimaryButton::setStyle(Style style) {
    m_style = style;
    changed();
}

void PrimaryButton::setArrow(std::optional<bool> arrow) {
    m_arrow = arrow;
    changed();
}

bool PrimaryButton::showsArrow() const {
    return m_arrow.value_or(m_style == Style::primary || m_style == Style::large);
}

QSize PrimaryButton::sizeHint() const {
    const auto look = PillButtonStyle::look(m_style);
    const qreal title = QFontMetricsF(PillButtonStyle::font(m_style)).horizontalAdvance(m_title);
    const qreal arrow = showsArrow() ? arrowGap + arrowSize : 0;
    return QSize(ceilToInt(2 * look.padding + title + arrow), ceilToInt(look.height));
}

QSize PrimaryButton::minimumSizeHint() const {
    const auto look = PillButtonStyle::look(m_style);
    const qreal ellipsis = QFontMetricsF(PillButtonStyle::font(m_style)).horizontalAdvance(QChar(0x2026));
    const qreal arrow = showsArrow() ? arrowGap + arrowSize : 0;
    return QSize(
        ceilToInt(2 * look.padding + std::min(ellipsis, sizeHint().width() - 2 * look.padding - arrow) + arrow),
        ceilToInt(look.height));
}

namespace {

// The capsule: the style's height, centred in whatever height the widget was given.
QRectF capsuleRect(const QWidget* widget, qreal height) {
    return QRectF(0, (widget->height() - height) / 2, widget->width(), height);
}

} // namespace

bool PrimaryButton::hitButton(const QPoint& pos) const {
    const auto look = PillButtonStyle::look(m_style);
    return Paint::capsule(capsuleRect(this, look.height)).contains(QPointF(pos) + QPointF(0.5, 0.5));
}

void PrimaryButton::paintEvent(QPaintEvent*) {
    const auto look = PillButtonStyle::look(m_style);
    const QRectF capsule = capsuleRect(this, look.height);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const qreal opacity = PillButtonStyle::opacity(isEnabled(), isEnabled() && isDown());
    Paint::layer(painter, QRectF(rect()), opacity, [&](QPainter& p) {
        PillButtonStyle::paintCapsule(p, capsule, m_style, this);

        const QColor ink = look.foreground.on(this);
        const QFont font = PillButtonStyle::font(m_style);
        const QFontMetricsF metrics(font);
        const qreal arrow = showsArrow() ? arrowGap + arrowSize : 0;
        const qreal room = std::max(qreal(0), capsule.width() - 2 * look.padding - arrow);
        const QString shown = Text::elidedLine(m_title, font, room);
        const qreal titleWidth = std::min(metrics.horizontalAdvance(shown), room);
        const qreal left = capsule.left() + (capsule.width() - titleWidth - arrow) / 2;

        p.setFont(font);
        p.setPen(ink);
        p.drawText(QRectF(left, capsule.top(), titleWidth + 1, capsule.height()), Qt::AlignLeft | Qt::AlignVCenter,
                   shown);
        if (showsArrow()) {
            const QRectF box(left + titleWidth + arrowGap, capsule.center().y() - arrowSize / 2, arrowSize, arrowSize);
            Icons::paint(p, QStringLiteral("arrow.right"), box, IconWeight::medium, ink);
        }
        if (FocusRing::visible(this)) {
            FocusRing::paint(p, capsule, capsule.height() / 2, ink);
        }
    });
}

void PrimaryButton::changed() {
    updateGeometry();
    update();
}

} // namespace fernholm
