#pragma once

#include "FernholmApp/studio/StudioModelLink.h"

#include "FernholmApp/model/StudioSink.h"

#include <QPointer>

namespace fernholm {

class AppModel;
class StudioHost;

// The two halves that join the application model and the studio host. The shell makes the sink
// first, because the model takes its platform whole when it is made, and attaches the link once
// the model exists:
//
//     StudioHostSink studio(StudioHost::shared());      // lives as long as the model
//     Platform platform = Platform::system();
//     platform.studio = &studio;
//     AppModel model(Config{}, std::move(platform));
//     StudioHost::shared().attach(std::make_unique<AppModelStudioLink>(&model));
//
// Each holds the other side weakly: a model that is gone gives the host no token and no client,
// and a host that is gone (it goes when the application is about to quit) hears nothing more.

// What the host asks of the model: the launch token, the control client, the port, and to be told
// again whether to keep its page after its busy flag changed.
class AppModelStudioLink final : public StudioModelLink {
public:
    explicit AppModelStudioLink(AppModel* model);

    std::optional<QString> launchToken() const override;
    std::optional<GatewayClient> client() const override;
    int port() const override { return m_port; }
    void syncStudio() override;

private:
    QPointer<AppModel> m_model;
    int m_port;
};

// What the model tells the host, forwarded while the host exists.
class StudioHostSink final : public StudioSink {
public:
    explicit StudioHostSink(StudioHost& host);

    void sync(bool keep, bool mayLoad) override;
    bool busy() const override;
    QCoro::Task<> removeWebData() override;

private:
    QPointer<StudioHost> m_host;
};

} // namespace fernholm
