// The studio as the program gets it: not linked, but loaded as a module when the Documents page
// is first shown. Until then nothing of the web engine, Mesa or LLVM is mapped into the process
// and no OpenGL context exists; afterwards the page works: the stand-in gateway's studio page
// hands its sample document over, and it is saved, stamped, through the save dialog. Runs
// offscreen and on an X server (where the module's OpenGL context is really made).

#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmApp/shell/FernholmApplication.h"
#include "FernholmApp/studio/loader/StudioLoader.h"
#include "FernholmKit/presentation/Tour.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/StandInCheckout.h"
#include "app/support/TestPlatform.h"
#include "app/support/ViewTesting.h"
#include "support/LoopbackPort.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace fernholm;
using namespace fernholm::test;

namespace {

constexpr int kStudioWait = 60'000; // ms: the web engine's first start on a loaded two-core machine

// The libraries mapped into this process whose file names match `pattern`.
QStringList mapped(const QRegularExpression& pattern) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly)) {
        return {QStringLiteral("<cannot read /proc/self/maps>")};
    }
    QStringList found;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const QString path = QString::fromLocal8Bit(line.mid(line.indexOf('/')));
        if (line.contains('/') && pattern.match(QFileInfo(path).fileName()).hasMatch() && !found.contains(path)) {
            found << path;
        }
    }
    return found;
}

// The web engine, and the software OpenGL that a context brings: Mesa's drivers and their LLVM.
const QRegularExpression engineOrMesa(QStringLiteral("WebEngine|_mesa|_dri\\.so|gallium|swrast|LLVM"));

QFileDialog* openSaveDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog && dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
}

bool onAnXServer() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

} // namespace

class StudioOnDemandTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase() {
        useBundledResources();
        QVERIFY(m_home.isValid());
    }

    // Runs first: a module that is not there leaves a page that says so and loads nothing.
    void aMissingModuleLeavesAPageThatSaysSo_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << "en";
        QTest::newRow("Polish") << "pl";
    }
    void aMissingModuleLeavesAPageThatSaysSo() {
        QFETCH(QString, language);
        L10n::setLanguage(language);
        const auto restore = qScopeGuard([] { L10n::setLanguage(QStringLiteral("en")); });
        const QString missing = m_home.filePath(QStringLiteral("missing/tarvine_studio.so"));
        StudioLoader loader({missing});
        loader.sync(true, true);
        QVERIFY(!loader.busy());
        loader.openSample();
        const std::unique_ptr<QWidget> page(loader.makePage());
        QVERIFY(!loader.isLoaded());
        QVERIFY2(loader.failure().contains(missing), qPrintable(loader.failure()));
        QCOMPARE(page->objectName(), QStringLiteral("studioUnavailable"));
        page->resize(640, 480);
        saveScreenshot(lightAndDark(page.get()), QStringLiteral("studio-unavailable-") + language);
        QCOMPARE(mapped(engineOrMesa), QStringList());
        QVERIFY(!QOpenGLContext::globalShareContext());
    }

    void theStudioComesWithTheDocumentsPageAndWorks() {
        StandInCheckout checkout;
        QVERIFY(checkout.isValid());
        TestPlatform fakes;
        fakes.environment = checkout.environment({{QStringLiteral("FAKE_GW_STUDIO_AUTOSAVE"), QStringLiteral("1")}});
        fakes.defaults->setValue(RootView::setupKey, true);
        fakes.defaults->setValue(Tour::flagKey, true);
        ShellOptions options;
        options.config = quickConfig(freeLoopbackPort());
        options.platform = fakes.platform();
        options.tray = false;
        const StudioWiring studio = studioOnDemand({QStringLiteral(FERNHOLM_STUDIO_MODULE)});
        const std::shared_ptr<void> keep = studio.prepare(options.platform, options.hooks);
        FernholmApplication app(std::move(options));
        studio.attach(app.model());
        app.showWindow();
        QTRY_COMPARE_WITH_TIMEOUT(app.model().supervision().link(), SidecarLink::trusted, 30'000);
        QTRY_VERIFY_WITH_TIMEOUT(app.model().protection().status().has_value(), 30'000);

        // The window painted and the gateway polled: nothing of the studio yet.
        QCOMPARE(mapped(engineOrMesa), QStringList());
        QVERIFY(!QOpenGLContext::globalShareContext());
        QVERIFY(!testAttribute(Qt::AA_ShareOpenGLContexts));

        app.root()->select(AppTab::testDocument);
        QVERIFY2(!mapped(QRegularExpression(QStringLiteral("Qt6WebEngineCore"))).isEmpty(),
                 "the Documents page did not load the studio");
        if (onAnXServer()) {
            // The context the web engine shares its frames through, made just before it loaded.
            QVERIFY(QOpenGLContext::globalShareContext());
            QVERIFY(QOpenGLContext::globalShareContext()->isValid());
        }
        QVERIFY(testAttribute(Qt::AA_ShareOpenGLContexts));

        // The stand-in's page loads and hands its sample over; the save dialog asks where.
        QTRY_VERIFY_WITH_TIMEOUT(openSaveDialog(), kStudioWait);
        QFileDialog* dialog = openSaveDialog();
        QCOMPARE(QFileInfo(dialog->selectedFiles().value(0)).fileName(), QStringLiteral("sample-agreement.txt"));
        const QString target = m_home.filePath(QStringLiteral("sample-agreement.txt"));
        dialog->setDirectory(m_home.path());
        dialog->selectFile(QStringLiteral("sample-agreement.txt"));
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept, through the public slot
        const auto seen = [&] {
            return gatewayRequests(app.model()).filter(QStringLiteral("stamp")).join(QStringLiteral(", ")) +
                   QStringLiteral("; files: ") + QDir(m_home.path()).entryList(QDir::Files).join(QStringLiteral(", "));
        };
        QTRY_VERIFY2_WITH_TIMEOUT(QFileInfo(target).size() > 0, qPrintable(seen()), kStudioWait);
        QFile saved(target);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray bytes = saved.readAll();
        QVERIFY2(bytes.startsWith("Agreement between Jan Kowalski") && bytes.endsWith("% stamped by the gateway\n"),
                 bytes.constData());
    }

private:
    static bool testAttribute(Qt::ApplicationAttribute attribute) {
        return QCoreApplication::testAttribute(attribute);
    }
};

int main(int argc, char** argv) {
    // The studio keeps its web data in the data folders of the environment: a temporary home.
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
    qputenv("XDG_CACHE_HOME", home.filePath(QStringLiteral("cache")).toLocal8Bit());
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    StudioOnDemandTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_studioondemand.moc"
