#include "FernholmApp/studio/StudioHost.h"

#include "FernholmApp/studio/DocumentWriter.h"
#include "FernholmApp/studio/StudioBridge.h"
#include "FernholmApp/studio/StudioPage.h"
#include "FernholmApp/studio/StudioScript.h"

#include "FernholmApp/theme/Appearance.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"
#include "FernholmKit/platform/AppDataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QWebChannel>
#include <QWebEngineCookieStore>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>
#include <QtConcurrent/QtConcurrentRun>

#include <QCoroFuture>
#include <QCoroTimer>

#include <algorithm>
#include <chrono>

namespace fernholm {

namespace {

const QString kScriptName = QStringLiteral("studio");

QUrl blankURL() {
    return QUrl(QStringLiteral("about:blank"));
}

QString freshNonce() {
    quint64 words[2];
    QRandomGenerator::system()->fillRange(words);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(words), sizeof words).toHex());
}

// The theme's panel, behind the page, in the application's current scheme; then in every scheme
// it switches to, for as long as the view lives.
void followTheme(QWebEngineView* view, QWebEnginePage* page) {
    const auto apply = [view, page] {
        const QColor panel = Theme::panel.resolve(Appearance::instance().scheme());
        page->setBackgroundColor(panel);
        QPalette palette = view->palette();
        palette.setColor(QPalette::Window, panel);
        palette.setColor(QPalette::Base, panel);
        view->setPalette(palette);
        view->setAutoFillBackground(true);
    };
    apply();
    QObject::connect(&Appearance::instance(), &Appearance::schemeChanged, page, apply);
}

QMap<QString, QString> processEnvironment() {
    QMap<QString, QString> env;
    const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    for (const QString& key : system.keys()) {
        env.insert(key, system.value(key));
    }
    return env;
}

} // namespace

StudioSetup StudioSetup::standard(const QMap<QString, QString>& env) {
    StudioSetup setup;
    setup.storagePath = QDir(appDataFolder(env)).filePath(QStringLiteral("WebEngine"));
    setup.cachePath = QDir(appCacheFolder(env)).filePath(QStringLiteral("WebEngine"));
    return setup;
}

StudioHost::StudioHost(StudioSetup setup, std::unique_ptr<StudioDialogs> dialogs, QObject* parent)
    : QObject(parent), m_setup(std::move(setup)), m_dialogs(std::move(dialogs)) {
    m_retry.setSingleShot(true);
    m_retry.setInterval(m_setup.retryDelay);
    connect(&m_retry, &QTimer::timeout, this, &StudioHost::onRetry);
    m_loadLimit.setSingleShot(true);
    m_loadLimit.setInterval(m_setup.loadLimit);
    connect(&m_loadLimit, &QTimer::timeout, this, &StudioHost::onLoadLimit);
}

StudioHost::~StudioHost() {
    // The page (a child of the view) must be gone before its profile.
    delete m_view.data();
    delete m_profile;
}

StudioHost& StudioHost::shared() {
    static QPointer<StudioHost> instance;
    if (!instance) {
        instance = new StudioHost(StudioSetup::standard(processEnvironment()), std::make_unique<SystemStudioDialogs>());
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp, [] { delete instance.data(); });
    }
    return *instance;
}

void StudioHost::attach(std::unique_ptr<StudioModelLink> link) {
    m_link = std::move(link);
    if (m_wantsSample) {
        openSample();
    }
}

QWebEngineProfile* StudioHost::profile() {
    if (!m_profile && m_webDataRemoved) {
        m_profile = new QWebEngineProfile();
    } else if (!m_profile) {
        m_profile = new QWebEngineProfile(m_setup.profileName);
        m_profile->setPersistentStoragePath(m_setup.storagePath);
        m_profile->setCachePath(m_setup.cachePath);
    }
    return m_profile;
}

QWebEngineView* StudioHost::webView() {
    if (!m_view) {
        makeView();
    }
    return m_view;
}

void StudioHost::makeView() {
    auto* view = new QWebEngineView;
    auto* page = new StudioPage(
        profile(), [this](const QUrl& url) { return allows(url); }, *m_dialogs, [this] { return dialogParent(); },
        view);
    // Blank, loading, or showing a page without a background of its own, the view shows the
    // theme's panel, never the engine's white or black.
    followTheme(view, page);
    if (!m_bridge) {
        m_bridge =
            new StudioBridge([this](const QVariant& nonce, const QVariant& body) { receive(nonce, body); }, this);
    }
    auto* channel = new QWebChannel(page);
    channel->registerObject(QStringLiteral("studio"), m_bridge);
    page->setWebChannel(channel, QWebEngineScript::MainWorld);
    connect(page, &QWebEnginePage::loadingChanged, this, &StudioHost::onLoadingChanged);
    view->setPage(page);
    m_view = view;
    m_page = page;
    // Should anyone delete the view after all, the next call makes a fresh one.
    connect(view, &QObject::destroyed, this, [this] {
        m_shown = false;
        m_busy = false;
        m_loadLimit.stop();
    });

    if (!m_pageURL) {
        m_pageURL = studioURL(false);
    }
    if (m_mayLoad && m_pageURL) {
        m_shown = true;
        loadPage(*m_pageURL);
    }
}

void StudioHost::sync(bool keep, bool mayLoad) {
    m_mayLoad = mayLoad;
    if (!m_view) {
        return;
    }
    if (m_shown) {
        if (!keep) {
            m_shown = false;
            m_busy = false;
            loadBlank();
        } else if (mayLoad && m_loadWhenAllowed && m_pageURL) {
            // The sample or the new language was asked for while the page could not load.
            loadPage(*m_pageURL);
        }
        return;
    }
    if (!mayLoad) {
        return;
    }
    const std::optional<QUrl> target = m_pageURL ? m_pageURL : studioURL(false);
    if (!target) {
        return;
    }
    m_pageURL = target;
    m_shown = true;
    loadPage(*target);
}

void StudioHost::languageChanged() {
    if (m_busy) {
        // A reload now would cut the page's requests short.
        m_reloadWhenIdle = true;
        return;
    }
    m_reloadWhenIdle = false;
    // A sample becomes the plain studio page in the new language.
    m_pageURL = studioURL(false);
    if (m_view && m_shown && m_pageURL) {
        if (m_mayLoad) {
            loadPage(*m_pageURL);
        } else {
            m_loadWhenAllowed = true;
        }
    }
}

void StudioHost::openSample() {
    const std::optional<QUrl> sample = studioURL(true);
    if (!sample) {
        m_wantsSample = true;
        return;
    }
    m_wantsSample = false;
    m_pageURL = sample;
    if (!m_mayLoad) {
        // The next sync that allows loading, or the view when it is made, loads it; a page shown
        // meanwhile is replaced then.
        m_loadWhenAllowed = m_view && m_shown;
        return;
    }
    // The sample is in the current language already.
    m_reloadWhenIdle = false;
    if (!m_view) {
        makeView();
        return;
    }
    m_shown = true;
    loadPage(*sample);
}

QCoro::Task<> StudioHost::removeWebData() {
    // Nothing may load again and write anew what is removed here.
    m_mayLoad = false;
    m_retry.stop();
    m_loadLimit.stop();
    if (m_profile) {
        m_profile->clearHttpCache();
        m_profile->cookieStore()->deleteAllCookies();
    }
    // The engine keeps writing into the profile's folders (cookies, its GPU cache) for as long as
    // the profile lives: the page goes first, then the profile, then the folders. Anything shown
    // after this is off the record.
    delete m_view.data();
    delete m_profile;
    m_profile = nullptr;
    m_webDataRemoved = true;
    const QStringList folders{m_setup.storagePath, m_setup.cachePath};
    const auto removeFolders = [folders] {
        for (const QString& folder : folders) {
            // An empty or relative path would name the current folder.
            if (!folder.isEmpty() && !QDir::isRelativePath(folder)) {
                QDir(folder).removeRecursively();
            }
        }
    };
    const auto anyLeft = [folders] {
        return std::any_of(folders.begin(), folders.end(), [](const QString& folder) {
            return !folder.isEmpty() && !QDir::isRelativePath(folder) && QFileInfo::exists(folder);
        });
    };
    // A deleted profile still writes its preferences file from the engine's own threads a moment
    // later, with no signal when it is done: remove until the folders have stayed gone for a while,
    // within a bound.
    constexpr auto pause = std::chrono::milliseconds(100);
    constexpr int quietRounds = 5;
    constexpr int maxRounds = 40;
    int quiet = 0;
    for (int round = 0; round < maxRounds && quiet < quietRounds; ++round) {
        if (round == 0 || anyLeft()) {
            QFuture<void> removal = QtConcurrent::run(removeFolders);
            // Awaited as a named future: a temporary with a destructor inside a co_await is destroyed twice.
            co_await removal;
            quiet = 0;
        } else {
            ++quiet;
        }
        co_await QCoro::sleepFor(pause);
    }
}

bool StudioHost::isStudio(const QUrl& url, int port) {
    if (url.scheme() != QLatin1String("http") || url.host() != QLatin1String("127.0.0.1") || url.port(80) != port) {
        return false;
    }
    // Compared as sent: an encoded slash is not a path separator to the server.
    const QString path = url.path(QUrl::FullyEncoded);
    return path == QLatin1String("/studio") || path == QLatin1String("/studio/auth");
}

std::optional<QUrl> StudioHost::studioURL(bool sample) const {
    if (!m_link) {
        return std::nullopt;
    }
    return studioAuthURL(m_link->launchToken(), L10n::language(), sample, m_link->port());
}

bool StudioHost::allows(const QUrl& url) const {
    return url == blankURL() || (m_link && isStudio(url, m_link->port()));
}

void StudioHost::armScript() {
    // A fresh nonce for every document this host loads: messages of a document it has left, and
    // of frames that never got the script, carry no nonce that counts.
    m_nonce = freshNonce();
    QWebEngineScriptCollection& scripts = m_page->scripts();
    for (const QWebEngineScript& old : scripts.find(kScriptName)) {
        scripts.remove(old);
    }
    QWebEngineScript script;
    script.setName(kScriptName);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(false);
    script.setSourceCode(studioScriptSource(m_nonce));
    scripts.insert(script);
}

void StudioHost::loadPage(QUrl target) {
    // The new document starts idle: the requests of the one it replaces end with it, and their
    // last counts never reach us under the new nonce.
    const bool wasBusy = std::exchange(m_busy, false);
    // A language change that waited for the old document is done by this load, whether the old
    // document went idle, was replaced or was blanked meanwhile.
    if (m_reloadWhenIdle) {
        m_reloadWhenIdle = false;
        if (const std::optional<QUrl> fresh = studioURL(false)) {
            m_pageURL = fresh;
            target = *fresh;
        }
    }
    m_loadWhenAllowed = false;
    // A retry of an earlier load would land on top of this one.
    m_retry.stop();
    armScript();
    m_page->load(target);
    m_loadLimit.start();
    if (wasBusy && m_link) {
        m_link->syncStudio();
    }
}

void StudioHost::loadBlank() {
    m_loadLimit.stop();
    m_retry.stop();
    m_loadWhenAllowed = false;
    m_page->triggerAction(QWebEnginePage::Stop);
    armScript();
    m_page->load(blankURL());
}

void StudioHost::onLoadingChanged(const QWebEngineLoadingInfo& info) {
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        return;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
    case QWebEngineLoadingInfo::LoadStoppedStatus: // also a navigation the policy refused
        m_loadLimit.stop();
        return;
    case QWebEngineLoadingInfo::LoadFailedStatus:
        m_loadLimit.stop();
        // An error status from the gateway is its answer, shown as it came; only a load that
        // never got an answer is tried again.
        if (info.errorDomain() != QWebEngineLoadingInfo::HttpStatusCodeDomain) {
            m_retry.start();
        }
        return;
    }
}

void StudioHost::onLoadLimit() {
    if (!m_page) {
        return;
    }
    m_page->triggerAction(QWebEnginePage::Stop);
    m_retry.start();
}

void StudioHost::onRetry() {
    if (m_page && m_shown && m_mayLoad && m_pageURL) {
        loadPage(*m_pageURL);
    }
}

void StudioHost::receive(const QVariant& nonce, const QVariant& body) {
    const bool counted = m_page && m_link && nonce.typeId() == QMetaType::QString && nonce.toString() == m_nonce &&
                         isStudio(m_page->url(), m_link->port());
    if (counted) {
        const StudioMessage message = readStudioMessage(body);
        if (message.busy) {
            pageBusy(*message.busy);
        } else if (message.save) {
            askToSave(*message.save);
        }
    }
    Q_EMIT messageArrived(counted);
}

void StudioHost::pageBusy(qint64 inFlight) {
    const bool busy = m_shown && inFlight >= 1;
    if (busy == m_busy) {
        return;
    }
    m_busy = busy;
    if (m_link) {
        m_link->syncStudio();
    }
    if (!m_busy && m_reloadWhenIdle) {
        languageChanged();
    }
}

void StudioHost::askToSave(const SaveRequest& save) {
    const QPointer<StudioHost> self(this);
    m_dialogs->askSavePath(dialogParent(), saveDialogName(save.name),
                           [self, bytes = save.bytes](std::optional<QString> path) {
                               if (self && path) {
                                   self->saveDocument(*path, bytes);
                               }
                           });
}

QCoro::Task<> StudioHost::saveDocument(QString path, QByteArray bytes) {
    const QPointer<StudioHost> self(this);
    QByteArray document = bytes;
    // The gateway stamps the copy; when it cannot, the page's own bytes are saved.
    if (const std::optional<GatewayClient> client = m_link ? m_link->client() : std::nullopt) {
        const Result<QByteArray> stamped = co_await client->stampCopy(bytes);
        if (stamped) {
            document = stamped.value();
        }
    }
    QFuture<std::optional<QString>> writing = writeDocumentInBackground(path, document);
    const std::optional<QString> failure = co_await writing;
    if (!failure || !self) {
        co_return;
    }
    self->m_dialogs->showSaveError(
        self->dialogParent(),
        fernholm::tr("The document could not be saved as “{file}”.", {{"file", QFileInfo(path).fileName()}}), *failure);
}

QWidget* StudioHost::dialogParent() const {
    return m_view && m_view->isVisible() ? m_view->window() : nullptr;
}

} // namespace fernholm
