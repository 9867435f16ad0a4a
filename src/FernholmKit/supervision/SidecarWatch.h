#pragma once

#include "FernholmKit/control/Models.h"
#include "FernholmKit/control/ProofGate.h"
#include "FernholmKit/supervision/SidecarLink.h"
#include "FernholmKit/control/Time.h"

#include <QObject>
#include <QString>

#include <QCoroTask>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace fernholm {

// Decides between status polls whether the running gateway can still be trusted, renews its
// identity proof, relaunches it once when it dies, and gives up for good (clearing the system
// proxies) when it dies again too soon or cannot be relaunched. It touches no process and no
// system setting itself: the owner injects closures for that.
//
// GUI thread only. While one of the asynchronous operations is suspended, others may run; the
// relaunch epoch is how a stop or a cancel reaches a relaunch that is waiting. The owner must not
// start a second beforePoll() while one is suspended.
class SidecarWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int failureLimit = 3;
    static constexpr std::chrono::seconds failureWindow{10};
    static constexpr std::chrono::seconds healthyReset{300};
    static constexpr int defaultProxyPort = 48080;

    using IsRunning = std::function<bool()>;
    using Prove = std::function<QCoro::Task<bool>()>;
    // Switches off the system proxies that still point at the gateway; yes when nothing of ours is left.
    using ClearProxy = std::function<QCoro::Task<bool>(std::optional<QString> service, int port)>;
    // Launches a fresh gateway; yes when it came up and proved itself.
    using Relaunch = std::function<QCoro::Task<bool>()>;
    using Now = std::function<Time()>;

    struct ProxyTarget {
        std::optional<QString> service;
        int port = defaultProxyPort;
        bool operator==(const ProxyTarget&) const = default;
    };

    SidecarWatch(
        std::shared_ptr<ProofGate> gate, IsRunning isRunning, Prove prove, ClearProxy clearProxy, Relaunch relaunch,
        std::chrono::milliseconds backoff, Now now = [] { return Clock::now(); }, QObject* parent = nullptr);

    SidecarLink link() const { return m_link; }
    // Yes when the last stop could not put the system proxy settings back; only ready() clears it.
    bool proxyStuck() const { return m_proxyStuck; }
    // Where the gateway's proxy last pointed, for clearing the proxies at shutdown.
    ProxyTarget proxyTarget() const { return {m_service, m_proxyPort}; }

    // Called after every real change of link(), before linkChanged().
    void setOnLinkChange(std::function<void()> onLinkChange) { m_onLinkChange = std::move(onLinkChange); }

    // Before every status poll; yes when the poll may go ahead now. Never while stopped or
    // stopping. A proof during which a new launch generation began, the process ended or
    // supervision stopped counts for nothing: no proof is recorded and no failure counted.
    QCoro::Task<bool> beforePoll();
    // The gateway just started and proved itself. The one way out of stopped besides restart().
    void ready();
    // A good status poll. Changes nothing once stopped.
    void remember(const Status& status);
    void pollFailed();
    // The gateway process ended.
    void sidecarExited();
    // Stop supervising for good and clear the system proxies.
    QCoro::Task<> stopNow();
    // A restart the user asked for; answers whether the relaunch came up.
    QCoro::Task<bool> restart();
    // Makes any waiting automatic relaunch do nothing.
    void cancelRelaunch();
    // Grows with every cancelRelaunch() and stopNow(): a relaunch that notes it before a wait and
    // finds it changed afterwards has been overtaken.
    qint64 relaunchEpoch() const { return m_relaunchEpoch; }

Q_SIGNALS:
    void linkChanged(fernholm::SidecarLink link);

private:
    QCoro::Task<> relaunchAutomatically();
    void setLink(SidecarLink link);

    std::shared_ptr<ProofGate> m_gate;
    IsRunning m_isRunning;
    Prove m_prove;
    ClearProxy m_clearProxy;
    Relaunch m_relaunch;
    std::chrono::milliseconds m_backoff;
    Now m_now;
    std::function<void()> m_onLinkChange;

    SidecarLink m_link = SidecarLink::checking;
    bool m_proxyStuck = false;
    bool m_relaunched = false;  // from an automatic relaunch until healthyReset of health after it
    qint64 m_relaunchEpoch = 0; // every increment cancels a waiting relaunch
    int m_exits = 0;            // process ends reported so far
    int m_stops = 0;            // stops for good begun so far
    int m_stopping = 0;         // stops for good under way
    int m_failures = 0;
    Time m_lastSuccess;
    std::optional<Time> m_healthySince;
    std::optional<QString> m_service;
    int m_proxyPort = defaultProxyPort;
};

} // namespace fernholm
