#include "FernholmApp/components/text/MarkedTitle.h"

#include "FernholmApp/theme/BrandImages.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/TextPainting.h"
#include "FernholmApp/theme/Theme.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>

#include <cmath>

namespace fernholm {

namespace {

// How far the marker reaches beyond the marked text, as shares of the font size.
constexpr qreal reachTop = 0.026;
constexpr qreal reachLeading = 0.196;
constexpr qreal reachBottom = 0.109;
constexpr qreal reachTrailing = 0.384;

class AccessibleTitle final : public QAccessibleWidget {
public:
    explicit AccessibleTitle(MarkedTitle* title) : QAccessibleWidget(title, QAccessible::Heading) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const auto* title = static_cast<const MarkedTitle*>(widget());
            return title->lead().isEmpty() ? title->marked() : title->lead() + u' ' + title->marked();
        }
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* titleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("fernholm::MarkedTitle") && object && object->isWidgetType()) {
        return new AccessibleTitle(static_cast<MarkedTitle*>(object));
    }
    return nullptr;
}

int ceilToInt(qreal value) {
    return int(std::ceil(value - 1e-6));
}

} // namespace

MarkedTitle::MarkedTitle(const QString& lead, const QString& marked, qreal fontSize, QWidget* parent)
    : QWidget(parent), m_lead(lead), m_marked(marked), m_size(std::max(qreal(1), fontSize)) {
    static const bool installed = [] {
        QAccessible::installFactory(titleFactory);
        return true;
    }();
    Q_UNUSED(installed);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void MarkedTitle::setTexts(const QString& lead, const QString& marked) {
    if (lead == m_lead && marked == m_marked) {
        return;
    }
    m_lead = lead;
    m_marked = marked;
    updateGeometry();
    update();
}

QFont MarkedTitle::titleFont() const {
    return Fonts::tracked(Fonts::display(m_size), -0.04 * m_size);
}

MarkedTitle::Arrangement MarkedTitle::arrangement(qreal width) const {
    const QFont font = titleFont();
    const qreal line = Text::lineHeight(font);
    const Text::Options oneLine{1, 0, Qt::AlignLeft};
    const qreal leadWidth = m_lead.isEmpty() ? 0 : Text::size(m_lead, font, QWIDGETSIZE_MAX, oneLine).width();
    const qreal markedWidth = Text::size(m_marked, font, QWIDGETSIZE_MAX, oneLine).width();
    const auto grown = [this](const QRectF& text) {
        return text.adjusted(-reachLeading * m_size, -reachTop * m_size, reachTrailing * m_size, reachBottom * m_size);
    };

    Arrangement a;
    const qreal gap = 0.4 * m_size;
    const qreal together = leadWidth + gap + markedWidth;
    if (together <= width) {
        // Side by side, centred, moved in when the marker would reach past the trailing edge.
        qreal x = (width - together) / 2;
        x = std::max(qreal(0), std::min(x, width - together - reachTrailing * m_size));
        const qreal top = reachTop * m_size;
        a.lead = QRectF(x, top, leadWidth, line);
        a.marked = QRectF(x + leadWidth + gap, top, markedWidth, line);
        a.marker = grown(a.marked);
        a.height = top + line + reachBottom * m_size;
        return a;
    }
    a.stacked = true;
    const QSizeF lead = m_lead.isEmpty() ? QSizeF(0, 0) : Text::size(m_lead, font, width, {0, 0, Qt::AlignHCenter});
    a.lead = QRectF((width - lead.width()) / 2, 0, lead.width(), lead.height());
    const qreal markedTop = lead.height() + (m_lead.isEmpty() ? reachTop * m_size : 0.18 * m_size);
    a.marked = QRectF((width - markedWidth) / 2, markedTop, markedWidth, line);
    a.marker = grown(a.marked);
    a.height = markedTop + line + reachBottom * m_size;
    return a;
}

QSize MarkedTitle::sizeHint() const {
    const QFont font = titleFont();
    const Text::Options oneLine{1, 0, Qt::AlignLeft};
    const qreal leadWidth = m_lead.isEmpty() ? 0 : Text::size(m_lead, font, QWIDGETSIZE_MAX, oneLine).width();
    const qreal markedWidth = Text::size(m_marked, font, QWIDGETSIZE_MAX, oneLine).width();
    const int width = ceilToInt(leadWidth + 0.4 * m_size + markedWidth + reachTrailing * m_size);
    return QSize(width, heightForWidth(width));
}

QSize MarkedTitle::minimumSizeHint() const {
    const qreal markedWidth = Text::size(m_marked, titleFont(), QWIDGETSIZE_MAX, {1, 0, Qt::AlignLeft}).width();
    const int width = ceilToInt(markedWidth + (reachLeading + reachTrailing) * m_size);
    return QSize(width, heightForWidth(width));
}

int MarkedTitle::heightForWidth(int width) const {
    return ceilToInt(arrangement(width).height);
}

void MarkedTitle::paintEvent(QPaintEvent*) {
    const Arrangement a = arrangement(width());
    const QFont font = titleFont();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (const auto& marker = BrandImages::marker()) {
        painter.save();
        const QPointF centre = a.marker.center();
        painter.translate(centre);
        painter.scale(-1, 1);
        painter.translate(-centre);
        marker->paint(painter, a.marker, Theme::accent.on(this));
        painter.restore();
    }
    if (!m_lead.isEmpty()) {
        Text::draw(painter, a.lead, m_lead, font, Theme::ink.on(this), {0, 0, Qt::AlignHCenter});
    }
    Text::draw(painter, a.marked, m_marked, font, Theme::onAccent.on(this), {1, 0, Qt::AlignHCenter});
}

} // namespace fernholm
