#include "FernholmApp/studio/loader/StudioLoader.h"

#include "FernholmApp/studio/loader/GlobalShareContext.h"
#include "FernholmApp/studio/loader/StudioModule.h"
#include "FernholmApp/studio/loader/StudioUnavailable.h"

#include "FernholmApp/model/AppModel.h"
#include "FernholmKit/text/L10n.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

namespace fernholm {

namespace {

const QString moduleFile = QStringLiteral("tarvine_studio.so");

} // namespace

StudioLoader::StudioLoader(QStringList candidates) : m_candidates(std::move(candidates)) {}

QStringList StudioLoader::standardLocations() {
    const QDir program(QCoreApplication::applicationDirPath());
    return {
        QDir::cleanPath(program.filePath(QStringLiteral(FERNHOLM_STUDIO_FROM_PROGRAM "/") + moduleFile)),
        program.filePath(moduleFile),
    };
}

StudioModule* StudioLoader::module() {
    if (m_tried) {
        return m_module;
    }
    m_tried = true;
    QStringList failures;
    for (const QString& candidate : std::as_const(m_candidates)) {
        if (!QFileInfo(candidate).isFile()) {
            failures << fernholm::tr("{file}: not found", {{"file", candidate}});
            continue;
        }
        // Before anything of the web engine is loaded: it looks for the context as it starts.
        provideGlobalShareContext();
        // The loader object may go: the library stays loaded, and its instance with it.
        QPluginLoader loader(candidate);
        QObject* instance = loader.instance();
        m_module = qobject_cast<StudioModule*>(instance);
        if (m_module) {
            break;
        }
        failures << (instance ? fernholm::tr("{file}: not a studio module", {{"file", candidate}})
                              : QStringLiteral("%1: %2").arg(candidate, loader.errorString()));
    }
    if (!m_module) {
        m_failure = failures.join(u'\n');
        qWarning("studio: the studio module could not be loaded:\n%s", qPrintable(m_failure));
        return nullptr;
    }
    if (m_model) {
        m_module->attach(*m_model);
    }
    if (m_sync) {
        m_module->sink().sync(m_sync->keep, m_sync->mayLoad);
    }
    return m_module;
}

void StudioLoader::attach(AppModel& model) {
    m_model = &model;
    if (m_module) {
        m_module->attach(model);
    }
}

QWidget* StudioLoader::makePage() {
    if (StudioModule* studio = module()) {
        return studio->makePage();
    }
    return new StudioUnavailable(m_failure);
}

void StudioLoader::languageChanged() {
    if (m_module) {
        m_module->languageChanged();
    }
}

void StudioLoader::openSample() {
    if (StudioModule* studio = module()) {
        studio->openSample();
    }
}

void StudioLoader::sync(bool keep, bool mayLoad) {
    m_sync = StudioSync{keep, mayLoad};
    if (m_module) {
        m_module->sink().sync(keep, mayLoad);
    }
}

bool StudioLoader::busy() const {
    return m_module && m_module->sink().busy();
}

QCoro::Task<> StudioLoader::removeWebData() {
    // Web data of earlier runs is on disk whether or not this run showed the studio.
    if (StudioModule* studio = module()) {
        co_await studio->sink().removeWebData();
    }
}

StudioWiring studioOnDemand(QStringList candidates) {
    // Made by prepare(), attached by attach(): the same loader, shared with the hooks, which live
    // as long as the root view.
    auto made = std::make_shared<std::shared_ptr<StudioLoader>>();
    StudioWiring wiring;
    wiring.prepare = [candidates, made](Platform& platform, RootViewHooks& hooks) -> std::shared_ptr<void> {
        // The standard locations are known only once the application object exists.
        auto loader = std::make_shared<StudioLoader>(candidates.isEmpty() ? StudioLoader::standardLocations()
                                                                          : candidates);
        *made = loader;
        platform.studio = loader.get();
        hooks.studioPage = [loader] { return loader->makePage(); };
        hooks.studioLanguageChanged = [loader] { loader->languageChanged(); };
        hooks.openStudioSample = [loader] { loader->openSample(); };
        return loader;
    };
    wiring.attach = [made](AppModel& model) {
        if (*made) {
            (*made)->attach(model);
        }
    };
    return wiring;
}

} // namespace fernholm
