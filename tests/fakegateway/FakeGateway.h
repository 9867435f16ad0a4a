#pragma once

#include "fakegateway/GatewayState.h"
#include "support/TestHttpServer.h"

#include <QList>
#include <QMap>
#include <QObject>

#include <chrono>
#include <functional>

namespace fernholm::fake {

// Faults the stand-in gateway shows on request, read from the environment at start.
struct Faults {
    bool wrongProof = false;           // FAKE_GW_WRONG_PROOF=1
    std::chrono::milliseconds slow{0}; // FAKE_GW_SLOW_MS=N: every reply, the hello too
    bool http500 = false;              // FAKE_GW_HTTP_500=1: control endpoints only
    bool brokenJson = false;           // FAKE_GW_BROKEN_JSON=1: control endpoints only
    bool exitAfterHello = false;       // FAKE_GW_EXIT_AFTER_HELLO=1: exit with 0 once a hello is answered

    static Faults fromEnvironment();
};

class FakeGateway;

// One endpoint group registers its handlers on a gateway. Groups announce themselves with a
// static EndpointGroup object in their own source file.
using EndpointRegistration = std::function<void(FakeGateway&)>;

class EndpointGroup {
public:
    EndpointGroup(const char* name, EndpointRegistration registration);
    static void registerAll(FakeGateway& gateway);
};

// The core: routes requests to the handlers of the endpoint groups, checks the bearer token on
// every /api/ path but the hello, and applies the faults.
class FakeGateway : public QObject {
    Q_OBJECT
public:
    using Request = fernholm::test::RecordedRequest;
    using Reply = fernholm::test::ScriptedReply;
    // A handler answers one request; it may read and change the state.
    using Handler = std::function<Reply(const Request&, GatewayState&)>;

    FakeGateway(GatewayState state, Faults faults, QObject* parent = nullptr);

    // A handler for one method and path (without query). `open` paths need no bearer token.
    void route(const QByteArray& method, const QByteArray& path, Handler handler, bool open = false);

    bool listen(quint16 port);

    GatewayState& state() { return m_state; }
    const Faults& faults() const { return m_faults; }

    // A JSON reply.
    static Reply json(const QJsonObject& body, int status = 200);
    static Reply error(int status, const QString& message);

    // What GET /fake/log lists of one request.
    static QJsonObject logEntry(const Request& request);

private:
    struct Route {
        Handler handler;
        bool open = false;
    };
    Reply dispatch(const Request& request);

    GatewayState m_state;
    Faults m_faults;
    fernholm::test::TestHttpServer m_server;
    QMap<QByteArray, QMap<QByteArray, Route>> m_routes; // path -> method -> route
};

} // namespace fernholm::fake
