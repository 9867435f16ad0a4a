#include "FernholmApp/studio/StudioGlue.h"

#include "FernholmApp/studio/StudioHost.h"

#include "FernholmApp/model/AppModel.h"

namespace fernholm {

AppModelStudioLink::AppModelStudioLink(AppModel* model) : m_model(model), m_port(model ? model->config().port : 0) {}

std::optional<QString> AppModelStudioLink::launchToken() const {
    return m_model ? m_model->controlToken() : std::nullopt;
}

std::optional<GatewayClient> AppModelStudioLink::client() const {
    return m_model ? std::optional<GatewayClient>(m_model->client()) : std::nullopt;
}

void AppModelStudioLink::syncStudio() {
    if (m_model) {
        m_model->syncStudio();
    }
}

StudioHostSink::StudioHostSink(StudioHost& host) : m_host(&host) {}

void StudioHostSink::sync(bool keep, bool mayLoad) {
    if (m_host) {
        m_host->sync(keep, mayLoad);
    }
}

bool StudioHostSink::busy() const {
    return m_host && m_host->busy();
}

QCoro::Task<> StudioHostSink::removeWebData() {
    if (m_host) {
        co_await m_host->removeWebData();
    }
}

} // namespace fernholm
