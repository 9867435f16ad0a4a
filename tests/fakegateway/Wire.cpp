#include "fakegateway/Wire.h"

#include <QDateTime>
#include <QJsonDocument>

#include <algorithm>
#include <cmath>
#include <limits>

namespace fernholm::fake {

std::optional<QJsonObject> bodyObject(const FakeGateway::Request& request) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(request.body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    return document.object();
}

std::optional<QString> queryText(const FakeGateway::Request& request, const QByteArray& key) {
    for (const QByteArray& pair : request.query.split('&')) {
        const qsizetype eq = pair.indexOf('=');
        const QByteArray name = eq < 0 ? pair : pair.left(eq);
        if (name == key) {
            QByteArray value = eq < 0 ? QByteArray() : pair.mid(eq + 1);
            value.replace('+', ' ');
            return QString::fromUtf8(QByteArray::fromPercentEncoding(value));
        }
    }
    return std::nullopt;
}

bool authorized(const FakeGateway::Request& request, const GatewayState& state) {
    return request.header("Authorization") == "Bearer " + state.token.toUtf8();
}

bool isStringList(const QJsonValue& value) {
    if (!value.isArray()) {
        return false;
    }
    const QJsonArray array = value.toArray();
    return std::all_of(array.begin(), array.end(), [](const QJsonValue& item) { return item.isString(); });
}

QStringList stringList(const QJsonValue& value) {
    QStringList out;
    for (const QJsonValue& item : value.toArray()) {
        out.append(item.toString());
    }
    return out;
}

bool isInteger(const QJsonValue& value) {
    if (!value.isDouble()) {
        return false;
    }
    const double number = value.toDouble();
    return std::isfinite(number) && std::floor(number) == number &&
           std::fabs(number) <= double(std::numeric_limits<qint64>::max());
}

QString timeStamp() {
    const QDateTime now = QDateTime::currentDateTime();
    return now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate);
}

void putDegraded(QJsonObject& status, const QJsonObject& condition) {
    const QString code = condition.value(QLatin1String("code")).toString();
    dropDegraded(status, {code});
    QJsonArray list = status.value(QLatin1String("degraded")).toArray();
    list.append(condition);
    status.insert(QStringLiteral("degraded"), list);
}

void dropDegraded(QJsonObject& status, const QStringList& codes) {
    if (!status.contains(QLatin1String("degraded"))) {
        return;
    }
    QJsonArray kept;
    for (const QJsonValue& condition : status.value(QLatin1String("degraded")).toArray()) {
        if (!codes.contains(condition.toObject().value(QLatin1String("code")).toString())) {
            kept.append(condition);
        }
    }
    status.insert(QStringLiteral("degraded"), kept);
}

} // namespace fernholm::fake
