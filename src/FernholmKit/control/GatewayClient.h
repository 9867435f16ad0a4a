#pragma once

#include "FernholmKit/control/CancelToken.h"
#include "FernholmKit/control/EventModels.h"
#include "FernholmKit/control/GatewayError.h"
#include "FernholmKit/control/IssueModels.h"
#include "FernholmKit/control/JsonDecoder.h"
#include "FernholmKit/control/Models.h"
#include "FernholmKit/control/ProofGate.h"
#include "FernholmKit/control/RedactionModels.h"
#include "FernholmKit/control/ScanModels.h"
#include "FernholmKit/presentation/Workbench.h"
#include "FernholmKit/platform/SecureRandom.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUrl>

#include <QCoroTask>

#include <chrono>
#include <memory>
#include <optional>

class QNetworkAccessManager;

namespace fernholm {

// The HTTP session every copy of one client talks through: loopback only, over kept-alive
// connections run on the session's own thread, never through a proxy (the gateway itself is the
// system's proxy), nothing kept on disk, the bearer token on
// every request, and three bounds on every exchange: an idle time-out, a deadline for the whole
// exchange and a size for the reply's body. Lives on the thread that made it.
class GatewaySession {
public:
    static constexpr std::chrono::milliseconds defaultTimeout{60'000};
    // A whole exchange may take this many idle time-outs, however steadily the reply trickles in.
    static constexpr int deadlineInTimeouts = 2;
    // A reply's body may hold this much, plus four times the request's own body: more than any
    // honest reply (statuses, event pages and details stay far below it; a check, a restore or a
    // stamped copy grows with what was sent).
    static constexpr qint64 replyAllowance = 4 * 1024 * 1024;
    static constexpr qint64 replyPerRequestByte = 4;

    explicit GatewaySession(const QString& token, std::chrono::milliseconds timeout = defaultTimeout);
    ~GatewaySession();
    GatewaySession(const GatewaySession&) = delete;
    GatewaySession& operator=(const GatewaySession&) = delete;

    QNetworkAccessManager* manager() const { return m_manager; }
    const QByteArray& authorization() const { return m_authorization; }
    std::chrono::milliseconds timeout() const { return m_timeout; }
    std::chrono::milliseconds deadline() const { return deadlineInTimeouts * m_timeout; }
    static qint64 replyLimit(qint64 requestBytes) { return replyAllowance + replyPerRequestByte * requestBytes; }

private:
    QNetworkAccessManager* m_manager;
    QByteArray m_authorization;
    std::chrono::milliseconds m_timeout;
};

// The control client of the gateway's HTTP/JSON API on 127.0.0.1. A value: copies share the
// session and the proof gate. Every call answers the decoded reply or a GatewayError; while the
// gate holds no proof every call answers `unverified` without any traffic, and a transport failure
// (but not the caller's own cancellation) drops the proof. The API never redirects: a 3xx is an
// HTTP status like any other, and nothing is sent on to where it points. A reply past the
// session's deadline or size, or one encoded although no encoding was asked for, is a transport
// failure.
//
// Calls are made, awaited and cancelled on the thread that owns the session.
class GatewayClient {
public:
    GatewayClient(int port, const QString& token, std::shared_ptr<ProofGate> gate = {});
    GatewayClient(int port, std::shared_ptr<GatewaySession> session, std::shared_ptr<ProofGate> gate = {});

    const QString& baseURL() const { return m_baseURL; }
    const std::shared_ptr<GatewaySession>& session() const { return m_session; }
    const std::shared_ptr<ProofGate>& gate() const { return m_gate; }

    // 32 random bytes as 64 lower-case hexadecimal digits, or nothing when the source fails.
    static std::optional<QString> makeToken(const RandomFill& random = secureRandomFill);

    // Adds the workbench choices to a request body: "keep" and "hide", each only when not empty.
    static QJsonObject withChoices(QJsonObject body, const QStringList& kept, const QStringList& hidden);
    static QJsonObject withChoices(QJsonObject body, const WorkbenchChoices& choices);

    // A query value with every character but the unreserved ones (ASCII letters, digits,
    // "-", ".", "_", "~") percent-encoded as UTF-8 with upper-case hex. Text that is not
    // well-formed UTF-16 comes back unchanged.
    static QString encodeQueryValue(const QString& value);

    // --- Status and control ---
    QCoro::Task<Result<Status>> status(CancelToken cancel = {}) const;
    QCoro::Task<Result<Status>> setProtection(bool on, CancelToken cancel = {}) const;
    QCoro::Task<Result<CAInstallResult>> installCA(CancelToken cancel = {}) const;
    QCoro::Task<Result<CAInstallResult>> removeCA(CancelToken cancel = {}) const;
    QCoro::Task<Result<RetireResult>> retireOldRoots(CancelToken cancel = {}) const;
    QCoro::Task<Result<Status>> reportDataKeyReset(std::optional<QString> at, CancelToken cancel = {}) const;
    QCoro::Task<Result<Status>> dismissRulesCleared(CancelToken cancel = {}) const;

    // --- Events and request details ---
    // The events after the cursor; pass the page's cursor as `after` next time (0 at first).
    QCoro::Task<Result<EventsPage>> events(qint64 after, CancelToken cancel = {}) const;
    // The detail of one request (an event's `ts`), or nothing when the gateway holds none.
    QCoro::Task<Result<std::optional<DetailRecord>>> detail(const QString& reqId, CancelToken cancel = {}) const;
    // The first record of the page, else a record made of its bare detections, else nothing.
    static std::optional<DetailRecord> reduceDetail(DetailPage page, const QString& reqId);

    // --- Prompt check, restore and copy stamping ---
    // The text as an AI service would receive it, with the user's keep and hide choices applied.
    QCoro::Task<Result<ScanResult>> scan(const QString& text, const WorkbenchChoices& choices,
                                         CancelToken cancel = {}) const;
    // The real values put back in place of the placeholder tokens of `text`.
    QCoro::Task<Result<RestoreResult>> restore(const QString& text, CancelToken cancel = {}) const;
    // The gateway's stamped copy of a file's bytes. A reply that is not strict base64 fails with
    // decoding("undecodable data_b64 in stamp reply").
    QCoro::Task<Result<QByteArray>> stampCopy(const QByteArray& bytes, CancelToken cancel = {}) const;

    // --- Providers and redaction rules ---
    QCoro::Task<Result<ProvidersPage>> providers(CancelToken cancel = {}) const;
    // Switches one provider; answers the whole list after the change.
    QCoro::Task<Result<ProvidersPage>> setProvider(const QString& name, bool enabled, CancelToken cancel = {}) const;
    QCoro::Task<Result<RedactionPage>> redaction(CancelToken cancel = {}) const;
    // Saves the rules whole; answers them as the gateway now holds them.
    QCoro::Task<Result<RedactionPage>> postRedaction(const RedactionPage& page, CancelToken cancel = {}) const;

    // --- Problem reports ---
    // What a report would carry; with a row (an activity row's identifier, also an empty one)
    // the draft is about that row.
    QCoro::Task<Result<IssueDraft>> issueDraft(const std::optional<QString>& row, CancelToken cancel = {}) const;
    QCoro::Task<Result<IssuePreview>> issuePreview(const QString& description, CancelToken cancel = {}) const;
    QCoro::Task<Result<IssueResult>> reportIssue(const QString& category, const QString& description,
                                                 const IssueInclude& include, const std::optional<QString>& row,
                                                 qint64 eventsUntil, CancelToken cancel = {}) const;

    // --- Request machinery, shared by every endpoint ---
    enum class Method { get, post };

    // One exchange: refuses an unproven gateway, sends, maps failures, checks the status code
    // against `accept` and answers the reply body.
    static QCoro::Task<Result<QByteArray>> exchange(GatewayClient client, Method method, QString path,
                                                    QByteArray jsonBody, QList<int> accept, CancelToken cancel);

    template <typename T> QCoro::Task<Result<T>> get(QString path, CancelToken cancel) const {
        return decoded<T>(
            exchange(*this, Method::get, std::move(path), QByteArray(), QList<int>{200}, std::move(cancel)));
    }

    // POSTs the object as compact JSON with "Content-Type: application/json".
    template <typename T>
    QCoro::Task<Result<T>> postObject(QString path, const QJsonObject& body, QList<int> accept,
                                      CancelToken cancel) const {
        return decoded<T>(
            exchange(*this, Method::post, std::move(path), compactJson(body), std::move(accept), std::move(cancel)));
    }

    // Awaits an exchange and decodes its body as T.
    template <typename T> static QCoro::Task<Result<T>> decoded(QCoro::Task<Result<QByteArray>> exchange) {
        Result<QByteArray> raw = co_await std::move(exchange);
        if (!raw) {
            co_return raw.error();
        }
        co_return json::decode<T>(raw.value());
    }

    static QByteArray compactJson(const QJsonObject& body);

private:
    QString m_baseURL;
    std::shared_ptr<GatewaySession> m_session;
    std::shared_ptr<ProofGate> m_gate;
};

// The sign-in address of the gateway's studio page: "t", "lang" and, with sample, "sample=1",
// in that order. Nothing without a token.
std::optional<QUrl> studioAuthURL(const std::optional<QString>& token, const QString& language, bool sample, int port);

} // namespace fernholm
