#include "FernholmApp/components/alerts/CriticalAlertViews.h"

#include "FernholmApp/components/alerts/AlertRowLayout.h"
#include "FernholmApp/components/controls/FocusRing.h"
#include "FernholmApp/components/controls/PillButtonStyle.h"
#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/text/SelectableText.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Icons.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>
#include <optional>

namespace fernholm {

namespace {

// The label of the light capsules on the critical surface: the same near-black in both schemes,
// on the fixed near-white `onFeature`.
constexpr ThemeColor capsuleInk = Theme::fixed(0x1E1E1E);

int ceilToInt(qreal value) {
    return int(std::ceil(value - 1e-6));
}

// How a button on the critical surface looks: its label, an optional trailing symbol and an
// optional capsule behind them.
struct FeatureLook {
    QFont font;
    ThemeColor ink;
    qreal padding; // left and right of the label
    qreal height;
    std::optional<ThemeColor> fill; // a capsule, which is then the hit area; else the whole rectangle
    QString symbol;
    qreal symbolSize = 0;
    qreal symbolGap = 0;
};

// A plain button drawing only its look: no platform bezel. Fixed at its natural size. Disabled,
// it is drawn at 40 %; pressed, at 75 %.
class FeatureButton final : public QAbstractButton {
public:
    FeatureButton(FeatureLook look, QWidget* parent) : QAbstractButton(parent), m_look(std::move(look)) {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        setFocusPolicy(Qt::StrongFocus);
        setCursor(Qt::PointingHandCursor);
    }

    void setTitle(const QString& title) {
        if (title == m_title) {
            return;
        }
        m_title = title;
        QString escaped = title;
        escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
        setText(escaped);
        updateGeometry();
        update();
    }

    QSize sizeHint() const override {
        const qreal title = QFontMetricsF(m_look.font).horizontalAdvance(m_title);
        const qreal symbol = m_look.symbol.isEmpty() ? 0 : m_look.symbolGap + m_look.symbolSize;
        return QSize(ceilToInt(2 * m_look.padding + title + symbol), ceilToInt(m_look.height));
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    bool hitButton(const QPoint& pos) const override {
        if (!m_look.fill) {
            return rect().contains(pos);
        }
        return Paint::capsule(QRectF(rect())).contains(QPointF(pos) + QPointF(0.5, 0.5));
    }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        const QRectF frame(rect());
        Paint::layer(painter, frame, PillButtonStyle::opacity(isEnabled(), isEnabled() && isDown()), [&](QPainter& p) {
            if (m_look.fill) {
                Paint::fill(p, Paint::capsule(frame), m_look.fill->on(this));
            }
            const QColor ink = m_look.ink.on(this);
            const qreal titleWidth = QFontMetricsF(m_look.font).horizontalAdvance(m_title);
            const qreal symbol = m_look.symbol.isEmpty() ? 0 : m_look.symbolGap + m_look.symbolSize;
            const qreal left = (frame.width() - titleWidth - symbol) / 2;
            p.setFont(m_look.font);
            p.setPen(ink);
            p.drawText(QRectF(left, 0, titleWidth + 1, frame.height()), Qt::AlignLeft | Qt::AlignVCenter, m_title);
            if (!m_look.symbol.isEmpty()) {
                const QRectF box(left + titleWidth + m_look.symbolGap, frame.center().y() - m_look.symbolSize / 2,
                                 m_look.symbolSize, m_look.symbolSize);
                Icons::paint(p, m_look.symbol, box, IconWeight::medium, ink);
            }
            if (FocusRing::visible(this)) {
                FocusRing::paint(p, frame, m_look.fill ? frame.height() / 2 : Theme::rowRadius, ink);
            }
        });
    }

private:
    FeatureLook m_look;
    QString m_title;
};

void setTitle(QAbstractButton* button, const QString& title) {
    static_cast<FeatureButton*>(button)->setTitle(title);
}

// The red dot of a critical card: a circle `size` across at the bottom of its frame, so that
// a top padding is the frame's extra height.
class CriticalDot final : public QWidget {
public:
    CriticalDot(qreal size, qreal topPadding, QWidget* parent) : QWidget(parent), m_size(size) {
        setFixedSize(ceilToInt(size), ceilToInt(size + topPadding));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath circle;
        circle.addEllipse(QRectF(0, height() - m_size, m_size, m_size));
        Paint::fill(painter, circle, Theme::critical.on(this));
    }

private:
    qreal m_size;
};

// Fills and outlines the critical surface.
void paintSurface(QWidget* widget, QPainter& painter, qreal radius) {
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(widget->rect());
    Paint::fill(painter, Paint::roundedRect(box, radius), Theme::criticalCard.on(widget));
    Paint::strokeInside(painter, box, radius, Theme::criticalEdge.on(widget));
}

// The height a box layout gives its items is their height for width when the widget is told to
// ask again.
void invalidateAll(QLayout* layout) {
    for (int i = 0; i < layout->count(); ++i) {
        if (QLayout* inner = layout->itemAt(i)->layout()) {
            invalidateAll(inner);
        }
    }
    layout->invalidate();
}

constexpr qreal heroPadding = 28;
constexpr qreal heroDot = 10;
constexpr qreal heroHalo = 20;
constexpr int heroBodyWidth = 560;

} // namespace

CriticalHero::CriticalHero(const AppAlert& alert, QWidget* parent) : AlertView(parent) {
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(heroPadding, heroPadding, heroPadding, heroPadding);
    column->setSpacing(20);

    m_texts = new QVBoxLayout;
    m_texts->setSpacing(10);
    auto* kickerRow = new QHBoxLayout;
    kickerRow->setSpacing(10);
    m_dot = new QWidget(this);
    m_dot->setFixedSize(int(heroDot), int(heroDot));
    kickerRow->addWidget(m_dot);
    m_kicker = new TextLabel(fernholm::tr("Not protected").toUpper(), Fonts::tracked(Fonts::sans(13, 600), 0.78),
                             Theme::critical, this);
    kickerRow->addWidget(m_kicker, 1);
    m_texts->addLayout(kickerRow);

    m_title = new TextLabel(QString(), Fonts::tracked(Fonts::display(34), -1.19), Theme::onFeature, this);
    m_title->setHeading(true);
    m_texts->addWidget(m_title);

    m_body = new SelectableText(QString(), Fonts::sans(15, 400), Theme::onFeatureDim, this);
    m_body->setLineSpacing(3);
    m_body->setMaximumWidth(heroBodyWidth);
    // Drawn on the dark surface in either scheme: its selection and menu take the dark palette.
    Appearance::force(m_body, ColorScheme::dark);
    m_texts->addWidget(m_body, 0, Qt::AlignLeft);
    column->addLayout(m_texts);

    m_buttonRow = new QWidget(this);
    auto* buttons = new QHBoxLayout(m_buttonRow);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(10);
    m_main = new FeatureButton(
        {Fonts::sans(14, 500), capsuleInk, 20, 44, Theme::onFeature, QStringLiteral("arrow.right"), 13, 8},
        m_buttonRow);
    m_secondary =
        new FeatureButton({Fonts::sans(14, 400), Theme::onFeatureDim, 16, 44, std::nullopt, {}, 0, 0}, m_buttonRow);
    buttons->addWidget(m_main);
    buttons->addWidget(m_secondary);
    buttons->addStretch(1);
    column->addWidget(m_buttonRow);
    column->addStretch(1);

    connect(m_main, &QAbstractButton::clicked, this, [this] {
        if (m_alert.action) {
            run(*m_alert.action);
        }
    });
    connect(m_secondary, &QAbstractButton::clicked, this, [this] {
        if (m_alert.secondary) {
            run(*m_alert.secondary);
        }
    });

    m_alert.id = alert.id + QLatin1Char('-'); // differs, so that setAlert fills every part
    setAlert(alert);
    handlersChanged();
}

void CriticalHero::setAlert(const AppAlert& alert) {
    if (alert == m_alert) {
        return;
    }
    m_alert = alert;
    m_title->setText(alert.title);
    m_body->setText(alert.body);
    m_body->setVisible(!alert.body.isEmpty());
    m_main->setVisible(alert.action.has_value());
    m_secondary->setVisible(alert.secondary.has_value());
    setTitle(m_main, alert.action ? alert.action->title() : QString());
    setTitle(m_secondary, alert.secondary ? alert.secondary->title() : QString());
    m_buttonRow->setVisible(alert.action || alert.secondary);
    relayout();
}

void CriticalHero::handlersChanged() {
    m_main->setEnabled(!handlers().busy);
}

void CriticalHero::relayout() {
    invalidateAll(layout());
    m_buttonRow->layout()->invalidate();
    updateGeometry();
}

void CriticalHero::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintSurface(this, painter, Theme::cardRadius);
    // The dot sits on a soft halo that reaches beyond its own place in the row.
    const QPointF centre = QRectF(m_dot->geometry()).center();
    QPainterPath halo;
    halo.addEllipse(centre, heroHalo / 2, heroHalo / 2);
    Paint::fill(painter, halo, Theme::critical.opacity(0.18).on(this));
    QPainterPath dot;
    dot.addEllipse(centre, heroDot / 2, heroDot / 2);
    Paint::fill(painter, dot, Theme::critical.on(this));
}

CriticalCard::CriticalCard(const AppAlert& alert, bool compact, QWidget* parent)
    : AlertView(parent), m_compact(compact) {
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);

    const int vertical = compact ? 10 : 14;
    m_row = new AlertRowLayout(this);
    m_row->setContentsMargins(16, vertical, 10, vertical);
    m_row->setSpacing(12);
    m_row->setGap(8);
    m_row->setRowAlignment(compact ? AlertRowLayout::RowAlignment::centre : AlertRowLayout::RowAlignment::top);

    m_dot = new CriticalDot(8, compact ? 0 : 6, this);
    m_row->setLead(m_dot);

    auto* texts = new QWidget(this);
    m_texts = new QVBoxLayout(texts);
    m_texts->setContentsMargins(0, 0, 0, 0);
    m_texts->setSpacing(4);
    m_title = new TextLabel(QString(), Fonts::sans(14, 600), Theme::onFeature, texts);
    m_texts->addWidget(m_title);
    // Selectable in both forms; the compact card shows two lines of it at most.
    m_body = new SelectableText(QString(), Fonts::sans(13, 400), Theme::onFeatureDim, texts);
    Appearance::force(m_body, ColorScheme::dark);
    if (compact) {
        m_body->setMaxLines(2);
    }
    m_texts->addWidget(m_body);
    m_row->setTexts(texts);

    m_secondary = new PrimaryButton(QString(), PrimaryButton::Style::smallOutline, this);
    m_secondary->setArrow(false);
    Appearance::force(m_secondary, ColorScheme::dark);
    m_row->addButton(m_secondary);

    m_main = new FeatureButton({Fonts::sans(13, 500), capsuleInk, 14, 32, Theme::onFeature, {}, 0, 0}, this);
    m_row->addButton(m_main);

    connect(m_main, &QAbstractButton::clicked, this, [this] {
        if (m_alert.action) {
            run(*m_alert.action);
        }
    });
    connect(m_secondary, &QAbstractButton::clicked, this, [this] {
        if (m_alert.secondary) {
            run(*m_alert.secondary);
        }
    });

    m_alert.id = alert.id + QLatin1Char('-');
    setAlert(alert);
    handlersChanged();
}

void CriticalCard::setAlert(const AppAlert& alert) {
    if (alert == m_alert) {
        return;
    }
    m_alert = alert;
    m_title->setText(alert.title);
    m_body->setText(alert.body);
    m_body->setVisible(!alert.body.isEmpty());
    m_main->setVisible(alert.action.has_value());
    setTitle(m_main, alert.action ? alert.action->title() : QString());
    m_secondary->setVisible(!m_compact && alert.secondary.has_value());
    m_secondary->setTitle(alert.secondary ? alert.secondary->title() : QString());
    relayout();
}

void CriticalCard::handlersChanged() {
    m_main->setEnabled(!handlers().busy);
}

void CriticalCard::relayout() {
    m_texts->invalidate();
    m_row->invalidate();
    updateGeometry();
}

void CriticalCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintSurface(this, painter, Theme::bannerRadius);
}

} // namespace fernholm
