#include "FernholmApp/studio/StudioMessage.h"

#include "FernholmKit/control/ScanModels.h"

#include <QVariantMap>

#include <cmath>
#include <limits>

namespace fernholm {

namespace {

// JavaScript numbers reach us as qlonglong when they are whole and small enough, else as double.
std::optional<qint64> integral(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return value.toLongLong();
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong n = value.toULongLong();
        return n > qulonglong(std::numeric_limits<qint64>::max()) ? std::numeric_limits<qint64>::max() : qint64(n);
    }
    case QMetaType::Double: {
        const double n = value.toDouble();
        if (!std::isfinite(n) || std::trunc(n) != n) {
            return std::nullopt;
        }
        // 2^63 itself is out of range: compare against the last double below it.
        constexpr double limit = 9223372036854774784.0;
        if (n >= limit) {
            return std::numeric_limits<qint64>::max();
        }
        if (n <= -limit) {
            return std::numeric_limits<qint64>::min();
        }
        return qint64(n);
    }
    default:
        return std::nullopt;
    }
}

std::optional<SaveRequest> saveRequest(const QVariant& value) {
    if (value.typeId() != QMetaType::QVariantMap) {
        return std::nullopt;
    }
    const QVariantMap save = value.toMap();
    const QVariant name = save.value(QStringLiteral("name"));
    const QVariant b64 = save.value(QStringLiteral("b64"));
    if (name.typeId() != QMetaType::QString || b64.typeId() != QMetaType::QString) {
        return std::nullopt;
    }
    std::optional<QByteArray> bytes = decodeStrictBase64(b64.toString());
    if (!bytes) {
        return std::nullopt;
    }
    return SaveRequest{name.toString(), std::move(*bytes)};
}

} // namespace

StudioMessage readStudioMessage(const QVariant& body) {
    if (body.typeId() != QMetaType::QVariantMap) {
        return {};
    }
    const QVariantMap message = body.toMap();
    if (const auto busy = integral(message.value(QStringLiteral("busy")))) {
        return {busy, std::nullopt};
    }
    return {std::nullopt, saveRequest(message.value(QStringLiteral("save")))};
}

QString saveDialogName(const QString& suggested) {
    const qsizetype cut = std::max(suggested.lastIndexOf(u'/'), suggested.lastIndexOf(u'\\'));
    QString name = suggested.mid(cut + 1);
    name.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    if (name == QLatin1String(".") || name == QLatin1String("..")) {
        return {};
    }
    return name;
}

} // namespace fernholm
