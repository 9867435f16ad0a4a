#include "FernholmApp/studio/plugin/StudioPlugin.h"

#include "FernholmApp/studio/StudioGlue.h"
#include "FernholmApp/studio/StudioHost.h"
#include "FernholmApp/studio/StudioScreen.h"

namespace fernholm {

StudioPlugin::StudioPlugin() : m_sink(std::make_unique<StudioHostSink>(StudioHost::shared())) {}

StudioPlugin::~StudioPlugin() = default;

StudioSink& StudioPlugin::sink() {
    return *m_sink;
}

void StudioPlugin::attach(AppModel& model) {
    StudioHost::shared().attach(std::make_unique<AppModelStudioLink>(&model));
}

QWidget* StudioPlugin::makePage() {
    return new StudioScreen(StudioHost::shared());
}

void StudioPlugin::languageChanged() {
    StudioHost::shared().languageChanged();
}

void StudioPlugin::openSample() {
    StudioHost::shared().openSample();
}

} // namespace fernholm
