#include "FernholmApp/components/text/StatusPill.h"

#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/TextPainting.h"
#include "FernholmKit/text/L10n.h"

#include <QEvent>
#include <QPainter>

#include <cmath>

namespace fernholm {

namespace {

constexpr qreal paddingH = 10;
constexpr qreal paddingV = 4;

} // namespace

StatusPill::StatusPill(PillKind kind, QWidget* parent) : QWidget(parent), m_kind(kind) {
    setFont(Fonts::sans(12, 600));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    retranslate();
}

void StatusPill::setKind(PillKind kind) {
    if (kind == m_kind) {
        return;
    }
    m_kind = kind;
    retranslate();
    update();
}

QString StatusPill::label(PillKind kind) {
    switch (kind) {
    case PillKind::redacted:
        return fernholm::tr("Redacted");
    case PillKind::passed:
        return fernholm::tr("Passed");
    case PillKind::blocked:
        return fernholm::tr("Blocked");
    case PillKind::unfiltered:
        return fernholm::tr("Not inspected");
    }
    return {};
}

StatusPill::Colors StatusPill::colors(PillKind kind) {
    switch (kind) {
    case PillKind::redacted:
        return {Theme::green, Theme::greenBg};
    case PillKind::passed:
        return {Theme::dim, Theme::neutralBg};
    case PillKind::blocked:
        return {Theme::red, Theme::redBg};
    case PillKind::unfiltered:
        return {Theme::warningInk, Theme::warningIconBg};
    }
    return {Theme::dim, Theme::neutralBg};
}

QSize StatusPill::sizeHint() const {
    const qreal width = Text::size(m_text, font(), QWIDGETSIZE_MAX, {1, 0, Qt::AlignLeft}).width();
    return QSize(int(std::ceil(width + 2 * paddingH - 1e-6)),
                 int(std::ceil(Text::lineHeight(font()) + 2 * paddingV - 1e-6)));
}

void StatusPill::paintEvent(QPaintEvent*) {
    const Colors c = colors(m_kind);
    QPainter painter(this);
    Paint::fill(painter, Paint::capsule(QRectF(rect())), c.fill.on(this));
    painter.setRenderHint(QPainter::TextAntialiasing);
    const qreal line = Text::lineHeight(font());
    Text::draw(painter, QRectF(paddingH, (height() - line) / 2, width() - 2 * paddingH, line), m_text, font(),
               c.text.on(this), {1, 0, Qt::AlignHCenter});
}

void StatusPill::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        retranslate();
    }
    QWidget::changeEvent(event);
}

void StatusPill::retranslate() {
    const QString text = label(m_kind);
    if (text == m_text) {
        return;
    }
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

} // namespace fernholm
