#pragma once

#include "FernholmApp/studio/StudioDialogs.h"
#include "FernholmApp/studio/StudioMessage.h"
#include "FernholmApp/studio/StudioModelLink.h"

#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <QCoroTask>

#include <chrono>
#include <memory>
#include <optional>

class QWebEngineLoadingInfo;
class QWebEngineProfile;
class QWebEngineView;
class QWidget;

namespace fernholm {

class StudioBridge;
class StudioPage;

// Where the studio keeps its web data and how patiently it loads.
struct StudioSetup {
    QString profileName = QStringLiteral("studio");
    QString storagePath;                         // the profile's persistent data: cookies, local storage
    QString cachePath;                           // its HTTP cache
    std::chrono::milliseconds retryDelay{1000};  // after a load that failed
    std::chrono::milliseconds loadLimit{60'000}; // a load still unfinished by then is stopped and retried

    // The profile "studio", its data in "<data folder>/WebEngine", its cache in
    // "<cache folder>/WebEngine", for the given environment.
    static StudioSetup standard(const QMap<QString, QString>& env);
};

// The one web view that shows the gateway's studio page, for the life of the process, and the
// page's two requests: that it is busy, and that a document is to be saved.
//
// The view is made when it is first asked for and then kept, whoever shows it. The page is loaded
// only while the model says it may be; it is blanked when the model no longer keeps it, reloaded
// in the new language when the language changes (once the page is idle), and loaded again after
// a failed or overlong load while it may be shown. Navigation never leaves the studio's two
// addresses on the gateway's port. Only messages of the script this host puts into the page's
// main frame count, and only while that frame shows the studio.
//
// GUI thread only.
class StudioHost : public QObject {
    Q_OBJECT
public:
    StudioHost(StudioSetup setup, std::unique_ptr<StudioDialogs> dialogs, QObject* parent = nullptr);
    ~StudioHost() override;
    StudioHost(const StudioHost&) = delete;
    StudioHost& operator=(const StudioHost&) = delete;

    // The process-wide host: the standard setup and the desktop's dialogs, made on first use and
    // deleted when the application is about to quit (the web engine must see its pages go first).
    static StudioHost& shared();

    // Connects the host to the application model and replays a sample that was asked for before
    // a studio address could be made.
    void attach(std::unique_ptr<StudioModelLink> link);

    // The web view, made (and loaded, when the model allows) on the first call.
    QWebEngineView* webView();
    bool hasWebView() const { return !m_view.isNull(); }
    // The profile holding the studio's cookies, storage and cache; made on the first call.
    QWebEngineProfile* profile();
    const StudioSetup& setup() const { return m_setup; }

    // The model's word: keep the page while it shows (the link is trusted, or the gateway runs and
    // the page is busy); may load it (the link is trusted and the proof holds).
    void sync(bool keep, bool mayLoad);
    // The shown page has POST requests in flight.
    bool busy() const { return m_busy; }
    // The user switched the language: reload now, or once the page is no longer busy.
    void languageChanged();
    // The guided tour's made-up sample document.
    void openSample();
    // Removes what the studio keeps on this computer, for uninstalling: the profile's HTTP cache
    // and cookies are cleared, the web view and the profile are deleted, then the profile's
    // storage and cache folders. A view asked for afterwards is a new one, off the record.
    QCoro::Task<> removeWebData();

    // The studio's own addresses: http on 127.0.0.1 at the given port, path "/studio" or
    // "/studio/auth" exactly, any query.
    static bool isStudio(const QUrl& url, int port);

Q_SIGNALS:
    // A message from the page was dealt with; `counted` is false when it did not come from the
    // host's script in the main frame while that frame showed the studio, and was ignored.
    void messageArrived(bool counted);

private:
    std::optional<QUrl> studioURL(bool sample) const;
    bool allows(const QUrl& url) const;
    void makeView();
    void loadPage(QUrl target);
    void loadBlank();
    void armScript();
    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    void onLoadLimit();
    void onRetry();
    void receive(const QVariant& nonce, const QVariant& body);
    void pageBusy(qint64 inFlight);
    void askToSave(const SaveRequest& save);
    QCoro::Task<> saveDocument(QString path, QByteArray bytes);
    QWidget* dialogParent() const;

    StudioSetup m_setup;
    std::unique_ptr<StudioDialogs> m_dialogs;
    std::unique_ptr<StudioModelLink> m_link;
    QWebEngineProfile* m_profile = nullptr;
    QPointer<QWebEngineView> m_view;
    QPointer<StudioPage> m_page;
    StudioBridge* m_bridge = nullptr;
    QTimer m_retry;
    QTimer m_loadLimit;
    QString m_nonce;

    bool m_wantsSample = false;
    bool m_mayLoad = false;
    bool m_shown = false;
    bool m_busy = false;
    std::optional<QUrl> m_pageURL; // survives blanking, so the page comes back where it was
    bool m_reloadWhenIdle = false;
    // The shown page is not the one asked for (the sample, or the page in a new language, came
    // while loading was not allowed): the next sync that allows loading loads m_pageURL.
    bool m_loadWhenAllowed = false;
    bool m_webDataRemoved = false; // nothing is kept on disk any more
};

} // namespace fernholm
