#pragma once

#include "FernholmKit/control/GatewayError.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <initializer_list>
#include <optional>
#include <type_traits>
#include <utility>

// Decoding of gateway replies. Readers walk the JSON while tracking the coding path; the first
// failure is kept (which key, at which path, and why) and every later read yields a default value,
// so a record is decoded in one straight pass and then kept or discarded whole.
//
// A record type T takes part by providing `static T fromJson(json::Object&)`.
namespace fernholm::json {

class Context {
public:
    bool failed() const { return m_error.has_value(); }
    const QString& error() const { return *m_error; }
    void fail(QString description) {
        if (!m_error) {
            m_error = std::move(description);
        }
    }

    // Where the reply holds a number below the 64-bit range that the JSON reader nonetheless
    // gives as the smallest 64-bit integer (see numbersReadAsSmallest).
    void setBelowRange(QSet<QString> paths) { m_belowRange = std::move(paths); }
    bool isBelowRange(const QString& path) const { return m_belowRange.contains(path); }

private:
    std::optional<QString> m_error;
    QSet<QString> m_belowRange;
};

class Object;

// Where a value sits in the reply: a chain of keys and list positions up to the top-level
// object. Only rendered when a decode fails, so a good reply costs no path texts at all.
// Every node points at its owner's node, which outlives it (readers are scoped to one decode).
struct PathNode {
    const PathNode* parent = nullptr;
    const char* key = nullptr; // a record's member
    QString mapKey;            // a map's entry
    qsizetype index = -1;      // a list's element

    QString render() const;
};

// One JSON value at a coding path.
class Value {
public:
    Value(Context& ctx, QJsonValue value, PathNode node)
        : m_ctx(&ctx), m_value(std::move(value)), m_node(std::move(node)) {}

    QString path() const { return m_node.render(); }
    const QJsonValue& raw() const { return m_value; }
    bool isNull() const { return m_value.isNull() || m_value.isUndefined(); }
    bool isString() const { return m_value.isString(); }
    bool isObject() const { return m_value.isObject(); }

    QString toString();
    bool toBool();
    qint64 toInteger();
    double toDouble();
    QStringList toStringList();

    template <typename T> T to(); // dispatches to the readers above, or to T::fromJson for records

    template <typename T> QList<T> toList() {
        QList<T> out;
        if (!expect(m_value.isArray(), "an array")) {
            return out;
        }
        const QJsonArray array = m_value.toArray();
        out.reserve(array.size());
        for (qsizetype i = 0; i < array.size() && !m_ctx->failed(); ++i) {
            Value element(*m_ctx, array.at(i), PathNode{&m_node, nullptr, QString(), i});
            out.append(element.to<T>());
        }
        return out;
    }

    template <typename T> QMap<QString, T> toMap() {
        QMap<QString, T> out;
        if (!expect(m_value.isObject(), "an object")) {
            return out;
        }
        const QJsonObject object = m_value.toObject();
        for (auto it = object.begin(); it != object.end() && !m_ctx->failed(); ++it) {
            Value element(*m_ctx, it.value(), PathNode{&m_node, nullptr, it.key(), -1});
            out.insert(it.key(), element.to<T>());
        }
        return out;
    }

    template <typename E> E toEnum(std::initializer_list<std::pair<const char*, E>> cases);

private:
    bool expect(bool condition, const char* expected);

    Context* m_ctx;
    QJsonValue m_value;
    PathNode m_node;

    friend class Object;
};

// One JSON object at a coding path.
class Object {
public:
    Object(Context& ctx, QJsonObject object, const PathNode* node)
        : m_ctx(&ctx), m_object(std::move(object)), m_node(node) {}

    Context& context() const { return *m_ctx; }
    bool failed() const { return m_ctx->failed(); }
    QString path() const { return m_node ? m_node->render() : QString(); }

    // Present and not null, or the decode fails with "key not found" / "value is null".
    Value required(const char* key);
    // Absent and null both give nothing.
    std::optional<Value> optional(const char* key);

    template <typename T> T get(const char* key) { return required(key).template to<T>(); }
    template <typename T> std::optional<T> getOptional(const char* key) {
        auto value = optional(key);
        if (!value) {
            return std::nullopt;
        }
        T out = value->template to<T>();
        if (failed()) {
            return std::nullopt;
        }
        return out;
    }
    template <typename T> T getDefaulted(const char* key, T fallback) {
        auto value = getOptional<T>(key);
        return value ? std::move(*value) : std::move(fallback);
    }
    template <typename T> QList<T> getList(const char* key) { return required(key).template toList<T>(); }
    template <typename T> std::optional<QList<T>> getOptionalList(const char* key) {
        auto value = optional(key);
        if (!value) {
            return std::nullopt;
        }
        QList<T> out = value->template toList<T>();
        if (failed()) {
            return std::nullopt;
        }
        return out;
    }
    template <typename T> QMap<QString, T> getMap(const char* key) { return required(key).template toMap<T>(); }
    template <typename T> std::optional<QMap<QString, T>> getOptionalMap(const char* key) {
        auto value = optional(key);
        if (!value) {
            return std::nullopt;
        }
        QMap<QString, T> out = value->template toMap<T>();
        if (failed()) {
            return std::nullopt;
        }
        return out;
    }
    template <typename E> E getEnum(const char* key, std::initializer_list<std::pair<const char*, E>> cases) {
        return required(key).toEnum(cases);
    }

private:
    Context* m_ctx;
    QJsonObject m_object;
    const PathNode* m_node; // null at the top level
};

template <typename E> E Value::toEnum(std::initializer_list<std::pair<const char*, E>> cases) {
    const QString text = toString();
    if (m_ctx->failed()) {
        return cases.begin()->second;
    }
    QStringList names;
    for (const auto& [name, value] : cases) {
        if (text == QLatin1String(name)) {
            return value;
        }
        names << QLatin1Char('"') + QLatin1String(name) + QLatin1Char('"');
    }
    m_ctx->fail(QStringLiteral("dataCorrupted: %1 is not a valid value at coding path \"%2\" (expected one of %3)")
                    .arg(quotedLiteral(text), path(), names.join(QLatin1String(", "))));
    return cases.begin()->second;
}

template <typename T> T Value::to() {
    if constexpr (std::is_same_v<T, QString>) {
        return toString();
    } else if constexpr (std::is_same_v<T, bool>) {
        return toBool();
    } else if constexpr (std::is_same_v<T, qint64>) {
        return toInteger();
    } else if constexpr (std::is_same_v<T, double>) {
        return toDouble();
    } else if constexpr (std::is_same_v<T, QStringList>) {
        return toStringList();
    } else {
        if (!expect(m_value.isObject(), "an object")) {
            return T{};
        }
        Object object(*m_ctx, m_value.toObject(), &m_node);
        return T::fromJson(object);
    }
}

// Parses a reply body that must be a JSON object and decodes it as T.
template <typename T> Result<T> decode(const QByteArray& body);

// The parse step on its own: the top-level object, or the decoding error for a body that is
// not JSON or not an object.
std::variant<QJsonObject, GatewayError> parseObject(const QByteArray& body);

// The coding paths of the numbers in a well-formed JSON text that lie below -2^63 yet round onto
// it as doubles. The JSON reader keeps any double that equals a 64-bit integer as that integer,
// so such a number, -9223372036854775809 say, reads as the smallest 64-bit integer itself; only
// the text tells them apart.
QSet<QString> numbersReadAsSmallest(const QByteArray& json);

template <typename T> Result<T> decode(const QByteArray& body) {
    auto parsed = parseObject(body);
    if (auto* error = std::get_if<GatewayError>(&parsed)) {
        return *error;
    }
    Context ctx;
    ctx.setBelowRange(numbersReadAsSmallest(body));
    Object root(ctx, std::get<QJsonObject>(std::move(parsed)), nullptr);
    T value = T::fromJson(root);
    if (ctx.failed()) {
        return GatewayError::decoding(ctx.error());
    }
    return value;
}

} // namespace fernholm::json
