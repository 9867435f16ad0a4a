#include "FernholmApp/studio/StudioHost.h"
#include "FernholmApp/studio/StudioPage.h"
#include "FernholmApp/studio/StudioScreen.h"
#include "FernholmApp/theme/Appearance.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"
#include "support/ClientFixtures.h"
#include "support/FileSizeLimit.h"
#include "support/LoopbackPort.h"
#include "support/StandInGateway.h"
#include "support/TestHttpServer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QScopeGuard>
#include <QUrlQuery>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <memory>

using namespace fernholm;
using fernholm::test::FileSizeLimit;
using fernholm::test::freeLoopbackPort;
using fernholm::test::RecordedRequest;
using fernholm::test::ScriptedReply;
using fernholm::test::StandInGateway;
using fernholm::test::TestHttpServer;
using fernholm::test::testToken;

namespace {

// What the model side of a test says, and what the host told it.
struct ModelState {
    std::optional<QString> token = testToken;
    std::optional<GatewayClient> client;
    int port = 0;
    int syncs = 0;
};

class TestLink : public StudioModelLink {
public:
    explicit TestLink(std::shared_ptr<ModelState> state) : m_state(std::move(state)) {}
    std::optional<QString> launchToken() const override { return m_state->token; }
    std::optional<GatewayClient> client() const override { return m_state->client; }
    int port() const override { return m_state->port; }
    void syncStudio() override { ++m_state->syncs; }

private:
    std::shared_ptr<ModelState> m_state;
};

// The user's side of the dialogs: the answers they give and what they were shown.
struct DialogState {
    QStringList askedNames;
    std::optional<QString> savePath; // nothing: the user cancels
    std::function<void()> onAnswer;  // runs just before the answer goes back
    QList<QPair<QString, QString>> errors;
    std::optional<QString> chosenFile;
};

class TestDialogs : public StudioDialogs {
public:
    explicit TestDialogs(std::shared_ptr<DialogState> state) : m_state(std::move(state)) {}
    void askSavePath(QWidget*, const QString& fileName, SavePathAnswer answer) override {
        m_state->askedNames << fileName;
        if (m_state->onAnswer) {
            m_state->onAnswer();
        }
        answer(m_state->savePath);
    }
    void showSaveError(QWidget*, const QString& message, const QString& detail) override {
        m_state->errors << qMakePair(message, detail);
    }
    std::optional<QString> chooseFile(QWidget*) override { return m_state->chosenFile; }

private:
    std::shared_ptr<DialogState> m_state;
};

QByteArray fixture(const QString& name) {
    QFile file(QStringLiteral(FERNHOLM_TEST_DATA "/studio/") + name);
    if (!file.open(QIODevice::ReadOnly)) {
        qFatal("missing fixture %s", qPrintable(name));
    }
    return file.readAll();
}

ScriptedReply html(const QByteArray& body, int status = 200) {
    ScriptedReply reply;
    reply.status = status;
    reply.body = body;
    reply.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("text/html; charset=utf-8")));
    return reply;
}

ScriptedReply script(const QByteArray& body) {
    ScriptedReply reply;
    reply.body = body;
    reply.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/javascript")));
    return reply;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString queryValue(const QUrl& url, const QString& key) {
    return QUrlQuery(url).queryItemValue(key);
}

QString queryValue(const RecordedRequest& request, const QString& key) {
    return QUrlQuery(QString::fromLatin1(request.query)).queryItemValue(key);
}

constexpr auto kLoadWait = 15'000; // ms; a web page on a loaded two-core machine

} // namespace

class StudioHostTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<TestHttpServer> m_server;
    std::shared_ptr<ModelState> m_model;
    std::shared_ptr<DialogState> m_dialogs;
    StudioHost* m_host = nullptr;

    StudioSetup setup(std::chrono::milliseconds retryDelay = std::chrono::milliseconds(1000),
                      std::chrono::milliseconds loadLimit = std::chrono::milliseconds(60'000)) const {
        StudioSetup setup;
        setup.profileName.clear(); // off the record: nothing on disk, nothing shared between tests
        setup.storagePath = m_folder->filePath(QStringLiteral("storage"));
        setup.cachePath = m_folder->filePath(QStringLiteral("cache"));
        setup.retryDelay = retryDelay;
        setup.loadLimit = loadLimit;
        return setup;
    }

    void makeHost(StudioSetup hostSetup) {
        delete m_host;
        m_host = new StudioHost(std::move(hostSetup), std::make_unique<TestDialogs>(m_dialogs));
    }

    void attach() { m_host->attach(std::make_unique<TestLink>(m_model)); }

    QWebEnginePage* page() { return m_host->webView()->page(); }

    QList<RecordedRequest> signIns() const { return m_server->requests("/studio/auth"); }

    // The studio page as the gateway serves it, once loaded and idle.
    bool showStudio() {
        QSignalSpy loaded(page(), &QWebEnginePage::loadFinished);
        m_host->sync(true, true);
        return loaded.wait(kLoadWait) && loaded.first().first().toBool() && isStudioShown();
    }

    bool isStudioShown() { return StudioHost::isStudio(page()->url(), m_model->port); }

    void run(const QString& js) { page()->runJavaScript(js); }

    bool makeBusy() {
        run(QStringLiteral("work('/api/hold')"));
        return QTest::qWaitFor([this] { return m_host->busy(); }, kLoadWait);
    }

    // The statuses the page's loads go through, from now on.
    std::shared_ptr<QList<QWebEngineLoadingInfo::LoadStatus>> recordLoads() {
        auto statuses = std::make_shared<QList<QWebEngineLoadingInfo::LoadStatus>>();
        connect(page(), &QWebEnginePage::loadingChanged, page(),
                [statuses](const QWebEngineLoadingInfo& info) { statuses->append(info.status()); });
        return statuses;
    }

    static bool waitLoaded(QSignalSpy& loaded) { return !loaded.isEmpty() || loaded.wait(kLoadWait); }

private Q_SLOTS:
    void init() {
        L10n::setLanguage(QStringLiteral("en"));
        m_folder = std::make_unique<QTemporaryDir>();
        m_server = std::make_unique<TestHttpServer>();
        QVERIFY(m_server->listen());
        m_server->setReply("/studio/auth", html(fixture(QStringLiteral("auth.html"))));
        m_server->setReply("/studio", html(fixture(QStringLiteral("frame.html"))));
        QFile channel(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
        QVERIFY(channel.open(QIODevice::ReadOnly));
        m_server->setReply("/qwebchannel.js", script(channel.readAll()));
        m_server->setReply("/api/hold", ScriptedReply::never());
        m_server->setReply("/api/quick", ScriptedReply::json("{}"));
        m_server->setReply("/log", ScriptedReply::json("{}"));
        m_server->setHandler("/api/stamp_copy", [](const RecordedRequest& request) {
            const QJsonObject body = QJsonDocument::fromJson(request.body).object();
            const QByteArray bytes = QByteArray::fromBase64(body.value("data_b64").toString().toLatin1());
            const QByteArray stamped = "stamped:" + bytes;
            return ScriptedReply::json(QJsonDocument(QJsonObject{{"data_b64", QString::fromLatin1(stamped.toBase64())}})
                                           .toJson(QJsonDocument::Compact));
        });
        m_model = std::make_shared<ModelState>();
        m_model->port = m_server->port();
        m_model->client = GatewayClient(m_server->port(), testToken, test::provenGate());
        m_dialogs = std::make_shared<DialogState>();
        makeHost(setup());
        attach();
    }

    void cleanup() {
        delete m_host;
        m_host = nullptr;
        m_server.reset();
        m_folder.reset();
        L10n::setLanguage(QStringLiteral("en"));
    }

    void theStandardSetupKeepsItsDataInTheApplicationsFolders() {
        const StudioSetup standard = StudioSetup::standard({{"HOME", "/h"}, {"XDG_CACHE_HOME", "/c"}});
        QCOMPARE(standard.profileName, QStringLiteral("studio"));
        QCOMPARE(standard.storagePath, QStringLiteral("/h/.local/share/Tarvine/WebEngine"));
        QCOMPARE(standard.cachePath, QStringLiteral("/c/Tarvine/WebEngine"));
        QCOMPARE(standard.retryDelay, std::chrono::milliseconds(1000));
        QCOMPARE(standard.loadLimit, std::chrono::milliseconds(60'000));

        StudioSetup named = setup();
        named.profileName = QStringLiteral("studio");
        makeHost(named);
        QWebEngineProfile* profile = m_host->profile();
        QVERIFY(!profile->isOffTheRecord());
        QCOMPARE(profile->storageName(), QStringLiteral("studio"));
        QCOMPARE(profile->persistentStoragePath(), named.storagePath);
        QCOMPARE(profile->cachePath(), named.cachePath);
        QCOMPARE(m_host->webView()->page()->profile(), profile);
    }

    // What the model's word does to a blank or a shown page, busy or not.
    void syncKeepsLoadsOrBlanks_data() {
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<bool>("keep");
        QTest::addColumn<bool>("mayLoad");
        QTest::addColumn<QString>("then"); // "studio" loaded, "blank" loaded, or "unchanged"
        QTest::addColumn<bool>("busyAfter");
        QTest::newRow("blank, not allowed") << false << false << false << false << "unchanged" << false;
        QTest::newRow("blank, kept but not allowed") << false << false << true << false << "unchanged" << false;
        QTest::newRow("blank, allowed") << false << false << true << true << "studio" << false;
        QTest::newRow("blank, allowed, keep does not matter") << false << false << false << true << "studio" << false;
        QTest::newRow("shown, kept") << true << false << true << true << "unchanged" << false;
        QTest::newRow("shown, dropped") << true << false << false << false << "blank" << false;
        QTest::newRow("shown and busy, kept while the link wavers")
            << true << true << true << false << "unchanged" << true;
        QTest::newRow("shown and busy, dropped") << true << true << false << false << "blank" << false;
    }
    void syncKeepsLoadsOrBlanks() {
        QFETCH(bool, shown);
        QFETCH(bool, busy);
        QFETCH(bool, keep);
        QFETCH(bool, mayLoad);
        QFETCH(QString, then);
        QFETCH(bool, busyAfter);

        m_host->webView();
        QCOMPARE(page()->requestedUrl(), QUrl()); // nothing loads before the model allows it
        if (shown) {
            QVERIFY(showStudio());
        }
        if (busy) {
            QVERIFY(makeBusy());
        }
        const QUrl before = page()->requestedUrl();
        const qsizetype signInsBefore = signIns().size();

        m_host->sync(keep, mayLoad);

        if (then == QLatin1String("studio")) {
            QVERIFY(StudioHost::isStudio(page()->requestedUrl(), m_model->port));
            QCOMPARE(queryValue(page()->requestedUrl(), "t"), testToken);
            QCOMPARE(queryValue(page()->requestedUrl(), "lang"), QStringLiteral("en"));
            QTRY_COMPARE_WITH_TIMEOUT(signIns().size(), signInsBefore + 1, kLoadWait);
        } else if (then == QLatin1String("blank")) {
            QCOMPARE(page()->requestedUrl(), QUrl(QStringLiteral("about:blank")));
            QTRY_COMPARE_WITH_TIMEOUT(page()->url(), QUrl(QStringLiteral("about:blank")), kLoadWait);
        } else {
            QCOMPARE(page()->requestedUrl(), before);
        }
        QCOMPARE(m_host->busy(), busyAfter);
    }

    void nothingLoadsWithoutAToken() {
        m_model->token.reset();
        m_host->webView();
        m_host->sync(true, true);
        m_host->openSample();
        QCOMPARE(page()->requestedUrl(), QUrl());
        QVERIFY(m_server->requests().isEmpty());
    }

    void busyFollowsThePagesPostRequests() {
        QVERIFY(showStudio());
        QSignalSpy messages(m_host, &StudioHost::messageArrived);
        m_server->setReply("/api/slow", [] {
            ScriptedReply reply = ScriptedReply::json("{}");
            reply.delay = std::chrono::milliseconds(300);
            return reply;
        }());

        // A GET is no work of the page's to wait for; the POST after it is.
        run(QStringLiteral("fetch('/api/quick'); work('/api/slow')"));
        QTRY_VERIFY_WITH_TIMEOUT(m_host->busy(), kLoadWait);
        QCOMPARE(m_model->syncs, 1);
        QCOMPARE(messages.size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!m_host->busy(), kLoadWait);
        QCOMPARE(m_model->syncs, 2);
        QCOMPARE(messages.size(), 2);
        QCOMPARE(m_server->requests("/api/quick").size(), 1);
    }

    void busyMessagesWhileBlankAreIgnored() {
        QVERIFY(showStudio());
        QSignalSpy blanked(page(), &QWebEnginePage::loadFinished);
        m_host->sync(false, false);
        QVERIFY(waitLoaded(blanked));
        QCOMPARE(page()->url(), QUrl(QStringLiteral("about:blank")));
        const int syncs = m_model->syncs;

        // The blank page carries the host's script too; its POST reports in vain.
        QSignalSpy messages(m_host, &StudioHost::messageArrived);
        run(QStringLiteral("fetch('%1/api/hold', {method: 'POST', body: 'x'})")
                .arg(QStringLiteral("http://127.0.0.1:%1").arg(m_server->port())));
        QVERIFY(messages.wait(kLoadWait));
        QCOMPARE(messages.first().first().toBool(), false);
        QVERIFY(!m_host->busy());
        QCOMPARE(m_model->syncs, syncs);
    }

    void aLanguageChangeWhileBusyReloadsOnceWhenIdle() {
        QVERIFY(showStudio());
        QVERIFY(makeBusy());
        const QUrl shownURL = page()->requestedUrl();

        L10n::setLanguage(QStringLiteral("pl"));
        m_host->languageChanged();
        QCOMPARE(page()->requestedUrl(), shownURL); // the page's work is not cut short
        QCOMPARE(signIns().size(), 1);

        QSignalSpy reloaded(page(), &QWebEnginePage::loadFinished);
        run(QStringLiteral("finishWork()"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_host->busy(), kLoadWait);
        QCOMPARE(queryValue(page()->requestedUrl(), "lang"), QStringLiteral("pl"));
        QVERIFY(waitLoaded(reloaded));
        QCOMPARE(signIns().size(), 2);
        QCOMPARE(queryValue(signIns().last(), "lang"), QStringLiteral("pl"));

        // The reloaded page going busy and idle again brings no second reload.
        QVERIFY(makeBusy());
        run(QStringLiteral("finishWork()"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_host->busy(), kLoadWait);
        QCOMPARE(signIns().size(), 2);
        QCOMPARE(queryValue(page()->requestedUrl(), "lang"), QStringLiteral("pl"));
    }

    void aLanguageChangeWhileIdleReloadsAtOnce() {
        QVERIFY(showStudio());
        L10n::setLanguage(QStringLiteral("pl"));
        m_host->languageChanged();
        QCOMPARE(queryValue(page()->requestedUrl(), "lang"), QStringLiteral("pl"));
        QTRY_COMPARE_WITH_TIMEOUT(signIns().size(), 2, kLoadWait);
    }

    void aLanguageChangeWhileBusyThenBlankedComesBackInTheNewLanguage() {
        QVERIFY(showStudio());
        QVERIFY(makeBusy());
        L10n::setLanguage(QStringLiteral("pl"));
        m_host->languageChanged();
        QSignalSpy blanked(page(), &QWebEnginePage::loadFinished);
        m_host->sync(false, false);
        QVERIFY(waitLoaded(blanked));
        QCOMPARE(page()->url(), QUrl(QStringLiteral("about:blank")));

        QVERIFY(showStudio());
        QCOMPARE(signIns().size(), 2);
        QCOMPARE(queryValue(signIns().last(), "lang"), QStringLiteral("pl"));

        // A save finishing later (the page busy, then idle) reloads nothing.
        QVERIFY(makeBusy());
        run(QStringLiteral("finishWork()"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_host->busy(), kLoadWait);
        run(QStringLiteral("fetch('/api/quick')"));
        QTRY_VERIFY_WITH_TIMEOUT(m_server->requests("/api/quick").size() == 1 || signIns().size() > 2, kLoadWait);
        QCOMPARE(signIns().size(), 2);
    }

    void aNewerLoadStopsAPendingRetry() {
        // The first sign-in finds no answer; the sample, asked for before the retry is due, is the
        // one load after it.
        const QByteArray studio = fixture(QStringLiteral("auth.html"));
        m_server->setHandler("/studio/auth", [studio](const RecordedRequest& request) {
            return queryValue(request, "sample") == QLatin1String("1") ? html(studio) : ScriptedReply::closed();
        });
        makeHost(setup(std::chrono::milliseconds(0)));
        attach();
        bool failed = false;
        connect(page(), &QWebEnginePage::loadingChanged, m_host, [this, &failed](const QWebEngineLoadingInfo& info) {
            if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus && !failed) {
                failed = true;
                m_host->openSample();
            }
        });
        m_host->sync(true, true);
        QTRY_VERIFY_WITH_TIMEOUT(failed, kLoadWait);
        QTRY_VERIFY_WITH_TIMEOUT(isStudioShown() && queryValue(page()->url(), "sample") == QLatin1String("1"),
                                 kLoadWait);
        run(QStringLiteral("fetch('/api/quick')"));
        QTRY_COMPARE_WITH_TIMEOUT(m_server->requests("/api/quick").size(), 1, kLoadWait);
        QCOMPARE(signIns().size(), 2);
        QCOMPARE(queryValue(signIns().last(), "sample"), QStringLiteral("1"));
    }

    void whatIsAskedForWhileLoadingIsNotAllowedShowsOnceItIs_data() {
        QTest::addColumn<bool>("sample"); // else a new language
        QTest::newRow("the sample") << true;
        QTest::newRow("a new language") << false;
    }
    void whatIsAskedForWhileLoadingIsNotAllowedShowsOnceItIs() {
        QFETCH(bool, sample);
        QVERIFY(showStudio());
        const QUrl shownURL = page()->requestedUrl();
        // Kept, but not allowed to load (the proof is being renewed).
        m_host->sync(true, false);
        if (sample) {
            m_host->openSample();
        } else {
            L10n::setLanguage(QStringLiteral("pl"));
            m_host->languageChanged();
        }
        QCOMPARE(page()->requestedUrl(), shownURL);

        QSignalSpy loaded(page(), &QWebEnginePage::loadFinished);
        m_host->sync(true, true);
        QVERIFY(loaded.wait(kLoadWait));
        QCOMPARE(signIns().size(), 2);
        if (sample) {
            QCOMPARE(queryValue(signIns().last(), "sample"), QStringLiteral("1"));
        } else {
            QCOMPARE(queryValue(signIns().last(), "lang"), QStringLiteral("pl"));
        }
        // Once shown, a further sync reloads nothing.
        m_host->sync(true, true);
        run(QStringLiteral("fetch('/api/quick')"));
        QTRY_VERIFY_WITH_TIMEOUT(m_server->requests("/api/quick").size() == 1 || signIns().size() > 2, kLoadWait);
        QCOMPARE(signIns().size(), 2);
    }

    void theViewShowsTheThemesPanelWhileBlankOrLoading_data() {
        QTest::addColumn<QString>("appearance");
        QTest::addColumn<QString>("switchedTo");
        QTest::newRow("light, then dark") << "light" << "dark";
        QTest::newRow("dark, then light") << "dark" << "light";
    }
    void theViewShowsTheThemesPanelWhileBlankOrLoading() {
        QFETCH(QString, appearance);
        QFETCH(QString, switchedTo);
        const QString before = Appearance::instance().appAppearance();
        const auto restore = qScopeGuard([before] { Appearance::instance().setAppAppearance(before); });
        Appearance::instance().setAppAppearance(appearance);
        // A load that never finishes: the view stays on its own background.
        m_server->setReply("/studio/auth", ScriptedReply::never());
        m_host->sync(true, true);
        QWebEngineView* view = m_host->webView();
        const QColor panel = Theme::panel.resolve(Appearance::instance().scheme());
        QCOMPARE(page()->backgroundColor(), panel);
        QCOMPARE(view->palette().color(QPalette::Window), panel);
        QVERIFY(view->autoFillBackground());

        Appearance::instance().setAppAppearance(switchedTo);
        const QColor switched = Theme::panel.resolve(Appearance::instance().scheme());
        QVERIFY(switched != panel);
        QCOMPARE(page()->backgroundColor(), switched);
        QCOMPARE(view->palette().color(QPalette::Window), switched);
    }

    void messagesFromAFrameOfThePageAreIgnored() {
        QVERIFY(showStudio());
        // One round trip first, so the page's own channel is up before the frame takes its transport.
        run(QStringLiteral("work('/api/quick')"));
        QSignalSpy messages(m_host, &StudioHost::messageArrived);
        QTRY_COMPARE_WITH_TIMEOUT(messages.size(), 2, kLoadWait);
        messages.clear();

        run(QStringLiteral("addFrame('/studio?frame=1')"));
        QTRY_COMPARE_WITH_TIMEOUT(m_dialogs->askedNames, QStringList{"after-frame.txt"}, kLoadWait);

        // The frame had no script of ours, reached its parent's channel, and posted twice in vain.
        const QList<RecordedRequest> logs = m_server->requests("/log");
        QCOMPARE(logs.size(), 1);
        QCOMPARE(queryValue(logs.first(), "own"), QStringLiteral("undefined"));
        QCOMPARE(queryValue(logs.first(), "parent"), QStringLiteral("object"));
        QCOMPARE(messages.size(), 3);
        QCOMPARE(messages.at(0).first().toBool(), false);
        QCOMPARE(messages.at(1).first().toBool(), false);
        QCOMPARE(messages.at(2).first().toBool(), true);
        QVERIFY(!m_host->busy());
    }

    void navigationStaysInTheStudio_data() {
        QTest::addColumn<QString>("url"); // "@" stands for http://127.0.0.1:<the gateway's port>
        QTest::addColumn<bool>("mainFrame");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("sign-in") << "@/studio/auth" << true << true;
        QTest::newRow("sign-in with query") << "@/studio/auth?t=x&lang=pl" << true << true;
        QTest::newRow("studio") << "@/studio" << true << true;
        QTest::newRow("studio in a frame") << "@/studio?frame=1" << false << true;
        QTest::newRow("blank") << "about:blank" << true << true;
        QTest::newRow("blank in a frame") << "about:blank" << false << true;
        QTest::newRow("another gateway path") << "@/api/status" << true << false;
        QTest::newRow("https") << "https://127.0.0.1:@port/studio" << true << false;
        QTest::newRow("localhost") << "http://localhost:@port/studio" << true << false;
        QTest::newRow("another port") << "http://127.0.0.1:1/studio" << true << false;
        QTest::newRow("a frame elsewhere") << "https://example.org/" << false << false;
        QTest::newRow("a frame on another gateway path") << "@/api/status" << false << false;
        QTest::newRow("a frame's own document") << "about:srcdoc" << false << false;
        QTest::newRow("a data address") << "data:text/html,hi" << true << false;
    }
    void navigationStaysInTheStudio() {
        QFETCH(QString, url);
        QFETCH(bool, mainFrame);
        QFETCH(bool, allowed);
        const QString port = QString::number(m_model->port);
        url.replace(QLatin1String("@port"), port).replace(QLatin1Char('@'), QLatin1String("http://127.0.0.1:") + port);
        auto* studioPage = qobject_cast<StudioPage*>(page());
        QVERIFY(studioPage);
        QCOMPARE(studioPage->acceptNavigationRequest(QUrl(url), QWebEnginePage::NavigationTypeLinkClicked, mainFrame),
                 allowed);
    }

    void theEngineAsksThePolicyForFrames() {
        QVERIFY(showStudio());
        TestHttpServer elsewhere;
        QVERIFY(elsewhere.listen());
        elsewhere.setFallback([](const RecordedRequest&) { return html("<p>elsewhere</p>"); });

        run(QStringLiteral("addFrame('http://127.0.0.1:%1/studio'); addFrame('/studio?frame=2')")
                .arg(elsewhere.port()));
        QTRY_COMPARE_WITH_TIMEOUT(m_server->requests("/studio").size(), 1, kLoadWait);
        QTRY_COMPARE_WITH_TIMEOUT(m_server->requests("/log").size(), 1, kLoadWait);
        QCOMPARE(elsewhere.requests().size(), 0);
    }

    void theSampleAskedForEarlyIsLoadedOnceTrusted_data() {
        QTest::addColumn<bool>("beforeTheModel");
        QTest::addColumn<bool>("viewBeforeTrust");
        QTest::newRow("before the model, view after trust") << true << false;
        QTest::newRow("view after trust") << false << false;
        QTest::newRow("view before trust") << false << true;
    }
    void theSampleAskedForEarlyIsLoadedOnceTrusted() {
        QFETCH(bool, beforeTheModel);
        QFETCH(bool, viewBeforeTrust);
        if (beforeTheModel) {
            makeHost(setup());
            m_host->openSample();
            attach();
        } else {
            m_host->openSample();
        }
        QVERIFY(!m_host->hasWebView());
        if (viewBeforeTrust) {
            m_host->webView();
            QCOMPARE(page()->requestedUrl(), QUrl());
            m_host->sync(true, true);
        } else {
            m_host->sync(true, true);
            QVERIFY(!m_host->hasWebView());
            m_host->webView();
        }
        QSignalSpy loaded(page(), &QWebEnginePage::loadFinished);
        QVERIFY(loaded.wait(kLoadWait));
        QCOMPARE(signIns().size(), 1);
        QCOMPARE(queryValue(signIns().first(), "sample"), QStringLiteral("1"));
        QVERIFY(isStudioShown());
    }

    void theSampleReplacesABusyPage() {
        QVERIFY(showStudio());
        QVERIFY(makeBusy());
        const int syncs = m_model->syncs;
        m_host->openSample();
        // The busy page's requests end with it; the sample starts idle.
        QVERIFY(!m_host->busy());
        QCOMPARE(m_model->syncs, syncs + 1);
        QCOMPARE(queryValue(page()->requestedUrl(), "sample"), QStringLiteral("1"));
        QTRY_COMPARE_WITH_TIMEOUT(signIns().size(), 2, kLoadWait);
    }

    void aClosedServerIsTriedAgainAfterASecond() {
        const int port = freeLoopbackPort();
        m_model->port = port;
        TestHttpServer gateway;
        gateway.setReply("/studio/auth", html(fixture(QStringLiteral("auth.html"))));
        QElapsedTimer clock;
        clock.start();
        qint64 failedAt = -1;
        qint64 askedAt = -1;
        // The gateway comes up the moment the first load has failed.
        connect(page(), &QWebEnginePage::loadingChanged, &gateway, [&](const QWebEngineLoadingInfo& info) {
            if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus && failedAt < 0) {
                failedAt = clock.elapsed();
                QVERIFY(gateway.listen(quint16(port)));
            }
        });
        connect(&gateway, &TestHttpServer::requestReceived, &gateway, [&] {
            if (askedAt < 0) {
                askedAt = clock.elapsed();
            }
        });

        m_host->sync(true, true);
        QTRY_VERIFY_WITH_TIMEOUT(askedAt >= 0, kLoadWait);
        QVERIFY(failedAt >= 0);
        QVERIFY2(askedAt - failedAt >= 950, qPrintable(QString::number(askedAt - failedAt)));
        QTRY_VERIFY_WITH_TIMEOUT(isStudioShown(), kLoadWait);
    }

    void noRetryOnceLoadingIsNotAllowed_data() {
        QTest::addColumn<bool>("keep");
        QTest::newRow("kept, not allowed") << true;
        QTest::newRow("dropped") << false;
    }
    void noRetryOnceLoadingIsNotAllowed() {
        QFETCH(bool, keep);
        constexpr auto retry = std::chrono::milliseconds(150);
        makeHost(setup(retry));
        attach();
        const int port = freeLoopbackPort();
        m_model->port = port;
        TestHttpServer gateway;
        bool failed = false;
        // The model withdraws its permission the moment the load has failed, and the gateway
        // comes up: any retry would reach it.
        connect(page(), &QWebEnginePage::loadingChanged, &gateway, [&](const QWebEngineLoadingInfo& info) {
            if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus && !failed) {
                failed = true;
                m_host->sync(keep, false);
                QVERIFY(gateway.listen(quint16(port)));
            }
        });
        m_host->sync(true, true);
        QTRY_VERIFY_WITH_TIMEOUT(failed, kLoadWait);
        QTest::qWait(int(4 * retry.count()));
        QCOMPARE(gateway.requests().size(), 0);
    }

    void anAnswerIsNotRetried_data() {
        QTest::addColumn<QString>("what");
        QTest::newRow("a refused navigation") << "refused";
        QTest::newRow("an error status") << "status";
    }
    void anAnswerIsNotRetried() {
        QFETCH(QString, what);
        constexpr auto retry = std::chrono::milliseconds(150);
        makeHost(setup(retry));
        attach();
        std::shared_ptr<QList<QWebEngineLoadingInfo::LoadStatus>> loads;
        QWebEngineLoadingInfo::LoadStatus ending;
        if (what == QLatin1String("refused")) {
            QVERIFY(showStudio());
            loads = recordLoads();
            ending = QWebEngineLoadingInfo::LoadStoppedStatus;
            run(QStringLiteral("location.href = '/api/status'"));
        } else {
            m_server->setReply("/studio/auth", html("<p>wrong token</p>", 403));
            loads = recordLoads();
            ending = QWebEngineLoadingInfo::LoadFailedStatus;
            m_host->sync(true, true);
        }
        QTRY_VERIFY_WITH_TIMEOUT(loads->contains(ending), kLoadWait);
        QTest::qWait(int(4 * retry.count())); // any retry would have reached the gateway by now
        QCOMPARE(m_server->requests("/api/status").size(), 0);
        QCOMPARE(signIns().size(), 1);
    }

    void aLoadPastItsLimitIsStoppedAndTriedAgain() {
        makeHost(setup(std::chrono::milliseconds(100), std::chrono::milliseconds(1000)));
        attach();
        auto calls = std::make_shared<int>(0);
        const QByteArray page = fixture(QStringLiteral("auth.html"));
        m_server->setHandler("/studio/auth", [calls, page](const RecordedRequest&) {
            return ++*calls == 1 ? ScriptedReply::never() : html(page);
        });
        QSignalSpy loaded(this->page(), &QWebEnginePage::loadFinished);
        m_host->sync(true, true);
        QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty() && loaded.last().first().toBool(), kLoadWait);
        QVERIFY(signIns().size() >= 2);
        QVERIFY(isStudioShown());
    }

    void savesTheStampedCopy_data() {
        QTest::addColumn<QString>("gateway"); // how stamping goes
        QTest::addColumn<bool>("stampAsked");
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("stamped") << "stamps" << true << QByteArray("stamped:page bytes");
        QTest::newRow("stamp refused") << "500" << true << QByteArray("page bytes");
        QTest::newRow("stamp reply not base64") << "bad reply" << true << QByteArray("page bytes");
        QTest::newRow("gateway unproven") << "unproven" << false << QByteArray("page bytes");
        QTest::newRow("model gone") << "no client" << false << QByteArray("page bytes");
    }
    void savesTheStampedCopy() {
        QFETCH(QString, gateway);
        QFETCH(bool, stampAsked);
        QFETCH(QByteArray, saved);
        if (gateway == QLatin1String("500")) {
            m_server->setHandler("/api/stamp_copy", [](const RecordedRequest&) {
                return ScriptedReply::json(R"({"error": "busy"})", 500);
            });
        } else if (gateway == QLatin1String("bad reply")) {
            m_server->setHandler("/api/stamp_copy", [](const RecordedRequest&) {
                return ScriptedReply::json(R"({"data_b64": "not base64!"})");
            });
        } else if (gateway == QLatin1String("unproven")) {
            m_model->client = GatewayClient(m_server->port(), testToken, std::make_shared<ProofGate>());
        } else if (gateway == QLatin1String("no client")) {
            m_model->client.reset();
        }
        QVERIFY(showStudio());
        const QString path = m_folder->filePath(QStringLiteral("chosen.txt"));
        m_dialogs->savePath = path;

        run(QStringLiteral("save('drafts/report.txt', '%1')")
                .arg(QString::fromLatin1(QByteArray("page bytes").toBase64())));

        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path), kLoadWait);
        QCOMPARE(readFile(path), saved);
        QCOMPARE(m_dialogs->askedNames, QStringList{"report.txt"});
        const QList<RecordedRequest> stamps = m_server->requests("/api/stamp_copy");
        QCOMPARE(stamps.size(), stampAsked ? 1 : 0);
        if (stampAsked) {
            QCOMPARE(QJsonDocument::fromJson(stamps.first().body).object().value("data_b64").toString(),
                     QString::fromLatin1(QByteArray("page bytes").toBase64()));
        }
        QVERIFY(m_dialogs->errors.isEmpty());
    }

    void aCancelledSaveWritesNothing() {
        QVERIFY(showStudio());
        m_dialogs->savePath.reset();
        run(QStringLiteral("save('a.txt', 'aGk='); save('b.txt', 'aGk=')"));
        QTRY_COMPARE_WITH_TIMEOUT(m_dialogs->askedNames, (QStringList{"a.txt", "b.txt"}), kLoadWait);
        QCOMPARE(m_server->requests("/api/stamp_copy").size(), 0);
        QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files), QStringList());
    }

    void aMalformedSaveOpensNoDialog_data() {
        QTest::addColumn<QString>("call");
        QTest::newRow("not base64") << "save('bad.txt', 'not base64!')";
        QTest::newRow("base64 without padding") << "save('bad.txt', 'aGk')";
        QTest::newRow("no name") << "post({save: {b64: 'aGk='}})";
        QTest::newRow("bytes not text") << "post({save: {name: 'bad.txt', b64: 42}})";
    }
    void aMalformedSaveOpensNoDialog() {
        QFETCH(QString, call);
        QVERIFY(showStudio());
        run(call + QStringLiteral("; save('good.txt', 'aGk=')"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_dialogs->askedNames.isEmpty(), kLoadWait);
        QCOMPARE(m_dialogs->askedNames, QStringList{"good.txt"});
    }

    void aFailedWriteKeepsTheOldFile_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("fileTooLarge");
        QTest::newRow("the write fails midway") << "report.txt" << true;
        QTest::newRow("the folder is gone") << "gone/report.txt" << false;
    }
    void aFailedWriteKeepsTheOldFile() {
        QFETCH(QString, target);
        QFETCH(bool, fileTooLarge);
        const QString existing = m_folder->filePath(QStringLiteral("report.txt"));
        QVERIFY(writeFile(existing, "the user's old text"));
        QVERIFY(showStudio());
        m_dialogs->savePath = m_folder->filePath(target);
        std::unique_ptr<FileSizeLimit> limit;
        if (fileTooLarge) {
            // Only while this save runs: the page is loaded and the profile keeps nothing on disk.
            m_dialogs->onAnswer = [&limit] {
                limit = std::make_unique<FileSizeLimit>(1024);
            };
        }

        const QByteArray document(64 * 1024, 'n');
        run(QStringLiteral("save('report.txt', '%1')").arg(QString::fromLatin1(document.toBase64())));
        QTRY_COMPARE_WITH_TIMEOUT(m_dialogs->errors.size(), 1, kLoadWait);
        limit.reset();

        QCOMPARE(m_dialogs->errors.first().first,
                 QString::fromUtf8("The document could not be saved as “report.txt”."));
        QVERIFY(!m_dialogs->errors.first().second.isEmpty());
        QCOMPARE(readFile(existing), QByteArray("the user's old text"));
        QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"report.txt"});
    }

    void theFileInputTakesOneExistingFile_data() {
        QTest::addColumn<QString>("chosen"); // "" cancels; "@" stands for the temporary folder
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("handed");
        QTest::newRow("a file") << "@/in.txt" << int(QWebEnginePage::FileSelectOpen) << "@/in.txt";
        QTest::newRow("a file where many were allowed")
            << "@/in.txt" << int(QWebEnginePage::FileSelectOpenMultiple) << "@/in.txt";
        QTest::newRow("cancelled") << "" << int(QWebEnginePage::FileSelectOpen) << "";
        QTest::newRow("a folder") << "@" << int(QWebEnginePage::FileSelectOpen) << "";
        QTest::newRow("a missing file") << "@/gone.txt" << int(QWebEnginePage::FileSelectOpen) << "";
    }
    void theFileInputTakesOneExistingFile() {
        QFETCH(QString, chosen);
        QFETCH(int, mode);
        QFETCH(QString, handed);
        QVERIFY(writeFile(m_folder->filePath(QStringLiteral("in.txt")), "in"));
        if (!chosen.isEmpty()) {
            m_dialogs->chosenFile = chosen.replace(QLatin1Char('@'), m_folder->path());
        }
        auto* studioPage = qobject_cast<StudioPage*>(page());
        QVERIFY(studioPage);
        const QStringList files =
            studioPage->chooseFiles(QWebEnginePage::FileSelectionMode(mode), {}, {QStringLiteral("image/*")});
        QCOMPARE(files,
                 handed.isEmpty() ? QStringList() : QStringList{handed.replace(QLatin1Char('@'), m_folder->path())});
    }

    void theScreenBorrowsTheViewAndGivesItBack() {
        QVERIFY(showStudio());
        const QPointer<QWebEngineView> view = m_host->webView();
        const QUrl shownURL = page()->url();
        {
            StudioScreen first(*m_host);
            first.resize(640, 480);
            first.show();
            QCOMPARE(view->parentWidget(), &first);
            QTRY_COMPARE(view->geometry(), first.rect());

            StudioScreen second(*m_host);
            second.show();
            QCOMPARE(view->parentWidget(), &second);
            first.hide();
            first.show(); // the first screen takes the view back when it shows again
            QCOMPARE(view->parentWidget(), &first);
        }
        QVERIFY(view);
        QCOMPARE(view->parentWidget(), nullptr);
        QCOMPARE(m_host->webView(), view.data());
        QCOMPARE(page()->url(), shownURL);

        StudioScreen again(*m_host);
        QCOMPARE(view->parentWidget(), &again);
    }
    // The desktop's dialogs answer later: nothing waits on them while they are open.
    void theSaveDialogAsksWithoutBlocking_data() {
        QTest::addColumn<bool>("accepted");
        QTest::newRow("saved") << true;
        QTest::newRow("cancelled") << false;
    }
    void theSaveDialogAsksWithoutBlocking() {
        QFETCH(bool, accepted);
        SystemStudioDialogs dialogs;
        std::optional<std::optional<QString>> answer;
        dialogs.askSavePath(nullptr, QStringLiteral("report.txt"),
                            [&answer](std::optional<QString> path) { answer = path; });
        QVERIFY(!answer);

        QFileDialog* dialog = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* found = qobject_cast<QFileDialog*>(widget); found && found->isVisible()) {
                dialog = found;
            }
        }
        QVERIFY(dialog);
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
        QVERIFY(dialog->nameFilters().size() <= 1); // nothing imposed beyond "all files"
        const QList<QLineEdit*> fields = dialog->findChildren<QLineEdit*>();
        QVERIFY(std::any_of(fields.begin(), fields.end(),
                            [](QLineEdit* field) { return field->text() == QLatin1String("report.txt"); }));

        const QPointer<QFileDialog> open = dialog;
        if (accepted) {
            dialog->setDirectory(m_folder->path());
            dialog->selectFile(QStringLiteral("report.txt"));
            static_cast<QDialog*>(dialog)->accept(); // public there, as the Save button calls it
        } else {
            dialog->reject();
        }
        QVERIFY(answer);
        QCOMPARE(*answer, accepted ? std::optional<QString>(m_folder->filePath(QStringLiteral("report.txt")))
                                   : std::optional<QString>());
        QTRY_VERIFY(!open); // closed and gone
    }

    void theSaveErrorIsShownWithoutBlocking() {
        SystemStudioDialogs dialogs;
        dialogs.showSaveError(nullptr, QStringLiteral("It failed."), QStringLiteral("No space left on device"));
        QMessageBox* box = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* found = qobject_cast<QMessageBox*>(widget); found && found->isVisible()) {
                box = found;
            }
        }
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("It failed."));
        QCOMPARE(box->informativeText(), QStringLiteral("No space left on device"));
        const QPointer<QMessageBox> open = box;
        box->accept();
        QTRY_VERIFY(!open);
    }

    // --- The stand-in gateway's own studio page ---

    void theStandInsStudioPageSavesItsSampleThroughTheSavePath_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("title");
        QTest::newRow("English") << "en" << "Document studio";
        QTest::newRow("Polish") << "pl" << "Studio dokumentów";
    }
    void theStandInsStudioPageSavesItsSampleThroughTheSavePath() {
        QFETCH(QString, language);
        QFETCH(QString, title);
        StandInGateway standIn(QStringLiteral(FERNHOLM_FAKE_GATEWAY));
        QCOMPARE(standIn.start(), SidecarState::ready());
        m_model->port = standIn.port();
        m_model->token = standIn.token();
        m_model->client = standIn.client();
        L10n::setLanguage(language);

        // Entered at /studio/auth with the token, shown at /studio.
        QVERIFY(showStudio());
        QCOMPARE(page()->url().path(), QStringLiteral("/studio"));
        QTRY_COMPARE_WITH_TIMEOUT(page()->title(), title, kLoadWait);

        const QString target = m_folder->filePath(QStringLiteral("saved.txt"));
        m_dialogs->savePath = target;
        run(QStringLiteral("document.getElementById('save').click()"));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(target).size() > 0, kLoadWait);
        QCOMPARE(m_dialogs->askedNames, QStringList{QStringLiteral("sample-agreement.txt")});
        // The page's document, stamped by the gateway on its way to the file.
        QCOMPARE(readFile(target), QByteArray("Agreement between Jan Kowalski and Example Ltd.\n"
                                              "Contact: jan.kowalski@example.com, +48 600 100 200\n"
                                              "\n% stamped by the gateway\n"));
    }

    void theStandInsStudioRefusesAWrongToken() {
        StandInGateway standIn(QStringLiteral(FERNHOLM_FAKE_GATEWAY));
        QCOMPARE(standIn.start(), SidecarState::ready());
        m_model->port = standIn.port();
        m_model->token = QStringLiteral("not-the-token");
        QSignalSpy loaded(page(), &QWebEnginePage::loadFinished);
        m_host->sync(true, true);
        QVERIFY(loaded.wait(kLoadWait));
        QCOMPARE(page()->url().path(), QStringLiteral("/studio/auth"));
        // The refusal, not the studio: no session, no page with a save button.
        QTRY_COMPARE_WITH_TIMEOUT(page()->title(), QStringLiteral("Studio"), kLoadWait);
        std::optional<bool> hasSaveButton;
        page()->runJavaScript(QStringLiteral("document.getElementById('save') !== null"),
                              [&hasSaveButton](const QVariant& result) { hasSaveButton = result.toBool(); });
        QTRY_VERIFY_WITH_TIMEOUT(hasSaveButton.has_value(), kLoadWait);
        QVERIFY(!*hasSaveButton);
    }
};


int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    StudioHostTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_studiohost.moc"
