// The tray panel: what it shows for the model's state (no gateway needed: the model's setters
// drive it), what its buttons do, where it opens, and its controls against the stand-in gateway.
#include "FernholmApp/components/controls/VSwitch.h"
#include "FernholmApp/components/text/SectionLabel.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/components/text/TokenChip.h"
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmApp/shell/MainWindow.h"
#include "FernholmApp/shell/tray/MenuBarPopover.h"
#include "FernholmApp/shell/tray/PopoverPlacement.h"
#include "FernholmApp/shell/tray/PopoverRow.h"
#include "FernholmKit/presentation/AlertCenter.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/ActivityFeedAccess.h"
#include "app/support/AppModelAccess.h"
#include "app/support/LayoutTesting.h"
#include "app/support/StandInModel.h"
#include "app/support/TestPlatform.h"
#include "app/support/ViewTesting.h"
#include "support/LoopbackPort.h"
#include "support/StatusFixtures.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

using namespace fernholm;
using namespace fernholm::test;

Q_DECLARE_METATYPE(fernholm::SidecarLink)
Q_DECLARE_METATYPE(std::optional<fernholm::Status>)
Q_DECLARE_METATYPE(std::optional<fernholm::AlertAction>)

namespace {

constexpr int patienceMs = 30'000;

Status onWith(const QStringList& findings = {}) {
    Status s = status(Protection::on, true);
    if (!findings.isEmpty()) {
        s.browserBypass = findingsOfKinds(findings);
    }
    return s;
}

Event anEvent(int minute, const QString& status, int tokens) {
    Event e;
    e.ts = QStringLiteral("2025-03-05T14:%1:09Z").arg(minute, 2, 10, QLatin1Char('0'));
    e.surface = QStringLiteral("chatgpt");
    e.status = status;
    for (int i = 0; i < tokens; ++i) {
        e.tokens << QStringLiteral("[PERSON_%1]").arg(i + 1);
    }
    return e;
}

// A model that never starts, and its panel shown in a window of its own.
struct Panel {
    Panel(bool withUpdates = false) {
        model = std::make_unique<AppModel>(quickConfig(), fakes.platform());
        panel = new MenuBarPopover(
            *model, withUpdates ? std::function<void()>([this] { ++updates; }) : std::function<void()>(),
            [this] { ++windows; }, [this] { ++quits; }, &window);
        auto* box = new QVBoxLayout(&window);
        box->setContentsMargins(0, 0, 0, 0);
        box->addWidget(panel);
        window.show();
        settle();
    }
    void settleSize() {
        settle();
        window.resize(panel->sizeHint());
        settle();
    }

    TestPlatform fakes;
    std::unique_ptr<AppModel> model;
    QWidget window;
    MenuBarPopover* panel;
    int updates = 0;
    int windows = 0;
    int quits = 0;
};

QStringList titles(const QList<PopoverRow*>& rows) {
    QStringList names;
    for (PopoverRow* row : rows) {
        names << row->accessibleName();
    }
    return names;
}

} // namespace

class MenuBarPopoverTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        useBundledResources();
        L10n::setLanguage(QStringLiteral("en"));
    }
    void cleanup() { L10n::setLanguage(QStringLiteral("en")); }

    void protectionControl_data() {
        QTest::addColumn<SidecarLink>("link");
        QTest::addColumn<std::optional<Status>>("status");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<bool>("stuck");
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("button");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("on");
        const std::optional<Status> on = onWith();
        const std::optional<Status> none;
        QTest::newRow("checking") << SidecarLink::checking << on << false << false << "Checking Tarvine…" << true
                                  << "Turn Protection Off" << true << true;
        QTest::newRow("checking, busy") << SidecarLink::checking << on << true << false << "Checking Tarvine…" << true
                                        << "Turn Protection Off" << false << true;
        QTest::newRow("restarting") << SidecarLink::restarting << none << false << false << "Tarvine is restarting…"
                                    << true << "Turn Protection Off" << true << false;
        QTest::newRow("stopped") << SidecarLink::stopped << none << true << false
                                 << "Tarvine stopped — protection is off" << true << "Restart Tarvine" << true << false;
        QTest::newRow("stopped, proxy stuck")
            << SidecarLink::stopped << none << false << true << "Tarvine stopped — the system proxy is still on" << true
            << "Restart Tarvine" << true << false;
        QTest::newRow("no status yet") << SidecarLink::trusted << none << false << false << "Tarvine is starting…"
                                       << false << "Turn Protection On" << false << false;
        QTest::newRow("on") << SidecarLink::trusted << on << false << false << "Protection is on" << false
                            << "Turn Protection Off" << true << true;
        QTest::newRow("on, busy") << SidecarLink::trusted << on << true << false << "Protection is on" << false
                                  << "Turn Protection Off" << false << true;
        QTest::newRow("partly") << SidecarLink::trusted << std::optional<Status>(onWith({QStringLiteral("bypass")})) << false << false
                                << "Partly protected" << false << "Turn Protection Off" << true << true;
        QTest::newRow("off") << SidecarLink::trusted << std::optional<Status>(status(Protection::off)) << false << false
                             << "Protection is off" << false << "Turn Protection On" << true << false;
        QTest::newRow("starting") << SidecarLink::trusted << std::optional<Status>(status(Protection::starting))
                                  << false << false << "Protection is starting…" << false << "Turn Protection On"
                                  << false << false;
    }
    void protectionControl() {
        QFETCH(SidecarLink, link);
        QFETCH(std::optional<Status>, status);
        QFETCH(bool, busy);
        QFETCH(bool, stuck);
        QFETCH(QString, line);
        QFETCH(bool, button);
        QFETCH(QString, title);
        QFETCH(bool, enabled);
        QFETCH(bool, on);
        Panel p;
        AppModelAccess::setStatus(*p.model, status);
        AppModelAccess::setLink(*p.model, link);
        AppModelAccess::setBusy(*p.model, busy);
        AppModelAccess::setProxyStuck(*p.model, stuck);
        settle();
        MenuBarPopover* panel = p.panel;
        QCOMPARE(panel->statusLine()->text(), line);
        QCOMPARE(panel->controlButton()->isVisibleTo(panel->statusCard()), button);
        QCOMPARE(panel->protectionSwitch()->isVisibleTo(panel->statusCard()), !button);
        if (button) {
            QCOMPARE(panel->controlButton()->text(), title);
            QCOMPARE(panel->controlButton()->isEnabled(), enabled);
        } else {
            QCOMPARE(panel->protectionSwitch()->label(), title);
            QCOMPARE(panel->protectionSwitch()->isEnabled(), enabled);
            QCOMPARE(panel->protectionSwitch()->isOn(), on);
        }
        // While the gateway is stopped a critical alert takes the card's place.
        QCOMPARE(panel->criticalCard()->isVisible(), link == SidecarLink::stopped);
        QCOMPARE(panel->statusCard()->isVisible(), link != SidecarLink::stopped);
    }

    void criticalCard_data() {
        QTest::addColumn<SidecarLink>("link");
        QTest::addColumn<std::optional<Status>>("status");
        QTest::addColumn<QString>("appError");
        QTest::addColumn<QString>("caption");
        QTest::newRow("stopped") << SidecarLink::stopped << std::optional<Status>() << QString() << "Restart Tarvine";
        QTest::newRow("protection error") << SidecarLink::trusted << std::optional<Status>(status(Protection::error))
                                          << QString() << "Try again";
        QTest::newRow("no action") << SidecarLink::trusted << std::optional<Status>() << "port taken"
                                   << "Open Tarvine";
    }
    void criticalCard() {
        QFETCH(SidecarLink, link);
        QFETCH(std::optional<Status>, status);
        QFETCH(QString, appError);
        QFETCH(QString, caption);
        Panel p;
        AppModelAccess::setStatus(*p.model, status);
        AppModelAccess::setLink(*p.model, link);
        if (!appError.isEmpty()) {
            AppModelAccess::setAppError(*p.model, appError);
        }
        settle();
        QVERIFY(p.panel->criticalCard()->isVisible());
        QVERIFY(!p.panel->statusCard()->isVisible());
        QCOMPARE(p.panel->alertButton()->text(), caption);
        QVERIFY(p.panel->alertButton()->isEnabled());
        AppModelAccess::setBusy(*p.model, true);
        settle();
        QVERIFY(!p.panel->alertButton()->isEnabled());
    }

    void runAlert_data() {
        QTest::addColumn<std::optional<AlertAction>>("action");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("inPlace");
        using A = AlertAction;
        using D = DegradedAction;
        QTest::newRow("restart gateway") << std::optional(A::restartSidecar()) << "Restart Tarvine" << true;
        QTest::newRow("retry protection") << std::optional(A::retryProtection()) << "Try again" << true;
        QTest::newRow("restart protection") << std::optional(A::degraded(D::restartProtection)) << "Restart protection"
                                            << true;
        QTest::newRow("fix proxy") << std::optional(A::degraded(D::fixProxy)) << "Fix" << true;
        QTest::newRow("install") << std::optional(A::degraded(D::install)) << "Install" << true;
        QTest::newRow("retry data key") << std::optional(A::degraded(D::retryDataKey)) << "Try again" << true;
        QTest::newRow("set up") << std::optional(A::degraded(D::setUp)) << "Open Tarvine" << false;
        QTest::newRow("remove") << std::optional(A::degraded(D::remove)) << "Open Tarvine" << false;
        QTest::newRow("dismiss data key") << std::optional(A::degraded(D::dismissDataKeyReset)) << "Open Tarvine"
                                          << false;
        QTest::newRow("open url") << std::optional(A::openURL(QStringLiteral("Help"), QUrl(QStringLiteral("https://a"))))
                                  << "Open Tarvine" << false;
        QTest::newRow("copy error") << std::optional(A::copyError()) << "Open Tarvine" << false;
        QTest::newRow("copy app error") << std::optional(A::copyAppError()) << "Open Tarvine" << false;
        QTest::newRow("browsers") << std::optional(A::showBrowsers()) << "Open Tarvine" << false;
        QTest::newRow("none") << std::optional<AlertAction>() << "Open Tarvine" << false;
    }
    void runAlert() {
        QFETCH(std::optional<AlertAction>, action);
        QFETCH(QString, caption);
        QFETCH(bool, inPlace);
        QCOMPARE(popoverTitle(action), caption);
        QCOMPARE(runsHere(action), inPlace);
        Panel p;
        p.panel->runAlert(action);
        QCOMPARE(p.model->homeRequest(), inPlace ? 0 : 1);
        QCOMPARE(p.windows, inPlace ? 0 : 1);
    }

    void lastMessages() {
        Panel p;
        QVERIFY(p.panel->emptyLine()->isVisible());
        QCOMPARE(p.panel->emptyLine()->text(), QStringLiteral("No traffic yet."));
        // Ten mixed events: the last three redacted or blocked, oldest on top.
        QList<Event> events{anEvent(0, "redacted", 1),  anEvent(1, "passed", 0),  anEvent(2, "blocked", 0),
                            anEvent(3, "redacted", 2),  anEvent(4, "unfiltered", 0), anEvent(5, "redacted", 5),
                            anEvent(6, "passed", 0),    anEvent(7, "document_blocked", 0), anEvent(8, "redacted", 0),
                            anEvent(9, "passed", 3)};
        ActivityFeedAccess::setRecentEvents(p.model->activity(), events, 0);
        settle();
        const QList<PopoverMessage> shown = p.panel->state().messages;
        QCOMPARE(shown.size(), 3);
        QCOMPARE(shown[0].ts, events[5].ts);
        QCOMPARE(shown[1].ts, events[7].ts);
        QCOMPARE(shown[2].ts, events[8].ts);
        QVERIFY(!p.panel->emptyLine()->isVisible());
        const QList<QWidget*> rows = p.panel->messageRows();
        QCOMPARE(rows.size(), 3);
        // Five tokens: two chips and "+3"; a blocked event and a redacted one without tokens: the
        // sentence.
        QCOMPARE(rows[0]->findChildren<TokenChip*>().size(), 2);
        QCOMPARE(rows[0]->findChild<TextLabel*>(QStringLiteral("more"))->text(), QStringLiteral("+3"));
        QVERIFY(rows[1]->findChildren<TokenChip*>().isEmpty());
        QCOMPARE(rows[1]->findChild<TextLabel*>(QStringLiteral("sentence"))->text(), activitySentence(events[7]));
        QVERIFY(rows[2]->findChild<TextLabel*>(QStringLiteral("sentence")));
        // The hidden empty line leaves no gap under the caption.
        auto* caption = p.panel->findChild<SectionLabel*>();
        QCOMPARE(rows[0]->geometry().top() - caption->geometry().bottom() - 1, 6);
        // Times line up at the right edge.
        QCOMPARE(rows[0]->findChild<TextLabel*>(QStringLiteral("time"))->geometry().right(),
                 rows[1]->findChild<TextLabel*>(QStringLiteral("time"))->geometry().right());

        ActivityFeedAccess::setRecentEvents(p.model->activity(), {anEvent(1, "redacted", 2)}, 0);
        settle();
        QCOMPARE(p.panel->messageRows().size(), 1);
        QCOMPARE(p.panel->messageRows()[0]->findChildren<TokenChip*>().size(), 2);
        QVERIFY(!p.panel->messageRows()[0]->findChild<TextLabel*>(QStringLiteral("more")));
    }

    void attentionLine_data() {
        QTest::addColumn<QStringList>("findings");
        QTest::addColumn<QString>("line");
        QTest::newRow("none") << QStringList{} << QString();
        QTest::newRow("one") << QStringList{"bypass"} << "1 more needs attention";
        QTest::newRow("three") << QStringList{"bypass", "bypass", "bypass"} << "3 more need attention";
    }
    void attentionLine() {
        QFETCH(QStringList, findings);
        QFETCH(QString, line);
        Panel p;
        AppModelAccess::setStatus(*p.model, onWith(findings));
        settle();
        QCOMPARE(p.panel->attentionLine()->isVisible(), !line.isEmpty());
        if (!line.isEmpty()) {
            QCOMPARE(p.panel->attentionLine()->text(), line);
            QCOMPARE(p.panel->summaryLabel()->text(), QStringLiteral("Needs attention"));
        }
    }

    void actionRows() {
        Panel without;
        QCOMPARE(titles(without.panel->actionRows()), (QStringList{"Open Tarvine", "Check a prompt", "Quit"}));
        Panel p(true);
        QCOMPARE(titles(p.panel->actionRows()),
                 (QStringList{"Open Tarvine", "Check a prompt", "Check for Updates…", "Quit"}));
        p.settleSize();
        QCOMPARE(p.panel->width(), 360);
        for (PopoverRow* row : p.panel->actionRows()) {
            QCOMPARE(row->height(), 36);
        }
        // The shortcut labels name the keys.
        QVERIFY(p.panel->actionRows()[0]->findChildren<TextLabel*>().last()->text() == QStringLiteral("Ctrl+O"));
        QTest::mouseClick(p.panel->updatesRow(), Qt::LeftButton);
        QCOMPARE(p.updates, 1);
        QTest::mouseClick(p.panel->actionRows()[0], Qt::LeftButton);
        QCOMPARE(p.windows, 1);
        QTest::mouseClick(p.panel->actionRows()[3], Qt::LeftButton);
        QCOMPARE(p.quits, 1);
    }

    void shortcuts() {
        Panel p;
        p.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&p.window));
        // Ctrl+P asks for the Prompts page first, then opens the window.
        int requestWhenShown = -1;
        connect(p.model.get(), &AppModel::promptRequestChanged, this, [&] { requestWhenShown = p.windows; });
        QTest::keyClick(&p.window, Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(p.model->promptRequest(), 1);
        QCOMPARE(requestWhenShown, 0);
        QCOMPARE(p.windows, 1);
        QTest::keyClick(&p.window, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(p.windows, 2);
        QCOMPARE(p.model->promptRequest(), 1);
        QTest::keyClick(&p.window, Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(p.quits, 1);
    }

    // The main window has its own Quit on Ctrl+Q; in the panel the panel's one wins.
    void quitShortcutWhileTheMainWindowIsShown() {
        MainWindow main;
        int mainQuits = 0;
        connect(&main, &MainWindow::quitRequested, this, [&mainQuits] { ++mainQuits; });
        main.show();
        Panel p;
        p.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&p.window));
        QTest::keyClick(&p.window, Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(p.quits, 1);
        QCOMPARE(mainQuits, 0);
    }

    // Nothing polls here: an open panel shows a snoozed warning again when its snooze ends.
    void aSnoozedWarningComesBackWhenItsSnoozeEnds() {
        Panel p;
        AppModelAccess::setLink(*p.model, SidecarLink::trusted);
        AppModelAccess::setStatus(*p.model, onWith());
        AppModelAccess::setAppError(*p.model, QStringLiteral("Toggle failed: refused"));
        settle();
        QVERIFY(p.panel->state().showsAttention());
        const AppAlert warning = p.panel->state().layout.warnings.first();

        // Back-dated so that it ends in under a second.
        const auto almostADay = std::chrono::duration_cast<Clock::duration>(AlertCenter::snoozeFor) -
                                std::chrono::duration_cast<Clock::duration>(std::chrono::milliseconds(700));
        p.model->alertCenter().snooze(warning, Clock::now() - almostADay);
        QTRY_VERIFY(!p.panel->state().showsAttention());
        QVERIFY(!p.panel->attentionLine()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(p.panel->state().showsAttention(), 10000);
        QVERIFY(p.panel->attentionLine()->isVisible());
    }

    void placement_data() {
        QTest::addColumn<QRect>("icon");
        QTest::addColumn<std::optional<QPoint>>("cursor");
        QTest::addColumn<QString>("side"); // where the panel lies from the icon or cursor
        const QRect screen(0, 0, 1280, 800);
        QTest::newRow("top bar, right") << QRect(1240, 4, 24, 24) << std::optional<QPoint>() << "below";
        QTest::newRow("top bar, left corner") << QRect(0, 0, 24, 24) << std::optional<QPoint>() << "below";
        QTest::newRow("bottom bar") << QRect(1200, 776, 24, 24) << std::optional<QPoint>() << "above";
        QTest::newRow("left bar") << QRect(2, 400, 24, 24) << std::optional<QPoint>() << "right";
        QTest::newRow("right bar, bottom") << QRect(1254, 770, 24, 24) << std::optional<QPoint>() << "left";
        QTest::newRow("right bar, middle") << QRect(1254, 300, 24, 24) << std::optional<QPoint>() << "left";
        QTest::newRow("no icon, cursor") << QRect() << std::optional<QPoint>(QPoint(1270, 795)) << "cursor";
        QTest::newRow("no icon, cursor at top") << QRect() << std::optional<QPoint>(QPoint(600, 3)) << "cursor";
        QTest::newRow("no icon, no cursor") << QRect() << std::optional<QPoint>() << "corner";
    }
    void placement() {
        QFETCH(QRect, icon);
        QFETCH(std::optional<QPoint>, cursor);
        QFETCH(QString, side);
        const QRect available(0, 24, 1280, 776); // a top bar of 24 taken
        const QSize size(360, 520);
        const QRect at = popoverPlacement(icon, size, available, cursor);
        QCOMPARE(at.size(), size);
        QVERIFY2(available.contains(at), qPrintable(QStringLiteral("%1,%2").arg(at.x()).arg(at.y())));
        if (side == QLatin1String("below")) {
            QVERIFY(at.top() > icon.bottom());
            QVERIFY(at.left() <= icon.center().x() && icon.center().x() <= at.right());
        } else if (side == QLatin1String("above")) {
            QVERIFY(at.bottom() < icon.top());
        } else if (side == QLatin1String("right")) {
            QVERIFY(at.left() > icon.right());
        } else if (side == QLatin1String("left")) {
            QVERIFY(at.right() < icon.left());
        } else if (side == QLatin1String("cursor")) {
            // Next to the cursor, on the side where there is room, touching its column.
            QVERIFY(at.left() <= cursor->x() + 1 && cursor->x() - 1 <= at.right());
            QVERIFY(std::abs(at.top() - cursor->y()) < 40 || std::abs(at.bottom() - cursor->y()) < 40);
        } else {
            QVERIFY(at.right() >= available.right() - 16);
            QVERIFY(at.top() <= available.top() + 16);
        }
    }

    void placementOfAPanelLargerThanTheScreen() {
        const QRect available(0, 0, 300, 400);
        const QRect at = popoverPlacement(QRect(280, 380, 20, 20), QSize(360, 520), available, std::nullopt);
        QCOMPARE(at.topLeft(), available.topLeft());
    }

    void screenshots() {
        for (const QString& language : {QStringLiteral("en"), QStringLiteral("pl")}) {
            L10n::setLanguage(language);
            {
                Panel p(true);
                AppModelAccess::setStatus(*p.model, onWith({QStringLiteral("bypass"), QStringLiteral("bypass")}));
                Provider chat{QStringLiteral("chatgpt"), QStringLiteral("ChatGPT"), {}, {}, true, {}, {}};
                Provider claude{QStringLiteral("claude"), QStringLiteral("Claude"), {}, {}, true, {}, {}};
                AppModelAccess::setProviders(*p.model, {chat, claude});
                ActivityFeedAccess::setRecentEvents(
                    p.model->activity(),
                    {anEvent(1, "redacted", 5), anEvent(2, "blocked", 0), anEvent(3, "redacted", 2)}, 0);
                p.settleSize();
                QVERIFY(!saveScreenshot(lightAndDark(&p.window), QStringLiteral("popover-status-%1").arg(language))
                             .isEmpty());
            }
            {
                Panel p;
                AppModelAccess::setLink(*p.model, SidecarLink::stopped);
                p.settleSize();
                QVERIFY(!saveScreenshot(lightAndDark(&p.window), QStringLiteral("popover-critical-%1").arg(language))
                             .isEmpty());
            }
        }
    }
};

// Against the stand-in gateway: what the controls send and when the gateway is replaced.
class MenuBarPopoverGatewayTest : public QObject, public StandInModel {
    Q_OBJECT

    AppModel& up() {
        [&] {
            QVERIFY(setUpStandIn());
        }();
        m_config.pollInterval = std::chrono::hours(1);
        makeModel();
        QSignalSpy polls(m_model.get(), &AppModel::pollEnded);
        m_model->start();
        [&] {
            QTRY_VERIFY_WITH_TIMEOUT(polls.size() >= 1 && m_model->protection().status(), patienceMs);
        }();
        return *m_model;
    }

    QStringList bodiesOf(const QString& path) const {
        QStringList bodies;
        for (const QJsonValue& entry : gatewayLog(*m_model)) {
            if (entry[QLatin1String("path")].toString() == path) {
                bodies << entry[QLatin1String("body")].toString();
            }
        }
        return bodies;
    }

private Q_SLOTS:
    void cleanup() {
        tearDownStandIn();
    }

    void theSwitchTurnsProtectionOn() {
        AppModel& model = up();
        QVERIFY(model.protection().status()->protection != Protection::on);
        QWidget window;
        auto* panel = new MenuBarPopover(model, {}, [] {}, [] {}, &window);
        window.show();
        settle();
        QVERIFY(panel->protectionSwitch()->isVisible());
        QVERIFY(panel->protectionSwitch()->isEnabled());
        QTest::mouseClick(panel->protectionSwitch(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(bodiesOf(QStringLiteral("/api/protection")), QStringList{QStringLiteral("{\"on\":true}")},
                                  patienceMs);
        QTRY_VERIFY(!model.supervision().busy());
    }

    void restartOnlyWhileStopped() {
        AppModel& model = up();
        const qint64 first = m_checkout->dumpedPid();
        QWidget window;
        auto* panel = new MenuBarPopover(model, {}, [] {}, [] {}, &window);
        MenuProtectionItem restart;
        restart.restarts = true;
        panel->run(restart);
        settle();
        QVERIFY(!model.isReplacing());
        QCOMPARE(m_checkout->dumpedPid(), first);
        AppModelAccess::setLink(model, SidecarLink::stopped);
        panel->run(restart);
        QTRY_VERIFY_WITH_TIMEOUT(m_checkout->dumpedPid() != first && m_checkout->dumpedPid() != 0, patienceMs);
        QTRY_VERIFY_WITH_TIMEOUT(!model.isReplacing(), patienceMs);
    }

    void forceStopWhileChecking() {
        AppModel& model = up();
        const qint64 pid = m_checkout->dumpedPid();
        QVERIFY(processExists(pid));
        QWidget window;
        auto* panel = new MenuBarPopover(model, {}, [] {}, [] {}, &window);
        window.show();
        AppModelAccess::setLink(model, SidecarLink::checking);
        settle();
        QVERIFY(panel->controlButton()->isVisible());
        QTest::mouseClick(panel->controlButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!processExists(pid), patienceMs);
        QTRY_COMPARE_WITH_TIMEOUT(model.supervision().link(), SidecarLink::stopped, patienceMs);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int status = 0;
    {
        MenuBarPopoverTest views;
        status |= QTest::qExec(&views, argc, argv);
    }
    {
        MenuBarPopoverGatewayTest gateway;
        status |= QTest::qExec(&gateway, argc, argv);
    }
    return status;
}

#include "tst_menubarpopover.moc"
