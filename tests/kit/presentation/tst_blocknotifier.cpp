#include "FernholmKit/presentation/BlockNotifier.h"
#include "FernholmKit/text/L10n.h"

#include <QTest>

using namespace fernholm;

Q_DECLARE_METATYPE(NotificationTarget)

namespace {

Event blocked(const QString& surface, const QString& status = QStringLiteral("blocked"),
              std::optional<QString> reason = std::nullopt, std::optional<QString> route = std::nullopt,
              std::optional<QString> fingerprint = std::nullopt) {
    Event e;
    e.ts = QStringLiteral("2025-03-05T14:07:09+01:00");
    e.surface = surface;
    e.status = status;
    e.reason = std::move(reason);
    e.route = std::move(route);
    e.fingerprint = std::move(fingerprint);
    return e;
}

// The events a timeline step brings, one letter each.
Event fromCode(QChar code) {
    switch (code.unicode()) {
    case 'a':
        return blocked(QStringLiteral("claude_web"), QStringLiteral("blocked"), QStringLiteral("api key found"));
    case 'b':
        return blocked(QStringLiteral("chatgpt_web"), QStringLiteral("blocked"), QStringLiteral("api key found"));
    case 'u':
        return blocked(QStringLiteral("gemini_web"), QStringLiteral("document_blocked"));
    case 'v':
        return blocked(QStringLiteral("claude_web"), QStringLiteral("document_blocked"), std::nullopt,
                       QStringLiteral("upload"));
    case 'r':
        return blocked(QStringLiteral("claude_web"), QStringLiteral("redacted"));
    default:
        return blocked(QStringLiteral("claude_web"), QStringLiteral("document_redacted"));
    }
}

} // namespace

class BlockNotifierTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { L10n::setLanguage(QStringLiteral("en")); }

    // Each step is "time:codes"; each expected entry is the notice's title, empty for none.
    void timelines_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("first call only primes") << QStringList{"0:a,b"} << QStringList{""};
        QTest::newRow("backlog passed again is announced")
            << QStringList{"0:a", "1:a"} << QStringList{"", "Request to Claude blocked"};
        QTest::newRow("one event") << QStringList{"0:", "1:a"} << QStringList{"", "Request to Claude blocked"};
        QTest::newRow("two events") << QStringList{"0:", "1:a,b"} << QStringList{"", "2 requests blocked"};
        QTest::newRow("same key three times")
            << QStringList{"0:", "1:a,a,a"} << QStringList{"", "Request to Claude blocked"};
        QTest::newRow("redacted requests never notify") << QStringList{"0:", "1:r,d", "9:r"} << QStringList{"", "", ""};
        QTest::newRow("cooldown flushes on an empty call")
            << QStringList{"0:", "1:a", "2:b", "3.5:u", "3.9:", "4:", "5:"}
            << QStringList{"", "Request to Claude blocked", "", "", "", "2 items blocked", ""};
        QTest::newRow("cooldown of exactly 3 s has passed")
            << QStringList{"0:", "1:a", "4:b"}
            << QStringList{"", "Request to Claude blocked", "Request to ChatGPT blocked"};
        QTest::newRow("a queued request sent again waits once")
            << QStringList{"0:", "1:a", "2:b", "2.5:b", "4:"}
            << QStringList{"", "Request to Claude blocked", "", "", "Request to ChatGPT blocked"};
        QTest::newRow("repeat silent at 30 s")
            << QStringList{"0:", "1:a", "31:a"} << QStringList{"", "Request to Claude blocked", ""};
        QTest::newRow("repeat announced at 61 s")
            << QStringList{"0:", "1:a", "62:a"}
            << QStringList{"", "Request to Claude blocked", "Request to Claude blocked"};
        QTest::newRow("repeat announced at exactly 60 s")
            << QStringList{"0:", "1:a", "61:a"}
            << QStringList{"", "Request to Claude blocked", "Request to Claude blocked"};
        QTest::newRow("seen every 30 s stays silent")
            << QStringList{"0:", "1:a", "31:a", "61:a", "91:a", "121:a", "151:a", "181:a"}
            << QStringList{"", "Request to Claude blocked", "", "", "", "", "", ""};
        QTest::newRow("the window counts from the last sighting")
            << QStringList{"0:", "1:a", "31:a", "92:a"}
            << QStringList{"", "Request to Claude blocked", "", "Request to Claude blocked"};
        QTest::newRow("an empty poll in between forgets nothing")
            << QStringList{"0:", "1:a", "40:", "55:a"} << QStringList{"", "Request to Claude blocked", "", ""};
        QTest::newRow("two uploads") << QStringList{"0:", "1:u,v"} << QStringList{"", "2 uploads blocked"};
    }
    void timelines() {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, titles);
        BlockNotifier notifier(3, 60);
        QStringList got;
        for (const QString& step : steps) {
            const QStringList parts = step.split(u':');
            QList<Event> events;
            for (const QString& code : parts[1].split(u',', Qt::SkipEmptyParts)) {
                events.append(fromCode(code.front()));
            }
            const std::optional<BlockNotice> notice = notifier.ingest(events, parts[0].toDouble());
            got.append(notice ? notice->title : QString());
        }
        QCOMPARE(got, titles);
    }

    void notices_data() {
        QTest::addColumn<QString>("surface");
        QTest::addColumn<QString>("status");
        QTest::addColumn<std::optional<QString>>("route");
        QTest::addColumn<std::optional<QString>>("reason");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");
        using R = std::optional<QString>;
        const R none;
        const QString generic = QStringLiteral("It could not be sent safely. It was not sent.");
        QTest::newRow("request") << "claude_web"
                                 << "blocked" << none << none << "Request to Claude blocked" << generic;
        QTest::newRow("upload") << "chatgpt_web"
                                << "document_blocked" << none << none << "Upload to ChatGPT blocked" << generic;
        QTest::newRow("preview") << "gemini_api"
                                 << "document_blocked" << R("preview") << none << "File preview on Gemini blocked"
                                 << generic;
        QTest::newRow("upload, other route")
            << "deepseek"
            << "document_blocked" << R("attach") << none << "Upload to DeepSeek blocked" << generic;
        QTest::newRow("preview route of a request")
            << "groq"
            << "blocked" << R("preview") << none << "Request to Groq blocked" << generic;
        QTest::newRow("unknown service") << "perplexity"
                                         << "blocked" << none << none << "Request to an AI service blocked" << generic;
        QTest::newRow("reason with blanks, lower case")
            << "mistral"
            << "blocked" << none << R("  contains an API key \n") << "Request to Mistral blocked"
            << "Contains an API key. It was not sent.";
        QTest::newRow("exclamation mark")
            << "openrouter"
            << "blocked" << none << R("blocked by your rules!") << "Request to OpenRouter blocked"
            << "Blocked by your rules! It was not sent.";
        QTest::newRow("question mark") << "openai"
                                       << "blocked" << none << R("Too large?") << "Request to ChatGPT blocked"
                                       << "Too large? It was not sent.";
        QTest::newRow("full stop kept") << "anthropic"
                                        << "blocked" << none << R("Secret found.") << "Request to Claude blocked"
                                        << "Secret found. It was not sent.";
        QTest::newRow("id=") << "spellbook_web"
                             << "blocked" << none << R("no record for id=42") << "Request to Spellbook blocked"
                             << generic;
        QTest::newRow("upload_id") << "claude_web"
                                   << "document_blocked" << none << R("missing upload_id") << "Upload to Claude blocked"
                                   << generic;
        QTest::newRow("unrecognized upload request")
            << "claude_web"
            << "document_blocked" << none << R("  Unrecognized Upload Request: /x") << "Upload to Claude blocked"
            << generic;
        QTest::newRow("blank reason") << "claude_web"
                                      << "blocked" << none << R(" \n\t") << "Request to Claude blocked" << generic;
        QTest::newRow("empty reason") << "claude_web"
                                      << "blocked" << none << R("") << "Request to Claude blocked" << generic;
    }
    void notices() {
        QFETCH(QString, surface);
        QFETCH(QString, status);
        QFETCH(std::optional<QString>, route);
        QFETCH(std::optional<QString>, reason);
        QFETCH(QString, title);
        QFETCH(QString, body);
        const BlockNotice notice = blockNotice(blocked(surface, status, reason, route));
        QCOMPARE(notice.title, title);
        QCOMPARE(notice.body, body);
    }

    void summaries_data() {
        QTest::addColumn<QStringList>("surfaces");
        QTest::addColumn<QStringList>("statuses");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");
        QTest::newRow("two services") << QStringList{"chatgpt_web", "claude_web"} << QStringList{"blocked", "blocked"}
                                      << "2 requests blocked"
                                      << "ChatGPT, Claude. See Activity for details.";
        QTest::newRow("two uploads") << QStringList{"claude_web", "gemini_web"}
                                     << QStringList{"document_blocked", "document_blocked"} << "2 uploads blocked"
                                     << "Claude, Gemini. See Activity for details.";
        QTest::newRow("upload and request") << QStringList{"claude_web", "claude_web"}
                                            << QStringList{"document_blocked", "blocked"} << "2 items blocked"
                                            << "Claude. See Activity for details.";
        QTest::newRow("unknown service first") << QStringList{"perplexity", "openai", "you_com"}
                                               << QStringList{"blocked", "blocked", "blocked"} << "3 requests blocked"
                                               << "An AI service, ChatGPT. See Activity for details.";
    }
    void summaries() {
        QFETCH(QStringList, surfaces);
        QFETCH(QStringList, statuses);
        QFETCH(QString, title);
        QFETCH(QString, body);
        BlockNotifier notifier(3, 60);
        QVERIFY(!notifier.ingest({}, 0));
        QList<Event> events;
        for (qsizetype i = 0; i < surfaces.size(); ++i) {
            events.append(blocked(surfaces[i], statuses[i]));
        }
        const std::optional<BlockNotice> notice = notifier.ingest(events, 1);
        QVERIFY(notice);
        QCOMPARE(notice->title, title);
        QCOMPARE(notice->body, body);
    }

    void polish() {
        L10n::setLanguage(QStringLiteral("pl"));
        const BlockNotice one = blockNotice(blocked(QStringLiteral("claude_web"), QStringLiteral("blocked"),
                                                    QStringLiteral("unreadable request (gzip)")));
        QCOMPARE(one.title, QStringLiteral("Zablokowano żądanie: Claude"));
        QCOMPARE(one.body, QStringLiteral("Nieczytelne żądanie (gzip). Nic nie zostało wysłane."));
        QCOMPARE(blockNotice(blocked(QStringLiteral("perplexity"))).body,
                 QStringLiteral("Nie dało się tego bezpiecznie wysłać. Nic nie zostało wysłane."));

        BlockNotifier notifier(3, 60);
        notifier.ingest({}, 0);
        QList<Event> events;
        for (const char* surface : {"perplexity", "openai", "groq", "you_com", "mistral"}) {
            events.append(blocked(QString::fromLatin1(surface)));
        }
        const std::optional<BlockNotice> summary = notifier.ingest(events, 1);
        QVERIFY(summary);
        QCOMPARE(summary->title, QStringLiteral("Zablokowano 5 żądań"));
        QCOMPARE(summary->body,
                 QStringLiteral("Nieznana usługa AI, ChatGPT, Groq, Mistral. Szczegóły znajdziesz w zakładce Aktywność."));
        const std::optional<BlockNotice> two =
            notifier.ingest({blocked(QStringLiteral("openai"), QStringLiteral("document_blocked")),
                             blocked(QStringLiteral("deepseek"))},
                            5);
        QVERIFY(two);
        QCOMPARE(two->title, QStringLiteral("Zablokowano 2 próby wysłania"));
    }

    void keys_data() {
        QTest::addColumn<Event>("first");
        QTest::addColumn<Event>("second");
        QTest::addColumn<bool>("same");
        const QString claude = QStringLiteral("claude_web");
        const QString b = QStringLiteral("blocked");
        QTest::newRow("same reason") << blocked(claude, b, QStringLiteral("x"))
                                     << blocked(claude, b, QStringLiteral("x")) << true;
        QTest::newRow("other reason") << blocked(claude, b, QStringLiteral("x"))
                                      << blocked(claude, b, QStringLiteral("y")) << false;
        QTest::newRow("fingerprint wins over reason")
            << blocked(claude, b, QStringLiteral("x"), std::nullopt, QStringLiteral("f1"))
            << blocked(claude, b, QStringLiteral("y"), std::nullopt, QStringLiteral("f1")) << true;
        QTest::newRow("other fingerprint")
            << blocked(claude, b, QStringLiteral("x"), std::nullopt, QStringLiteral("f1"))
            << blocked(claude, b, QStringLiteral("x"), std::nullopt, QStringLiteral("f2")) << false;
        QTest::newRow("empty fingerprint falls back to the reason")
            << blocked(claude, b, QStringLiteral("x"), std::nullopt, QStringLiteral(""))
            << blocked(claude, b, QStringLiteral("x")) << true;
        QTest::newRow("fingerprint that reads like a reason")
            << blocked(claude, b, QStringLiteral("#f1")) << blocked(claude, b, std::nullopt, std::nullopt, "f1")
            << true;
        QTest::newRow("other surface") << blocked(claude, b) << blocked(QStringLiteral("openai"), b) << false;
        QTest::newRow("other status") << blocked(claude, b) << blocked(claude, QStringLiteral("document_blocked"))
                                      << false;
        QTest::newRow("no reason and empty reason")
            << blocked(claude, b) << blocked(claude, b, QStringLiteral("")) << true;
    }
    void keys() {
        QFETCH(Event, first);
        QFETCH(Event, second);
        QFETCH(bool, same);
        QCOMPARE(BlockNotifier::key(first) == BlockNotifier::key(second), same);
    }

    void destinations_data() {
        QTest::addColumn<QString>("surface");
        QTest::addColumn<QString>("name");
        QTest::newRow("claude_web") << "claude_web"
                                    << "Claude";
        QTest::newRow("anthropic") << "anthropic"
                                   << "Claude";
        QTest::newRow("chatgpt_web") << "chatgpt_web"
                                     << "ChatGPT";
        QTest::newRow("openai") << "openai"
                                << "ChatGPT";
        QTest::newRow("gemini_web") << "gemini_web"
                                    << "Gemini";
        QTest::newRow("gemini_api") << "gemini_api"
                                    << "Gemini";
        QTest::newRow("spellbook_web") << "spellbook_web"
                                       << "Spellbook";
        QTest::newRow("deepseek") << "deepseek"
                                  << "DeepSeek";
        QTest::newRow("groq") << "groq"
                              << "Groq";
        QTest::newRow("mistral") << "mistral"
                                 << "Mistral";
        QTest::newRow("openrouter") << "openrouter"
                                    << "OpenRouter";
        QTest::newRow("other case") << "OpenAI"
                                    << "an AI service";
        QTest::newRow("unknown") << "copilot_web"
                                 << "an AI service";
        QTest::newRow("empty") << ""
                               << "an AI service";
    }
    void destinations() {
        QFETCH(QString, surface);
        QFETCH(QString, name);
        QCOMPARE(noticeDestination(surface), name);
    }

    void targets_data() {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<NotificationTarget>("target");
        QTest::newRow("blocked") << blockNotificationIdentifier << NotificationTarget::activity;
        QTest::newRow("bypass, profile") << bypassNotificationPrefix + "chrome:Default" << NotificationTarget::home;
        QTest::newRow("bypass, no profile") << bypassNotificationPrefix << NotificationTarget::home;
        QTest::newRow("prefix without its dot") << "com.orvendale.tarvine.bypass" << NotificationTarget::activity;
        QTest::newRow("other") << "org.example.update" << NotificationTarget::activity;
        QTest::newRow("empty") << "" << NotificationTarget::activity;
    }
    void targets() {
        QFETCH(QString, identifier);
        QFETCH(NotificationTarget, target);
        QCOMPARE(notificationTarget(identifier), target);
    }
};

QTEST_GUILESS_MAIN(BlockNotifierTest)
#include "tst_blocknotifier.moc"
