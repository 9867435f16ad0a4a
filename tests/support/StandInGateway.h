#pragma once

#include "FernholmKit/control/GatewayClient.h"
#include "FernholmKit/supervision/SidecarProcess.h"

#include <QByteArray>
#include <QJsonObject>
#include <QTemporaryDir>

#include <memory>

namespace fernholm::test {

// The stand-in gateway (tests/fakegateway) launched the way the application launches the
// gateway: placed as a checkout's interpreter in a temporary folder, started through
// SidecarProcess with a fresh data key and control token on standard input, and used through a
// GatewayClient whose gate it has passed. The child is killed when this goes.
class StandInGateway {
public:
    // `executable`: the built fake_gateway; `environment`: added to this process's own, such as
    // the FAKE_GW_ fault switches.
    explicit StandInGateway(const QString& executable, const Environment& environment = {});

    // Launches and waits until it has proved itself; the launch's outcome.
    SidecarState start(Seconds readyTimeout = Seconds(10));

    int port() const { return m_port; }
    const QString& token() const { return m_token; }
    SidecarProcess& process() { return *m_process; }

    // A client with the control token and a proven gate.
    GatewayClient client() const;

    // One exchange with the test hooks under /fake/ (GET without a body): the reply body or the
    // failure, 200 being the only accepted status.
    Result<QByteArray> hook(const QByteArray& method, const QString& path, const QJsonObject& body = {}) const;

private:
    QTemporaryDir m_folder;
    int m_port = 0;
    QString m_token;
    std::unique_ptr<SidecarProcess> m_process;
};

} // namespace fernholm::test
