#pragma once

#include <QString>

namespace fernholm {

// The script put into the studio page's main frame before the page's own scripts run: the web
// channel's client, a fetch wrapper that reports how many POST requests are in flight, and the
// message handler through which the page hands back documents. Every message goes to the
// channel object "studio" together with `nonce`, so the host can tell its own script's messages
// from those of anything else in the page.
QString studioScriptSource(const QString& nonce);

} // namespace fernholm
