// The poll loop. Only its handle lives here so far: supervision cancels it and a proven start
// or a successful replace asks for it; the loop itself is still to be written.
#include "AppModel.h"

namespace fernholm {

void AppModel::startPolling() {
    cancelPolling();
    m_pollTask = CancelToken::create();
}

void AppModel::cancelPolling() {
    m_pollTask.cancel();
}

} // namespace fernholm
