#include "app/support/StandInCheckout.h"

#include "support/ClientFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include <QCoroTask>

#include <cerrno>
#include <csignal>

namespace fernholm::test {

StandInCheckout::StandInCheckout() {
    const QString python = QDir(repo()).filePath(QStringLiteral(".venv/bin/python"));
    m_valid = m_folder.isValid() && QDir().mkpath(QFileInfo(python).absolutePath()) &&
              QFile::link(QStringLiteral(FERNHOLM_FAKE_GATEWAY), python);
}

Environment StandInCheckout::environment(const Environment& extra) const {
    Environment env = SidecarProcess::currentEnvironment();
    env.insert(QStringLiteral("TARVINE_REPO"), repo());
    env.insert(QStringLiteral("FAKE_GW_DUMP"), m_folder.filePath(QStringLiteral("dump.json")));
    env.insert(extra);
    return env;
}

QJsonObject StandInCheckout::dump() const {
    QFile file(m_folder.filePath(QStringLiteral("dump.json")));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QJsonDocument::fromJson(file.readAll()).object();
}

void StandInCheckout::forgetDump() const {
    QFile::remove(m_folder.filePath(QStringLiteral("dump.json")));
}

Result<QByteArray> gatewayExchange(const AppModel& model, const QByteArray& method, const QString& path,
                                   const QJsonObject& body) {
    const GatewayClient client(model.config().port, model.controlToken().value_or(QString()), provenGate());
    const bool get = method == "GET";
    return QCoro::waitFor(
        GatewayClient::exchange(client, get ? GatewayClient::Method::get : GatewayClient::Method::post, path,
                                get ? QByteArray() : GatewayClient::compactJson(body), {200}, CancelToken()));
}

QStringList gatewayRequests(const AppModel& model) {
    const Result<QByteArray> log = gatewayExchange(model, "GET", QStringLiteral("/fake/log"));
    if (!log) {
        return {QStringLiteral("(no log: %1)").arg(log.error().rendered())};
    }
    QStringList requests;
    for (const QJsonValue& entry : jsonObject(log.value()).value(QLatin1String("requests")).toArray()) {
        requests.append(entry.toObject().value(QLatin1String("method")).toString() + u' ' +
                        entry.toObject().value(QLatin1String("path")).toString());
    }
    return requests;
}

QJsonArray gatewayLog(const AppModel& model) {
    const Result<QByteArray> log = gatewayExchange(model, "GET", QStringLiteral("/fake/log"));
    return log ? jsonObject(log.value()).value(QLatin1String("requests")).toArray() : QJsonArray();
}

bool scriptGateway(const AppModel& model, const QString& path, const QJsonArray& replies) {
    return gatewayExchange(model, "POST", QStringLiteral("/fake/script"),
                           {{QStringLiteral("path"), path}, {QStringLiteral("replies"), replies}})
        .ok();
}

bool processExists(qint64 pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

} // namespace fernholm::test
