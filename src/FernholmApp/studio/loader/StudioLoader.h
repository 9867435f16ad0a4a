#pragma once

#include "FernholmApp/model/StudioSink.h"
#include "FernholmApp/shell/FernholmApplication.h"

#include <QPointer>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace fernholm {

class AppModel;
class StudioModule;

// The studio, loaded when it is first needed: the Documents page shown, or the sample asked for.
// Until then nothing of the web engine is mapped and no OpenGL context exists; the loader stands
// in for the studio's sink, remembering the model's last word, which the module gets when it
// comes. A module that cannot be loaded leaves a page that says so, and the rest of the program
// as it was.
//
// GUI thread only.
class StudioLoader final : public StudioSink {
public:
    // `candidates`: the module files to try, in order.
    explicit StudioLoader(QStringList candidates);

    // Where the program's module is: beside the private libraries of an installed program, then
    // beside the program itself (the build tree).
    static QStringList standardLocations();

    // The module, loaded on the first call; nothing when it could not be.
    StudioModule* module();
    bool isLoaded() const { return m_module != nullptr; }
    // Why the module could not be loaded; empty while nothing failed.
    const QString& failure() const { return m_failure; }

    void attach(AppModel& model);
    // The Documents page: the studio's, or a notice that it could not be loaded.
    QWidget* makePage();
    // Forwarded once the module is there; a module loaded later starts in the current language.
    void languageChanged();
    void openSample();

    void sync(bool keep, bool mayLoad) override;
    bool busy() const override;
    QCoro::Task<> removeWebData() override;

private:
    QStringList m_candidates;
    StudioModule* m_module = nullptr;
    bool m_tried = false;
    QString m_failure;
    QPointer<AppModel> m_model;
    std::optional<StudioSync> m_sync;
};

// The program's studio wiring: a loader over `candidates` (none: the standard locations), made
// into the platform's studio sink and the root view's studio hooks when the shell prepares it.
StudioWiring studioOnDemand(QStringList candidates = {});

} // namespace fernholm
