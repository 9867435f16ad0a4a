#pragma once

#include "FernholmApp/model/ActivityFeed.h"

namespace fernholm::test {

// Puts a whole list of events or a whole detail cache into a feed, as the tests of views and of
// the poll loop need; the application itself only appends pages and fetches details.
//
//     ActivityFeedAccess::setRecentEvents(model.activity(), events, 0);
struct ActivityFeedAccess {
    // Drops the details of requests no event of `events` belongs to, as trimming does.
    static void setRecentEvents(ActivityFeed& feed, const QList<Event>& events, qint64 offset) {
        feed.setRecentEvents(events, offset);
    }
    static void setDetailCache(ActivityFeed& feed, const ActivityFeed::DetailCache& cache) {
        feed.setDetailCache(cache);
    }
};

} // namespace fernholm::test
