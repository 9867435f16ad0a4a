// The model's open-at-login switch: what it shows over the in-memory login item in every state
// and after every kind of change, and over the desktop's real autostart folder a refused change,
// then a good one.
#include "FernholmApp/model/AppModel.h"
#include "FernholmKit/text/L10n.h"
#include "FernholmKit/platform/XdgAutostart.h"
#include "app/support/TestPlatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace fernholm;
using namespace fernholm::test;

namespace fernholm {
inline char* toString(const LoginItemSwitch& value) {
    return QTest::toString(QStringLiteral("{%1, %2}").arg(value.isOn ? "on" : "off", value.note.value_or("no note")));
}
} // namespace fernholm

namespace {

const LoginItemSwitch on{true, std::nullopt};
const LoginItemSwitch off{false, std::nullopt};
const LoginItemSwitch awaitingApproval{
    false, QStringLiteral("Allow Tarvine to open at login in your desktop's startup applications settings.")};

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class AppLoginItemTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestPlatform> m_fakes;

private Q_SLOTS:
    void init() {
        m_fakes = std::make_unique<TestPlatform>();
        L10n::setLanguage(QStringLiteral("en"));
    }
    void cleanup() {
        m_fakes.reset();
        L10n::setLanguage(QStringLiteral("en"));
    }

    // The model reads the system when it is made, and again on refresh.
    void switchShowsTheSystemsState_data() {
        QTest::addColumn<LoginItemState>("state");
        QTest::addColumn<LoginItemSwitch>("shown");
        QTest::newRow("enabled") << LoginItemState::enabled << on;
        QTest::newRow("requires approval") << LoginItemState::requiresApproval << awaitingApproval;
        QTest::newRow("not registered") << LoginItemState::notRegistered << off;
        QTest::newRow("not found") << LoginItemState::notFound << off;
    }
    void switchShowsTheSystemsState() {
        QFETCH(LoginItemState, state);
        QFETCH(LoginItemSwitch, shown);
        m_fakes->loginItem->current = state;
        AppModel model(quickConfig(), m_fakes->platform());
        QCOMPARE(model.loginItem(), shown);
        QCOMPARE(model.loginItemError(), std::nullopt);

        // Changed behind the model's back: a refresh picks it up.
        const LoginItemState other =
            state == LoginItemState::enabled ? LoginItemState::notRegistered : LoginItemState::enabled;
        m_fakes->loginItem->current = other;
        QCOMPARE(model.loginItem(), shown);
        QSignalSpy changes(&model, &AppModel::loginItemChanged);
        model.refreshLoginItem();
        QCOMPARE(model.loginItem(), loginItemSwitch(other));
        QCOMPARE(changes.size(), 1);
        model.refreshLoginItem();
        QCOMPARE(changes.size(), 1);
    }

    void switching_data() {
        QTest::addColumn<LoginItemState>("before");
        QTest::addColumn<LoginItemState>("registered"); // what a registration leaves
        QTest::addColumn<bool>("switchOn");
        QTest::addColumn<QString>("refusal"); // the system's message; empty when the change is made
        QTest::addColumn<LoginItemSwitch>("shown");
        QTest::addColumn<int>("settingsOpened");

        const auto enabled = LoginItemState::enabled, pending = LoginItemState::requiresApproval,
                   notRegistered = LoginItemState::notRegistered, notFound = LoginItemState::notFound;
        QTest::newRow("on") << notRegistered << enabled << true << QString() << on << 0;
        QTest::newRow("on, the system wants approval") << notRegistered << pending << true << QString()
                                                       << awaitingApproval << 1;
        QTest::newRow("on, program not found") << notRegistered << notFound << true << QString() << off << 0;
        QTest::newRow("on, still not registered") << notRegistered << notRegistered << true << QString() << off << 0;
        QTest::newRow("on, refused") << notRegistered << enabled << true << "Permission denied" << off << 0;
        // The item is registered and waiting: the settings are where the user can allow it.
        QTest::newRow("on, refused while approval is pending")
            << pending << pending << true << "Permission denied" << awaitingApproval << 1;
        QTest::newRow("off") << enabled << enabled << false << QString() << off << 0;
        QTest::newRow("off while approval is pending") << pending << pending << false << QString() << off << 0;
        QTest::newRow("off, refused: springs back on") << enabled << enabled << false << "Device or resource busy"
                                                       << on << 0;
        QTest::newRow("off, refused while approval is pending")
            << pending << pending << false << "Device or resource busy" << awaitingApproval << 0;
    }
    void switching() {
        QFETCH(LoginItemState, before);
        QFETCH(LoginItemState, registered);
        QFETCH(bool, switchOn);
        QFETCH(QString, refusal);
        QFETCH(LoginItemSwitch, shown);
        QFETCH(int, settingsOpened);
        MemoryLoginItem& item = *m_fakes->loginItem;
        item.current = before;
        item.registeredState = registered;
        if (!refusal.isEmpty()) {
            (switchOn ? item.registerFailures : item.unregisterFailures).push_back(refusal);
        }
        AppModel model(quickConfig(), m_fakes->platform());

        model.setOpenAtLogin(switchOn);
        QCOMPARE(model.loginItem(), shown);
        QCOMPARE(model.loginItemError(), refusal.isEmpty() ? std::optional<QString>()
                                                           : std::optional<QString>("Couldn't change this: " + refusal));
        QCOMPARE(item.registers, switchOn ? 1 : 0);
        QCOMPARE(item.unregisters, switchOn ? 0 : 1);
        QCOMPARE(item.settingsOpened, settingsOpened);
    }

    // A plain file stands where the autostart folder belongs. The sentence is the same in every
    // language, the system's message after it.
    void aRefusalOnTheDesktopThenASuccess_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << "en";
        QTest::newRow("Polish") << "pl";
    }
    void aRefusalOnTheDesktopThenASuccess() {
        QFETCH(QString, language);
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString program = root.filePath(QStringLiteral("bin/tarvine"));
        QVERIFY(writeFile(program, "#!/bin/sh\nexit 0\n"));
        QVERIFY(QFile::setPermissions(program, QFile::permissions(program) | QFileDevice::ExeOwner));
        const QString autostart = root.filePath(QStringLiteral("config/autostart"));
        QVERIFY(writeFile(autostart, "mine"));
        auto desktop = std::make_shared<XdgAutostartItem>(
            QMap<QString, QString>{{QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config"))},
                                   {QStringLiteral("HOME"), root.filePath(QStringLiteral("home"))}},
            program);
        Platform platform = m_fakes->platform();
        platform.loginItem = desktop;
        AppModel model(quickConfig(), platform);
        L10n::setLanguage(language);

        model.setOpenAtLogin(true);
        const QString prefix = QStringLiteral("Couldn't change this: ");
        QVERIFY(model.loginItemError());
        QVERIFY2(model.loginItemError()->startsWith(prefix), qPrintable(*model.loginItemError()));
        QVERIFY(!model.loginItemError()->mid(prefix.size()).trimmed().isEmpty());
        QCOMPARE(model.loginItem(), off);
        QCOMPARE(desktop->state(), LoginItemState::notRegistered);

        QVERIFY(QFile::remove(autostart));
        model.setOpenAtLogin(true);
        QCOMPARE(model.loginItemError(), std::nullopt);
        QCOMPARE(model.loginItem(), on);
        QVERIFY(QFileInfo::exists(desktop->entryPath()));

        model.setOpenAtLogin(false);
        QCOMPARE(model.loginItem(), off);
        QVERIFY(!QFileInfo::exists(desktop->entryPath()));
    }
};

QTEST_GUILESS_MAIN(AppLoginItemTest)
#include "tst_apploginitem.moc"
