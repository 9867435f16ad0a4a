#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

namespace fernholm::fake {

// Everything the stand-in gateway knows and keeps while it runs. Endpoint groups read and
// change it; add the fields a new group needs here.
struct GatewayState {
    // The two lines read from standard input at start.
    QByteArray dataKeyLine;
    QString token;

    // The reply of /api/status, changed by the endpoints that change the gateway's state.
    QJsonObject status;
};

} // namespace fernholm::fake
