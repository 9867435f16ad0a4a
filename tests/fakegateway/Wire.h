#pragma once

// Small pieces of the wire format shared by the endpoint groups.

#include "fakegateway/FakeGateway.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <optional>

namespace fernholm::fake {

// The request body when it is a JSON object.
std::optional<QJsonObject> bodyObject(const FakeGateway::Request& request);

// A query value decoded the way the gateway's form parser reads it: "+" is a space, then
// percent-decoding as UTF-8. Nothing when the key is absent.
std::optional<QString> queryText(const FakeGateway::Request& request, const QByteArray& key);

// Whether the request carries the control token, for paths outside /api/ that want it anyway.
bool authorized(const FakeGateway::Request& request, const GatewayState& state);

bool isStringList(const QJsonValue& value);
QStringList stringList(const QJsonValue& value);
bool isInteger(const QJsonValue& value);

// The time now in the gateway's notation: ISO 8601 in local time with its offset, whole seconds.
QString timeStamp();

// Degraded conditions in the status: one replaced or added by code, or every one of some codes
// dropped. A status without "degraded" keeps none when nothing is dropped.
void putDegraded(QJsonObject& status, const QJsonObject& condition);
void dropDegraded(QJsonObject& status, const QStringList& codes);

} // namespace fernholm::fake
