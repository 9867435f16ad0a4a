// The identity proof: the one /api/ path that needs no bearer token.
#include "fakegateway/FakeGateway.h"

#include <QCoreApplication>
#include <QMessageAuthenticationCode>
#include <QTimer>

namespace fernholm::fake {

namespace {

const EndpointGroup hello("hello", [](FakeGateway& gateway) {
    gateway.route(
        "GET", "/api/hello",
        [&gateway](const FakeGateway::Request& request, GatewayState& state) {
            // Computed here, not with the application's own function, so a fault there shows.
            QByteArray key = state.token.toUtf8();
            if (gateway.faults().wrongProof) {
                key += "-not-ours";
            }
            const QByteArray message = "tarvine-hello:" + request.queryValue("nonce");
            const QByteArray proof = QMessageAuthenticationCode::hash(message, key, QCryptographicHash::Sha256).toHex();
            if (gateway.faults().exitAfterHello) {
                // After the reply, which is written as soon as this handler returns.
                QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
            }
            return FakeGateway::json({{QStringLiteral("proof"), QString::fromLatin1(proof)}});
        },
        /*open=*/true);
});

} // namespace

} // namespace fernholm::fake
