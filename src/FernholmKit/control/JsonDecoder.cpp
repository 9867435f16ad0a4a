#include "FernholmKit/control/JsonDecoder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QVariant>

#include <cmath>
#include <limits>

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
        const qint64 n = variant.toLongLong();
        if (n != std::numeric_limits<qint64>::min() || !m_ctx->isBelowRange(path())) {
            return n;
        }
    } else {
        const double d = m_value.toDouble();
        // 2^63 is exactly representable; the range is [-2^63, 2^63).
        if (std::isfinite(d) && std::trunc(d) == d && d >= -9223372036854775808.0 && d < 9223372036854775808.0) {
            return static_cast<qint64>(d);
        }
    }
    m_ctx->fail(QStringLiteral("dataCorrupted: the number %1 at coding path \"%2\" does not fit a 64-bit integer")
                    .arg(QString::number(m_value.toDouble(), 'g', 17), path()));
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

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whether a JSON number's text is exactly -2^63, however it is written: its significant digits
// are those of 2^63 and stand where they do in it.
bool isExactlySmallest(QByteArrayView number) {
    QByteArray digits;
    qsizetype i = 1; // past the minus sign
    qsizetype scale = 0;
    for (; i < number.size() && isDigit(number[i]); ++i) {
        digits += number[i];
    }
    if (i < number.size() && number[i] == '.') {
        for (++i; i < number.size() && isDigit(number[i]); ++i) {
            digits += number[i];
            --scale;
        }
    }
    if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
        bool ok = false;
        const qlonglong exponent = number.sliced(i + 1).toByteArray().toLongLong(&ok);
        if (!ok || exponent > 100 || exponent < -100) {
            return false;
        }
        scale += exponent;
    }
    while (digits.startsWith('0')) {
        digits.remove(0, 1);
    }
    while (digits.endsWith('0')) {
        digits.chop(1);
        ++scale;
    }
    return digits == "9223372036854775808" && scale == 0;
}

// A string's text as JSON reads it, escapes and all.
QString stringAt(const QByteArray& json, qsizetype begin, qsizetype end) {
    return QJsonDocument::fromJson("[" + json.mid(begin, end - begin) + "]").array().at(0).toString();
}

// Whether the text holds anything that looks like a negative number with an exponent or of 19
// digits or more, strings included: the only numbers that can round onto -2^63. Most replies hold
// none, and are not walked at all.
bool mayHoldNumbersNearSmallest(const QByteArray& json) {
    for (qsizetype i = json.indexOf('-'); i >= 0; i = json.indexOf('-', i + 1)) {
        qsizetype j = i + 1;
        while (j < json.size() && isDigit(json[j])) {
            ++j;
        }
        if (j - i - 1 >= 19) {
            return true;
        }
        if (j > i + 1 && j < json.size() && json[j] == '.') {
            for (++j; j < json.size() && isDigit(json[j]); ++j) {
            }
        }
        if (j > i + 1 && j < json.size() && (json[j] == 'e' || json[j] == 'E')) {
            return true;
        }
    }
    return false;
}

} // namespace

QSet<QString> numbersReadAsSmallest(const QByteArray& json) {
    if (!mayHoldNumbersNearSmallest(json)) {
        return {};
    }
    // One pass over the text keeping the path to where it is: for each open object the span of
    // its current key, for each open array its current index. Only a negative number with an
    // exponent or of 19 digits or more can round onto -2^63; only those are read.
    struct Level {
        bool object = false;
        qsizetype keyBegin = 0;
        qsizetype keyEnd = 0;
        qsizetype index = -1;
    };
    QList<Level> levels;
    QSet<QString> found;
    const auto renderPath = [&] {
        QString path;
        for (const Level& level : std::as_const(levels)) {
            if (level.object) {
                const QString key = stringAt(json, level.keyBegin, level.keyEnd);
                path += path.isEmpty() ? key : QLatin1Char('.') + key;
            } else {
                path += QLatin1Char('[') + QString::number(level.index) + QLatin1Char(']');
            }
        }
        return path;
    };
    bool expectKey = false;
    for (qsizetype i = 0; i < json.size();) {
        const char c = json[i];
        if (c == '"') {
            const qsizetype begin = i;
            for (++i; i < json.size() && json[i] != '"'; ++i) {
                if (json[i] == '\\') {
                    ++i;
                }
            }
            ++i;
            if (expectKey && !levels.isEmpty()) {
                levels.last().keyBegin = begin;
                levels.last().keyEnd = i;
                expectKey = false;
            }
        } else if (c == '{' || c == '[') {
            if (!levels.isEmpty() && !levels.last().object) {
                ++levels.last().index;
            }
            levels.append(Level{c == '{', 0, 0, -1});
            expectKey = c == '{';
            ++i;
        } else if (c == '}' || c == ']') {
            if (!levels.isEmpty()) {
                levels.removeLast();
            }
            ++i;
        } else if (c == ',') {
            expectKey = !levels.isEmpty() && levels.last().object;
            ++i;
        } else if (c == '-' || isDigit(c)) {
            const qsizetype begin = i;
            bool exponent = false;
            qsizetype leadingDigits = 0;
            bool inFraction = false;
            for (; i < json.size() && (isDigit(json[i]) || json[i] == '-' || json[i] == '+' || json[i] == '.' ||
                                       json[i] == 'e' || json[i] == 'E');
                 ++i) {
                if (json[i] == 'e' || json[i] == 'E') {
                    exponent = true;
                } else if (json[i] == '.') {
                    inFraction = true;
                } else if (isDigit(json[i]) && !inFraction && !exponent) {
                    ++leadingDigits;
                }
            }
            if (!levels.isEmpty() && !levels.last().object) {
                ++levels.last().index;
            }
            const QByteArrayView number(json.constData() + begin, i - begin);
            if (c == '-' && (exponent || leadingDigits >= 19) &&
                number.toByteArray().toDouble() == -9223372036854775808.0 && !isExactlySmallest(number)) {
                found.insert(renderPath());
            }
        } else {
            if ((c == 't' || c == 'f' || c == 'n') && !levels.isEmpty() && !levels.last().object) {
                ++levels.last().index;
            }
            // A literal's remaining letters, white space and ':' move on one by one.
            ++i;
        }
    }
    return found;
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
