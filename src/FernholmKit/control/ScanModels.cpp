#include "FernholmKit/control/ScanModels.h"

namespace fernholm {

ScanResult ScanResult::fromJson(json::Object& o) {
    ScanResult r;
    r.beforeText = o.get<QString>("before_text");
    r.afterText = o.get<QString>("after_text");
    r.details = o.getList<DetectionDetail>("details");
    r.typeNames = o.getOptionalMap<QString>("type_names");
    r.latencyMs = o.getOptional<double>("latency_ms");
    return r;
}

RestoredSpan RestoredSpan::fromJson(json::Object& o) {
    RestoredSpan s;
    s.start = o.get<qint64>("start");
    s.end = o.get<qint64>("end");
    s.token = o.get<QString>("token");
    return s;
}

RestoreResult RestoreResult::fromJson(json::Object& o) {
    RestoreResult r;
    r.text = o.get<QString>("text");
    r.unrestored = o.get<QStringList>("unrestored");
    r.restored = o.getList<RestoredSpan>("restored");
    return r;
}

StampCopyResult StampCopyResult::fromJson(json::Object& o) {
    StampCopyResult r;
    r.dataB64 = o.get<QString>("data_b64");
    return r;
}

namespace {

bool isBase64Letter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'+' || c == u'/';
}

} // namespace

std::optional<QByteArray> decodeStrictBase64(const QString& text) {
    // Qt's own decoder, even with its abort flag, takes unpadded groups; check the shape first.
    const qsizetype size = text.size();
    if (size % 4 != 0) {
        return std::nullopt;
    }
    qsizetype padding = 0;
    if (size > 0 && text.at(size - 1) == u'=') {
        padding = text.at(size - 2) == u'=' ? 2 : 1;
    }
    for (qsizetype i = 0; i < size - padding; ++i) {
        if (!isBase64Letter(text.at(i).unicode())) {
            return std::nullopt;
        }
    }
    auto decoded = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (decoded.decodingStatus != QByteArray::Base64DecodingStatus::Ok) {
        return std::nullopt;
    }
    return std::move(decoded.decoded);
}

} // namespace fernholm
