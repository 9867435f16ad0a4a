#include "FernholmKit/presentation/DetailFetchState.h"

namespace fernholm {

DetailFetchState DetailFetchState::of(const QHash<QString, std::optional<DetailRecord>>& cache, const QString& reqId) {
    const auto entry = cache.constFind(reqId);
    if (entry == cache.constEnd()) {
        return loading();
    }
    return entry->has_value() ? loaded(**entry) : none();
}

} // namespace fernholm
