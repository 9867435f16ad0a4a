#include "FernholmKit/supervision/SystemProxyCleaner.h"

#include <QCoroTask>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <filesystem>
#include <functional>

using namespace fernholm;
using Result = SystemProxyCleaner::Result;

namespace {

const QString header = QStringLiteral("An asterisk (*) denotes that a network service is disabled.");

// A proxy tool with a memory: reads show what the switch-offs left behind. Any exact command
// line can be made to fail, or be given its own answer.
class FakeProxyTool {
public:
    struct Proxy {
        bool enabled = false;
        QString server;
        int port = 0;
    };

    std::optional<QString> listing = header + QStringLiteral("\nWi-Fi\n");
    QMap<QString, Proxy> proxies;    // "-getwebproxy Wi-Fi" -> what that read shows
    QSet<QString> failing;           // command lines that answer nothing
    QSet<QString> failingAfterFirst; // command lines that answer once, then nothing
    QSet<QString> ignoredSwitchOffs; // switch-offs that answer but change nothing
    QMap<QString, QString> answers;  // command lines with a scripted answer
    QList<QStringList> calls;

    void point(const QString& read, const QString& service, int port = 48080, const QString& server = "127.0.0.1") {
        proxies[read + QLatin1Char(' ') + service] = {true, server, port};
    }

    SystemProxyCleaner::Runner runner() {
        return [this](const QStringList& arguments) {
            return run(arguments);
        };
    }

private:
    std::optional<QString> run(const QStringList& arguments) {
        calls.append(arguments);
        const QString line = arguments.join(QLatin1Char(' '));
        if (failing.contains(line)) {
            return std::nullopt;
        }
        if (failingAfterFirst.contains(line)) {
            failing.insert(line);
        }
        if (answers.contains(line)) {
            return answers.value(line);
        }
        const QString& verb = arguments.at(0);
        if (verb == QLatin1String("-listallnetworkservices")) {
            return listing;
        }
        if (verb == QLatin1String("-getwebproxy") || verb == QLatin1String("-getsecurewebproxy")) {
            const Proxy proxy = proxies.value(line);
            return QStringLiteral("Enabled: %1\nServer: %2\nPort: %3\nAuthenticated Proxy Enabled: 0\n")
                .arg(proxy.enabled ? "Yes" : "No", proxy.server)
                .arg(proxy.port);
        }
        if (verb == QLatin1String("-setwebproxystate") || verb == QLatin1String("-setsecurewebproxystate")) {
            if (!ignoredSwitchOffs.contains(line)) {
                const QString read = verb == QLatin1String("-setwebproxystate") ? "-getwebproxy" : "-getsecurewebproxy";
                proxies[read + QLatin1Char(' ') + arguments.at(1)].enabled = false;
            }
            return QString();
        }
        if (verb == QLatin1String("-getproxybypassdomains")) {
            return QStringLiteral("There aren't any bypass domains set on %1.\n").arg(arguments.at(1));
        }
        return QString(); // the other set commands succeed silently
    }
};

using Setup = std::function<void(FakeProxyTool&)>;

QStringList offCommand(const QString& verb, const QString& service) {
    return {verb, service, QStringLiteral("off")};
}

// JSON written with single quotes, to keep the tables readable.
QByteArray json(const char* text) {
    return QByteArray(text).replace('\'', '"');
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The file's permission bits, as in "0600".
int mode(const QString& path) {
    return static_cast<int>(std::filesystem::status(path.toStdString()).permissions() & std::filesystem::perms::mask);
}

void writeFile(const QString& path, const QByteArray& bytes, int permissions) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    std::filesystem::permissions(path.toStdString(), static_cast<std::filesystem::perms>(permissions));
    QCOMPARE(mode(path), permissions);
}

} // namespace

namespace QTest {
template <> char* toString(const Result& result) {
    QStringList ran;
    for (const QStringList& command : result.ran) {
        ran.append(command.join(QLatin1Char(' ')));
    }
    return qstrdup(QStringLiteral("ran [%1] stillOurs [%2]")
                       .arg(ran.join(QStringLiteral(", ")), result.stillOurs.join(QStringLiteral(", ")))
                       .toUtf8()
                       .constData());
}
} // namespace QTest

class ProxyCleanerTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pointsAt_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("ours");
        QTest::newRow("on at our port") << "Enabled: Yes\nServer: 127.0.0.1\nPort: 48080\n" << 48080 << true;
        QTest::newRow("the tool's extra lines") << "Enabled: Yes\nServer: 127.0.0.1\nPort: 48080\n"
                                                   "Authenticated Proxy Enabled: 0\n"
                                                << 48080 << true;
        QTest::newRow("switched off") << "Enabled: No\nServer: 127.0.0.1\nPort: 48080\n" << 48080 << false;
        QTest::newRow("another server") << "Enabled: Yes\nServer: 127.0.0.2\nPort: 48080\n" << 48080 << false;
        QTest::newRow("another port") << "Enabled: Yes\nServer: 127.0.0.1\nPort: 8080\n" << 48080 << false;
        QTest::newRow("yes in lower case") << "Enabled: yes\nServer: 127.0.0.1\nPort: 48080\n" << 48080 << false;
        QTest::newRow("port with a leading zero") << "Enabled: Yes\nServer: 127.0.0.1\nPort: 048080\n"
                                                  << 48080 << false;
        QTest::newRow("port missing") << "Enabled: Yes\nServer: 127.0.0.1\n" << 48080 << false;
        QTest::newRow("empty output") << "" << 48080 << false;
        QTest::newRow("server with nothing after the colon") << "Enabled: Yes\nServer:\nPort: 48080\n"
                                                             << 48080 << false;
        QTest::newRow("empty server line does not erase an earlier one")
            << "Enabled: Yes\nServer: 127.0.0.1\nServer:\nPort: 48080\n"
            << 48080 << true;
        QTest::newRow("server of only blanks") << "Enabled: Yes\nServer: \t\nPort: 48080\n" << 48080 << false;
        QTest::newRow("a later line wins") << "Enabled: Yes\nServer: 10.0.0.1\nPort: 48080\nServer: 127.0.0.1\n"
                                           << 48080 << true;
        QTest::newRow("a later line wins, either way") << "Enabled: Yes\nServer: 127.0.0.1\nPort: 48080\nEnabled: No\n"
                                                       << 48080 << false;
        QTest::newRow("spaces and tabs trimmed") << "  Enabled:\tYes \n\tServer:   127.0.0.1\t\nPort:48080\n\n"
                                                 << 48080 << true;
        QTest::newRow("carriage returns are not trimmed") << "Enabled: Yes\r\nServer: 127.0.0.1\r\nPort: 48080\r\n"
                                                          << 48080 << false;
        QTest::newRow("split at the first colon only") << "Enabled: Yes\nServer: 127.0.0.1:48080\nPort: 48080\n"
                                                       << 48080 << false;
        QTest::newRow("a line without a key is ignored")
            << "Enabled: Yes\nServer: 127.0.0.1\nPort: 48080\n: 9\nno colon here\n"
            << 48080 << true;
    }
    void pointsAt() {
        QFETCH(QString, output);
        QFETCH(int, port);
        QFETCH(bool, ours);
        QCOMPARE(SystemProxyCleaner::pointsAt(output, port), ours);
    }

    // Which services clear() looks at, and in which order.
    void serviceList_data() {
        QTest::addColumn<std::optional<QString>>("given");
        QTest::addColumn<QString>("listing");
        QTest::addColumn<QStringList>("visited");
        const QString wifiEthernet = header + "\nWi-Fi\n*Ethernet\nWi-Fi\n";
        QTest::newRow("given service first, listed ones once")
            << std::optional<QString>("USB LAN") << wifiEthernet << QStringList{"USB LAN", "Wi-Fi", "Ethernet"};
        QTest::newRow("given service also listed")
            << std::optional<QString>("Ethernet") << wifiEthernet << QStringList{"Ethernet", "Wi-Fi"};
        QTest::newRow("no given service")
            << std::optional<QString>() << wifiEthernet << QStringList{"Wi-Fi", "Ethernet"};
        QTest::newRow("empty given service")
            << std::optional<QString>("") << wifiEthernet << QStringList{"Wi-Fi", "Ethernet"};
        QTest::newRow("header only") << std::optional<QString>() << header + "\n" << QStringList{};
        QTest::newRow("blank lines before the header are dropped")
            << std::optional<QString>() << "\n\n" + header + "\n\nWi-Fi\n"
            << QStringList{"Wi-Fi"};
        QTest::newRow("one star removed, a lone star skipped")
            << std::optional<QString>() << header + "\n**Odd\n*\nWi-Fi" << QStringList{"*Odd", "Wi-Fi"};
        QTest::newRow("names are not trimmed") << std::optional<QString>("Wi-Fi") << header + "\n Wi-Fi\nWi-Fi \n"
                                               << QStringList{"Wi-Fi", " Wi-Fi", "Wi-Fi "};
        QTest::newRow("names with spaces stay one argument")
            << std::optional<QString>() << header + "\nUSB 10/100/1000 LAN\n"
            << QStringList{"USB 10/100/1000 LAN"};
    }
    void serviceList() {
        QFETCH(std::optional<QString>, given);
        QFETCH(QString, listing);
        QFETCH(QStringList, visited);
        FakeProxyTool tool;
        tool.listing = listing;
        const Result result = SystemProxyCleaner::clear(given, 48080, std::nullopt, tool.runner());
        QCOMPARE(result, Result{});

        QStringList webReads;
        QStringList secureReads;
        for (const QStringList& call : std::as_const(tool.calls)) {
            QVERIFY(call.size() == 1 || call.size() == 2);
            if (call.at(0) == QLatin1String("-getwebproxy")) {
                webReads.append(call.at(1));
            } else if (call.at(0) == QLatin1String("-getsecurewebproxy")) {
                secureReads.append(call.at(1));
            }
        }
        QCOMPARE(webReads, visited);
        QCOMPARE(secureReads, visited);
    }

    void clear_data() {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QList<QStringList>>("ran");
        QTest::addColumn<QStringList>("stillOurs");
        const auto web = [](const QString& s) {
            return offCommand("-setwebproxystate", s);
        };
        const auto secure = [](const QString& s) {
            return offCommand("-setsecurewebproxystate", s);
        };

        QTest::newRow("nothing of ours") << Setup([](FakeProxyTool& t) {
            t.point("-getwebproxy", "Wi-Fi", 8080);
            t.point("-getsecurewebproxy", "Wi-Fi", 48080, "10.0.0.1");
        }) << QList<QStringList>{} << QStringList{};
        QTest::newRow("web ours, secure not") << Setup([](FakeProxyTool& t) { t.point("-getwebproxy", "Wi-Fi"); })
                                              << QList<QStringList>{web("Wi-Fi")} << QStringList{};
        QTest::newRow("every proxy of two services, web first") << Setup([](FakeProxyTool& t) {
            t.listing = header + "\nWi-Fi\nEthernet\n";
            for (const char* service : {"Wi-Fi", "Ethernet"}) {
                t.point("-getwebproxy", service);
                t.point("-getsecurewebproxy", service);
            }
        }) << QList<QStringList>{web("Wi-Fi"), secure("Wi-Fi"), web("Ethernet"), secure("Ethernet")}
                                                                << QStringList{};
        QTest::newRow("read fails: still ours, nothing switched for that row") << Setup([](FakeProxyTool& t) {
            t.point("-getwebproxy", "Wi-Fi");
            t.point("-getsecurewebproxy", "Wi-Fi");
            t.failing.insert("-getwebproxy Wi-Fi");
        }) << QList<QStringList>{secure("Wi-Fi")} << QStringList{"Wi-Fi"};
        QTest::newRow("switch-off fails") << Setup([](FakeProxyTool& t) {
            t.point("-getwebproxy", "Wi-Fi");
            t.failing.insert("-setwebproxystate Wi-Fi off");
        }) << QList<QStringList>{web("Wi-Fi")}
                                          << QStringList{"Wi-Fi"};
        QTest::newRow("switch-off answers but the proxy stays on") << Setup([](FakeProxyTool& t) {
            t.point("-getsecurewebproxy", "Wi-Fi");
            t.ignoredSwitchOffs.insert("-setsecurewebproxystate Wi-Fi off");
        }) << QList<QStringList>{secure("Wi-Fi")} << QStringList{"Wi-Fi"};
        QTest::newRow("re-check fails") << Setup([](FakeProxyTool& t) {
            t.point("-getwebproxy", "Wi-Fi");
            t.failingAfterFirst.insert("-getwebproxy Wi-Fi");
        }) << QList<QStringList>{web("Wi-Fi")}
                                        << QStringList{"Wi-Fi"};
        QTest::newRow("a service listed once however often it fails") << Setup([](FakeProxyTool& t) {
            t.failing.insert("-getwebproxy Wi-Fi");
            t.failing.insert("-getsecurewebproxy Wi-Fi");
        }) << QList<QStringList>{} << QStringList{"Wi-Fi"};
        QTest::newRow("still ours in the order found") << Setup([](FakeProxyTool& t) {
            t.listing = header + "\nEthernet\nWi-Fi\nThunderbolt Bridge\n";
            t.point("-getwebproxy", "Ethernet");
            t.point("-getwebproxy", "Thunderbolt Bridge");
            t.ignoredSwitchOffs.insert("-setwebproxystate Ethernet off");
            t.failing.insert("-getsecurewebproxy Wi-Fi");
        }) << QList<QStringList>{web("Ethernet"), web("Thunderbolt Bridge")}
                                                       << QStringList{"Wi-Fi", "Ethernet"};
    }
    void clear() {
        QFETCH(Setup, setup);
        QFETCH(QList<QStringList>, ran);
        QFETCH(QStringList, stillOurs);
        FakeProxyTool tool;
        setup(tool);
        const Result result = SystemProxyCleaner::clear(QStringLiteral("Wi-Fi"), 48080, std::nullopt, tool.runner());
        QCOMPARE(result, (Result{ran, stillOurs}));
        QCOMPARE(result.ok(), stillOurs.isEmpty());
    }

    void switchOffIsCheckedByReadingAgain() {
        FakeProxyTool tool;
        tool.point("-getwebproxy", "Wi-Fi");
        SystemProxyCleaner::clear(std::nullopt, 48080, std::nullopt, tool.runner());
        const QList<QStringList> expected{{"-listallnetworkservices"},
                                          {"-getwebproxy", "Wi-Fi"},
                                          {"-setwebproxystate", "Wi-Fi", "off"},
                                          {"-getwebproxy", "Wi-Fi"},
                                          {"-getsecurewebproxy", "Wi-Fi"}};
        QCOMPARE(tool.calls, expected);
    }

    void unreadableListingTouchesNothing() {
        QTemporaryDir dir;
        const QString parked = dir.filePath("_proxy_parked.json");
        const QByteArray parkedBytes = json("{'Wi-Fi':{'pac_url':'http://wpad/proxy.pac'}}");
        writeFile(parked, parkedBytes, 0600);

        FakeProxyTool tool;
        tool.listing.reset();
        tool.point("-getwebproxy", "Wi-Fi");
        const Result result = SystemProxyCleaner::clear(QStringLiteral("Wi-Fi"), 48080, parked, tool.runner());
        QCOMPARE(result, (Result{{}, {"(network services unreadable)"}}));
        QVERIFY(!result.ok());
        QCOMPARE(tool.calls, (QList<QStringList>{{"-listallnetworkservices"}}));
        QCOMPARE(readAll(parked), parkedBytes);
    }

    void parkedEntryOfAServiceStillOursStays() {
        QTemporaryDir dir;
        const QString parked = dir.filePath("_proxy_parked.json");
        writeFile(parked, json("{'Wi-Fi':{'pac_url':'http://a/x.pac'},'Ethernet':{'wpad_on':true}}"), 0600);
        FakeProxyTool tool;
        tool.listing = header + "\nWi-Fi\nEthernet\n";
        tool.point("-getwebproxy", "Wi-Fi");
        tool.ignoredSwitchOffs.insert("-setwebproxystate Wi-Fi off");

        const Result result = SystemProxyCleaner::clear(std::nullopt, 48080, parked, tool.runner());
        QCOMPARE(result.stillOurs, QStringList{"Wi-Fi"});
        QVERIFY(tool.calls.contains(QStringList{"-setproxyautodiscovery", "Ethernet", "on"}));
        QVERIFY(!tool.calls.contains(QStringList{"-setautoproxyurl", "Wi-Fi", "http://a/x.pac"}));
        const QByteArray left = json("{'Wi-Fi':{'pac_url':'http://a/x.pac'}}");
        QCOMPARE(QJsonDocument::fromJson(readAll(parked)).object(), QJsonDocument::fromJson(left).object());
    }

    void restoreParked_data() {
        QTest::addColumn<QByteArray>("parked");
        QTest::addColumn<QStringList>("skipping");
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QList<QStringList>>("commands"); // every command but the reads of bypass domains
        QTest::addColumn<QByteArray>("outcome");          // "deleted", "untouched", or the JSON left
        const Setup none = [](FakeProxyTool&) {
        };
        const auto bypass = [](const QString& service, const QString& current) {
            return Setup([=](FakeProxyTool& t) { t.answers.insert("-getproxybypassdomains " + service, current); });
        };

        QTest::newRow("exceptions added to the current list")
            << json("{'Wi-Fi':{'exceptions':['A','B']}}") << QStringList{} << bypass("Wi-Fi", "B\nC\n")
            << QList<QStringList>{{"-setproxybypassdomains", "Wi-Fi", "B", "C", "A"}} << QByteArray("deleted");
        QTest::newRow("the empty-list sentence is dropped")
            << json("{'Wi-Fi':{'exceptions':['A','B']}}") << QStringList{} << none
            << QList<QStringList>{{"-setproxybypassdomains", "Wi-Fi", "A", "B"}} << QByteArray("deleted");
        QTest::newRow("a missing exception parked twice is added twice")
            << json("{'Wi-Fi':{'exceptions':['A','A','B']}}") << QStringList{} << bypass("Wi-Fi", "B")
            << QList<QStringList>{{"-setproxybypassdomains", "Wi-Fi", "B", "A", "A"}} << QByteArray("deleted");
        QTest::newRow("automatic configuration and discovery")
            << json("{'Wi-Fi':{'pac_url':'http://wpad/proxy.pac','wpad_on':true}}") << QStringList{} << none
            << QList<QStringList>{{"-setautoproxyurl", "Wi-Fi", "http://wpad/proxy.pac"},
                                  {"-setproxyautodiscovery", "Wi-Fi", "on"}}
            << QByteArray("deleted");
        QTest::newRow("wpad false, empty pac and empty exceptions issue nothing")
            << json("{'Wi-Fi':{'wpad_on':false,'pac_url':'','exceptions':[]}}") << QStringList{} << none
            << QList<QStringList>{} << QByteArray("deleted");
        QTest::newRow("values of the wrong type issue nothing")
            << json("{'Wi-Fi':{'wpad_on':'true','pac_url':7,'exceptions':['A',3]}}") << QStringList{} << none
            << QList<QStringList>{} << QByteArray("deleted");
        QTest::newRow("a skipped service keeps its entry")
            << json("{'Wi-Fi':{'pac_url':'http://a/x.pac','note':1},'Ethernet':{'wpad_on':true}}")
            << QStringList{"Wi-Fi"} << none << QList<QStringList>{{"-setproxyautodiscovery", "Ethernet", "on"}}
            << json("{'Wi-Fi':{'pac_url':'http://a/x.pac','note':1}}");
        QTest::newRow("a failed command keeps the entry, the rest is still tried")
            << json("{'Wi-Fi':{'pac_url':'http://a/x.pac','wpad_on':true},'Ethernet':{'wpad_on':true}}")
            << QStringList{}
            << Setup([](FakeProxyTool& t) { t.failing.insert("-setautoproxyurl Wi-Fi http://a/x.pac"); })
            << QList<QStringList>{{"-setproxyautodiscovery", "Ethernet", "on"},
                                  {"-setautoproxyurl", "Wi-Fi", "http://a/x.pac"},
                                  {"-setproxyautodiscovery", "Wi-Fi", "on"}}
            << json("{'Wi-Fi':{'pac_url':'http://a/x.pac','wpad_on':true}}");
        QTest::newRow("unreadable bypass list keeps the entry")
            << json("{'Wi-Fi':{'exceptions':['A']}}") << QStringList{}
            << Setup([](FakeProxyTool& t) { t.failing.insert("-getproxybypassdomains Wi-Fi"); }) << QList<QStringList>{}
            << QByteArray("untouched");
        QTest::newRow("everything skipped") << json("{'Wi-Fi':{'wpad_on':true}}") << QStringList{"Wi-Fi"} << none
                                            << QList<QStringList>{} << QByteArray("untouched");
        QTest::newRow("an empty object") << QByteArray("{}") << QStringList{} << none << QList<QStringList>{}
                                         << QByteArray("deleted");
        QTest::newRow("not JSON") << json("{'Wi-Fi':") << QStringList{} << none << QList<QStringList>{}
                                  << QByteArray("untouched");
        QTest::newRow("not an object") << json("[{'wpad_on':true}]") << QStringList{} << none << QList<QStringList>{}
                                       << QByteArray("untouched");
        QTest::newRow("an entry that is not an object")
            << json("{'Wi-Fi':{'wpad_on':true},'Ethernet':true}") << QStringList{} << none << QList<QStringList>{}
            << QByteArray("untouched");
        QTest::newRow("no file") << QByteArray() << QStringList{} << none << QList<QStringList>{}
                                 << QByteArray("deleted");
    }
    void restoreParked() {
        QFETCH(QByteArray, parked);
        QFETCH(QStringList, skipping);
        QFETCH(Setup, setup);
        QFETCH(QList<QStringList>, commands);
        QFETCH(QByteArray, outcome);

        QTemporaryDir dir;
        const QString path = dir.filePath("_proxy_parked.json");
        // Readable by others beforehand, so that a rewrite visibly tightens it.
        const int before = 0644;
        if (!parked.isNull()) {
            writeFile(path, parked, before);
        }
        QFile old(path);
        if (!parked.isNull()) {
            QVERIFY(old.open(QIODevice::ReadOnly));
        }

        FakeProxyTool tool;
        setup(tool);
        SystemProxyCleaner::restoreParked(path, skipping, tool.runner());

        QList<QStringList> issued;
        for (const QStringList& call : std::as_const(tool.calls)) {
            if (call.at(0) != QLatin1String("-getproxybypassdomains")) {
                issued.append(call);
            }
        }
        QCOMPARE(issued, commands);

        if (outcome == "deleted") {
            QVERIFY(!QFile::exists(path));
        } else if (outcome == "untouched") {
            QCOMPARE(readAll(path), parked);
            QCOMPARE(mode(path), before);
        } else {
            QCOMPARE(QJsonDocument::fromJson(readAll(path)).object(), QJsonDocument::fromJson(outcome).object());
            QCOMPARE(mode(path), 0600);
            // Replaced, not written over: a reader holding the old file still sees it whole.
            QCOMPARE(old.readAll(), parked);
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QFile::exists(path) ? QStringList{"_proxy_parked.json"} : QStringList{});
    }

    void clearAsyncRunsOnThePool() {
        FakeProxyTool tool;
        tool.point("-getsecurewebproxy", "Wi-Fi");
        QThread* ranOn = nullptr;
        const SystemProxyCleaner::Runner runner = [&](const QStringList& arguments) {
            ranOn = QThread::currentThread();
            return tool.runner()(arguments);
        };
        const Result result = QCoro::waitFor(SystemProxyCleaner::clearAsync(std::nullopt, 48080, std::nullopt, runner));
        QCOMPARE(result, (Result{{{"-setsecurewebproxystate", "Wi-Fi", "off"}}, {}}));
        QVERIFY(ranOn != nullptr);
        QVERIFY(ranOn != QThread::currentThread());
    }
};

QTEST_GUILESS_MAIN(ProxyCleanerTest)
#include "tst_proxycleaner.moc"
