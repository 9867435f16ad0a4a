// The model's alerts over a model that never starts: worked out once per change of what they are
// made from, however many views show them, never for a change they are not made from, and again
// when a snooze runs out, for the tray panel as for the window.

#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/model/AlertsModel.h"
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/shell/RootView.h"
#include "FernholmApp/shell/tray/MenuBarPopover.h"
#include "FernholmKit/presentation/AlertCenter.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/ActivityFeedAccess.h"
#include "app/support/AppModelAccess.h"
#include "app/support/TestPlatform.h"

#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <functional>

using namespace fernholm;
using namespace fernholm::test;

Q_DECLARE_METATYPE(std::function<void(fernholm::AppModel&, fernholm::RootView&)>)

namespace {

using Change = std::function<void(AppModel&, RootView&)>;

Status running() {
    Status status;
    status.protection = Protection::on;
    return status;
}

// A model with the main window and an open tray panel on it.
struct Surfaces {
    TestPlatform fakes;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<RootView> root;
    QWidget trayWindow;
    MenuBarPopover* panel = nullptr;

    Surfaces() {
        fakes.defaults->setValue(RootView::setupKey, true);
        fakes.defaults->setValue(Tour::flagKey, true);
        model = std::make_unique<AppModel>(quickConfig(), fakes.platform());
        AppModelAccess::setLink(*model, SidecarLink::trusted);
        AppModelAccess::setStatus(*model, running());
        root = std::make_unique<RootView>(*model, fakes.defaults, std::function<void()>(), RootViewHooks{});
        root->resize(RootView::minimumWidth, RootView::minimumHeight);
        root->show();
        panel = new MenuBarPopover(*model, {}, [] {}, [] {}, &trayWindow);
        auto* box = new QVBoxLayout(&trayWindow);
        box->addWidget(panel);
        trayWindow.show();
    }

    bool panelShowsTheModel() const { return panel->state().layout == model->alerts().layout(false); }
};

QStringList warningIds(const AlertLayout& layout) {
    QStringList ids;
    for (const AppAlert& alert : layout.warnings) {
        ids.append(alert.id);
    }
    return ids;
}

} // namespace

class AlertsModelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { L10n::setLanguage(QStringLiteral("en")); }

    void oncePerChangeForEveryView_data() {
        QTest::addColumn<Change>("change");
        QTest::addColumn<int>("computations");
        QTest::newRow("an error line") << Change([](AppModel& m, RootView&) {
            AppModelAccess::setAppError(m, QStringLiteral("Toggle failed: refused"));
        }) << 1;
        QTest::newRow("its detail") << Change([](AppModel& m, RootView&) {
            AppModelAccess::setAppErrorDetail(m, QStringLiteral("trace"));
        }) << 1;
        QTest::newRow("the gateway stopped")
            << Change([](AppModel& m, RootView&) { AppModelAccess::setLink(m, SidecarLink::stopped); }) << 1;
        QTest::newRow("the proxy was left on")
            << Change([](AppModel& m, RootView&) { AppModelAccess::setProxyStuck(m, true); }) << 1;
        QTest::newRow("protection went off") << Change([](AppModel& m, RootView&) {
            Status off;
            off.protection = Protection::off;
            AppModelAccess::setStatus(m, off);
        }) << 1;
        QTest::newRow("events arrived") << Change([](AppModel& m, RootView&) {
            Event e;
            e.ts = QStringLiteral("2024-05-01T10:00:00Z");
            e.status = QStringLiteral("redacted");
            ActivityFeedAccess::setRecentEvents(m.activity(), {e}, 0);
        }) << 0;
        QTest::newRow("an action runs") << Change([](AppModel& m, RootView&) { AppModelAccess::setBusy(m, true); })
                                        << 0;
        QTest::newRow("providers loaded") << Change([](AppModel& m, RootView&) {
            Provider p;
            p.name = QStringLiteral("claude");
            p.enabled = true;
            AppModelAccess::setProviders(m, {p});
        }) << 0;
        QTest::newRow("the window shows setup") << Change([](AppModel&, RootView& root) {
            root.select(AppTab::setup);
        }) << 0;
    }
    void oncePerChangeForEveryView() {
        QFETCH(Change, change);
        QFETCH(int, computations);
        Surfaces s;
        QTRY_VERIFY(s.panelShowsTheModel());
        const qint64 before = s.model->alerts().computations();

        change(*s.model, *s.root);

        QCOMPARE(s.model->alerts().computations() - before, computations);
        const bool onSetup = s.root->selection() == AppTab::setup;
        QVERIFY(s.root->alertLayout() == s.model->alerts().layout(onSetup));
        QTRY_VERIFY(s.panelShowsTheModel());
        QCOMPARE(s.model->alerts().computations() - before, computations);
    }

    // The layouts change only with what they are made from, and signal once when they do.
    void changedOnlyWhenALayoutChanged() {
        TestPlatform fakes;
        AppModel model(quickConfig(), fakes.platform());
        AppModelAccess::setLink(model, SidecarLink::trusted);
        AppModelAccess::setStatus(model, running());
        QSignalSpy changed(&model.alerts(), &AlertsModel::changed);

        AppModelAccess::setAppError(model, QStringLiteral("Toggle failed: refused"));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(warningIds(model.alerts().layout(false)), QStringList{QStringLiteral("app_error")});

        // Telemetry is no part of the status the alerts read: another uptime is the same status.
        Status later = running();
        later.uptimeS = 12;
        AppModelAccess::setStatus(model, later);
        QCOMPARE(changed.size(), 1);
    }

    // A snoozed warning comes back by itself when the snooze ends, with no poll running: in the
    // tray panel, opened on its own, as in the window.
    void aSnoozeEndingReachesTheTrayPanel() {
        TestPlatform fakes;
        AppModel model(quickConfig(), fakes.platform());
        AppModelAccess::setLink(model, SidecarLink::trusted);
        AppModelAccess::setStatus(model, running());
        AppModelAccess::setAppError(model, QStringLiteral("Toggle failed: refused"));
        QWidget window;
        auto* panel = new MenuBarPopover(model, {}, [] {}, [] {}, &window);
        window.show();
        QTRY_COMPARE(panel->state().attentionCount(), 1);
        const AppAlert warning = model.alerts().layout(false).warnings.first();

        // Back-dated so that it ends in under a second.
        const auto almostADay = std::chrono::duration_cast<Clock::duration>(AlertCenter::snoozeFor) -
                                std::chrono::duration_cast<Clock::duration>(std::chrono::milliseconds(700));
        model.alertCenter().snooze(warning, Clock::now() - almostADay);
        QTRY_COMPARE(panel->state().attentionCount(), 0);
        QVERIFY(panel->attentionLine()->isHidden());

        QTRY_COMPARE_WITH_TIMEOUT(panel->state().attentionCount(), 1, 10000);
        QTRY_VERIFY(panel->attentionLine()->isVisible());
    }

    // A snooze from one surface hides the alert on every surface; a critical alert stays.
    void aSnoozeIsForEverySurface() {
        Surfaces s;
        AppModelAccess::setAppError(*s.model, QStringLiteral("Toggle failed: refused"));
        QCOMPARE(warningIds(s.root->alertLayout()), QStringList{QStringLiteral("app_error")});
        QTRY_COMPARE(s.panel->state().attentionCount(), 1);

        s.model->alerts().snooze(s.root->alertLayout().warnings.first());
        QVERIFY(s.root->alertLayout().warnings.isEmpty());
        QTRY_COMPARE(s.panel->state().attentionCount(), 0);

        AppModelAccess::setLink(*s.model, SidecarLink::stopped);
        const AlertLayout stopped = s.model->alerts().layout(false);
        QVERIFY(!stopped.critical.isEmpty());
        s.model->alerts().snooze(stopped.critical.first());
        QVERIFY(s.model->alerts().layout(false).critical == stopped.critical);
        QTRY_VERIFY(s.panel->state().criticalAlert().has_value());
    }
};

QTEST_MAIN(AlertsModelTest)
#include "tst_alertsmodel.moc"
