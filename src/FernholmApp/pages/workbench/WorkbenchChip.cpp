#include "FernholmApp/pages/workbench/WorkbenchChip.h"

#include "FernholmApp/components/controls/FocusRing.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Icons.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace fernholm {

namespace {

constexpr qreal paddingH = 11;
constexpr qreal paddingV = 5;
constexpr qreal symbolSize = 10;
constexpr qreal gap = 6;
constexpr qreal arrowGap = 4; // between the arrow and its token

int ceilToInt(qreal value) {
    return int(std::ceil(value - 1e-6));
}

} // namespace

WorkbenchChip::WorkbenchChip(const WorkbenchItem& item, bool hiddenByUser, QWidget* parent)
    : QAbstractButton(parent), m_item(item), m_hiddenByUser(hiddenByUser) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
    changed();
}

void WorkbenchChip::setItem(const WorkbenchItem& item, bool hiddenByUser) {
    if (item == m_item && hiddenByUser == m_hiddenByUser) {
        return;
    }
    m_item = item;
    m_hiddenByUser = hiddenByUser;
    changed();
}

QString WorkbenchChip::symbol() const {
    return m_item.token ? QStringLiteral("eye.slash") : QStringLiteral("eye");
}

std::optional<QString> WorkbenchChip::caption() const {
    if (!m_item.token) {
        return std::nullopt;
    }
    return m_hiddenByUser ? fernholm::tr("Hidden by you") : m_item.typeName;
}

QString WorkbenchChip::shownValue() const {
    const QFontMetricsF metrics(Fonts::sans(12, 500));
    if (metrics.horizontalAdvance(m_item.value) <= maximumValueWidth) {
        return m_item.value;
    }
    return metrics.elidedText(m_item.value, Qt::ElideMiddle, maximumValueWidth);
}

QString WorkbenchChip::trailingText() const {
    return m_item.token ? *m_item.token : fernholm::tr("Shown");
}

QList<WorkbenchChip::Part> WorkbenchChip::parts() const {
    QList<Part> out;
    const auto add = [&out](const QString& text, const QFont& font, qreal maxWidth = -1) {
        qreal width = QFontMetricsF(font).horizontalAdvance(text);
        if (maxWidth >= 0) {
            width = std::min(width, maxWidth);
        }
        out.append(Part{text, font, width});
    };
    if (const auto shownCaption = caption()) {
        add(*shownCaption, Fonts::sans(11, 400));
    }
    add(shownValue(), Fonts::sans(12, 500), maximumValueWidth);
    if (m_item.token) {
        add(fernholm::tr("→"), Fonts::sans(11, 500));
        add(*m_item.token, Fonts::mono(11, 400));
    } else {
        add(trailingText(), Fonts::sans(11, 400));
    }
    return out;
}

QSize WorkbenchChip::sizeHint() const {
    qreal width = 2 * paddingH + symbolSize;
    qreal height = symbolSize;
    const QList<Part> all = parts();
    for (int i = 0; i < all.size(); ++i) {
        const bool tokenAfterArrow = m_item.token && i == all.size() - 1;
        width += (tokenAfterArrow ? arrowGap : gap) + all.at(i).width;
        height = std::max(height, QFontMetricsF(all.at(i).font).height());
    }
    return QSize(ceilToInt(width), ceilToInt(height + 2 * paddingV));
}

QSize WorkbenchChip::minimumSizeHint() const {
    return sizeHint();
}

bool WorkbenchChip::hitButton(const QPoint& pos) const {
    return Paint::capsule(QRectF(rect())).contains(QPointF(pos) + QPointF(0.5, 0.5));
}

void WorkbenchChip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF capsule(rect());
    const QColor tint = (m_item.token ? Theme::token : Theme::green).on(this);
    const qreal opacity = isDown() ? 0.75 : 1.0;
    Paint::layer(painter, capsule, opacity, [&](QPainter& p) {
        Paint::fill(p, Paint::capsule(capsule), Theme::surface.on(this));
        Paint::strokeInside(p, capsule, capsule.height() / 2, Theme::hairline.on(this));

        qreal x = paddingH;
        Icons::paint(p, symbol(), QRectF(x, capsule.center().y() - symbolSize / 2, symbolSize, symbolSize),
                     IconWeight::regular, tint);
        x += symbolSize;

        const QList<Part> all = parts();
        for (int i = 0; i < all.size(); ++i) {
            const Part& part = all.at(i);
            const bool isCaption = caption() && i == 0;
            const bool isValue = i == (caption() ? 1 : 0);
            const bool tokenAfterArrow = m_item.token && i == all.size() - 1;
            x += tokenAfterArrow ? arrowGap : gap;
            QColor color = tint;
            if (isCaption) {
                color = Theme::dim.on(this);
            } else if (isValue) {
                color = Theme::ink.on(this);
            }
            p.setFont(part.font);
            p.setPen(color);
            p.drawText(QRectF(x, 0, part.width + 1, capsule.height()), Qt::AlignLeft | Qt::AlignVCenter, part.text);
            x += part.width;
        }
        if (FocusRing::visible(this)) {
            FocusRing::paint(p, capsule, capsule.height() / 2, Theme::ink.on(this));
        }
    });
}

void WorkbenchChip::changed() {
    setToolTip(m_item.token ? fernholm::tr("Show “{value}” to the AI", {{"value", m_item.value}})
                            : fernholm::tr("Hide it again"));
    QStringList name;
    if (const auto shownCaption = caption()) {
        name << *shownCaption;
    }
    name << m_item.value << trailingText();
    setAccessibleName(name.join(QLatin1String(", ")));
    setAccessibleDescription(toolTip());
    updateGeometry();
    update();
}

} // namespace fernholm
