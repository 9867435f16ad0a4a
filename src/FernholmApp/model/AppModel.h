#pragma once

#include "FernholmApp/model/Config.h"
#include "FernholmApp/model/IssueRequest.h"
#include "FernholmApp/model/Platform.h"

#include "FernholmKit/control/CancelToken.h"
#include "FernholmKit/control/EventModels.h"
#include "FernholmKit/control/GatewayClient.h"
#include "FernholmKit/control/Models.h"
#include "FernholmKit/control/ProofGate.h"
#include "FernholmKit/control/RedactionModels.h"
#include "FernholmKit/presentation/LoginItemSwitch.h"
#include "FernholmKit/supervision/SidecarLink.h"
#include "FernholmKit/supervision/SidecarProcess.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <QCoroTask>

#include <chrono>
#include <memory>
#include <optional>

namespace fernholm {

class ActivityFeed;
class AlertCenter;
class BlockNotifier;
class BypassNotifier;
class DataKeySource;
enum class NotificationTarget;
class ProtectionStatus;
class SidecarWatch;
class RedactionDraft;
class Supervision;
class WorkbenchSession;
class AlertsModel;
class SystemNotifier;
struct AppModelAccess;

// The one live model of the application, on the GUI thread. It owns the control client, the
// gateway process and its supervisor, the notifiers and the alert centre, and holds everything
// the pages, the tray panel and the studio read. Views read the getters, re-read on the change
// signals and call the actions; they never call the gateway themselves.
//
// Made with a Config and a Platform; nothing is launched until start(). Its state is held by parts
// with their own signals (the gateway's status, the supervision, the activity, the redaction
// draft, the workbench, the alerts); the pages are handed the parts they read. Only the model's
// own work writes state: every setter is private, stores its value and signals only when the
// value changed.
// The long-lived work (launch, relaunch, replace, force stop) runs as GUI-thread coroutines that
// hold the model weakly and do nothing once it is gone.
class AppModel : public QObject {
    Q_OBJECT
public:
    // The user default that holds when the data key had to be replaced (ISO 8601, UTC, seconds),
    // until the user dismisses the notice.
    static inline const QString dataKeyResetKey = QStringLiteral("dataKeyResetAt");

    explicit AppModel(Config config, Platform platform, QObject* parent = nullptr);
    ~AppModel() override;

    const Config& config() const { return m_config; }

    // --- Start-up ---

    // Makes the notifier, finds the gateway and launches it; once only, later calls do nothing.
    void start();
    // The per-launch control token, made once at construction; nothing when the system gave no
    // random bytes.
    const std::optional<QString>& controlToken() const { return m_launchToken; }
    // The control client; the shell hands it to the problem-report form.
    const GatewayClient& client() const { return m_client; }
    // Providers from the gateway; a failure keeps the list and says nothing.
    QCoro::Task<> loadProviders();

    // --- Supervision ---

    // Replaces the gateway, only while the link is stopped.
    void restartSidecar();
    // Stops the gateway and starts a fresh one through the watch (also after the data key was
    // read again). Ignored during shutdown and while a replace or force stop runs.
    void replaceSidecar();
    // Stops the gateway for good, only while the link is checking or restarting.
    void forceStop();
    // Tells the studio whether to keep and whether it may load its page; the studio host calls it
    // too when its busy flag changes.
    void syncStudio();

    // The supervisor, made on first use. The poll loop asks it before every poll.
    SidecarWatch& watch();
    // The current gateway process, if one was made.
    SidecarProcess* sidecar() const { return m_sidecar; }
    // The gateway runtime found by start(), kept for relaunches.
    const std::optional<Runtime>& runtime() const { return m_runtime; }
    bool isReplacing() const { return m_replacing; }
    bool isShutDown() const { return m_shutDown; }

    // --- Poll loop: status, events, notices (AppModelPolling.cpp) ---

    // One poll: the watch's check, the status, the bypass notices, the rules on a detector
    // change, the new events and the blocked-request notice. The loop runs it once a second; a
    // call while another poll is under way does nothing. Ends with pollEnded().
    QCoro::Task<> pollOnce();
    // Whether the loop runs: from a proven start or a good replace until it is stopped.
    bool isPolling() const;
    // The redaction rules as the gateway holds them become the draft's saved copy; its edited copy
    // becomes them too, with the unsaved edits carried over (rebaseEdits). A failure changes
    // nothing and says nothing; so does a cancel of `cancel` before the reply is in (a reply
    // already in is stored).
    QCoro::Task<> loadRedaction(CancelToken cancel = {});
    // Where the next events request starts; never goes back, also not across relaunches.
    qint64 cursor() const { return m_cursor; }
    // The detection engine the last status named.
    const std::optional<QString>& lastDetector() const { return m_lastDetector; }

    // --- User actions: protection, providers, rules, reports, navigation
    // (AppModelActions.cpp) ---
    //
    // Each gateway-bound action returns at once; its task awaits the gateway on the GUI thread
    // and writes the outcome into the model. A failure becomes one translated line in the
    // supervision's appError(); success never clears it. busy() below is the supervision's too.
    // Nothing is serialised: two actions may run at once.

    // Protection on, or off when it is on; nothing without a status. busy() until the reply.
    void toggleProtection();
    // Protection off, then on again; a failure of the first skips the second. busy() until done.
    void restartProtection();
    // Enables or disables one provider; after a failure the list is reloaded from the gateway.
    void setProvider(const QString& name, bool enabled);
    // Sends the draft's edited rules. On success both copies become the gateway's reply (edits
    // made while it was under way stay unsaved, carried onto it); on failure the edits stay and
    // the saved copy is reloaded, so the user can save again.
    void saveRedaction();
    // Asks the shell for the problem-report form; every call is a new request with a new id.
    void reportProblem(const std::optional<QString>& row, const QString& category);
    // The form of request `id` was closed: the request is done, unless a newer one replaced it.
    void closeIssueRequest(const QUuid& id);
    void showHome();
    void showPrompts();

    // --- Certificate and data-key actions (AppModelCertificates.cpp) ---

    // The gateway installs and trusts, removes, or retires the trust of its certificate
    // authority; busy() until the reply. A refusal or failure becomes appError().
    void installCA();
    void removeCA();
    void retireOldRoots();
    // Reads the data key again, off the GUI thread; with a key, the gateway is replaced so that it
    // gets it. Without one nothing else happens.
    void retryDataKey();
    // Forgets the data-key reset here at once, then tells the gateway to drop its notice.
    void dismissDataKeyReset();
    // Tells the gateway to drop its notice that the redaction rules were cleared.
    void dismissRulesCleared();

    // --- Prompt workbench (FernholmApp/model/WorkbenchSession.h) ---

    // The prompt the user checks and the reply they restore; the workbench page reads and drives it.
    WorkbenchSession& workbench() { return *m_workbench; }
    const WorkbenchSession& workbench() const { return *m_workbench; }

    // --- Open at login (AppModelLoginItem.cpp) ---
    // loginItem() below is read from the system when the model is made.

    // Reads the system's state afresh into loginItem().
    void refreshLoginItem();
    // Has the program opened at login, or no longer. A refusal is kept in loginItemError() and the
    // switch shows the system's real state; a success clears the error. Where the system wants the
    // user's approval first, switching on opens its settings.
    void setOpenAtLogin(bool on);

    // --- State the views read ---

    // The gateway's status and providers (FernholmApp/model/ProtectionStatus.h).
    const ProtectionStatus& protection() const { return *m_protection; }
    // The process, the link, a stuck proxy, the error line and busy (FernholmApp/model/Supervision.h).
    const Supervision& supervision() const { return *m_supervision; }
    // The redaction rules being edited and as last loaded or saved, with the edits the pages make.
    RedactionDraft& redactionDraft() { return *m_redactionDraft; }
    const RedactionDraft& redactionDraft() const { return *m_redactionDraft; }
    // Navigation counters: each increment asks the main window for that page.
    int activityRequest() const { return m_activityRequest; }
    int homeRequest() const { return m_homeRequest; }
    int promptRequest() const { return m_promptRequest; }
    const LoginItemSwitch& loginItem() const { return m_loginItem; }
    const std::optional<QString>& loginItemError() const { return m_loginItemError; }
    const std::optional<IssueRequest>& issueRequest() const { return m_issueRequest; }
    AlertCenter& alertCenter() { return *m_alertCenter; }
    // The alerts of every surface, worked out once per change (FernholmApp/model/AlertsModel.h).
    AlertsModel& alerts() { return *m_alerts; }
    const AlertsModel& alerts() const { return *m_alerts; }
    // The recent events and the details of opened requests (FernholmApp/model/ActivityFeed.h).
    ActivityFeed& activity() { return *m_activity; }
    const ActivityFeed& activity() const { return *m_activity; }

    // --- Shutdown and uninstall (AppModelShutdown.cpp) ---

    // Stops what the model started: the poll loop, the browser-bypass notices, the gateway process
    // and its proof; the first call also switches off the system proxies that may still point at
    // the gateway. Leaves no status and the gateway state exited(0); nothing is launched or polled
    // afterwards. Safe to call again. Blocks the GUI thread while the gateway ends (up to the
    // terminate grace, then a kill) and while the proxy tool runs: call it only on the way out.
    void shutdown();
    // Removes what the application put on this computer, in this order: the gateway's certificate
    // authority (on refusal or failure appError() says why and nothing else is touched), then
    // after shutdown() the data key, the data folder, the login item, the studio's web data, the
    // cache folder, a user-writable install (to the trash), the settings; then asks the
    // application to quit. Failed removals after the first are passed over. busy() until done.
    void uninstall();

private:
    // Shutdown and uninstall (AppModelShutdown.cpp)
    QCoro::Task<> removeEverything();

Q_SIGNALS:
    void activityRequestChanged();
    void homeRequestChanged();
    void promptRequestChanged();
    void loginItemChanged(); // the switch or its error line
    void issueRequestChanged();

    // Poll loop
    void pollEnded(); // a poll ran to its end, whatever it found

private:
    friend struct AppModelAccess;

    // Each stores its value and signals only when it changed.
    void setActivityRequest(int count);
    void setHomeRequest(int count);
    void setPromptRequest(int count);
    void setLoginItem(const LoginItemSwitch& item);
    void setLoginItemError(const std::optional<QString>& error);
    void setIssueRequest(const std::optional<IssueRequest>& request);

    // Start-up (AppModel.cpp)
    QCoro::Task<> launchFirst();
    // The data key for the next launch; notes a replaced key in the user defaults.
    QCoro::Task<std::optional<QByteArray>> dataKeyForLaunch();
    // A new process with a new launch generation becomes the current one; the previous one is
    // released.
    SidecarProcess* makeSidecar(const Runtime& runtime, std::optional<QByteArray> dataKey);
    // Ends a process that is no longer the current one, then lets go of it.
    static QCoro::Task<> release(QPointer<SidecarProcess> old, Seconds grace);
    void sidecarBecame(const SidecarState& state, const QString& tail);
    void showStartFailure(const SidecarState& state, const QString& tail);
    void reportDataKeyReset();
    void show(NotificationTarget target);
    void sidecarEnded(qint64 generation);

    // Supervision (AppModelSupervision.cpp)
    QCoro::Task<bool> relaunchSidecar();
    QCoro::Task<> replaceWith(QPointer<SidecarProcess> old);
    QCoro::Task<> forceStopWith(QPointer<SidecarProcess> process);
    QCoro::Task<> stopAfterFailedStart(QPointer<SidecarProcess> process);
    void syncLink();
    void dropBypassNotifications();
    std::optional<QString> parkedProxyFile() const;
    static QCoro::Task<bool> prove(QPointer<AppModel> model);
    static QCoro::Task<bool> relaunch(QPointer<AppModel> model);

    // Polling (AppModelPolling.cpp)
    void startPolling();
    void cancelPolling();

    // Poll loop (AppModelPolling.cpp)
    QCoro::Task<> runScheduledPoll();
    QCoro::Task<> pollSteps();
    // A status reply is shown only while the link is trusted.
    void acceptStatus(const Status& status);

    // User actions (AppModelActions.cpp)
    QCoro::Task<> switchProtection(bool on);
    QCoro::Task<> switchProtectionOffAndOn();
    QCoro::Task<> sendProvider(QString name, bool enabled);
    QCoro::Task<> sendRedaction(RedactionPage page);

    // Certificate and data-key actions (AppModelCertificates.cpp)
    QCoro::Task<> sendInstallCA();
    QCoro::Task<> sendRemoveCA();
    QCoro::Task<> sendRetireOldRoots();
    QCoro::Task<> readDataKeyAgain();
    QCoro::Task<> sendStatusAction(QCoro::Task<Result<Status>> call);

    const Config m_config;
    const Platform m_platform;

    std::unique_ptr<ProtectionStatus> m_protection;
    std::unique_ptr<Supervision> m_supervision;
    std::unique_ptr<RedactionDraft> m_redactionDraft;
    int m_activityRequest = 0;
    int m_homeRequest = 0;
    int m_promptRequest = 0;
    LoginItemSwitch m_loginItem;
    std::optional<QString> m_loginItemError;
    std::optional<IssueRequest> m_issueRequest;

    const std::shared_ptr<ProofGate> m_gate = std::make_shared<ProofGate>();
    const std::optional<QString> m_launchToken;
    const GatewayClient m_client;
    QPointer<SidecarProcess> m_sidecar;
    std::optional<Runtime> m_runtime;
    qint64 m_generation = 0;
    std::unique_ptr<SidecarWatch> m_watch;
    CancelToken m_pollTask; // cancelled when polling must stop
    std::unique_ptr<BlockNotifier> m_blockNotifier;
    std::unique_ptr<BypassNotifier> m_bypassNotifier;
    QPointer<SystemNotifier> m_systemNotifier;
    bool m_shutDown = false;
    const std::chrono::steady_clock::time_point m_clockOrigin;
    std::unique_ptr<DataKeySource> m_dataKeys;
    bool m_started = false;
    bool m_replacing = false;
    std::unique_ptr<AlertCenter> m_alertCenter;
    std::unique_ptr<AlertsModel> m_alerts;
    std::unique_ptr<ActivityFeed> m_activity;

    // Poll loop
    QTimer* m_pollTimer = nullptr; // the pause between polls; made by the first startPolling()
    qint64 m_cursor = 0;
    std::optional<QString> m_lastDetector;
    bool m_polling = false; // a poll is under way

    // Prompt workbench: it calls the gateway through a copy of m_client, and so its proof gate.
    std::unique_ptr<WorkbenchSession> m_workbench;
};

} // namespace fernholm
