#pragma once

namespace fernholm {

// The supervised link to the gateway, as the supervision watch keeps it.
enum class SidecarLink {
    checking,   // not, or not yet, trusted
    trusted,    // proven and answering
    restarting, // an automatic relaunch is under way
    stopped,    // supervision gave up; only the user can start the gateway again
};

} // namespace fernholm
