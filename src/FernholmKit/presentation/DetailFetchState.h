#pragma once

#include "FernholmKit/control/EventModels.h"

#include <QHash>
#include <QString>

#include <optional>

namespace fernholm {

// What the model's detail cache holds for one request: nothing yet (loading), an answer without
// a record (none: the gateway keeps no detail for it, or the fetch failed), or the record.
struct DetailFetchState {
    enum class Kind { loading, none, loaded };

    Kind kind = Kind::loading;
    std::optional<DetailRecord> record; // set exactly when loaded

    static DetailFetchState loading() { return {}; }
    static DetailFetchState none() { return {Kind::none, std::nullopt}; }
    static DetailFetchState loaded(const DetailRecord& record) { return {Kind::loaded, record}; }

    // The state of request `reqId` in a cache keyed by request id.
    static DetailFetchState of(const QHash<QString, std::optional<DetailRecord>>& cache, const QString& reqId);

    bool operator==(const DetailFetchState&) const = default;
};

} // namespace fernholm
