// The window's alert buttons and report sheet over a real model and the stand-in gateway: what
// reaches the gateway, and what does not.

#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmApp/report/IssueForm.h"
#include "FernholmApp/shell/RootView.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/AppModelAccess.h"
#include "app/support/RecordingClipboard.h"
#include "app/support/StandInModel.h"
#include "app/support/TestPlatform.h"
#include "app/support/ViewTesting.h"
#include "support/LoopbackPort.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

#include <QCoroTask>

using namespace fernholm;
using namespace fernholm::test;

namespace {

constexpr int patienceMs = 30'000;

// The protection calls the gateway received, in order: "on" or "off".
QStringList protectionCalls(const AppModel& model) {
    QStringList calls;
    for (const QJsonValue& entry : gatewayLog(model)) {
        const QJsonObject request = entry.toObject();
        if (request.value(QLatin1String("path")).toString() == QLatin1String("/api/protection")) {
            calls.append(request.value(QLatin1String("body")).toString().contains(QLatin1String("true"))
                             ? QStringLiteral("on")
                             : QStringLiteral("off"));
        }
    }
    return calls;
}

// Counts the paint events of every widget, by class name.
class PaintCounter : public QObject {
public:
    QHash<QString, int> paints;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            paints[QString::fromLatin1(watched->metaObject()->className())]++;
        }
        return false;
    }
};

} // namespace

class RootViewGatewayTest : public QObject, public StandInModel {
    Q_OBJECT

    std::unique_ptr<RootView> m_root;

    RootView& up() {
        m_fakes->defaults->setValue(RootView::setupKey, true);
        m_fakes->defaults->setValue(Tour::flagKey, true);
        m_config.pollInterval = std::chrono::hours(1);
        makeModel();
        QSignalSpy polls(m_model.get(), &AppModel::pollEnded);
        m_model->start();
        [&] {
            QTRY_VERIFY_WITH_TIMEOUT(polls.size() >= 1, patienceMs);
        }();
        RootViewHooks hooks;
        hooks.clipboard = std::make_shared<RecordingClipboard>();
        hooks.openUrl = [](const QUrl&) {};
        m_root = std::make_unique<RootView>(*m_model, m_fakes->defaults, std::function<void()>(), hooks);
        m_root->show();
        return *m_root;
    }

private Q_SLOTS:
    void initTestCase() { useBundledResources(); }
    void init() {
        L10n::setLanguage(QStringLiteral("en"));
        QVERIFY(setUpStandIn());
    }
    void cleanup() {
        m_root.reset();
        tearDownStandIn();
    }

    // At rest, a poll that finds nothing new repaints nothing, on Home as on the other pages.
    void aQuietPollPaintsNothing() {
        RootView& root = up();
        root.resize(1100, 760);
        // Let the first polls' news (status, providers, events) settle.
        for (int i = 0; i < 2; ++i) {
            QCoro::waitFor(m_model->pollOnce());
        }
        QTest::qWait(50);
        PaintCounter counter;
        qApp->installEventFilter(&counter);
        for (int i = 0; i < 3; ++i) {
            QCoro::waitFor(m_model->pollOnce());
        }
        QTest::qWait(50);
        qApp->removeEventFilter(&counter);
        QVERIFY2(counter.paints.isEmpty(), qPrintable(QStringList(counter.paints.keys()).join(u',')));
    }

    void fixingTheProxyRestartsProtection() {
        RootView& root = up();
        QCOMPARE(m_model->supervision().link(), SidecarLink::trusted);
        root.run(AlertAction::degraded(DegradedAction::none));
        QCOMPARE(protectionCalls(*m_model), QStringList());
        root.run(AlertAction::degraded(DegradedAction::fixProxy));
        QTRY_VERIFY_WITH_TIMEOUT(!m_model->supervision().busy(), patienceMs);
        QCOMPARE(protectionCalls(*m_model), QStringList({"off", "on"}));
    }

    void restartIsForAStoppedGatewayOnly() {
        RootView& root = up();
        SidecarProcess* running = m_model->sidecar();
        QVERIFY(running);
        root.run(AlertAction::restartSidecar());
        QVERIFY(!m_model->isReplacing());
        QCOMPARE(m_model->sidecar(), running);

        AppModelAccess::setLink(*m_model, SidecarLink::stopped);
        root.run(AlertAction::restartSidecar());
        QVERIFY(m_model->isReplacing());
        QTRY_VERIFY_WITH_TIMEOUT(!m_model->isReplacing(), patienceMs);
    }

    void reportRequestOpensAFreshFormEachTime() {
        RootView& root = up();
        m_model->reportProblem(std::nullopt, QStringLiteral("bug"));
        QVERIFY(root.issueSheet());
        QTRY_VERIFY_WITH_TIMEOUT(gatewayRequests(*m_model).contains(QStringLiteral("GET /api/issue_draft")),
                                 patienceMs);
        const auto first = root.issueSheet()->form();
        root.issueSheet()->reject();
        QVERIFY(!m_model->issueRequest());
        QTRY_VERIFY(!root.issueSheet());

        m_model->reportProblem(std::nullopt, QStringLiteral("bug"));
        QVERIFY(root.issueSheet());
        QVERIFY(root.issueSheet()->form() != first);
    }
};

QTEST_MAIN(RootViewGatewayTest)
#include "tst_rootviewgateway.moc"
