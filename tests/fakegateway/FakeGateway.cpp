#include "fakegateway/FakeGateway.h"

#include <QJsonDocument>

namespace fernholm::fake {

namespace {

bool flag(const char* name) {
    return qEnvironmentVariable(name) == QLatin1String("1");
}

QList<QPair<const char*, EndpointRegistration>>& groups() {
    static QList<QPair<const char*, EndpointRegistration>> registered;
    return registered;
}

} // namespace

Faults Faults::fromEnvironment() {
    Faults faults;
    faults.wrongProof = flag("FAKE_GW_WRONG_PROOF");
    faults.slow = std::chrono::milliseconds(qEnvironmentVariableIntValue("FAKE_GW_SLOW_MS"));
    faults.http500 = flag("FAKE_GW_HTTP_500");
    faults.brokenJson = flag("FAKE_GW_BROKEN_JSON");
    faults.exitAfterHello = flag("FAKE_GW_EXIT_AFTER_HELLO");
    return faults;
}

EndpointGroup::EndpointGroup(const char* name, EndpointRegistration registration) {
    groups().append({name, std::move(registration)});
}

void EndpointGroup::registerAll(FakeGateway& gateway) {
    for (const auto& [name, registration] : groups()) {
        registration(gateway);
    }
}

FakeGateway::FakeGateway(GatewayState state, Faults faults, QObject* parent)
    : QObject(parent), m_state(std::move(state)), m_faults(faults) {
    m_server.setFallback([this](const Request& request) { return dispatch(request); });
}

void FakeGateway::route(const QByteArray& method, const QByteArray& path, Handler handler, bool open) {
    m_routes[path].insert(method, Route{std::move(handler), open});
}

bool FakeGateway::listen(quint16 port) {
    return m_server.listen(port);
}

FakeGateway::Reply FakeGateway::json(const QJsonObject& body, int status) {
    return Reply::json(QJsonDocument(body).toJson(QJsonDocument::Compact), status);
}

FakeGateway::Reply FakeGateway::error(int status, const QString& message) {
    return json(QJsonObject{{QStringLiteral("error"), message}}, status);
}

QJsonObject FakeGateway::logEntry(const Request& request) {
    QJsonObject headers;
    for (auto it = request.headers.cbegin(); it != request.headers.cend(); ++it) {
        headers.insert(QString::fromLatin1(it.key()), QString::fromLatin1(it.value()));
    }
    return QJsonObject{
        {QStringLiteral("method"), QString::fromLatin1(request.method)},
        {QStringLiteral("path"), QString::fromLatin1(request.path)},
        {QStringLiteral("query"), QString::fromLatin1(request.query)},
        {QStringLiteral("headers"), headers},
        {QStringLiteral("body"), QString::fromUtf8(request.body)},
    };
}

FakeGateway::Reply FakeGateway::dispatch(const Request& request) {
    if (!request.path.startsWith("/fake/")) {
        m_state.log.append(logEntry(request));
    }
    Reply reply = [&] {
        const auto methods = m_routes.constFind(request.path);
        if (methods == m_routes.constEnd()) {
            return error(404, QStringLiteral("not found"));
        }
        const auto route = methods->constFind(request.method);
        if (route == methods->constEnd()) {
            return error(405, QStringLiteral("method not allowed"));
        }
        const bool control = request.path.startsWith("/api/") && !route->open;
        if (control && request.header("Authorization") != "Bearer " + m_state.token.toUtf8()) {
            return error(401, QStringLiteral("unauthorized"));
        }
        // A scripted reply stands in for the handler and the faults alike.
        if (auto script = m_state.scripts.find(request.path); script != m_state.scripts.end() && !script->isEmpty()) {
            return script->takeFirst();
        }
        Reply answer = route->handler(request, m_state);
        if (control && m_faults.http500) {
            answer = error(500, QStringLiteral("internal error"));
        }
        if (control && m_faults.brokenJson) {
            answer.body = answer.body.left(answer.body.size() / 2);
        }
        return answer;
    }();
    if (reply.mode != Reply::Mode::neverAnswer) {
        reply.delay += m_faults.slow;
    }
    return reply;
}

} // namespace fernholm::fake
