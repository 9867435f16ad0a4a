// Responses as a server may send them, honest, odd and broken, read whole and one byte at a
// time: the pieces a connection happens to deliver never change what is read.
#include "FernholmKit/control/HttpResponseParser.h"

#include <QTest>

using namespace fernholm;
using Outcome = HttpResponseParser::Outcome;

Q_DECLARE_METATYPE(HttpResponseParser::Outcome)

namespace {

struct Parsed {
    Outcome outcome = Outcome::incomplete;
    int status = 0;
    QByteArray body;
    bool reusable = false;
};

Parsed parse(const QByteArray& input, bool closed, qsizetype piece) {
    HttpResponseParser parser;
    Parsed out;
    for (qsizetype at = 0; at < input.size(); at += piece) {
        parser.feed(QByteArrayView(input).sliced(at, std::min(piece, input.size() - at)), out.body);
    }
    out.outcome = closed ? parser.endOfInput() : parser.outcome();
    out.status = parser.hasHead() ? parser.status() : 0;
    out.reusable = parser.reusable();
    return out;
}

QByteArray ok(const QByteArray& headers, const QByteArray& body) {
    return "HTTP/1.1 200 OK\r\n" + headers + "\r\n" + body;
}

} // namespace

class HttpResponseParserTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reads_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<bool>("closed"); // the connection ends after the input
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<int>("status"); // 0: no final head
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("reusable");

        const QByteArray chunked("Transfer-Encoding: chunked\r\n");
        const auto C = Outcome::complete;
        const auto M = Outcome::malformed;
        const auto T = Outcome::truncated;
        const auto I = Outcome::incomplete;

        // Status lines.
        QTest::newRow("length body") << ok("Content-Length: 5\r\n", "hello") << false << C << 200 << QByteArray("hello")
                                     << true;
        QTest::newRow("no reason phrase")
            << QByteArray("HTTP/1.1 404\r\nContent-Length: 0\r\n\r\n") << false << C << 404 << QByteArray() << true;
        QTest::newRow("empty reason phrase") << QByteArray("HTTP/1.1 503 \r\nContent-Length: 1\r\n\r\nx") << false << C
                                             << 503 << QByteArray("x") << true;
        QTest::newRow("bare LF line ends")
            << QByteArray("HTTP/1.1 200 OK\nContent-Length: 2\n\nok") << false << C << 200 << QByteArray("ok") << true;
        QTest::newRow("HTTP/1.0 closes by default") << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok")
                                                    << false << C << 200 << QByteArray("ok") << false;
        QTest::newRow("HTTP/1.0 keep-alive")
            << QByteArray("HTTP/1.0 200 OK\r\nConnection: Keep-Alive\r\nContent-Length: 2\r\n\r\nok") << false << C
            << 200 << QByteArray("ok") << true;
        QTest::newRow("Connection: close") << ok("Connection: keep-alive, Close\r\nContent-Length: 2\r\n", "ok")
                                           << false << C << 200 << QByteArray("ok") << false;
        QTest::newRow("HTTP/2 status line")
            << QByteArray("HTTP/2 200\r\n\r\n") << false << M << 0 << QByteArray() << false;
        QTest::newRow("two-digit status")
            << QByteArray("HTTP/1.1 20 OK\r\n\r\n") << false << M << 0 << QByteArray() << false;
        QTest::newRow("four-digit status")
            << QByteArray("HTTP/1.1 2000 OK\r\n\r\n") << false << M << 0 << QByteArray() << false;
        QTest::newRow("status 600") << QByteArray("HTTP/1.1 600 Odd\r\n\r\n") << false << M << 0 << QByteArray()
                                    << false;
        QTest::newRow("not HTTP") << QByteArray("ICY 200 OK\r\n\r\n") << false << M << 0 << QByteArray() << false;
        QTest::newRow("control character in reason")
            << QByteArray("HTTP/1.1 200 O\x01K\r\n\r\n") << false << M << 0 << QByteArray() << false;
        QTest::newRow("CR inside the status line")
            << QByteArray("HTTP/1.1 200 O\rK\r\nContent-Length: 0\r\n\r\n") << false << M << 0 << QByteArray() << false;

        // Header lines.
        QTest::newRow("header without colon")
            << ok("Content-Length 2\r\n", "ok") << false << M << 0 << QByteArray() << false;
        QTest::newRow("space before colon")
            << ok("Content-Length : 2\r\n", "ok") << false << M << 0 << QByteArray() << false;
        QTest::newRow("folded header") << ok("X-A: 1\r\n 2\r\nContent-Length: 2\r\n", "ok") << false << M << 0
                                       << QByteArray() << false;
        QTest::newRow("NUL in a value") << ok(QByteArray("X-A: a\0b\r\n", 10), "") << false << M << 0 << QByteArray()
                                        << false;
        QTest::newRow("head just within the bound")
            << ok("X-Big: " + QByteArray(60 * 1024, 'a') + "\r\nContent-Length: 2\r\n", "ok") << false << C << 200
            << QByteArray("ok") << true;
        QTest::newRow("head past the bound")
            << ok("X-Big: " + QByteArray(HttpResponseParser::maxHeadSize, 'a') + "\r\n", "") << false << M << 0
            << QByteArray() << false;
        QTest::newRow("head without end") << QByteArray("HTTP/1.1 200 OK\r\nX: " + QByteArray(100'000, 'a')) << false
                                          << M << 0 << QByteArray() << false;
        QTest::newRow("too many header lines")
            << ok(QByteArray("X-A: 1\r\n").repeated(HttpResponseParser::maxHeaderLines + 1), "") << false << M << 0
            << QByteArray() << false;

        // Content-Length.
        QTest::newRow("repeated equal lengths")
            << ok("Content-Length: 2\r\nContent-Length: 2\r\n", "ok") << false << C << 200 << QByteArray("ok") << true;
        QTest::newRow("conflicting lengths")
            << ok("Content-Length: 2\r\nContent-Length: 3\r\n", "ok!") << false << M << 0 << QByteArray() << false;
        QTest::newRow("conflicting length list")
            << ok("Content-Length: 2, 3\r\n", "ok!") << false << M << 0 << QByteArray() << false;
        QTest::newRow("negative length") << ok("Content-Length: -1\r\n", "") << false << M << 0 << QByteArray()
                                         << false;
        QTest::newRow("signed length") << ok("Content-Length: +2\r\n", "ok") << false << M << 0 << QByteArray()
                                       << false;
        QTest::newRow("overflowing length")
            << ok("Content-Length: 99999999999999999999\r\n", "") << false << M << 0 << QByteArray() << false;
        QTest::newRow("length with trailing text")
            << ok("Content-Length: 2x\r\n", "ok") << false << M << 0 << QByteArray() << false;
        QTest::newRow("empty length") << ok("Content-Length:\r\n", "") << false << M << 0 << QByteArray() << false;
        QTest::newRow("body shorter than its length, closed")
            << ok("Content-Length: 10\r\n", "hello") << true << T << 200 << QByteArray("hello") << false;
        QTest::newRow("body shorter than its length, still open")
            << ok("Content-Length: 10\r\n", "hello") << false << I << 200 << QByteArray("hello") << false;
        QTest::newRow("bytes past the length")
            << ok("Content-Length: 2\r\n", "okEXTRA") << false << C << 200 << QByteArray("ok") << false;

        // Chunked bodies.
        QTest::newRow("chunked") << ok(chunked, "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n") << false << C << 200
                                 << QByteArray("hello world") << true;
        QTest::newRow("chunked, extensions and upper-case hex")
            << ok("Transfer-Encoding: Chunked\r\n", "A;name=value\r\n0123456789\r\n0;last\r\n\r\n") << false << C << 200
            << QByteArray("0123456789") << true;
        QTest::newRow("chunked with trailers") << ok(chunked, "2\r\nok\r\n0\r\nX-Checksum: abc\r\nX-Other: 1\r\n\r\n")
                                               << false << C << 200 << QByteArray("ok") << true;
        QTest::newRow("malformed trailer")
            << ok(chunked, "2\r\nok\r\n0\r\nnot a header\r\n\r\n") << false << M << 200 << QByteArray("ok") << false;
        QTest::newRow("trailers past the bound")
            << ok(chunked, "0\r\nX-Big: " + QByteArray(HttpResponseParser::maxHeadSize, 'a') + "\r\n\r\n") << false << M
            << 200 << QByteArray() << false;
        QTest::newRow("chunk size not hex")
            << ok(chunked, "zz\r\nok\r\n0\r\n\r\n") << false << M << 200 << QByteArray() << false;
        QTest::newRow("negative chunk size")
            << ok(chunked, "-2\r\nok\r\n0\r\n\r\n") << false << M << 200 << QByteArray() << false;
        QTest::newRow("empty chunk size")
            << ok(chunked, "\r\nok\r\n0\r\n\r\n") << false << M << 200 << QByteArray() << false;
        QTest::newRow("overflowing chunk size")
            << ok(chunked, "10000000000000000\r\n") << false << M << 200 << QByteArray() << false;
        QTest::newRow("chunk size line without end")
            << ok(chunked, "2;" + QByteArray(2 * HttpResponseParser::maxChunkLine, 'x')) << false << M << 200
            << QByteArray() << false;
        QTest::newRow("chunk longer than its size")
            << ok(chunked, "2\r\nhello\r\n0\r\n\r\n") << false << M << 200 << QByteArray("he") << false;
        QTest::newRow("chunked cut off") << ok(chunked, "5\r\nhel") << true << T << 200 << QByteArray("hel") << false;
        QTest::newRow("chunked cut off before the last chunk")
            << ok(chunked, "2\r\nok\r\n") << true << T << 200 << QByteArray("ok") << false;
        QTest::newRow("chunked wins over a length") << ok("Content-Length: 100\r\n" + chunked, "2\r\nok\r\n0\r\n\r\n")
                                                    << false << C << 200 << QByteArray("ok") << false;
        QTest::newRow("transfer coding other than chunked")
            << ok("Transfer-Encoding: gzip, chunked\r\n", "2\r\nok\r\n0\r\n\r\n") << false << M << 0 << QByteArray()
            << false;

        // Bodies read until the connection ends.
        QTest::newRow("until close") << ok("", "all of it") << true << C << 200 << QByteArray("all of it") << false;
        QTest::newRow("until close, still open") << ok("", "some") << false << I << 200 << QByteArray("some") << false;
        QTest::newRow("closed before anything") << QByteArray() << true << T << 0 << QByteArray() << false;
        QTest::newRow("closed mid head") << QByteArray("HTTP/1.1 200 OK\r\nContent-Le") << true << T << 0
                                         << QByteArray() << false;

        // Bodies that are not there.
        QTest::newRow("204 without body")
            << QByteArray("HTTP/1.1 204 No Content\r\n\r\n") << false << C << 204 << QByteArray() << true;
        QTest::newRow("304 with a length") << QByteArray("HTTP/1.1 304 Not Modified\r\nContent-Length: 20\r\n\r\n")
                                           << false << C << 304 << QByteArray() << true;

        // Interim responses.
        QTest::newRow("100 Continue first")
            << QByteArray("HTTP/1.1 100 Continue\r\n\r\n" + ok("Content-Length: 2\r\n", "ok")) << false << C << 200
            << QByteArray("ok") << true;
        QTest::newRow("several interim responses")
            << QByteArray("HTTP/1.1 102 Processing\r\n\r\nHTTP/1.1 103 Early Hints\r\nLink: </a>\r\n\r\n" +
                          ok("Content-Length: 2\r\n", "ok"))
            << false << C << 200 << QByteArray("ok") << true;
        QTest::newRow("interim only, closed")
            << QByteArray("HTTP/1.1 100 Continue\r\n\r\n") << true << T << 0 << QByteArray() << false;
        QTest::newRow("protocol switch") << QByteArray("HTTP/1.1 101 Switching Protocols\r\nUpgrade: h2c\r\n\r\n")
                                         << false << M << 0 << QByteArray() << false;
    }
    void reads() {
        QFETCH(QByteArray, input);
        QFETCH(bool, closed);
        QFETCH(Outcome, outcome);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, reusable);
        for (const qsizetype piece : {std::max<qsizetype>(input.size(), 1), qsizetype(1)}) {
            const Parsed parsed = parse(input, closed, piece);
            const QByteArray where = "in pieces of " + QByteArray::number(piece);
            QVERIFY2(parsed.outcome == outcome, where.constData());
            QVERIFY2(parsed.status == status, where.constData());
            QVERIFY2(parsed.body == body, where.constData());
            QVERIFY2(parsed.reusable == reusable, where.constData());
        }
    }

    void keepsTheHeadAsSent() {
        HttpResponseParser parser;
        QByteArray body;
        parser.feed("HTTP/1.1 404 Not Found\r\nX-A: 1\r\nContent-Type:application/json \r\nx-a: 2\r\n"
                    "Content-Length: 0\r\n\r\n",
                    body);
        QCOMPARE(parser.outcome(), Outcome::complete);
        QCOMPARE(parser.status(), 404);
        QCOMPARE(parser.reason(), QByteArray("Not Found"));
        QCOMPARE(parser.header("x-A"), std::optional<QByteArray>("1, 2"));
        QCOMPARE(parser.header("content-type"), std::optional<QByteArray>("application/json"));
        QCOMPARE(parser.header("Location"), std::nullopt);
        QCOMPARE(parser.headers().size(), 4);
        QCOMPARE(parser.headers().at(2).name, QByteArray("x-a"));
    }

    // An interim response's headers are not the response's.
    void dropsTheHeadersOfInterimResponses() {
        HttpResponseParser parser;
        QByteArray body;
        parser.feed(
            "HTTP/1.1 103 Early Hints\r\nLink: </style.css>\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", body);
        QCOMPARE(parser.outcome(), Outcome::complete);
        QCOMPARE(parser.header("Link"), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(HttpResponseParserTest)
#include "tst_httpresponseparser.moc"
