#include "FernholmKit/control/GatewayClient.h"
#include "FernholmKit/control/ProofGate.h"
#include "support/KitPrinters.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTest>
#include <QUrlQuery>

using namespace fernholm;
using namespace std::chrono_literals;

class ProofGateTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void needsProof_data() {
        QTest::addColumn<std::optional<double>>("provenSecondsAgo"); // nothing: no proof
        QTest::addColumn<bool>("needs");
        QTest::newRow("no proof") << std::optional<double>() << true;
        QTest::newRow("fresh") << std::optional<double>(0.0) << false;
        QTest::newRow("29.9 s old") << std::optional<double>(29.9) << false;
        QTest::newRow("30 s old") << std::optional<double>(30.0) << true;
        QTest::newRow("an hour old") << std::optional<double>(3600.0) << true;
        QTest::newRow("dated in the future") << std::optional<double>(-5.0) << false;
    }
    void needsProof() {
        QFETCH(std::optional<double>, provenSecondsAgo);
        QFETCH(bool, needs);
        const Time now = timeFromSeconds(1'800'000'000.0);
        ProofGate gate;
        if (provenSecondsAgo) {
            gate.proven(now - std::chrono::duration_cast<Clock::duration>(Seconds(*provenSecondsAgo)));
        }
        QCOMPARE(gate.needsProof(now), needs);
        // The client only asks whether a proof stands, whatever its age.
        QCOMPARE(gate.holds(), provenSecondsAgo.has_value());
    }

    void generations() {
        const Time now = Clock::now();
        ProofGate gate;
        QCOMPARE(gate.generation(), 0);
        QVERIFY(!gate.holds());

        gate.begin(2);
        gate.proven(now); // accepted right after begin
        gate.revoke(1);   // a replaced process exiting late
        QVERIFY(gate.holds());
        gate.revoke(2);
        QVERIFY(!gate.holds());

        gate.proven(now);
        gate.begin(3);
        QVERIFY(!gate.holds());
        QCOMPARE(gate.generation(), 3);

        gate.proven(now);
        gate.proven(now + 5s);
        QCOMPARE(gate.provenAt(), std::optional<Time>(now + 5s));
        gate.revoke();
        QVERIFY(!gate.holds());
    }

    void tokenFromCountingBytes() {
        const auto token = GatewayClient::makeToken([](std::span<uint8_t> buffer) {
            for (std::size_t i = 0; i < buffer.size(); ++i) {
                buffer[i] = static_cast<uint8_t>(i);
            }
            return int32_t(0);
        });
        QCOMPARE(token, std::optional<QString>(
                            QStringLiteral("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f")));
    }

    void tokenFromFailingSource() {
        std::size_t asked = 0;
        const auto token = GatewayClient::makeToken([&](std::span<uint8_t> buffer) {
            asked = buffer.size();
            std::fill(buffer.begin(), buffer.end(), uint8_t(0xAB));
            return int32_t(-1);
        });
        QCOMPARE(asked, std::size_t(32));
        QCOMPARE(token, std::nullopt);
    }

    void tokenFromTheSystemSource() {
        const auto a = GatewayClient::makeToken();
        const auto b = GatewayClient::makeToken();
        QVERIFY(a && b);
        QCOMPARE(a->size(), 64);
        QVERIFY(*a != *b);
        QCOMPARE(*a, a->toLower());
    }

    void studioAddress_data() {
        QTest::addColumn<std::optional<QString>>("token");
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("sample");
        QTest::addColumn<QString>("expected"); // empty: none
        QTest::newRow("studio") << std::optional<QString>("abc123") << "pl" << false
                                << "http://127.0.0.1:9090/studio/auth?t=abc123&lang=pl";
        QTest::newRow("sample") << std::optional<QString>("abc123") << "en" << true
                                << "http://127.0.0.1:9090/studio/auth?t=abc123&lang=en&sample=1";
        QTest::newRow("empty language kept")
            << std::optional<QString>("abc") << "" << false << "http://127.0.0.1:9090/studio/auth?t=abc&lang=";
        QTest::newRow("values encoded") << std::optional<QString>("a+b") << "x&y" << false
                                        << "http://127.0.0.1:9090/studio/auth?t=a%2Bb&lang=x%26y";
        QTest::newRow("empty token") << std::optional<QString>("") << "en" << false << "";
        QTest::newRow("no token") << std::optional<QString>() << "en" << true << "";
    }
    void studioAddress() {
        QFETCH(std::optional<QString>, token);
        QFETCH(QString, language);
        QFETCH(bool, sample);
        QFETCH(QString, expected);
        const auto url = studioAuthURL(token, language, sample, 9090);
        if (expected.isEmpty()) {
            QVERIFY(!url);
        } else {
            QVERIFY(url);
            QCOMPARE(url->toString(QUrl::FullyEncoded), expected);
        }
    }

    void withChoices_data() {
        QTest::addColumn<QStringList>("kept");
        QTest::addColumn<QStringList>("hidden");
        QTest::addColumn<QJsonObject>("expected");
        const QJsonObject text{{"text", "hi"}};
        QTest::newRow("both empty") << QStringList() << QStringList() << text;
        QTest::newRow("hidden only") << QStringList() << QStringList{"Ann"}
                                     << QJsonObject{{"text", "hi"}, {"hide", QJsonArray{"Ann"}}};
        QTest::newRow("kept only, order kept")
            << QStringList{"b", "a"} << QStringList() << QJsonObject{{"text", "hi"}, {"keep", QJsonArray{"b", "a"}}};
        QTest::newRow("both") << QStringList{"x"} << QStringList{"y"}
                              << QJsonObject{{"text", "hi"}, {"keep", QJsonArray{"x"}}, {"hide", QJsonArray{"y"}}};
    }
    void withChoices() {
        QFETCH(QStringList, kept);
        QFETCH(QStringList, hidden);
        QFETCH(QJsonObject, expected);
        QCOMPARE(GatewayClient::withChoices(QJsonObject{{"text", "hi"}}, kept, hidden), expected);
    }

    void withChoicesReplacesEarlierEntries() {
        const QJsonObject body{{"keep", QJsonArray{"old"}}, {"hide", QJsonArray{"old"}}};
        const QJsonObject out = GatewayClient::withChoices(body, {"new"}, {"other"});
        QCOMPARE(out.value("keep").toArray(), QJsonArray{"new"});
        QCOMPARE(out.value("hide").toArray(), QJsonArray{"other"});
    }

    void errorRendering_data() {
        QTest::addColumn<GatewayError>("error");
        QTest::addColumn<QString>("rendered");
        QTest::newRow("http") << GatewayError::http(404) << "http(404)";
        QTest::newRow("unverified") << GatewayError::unverified() << "unverified";
        QTest::newRow("transport") << GatewayError::transport("Connection refused")
                                   << "transport(\"Connection refused\")";
        QTest::newRow("escapes") << GatewayError::decoding("key \"on\"\\\n\tend\x01")
                                 << "decoding(\"key \\\"on\\\"\\\\\\n\\tend\\u{1}\")";
        QTest::newRow("apostrophe") << GatewayError::transport("can't connect") << "transport(\"can\\'t connect\")";
        QTest::newRow("non-ASCII kept") << GatewayError::transport("Łódź") << "transport(\"Łódź\")";
    }
    void errorRendering() {
        QFETCH(GatewayError, error);
        QFETCH(QString, rendered);
        QCOMPARE(error.rendered(), rendered);
    }

    void errorEquality() {
        QCOMPARE(GatewayError::http(404), GatewayError::http(404));
        QVERIFY(GatewayError::http(404) != GatewayError::http(500));
        QVERIFY(GatewayError::transport("a") != GatewayError::decoding("a"));
        QCOMPARE(GatewayError::unverified(), GatewayError::unverified());
    }

    void queryValueEncoding_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("encoded");
        QTest::newRow("unreserved unchanged") << "Az09-._~"
                                              << "Az09-._~";
        QTest::newRow("space, hash, ampersand") << "a b#c&d"
                                                << "a%20b%23c%26d";
        QTest::newRow("time offset") << "2026-12-10T12:00:00+02:00"
                                     << "2026-12-10T12%3A00%3A00%2B02%3A00";
        QTest::newRow("slash, equals, question") << "a/b=c?"
                                                 << "a%2Fb%3Dc%3F";
        QTest::newRow("UTF-8 upper-case hex") << "Ł"
                                              << "%C5%81";
        QTest::newRow("empty") << ""
                               << "";
    }
    void queryValueEncoding() {
        QFETCH(QString, value);
        QFETCH(QString, encoded);
        QCOMPARE(GatewayClient::encodeQueryValue(value), encoded);
    }
};

QTEST_GUILESS_MAIN(ProofGateTest)
#include "tst_proofgate.moc"
