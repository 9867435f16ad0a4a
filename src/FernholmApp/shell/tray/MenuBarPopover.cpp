#include "FernholmApp/shell/tray/MenuBarPopover.h"

#include "FernholmApp/components/controls/FocusRing.h"
#include "FernholmApp/components/controls/VSwitch.h"
#include "FernholmApp/components/layout/Surface.h"
#include "FernholmApp/components/text/ProviderLogo.h"
#include "FernholmApp/components/text/SectionLabel.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/components/text/TokenChip.h"
#include "FernholmApp/model/ActivityFeed.h"
#include "FernholmApp/model/AlertDispatch.h"
#include "FernholmApp/model/AlertsModel.h"
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/AppVersion.h"
#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmApp/shell/tray/PopoverRow.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/TextPainting.h"
#include "FernholmKit/text/L10n.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPainter>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace fernholm {

namespace {

// The panel's two dark cards look the same in both schemes.
constexpr ThemeColor cardFill = Theme::fixed(0x1E1E1E);
constexpr ThemeColor switchOnColor = Theme::fixed(0x3A8A5E);
constexpr ThemeColor switchOffColor = Theme::fixed(0x4A4A49);
constexpr ThemeColor lightButtonInk = Theme::fixed(0x1E1E1E);

// A rounded card in the fixed near-black, optionally outlined.
class DarkCard final : public QWidget {
public:
    DarkCard(qreal radius, std::optional<ThemeColor> outline, QWidget* parent)
        : QWidget(parent), m_radius(radius), m_outline(outline) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        Paint::fill(p, Paint::roundedRect(QRectF(rect()), m_radius), cardFill.on(this));
        if (m_outline) {
            Paint::strokeInside(p, QRectF(rect()), m_radius, m_outline->on(this));
        }
    }

private:
    qreal m_radius;
    std::optional<ThemeColor> m_outline;
};

class Dot final : public QWidget {
public:
    explicit Dot(QWidget* parent) : QWidget(parent) { setFixedSize(8, 8); }
    void setColor(const ThemeColor& color) {
        if (!(color == m_color)) {
            m_color = color;
            update();
        }
    }
    ThemeColor color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(m_color.on(this));
        p.drawEllipse(QRectF(rect()));
    }

private:
    ThemeColor m_color = Theme::faint;
};

// A provider's logo on a 24-pt white disc, drawn in the light scheme.
class LogoDisc final : public QWidget {
public:
    LogoDisc(const Provider& provider, QWidget* parent) : QWidget(parent), m_name(provider.name) {
        setFixedSize(24, 24);
        setToolTip(provider.displayName);
        Appearance::force(this, ColorScheme::light);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(rect()));
        ProviderLogo::paint(p, QRectF(5, 5, 14, 14), m_name, this);
    }

private:
    QString m_name;
};

QString shortcutText(QKeyCombination key) {
    return QKeySequence(key).toString(QKeySequence::NativeText);
}

QHBoxLayout* padded(QWidget* widget, int left, int top, int right, int bottom) {
    auto* box = new QHBoxLayout;
    box->setContentsMargins(left, top, right, bottom);
    box->addWidget(widget);
    return box;
}

} // namespace

// --- Light button ---

LightButton::LightButton(const QString& title, QWidget* parent) : QAbstractButton(parent) {
    setText(title);
    setFont(Fonts::sans(12, 500));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void LightButton::setTitle(const QString& title) {
    if (title != text()) {
        setText(title);
        updateGeometry();
        update();
    }
}

QSize LightButton::sizeHint() const {
    const qreal width = Text::size(text(), font(), 1e6).width() + 24;
    return QSize(int(std::ceil(width)), 30);
}

bool LightButton::hitButton(const QPoint& pos) const {
    return Paint::capsule(QRectF(rect())).contains(QPointF(pos) + QPointF(0.5, 0.5));
}

void LightButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal opacity = !isEnabled() ? 0.5 : (isDown() ? 0.75 : 1.0);
    const QRectF box(rect());
    Paint::layer(p, box, opacity, [&](QPainter& layer) {
        Paint::fill(layer, Paint::capsule(box), Theme::onFeature.on(this));
        layer.setFont(font());
        layer.setPen(lightButtonInk.on(this));
        layer.drawText(box, Qt::AlignCenter, Text::elidedLine(text(), font(), box.width() - 24));
        if (FocusRing::visible(this)) {
            FocusRing::paint(layer, box, box.height() / 2, lightButtonInk.on(this));
        }
    });
}

// --- Panel ---

MenuBarPopover::MenuBarPopover(AppModel& model, std::function<void()> checkForUpdates, std::function<void()> showWindow,
                               std::function<void()> quit, QWidget* parent)
    : QWidget(parent), m_model(model), m_protection(model.protection()), m_supervision(model.supervision()),
      m_checkForUpdates(std::move(checkForUpdates)), m_showWindow(std::move(showWindow)), m_quit(std::move(quit)) {
    setFixedWidth(panelWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(10);

    // Header
    auto* header = new QHBoxLayout;
    header->setContentsMargins(6, 4, 6, 0);
    auto* name = new TextLabel(QStringLiteral("Tarvine"), Fonts::tracked(Fonts::display(20), -0.8), Theme::ink, this);
    name->setMaxLines(1);
    name->setHeading(true);
    m_version = new TextLabel(appVersion().value_or(QString()), Fonts::sans(12), Theme::dim, this);
    m_version->setMaxLines(1);
    header->addWidget(name, 0, Qt::AlignVCenter);
    header->addStretch(1);
    header->addWidget(m_version, 0, Qt::AlignVCenter);
    column->addLayout(header);

    // Critical card
    m_criticalCard = new DarkCard(12, Theme::criticalEdge, this);
    Appearance::force(m_criticalCard, ColorScheme::dark);
    {
        auto* box = new QVBoxLayout(m_criticalCard);
        box->setContentsMargins(14, 14, 14, 14);
        box->setSpacing(8);
        auto* top = new QHBoxLayout;
        top->setSpacing(8);
        auto* dot = new Dot(m_criticalCard);
        dot->setColor(Theme::critical);
        top->addWidget(dot, 0, Qt::AlignVCenter);
        auto* heading = new TextLabel(fernholm::tr(QStringLiteral("Not protected")), Fonts::sans(14, 600),
                                      Theme::onFeature, m_criticalCard);
        heading->setMaxLines(1);
        top->addWidget(heading, 1);
        box->addLayout(top);
        m_alertTitle = new TextLabel(QString(), Fonts::sans(12, 500), Theme::onFeature, m_criticalCard);
        box->addWidget(m_alertTitle);
        m_alertBody = new TextLabel(QString(), Fonts::sans(12, 400), Theme::onFeatureDim, m_criticalCard);
        m_alertBody->setMaxLines(3);
        box->addWidget(m_alertBody);
        m_alertButton = new LightButton(QString(), m_criticalCard);
        box->addWidget(m_alertButton, 0, Qt::AlignLeft);
        connect(m_alertButton, &QAbstractButton::clicked, this, [this] {
            if (const auto alert = m_state.criticalAlert()) {
                runAlert(alert->action);
            }
        });
    }
    column->addWidget(m_criticalCard);

    // Status card
    m_statusCard = new DarkCard(14, std::nullopt, this);
    Appearance::force(m_statusCard, ColorScheme::dark);
    {
        auto* box = new QVBoxLayout(m_statusCard);
        box->setContentsMargins(16, 16, 16, 16);
        box->setSpacing(12);
        auto* row = new QHBoxLayout;
        row->setSpacing(12);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(3);
        auto* top = new QHBoxLayout;
        top->setSpacing(8);
        m_dot = new Dot(m_statusCard);
        top->addWidget(m_dot, 0, Qt::AlignVCenter);
        m_summaryLabel = new TextLabel(QString(), Fonts::sans(15, 600), Theme::onFeature, m_statusCard);
        m_summaryLabel->setMaxLines(1);
        top->addWidget(m_summaryLabel, 1);
        texts->addLayout(top);
        m_statusLine = new TextLabel(QString(), Fonts::sans(12, 400), Theme::onFeatureDim, m_statusCard);
        texts->addWidget(m_statusLine);
        row->addLayout(texts, 1);
        m_controlButton = new LightButton(QString(), m_statusCard);
        row->addWidget(m_controlButton, 0, Qt::AlignVCenter);
        m_switch = new VSwitch(VSwitch::Size::regular, switchOnColor, switchOffColor, QString(), m_statusCard);
        row->addWidget(m_switch, 0, Qt::AlignVCenter);
        box->addLayout(row);
        m_logos = new QWidget(m_statusCard);
        auto* logos = new QHBoxLayout(m_logos);
        logos->setContentsMargins(0, 0, 0, 0);
        logos->setSpacing(6);
        logos->addStretch(1);
        box->addWidget(m_logos);
        connect(m_controlButton, &QAbstractButton::clicked, this, [this] { run(m_state.item); });
        connect(m_switch, &VSwitch::toggleRequested, this, [this] { run(m_state.item); });
    }
    column->addWidget(m_statusCard);

    m_attention = new TextLabel(QString(), Fonts::sans(12, 400), Theme::warningInk, this);
    m_attention->setContentsMargins(0, 0, 0, 0);
    column->addLayout(padded(m_attention, 6, 0, 6, 0));

    // Last messages
    auto* recent = new Surface(Surface::Look{14, Theme::surface, std::nullopt, false}, this);
    recent->body()->setContentsMargins(0, 0, 0, 6);
    recent->body()->setSpacing(0);
    recent->body()->addLayout(padded(new SectionLabel(fernholm::tr(QStringLiteral("Last messages")), Theme::faint,
                                                      recent),
                                     14, 10, 14, 6));
    // In a box of its own, so that its margins go with it when it is hidden.
    auto* emptyBox = new QWidget(recent);
    m_empty = new TextLabel(fernholm::tr(QStringLiteral("No traffic yet.")), Fonts::sans(12), Theme::dim, emptyBox);
    auto* emptyLayout = padded(m_empty, 14, 8, 14, 8);
    emptyBox->setLayout(emptyLayout);
    recent->body()->addWidget(emptyBox);
    m_recent = recent->body();
    column->addWidget(recent);

    // Action rows
    auto* rows = new QVBoxLayout;
    rows->setSpacing(2);
    m_openRow = actionRow(fernholm::tr(QStringLiteral("Open Tarvine")), shortcutText(Qt::CTRL | Qt::Key_O), rows);
    m_promptRow = actionRow(fernholm::tr(QStringLiteral("Check a prompt")), shortcutText(Qt::CTRL | Qt::Key_P), rows);
    m_updatesRow = actionRow(fernholm::tr(QStringLiteral("Check for Updates…")), QString(), rows);
    m_quitRow = actionRow(fernholm::tr(QStringLiteral("Quit")), shortcutText(Qt::CTRL | Qt::Key_Q), rows);
    m_updatesRow->setVisible(bool(m_checkForUpdates));
    column->addLayout(rows);

    const auto openWindow = [this] {
        if (m_showWindow) {
            m_showWindow();
        }
    };
    const auto checkPrompt = [this, openWindow] {
        m_model.showPrompts();
        openWindow();
    };
    const auto quitApp = [this] {
        if (m_quit) {
            m_quit();
        }
    };
    connect(m_openRow, &QAbstractButton::clicked, this, openWindow);
    connect(m_promptRow, &QAbstractButton::clicked, this, checkPrompt);
    connect(m_updatesRow, &QAbstractButton::clicked, this, [this] {
        if (m_checkForUpdates) {
            m_checkForUpdates();
        }
    });
    connect(m_quitRow, &QAbstractButton::clicked, this, quitApp);
    for (const auto& [key, action] : {std::pair<QKeyCombination, std::function<void()>>{Qt::CTRL | Qt::Key_O, openWindow},
                                      {Qt::CTRL | Qt::Key_P, checkPrompt},
                                      {Qt::CTRL | Qt::Key_Q, quitApp}}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, action);
    }

    for (auto signal : {&ProtectionStatus::statusChanged, &ProtectionStatus::providersChanged}) {
        connect(&m_protection, signal, this, &MenuBarPopover::scheduleRefresh);
    }
    for (auto signal : {&Supervision::linkChanged, &Supervision::proxyStuckChanged, &Supervision::appErrorChanged,
                        &Supervision::busyChanged}) {
        connect(&m_supervision, signal, this, &MenuBarPopover::scheduleRefresh);
    }
    connect(&m_model.activity(), &ActivityFeed::recentEventsChanged, this, &MenuBarPopover::scheduleRefresh);
    connect(&m_model.alerts(), &AlertsModel::changed, this, &MenuBarPopover::scheduleRefresh);
}

PopoverRow* MenuBarPopover::actionRow(const QString& title, const QString& shortcut, QVBoxLayout* into) {
    auto* row = new PopoverRow(title, this);
    row->setFixedHeight(36);
    auto* content = new QHBoxLayout(row);
    content->setContentsMargins(10, 0, 10, 0);
    auto* label = new TextLabel(title, Fonts::sans(13), Theme::ink, row);
    label->setMaxLines(1);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    content->addWidget(label, 1, Qt::AlignVCenter);
    if (!shortcut.isEmpty()) {
        auto* keys = new TextLabel(shortcut, Fonts::sans(13), Theme::faint, row);
        keys->setMaxLines(1);
        keys->setAttribute(Qt::WA_TransparentForMouseEvents);
        content->addWidget(keys, 0, Qt::AlignVCenter);
    }
    into->addWidget(row);
    return row;
}

QList<PopoverRow*> MenuBarPopover::actionRows() const {
    QList<PopoverRow*> rows;
    for (PopoverRow* row : {m_openRow, m_promptRow, m_updatesRow, m_quitRow}) {
        if (!row->isHidden()) {
            rows << row;
        }
    }
    return rows;
}

void MenuBarPopover::run(const MenuProtectionItem& item) {
    if (item.restarts) {
        if (m_supervision.link() == SidecarLink::stopped) {
            m_model.restartSidecar();
        }
    } else if (item.forceStops) {
        m_model.forceStop();
    } else {
        m_model.toggleProtection();
    }
}

void MenuBarPopover::runAlert(const std::optional<AlertAction>& action) {
    fernholm::runAlert(m_model, AlertSurface::panel, action,
                       AlertShell{.openUrl = {}, .copyText = {}, .showPage = {}, .openWindow = m_showWindow});
}

void MenuBarPopover::scheduleRefresh() {
    if (!isVisible()) {
        m_rendered = false; // read again when shown
        return;
    }
    if (m_refreshPending) {
        return;
    }
    m_refreshPending = true;
    QTimer::singleShot(0, this, [this] {
        m_refreshPending = false;
        if (isVisible()) {
            refresh();
        }
    });
}

void MenuBarPopover::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
}

void MenuBarPopover::refresh() {
    m_state = popoverState(m_model);
    render();
}

void MenuBarPopover::render() {
    const PopoverState& s = m_state;
    const auto alert = s.criticalAlert();
    m_criticalCard->setVisible(alert.has_value());
    m_statusCard->setVisible(!alert.has_value());
    if (alert) {
        m_alertTitle->setText(alert->title);
        m_alertBody->setText(alert->body);
        m_alertBody->setVisible(!alert->body.isEmpty());
        m_alertButton->setTitle(popoverTitle(alert->action));
        m_alertButton->setEnabled(!s.busy);
    }
    {
        static_cast<Dot*>(m_dot)->setColor(dot(s.summary));
        m_summaryLabel->setText(label(s.summary));
        m_statusLine->setText(L10n::translated(s.item.statusText));
        const QString title = L10n::translated(s.item.title);
        m_controlButton->setVisible(s.usesButton());
        m_switch->setVisible(!s.usesButton());
        m_controlButton->setTitle(title);
        m_controlButton->setEnabled(s.item.enabled);
        m_switch->setLabel(title);
        m_switch->setOn(s.switchOn);
        m_switch->setEnabled(s.item.enabled);
    }
    // Logos: rebuilt only when the list changes.
    QStringList names;
    for (const Provider& provider : s.logos) {
        names << provider.name + u'\n' + provider.displayName;
    }
    if (m_logos->property("names").toStringList() != names || !m_rendered) {
        m_logos->setProperty("names", names);
        auto* box = static_cast<QHBoxLayout*>(m_logos->layout());
        while (box->count() > 1) {
            QLayoutItem* item = box->takeAt(0);
            delete item->widget();
            delete item;
        }
        for (int i = 0; i < s.logos.size(); ++i) {
            box->insertWidget(i, new LogoDisc(s.logos[i], m_logos));
        }
        m_logos->setVisible(!s.logos.isEmpty());
    }
    m_attention->setVisible(s.showsAttention());
    m_attention->setText(L10n::plural(s.attentionCount(), QStringLiteral("{n} more needs attention"),
                                      QStringLiteral("{n} more need attention")));
    renderMessages();
    m_rendered = true;
}

void MenuBarPopover::renderMessages() {
    if (m_rendered && m_shownMessages == m_state.messages) {
        return;
    }
    m_shownMessages = m_state.messages;
    for (QWidget* row : std::as_const(m_messageRows)) {
        m_recent->removeWidget(row);
        delete row;
    }
    m_messageRows.clear();
    m_empty->parentWidget()->setVisible(m_shownMessages.isEmpty());
    const Calendar calendar{QTimeZone::systemTimeZone(), L10n::locale()};
    QWidget* parent = m_empty->parentWidget()->parentWidget();
    for (const PopoverMessage& message : std::as_const(m_shownMessages)) {
        auto* row = new QWidget(parent);
        auto* box = new QHBoxLayout(row);
        box->setContentsMargins(14, 8, 14, 8);
        box->setSpacing(10);
        box->addWidget(new ProviderLogo(message.surface, 16, row), 0, Qt::AlignVCenter);
        if (!message.chips.isEmpty()) {
            auto* chips = new QHBoxLayout;
            chips->setSpacing(4);
            for (const QString& token : message.chips) {
                chips->addWidget(new TokenChip(token, 11, row), 0, Qt::AlignVCenter);
            }
            if (message.moreTokens > 0) {
                auto* more = new TextLabel(QStringLiteral("+%1").arg(message.moreTokens), Fonts::sans(11),
                                           Theme::faint, row);
                more->setObjectName(QStringLiteral("more"));
                more->setMaxLines(1);
                chips->addWidget(more, 0, Qt::AlignVCenter);
            }
            box->addLayout(chips);
            box->addStretch(1);
        } else {
            auto* sentence = new TextLabel(message.sentence, Fonts::sans(12), Theme::ink, row);
            sentence->setObjectName(QStringLiteral("sentence"));
            sentence->setMaxLines(1);
            box->addWidget(sentence, 1, Qt::AlignVCenter);
        }
        auto* time = new TextLabel(activityTime(message.ts, calendar), Fonts::sans(11), Theme::faint, row);
        time->setObjectName(QStringLiteral("time"));
        time->setMaxLines(1);
        time->setAlignment(Qt::AlignRight);
        // The widest time, so that the times line up like tabular digits.
        time->setFixedWidth(int(std::ceil(Text::size(QStringLiteral("00:00"), time->font(), 1e6).width())) + 1);
        box->addWidget(time, 0, Qt::AlignVCenter);
        m_recent->addWidget(row);
        m_messageRows << row;
    }
}

QSize MenuBarPopover::sizeHint() const {
    const int height = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(panelWidth)
                                                      : layout()->totalSizeHint().height();
    return QSize(panelWidth, height);
}

void MenuBarPopover::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Theme::muted.on(this));
}

} // namespace fernholm
