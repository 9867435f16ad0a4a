#include "FernholmApp/pages/redaction/UnsavedChangesBar.h"

#include "FernholmApp/components/controls/Motion.h"
#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QVariantAnimation>

#include <cmath>

namespace fernholm {

namespace {

constexpr int slideMilliseconds = 150;
constexpr qreal shadowOpacity = 0.16;
constexpr qreal shadowRadius = 12;
constexpr qreal shadowDrop = 4;

// The bar's shadow, behind the bar in its parent; clicks pass through it.
class BarShadow final : public QWidget {
public:
    BarShadow(const UnsavedChangesBar* bar, QWidget* parent) : QWidget(parent), m_bar(bar) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        QWidget::hide();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        Paint::softShadow(painter, Paint::capsule(m_bar->capsuleRect()), QColor::fromRgbF(0, 0, 0, float(shadowOpacity)),
                          shadowRadius, QPointF(0, shadowDrop));
    }

private:
    const UnsavedChangesBar* m_bar;
};

} // namespace

UnsavedChangesBar::UnsavedChangesBar(QWidget* parent) : QWidget(parent) {
    if (parent) {
        m_shadow = new BarShadow(this, parent);
    }
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(shadowMargins + QMargins(16, 6, 6, 6));
    row->setSpacing(10);
    row->setSizeConstraint(QLayout::SetFixedSize);

    m_text = new TextLabel(fernholm::tr("Unsaved changes"), Fonts::sans(13, 400), Theme::dim);
    m_text->setMaxLines(1);
    m_discard = new PrimaryButton(fernholm::tr("Discard"), PrimaryButton::Style::secondary);
    m_discard->setArrow(false);
    m_save = new PrimaryButton(fernholm::tr("Save"), PrimaryButton::Style::primary);
    m_save->setArrow(false);
    row->addWidget(m_text, 0, Qt::AlignVCenter);
    row->addWidget(m_discard, 0, Qt::AlignVCenter);
    row->addWidget(m_save, 0, Qt::AlignVCenter);

    QWidget::hide();
}

UnsavedChangesBar::~UnsavedChangesBar() {
    delete m_shadow;
}

QSize UnsavedChangesBar::sizeHint() const {
    return layout()->sizeHint();
}

QRectF UnsavedChangesBar::capsuleRect() const {
    return QRectF(rect()).adjusted(shadowMargins.left(), shadowMargins.top(), -shadowMargins.right(),
                                   -shadowMargins.bottom());
}

void UnsavedChangesBar::setShown(bool shown) {
    if (shown == m_shown) {
        return;
    }
    m_shown = shown;
    delete m_slide; // a slide under way turns round from where it is
    const qreal target = shown ? 1.0 : 0.0;
    if (shown) {
        show();
        raise();
    }
    // The bar itself is hidden when it starts to come in: the area it floats over decides.
    const int duration = Motion::duration(parentWidget() ? parentWidget() : this, slideMilliseconds);
    if (duration <= 0) {
        apply(target);
        return;
    }
    m_slide = new QVariantAnimation(this);
    m_slide->setStartValue(m_progress);
    m_slide->setEndValue(target);
    m_slide->setDuration(duration);
    m_slide->setEasingCurve(Motion::easeOut());
    connect(m_slide, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) { apply(value.toReal()); });
    connect(m_slide, &QVariantAnimation::finished, this, [this, target] { apply(target); });
    m_slide->start(QAbstractAnimation::DeleteWhenStopped);
}

void UnsavedChangesBar::apply(qreal progress) {
    m_progress = progress;
    place();
    const bool settled = progress <= 0.0 || progress >= 1.0;
    if (settled) {
        // No effect at rest: the bar paints straight into the page.
        setGraphicsEffect(nullptr);
        followWithShadow();
    } else {
        auto* fade = qobject_cast<QGraphicsOpacityEffect*>(graphicsEffect());
        if (!fade) {
            fade = new QGraphicsOpacityEffect(this);
            setGraphicsEffect(fade);
            followWithShadow();
        }
        fade->setOpacity(progress);
    }
    if (progress <= 0.0 && !m_shown) {
        hide();
    }
}

void UnsavedChangesBar::place() {
    const QWidget* area = parentWidget();
    if (!area) {
        return;
    }
    adjustSize();
    const QSize size = sizeHint();
    const int x = layoutDirection() == Qt::RightToLeft
                      ? trailingGap - shadowMargins.left()
                      : area->width() - trailingGap - (size.width() - shadowMargins.right());
    const int restY = topGap - shadowMargins.top();
    const int hiddenY = -size.height();
    const int y = int(std::lround(hiddenY + (restY - hiddenY) * m_progress));
    setGeometry(x, y, size.width(), size.height());
}

void UnsavedChangesBar::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LayoutDirectionChange) {
        place();
    }
    QWidget::changeEvent(event);
}

void UnsavedChangesBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule = capsuleRect();
    const QPainterPath shape = Paint::capsule(capsule);
    Paint::fill(painter, shape, Theme::surface.on(this));
    Paint::strokeInside(painter, capsule, capsule.height() / 2, Theme::cardEdge.on(this));
}

void UnsavedChangesBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Only the capsule (a pixel round it, for its smoothed edge) takes input and paints.
    const QRectF capsule = capsuleRect().adjusted(-1, -1, 1, 1);
    setMask(QRegion(Paint::capsule(capsule).toFillPolygon().toPolygon()));
    followWithShadow();
}

void UnsavedChangesBar::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    followWithShadow();
}

void UnsavedChangesBar::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    followWithShadow();
}

void UnsavedChangesBar::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    followWithShadow();
}

void UnsavedChangesBar::followWithShadow() {
    if (!m_shadow) {
        return;
    }
    // The shadow shows with the bar at rest; while the bar slides and fades it would not fade.
    const bool rest = isVisible() && !graphicsEffect();
    m_shadow->setGeometry(geometry());
    m_shadow->setVisible(rest);
    if (rest) {
        m_shadow->stackUnder(this);
        m_shadow->update();
    }
}

} // namespace fernholm
