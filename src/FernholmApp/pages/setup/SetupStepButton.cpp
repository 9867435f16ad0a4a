#include "FernholmApp/pages/setup/SetupStepButton.h"

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

constexpr qreal padding = 20;
constexpr qreal arrowSize = 13;
constexpr qreal arrowGap = 8;

QFont titleFont() {
    return Fonts::sans(14, 500);
}

} // namespace

SetupStepButton::SetupStepButton(const QString& title, QWidget* parent) : QAbstractButton(parent) {
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setTitle(title);
}

void SetupStepButton::setTitle(const QString& title) {
    if (title == m_title && !text().isEmpty()) {
        return;
    }
    m_title = title;
    QString escaped = title;
    escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
    setText(escaped);
    updateGeometry();
    update();
}

QSize SetupStepButton::sizeHint() const {
    const qreal title = QFontMetricsF(titleFont()).horizontalAdvance(m_title);
    return QSize(int(std::ceil(2 * padding + title + arrowGap + arrowSize - 1e-6)), capsuleHeight);
}

QSize SetupStepButton::minimumSizeHint() const {
    const qreal ellipsis = QFontMetricsF(titleFont()).horizontalAdvance(QChar(0x2026));
    return QSize(int(std::ceil(2 * padding + std::min<qreal>(ellipsis, sizeHint().width()) + arrowGap + arrowSize)),
                 capsuleHeight);
}

void SetupStepButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF capsule(0, (height() - capsuleHeight) / 2.0, width(), capsuleHeight);
    Paint::layer(painter, QRectF(rect()), opacity(), [&](QPainter& p) {
        Paint::fill(p, Paint::capsule(capsule), Theme::heroInk.on(this));
        const QColor ink = Theme::hero.on(this);
        const QFont font = titleFont();
        const qreal room = std::max<qreal>(0, capsule.width() - 2 * padding - arrowGap - arrowSize);
        const QString shown = Text::elidedLine(m_title, font, room);
        const qreal titleWidth = std::min(QFontMetricsF(font).horizontalAdvance(shown), room);
        const qreal left = capsule.left() + (capsule.width() - titleWidth - arrowGap - arrowSize) / 2;
        p.setFont(font);
        p.setPen(ink);
        p.drawText(QRectF(left, capsule.top(), titleWidth + 1, capsule.height()), Qt::AlignLeft | Qt::AlignVCenter,
                   shown);
        const QRectF arrow(left + titleWidth + arrowGap, capsule.center().y() - arrowSize / 2, arrowSize, arrowSize);
        Icons::paint(p, QStringLiteral("arrow.right"), arrow, IconWeight::medium, ink);
        if (FocusRing::visible(this)) {
            FocusRing::paint(p, capsule, capsule.height() / 2, ink);
        }
    });
}

} // namespace fernholm
