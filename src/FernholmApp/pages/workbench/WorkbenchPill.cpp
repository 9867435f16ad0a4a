#include "FernholmApp/pages/workbench/WorkbenchPill.h"

#include "FernholmApp/components/controls/FocusRing.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Icons.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/TextPainting.h"
#include "FernholmApp/theme/Theme.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace fernholm {

namespace {

constexpr qreal paddingH = 12;
constexpr qreal selectionPaddingV = 6;
constexpr qreal darkHeight = 30;
constexpr qreal symbolSize = 11;
constexpr qreal gap = 6;

int ceilToInt(qreal value) {
    return int(std::ceil(value - 1e-6));
}

} // namespace

WorkbenchPill::WorkbenchPill(Look look, const QString& symbol, const QString& title, QWidget* parent)
    : QAbstractButton(parent), m_look(look), m_symbol(symbol) {
    setSizePolicy(look == Look::selection ? QSizePolicy::Maximum : QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
    setTitle(title);
}

void WorkbenchPill::setTitle(const QString& title) {
    if (title == m_title) {
        return;
    }
    m_title = title;
    setAccessibleName(title);
    updateGeometry();
    update();
}

QFont WorkbenchPill::titleFont() const {
    return Fonts::sans(12, 500);
}

qreal WorkbenchPill::titleRoom() const {
    return std::max(qreal(0), width() - 2 * paddingH - symbolSize - gap);
}

QString WorkbenchPill::shownTitle() const {
    const QFontMetricsF metrics(titleFont());
    if (metrics.horizontalAdvance(m_title) <= titleRoom() + 0.5) {
        return m_title;
    }
    return metrics.elidedText(m_title, Qt::ElideMiddle, titleRoom());
}

qreal WorkbenchPill::drawnOpacity() const {
    if (!isEnabled()) {
        return 0.5;
    }
    return isDown() ? 0.75 : 1.0;
}

QSize WorkbenchPill::sizeHint() const {
    const QFontMetricsF metrics(titleFont());
    const qreal height =
        m_look == Look::dark ? darkHeight : 2 * selectionPaddingV + std::max(metrics.height(), symbolSize);
    return QSize(ceilToInt(2 * paddingH + symbolSize + gap + metrics.horizontalAdvance(m_title)), ceilToInt(height));
}

QSize WorkbenchPill::minimumSizeHint() const {
    if (m_look == Look::dark) {
        return sizeHint();
    }
    // Room for a few letters either side of the ellipsis.
    const qreal least = QFontMetricsF(titleFont()).horizontalAdvance(QStringLiteral("Hide “a…b”"));
    const QSize hint = sizeHint();
    return QSize(std::min(hint.width(), ceilToInt(2 * paddingH + symbolSize + gap + least)), hint.height());
}

bool WorkbenchPill::hitButton(const QPoint& pos) const {
    return Paint::capsule(QRectF(rect())).contains(QPointF(pos) + QPointF(0.5, 0.5));
}

void WorkbenchPill::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF capsule(rect());
    const bool dark = m_look == Look::dark;
    const QColor ink = (dark ? Theme::onFeature : Theme::inverseInk).on(this);
    const QColor fill = (dark ? Theme::featureControl : Theme::onFeature).on(this);
    Paint::layer(painter, capsule, drawnOpacity(), [&](QPainter& p) {
        Paint::fill(p, Paint::capsule(capsule), fill);
        const QRectF symbol(paddingH, capsule.center().y() - symbolSize / 2, symbolSize, symbolSize);
        Icons::paint(p, m_symbol, symbol, IconWeight::regular, ink);
        p.setFont(titleFont());
        p.setPen(ink);
        p.drawText(QRectF(symbol.right() + gap, 0, titleRoom() + 1, capsule.height()), Qt::AlignLeft | Qt::AlignVCenter,
                   shownTitle());
        if (FocusRing::visible(this)) {
            FocusRing::paint(p, capsule, capsule.height() / 2, ink);
        }
    });
}

} // namespace fernholm
