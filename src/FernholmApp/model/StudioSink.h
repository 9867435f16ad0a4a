#pragma once

#include "FernholmKit/supervision/SidecarLink.h"

#include <QCoroTask>

namespace fernholm {

// Where the model tells the studio's web view whether to keep its page and whether it may load
// it. The studio host is the real one.
class StudioSink {
public:
    virtual ~StudioSink() = default;

    virtual void sync(bool keep, bool mayLoad) = 0;
    // The shown page has requests of its own in flight.
    virtual bool busy() const = 0;
    // Removes what the web view keeps on this computer (cache, cookies, storage), for uninstalling.
    virtual QCoro::Task<> removeWebData() = 0;
};

struct StudioSync {
    bool keep = false;
    bool mayLoad = false;
    bool operator==(const StudioSync&) const = default;
};

// The page is kept while the link is trusted, or while a page that is still sending has a
// running gateway to send to; it may load only while the link is trusted and the proof holds.
inline StudioSync studioSync(SidecarLink link, bool proofHolds, bool gatewayRunning, bool studioBusy) {
    const bool trusted = link == SidecarLink::trusted;
    return {trusted || (gatewayRunning && studioBusy), trusted && proofHolds};
}

} // namespace fernholm
