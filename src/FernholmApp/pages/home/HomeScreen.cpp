#include "FernholmApp/pages/home/HomeScreen.h"

#include "FernholmApp/pages/home/HomeCounters.h"

#include "FernholmApp/components/activity/EventRowList.h"
#include "FernholmApp/components/activity/StatusWidgets.h"
#include "FernholmApp/components/alerts/CriticalAlertViews.h"
#include "FernholmApp/components/alerts/MoreAlertsLine.h"
#include "FernholmApp/components/alerts/WarningAlertViews.h"
#include "FernholmApp/components/controls/Motion.h"
#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/controls/TextLink.h"
#include "FernholmApp/components/controls/VSwitch.h"
#include "FernholmApp/components/layout/FlowLayout.h"
#include "FernholmApp/components/layout/Page.h"
#include "FernholmApp/components/layout/Surface.h"
#include "FernholmApp/components/text/SectionLabel.h"
#include "FernholmApp/components/text/SelectableText.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/model/ActivityFeed.h"
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/presentation/BrowserNotices.h"
#include "FernholmKit/text/L10n.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPropertyAnimation>
#include <QVBoxLayout>

namespace fernholm {

namespace {

constexpr int recentCount = 4;
constexpr qreal dotDiameter = 10;
constexpr qreal dotHalo = 5;

QVBoxLayout* column(QWidget* widget, int spacing) {
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

void growsForWidth(QWidget* widget) {
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    widget->setSizePolicy(policy);
}

// A private-window note: the crossed-out eye in amber beside the selectable text.
QWidget* noteRow(const BrowserNote& note) {
    auto* row = new QWidget;
    growsForWidth(row);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(4, 0, 4, 0);
    line->setSpacing(8);
    auto* symbolBox = new QWidget;
    auto* symbolColumn = column(symbolBox, 0);
    symbolColumn->setContentsMargins(0, 1, 0, 0);
    symbolColumn->addWidget(new SymbolView(QStringLiteral("eye.slash"), 12, Theme::amber));
    symbolColumn->addStretch();
    line->addWidget(symbolBox, 0, Qt::AlignTop);
    auto* text = new SelectableText(note.text, Fonts::sans(12, 400), Theme::dim);
    text->setObjectName(QStringLiteral("noteText"));
    line->addWidget(text, 1, Qt::AlignTop);
    return row;
}

} // namespace

HomeScreen::HomeScreen(AppModel& model, const AlertLayout& layout, std::function<void()> goToActivity,
                       std::function<void()> goToProviders, QWidget* parent)
    : QWidget(parent), m_model(model), m_protection(model.protection()), m_supervision(model.supervision()),
      m_layout(layout), m_goToActivity(std::move(goToActivity)), m_goToProviders(std::move(goToProviders)) {
    m_page = new Page(28);
    column(this, 0)->addWidget(m_page);

    m_page->addWidget(buildHeader());
    m_critical = new QWidget;
    growsForWidth(m_critical);
    m_criticalColumn = column(m_critical, 10);
    m_page->addWidget(m_critical);
    m_page->addWidget(buildHero());
    m_page->addWidget(buildAlerts());
    m_page->addWidget(buildStats());
    m_page->addWidget(buildRecent());

    connect(&m_protection, &ProtectionStatus::statusChanged, this, &HomeScreen::showProtection);
    for (const auto signal : {&Supervision::linkChanged, &Supervision::proxyStuckChanged, &Supervision::busyChanged}) {
        connect(&m_supervision, signal, this, &HomeScreen::showProtection);
    }
    connect(&m_protection, &ProtectionStatus::statusChanged, this, &HomeScreen::showAlerts);
    connect(&m_protection, &ProtectionStatus::providersChanged, this, &HomeScreen::showProviders);
    connect(&m_model.activity(), &ActivityFeed::recentEventsChanged, this, &HomeScreen::showRecent);
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive && isVisible()) {
            m_model.refreshLoginItem();
        }
    });

    showProtection();
    showAlerts();
    showRecent();
}

HomeScreen::~HomeScreen() = default;

// --- Building ---

QWidget* HomeScreen::buildHeader() {
    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(16);
    TextLabel* title = Theme::title(fernholm::tr("Home"));
    title->setHeading(true);
    row->addWidget(title, 0, Qt::AlignBottom);
    row->addStretch(1);
    m_reportLink = new TextLink(fernholm::tr("Report a problem"), Theme::dim, 13, true);
    connect(m_reportLink, &TextLink::clicked, this,
            [this] { m_model.reportProblem(std::nullopt, QStringLiteral("other")); });
    row->addWidget(m_reportLink, 0, Qt::AlignBottom);
    return header;
}

Surface* HomeScreen::buildHero() {
    m_hero = new Surface(Surface::Look{Theme::cardRadius, Theme::hero, std::nullopt, false});
    growsForWidth(m_hero);
    QVBoxLayout* body = m_hero->body();
    body->setContentsMargins(28, 28, 28, 24);
    body->setSpacing(22);

    auto* top = new QWidget;
    growsForWidth(top);
    auto* topRow = new QHBoxLayout(top);
    topRow->setContentsMargins(0, 0, 0, 0);
    topRow->setSpacing(24);

    auto* texts = new QWidget;
    m_heroTexts = texts;
    growsForWidth(texts);
    QVBoxLayout* textColumn = column(texts, 10);
    auto* eyebrowRow = new QWidget;
    auto* eyebrowLine = new QHBoxLayout(eyebrowRow);
    eyebrowLine->setContentsMargins(0, 0, 0, 0);
    eyebrowLine->setSpacing(10);
    // The dot takes its own 10 px in the row, in line with the headline's edge; its halo reaches
    // beyond that place, so it is a child of the hero kept centred on its place.
    m_dotPlace = new QWidget;
    m_dotPlace->setFixedSize(int(dotDiameter), int(dotDiameter));
    eyebrowLine->addWidget(m_dotPlace, 0, Qt::AlignVCenter);
    m_dot = new StateDot(dotDiameter, dotHalo, Theme::faint, m_hero);
    for (QWidget* w : {m_dotPlace, eyebrowRow, texts, top}) {
        w->installEventFilter(this);
    }
    m_eyebrow = new TextLabel(QString(), Fonts::tracked(Fonts::sans(13, 600), 0.78), Theme::heroDim);
    m_eyebrow->setMaxLines(1);
    eyebrowLine->addWidget(m_eyebrow, 0, Qt::AlignVCenter);
    eyebrowLine->addStretch(1);
    textColumn->addWidget(eyebrowRow);
    m_headline = new TextLabel(QString(), Fonts::tracked(Fonts::display(34), -1.19), Theme::heroInk);
    m_headline->setHeading(true);
    textColumn->addWidget(m_headline);
    m_explanation = new TextLabel(QString(), Fonts::sans(15, 400), Theme::heroDim);
    m_explanation->setLineSpacing(3);
    m_explanation->setMaximumWidth(520);
    // In a row of its own, so that its height is asked for at the width it really gets.
    auto* explanationRow = new QWidget;
    growsForWidth(explanationRow);
    auto* explanationLine = new QHBoxLayout(explanationRow);
    explanationLine->setContentsMargins(0, 0, 0, 0);
    explanationLine->setSpacing(0);
    explanationLine->addWidget(m_explanation, 1);
    explanationLine->addStretch(0);
    textColumn->addWidget(explanationRow);
    topRow->addWidget(texts, 1, Qt::AlignTop);

    m_switch = new VSwitch(VSwitch::Size::hero, Theme::live, Theme::heroOffTrack, QString());
    connect(m_switch, &VSwitch::toggleRequested, this, [this] { m_model.toggleProtection(); });
    topRow->addWidget(m_switch, 0, Qt::AlignTop);
    m_turnOff = new PrimaryButton(fernholm::tr("Turn off"), PrimaryButton::Style::destructive);
    m_turnOff->setArrow(false);
    connect(m_turnOff, &QAbstractButton::clicked, this, [this] { m_model.forceStop(); });
    topRow->addWidget(m_turnOff, 0, Qt::AlignTop);
    body->addWidget(top);

    auto* chips = new QWidget;
    growsForWidth(chips);
    m_chips = new FlowLayout(8, chips);
    m_chips->setContentsMargins(0, 0, 0, 0);
    m_manageBox = new QWidget;
    m_manageBox->setFixedHeight(32);
    auto* manageRow = new QHBoxLayout(m_manageBox);
    manageRow->setContentsMargins(0, 0, 0, 0);
    // The whole 32 px high button takes clicks, its padding included.
    m_manageProviders = new TextLink(fernholm::tr("Manage providers →"), Theme::heroDim, 13, false);
    m_manageProviders->setContentsMargins(6, 0, 6, 0);
    m_manageProviders->setFixedHeight(32);
    connect(m_manageProviders, &TextLink::clicked, this, [this] {
        if (m_goToProviders) {
            m_goToProviders();
        }
    });
    manageRow->addWidget(m_manageProviders);
    m_chips->addWidget(m_manageBox);
    body->addWidget(chips);
    showProviders();
    return m_hero;
}

QWidget* HomeScreen::buildAlerts() {
    m_alerts = new QWidget;
    growsForWidth(m_alerts);
    m_alertsColumn = column(m_alerts, 10);
    m_alsoLabel = new SectionLabel(fernholm::tr("Also needs attention"), Theme::faint, m_alerts);
    m_more = new MoreAlertsLine(0, m_alerts);
    return m_alerts;
}

Surface* HomeScreen::buildStats() {
    m_stats = cardSurface(Theme::cardRadius, Theme::surface);
    growsForWidth(m_stats);
    m_counters = new HomeCounters;
    m_stats->body()->addWidget(m_counters);
    m_statsOpacity = new QGraphicsOpacityEffect(m_stats);
    m_statsOpacity->setOpacity(0.6);
    m_statsOpacity->setEnabled(false);
    m_stats->setGraphicsEffect(m_statsOpacity);
    return m_stats;
}

QWidget* HomeScreen::buildRecent() {
    auto* section = new QWidget;
    growsForWidth(section);
    QVBoxLayout* sectionColumn = column(section, 12);
    auto* header = new QWidget;
    auto* headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(0, 0, 0, 0);
    auto* title = new TextLabel(fernholm::tr("Recent"), Fonts::tracked(Fonts::display(22), -0.44), Theme::ink);
    title->setMaxLines(1);
    title->setHeading(true);
    headerRow->addWidget(title, 0, Qt::AlignBottom);
    headerRow->addStretch(1);
    m_allActivity = new TextLink(fernholm::tr("All activity →"), Theme::dim, 13, false);
    connect(m_allActivity, &TextLink::clicked, this, [this] {
        if (m_goToActivity) {
            m_goToActivity();
        }
    });
    // Title and link share a baseline: the link's box is lifted by the difference between the
    // space each leaves under its baseline.
    const QFontMetricsF titleMetrics(title->font());
    const QFontMetricsF linkMetrics(m_allActivity->linkFont());
    const qreal titleBelow = titleMetrics.lineSpacing() - titleMetrics.ascent();
    const qreal linkBelow = linkMetrics.height() - linkMetrics.ascent();
    m_allActivity->setContentsMargins(0, 0, 0, std::max(0, qRound(titleBelow - linkBelow)));
    headerRow->addWidget(m_allActivity, 0, Qt::AlignBottom);
    sectionColumn->addWidget(header);

    Surface* card = cardSurface(Theme::cardRadius, Theme::surface);
    growsForWidth(card);
    m_recent = new EventRowList(m_model, true, 14, [this](const ActivityRow& row) { toggle(row); });
    card->body()->addWidget(m_recent);
    m_recentEmptyBox = new QWidget;
    growsForWidth(m_recentEmptyBox);
    QVBoxLayout* emptyColumn = column(m_recentEmptyBox, 0);
    emptyColumn->setContentsMargins(20, 20, 20, 20);
    m_recentEmpty = new TextLabel(QString(), Fonts::sans(13, 400), Theme::dim);
    emptyColumn->addWidget(m_recentEmpty);
    card->body()->addWidget(m_recentEmptyBox);
    sectionColumn->addWidget(card);
    return section;
}

QList<TextLabel*> HomeScreen::statValues() const {
    return m_counters->values();
}

QList<TextLabel*> HomeScreen::statLabels() const {
    return m_counters->labels();
}

// --- Updating ---

void HomeScreen::setAlertLayout(const AlertLayout& layout) {
    if (layout == m_layout) {
        return;
    }
    m_layout = layout;
    showAlerts();
}

QList<QWidget*> HomeScreen::criticalCards() const {
    QList<QWidget*> cards;
    for (qsizetype i = 1; i < m_layout.critical.size(); ++i) {
        if (QWidget* card = m_criticalCards.value(m_layout.critical.at(i).id)) {
            cards.append(card);
        }
    }
    return cards;
}

void HomeScreen::showProtection() {
    const HomeState state =
        homeState(m_protection.status(), m_supervision.link(), m_supervision.proxyStuck(), m_supervision.busy());
    const bool onChanged = state.on != m_state.on || state.uiState != m_state.uiState;
    const bool stateChanged = state.uiState != m_state.uiState;
    m_state = state;
    if (stateChanged) {
        fadeInHeroTexts();
    }
    const ThemeColor colour = homeStateColor(state.uiState);
    m_dot->setColor(colour);
    m_eyebrow->setText(state.eyebrow.toUpper());
    m_headline->setText(state.headline);
    m_explanation->setText(state.explanation);
    m_hero->setAccessibleName(state.headline);

    m_switch->setVisible(!state.turnOff);
    m_turnOff->setVisible(state.turnOff);
    m_switch->setOn(state.on);
    m_switch->setLabel(state.on ? fernholm::tr("Pause protection") : fernholm::tr("Turn protection on"));
    setSwitchEnabled(state.switchEnabled);

    for (ProviderChip* chip : std::as_const(m_chipOrder)) {
        chip->setDotColor(colour);
    }
    m_counters->setCounters(state.counters, state.counterLabels);
    if (onChanged) {
        showRecent();
    }
}

void HomeScreen::setSwitchEnabled(bool enabled) {
    if (enabled == m_switch->isEnabled()) {
        return;
    }
    if (!enabled) {
        // Disabling moves the focus on; the switch takes it back once it is usable again, unless
        // the user has moved it elsewhere meanwhile.
        const bool hadFocus = m_switch->hasFocus();
        m_switch->setEnabled(false);
        m_focusAfterSwitch = hadFocus ? QApplication::focusWidget() : nullptr;
        m_switchHadFocus = hadFocus;
        return;
    }
    m_switch->setEnabled(true);
    if (m_switchHadFocus && QApplication::focusWidget() == m_focusAfterSwitch && m_switch->isVisible()) {
        m_switch->setFocus(Qt::OtherFocusReason);
    }
    m_switchHadFocus = false;
    m_focusAfterSwitch = nullptr;
}

bool HomeScreen::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize || event->type() == QEvent::Show) {
        if (m_dotPlace && m_dot) {
            const QPoint place = m_dotPlace->mapTo(m_hero, QPoint(0, 0));
            const int halo = int(dotHalo);
            m_dot->move(place - QPoint(halo, halo));
            m_dot->raise();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void HomeScreen::fadeInHeroTexts() {
    const int duration = Motion::duration(m_heroTexts, 150);
    if (duration == 0) {
        return;
    }
    auto* effect = new QGraphicsOpacityEffect(m_heroTexts);
    m_heroTexts->setGraphicsEffect(effect);
    auto* fade = new QPropertyAnimation(effect, "opacity", effect);
    fade->setDuration(duration);
    fade->setEasingCurve(Motion::easeOut());
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    // The effect goes once the texts are fully there: it would only cost painting time.
    connect(fade, &QPropertyAnimation::finished, m_heroTexts, [texts = m_heroTexts] { texts->setGraphicsEffect(nullptr); });
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void HomeScreen::showProviders() {
    const QList<Provider> providers = heroProviders(m_protection.providers());
    const ThemeColor colour = homeStateColor(m_state.uiState);
    QHash<QString, ProviderChip*> kept;
    QList<ProviderChip*> order;
    for (const Provider& provider : providers) {
        if (kept.contains(provider.name)) {
            continue;
        }
        ProviderChip* chip = m_chipsByName.value(provider.name);
        if (chip) {
            chip->setDisplayName(provider.displayName);
        } else {
            chip = new ProviderChip(provider.name, provider.displayName, colour);
        }
        chip->setDotColor(colour);
        kept.insert(provider.name, chip);
        order.append(chip);
    }
    for (auto it = m_chipsByName.cbegin(); it != m_chipsByName.cend(); ++it) {
        if (kept.value(it.key()) != it.value()) {
            m_chips->removeWidget(it.value());
            delete it.value();
        }
    }
    m_chipsByName = kept;
    if (order != m_chipOrder) {
        for (ProviderChip* chip : std::as_const(order)) {
            m_chips->removeWidget(chip);
        }
        m_chips->removeWidget(m_manageBox);
        for (ProviderChip* chip : std::as_const(order)) {
            m_chips->addWidget(chip);
        }
        m_chips->addWidget(m_manageBox);
        m_chipOrder = order;
    }
    for (ProviderChip* chip : std::as_const(order)) {
        chip->show();
    }
}

void HomeScreen::showAlerts() {
    // The critical block stands in for the hero.
    const bool critical = !m_layout.critical.isEmpty();
    if (critical) {
        const AppAlert& first = m_layout.critical.constFirst();
        if (m_criticalHero) {
            m_criticalHero->setAlert(first);
        } else {
            m_criticalHero = new CriticalHero(first);
        }
    }
    QHash<QString, QWidget*> keptCards;
    QList<QWidget*> criticalOrder;
    if (m_criticalHero && critical) {
        criticalOrder.append(m_criticalHero);
    }
    for (qsizetype i = 1; i < m_layout.critical.size(); ++i) {
        const AppAlert& alert = m_layout.critical.at(i);
        if (keptCards.contains(alert.id) || alert.id == m_layout.critical.constFirst().id) {
            continue;
        }
        auto* card = qobject_cast<CriticalCard*>(m_criticalCards.value(alert.id));
        if (card) {
            card->setAlert(alert);
        } else {
            card = new CriticalCard(alert, false);
        }
        keptCards.insert(alert.id, card);
        criticalOrder.append(card);
    }
    for (auto it = m_criticalCards.cbegin(); it != m_criticalCards.cend(); ++it) {
        if (keptCards.value(it.key()) != it.value()) {
            m_criticalColumn->removeWidget(it.value());
            delete it.value();
        }
    }
    m_criticalCards = keptCards;
    if (m_criticalHero && !critical) {
        m_criticalColumn->removeWidget(m_criticalHero);
        delete m_criticalHero;
        m_criticalHero = nullptr;
    }
    arrangeWidgets(m_criticalColumn, criticalOrder);
    for (QWidget* widget : std::as_const(criticalOrder)) {
        widget->show();
    }
    m_critical->setVisible(critical);
    m_hero->setVisible(!critical);
    m_statsOpacity->setEnabled(critical);

    // The alerts section: warnings, the count of the rest, the notice whatever its page, and the
    // private-window notes.
    QHash<QString, AlertCard*> keptAlerts;
    QList<QWidget*> order;
    const bool also = critical && !m_layout.warnings.isEmpty();
    if (also) {
        order.append(m_alsoLabel);
    }
    const auto place = [&](const AppAlert& alert) {
        if (keptAlerts.contains(alert.id)) {
            return;
        }
        AlertCard* card = m_alertCards.value(alert.id);
        if (card) {
            card->setAlert(alert);
        } else {
            card = new AlertCard(alert);
        }
        keptAlerts.insert(alert.id, card);
        order.append(card);
    };
    for (const AppAlert& alert : std::as_const(m_layout.warnings)) {
        place(alert);
    }
    if (m_layout.moreWarnings >= 1) {
        m_more->setCount(m_layout.moreWarnings);
        order.append(m_more);
    }
    if (m_layout.notice) {
        place(*m_layout.notice);
    }
    for (auto it = m_alertCards.cbegin(); it != m_alertCards.cend(); ++it) {
        if (keptAlerts.value(it.key()) != it.value()) {
            m_alertsColumn->removeWidget(it.value());
            delete it.value();
        }
    }
    m_alertCards = keptAlerts;

    const QList<BrowserNote> notes = privateWindowNotes(m_protection.status());
    QHash<QString, QWidget*> keptNotes;
    QList<QWidget*> noteOrder;
    for (const BrowserNote& note : notes) {
        if (keptNotes.contains(note.id)) {
            continue;
        }
        QWidget* row = m_notes.value(note.id);
        if (row) {
            row->findChild<SelectableText*>(QStringLiteral("noteText"))->setText(note.text);
        } else {
            row = noteRow(note);
        }
        keptNotes.insert(note.id, row);
        noteOrder.append(row);
    }
    for (auto it = m_notes.cbegin(); it != m_notes.cend(); ++it) {
        if (keptNotes.value(it.key()) != it.value()) {
            m_alertsColumn->removeWidget(it.value());
            delete it.value();
        }
    }
    m_notes = keptNotes;
    m_noteOrder = noteOrder;
    order.append(noteOrder);

    m_alsoLabel->setVisible(also);
    m_more->setVisible(m_layout.moreWarnings >= 1);
    arrangeWidgets(m_alertsColumn, order);
    for (QWidget* widget : std::as_const(order)) {
        widget->show();
    }
    m_alerts->setVisible(!m_layout.warnings.isEmpty() || m_layout.notice || !notes.isEmpty());
}

void HomeScreen::showRecent() {
    const ActivityFeed& feed = m_model.activity();
    const QList<ActivityRow> rows = recentRows(feed.recentEvents(), feed.recentEventsOffset(), recentCount);
    m_recent->setRows(rows, m_expanded);
    m_recent->setVisible(!rows.isEmpty());
    m_recentEmpty->setText(m_state.on ? fernholm::tr("No traffic yet.")
                                      : fernholm::tr("Turn it on and personal information will be removed from what you send to AI chatbots."));
    m_recentEmptyBox->setVisible(rows.isEmpty());
}

void HomeScreen::toggle(const ActivityRow& row) {
    if (m_expanded.remove(row.id)) {
        m_recent->setExpanded(m_expanded);
        return;
    }
    m_expanded.insert(row.id);
    m_recent->setExpanded(m_expanded);
    m_model.activity().loadDetail(row.event.ts);
}

void HomeScreen::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        // The providers arrive in the model; the page follows providersChanged.
        m_model.loadProviders();
    }
    m_model.refreshLoginItem();
}

} // namespace fernholm
