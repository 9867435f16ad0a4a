#pragma once

#include "FernholmApp/studio/loader/StudioModule.h"

#include <QObject>

#include <memory>

namespace fernholm {

class StudioHostSink;

// The studio module the program loads: the process-wide studio host behind the module's face.
class StudioPlugin : public QObject, public StudioModule {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FernholmStudioModule_iid)
    Q_INTERFACES(fernholm::StudioModule)
public:
    StudioPlugin();
    ~StudioPlugin() override;

    StudioSink& sink() override;
    void attach(AppModel& model) override;
    QWidget* makePage() override;
    void languageChanged() override;
    void openSample() override;

private:
    std::unique_ptr<StudioHostSink> m_sink;
};

} // namespace fernholm
