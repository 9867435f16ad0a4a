#pragma once

#include <QtPlugin>

class QWidget;

namespace fernholm {

class AppModel;
class StudioSink;

// What the studio module (the web view and the web engine behind it) offers the application. The
// program does not link it: StudioLoader loads it when the Documents page is first shown or the
// tour first asks for the sample.
class StudioModule {
public:
    virtual ~StudioModule() = default;

    // Where the model tells the studio whether to keep and whether to load its page.
    virtual StudioSink& sink() = 0;
    // Gives the studio the model's launch token, client and port; the model outlives the module's
    // use of it or is dropped when it goes.
    virtual void attach(AppModel& model) = 0;
    // A new Documents page showing the studio's one web view.
    virtual QWidget* makePage() = 0;
    // The user switched the language.
    virtual void languageChanged() = 0;
    // The guided tour's made-up sample document.
    virtual void openSample() = 0;
};

} // namespace fernholm

#define FernholmStudioModule_iid "com.orvendale.tarvine.StudioModule/1"
Q_DECLARE_INTERFACE(fernholm::StudioModule, FernholmStudioModule_iid)
