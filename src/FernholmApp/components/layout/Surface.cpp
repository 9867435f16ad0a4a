#include "FernholmApp/components/layout/Surface.h"

#include "FernholmApp/theme/Painting.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QChildEvent>
#include <QPainter>
#include <QRegion>
#include <QVBoxLayout>

#include <cmath>

namespace fernholm {

namespace {

constexpr const char* coverName = "surfaceCover";

// The cover is paint only: nothing for assistive technology to read or reach.
class HiddenCover final : public QAccessibleWidget {
public:
    explicit HiddenCover(QWidget* widget) : QAccessibleWidget(widget, QAccessible::NoRole) {}
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.invisible = true;
        return s;
    }
};

QAccessibleInterface* coverFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("QWidget") && object && object->isWidgetType() &&
        object->objectName() == QLatin1String(coverName)) {
        return new HiddenCover(static_cast<QWidget*>(object));
    }
    return nullptr;
}

} // namespace

// Paints, above the content, the surface's outside in what lies behind it, and the outline.
class Surface::Cover final : public QWidget {
public:
    explicit Cover(Surface* surface) : QWidget(surface), m_surface(surface) {
        static const bool installed = [] {
            QAccessible::installFactory(coverFactory);
            return true;
        }();
        Q_UNUSED(installed);
        setObjectName(QLatin1String(coverName));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

    // Only the corner squares and the edge strips are ever painted.
    void place() {
        const QRect r = m_surface->rect();
        if (r.size() == m_placedSize && m_surface->m_look.radius == m_placedRadius) {
            return;
        }
        m_placedSize = r.size();
        m_placedRadius = m_surface->m_look.radius;
        setGeometry(r);
        const int corner =
            std::min({int(std::ceil(1.53 * m_surface->m_look.radius)) + 2, r.width() / 2 + 1, r.height() / 2 + 1});
        const int strip = 2;
        QRegion region;
        region += QRect(0, 0, corner, corner);
        region += QRect(r.width() - corner, 0, corner, corner);
        region += QRect(0, r.height() - corner, corner, corner);
        region += QRect(r.width() - corner, r.height() - corner, corner, corner);
        region += QRect(0, 0, r.width(), strip);
        region += QRect(0, r.height() - strip, r.width(), strip);
        region += QRect(0, 0, strip, r.height());
        region += QRect(r.width() - strip, 0, strip, r.height());
        setMask(region);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QPainterPath outside;
        outside.setFillRule(Qt::OddEvenFill);
        outside.addRect(rect());
        outside.addPath(m_surface->shape());
        Backdrop::paintBehind(painter, m_surface, outside);
        m_surface->paintOutline(painter);
    }

private:
    Surface* m_surface;
    QSize m_placedSize;
    qreal m_placedRadius = -1;
};

Surface::Surface(const Look& look, QWidget* parent) : QWidget(parent), m_look(look) {
    m_body = new QVBoxLayout(this);
    m_body->setContentsMargins(0, 0, 0, 0);
    m_body->setSpacing(0);
}

Surface::~Surface() = default;

void Surface::setLook(const Look& look) {
    if (look == m_look) {
        return;
    }
    m_look = look;
    updateCover();
    update();
}

QPainterPath Surface::shape() const {
    return Paint::roundedRect(QRectF(rect()), m_look.radius);
}

bool Surface::coversCorners() const {
    return m_cover && !m_cover->isHidden();
}

std::optional<Backdrop::Layer> Surface::backdropLayer() const {
    return Layer{shape(), fillBrush(ownScheme())};
}

QBrush Surface::fillBrush(ColorScheme scheme) const {
    return QBrush(m_look.fill.resolve(scheme));
}

ColorScheme Surface::ownScheme() const {
    return Appearance::schemeOf(this);
}

void Surface::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(shape(), fillBrush(ownScheme()));
    if (!coversCorners()) {
        paintOutline(painter);
    }
}

void Surface::paintOutline(QPainter& painter) const {
    if (m_look.outline) {
        Paint::strokeInside(painter, QRectF(rect()), m_look.radius, m_look.outline->resolve(ownScheme()));
    }
}

void Surface::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updateCover();
}

bool Surface::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    switch (event->type()) {
    case QEvent::LayoutRequest: // the margins may have changed
        updateCover();
        break;
    case QEvent::ChildAdded:
        if (m_cover && static_cast<QChildEvent*>(event)->child() != m_cover) {
            m_cover->raise();
        }
        break;
    default:
        break;
    }
    return handled;
}

bool Surface::contentReachesEdge() const {
    if (layout() != m_body) {
        return true; // content placed some other way may lie anywhere
    }
    const QMargins margins = m_body->contentsMargins();
    if (std::min({margins.left(), margins.top(), margins.right(), margins.bottom()}) < 1) {
        return true;
    }
    const QRectF inner = QRectF(rect()).marginsRemoved(QMarginsF(margins));
    if (inner.isEmpty()) {
        return false;
    }
    const QPainterPath path = shape();
    return !(path.contains(inner.topLeft()) && path.contains(inner.topRight()) && path.contains(inner.bottomLeft()) &&
             path.contains(inner.bottomRight()));
}

void Surface::updateCover() {
    const bool needed = m_look.clips && !rect().isEmpty() && contentReachesEdge();
    if (!needed) {
        if (m_cover && !m_cover->isHidden()) {
            m_cover->hide();
            update();
        }
        return;
    }
    if (!m_cover) {
        m_cover = new Cover(this);
    }
    m_cover->place();
    if (m_cover->isHidden()) {
        m_cover->show();
        update();
    }
    m_cover->raise();
}

Surface* cardSurface(qreal radius, const ThemeColor& fill, QWidget* parent) {
    return new Surface(Surface::Look{radius, fill, Theme::cardEdge, true}, parent);
}

Surface* sandSurface(qreal radius, QWidget* parent) {
    return new Surface(Surface::Look{radius, Theme::muted, std::nullopt, false}, parent);
}

} // namespace fernholm
