#pragma once

#include "FernholmKit/control/GatewayClient.h"

#include <QString>

#include <optional>

namespace fernholm {

// What the studio host needs of the application model. The host owns its link; a link that
// outlives its model answers no token and no client and ignores syncStudio(), so the host stops
// loading and saves documents unstamped.
class StudioModelLink {
public:
    virtual ~StudioModelLink() = default;

    // The per-launch control token the studio page is entered with.
    virtual std::optional<QString> launchToken() const = 0;
    // The control client that stamps saved documents.
    virtual std::optional<GatewayClient> client() const = 0;
    // The gateway's control port, where its studio page is served.
    virtual int port() const = 0;
    // The studio's busy flag changed: the model tells the host again whether to keep its page.
    virtual void syncStudio() = 0;
};

} // namespace fernholm
