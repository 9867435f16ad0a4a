#pragma once

#include "FernholmKit/presentation/ActivityGroups.h"
#include "FernholmApp/pages/home/HomeState.h"
#include "FernholmKit/presentation/Alerts.h"

#include <QHash>
#include <QPointer>
#include <QSet>
#include <QWidget>

#include <functional>

class QGraphicsOpacityEffect;
class QHBoxLayout;
class QVBoxLayout;

namespace fernholm {

class AlertCard;
class AppModel;
class ProtectionStatus;
class Supervision;
class CriticalHero;
class EventRowList;
class FlowLayout;
class HomeCounters;
class MoreAlertsLine;
class Page;
class PrimaryButton;
class ProviderChip;
class SectionLabel;
class StateDot;
class Surface;
class TextLabel;
class TextLink;
class VSwitch;

// The first page of the main window: whether the user's chats are protected, the switch, what
// needs attention, the gateway's counters and the four newest requests in which something was
// replaced or blocked.
//
//     auto* home = new HomeScreen(model, layout, [&] { showActivity(); }, [&] { showProviders(); });
//     panel->setContent(home);
//     // on every change of the model:
//     home->setAlertLayout(alertCenter.layout(...));
//
// It reads the model and calls its actions, never the gateway. It is built once and updated in
// place on the model's change signals and on setAlertLayout: rows, alert cards and chips are kept
// by id, so open rows, focus and the scroll position survive every poll. On its first show it
// loads the providers; on every show, and whenever the application becomes active, it reads the
// open-at-login state again. The alert buttons act through the AlertHandlers set on an ancestor.
// The model must outlive the page.
class HomeScreen : public QWidget {
    Q_OBJECT
public:
    HomeScreen(AppModel& model, const AlertLayout& layout, std::function<void()> goToActivity,
               std::function<void()> goToProviders, QWidget* parent = nullptr);
    ~HomeScreen() override;

    const AlertLayout& alertLayout() const { return m_layout; }
    void setAlertLayout(const AlertLayout& layout);

    // What the hero and the counters show now.
    const HomeState& state() const { return m_state; }
    // Ids of the recent rows whose detail is open.
    const QSet<qint64>& expanded() const { return m_expanded; }
    // Opens or closes a recent row; opening asks the model for the request's detail.
    void toggle(const ActivityRow& row);

    // The parts, for the window, the tour and tests.
    Page* page() const { return m_page; }
    TextLink* reportLink() const { return m_reportLink; }
    QWidget* criticalBlock() const { return m_critical; }
    CriticalHero* criticalHero() const { return m_criticalHero; }
    // The critical cards after the first alert, in order.
    QList<QWidget*> criticalCards() const;
    Surface* hero() const { return m_hero; }
    StateDot* stateDot() const { return m_dot; }
    TextLabel* eyebrowLabel() const { return m_eyebrow; }
    TextLabel* headlineLabel() const { return m_headline; }
    TextLabel* explanationLabel() const { return m_explanation; }
    VSwitch* heroSwitch() const { return m_switch; }
    PrimaryButton* turnOffButton() const { return m_turnOff; }
    QList<ProviderChip*> providerChips() const { return m_chipOrder; }
    TextLink* manageProvidersLink() const { return m_manageProviders; }
    QWidget* alertsSection() const { return m_alerts; }
    SectionLabel* alsoNeedsAttentionLabel() const { return m_alsoLabel; }
    // The card of alert `id` in the alerts section, or null.
    AlertCard* alertCardFor(const QString& id) const { return m_alertCards.value(id); }
    MoreAlertsLine* moreAlertsLine() const { return m_more; }
    // The private-window note rows, in order.
    QList<QWidget*> noteRows() const { return m_noteOrder; }
    Surface* statsRow() const { return m_stats; }
    HomeCounters* counters() const { return m_counters; }
    QList<TextLabel*> statValues() const;
    QList<TextLabel*> statLabels() const;
    TextLink* allActivityLink() const { return m_allActivity; }
    EventRowList* recentList() const { return m_recent; }
    TextLabel* recentEmptyLabel() const { return m_recentEmpty; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildHeader();
    Surface* buildHero();
    QWidget* buildAlerts();
    Surface* buildStats();
    QWidget* buildRecent();

    void showProtection();
    void showProviders();
    void showAlerts();
    void showRecent();
    // Changes of the protection state ease the hero's texts in.
    void fadeInHeroTexts();
    // Enables the switch; one that had the focus when disabled takes it back.
    void setSwitchEnabled(bool enabled);

    AppModel& m_model;
    const ProtectionStatus& m_protection;
    const Supervision& m_supervision;
    AlertLayout m_layout;
    std::function<void()> m_goToActivity;
    std::function<void()> m_goToProviders;
    HomeState m_state;
    QSet<qint64> m_expanded;
    bool m_shownOnce = false;

    Page* m_page = nullptr;
    TextLink* m_reportLink = nullptr;

    QWidget* m_critical = nullptr;
    QVBoxLayout* m_criticalColumn = nullptr;
    CriticalHero* m_criticalHero = nullptr;
    QHash<QString, QWidget*> m_criticalCards;

    Surface* m_hero = nullptr;
    QWidget* m_heroTexts = nullptr;
    StateDot* m_dot = nullptr;
    QWidget* m_dotPlace = nullptr;
    bool m_switchHadFocus = false;
    QPointer<QWidget> m_focusAfterSwitch;
    TextLabel* m_eyebrow = nullptr;
    TextLabel* m_headline = nullptr;
    TextLabel* m_explanation = nullptr;
    VSwitch* m_switch = nullptr;
    PrimaryButton* m_turnOff = nullptr;
    FlowLayout* m_chips = nullptr;
    QHash<QString, ProviderChip*> m_chipsByName;
    QList<ProviderChip*> m_chipOrder;
    TextLink* m_manageProviders = nullptr;
    QWidget* m_manageBox = nullptr;

    QWidget* m_alerts = nullptr;
    QVBoxLayout* m_alertsColumn = nullptr;
    SectionLabel* m_alsoLabel = nullptr;
    QHash<QString, AlertCard*> m_alertCards;
    MoreAlertsLine* m_more = nullptr;
    QHash<QString, QWidget*> m_notes;
    QList<QWidget*> m_noteOrder;

    Surface* m_stats = nullptr;
    QGraphicsOpacityEffect* m_statsOpacity = nullptr;
    HomeCounters* m_counters = nullptr;

    TextLink* m_allActivity = nullptr;
    EventRowList* m_recent = nullptr;
    QWidget* m_recentEmptyBox = nullptr;
    TextLabel* m_recentEmpty = nullptr;
};

} // namespace fernholm
