#pragma once

#include <QString>

#include <cassert>
#include <utility>
#include <variant>

namespace fernholm {

// The one failure of every control-API call. It has no message of its own: callers put the
// value into a translated sentence, where it reads as its plain rendering (see rendered()).
class GatewayError {
public:
    enum class Kind { http, decoding, transport, unverified };

    static GatewayError http(int statusCode) { return GatewayError(Kind::http, statusCode, {}); }
    static GatewayError decoding(QString description) {
        return GatewayError(Kind::decoding, 0, std::move(description));
    }
    static GatewayError transport(QString description) {
        return GatewayError(Kind::transport, 0, std::move(description));
    }
    static GatewayError unverified() { return GatewayError(Kind::unverified, 0, {}); }

    Kind kind() const { return m_kind; }
    int statusCode() const { return m_statusCode; }
    const QString& text() const { return m_text; }

    // http(404), unverified, transport("…"), decoding("…"): the same in every language.
    QString rendered() const;

    bool operator==(const GatewayError&) const = default;

private:
    GatewayError(Kind kind, int statusCode, QString text)
        : m_kind(kind), m_statusCode(statusCode), m_text(std::move(text)) {}

    Kind m_kind;
    int m_statusCode;
    QString m_text;
};

// A text in double quotes with backslash escapes for quotes, backslashes and control characters.
QString quotedLiteral(const QString& text);

// The reply of a gateway call: the value, or the GatewayError that stopped it.
template <typename T> class Result {
public:
    // An unfinished call; coroutine helpers need a default value before one arrives.
    Result() : m_state(GatewayError::transport(QStringLiteral("The call did not finish."))) {}
    Result(T value) : m_state(std::move(value)) {}
    Result(GatewayError error) : m_state(std::move(error)) {}

    bool ok() const { return std::holds_alternative<T>(m_state); }
    explicit operator bool() const { return ok(); }

    const T& value() const& {
        assert(ok());
        return std::get<T>(m_state);
    }
    T&& value() && {
        assert(ok());
        return std::get<T>(std::move(m_state));
    }
    const GatewayError& error() const {
        assert(!ok());
        return std::get<GatewayError>(m_state);
    }

private:
    std::variant<T, GatewayError> m_state;
};

} // namespace fernholm
