#include "JsonDecoder.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QVariant>

#include <cmath>

namespace fernholm::json {

namespace {

const char* typeName(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::Null:
        return "null";
    case QJsonValue::Bool:
        return "a Boolean";
    case QJsonValue::Double:
        return "a number";
    case QJsonValue::String:
        return "a string";
    case QJsonValue::Array:
        return "an array";
    case QJsonValue::Object:
        return "an object";
    case QJsonValue::Undefined:
        return "nothing";
    }
    return "an unknown value";
}

} // namespace

QString PathNode::render() const {
    QString parentPath = parent ? parent->render() : QString();
    if (index >= 0) {
        return parentPath + QLatin1Char('[') + QString::number(index) + QLatin1Char(']');
    }
    const QString name = key ? QString::fromLatin1(key) : mapKey;
    return parentPath.isEmpty() ? name : parentPath + QLatin1Char('.') + name;
}

bool Value::expect(bool condition, const char* expected) {
    if (m_ctx->failed()) {
        return false;
    }
    if (!condition) {
        m_ctx->fail(QStringLiteral("typeMismatch: expected %1 at coding path \"%2\", found %3")
                        .arg(QLatin1String(expected), path(), QLatin1String(typeName(m_value))));
        return false;
    }
    return true;
}

QString Value::toString() {
    return expect(m_value.isString(), "a string") ? m_value.toString() : QString();
}

bool Value::toBool() {
    return expect(m_value.isBool(), "a Boolean") ? m_value.toBool() : false;
}

qint64 Value::toInteger() {
    if (!expect(m_value.isDouble(), "an integer")) {
        return 0;
    }
    // Qt keeps integers that fit 64 bits as integers; anything else arrives as a double.
    const QVariant variant = m_value.toVariant();
    if (variant.typeId() == QMetaType::LongLong || variant.typeId() == QMetaType::Int) {
        return variant.toLongLong();
    }
    const double d = m_value.toDouble();
    // 2^63 is exactly representable; the range is [-2^63, 2^63).
    if (std::isfinite(d) && std::trunc(d) == d && d >= -9223372036854775808.0 && d < 9223372036854775808.0) {
        return static_cast<qint64>(d);
    }
    m_ctx->fail(QStringLiteral("dataCorrupted: the number %1 at coding path \"%2\" does not fit a 64-bit integer")
                    .arg(QString::number(d, 'g', 17), path()));
    return 0;
}

double Value::toDouble() {
    return expect(m_value.isDouble(), "a number") ? m_value.toDouble() : 0.0;
}

QStringList Value::toStringList() {
    return toList<QString>();
}

Value Object::required(const char* key) {
    const PathNode node{m_node, key, QString(), -1};
    const auto it = m_object.constFind(QLatin1String(key));
    if (it == m_object.constEnd()) {
        m_ctx->fail(QStringLiteral("keyNotFound: no value for key \"%1\" at coding path \"%2\"")
                        .arg(QLatin1String(key), path()));
        return Value(*m_ctx, QJsonValue(), node);
    }
    if (it->isNull()) {
        m_ctx->fail(QStringLiteral("valueNotFound: key \"%1\" is null at coding path \"%2\"")
                        .arg(QLatin1String(key), node.render()));
    }
    return Value(*m_ctx, *it, node);
}

std::optional<Value> Object::optional(const char* key) {
    const auto it = m_object.constFind(QLatin1String(key));
    if (it == m_object.constEnd() || it->isNull() || m_ctx->failed()) {
        return std::nullopt;
    }
    return Value(*m_ctx, *it, PathNode{m_node, key, QString(), -1});
}

std::variant<QJsonObject, GatewayError> parseObject(const QByteArray& body) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError) {
        return GatewayError::decoding(
            QStringLiteral("dataCorrupted: the given data was not valid JSON (%1 at offset %2)")
                .arg(error.errorString())
                .arg(error.offset));
    }
    if (!document.isObject()) {
        return GatewayError::decoding(
            QStringLiteral("typeMismatch: expected an object at the top level, found %1")
                .arg(document.isArray() ? QStringLiteral("an array") : QStringLiteral("something else")));
    }
    return document.object();
}

} // namespace fernholm::json
