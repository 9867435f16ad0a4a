// The model and the studio host joined as the shell joins them: the link the host asks, the sink
// the model tells, each holding the other side weakly; and the studio's web data removed for an
// uninstall, with a real web engine on a loopback server.
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/studio/StudioGlue.h"
#include "FernholmApp/studio/StudioHost.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/AppModelAccess.h"
#include "app/support/TestPlatform.h"
#include "support/TestHttpServer.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <QCoroTask>

#include <memory>

using namespace fernholm;
using namespace fernholm::test;

namespace {

constexpr int kLoadWait = 15'000; // ms; a web page on a loaded two-core machine

// The dialogs are never reached here.
class NoDialogs : public StudioDialogs {
public:
    void askSavePath(QWidget*, const QString&, SavePathAnswer answer) override { answer(std::nullopt); }
    void showSaveError(QWidget*, const QString&, const QString&) override {}
    std::optional<QString> chooseFile(QWidget*) override { return std::nullopt; }
};

ScriptedReply html(const QByteArray& body, QList<QPair<QByteArray, QByteArray>> headers = {}) {
    ScriptedReply reply;
    reply.body = body;
    reply.headers = std::move(headers);
    reply.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("text/html; charset=utf-8")));
    return reply;
}

QByteArray fixture(const QString& name) {
    QFile file(QStringLiteral(FERNHOLM_TEST_DATA "/studio/") + name);
    if (!file.open(QIODevice::ReadOnly)) {
        qFatal("missing fixture %s", qPrintable(name));
    }
    return file.readAll();
}

// The files below a folder, for the failure messages; empty when it is not there.
QStringList filesBelow(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files << it.next();
    }
    return files;
}

} // namespace

class StudioGlueTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<TestPlatform> m_fakes;
    QPointer<StudioHost> m_host;
    std::unique_ptr<StudioHostSink> m_sink;
    std::unique_ptr<AppModel> m_model;

    StudioSetup setup(const QString& profileName) const {
        StudioSetup setup;
        setup.profileName = profileName;
        setup.storagePath = m_folder->filePath(QStringLiteral("data/Tarvine/WebEngine"));
        setup.cachePath = m_folder->filePath(QStringLiteral("cache/Tarvine/WebEngine"));
        return setup;
    }

    // The shell's order: the sink, the model with the sink in its platform, the link.
    AppModel& joined(const QString& profileName = {}) {
        m_host = new StudioHost(setup(profileName), std::make_unique<NoDialogs>());
        m_sink = std::make_unique<StudioHostSink>(*m_host);
        Platform platform = m_fakes->platform();
        platform.studio = m_sink.get();
        m_model = std::make_unique<AppModel>(quickConfig(m_server->port()), platform);
        m_host->attach(std::make_unique<AppModelStudioLink>(m_model.get()));
        return *m_model;
    }

    QWebEnginePage* page() { return m_host->webView()->page(); }

    // The model trusts its gateway and tells the studio: the studio page loads.
    bool showStudio(AppModel& model) {
        m_host->webView();
        model.client().gate()->proven(Clock::now());
        model.syncStudio();
        return QTest::qWaitFor(
            [this] {
                return !m_server->requests("/studio/auth").isEmpty() && page()->url().path() == "/studio/auth" &&
                       !page()->isLoading();
            },
            kLoadWait);
    }

private Q_SLOTS:
    void init() {
        L10n::setLanguage(QStringLiteral("en"));
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());
        m_server = std::make_unique<TestHttpServer>();
        QVERIFY(m_server->listen());
        m_server->setReply("/studio/auth", html(fixture(QStringLiteral("auth.html"))));
        m_server->setReply("/api/slow", [] {
            ScriptedReply reply = ScriptedReply::json("{}");
            reply.delay = std::chrono::milliseconds(300);
            return reply;
        }());
        m_fakes = std::make_unique<TestPlatform>();
    }
    void cleanup() {
        delete m_host.data();
        m_model.reset();
        m_sink.reset();
        m_fakes.reset();
        m_server.reset();
        m_folder.reset();
    }

    void theLinkAnswersForTheModelWhileItIsThere() {
        m_model = std::make_unique<AppModel>(quickConfig(4711), m_fakes->platform());
        AppModel& model = *m_model;
        AppModelStudioLink link(&model);
        QVERIFY(link.launchToken());
        QCOMPARE(link.launchToken(), model.controlToken());
        QVERIFY(link.client());
        QCOMPARE(link.client()->gate(), model.client().gate());
        QCOMPARE(link.port(), 4711);

        model.client().gate()->proven(Clock::now());
        link.syncStudio();
        QCOMPARE(m_fakes->studio.syncs, (QList<StudioSync>{{true, true}}));

        m_model.reset();
        QCOMPARE(link.launchToken(), std::nullopt);
        QVERIFY(!link.client());
        QCOMPARE(link.port(), 4711);
        link.syncStudio();
        QCOMPARE(m_fakes->studio.syncs.size(), 1);
    }

    // The model's word loads the page with the model's token on the model's port; the page's
    // busy flag goes back through the model, which then drops a page it no longer keeps.
    void theModelAndTheHostTalkBothWays() {
        AppModel& model = joined();
        QVERIFY(showStudio(model));
        const QUrlQuery query(QString::fromLatin1(m_server->requests("/studio/auth").constLast().query));
        QCOMPARE(query.queryItemValue("t"), *model.controlToken());
        QCOMPARE(query.queryItemValue("lang"), QStringLiteral("en"));

        page()->runJavaScript(QStringLiteral("work('/api/slow')"));
        QTRY_VERIFY_WITH_TIMEOUT(m_sink->busy(), kLoadWait);
        // The link wavers while the page sends: kept until the page is idle, then blanked.
        AppModelAccess::setLink(model, SidecarLink::checking);
        model.syncStudio();
        QCOMPARE(page()->url().path(), QStringLiteral("/studio/auth"));
        QTRY_COMPARE_WITH_TIMEOUT(page()->url(), QUrl(QStringLiteral("about:blank")), kLoadWait);
        QVERIFY(!m_sink->busy());
    }

    void aHostThatIsGoneHearsNothing() {
        AppModel& model = joined();
        delete m_host.data();
        model.client().gate()->proven(Clock::now());
        model.syncStudio();
        QVERIFY(!m_sink->busy());
        QCoro::waitFor(m_sink->removeWebData());
        QVERIFY(m_server->requests().isEmpty());
    }

    // Cookies, storage and cache of a page that used them are gone, and stay gone when the host
    // goes, as it does when the application quits.
    void removingTheWebDataLeavesNothingBehind() {
        m_server->setReply("/studio/auth",
                           html(fixture(QStringLiteral("auth.html")),
                                {qMakePair(QByteArray("Set-Cookie"), QByteArray("session=1; Max-Age=86400; Path=/")),
                                 qMakePair(QByteArray("Cache-Control"), QByteArray("max-age=86400"))}));
        AppModel& model = joined(QStringLiteral("studio"));
        QVERIFY(showStudio(model));
        page()->runJavaScript(QStringLiteral("localStorage.setItem('draft', 'a letter')"));
        QTRY_VERIFY_WITH_TIMEOUT(!filesBelow(setup("studio").storagePath).isEmpty(), kLoadWait);

        const QPointer<QWebEngineView> view = m_host->webView();
        QCoro::waitFor(m_sink->removeWebData());
        QVERIFY(!view);
        const QStringList stored = filesBelow(setup("studio").storagePath);
        QVERIFY2(stored.isEmpty(), qPrintable(stored.join(QStringLiteral(", "))));
        const QStringList cached = filesBelow(setup("studio").cachePath);
        QVERIFY2(cached.isEmpty(), qPrintable(cached.join(QStringLiteral(", "))));
        QVERIFY(!QFileInfo::exists(setup("studio").storagePath));
        QVERIFY(!QFileInfo::exists(setup("studio").cachePath));

        // Whatever shows the studio afterwards keeps nothing on disk; nothing is written back when
        // the host goes.
        QVERIFY(page()->profile()->isOffTheRecord());
        delete m_host.data();
        QCoreApplication::processEvents();
        QCOMPARE(filesBelow(m_folder->path()), QStringList());
    }
};

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    StudioGlueTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_studioglue.moc"
