#pragma once

// Readable QCOMPARE failure messages for the core library's values.

#include "FernholmKit/supervision/DataKey.h"
#include "FernholmKit/control/GatewayError.h"

#include <QTest>

#include <optional>

namespace fernholm {

inline char* toString(const GatewayError& error) {
    return QTest::toString(error.rendered());
}

inline char* toString(const std::optional<GatewayError>& error) {
    return error ? toString(*error) : qstrdup("no error");
}

inline char* toString(const DataKeyRead& read) {
    static const char* const kinds[] = {"key", "replaced", "unavailable"};
    return QTest::toString(QStringLiteral("%1(%2)")
                               .arg(QLatin1String(kinds[static_cast<int>(read.kind)]))
                               .arg(QString::fromLatin1(read.bytes.toHex())));
}

// The rendered error of a failed call, or nothing; safe to pass as a QVERIFY2 message, which is
// evaluated whatever the outcome.
template <typename T> QString failureText(const Result<T>& result) {
    return result ? QString() : result.error().rendered();
}

} // namespace fernholm
