#pragma once

// The stand-in gateway (tests/fakegateway) where the model's runtime lookup finds it: a temporary
// checkout whose ".venv/bin/python" is the stand-in, named by TARVINE_REPO in the environment the
// test hands the model.

#include "FernholmApp/model/AppModel.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>

namespace fernholm::test {

class StandInCheckout {
public:
    StandInCheckout();

    bool isValid() const { return m_valid; }
    QString repo() const { return m_folder.filePath(QStringLiteral("repo")); }

    // This process's environment with TARVINE_REPO and FAKE_GW_DUMP, then `extra` (FAKE_GW_
    // switches and the like) on top.
    Environment environment(const Environment& extra = {}) const;

    // What the stand-in launched last wrote down about itself; empty before the first launch.
    QJsonObject dump() const;
    qint64 dumpedPid() const { return dump().value(QLatin1String("pid")).toInteger(); }
    void forgetDump() const;

private:
    QTemporaryDir m_folder;
    bool m_valid = false;
};

// One exchange with the model's gateway, as its client would send it but whatever its proof: the
// reply body, or the failure (any status but 200 is one).
Result<QByteArray> gatewayExchange(const AppModel& model, const QByteArray& method, const QString& path,
                                   const QJsonObject& body = {});
// The requests the model's gateway received so far (GET /fake/log), each "METHOD /path".
QStringList gatewayRequests(const AppModel& model);
// The same requests in full: each {"method", "path", "query", "headers", "body"}.
QJsonArray gatewayLog(const AppModel& model);
// Queues replies for one path of the model's gateway (POST /fake/script), whatever the method:
// each {"status"?, "body"?, "delay_ms"?, "hang"?}. Whether the gateway took them.
bool scriptGateway(const AppModel& model, const QString& path, const QJsonArray& replies);
// Whether a process with this id still exists (a reaped child no longer does).
bool processExists(qint64 pid);

} // namespace fernholm::test
