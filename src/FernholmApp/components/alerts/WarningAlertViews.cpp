#include "FernholmApp/components/alerts/WarningAlertViews.h"

#include "FernholmApp/components/alerts/AlertIcon.h"
#include "FernholmApp/components/alerts/AlertRowLayout.h"
#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/text/RunsLabel.h"
#include "FernholmApp/components/text/SelectableText.h"
#include "FernholmApp/components/alerts/SnoozeButton.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Icons.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/Theme.h"

#include <QPainter>
#include <QVBoxLayout>

namespace fernholm {

namespace {

constexpr qreal cardRadius = 18;
constexpr qreal stripSymbol = 14;

bool isWarning(const AppAlert& alert) {
    return alert.level == AlertLevel::warning;
}

PrimaryButton::Style mainStyle(const AppAlert& alert) {
    return isWarning(alert) ? PrimaryButton::Style::small : PrimaryButton::Style::smallWhite;
}

void paintLevelSurface(QWidget* widget, QPainter& painter, const AppAlert& alert, qreal radius) {
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(widget->rect());
    Paint::fill(painter, Paint::roundedRect(box, radius),
                (isWarning(alert) ? Theme::warningBg : Theme::muted).on(widget));
    if (isWarning(alert)) {
        Paint::strokeInside(painter, box, radius, Theme::warningEdge.on(widget));
    }
}

// The level symbol of a strip, without a frame or background.
class StripSymbol final : public QWidget {
public:
    explicit StripSymbol(const AlertStrip* strip, QWidget* parent) : QWidget(parent), m_strip(strip) {
        setFixedSize(int(stripSymbol), int(stripSymbol));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const bool warning = isWarning(m_strip->alert());
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        Icons::paint(painter, warning ? QStringLiteral("exclamationmark.triangle") : QStringLiteral("info.circle"),
                     QRectF(rect()), IconWeight::regular, (warning ? Theme::warningInk : Theme::dim).on(this));
    }

private:
    const AlertStrip* m_strip;
};

PrimaryButton* actionButton(QWidget* parent, PrimaryButton::Style style) {
    auto* button = new PrimaryButton(QString(), style, parent);
    button->setArrow(false);
    // Sized to its title: a squeezed caption would be cut.
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return button;
}

} // namespace

AlertCard::AlertCard(const AppAlert& alert, QWidget* parent) : AlertView(parent) {
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);

    auto* row = new AlertRowLayout(this);
    row->setContentsMargins(18, 16, 10, 16);
    row->setSpacing(14);
    row->setGap(8);
    row->setRowAlignment(AlertRowLayout::RowAlignment::top);

    m_icon = new AlertIcon(alert.level, 32, this);
    row->setLead(m_icon);

    m_textColumn = new QWidget(this);
    m_texts = new QVBoxLayout(m_textColumn);
    m_texts->setSpacing(3);
    m_title = new TextLabel(QString(), Fonts::sans(14, 600), Theme::ink, m_textColumn);
    m_texts->addWidget(m_title);
    m_body = new SelectableText(QString(), Fonts::sans(13, 400), Theme::dim, m_textColumn);
    m_body->setLineSpacing(2);
    m_texts->addWidget(m_body);
    row->setTexts(m_textColumn);

    m_secondary = actionButton(this, PrimaryButton::Style::smallOutline);
    row->addButton(m_secondary);
    m_main = actionButton(this, mainStyle(alert));
    row->addButton(m_main);
    m_snooze = new SnoozeButton(alert, this);
    row->setTrailing(m_snooze);

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

void AlertCard::setAlert(const AppAlert& alert) {
    if (alert == m_alert) {
        return;
    }
    m_alert = alert;
    m_icon->setLevel(alert.level);
    m_title->setText(alert.title);
    m_body->setText(alert.body);
    m_body->setVisible(!alert.body.isEmpty());
    m_texts->setContentsMargins(0, alert.body.isEmpty() ? 7 : 0, 0, 0);
    m_secondary->setVisible(alert.secondary.has_value());
    m_secondary->setTitle(alert.secondary ? alert.secondary->title() : QString());
    m_main->setVisible(alert.action.has_value());
    m_main->setTitle(alert.action ? alert.action->title() : QString());
    m_main->setStyle(mainStyle(alert));
    m_snooze->setAlert(alert);
    relayout();
    update();
}

void AlertCard::handlersChanged() {
    const bool enabled = !handlers().busy;
    m_main->setEnabled(enabled);
    m_secondary->setEnabled(enabled);
}

void AlertCard::relayout() {
    m_texts->invalidate();
    layout()->invalidate();
    updateGeometry();
}

void AlertCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintLevelSurface(this, painter, m_alert, cardRadius);
}

AlertStrip::AlertStrip(const AppAlert& alert, QWidget* parent) : AlertView(parent) {
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);

    auto* row = new AlertRowLayout(this);
    row->setContentsMargins(14, 10, 10, 10);
    row->setSpacing(12);
    // No spacer: the text takes the whole width up to the button.
    row->setSpacer(false);
    row->setRowAlignment(AlertRowLayout::RowAlignment::centre);

    m_symbol = new StripSymbol(this, this);
    row->setLead(m_symbol);
    m_text = new RunsLabel(this);
    m_text->setMaxLines(2);
    row->setTexts(m_text);
    m_main = actionButton(this, mainStyle(alert));
    row->addButton(m_main);
    m_snooze = new SnoozeButton(alert, this);
    row->setTrailing(m_snooze);

    connect(m_main, &QAbstractButton::clicked, this, [this] {
        if (m_alert.action) {
            run(*m_alert.action);
        }
    });

    m_alert.id = alert.id + QLatin1Char('-');
    setAlert(alert);
    handlersChanged();
}

void AlertStrip::setAlert(const AppAlert& alert) {
    if (alert == m_alert) {
        return;
    }
    m_alert = alert;
    QList<RunsLabel::Run> runs{{alert.title, Fonts::sans(13, 600), Theme::ink}};
    if (!alert.body.isEmpty()) {
        runs.append({QStringLiteral(" \u2014 ") + alert.body, Fonts::sans(13, 400), Theme::dim});
    }
    m_text->setRuns(runs);
    m_main->setVisible(alert.action.has_value());
    m_main->setTitle(alert.action ? alert.action->title() : QString());
    m_main->setStyle(mainStyle(alert));
    m_snooze->setAlert(alert);
    layout()->invalidate();
    updateGeometry();
    update();
    m_symbol->update();
}

void AlertStrip::handlersChanged() {
    m_main->setEnabled(!handlers().busy);
}

void AlertStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintLevelSurface(this, painter, m_alert, Theme::bannerRadius);
}

} // namespace fernholm
