#include "FernholmApp/studio/DocumentWriter.h"
#include "FernholmApp/studio/StudioHost.h"
#include "FernholmApp/studio/StudioMessage.h"
#include "support/FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

using namespace fernholm;

namespace {

// A message as the web channel hands it over: JSON text turned into a variant.
QVariant channelValue(const QByteArray& json) {
    return QJsonDocument::fromJson("[" + json + "]").toVariant().toList().value(0);
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

constexpr int kPort = 47001;

} // namespace

class StudioRulesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void studioAddresses_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("studio");
        const QString gateway = QStringLiteral("http://127.0.0.1:%1").arg(kPort);
        QTest::newRow("studio") << gateway + "/studio" << kPort << true;
        QTest::newRow("sign-in") << gateway + "/studio/auth" << kPort << true;
        QTest::newRow("sign-in with query") << gateway + "/studio/auth?t=abc&lang=pl&sample=1" << kPort << true;
        QTest::newRow("studio with query and fragment") << gateway + "/studio?doc=1#top" << kPort << true;
        QTest::newRow("another gateway path") << gateway + "/api/status" << kPort << false;
        QTest::newRow("below the studio") << gateway + "/studio/auth/x" << kPort << false;
        QTest::newRow("trailing slash") << gateway + "/studio/" << kPort << false;
        QTest::newRow("encoded slash") << gateway + "/studio%2Fauth" << kPort << false;
        QTest::newRow("other case") << gateway + "/Studio" << kPort << false;
        QTest::newRow("https") << QStringLiteral("https://127.0.0.1:%1/studio").arg(kPort) << kPort << false;
        QTest::newRow("localhost") << QStringLiteral("http://localhost:%1/studio").arg(kPort) << kPort << false;
        QTest::newRow("IPv6 loopback") << QStringLiteral("http://[::1]:%1/studio").arg(kPort) << kPort << false;
        QTest::newRow("another port") << QStringLiteral("http://127.0.0.1:%1/studio").arg(kPort + 1) << kPort << false;
        QTest::newRow("the port left out") << QStringLiteral("http://127.0.0.1/studio") << kPort << false;
        QTest::newRow("the port left out, gateway on 80") << QStringLiteral("http://127.0.0.1/studio") << 80 << true;
        QTest::newRow("blank") << QStringLiteral("about:blank") << kPort << false;
        QTest::newRow("nothing") << QString() << kPort << false;
    }
    void studioAddresses() {
        QFETCH(QString, url);
        QFETCH(int, port);
        QFETCH(bool, studio);
        QCOMPARE(StudioHost::isStudio(QUrl(url), port), studio);
    }

    void readsMessages_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<StudioMessage>("expected");
        const auto busy = [](qint64 n) {
            return StudioMessage{n, std::nullopt};
        };
        const auto save = [](const char* name, const char* bytes) {
            return StudioMessage{std::nullopt, SaveRequest{QString::fromUtf8(name), QByteArray(bytes)}};
        };
        const StudioMessage none;
        constexpr qint64 most = std::numeric_limits<qint64>::max();

        QTest::newRow("busy") << QByteArray(R"({"busy": 2})") << busy(2);
        QTest::newRow("idle") << QByteArray(R"({"busy": 0})") << busy(0);
        QTest::newRow("negative") << QByteArray(R"({"busy": -1})") << busy(-1);
        QTest::newRow("whole double") << QByteArray(R"({"busy": 3.0})") << busy(3);
        QTest::newRow("beyond 64 bits") << QByteArray(R"({"busy": 1e300})") << busy(most);
        QTest::newRow("fraction") << QByteArray(R"({"busy": 2.5})") << none;
        QTest::newRow("true") << QByteArray(R"({"busy": true})") << none;
        QTest::newRow("text") << QByteArray(R"({"busy": "1"})") << none;
        QTest::newRow("null") << QByteArray(R"({"busy": null})") << none;

        QTest::newRow("save") << QByteArray(R"({"save": {"name": "a.txt", "b64": "aGVsbG8="}})")
                              << save("a.txt", "hello");
        QTest::newRow("save of an empty file")
            << QByteArray(R"({"save": {"name": "e.txt", "b64": ""}})") << save("e.txt", "");
        QTest::newRow("save beside a fractional busy")
            << QByteArray(R"({"busy": 0.5, "save": {"name": "a.txt", "b64": "aGk="}})") << save("a.txt", "hi");
        QTest::newRow("busy beside a save")
            << QByteArray(R"({"busy": 1, "save": {"name": "a.txt", "b64": "aGk="}})") << busy(1);
        QTest::newRow("base64 with a space") << QByteArray(R"({"save": {"name": "a", "b64": "aGVs bG8="}})") << none;
        QTest::newRow("base64 without padding") << QByteArray(R"({"save": {"name": "a", "b64": "aGVsbG8"}})") << none;
        QTest::newRow("URL-safe base64") << QByteArray(R"({"save": {"name": "a", "b64": "-_-_"}})") << none;
        QTest::newRow("base64 not text") << QByteArray(R"({"save": {"name": "a", "b64": 12}})") << none;
        QTest::newRow("no name") << QByteArray(R"({"save": {"b64": "aGk="}})") << none;
        QTest::newRow("name not text") << QByteArray(R"({"save": {"name": 7, "b64": "aGk="}})") << none;
        QTest::newRow("empty save") << QByteArray(R"({"save": {}})") << none;
        QTest::newRow("save not an object") << QByteArray(R"({"save": "aGk="})") << none;
        QTest::newRow("empty object") << QByteArray("{}") << none;
        QTest::newRow("array") << QByteArray(R"([{"busy": 1}])") << none;
        QTest::newRow("number") << QByteArray("1") << none;
    }
    void readsMessages() {
        QFETCH(QByteArray, json);
        QFETCH(StudioMessage, expected);
        const QVariant body = channelValue(json);
        QVERIFY2(body.isValid(), json.constData());
        const StudioMessage read = readStudioMessage(body);
        QCOMPARE(read.busy, expected.busy);
        QCOMPARE(read.save.has_value(), expected.save.has_value());
        if (expected.save) {
            QCOMPARE(read.save->name, expected.save->name);
            QCOMPARE(read.save->bytes, expected.save->bytes);
        }
    }

    void saveDialogStartsWithTheBaseName_data() {
        QTest::addColumn<QString>("suggested");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "report.docx"
                               << "report.docx";
        QTest::newRow("folders") << "a/b/report.docx"
                                 << "report.docx";
        QTest::newRow("climbing out") << "../../.profile"
                                      << ".profile";
        QTest::newRow("backslashes") << "C:\\Users\\ann\\report.docx"
                                     << "report.docx";
        QTest::newRow("folder only") << "drafts/"
                                     << "";
        QTest::newRow("parent folder") << ".."
                                       << "";
        QTest::newRow("control characters") << "re\nport\t.txt"
                                            << "report.txt";
        QTest::newRow("letters beyond ASCII")
            << QString::fromUtf8("Umowa – żółw.pdf") << QString::fromUtf8("Umowa – żółw.pdf");
    }
    void saveDialogStartsWithTheBaseName() {
        QFETCH(QString, suggested);
        QFETCH(QString, name);
        QCOMPARE(saveDialogName(suggested), name);
    }

    void writesDocuments_data() {
        QTest::addColumn<QString>("target"); // in the temporary folder
        QTest::addColumn<bool>("existing");  // the target holds "old text" before
        QTest::addColumn<bool>("written");
        QTest::newRow("new file") << "doc.txt" << false << true;
        QTest::newRow("over a file") << "doc.txt" << true << true;
        QTest::newRow("into a missing folder") << "gone/doc.txt" << false << false;
        QTest::newRow("onto a folder") << "folder" << false << false;
    }
    void writesDocuments() {
        QFETCH(QString, target);
        QFETCH(bool, existing);
        QFETCH(bool, written);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
        const QString path = dir.filePath(target);
        if (existing) {
            QVERIFY(writeFile(path, "old text"));
        }
        const QByteArray document(5000, 'd');

        const std::optional<QString> failure = writeDocument(path, document);

        QCOMPARE(!failure.has_value(), written);
        if (written) {
            QCOMPARE(contents(path), document);
        } else {
            QVERIFY(!failure->isEmpty());
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), existing || written ? 1 : 0);
    }

    // A write that fails midway (the disk full, a size limit) leaves the file it was to replace.
    void aWriteFailingMidwayLeavesTheOldFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("doc.txt"));
        QVERIFY(writeFile(path, "old text"));
        std::optional<QString> failure;
        {
            test::FileSizeLimit limit(1024);
            QVERIFY(limit.active());
            failure = writeDocument(path, QByteArray(64 * 1024, 'n'));
        }
        QVERIFY(failure);
        QVERIFY(!failure->isEmpty());
        QCOMPARE(contents(path), QByteArray("old text"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"doc.txt"});
    }
};

QTEST_GUILESS_MAIN(StudioRulesTest)
#include "tst_studiorules.moc"
