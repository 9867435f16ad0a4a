#include "FernholmApp/studio/StudioShell.h"

#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/studio/StudioGlue.h"
#include "FernholmApp/studio/StudioHost.h"
#include "FernholmApp/studio/StudioScreen.h"

namespace fernholm {

StudioWiring studioWiring() {
    StudioWiring wiring;
    wiring.prepare = [](Platform& platform, RootViewHooks& hooks) -> std::shared_ptr<void> {
        auto sink = std::make_shared<StudioHostSink>(StudioHost::shared());
        platform.studio = sink.get();
        hooks.studioPage = [] {
            return new StudioScreen(StudioHost::shared());
        };
        hooks.studioLanguageChanged = [] {
            StudioHost::shared().languageChanged();
        };
        hooks.openStudioSample = [] {
            StudioHost::shared().openSample();
        };
        return sink;
    };
    wiring.attach = [](AppModel& model) {
        StudioHost::shared().attach(std::make_unique<AppModelStudioLink>(&model));
    };
    return wiring;
}

} // namespace fernholm
