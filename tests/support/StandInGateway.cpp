#include "support/StandInGateway.h"

#include "support/ClientFixtures.h"
#include "support/LoopbackPort.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QCoroTask>

namespace fernholm::test {

namespace {

QByteArray dataKey() {
    return QByteArray(32, '\x5a');
}

} // namespace

StandInGateway::StandInGateway(const QString& executable, const Environment& environment)
    : m_port(freeLoopbackPort()), m_token(GatewayClient::makeToken().value_or(testToken)) {
    const QString repo = m_folder.filePath(QStringLiteral("repo"));
    const Runtime runtime = SidecarProcess::checkoutRuntime(repo);
    if (!QDir().mkpath(QFileInfo(runtime.python).absolutePath()) || !QFile::link(executable, runtime.python)) {
        qWarning("cannot place the stand-in gateway at %s", qPrintable(runtime.python));
    }
    Environment inherited = SidecarProcess::currentEnvironment();
    inherited.insert(environment);
    m_process = std::make_unique<SidecarProcess>(runtime, m_port, inherited, dataKey(), m_token);
}

SidecarState StandInGateway::start(Seconds readyTimeout) {
    return QCoro::waitFor(m_process->start(readyTimeout));
}

GatewayClient StandInGateway::client() const {
    return GatewayClient(m_port, m_token, provenGate());
}

Result<QByteArray> StandInGateway::hook(const QByteArray& method, const QString& path, const QJsonObject& body) const {
    const bool get = method == "GET";
    return QCoro::waitFor(
        GatewayClient::exchange(client(), get ? GatewayClient::Method::get : GatewayClient::Method::post, path,
                                get ? QByteArray() : GatewayClient::compactJson(body), {200}, CancelToken()));
}

} // namespace fernholm::test
