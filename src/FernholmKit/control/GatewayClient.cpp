#include "FernholmKit/control/GatewayClient.h"

#include "FernholmKit/control/BoundedReply.h"
#include "FernholmKit/control/LoopbackManager.h"

#include <QCoroNetworkReply>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrlQuery>

#include <array>

namespace fernholm {

namespace {

// Failures of the exchange itself (connection, time-out, a broken reply), as against the errors
// Qt raises for an HTTP status it received (400 becomes a "protocol" error there, 500 a server one).
bool isExchangeFailure(QNetworkReply::NetworkError error) {
    const int code = int(error);
    return (code >= QNetworkReply::ConnectionRefusedError && code <= QNetworkReply::UnknownNetworkError) ||
           error == QNetworkReply::ProtocolFailure;
}

} // namespace

GatewaySession::GatewaySession(const QString& token, std::chrono::milliseconds timeout)
    : m_manager(new LoopbackManager()), m_authorization("Bearer " + token.toUtf8()), m_timeout(timeout) {
    // Never through a proxy, also not the application's or the system's: while protection is on,
    // the gateway itself is the system proxy.
    m_manager->setProxy(QNetworkProxy::NoProxy);
}

GatewaySession::~GatewaySession() {
    // A reply's continuation may be what drops the last copy of the client; the manager must
    // outlive that signal emission.
    m_manager->deleteLater();
}

GatewayClient::GatewayClient(int port, const QString& token, std::shared_ptr<ProofGate> gate)
    : GatewayClient(port, std::make_shared<GatewaySession>(token), std::move(gate)) {}

GatewayClient::GatewayClient(int port, std::shared_ptr<GatewaySession> session, std::shared_ptr<ProofGate> gate)
    : m_baseURL(QStringLiteral("http://127.0.0.1:") + QString::number(port)), m_session(std::move(session)),
      m_gate(std::move(gate)) {}

std::optional<QString> GatewayClient::makeToken(const RandomFill& random) {
    std::array<uint8_t, 32> bytes{};
    if (random(bytes) != 0) {
        return std::nullopt;
    }
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(bytes.data()), bytes.size()).toHex());
}

QJsonObject GatewayClient::withChoices(QJsonObject body, const QStringList& kept, const QStringList& hidden) {
    if (!kept.isEmpty()) {
        body.insert(QStringLiteral("keep"), QJsonArray::fromStringList(kept));
    }
    if (!hidden.isEmpty()) {
        body.insert(QStringLiteral("hide"), QJsonArray::fromStringList(hidden));
    }
    return body;
}

QJsonObject GatewayClient::withChoices(QJsonObject body, const WorkbenchChoices& choices) {
    return withChoices(std::move(body), choices.kept, choices.hidden);
}

QString GatewayClient::encodeQueryValue(const QString& value) {
    // UTF-8 conversion would turn a lone surrogate into "?" and ask for another value; left as it
    // is, the address cannot be formed and the call fails without traffic.
    if (!value.isValidUtf16()) {
        return value;
    }
    // toPercentEncoding leaves exactly the unreserved characters alone and writes upper-case hex.
    return QString::fromLatin1(value.toUtf8().toPercentEncoding());
}

QByteArray GatewayClient::compactJson(const QJsonObject& body) {
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

QCoro::Task<Result<QByteArray>> GatewayClient::exchange(GatewayClient client, Method method, QString path,
                                                        QByteArray jsonBody, QList<int> accept, CancelToken cancel) {
    if (client.m_gate && !client.m_gate->holds()) {
        co_return GatewayError::unverified();
    }
    if (cancel.isCancelled()) {
        co_return GatewayError::transport(QStringLiteral("The request was cancelled."));
    }

    // A lone surrogate would silently turn into "?" on the way to UTF-8 and send another address.
    const QUrl url =
        path.isValidUtf16() ? QUrl::fromEncoded((client.m_baseURL + path).toUtf8(), QUrl::StrictMode) : QUrl();
    if (!url.isValid()) {
        co_return GatewayError::transport(QStringLiteral("Not a valid address: %1").arg(client.m_baseURL + path));
    }

    const GatewaySession& session = *client.m_session;
    QNetworkRequest request(url);
    request.setRawHeader("Authorization", session.authorization());
    // What arrives is what is counted and decoded: no decompression, and no bomb inside it.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setTransferTimeout(static_cast<int>(session.timeout().count()));
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    // Followed, a redirect would carry the bearer token, and the body, to another listener.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);

    QNetworkAccessManager* manager = session.manager();
    QNetworkReply* reply = nullptr;
    if (method == Method::get) {
        reply = manager->get(request);
    } else {
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        reply = manager->post(request, jsonBody);
    }
    const qint64 limit = GatewaySession::replyLimit(jsonBody.size());
    BoundedReply bounded(reply, limit, session.deadline());

    // Our own abort and the transfer time-out both end as OperationCanceledError; remember which.
    // This call learns of the end through a queued connection, so a cancel may arrive after the
    // reply finished: the exchange's own outcome stands then.
    bool cancelledByCaller = false;
    QMetaObject::Connection cancelConnection;
    if (auto* notifier = cancel.notifier()) {
        cancelConnection =
            QObject::connect(notifier, &detail::CancelState::cancelRequested, reply, [&cancelledByCaller, reply] {
                if (reply->isFinished()) {
                    return;
                }
                cancelledByCaller = true;
                reply->abort();
            });
    }

    co_await qCoro(reply).waitForFinished();

    QObject::disconnect(cancelConnection);
    const QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError error = reply->error();
    const QString errorText = reply->errorString();
    // Qt flags a 500 reply as an error too: what matters is whether a status code arrived and
    // whether the exchange itself broke. A status outside the accepted set is the answer whatever
    // became of its body; an accepted one needs its whole body, so a connection that broke or
    // stalled after the headers is a failed exchange.
    const bool exchangeFailed = isExchangeFailure(error) || bounded.tooLarge() || bounded.pastDeadline();
    const bool complete = statusAttribute.isValid() ? !exchangeFailed : error == QNetworkReply::NoError;
    const QByteArray encoding = reply->rawHeader("Content-Encoding").trimmed().toLower();
    QByteArray body = complete ? bounded.take() : QByteArray();
    reply->deleteLater();

    if (cancelledByCaller) {
        co_return GatewayError::transport(QStringLiteral("The request was cancelled."));
    }
    if (statusAttribute.isValid() && !accept.contains(statusAttribute.toInt())) {
        co_return GatewayError::http(statusAttribute.toInt());
    }
    if (complete && (encoding.isEmpty() || encoding == "identity")) {
        // An accepted status, or a reply that is not HTTP at all (nothing to check).
        co_return body;
    }
    if (client.m_gate) {
        client.m_gate->revoke();
    }
    if (complete) {
        co_return GatewayError::transport(QStringLiteral("The reply came encoded as %1, which was not asked for.")
                                              .arg(QString::fromLatin1(encoding)));
    }
    if (bounded.tooLarge()) {
        co_return GatewayError::transport(QStringLiteral("The reply was larger than %1 bytes.").arg(limit));
    }
    if (bounded.pastDeadline() || error == QNetworkReply::OperationCanceledError) {
        co_return GatewayError::transport(QStringLiteral("The request timed out."));
    }
    co_return GatewayError::transport(errorText);
}

// --- Status and control ---

QCoro::Task<Result<Status>> GatewayClient::status(CancelToken cancel) const {
    return get<Status>(QStringLiteral("/api/status"), std::move(cancel));
}

QCoro::Task<Result<Status>> GatewayClient::setProtection(bool on, CancelToken cancel) const {
    // A 500 carries a Status that says what went wrong.
    return postObject<Status>(QStringLiteral("/api/protection"), QJsonObject{{QStringLiteral("on"), on}}, {200, 500},
                              std::move(cancel));
}

QCoro::Task<Result<CAInstallResult>> GatewayClient::installCA(CancelToken cancel) const {
    return postObject<CAInstallResult>(QStringLiteral("/api/ca/install"), {}, {200}, std::move(cancel));
}

QCoro::Task<Result<CAInstallResult>> GatewayClient::removeCA(CancelToken cancel) const {
    return postObject<CAInstallResult>(QStringLiteral("/api/ca/remove"), {}, {200}, std::move(cancel));
}

QCoro::Task<Result<RetireResult>> GatewayClient::retireOldRoots(CancelToken cancel) const {
    return postObject<RetireResult>(QStringLiteral("/api/ca/retire"), {}, {200}, std::move(cancel));
}

QCoro::Task<Result<Status>> GatewayClient::reportDataKeyReset(std::optional<QString> at, CancelToken cancel) const {
    const QJsonValue value = at ? QJsonValue(*at) : QJsonValue(QJsonValue::Null);
    return postObject<Status>(QStringLiteral("/api/data_key_reset"), QJsonObject{{QStringLiteral("at"), value}}, {200},
                              std::move(cancel));
}

QCoro::Task<Result<Status>> GatewayClient::dismissRulesCleared(CancelToken cancel) const {
    return postObject<Status>(QStringLiteral("/api/rules_cleared/dismiss"), {}, {200}, std::move(cancel));
}

// --- Events and request details ---

namespace {

QCoro::Task<Result<std::optional<DetailRecord>>> reducedDetail(QCoro::Task<Result<DetailPage>> request, QString reqId) {
    Result<DetailPage> page = co_await std::move(request);
    if (!page) {
        co_return page.error();
    }
    co_return GatewayClient::reduceDetail(std::move(page).value(), reqId);
}

} // namespace

QCoro::Task<Result<EventsPage>> GatewayClient::events(qint64 after, CancelToken cancel) const {
    return get<EventsPage>(QStringLiteral("/api/events?after=") + QString::number(after), std::move(cancel));
}

QCoro::Task<Result<std::optional<DetailRecord>>> GatewayClient::detail(const QString& reqId, CancelToken cancel) const {
    // The id is an event's time stamp, "+02:00" and all: a "+" left bare reads as a space to the
    // gateway's query parser, so everything but the unreserved characters is encoded.
    const QString path = QStringLiteral("/api/detail?req_id=") + encodeQueryValue(reqId);
    return reducedDetail(get<DetailPage>(path, std::move(cancel)), reqId);
}

std::optional<DetailRecord> GatewayClient::reduceDetail(DetailPage page, const QString& reqId) {
    if (page.records && !page.records->isEmpty()) {
        return page.records->takeFirst();
    }
    if (page.details && !page.details->isEmpty()) {
        DetailRecord record;
        record.reqId = reqId;
        record.details = std::move(*page.details);
        return record;
    }
    return std::nullopt;
}

// --- Prompt check, restore and copy stamping ---

namespace {

QCoro::Task<Result<QByteArray>> stampedBytes(QCoro::Task<Result<StampCopyResult>> request) {
    Result<StampCopyResult> reply = co_await std::move(request);
    if (!reply) {
        co_return reply.error();
    }
    std::optional<QByteArray> bytes = decodeStrictBase64(reply.value().dataB64);
    if (!bytes) {
        co_return GatewayError::decoding(QStringLiteral("undecodable data_b64 in stamp reply"));
    }
    co_return std::move(*bytes);
}

} // namespace

QCoro::Task<Result<ScanResult>> GatewayClient::scan(const QString& text, const WorkbenchChoices& choices,
                                                    CancelToken cancel) const {
    // The body is built here, before the call suspends: later changes to the choices do not
    // reach a check already on its way.
    const QJsonObject body = withChoices(QJsonObject{{QStringLiteral("text"), text}}, choices);
    return postObject<ScanResult>(QStringLiteral("/api/scan"), body, {200}, std::move(cancel));
}

QCoro::Task<Result<RestoreResult>> GatewayClient::restore(const QString& text, CancelToken cancel) const {
    return postObject<RestoreResult>(QStringLiteral("/api/restore"), QJsonObject{{QStringLiteral("text"), text}}, {200},
                                     std::move(cancel));
}

QCoro::Task<Result<QByteArray>> GatewayClient::stampCopy(const QByteArray& bytes, CancelToken cancel) const {
    const QJsonObject body{{QStringLiteral("data_b64"), QString::fromLatin1(bytes.toBase64())}};
    return stampedBytes(postObject<StampCopyResult>(QStringLiteral("/api/stamp_copy"), body, {200}, std::move(cancel)));
}

// --- Providers and redaction rules ---

QCoro::Task<Result<ProvidersPage>> GatewayClient::providers(CancelToken cancel) const {
    return get<ProvidersPage>(QStringLiteral("/api/providers"), std::move(cancel));
}

QCoro::Task<Result<ProvidersPage>> GatewayClient::setProvider(const QString& name, bool enabled,
                                                              CancelToken cancel) const {
    const QJsonObject body{{QStringLiteral("name"), name}, {QStringLiteral("enabled"), enabled}};
    return postObject<ProvidersPage>(QStringLiteral("/api/providers"), body, {200}, std::move(cancel));
}

QCoro::Task<Result<RedactionPage>> GatewayClient::redaction(CancelToken cancel) const {
    return get<RedactionPage>(QStringLiteral("/api/redaction"), std::move(cancel));
}

QCoro::Task<Result<RedactionPage>> GatewayClient::postRedaction(const RedactionPage& page, CancelToken cancel) const {
    return postObject<RedactionPage>(QStringLiteral("/api/redaction"), redactionBody(page), {200}, std::move(cancel));
}

// --- Problem reports ---

QCoro::Task<Result<IssueDraft>> GatewayClient::issueDraft(const std::optional<QString>& row, CancelToken cancel) const {
    // The row is an event's time stamp: its "+02:00" and any "&" must not reach the gateway bare.
    QString path = QStringLiteral("/api/issue_draft");
    if (row) {
        path += QStringLiteral("?row=") + encodeQueryValue(*row);
    }
    return get<IssueDraft>(std::move(path), std::move(cancel));
}

QCoro::Task<Result<IssuePreview>> GatewayClient::issuePreview(const QString& description, CancelToken cancel) const {
    return postObject<IssuePreview>(QStringLiteral("/api/issue_preview"),
                                    QJsonObject{{QStringLiteral("description"), description}}, {200},
                                    std::move(cancel));
}

QCoro::Task<Result<IssueResult>> GatewayClient::reportIssue(const QString& category, const QString& description,
                                                            const IssueInclude& include,
                                                            const std::optional<QString>& row, qint64 eventsUntil,
                                                            CancelToken cancel) const {
    QJsonObject body{
        {QStringLiteral("category"), category},
        {QStringLiteral("description"), description},
        {QStringLiteral("include"), include.toJson()},
        {QStringLiteral("events_until"), eventsUntil},
    };
    if (row) {
        body.insert(QStringLiteral("row"), *row);
    }
    return postObject<IssueResult>(QStringLiteral("/api/report_issue"), body, {200}, std::move(cancel));
}

std::optional<QUrl> studioAuthURL(const std::optional<QString>& token, const QString& language, bool sample, int port) {
    if (!token || token->isEmpty()) {
        return std::nullopt;
    }
    QUrl url(QStringLiteral("http://127.0.0.1:%1/studio/auth").arg(port));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("t"), QString::fromLatin1(QUrl::toPercentEncoding(*token)));
    query.addQueryItem(QStringLiteral("lang"), QString::fromLatin1(QUrl::toPercentEncoding(language)));
    if (sample) {
        query.addQueryItem(QStringLiteral("sample"), QStringLiteral("1"));
    }
    url.setQuery(query.query(QUrl::FullyEncoded), QUrl::StrictMode);
    if (!url.isValid()) {
        return std::nullopt;
    }
    return url;
}

} // namespace fernholm
