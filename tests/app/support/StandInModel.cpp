#include "app/support/StandInModel.h"

#include "FernholmApp/model/Supervision.h"
#include "support/LoopbackPort.h"

#include <QChildEvent>
#include <QPointer>
#include <QProcess>
#include <QTest>
#include <QTimer>

namespace fernholm::test {

namespace {

// Notes the process id of each child process the watched model's sidecars launch. A sidecar is
// announced while it is still being built, so it is looked at on the next turn of the event loop:
// its child has been forked by then, or will be when `started` comes, and is not reaped before
// the model's readiness wait has run out.
class LaunchWatch final : public QObject {
public:
    explicit LaunchWatch(QList<qint64>& pids) : m_pids(pids) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ChildAdded) {
            const QPointer<QObject> child = static_cast<QChildEvent*>(event)->child();
            QTimer::singleShot(0, this, [this, child] {
                if (child) {
                    take(child);
                }
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void take(QObject* sidecar) {
        if (!qobject_cast<SidecarProcess*>(sidecar)) {
            return;
        }
        for (QProcess* process : sidecar->findChildren<QProcess*>(Qt::FindDirectChildrenOnly)) {
            if (process->processId() > 0) {
                note(process->processId());
            } else {
                connect(process, &QProcess::started, this, [this, process] { note(process->processId()); });
            }
        }
    }
    void note(qint64 pid) {
        if (pid > 0 && !m_pids.contains(pid)) {
            m_pids.append(pid);
        }
    }

    QList<qint64>& m_pids;
};

} // namespace

StandInModel::StandInModel() = default;

StandInModel::~StandInModel() {
    tearDownStandIn();
}

bool StandInModel::setUpStandIn() {
    tearDownStandIn();
    m_checkout = std::make_unique<StandInCheckout>();
    m_fakes = std::make_unique<TestPlatform>();
    m_config = quickConfig(freeLoopbackPort());
    // A stand-in ends at once on SIGTERM unless told to ignore it: no need to wait long for it.
    m_config.terminateGrace = Seconds(0.5);
    return m_checkout->isValid();
}

void StandInModel::dropModel() {
    m_launchWatch.reset();
    if (!m_model) {
        return;
    }
    const std::weak_ptr<GatewaySession> session = m_model->client().session();
    m_model.reset();
    // An exchange under way when the model went ends on a later turn of the event loop, once its
    // gateway is gone; until then its coroutine holds the session. Waited for, so that nothing of
    // one test's model is still running in the next, or left suspended when the program ends.
    [[maybe_unused]] const bool ended = QTest::qWaitFor([&session] { return session.expired(); }, 10'000);
}

void StandInModel::tearDownStandIn() {
    dropModel();
    m_launchedPids.clear();
    m_fakes.reset();
    m_checkout.reset();
}

AppModel& StandInModel::makeModel(const Environment& extra) {
    dropModel();
    m_fakes->environment = m_checkout->environment(extra);
    m_model = std::make_unique<AppModel>(m_config, m_fakes->platform());
    watchLaunches();
    return *m_model;
}

AppModel& StandInModel::startedModel(const Environment& extra) {
    AppModel& model = makeModel(extra);
    model.start();
    [&] {
        QTRY_VERIFY_WITH_TIMEOUT(model.supervision().sidecarState() != SidecarState::starting(), standInPatienceMs);
    }();
    return model;
}

void StandInModel::watchLaunches() {
    m_launchedPids.clear();
    m_launchWatch = std::make_unique<LaunchWatch>(m_launchedPids);
    m_model->installEventFilter(m_launchWatch.get());
}

} // namespace fernholm::test
