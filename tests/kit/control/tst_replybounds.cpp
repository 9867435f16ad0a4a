// Replies that never end, or end far too late or far too large: each exchange ends within its
// deadline as a failed one, and memory stays where it was. The memory is the process's peak
// resident size, so the costly cases come first, before anything else has raised the peak; under
// the address sanitizer, whose allocator holds on to memory, it is not judged.
#include "FernholmKit/control/BoundedReply.h"
#include "FernholmKit/control/GatewayClient.h"
#include "FernholmKit/supervision/SidecarProcess.h"
#include "support/ClientFixtures.h"
#include "support/KitPrinters.h"
#include "support/TestHttpServer.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <QCoroTask>

#include <algorithm>
#include <memory>
#include <optional>

#include <sys/resource.h>

using namespace fernholm;
using fernholm::test::provenGate;
using fernholm::test::RecordedRequest;
using fernholm::test::ScriptedReply;
using fernholm::test::TestHttpServer;
using fernholm::test::testToken;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(ScriptedReply)

namespace {

// The process's peak resident size so far, in KiB.
long peakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A few MB: the body bound of the client's replies and what the network layer and the test server
// keep on their way.
constexpr long allowedGrowthKiB = 8 * 1024;

void checkPeakGrowth(long before) {
#if defined(__SANITIZE_ADDRESS__)
    Q_UNUSED(before);
#else
    const long grown = peakResidentKiB() - before;
    QVERIFY2(grown <= allowedGrowthKiB, qPrintable(QStringLiteral("the peak grew by %1 KiB").arg(grown)));
#endif
}

// The answer of a call, or nothing when it has none after 10 s: far less than the default deadline of
// an exchange (see GatewaySession), far more than a bound that works needs.
template <typename T> std::optional<T> answerOf(QCoro::Task<T> task) {
    auto answer = std::make_shared<std::optional<T>>();
    const auto await = [](QCoro::Task<T> call, std::shared_ptr<std::optional<T>> into) -> QCoro::Task<> {
        *into = co_await std::move(call);
    };
    QCoro::Task<> awaiting = await(std::move(task), answer);
    [[maybe_unused]] const bool answered = QTest::qWaitFor([answer] { return answer->has_value(); }, 10'000);
    return *answer;
}

} // namespace

class ReplyBoundsTest : public QObject {
    Q_OBJECT

    TestHttpServer* m_server = nullptr;

private Q_SLOTS:
    void initTestCase() {
        // What the first exchange of a process sets up (the network layer's thread and the rest)
        // is not what is measured.
        TestHttpServer server;
        QVERIFY(server.listen());
        const GatewayClient client(server.port(), testToken);
        QCOMPARE(QCoro::waitFor(client.status()).error(), GatewayError::http(404));
        QVERIFY(!QCoro::waitFor(SidecarProcess::answersAsOurs(server.port(), testToken, 1s)));
    }
    void init() {
        m_server = new TestHttpServer(this);
        QVERIFY(m_server->listen());
    }
    void cleanup() {
        delete m_server;
        m_server = nullptr;
    }

    // A body without end, as fast as the line takes it: given up at the size bound, long before
    // the idle time-out or the deadline could end it (either would end it as timed out).
    void endlessBodyEndsAtTheSizeBound() {
        m_server->setReply("/api/status", ScriptedReply::streamed(-1));
        auto gate = provenGate();
        const GatewayClient client(m_server->port(), testToken, gate);
        const long before = peakResidentKiB();
        const auto answer = answerOf(client.status());
        QVERIFY2(answer, "the exchange did not end");
        const auto& result = *answer;
        QCOMPARE(result.error(),
                 GatewayError::transport(
                     QStringLiteral("The reply was larger than %1 bytes.").arg(GatewaySession::replyAllowance)));
        QVERIFY(!gate->holds());
        checkPeakGrowth(before);
    }

    // The identity proof's reply from a listener that sends 200 MB, or a body without end:
    // given up at 64 KiB, not at the proof's time-out, and without holding the body.
    void hugeProofReplyIsGivenUp_data() {
        QTest::addColumn<qint64>("size");
        QTest::newRow("200 MB") << 200LL * 1024 * 1024;
        QTest::newRow("without end") << qint64(-1);
    }
    void hugeProofReplyIsGivenUp() {
        QFETCH(qint64, size);
        m_server->setReply("/api/hello", ScriptedReply::streamed(size));
        const long before = peakResidentKiB();
        const std::optional<bool> proven = answerOf(SidecarProcess::answersAsOurs(m_server->port(), testToken, 1h));
        QVERIFY2(proven, "the proof did not give up");
        QVERIFY(!*proven);
        checkPeakGrowth(before);
    }

    // A byte now and then keeps the line from ever going idle, and the body would take hours:
    // only the deadline of the whole exchange, two idle time-outs, ends it.
    void dripEndsAtTheDeadline() {
        m_server->setReply("/api/status", ScriptedReply::trickled(QByteArray(100'000, ' ')));
        auto gate = provenGate();
        auto session = std::make_shared<GatewaySession>(testToken, 300ms);
        const GatewayClient client(m_server->port(), session, gate);
        const auto answer = answerOf(client.status());
        QVERIFY2(answer, "the exchange did not end");
        QCOMPARE(answer->error(), GatewayError::transport(QStringLiteral("The request timed out.")));
        QVERIFY(!gate->holds());
    }

    // An honest reply grows with what was sent: a stamped copy of a file of several MB is taken
    // whole, although it is larger than the allowance for replies alone.
    void largeStampedCopyIsTakenWhole() {
        QByteArray file(3 * 1024 * 1024, '\0');
        for (qsizetype i = 0; i < file.size(); ++i) {
            file[i] = static_cast<char>((i * 7919) % 251);
        }
        m_server->setHandler("/api/stamp_copy", [](const RecordedRequest& request) {
            return ScriptedReply::json(request.body); // {"data_b64": ...}, the bytes as they came
        });
        const GatewayClient client(m_server->port(), testToken, provenGate());
        const auto stamped = QCoro::waitFor(client.stampCopy(file));
        QVERIFY2(stamped.ok(), qPrintable(failureText(stamped)));
        QVERIFY(m_server->requests("/api/stamp_copy").first().body.size() > GatewaySession::replyAllowance);
        QCOMPARE(stamped.value(), file);
    }

    // A poll every second must not leave a deadline pending per exchange: the deadline is armed
    // while the reply runs and ends with it, answered, failed or given up.
    void deadlineEndsWithItsReply_data() {
        QTest::addColumn<ScriptedReply>("scripted");
        QTest::newRow("answered") << ScriptedReply::json(R"({"protection": "on"})");
        QTest::newRow("error status") << ScriptedReply::json("{}", 500);
        QTest::newRow("cut off") << ScriptedReply::cutOff(QByteArray(2000, ' '));
        QTest::newRow("too large") << ScriptedReply::streamed(-1);
    }
    void deadlineEndsWithItsReply() {
        QFETCH(ScriptedReply, scripted);
        m_server->setReply("/api/status", scripted);
        QNetworkAccessManager manager;
        manager.setProxy(QNetworkProxy::NoProxy);
        QNetworkReply* reply =
            manager.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/api/status").arg(m_server->port()))));
        const auto activeTimers = [reply] {
            const auto timers = reply->findChildren<QTimer*>();
            return std::count_if(timers.begin(), timers.end(), [](const QTimer* t) { return t->isActive(); });
        };
        BoundedReply bounded(reply, 64 * 1024, 1h);
        QCOMPARE(activeTimers(), 1);
        QSignalSpy finished(reply, &QNetworkReply::finished);
        QVERIFY(finished.wait(10'000));
        QCOMPARE(activeTimers(), 0);
        QVERIFY(!bounded.pastDeadline());
        delete reply;
    }

    // Nothing but the plain body is asked for; a gateway that encodes its reply anyway, a
    // decompression bomb or a body under a false label, fails the exchange.
    void encodedReplyFailsTheExchange_data() {
        QTest::addColumn<QByteArray>("encoding");
        QTest::addColumn<QByteArray>("body");
        // "deflate" is a zlib stream: qCompress's output without its four-byte length.
        QTest::newRow("deflate bomb") << QByteArray("deflate")
                                      << qCompress(QByteArray(24 * 1024 * 1024, ' '), 9).mid(4);
        QTest::newRow("gzip label on a plain body") << QByteArray("gzip") << QByteArray(R"({"protection": "on"})");
    }
    void encodedReplyFailsTheExchange() {
        QFETCH(QByteArray, encoding);
        QFETCH(QByteArray, body);
        ScriptedReply reply = ScriptedReply::json(body);
        reply.headers.append({"Content-Encoding", encoding});
        m_server->setReply("/api/status", reply);
        auto gate = provenGate();
        const GatewayClient client(m_server->port(), testToken, gate);
        const auto result = QCoro::waitFor(client.status());
        QCOMPARE(result.error().kind(), GatewayError::Kind::transport);
        QVERIFY(!gate->holds());
        QCOMPARE(m_server->requests("/api/status").first().header("Accept-Encoding"), QByteArray("identity"));
    }
};

QTEST_GUILESS_MAIN(ReplyBoundsTest)
#include "tst_replybounds.moc"
