#include "FernholmApp/components/controls/SegmentedControl.h"

#include "FernholmApp/components/controls/FocusRing.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Painting.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace fernholm {

namespace {

constexpr qreal spacing = 4;
constexpr qreal trackPadding = 4;
constexpr qreal disabledOpacity = 0.4;

} // namespace

// One segment: paints its label; the control paints the track and the selected capsule behind
// it (the capsule's shadow reaches past the segment's own rectangle).
class SegmentButton final : public QAbstractButton {
    Q_OBJECT
public:
    SegmentButton(SegmentedControl* control, int index) : QAbstractButton(control), m_control(control), m_index(index) {
        setFocusPolicy(Qt::StrongFocus);
        connect(this, &QAbstractButton::clicked, control, [this] { m_control->choose(m_index); });
    }

    int index() const { return m_index; }
    QString label() const { return m_control->m_options.value(m_index).label; }
    bool isSelected() const { return m_control->selectedIndex() == m_index; }

protected:
    bool hitButton(const QPoint& pos) const override {
        return Paint::capsule(QRectF(rect())).contains(QPointF(pos) + QPointF(0.5, 0.5));
    }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        if (!isEnabled()) {
            painter.setOpacity(disabledOpacity);
        }
        const bool selected = isSelected();
        // The selected label sits on the ink capsule, so it takes the surface colour.
        const QColor color = (selected ? Theme::surface : Theme::dim).on(this);
        painter.setFont(m_control->segmentFont(selected));
        painter.setPen(color);
        painter.drawText(QRectF(rect()), Qt::AlignCenter, label());
        if (FocusRing::visible(this)) {
            if (selected) {
                FocusRing::paintOnFill(painter, QRectF(rect()), height() / 2.0, Theme::ink.on(this),
                                       Theme::surface.on(this));
            } else {
                FocusRing::paint(painter, QRectF(rect()), height() / 2.0, Theme::ink.on(this));
            }
        }
    }

private:
    SegmentedControl* m_control;
    int m_index;
};

namespace {

class AccessibleSegment final : public QAccessibleWidget {
public:
    explicit AccessibleSegment(SegmentButton* segment) : QAccessibleWidget(segment, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && segment()->accessibleName().isEmpty()) {
            return segment()->label();
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.selectable = true;
        s.selected = segment()->isSelected();
        return s;
    }

    QStringList actionNames() const override { return QStringList{pressAction()} + QAccessibleWidget::actionNames(); }
    void doAction(const QString& name) override {
        if (name != pressAction()) {
            QAccessibleWidget::doAction(name);
        } else if (segment()->isEnabled()) {
            segment()->click();
        }
    }

private:
    SegmentButton* segment() const { return static_cast<SegmentButton*>(widget()); }
};

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType()) {
        return nullptr;
    }
    if (className == QLatin1String("fernholm::SegmentButton")) {
        return new AccessibleSegment(static_cast<SegmentButton*>(object));
    }
    if (className == QLatin1String("fernholm::SegmentedControl")) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Grouping);
    }
    return nullptr;
}

int ceilToInt(qreal value) {
    return int(std::ceil(value - 1e-6));
}

} // namespace

SegmentedControl::SegmentedControl(const QList<Option>& options, qreal height, qreal fontSize, const ThemeColor& track,
                                   QWidget* parent)
    : QWidget(parent), m_height(height), m_fontSize(fontSize), m_track(track) {
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setOptions(options);
}

void SegmentedControl::setOptions(const QList<Option>& options) {
    m_options = options;
    rebuild();
}

void SegmentedControl::setSelection(const QVariant& value) {
    const int before = selectedIndex();
    m_selection = value;
    const int after = selectedIndex();
    if (before == after) {
        return;
    }
    relayout(); // the bold label is wider
    if (QAccessible::isActive()) {
        for (int index : {before, after}) {
            if (index >= 0) {
                QAccessible::State changed;
                changed.selected = true;
                QAccessibleStateChangeEvent event(m_segments[index], changed);
                QAccessible::updateAccessibility(&event);
            }
        }
    }
}

int SegmentedControl::selectedIndex() const {
    if (!m_selection.isValid()) {
        return -1;
    }
    for (qsizetype i = 0; i < m_options.size(); ++i) {
        if (m_options[i].value == m_selection) {
            return int(i);
        }
    }
    return -1;
}

void SegmentedControl::setTrack(const ThemeColor& track) {
    m_track = track;
    update();
}

qreal SegmentedControl::segmentPadding() const {
    return m_height > 32 ? 18 : 14;
}

QFont SegmentedControl::segmentFont(bool selected) const {
    return Fonts::sans(m_fontSize, selected ? 600 : 500);
}

qreal SegmentedControl::segmentWidth(int index) const {
    const bool selected = index == selectedIndex();
    const qreal label = QFontMetricsF(segmentFont(selected)).horizontalAdvance(m_options.value(index).label);
    // Whole pixels, so that every segment and its label land on the pixel grid.
    return ceilToInt(label) + 2 * segmentPadding();
}

QRectF SegmentedControl::segmentRect(int index) const {
    if (index < 0 || index >= m_options.size()) {
        return {};
    }
    qreal x = trackPadding;
    for (int i = 0; i < index; ++i) {
        x += segmentWidth(i) + spacing;
    }
    return QRectF(x, trackPadding, segmentWidth(index), m_height);
}

QList<QWidget*> SegmentedControl::segments() const {
    QList<QWidget*> all;
    for (SegmentButton* segment : m_segments) {
        all << segment;
    }
    return all;
}

QSize SegmentedControl::sizeHint() const {
    qreal width = 2 * trackPadding;
    for (int i = 0; i < m_options.size(); ++i) {
        width += segmentWidth(i) + (i > 0 ? spacing : 0);
    }
    return QSize(ceilToInt(width), ceilToInt(m_height + 2 * trackPadding));
}

QSize SegmentedControl::minimumSizeHint() const {
    return sizeHint();
}

void SegmentedControl::choose(int index) {
    if (index < 0 || index >= m_options.size()) {
        return;
    }
    const QVariant value = m_options[index].value;
    setSelection(value);
    Q_EMIT activated(value);
}

void SegmentedControl::rebuild() {
    qDeleteAll(m_segments);
    m_segments.clear();
    for (int i = 0; i < m_options.size(); ++i) {
        auto* segment = new SegmentButton(this, i);
        segment->show();
        m_segments << segment;
    }
    relayout();
}

void SegmentedControl::relayout() {
    for (int i = 0; i < m_segments.size(); ++i) {
        m_segments[i]->setGeometry(segmentRect(i).toAlignedRect());
        m_segments[i]->update();
    }
    setFixedSize(sizeHint());
    updateGeometry();
    update();
}

void SegmentedControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) {
        painter.setOpacity(disabledOpacity);
    }
    const QRectF whole(0, 0, sizeHint().width(), m_height + 2 * trackPadding);
    Paint::fill(painter, Paint::capsule(whole), m_track.on(this));
    const int selected = selectedIndex();
    if (selected >= 0) {
        const QPainterPath capsule = Paint::capsule(segmentRect(selected));
        Paint::softShadow(painter, capsule, QColor::fromRgbF(0, 0, 0, 0.08f), 1, QPointF(0, 1));
        // An ink capsule: a raised surface capsule on a muted track is nearly invisible (about
        // 1.05:1 in dark, 1.25:1 in light); ink stands well above 3:1 on any track.
        Paint::fill(painter, capsule, Theme::ink.on(this));
    }
}

} // namespace fernholm

#include "SegmentedControl.moc"
