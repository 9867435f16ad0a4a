#include "FernholmKit/presentation/ActivityText.h"
#include "FernholmKit/text/L10n.h"

#include <QTest>

using namespace fernholm;

Q_DECLARE_METATYPE(PillKind)

namespace {

Event makeEvent(const QString& status, int tokens = 0, std::optional<QString> reason = std::nullopt) {
    Event e;
    e.ts = QStringLiteral("2025-03-05T14:07:09+01:00");
    e.surface = QStringLiteral("claude_web");
    e.status = status;
    for (int i = 0; i < tokens; ++i) {
        e.tokens.append(QStringLiteral("[NAME_%1]").arg(i + 1));
    }
    e.reason = std::move(reason);
    return e;
}

Calendar warsaw(const QString& locale = QStringLiteral("en_US")) {
    return Calendar{QTimeZone("Europe/Warsaw"), QLocale(locale)};
}

Time at(const char* iso) {
    return *eventDate(QString::fromLatin1(iso));
}

DetectionDetail detail(const QString& token, const QString& value) {
    DetectionDetail d;
    d.entityType = QStringLiteral("PERSON");
    d.detectedBy = QStringLiteral("ner");
    d.action = QStringLiteral("redact");
    d.token = token;
    d.value = value;
    return d;
}

// A family of three joined with zero-width joiners, and a thumbs-up with a skin tone: one
// character each, several UTF-16 code units.
const QString family = QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467");
const QString thumb = QStringLiteral("\U0001F44D\U0001F3FD");

} // namespace

class ActivityTextTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { L10n::setLanguage(QStringLiteral("en")); }
    void cleanupTestCase() { L10n::setLanguage(QStringLiteral("en")); }

    void pills_data() {
        QTest::addColumn<QString>("status");
        QTest::addColumn<PillKind>("kind");
        QTest::addColumn<bool>("expandable");
        QTest::newRow("redacted") << "redacted" << PillKind::redacted << true;
        QTest::newRow("document_redacted") << "document_redacted" << PillKind::redacted << true;
        QTest::newRow("blocked") << "blocked" << PillKind::blocked << true;
        QTest::newRow("document_blocked") << "document_blocked" << PillKind::blocked << true;
        QTest::newRow("unfiltered") << "unfiltered" << PillKind::unfiltered << false;
        QTest::newRow("passed") << "passed" << PillKind::passed << false;
        QTest::newRow("capital letter") << "Blocked" << PillKind::passed << false;
        QTest::newRow("trailing blank") << "redacted " << PillKind::passed << false;
        QTest::newRow("empty") << "" << PillKind::passed << false;
    }
    void pills() {
        QFETCH(QString, status);
        QFETCH(PillKind, kind);
        QFETCH(bool, expandable);
        QCOMPARE(pillKind(status), kind);
        QCOMPARE(isExpandable(status), expandable);
    }

    void sentences_data() {
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("tokens");
        QTest::addColumn<std::optional<QString>>("reason");
        QTest::addColumn<QString>("sentence");
        const std::optional<QString> none;
        QTest::newRow("blocked, no reason") << "blocked" << 0 << none << "Blocked";
        QTest::newRow("blocked, empty reason") << "blocked" << 0 << std::optional<QString>("") << "Blocked";
        QTest::newRow("blocked with reason")
            << "blocked" << 2 << std::optional<QString>("credential detected") << "Blocked: credential detected";
        QTest::newRow("upload blocked with reason")
            << "document_blocked" << 0 << std::optional<QString>("file too large") << "Upload blocked: file too large";
        QTest::newRow("upload blocked") << "document_blocked" << 0 << none << "Upload blocked";
        QTest::newRow("one detail") << "redacted" << 1 << none << "1 detail hidden";
        QTest::newRow("three details") << "redacted" << 3 << none << "3 details hidden";
        QTest::newRow("nothing") << "passed" << 0 << none << "Nothing to hide";
        QTest::newRow("unfiltered with tokens") << "unfiltered" << 2 << none << "2 details hidden";
        QTest::newRow("document, one detail") << "document_redacted" << 1 << none << "1 detail hidden in upload";
        QTest::newRow("document, nothing") << "document_redacted" << 0 << none << "Nothing to hide in upload";
        QTest::newRow("document passed") << "document_passed" << 0 << none << "Nothing to hide in upload";
    }
    void sentences() {
        QFETCH(QString, status);
        QFETCH(int, tokens);
        QFETCH(std::optional<QString>, reason);
        QFETCH(QString, sentence);
        const Event e = makeEvent(status, tokens, reason);
        QCOMPARE(activitySentence(e), sentence);
        QCOMPARE(itemCount(e), tokens);
    }

    void polishSentences_data() {
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("tokens");
        QTest::addColumn<std::optional<QString>>("reason");
        QTest::addColumn<QString>("sentence");
        const std::optional<QString> none;
        QTest::newRow("gateway reason translated")
            << "blocked" << 0 << std::optional<QString>("unreadable request (gzip)")
            << "Zablokowano: nieczytelne żądanie (gzip)";
        QTest::newRow("unknown reason as it is") << "document_blocked" << 0 << std::optional<QString>("file too large")
                                                 << "Plik zablokowany: file too large";
        QTest::newRow("one") << "redacted" << 1 << none << "Ukryto 1 wartość";
        QTest::newRow("few") << "redacted" << 3 << none << "Ukryto 3 wartości";
        QTest::newRow("many") << "redacted" << 5 << none << "Ukryto 5 wartości";
        QTest::newRow("twenty-two") << "redacted" << 22 << none << "Ukryto 22 wartości";
        QTest::newRow("nothing in upload") << "document_redacted" << 0 << none << "Nic do ukrycia w przesłanym pliku";
    }
    void polishSentences() {
        QFETCH(QString, status);
        QFETCH(int, tokens);
        QFETCH(std::optional<QString>, reason);
        QFETCH(QString, sentence);
        L10n::setLanguage(QStringLiteral("pl"));
        QCOMPARE(activitySentence(makeEvent(status, tokens, reason)), sentence);
    }

    void eventDates_data() {
        QTest::addColumn<QString>("ts");
        QTest::addColumn<std::optional<qint64>>("secondsSince1970");
        const auto s = [](qint64 v) {
            return std::optional<qint64>(v);
        };
        const std::optional<qint64> rejected;
        QTest::newRow("UTC") << "2025-03-05T13:07:09Z" << s(1741180029);
        QTest::newRow("plus offset") << "2025-03-05T14:07:09+01:00" << s(1741180029);
        QTest::newRow("minus offset") << "2025-03-05T08:37:09-04:30" << s(1741180029);
        QTest::newRow("zero offset") << "2025-03-05T13:07:09+00:00" << s(1741180029);
        QTest::newRow("leap day") << "2024-02-29T00:00:00Z" << s(1709164800);
        QTest::newRow("epoch") << "1970-01-01T00:00:00Z" << s(0);
        QTest::newRow("fractional seconds") << "2025-03-05T13:07:09.123Z" << rejected;
        QTest::newRow("date only") << "2025-03-05" << rejected;
        QTest::newRow("no zone") << "2025-03-05T13:07:09" << rejected;
        QTest::newRow("space for T") << "2025-03-05 13:07:09Z" << rejected;
        QTest::newRow("lower-case t and z") << "2025-03-05t13:07:09z" << rejected;
        QTest::newRow("offset without colon") << "2025-03-05T14:07:09+0100" << rejected;
        QTest::newRow("offset hours only") << "2025-03-05T14:07:09+01" << rejected;
        QTest::newRow("basic format") << "20250305T130709Z" << rejected;
        QTest::newRow("no seconds") << "2025-03-05T13:07Z" << rejected;
        QTest::newRow("February 30") << "2025-02-30T10:00:00Z" << rejected;
        QTest::newRow("February 29, not a leap year") << "2025-02-29T10:00:00Z" << rejected;
        QTest::newRow("month 13") << "2025-13-01T10:00:00Z" << rejected;
        QTest::newRow("hour 24") << "2025-03-05T24:00:00Z" << rejected;
        QTest::newRow("second 60") << "2025-03-05T23:59:60Z" << rejected;
        QTest::newRow("trailing newline") << "2025-03-05T13:07:09Z\n" << rejected;
        QTest::newRow("leading blank") << " 2025-03-05T13:07:09Z" << rejected;
        QTest::newRow("Arabic-Indic digits") << "\u0662\u0660\u0662\u0665-03-05T13:07:09Z" << rejected;
        QTest::newRow("beyond what a time point holds") << "9999-12-31T23:59:59Z" << rejected;
        QTest::newRow("empty") << "" << rejected;
    }
    void eventDates() {
        QFETCH(QString, ts);
        QFETCH(std::optional<qint64>, secondsSince1970);
        const std::optional<Time> date = eventDate(ts);
        QCOMPARE(date.has_value(), secondsSince1970.has_value());
        if (date) {
            QCOMPARE(std::chrono::duration_cast<std::chrono::seconds>(date->time_since_epoch()).count(),
                     *secondsSince1970);
        }
    }

    void clockTimes_data() {
        QTest::addColumn<QString>("ts");
        QTest::addColumn<QString>("clock");
        QTest::newRow("timestamp") << "2025-03-05T14:07:09+01:00"
                                   << "14:07:09";
        QTest::newRow("fractional") << "2025-03-05T14:07:09.250Z"
                                    << "14:07:09";
        QTest::newRow("short of seconds") << "2025-03-05T14:07"
                                          << "14:07";
        QTest::newRow("exactly 11") << "2025-03-05T"
                                    << "";
        QTest::newRow("fewer than 11") << "yesterday"
                                       << "yesterday";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("emoji count as one") << family + "025-03-05T14:07:09Z"
                                            << "14:07:09";
    }
    void clockTimes() {
        QFETCH(QString, ts);
        QFETCH(QString, clock);
        QCOMPARE(clockTime(ts), clock);
    }

    void timeAndDay_data() {
        QTest::addColumn<QString>("ts");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("day");
        QTest::newRow("winter, UTC") << "2025-03-05T13:07:09Z"
                                     << "14:07"
                                     << "2025-03-05";
        QTest::newRow("summer, UTC") << "2025-07-05T13:07:09Z"
                                     << "15:07"
                                     << "2025-07-05";
        QTest::newRow("next day in Warsaw") << "2025-03-04T23:30:00Z"
                                            << "00:30"
                                            << "2025-03-05";
        QTest::newRow("written in another zone") << "2025-03-05T20:15:00-05:00"
                                                 << "02:15"
                                                 << "2025-03-06";
        QTest::newRow("fractional seconds") << "2025-03-04T23:30:00.5Z"
                                            << "23:30:00"
                                            << "2025-03-04";
        QTest::newRow("no timestamp") << "last tuesday afternoon"
                                      << "y aftern"
                                      << "last tuesd";
        QTest::newRow("eight characters") << "14:07:09"
                                          << "14:07:09"
                                          << "14:07:09";
    }
    void timeAndDay() {
        QFETCH(QString, ts);
        QFETCH(QString, time);
        QFETCH(QString, day);
        QCOMPARE(activityTime(ts, warsaw()), time);
        QCOMPARE(activityDay(ts, warsaw()), day);
    }

    void timeInAnotherZone() {
        const Calendar utc{QTimeZone::utc(), std::nullopt};
        QCOMPARE(activityTime(QStringLiteral("2025-03-04T23:30:00Z"), utc), QStringLiteral("23:30"));
        QCOMPARE(activityDay(QStringLiteral("2025-03-04T23:30:00Z"), utc), QStringLiteral("2025-03-04"));
    }

    void dayLabels_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("now");
        QTest::addColumn<QString>("day");
        QTest::addColumn<QString>("label");
        QTest::newRow("today") << "en"
                               << "en_US"
                               << "2025-06-10T10:00:00Z"
                               << "2025-06-10"
                               << "Today";
        QTest::newRow("today by Warsaw's clock") << "en"
                                                 << "en_US"
                                                 << "2025-03-04T23:30:00Z"
                                                 << "2025-03-05"
                                                 << "Today";
        QTest::newRow("yesterday across a month") << "en"
                                                  << "en_US"
                                                  << "2025-03-01T08:00:00+01:00"
                                                  << "2025-02-28"
                                                  << "Yesterday";
        QTest::newRow("yesterday across a year") << "en"
                                                 << "en_US"
                                                 << "2025-01-01T00:10:00+01:00"
                                                 << "2024-12-31"
                                                 << "Yesterday";
        QTest::newRow("yesterday after the clocks went forward") << "en"
                                                                 << "en_US"
                                                                 << "2025-03-31T02:30:00+02:00"
                                                                 << "2025-03-30"
                                                                 << "Yesterday";
        QTest::newRow("today, Polish") << "pl"
                                       << "en_US"
                                       << "2025-06-10T10:00:00Z"
                                       << "2025-06-10"
                                       << "Dzisiaj";
        QTest::newRow("yesterday, Polish") << "pl"
                                           << "en_US"
                                           << "2025-03-01T08:00:00+01:00"
                                           << "2025-02-28"
                                           << "Wczoraj";
        QTest::newRow("same year") << "en"
                                   << "en_US"
                                   << "2025-06-10T10:00:00Z"
                                   << "2025-03-05"
                                   << "Mar 5";
        QTest::newRow("same year, British") << "en"
                                            << "en_GB"
                                            << "2025-06-10T10:00:00Z"
                                            << "2025-03-05"
                                            << "5 Mar";
        QTest::newRow("same year, Polish") << "pl"
                                           << "en_US"
                                           << "2025-06-10T10:00:00Z"
                                           << "2025-03-05"
                                           << "5 marca";
        QTest::newRow("earlier year") << "en"
                                      << "en_US"
                                      << "2025-06-10T10:00:00Z"
                                      << "2023-03-05"
                                      << "Mar 5, 2023";
        QTest::newRow("earlier year, Polish") << "pl"
                                              << "en_US"
                                              << "2025-06-10T10:00:00Z"
                                              << "2023-03-05"
                                              << "5 marca 2023";
        QTest::newRow("tomorrow") << "en"
                                  << "en_US"
                                  << "2025-06-10T10:00:00Z"
                                  << "2025-06-11"
                                  << "Jun 11";
        QTest::newRow("plain numbers") << "en"
                                       << "en_US"
                                       << "2025-06-10T10:00:00Z"
                                       << "2025-3-5"
                                       << "Mar 5";
        QTest::newRow("not a date") << "en"
                                    << "en_US"
                                    << "2025-06-10T10:00:00Z"
                                    << "last tuesd"
                                    << "last tuesd";
        QTest::newRow("two parts") << "en"
                                   << "en_US"
                                   << "2025-06-10T10:00:00Z"
                                   << "2025-03"
                                   << "2025-03";
        QTest::newRow("four parts") << "en"
                                    << "en_US"
                                    << "2025-06-10T10:00:00Z"
                                    << "2025-03-05-1"
                                    << "2025-03-05-1";
        QTest::newRow("huge part") << "en"
                                   << "en_US"
                                   << "2025-06-10T10:00:00Z"
                                   << "2025-03-05-99999999999999999999"
                                   << "2025-03-05-99999999999999999999";
        QTest::newRow("no such day") << "en"
                                     << "en_US"
                                     << "2025-06-10T10:00:00Z"
                                     << "2025-02-30"
                                     << "2025-02-30";
        QTest::newRow("month 13") << "en"
                                  << "en_US"
                                  << "2025-06-10T10:00:00Z"
                                  << "2025-13-01"
                                  << "2025-13-01";
        QTest::newRow("empty") << "en"
                               << "en_US"
                               << "2025-06-10T10:00:00Z"
                               << ""
                               << "";
    }
    void dayLabels() {
        QFETCH(QString, language);
        QFETCH(QString, locale);
        QFETCH(QString, now);
        QFETCH(QString, day);
        QFETCH(QString, label);
        L10n::setLanguage(language);
        QCOMPARE(activityDayLabel(day, at(now.toLatin1().constData()), warsaw(locale)), label);
    }

    void dayLabelWithoutALocaleUsesTheCurrentOne() {
        const QLocale previous;
        QLocale::setDefault(QLocale(QStringLiteral("en_GB")));
        const QString label = activityDayLabel(QStringLiteral("2025-03-05"), at("2025-06-10T10:00:00Z"),
                                               Calendar{QTimeZone("Europe/Warsaw"), std::nullopt});
        QLocale::setDefault(previous);
        QCOMPARE(label, QStringLiteral("5 Mar"));
    }

    void destinations_data() {
        QTest::addColumn<QString>("surface");
        QTest::addColumn<QString>("label");
        QTest::newRow("chatgpt_web") << "chatgpt_web"
                                     << "ChatGPT";
        QTest::newRow("openai") << "openai"
                                << "ChatGPT";
        QTest::newRow("claude_web") << "claude_web"
                                    << "Claude";
        QTest::newRow("anthropic") << "anthropic"
                                   << "Claude";
        QTest::newRow("gemini_web") << "gemini_web"
                                    << "Gemini";
        QTest::newRow("gemini_api") << "gemini_api"
                                    << "Gemini";
        QTest::newRow("spellbook_web") << "spellbook_web"
                                       << "Spellbook";
        QTest::newRow("deepseek") << "deepseek"
                                  << "Deepseek";
        QTest::newRow("openrouter") << "openrouter"
                                    << "Openrouter";
        QTest::newRow("upper case") << "MISTRAL"
                                    << "Mistral";
        QTest::newRow("words") << "my  local\tmodel\nbox"
                               << "My  Local\tModel\nBox";
        QTest::newRow("underscore is no word break") << "perplexity_web"
                                                     << "Perplexity_web";
        QTest::newRow("accented") << "écoute"
                                  << "Écoute";
        QTest::newRow("different case of a known one") << "Claude_Web"
                                                       << "Claude_web";
        QTest::newRow("empty") << ""
                               << "";
    }
    void destinations() {
        QFETCH(QString, surface);
        QFETCH(QString, label);
        QCOMPARE(destinationLabel(surface), label);
    }

    void midTruncation_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("keepStart");
        QTest::addColumn<int>("keepEnd");
        QTest::addColumn<QString>("result");
        QTest::newRow("9 characters") << "abcdefghi" << 4 << 4 << "abcdefghi";
        QTest::newRow("10 characters") << "abcdefghij" << 4 << 4 << "abcd…ghij";
        QTest::newRow("uneven") << "4111111111111111" << 6 << 4 << "411111…1111";
        QTest::newRow("nothing kept at the end") << "abcdef" << 2 << 0 << "ab…";
        QTest::newRow("empty") << "" << 4 << 4 << "";
        QTest::newRow("9 characters with an emoji") << family + "bcdefghi" << 4 << 4 << family + "bcdefghi";
        QTest::newRow("emoji kept whole at the start") << family + "bcdefghij" << 4 << 4 << family + "bcd…ghij";
        QTest::newRow("emoji kept whole at the end") << "abcdefghi" + thumb << 4 << 4 << "abcd…ghi" + thumb;
        QTest::newRow("emoji dropped whole") << "abcd" + thumb + "efghi" << 4 << 4 << "abcd…fghi";
        QTest::newRow("flag") << "abcdefghi\U0001F1F5\U0001F1F1" << 4 << 1 << "abcd…\U0001F1F5\U0001F1F1";
        QTest::newRow("combining accent") << "abcde\u0301fghij" << 5 << 3 << "abcde\u0301…hij";
    }
    void midTruncation() {
        QFETCH(QString, text);
        QFETCH(int, keepStart);
        QFETCH(int, keepEnd);
        QFETCH(QString, result);
        QCOMPARE(midTruncate(text, keepStart, keepEnd), result);
    }

    void slugs_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("slug");
        QTest::newRow("words") << "  Project Falcon-Key #2  "
                               << "project_falcon_key_2";
        QTest::newRow("already a slug") << "api_key"
                                        << "api_key";
        QTest::newRow("runs of separators") << "a -- b\n\tc"
                                            << "a_b_c";
        QTest::newRow("accented letters separate") << "Hasło dostępu"
                                                   << "has_o_dost_pu";
        QTest::newRow("decomposed accent separates") << "cafe\u0301 menu"
                                                     << "caf_menu";
        QTest::newRow("only the last letter") << "żółć!x"
                                              << "x";
        QTest::newRow("punctuation only") << "#!?-"
                                          << "custom_secret";
        QTest::newRow("non-ASCII only") << "Żółć"
                                        << "custom_secret";
        QTest::newRow("empty") << ""
                               << "custom_secret";
        QTest::newRow("digits") << "PIN 1234"
                                << "pin_1234";
    }
    void slugs() {
        QFETCH(QString, label);
        QFETCH(QString, slug);
        QCOMPARE(slugifyLabel(label), slug);
    }

    void clippedPreviews_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("lineLimit");
        QTest::addColumn<bool>("clipped");
        QTest::newRow("four short lines") << "a\nb\nc\nd" << 3 << true;
        QTest::newRow("three short lines") << "a\nb\nc" << 3 << false;
        QTest::newRow("empty lines count") << "a\n\n\n" << 3 << true;
        QTest::newRow("trailing newline of three lines") << "a\nb\n" << 3 << false;
        QTest::newRow("301 characters") << QString(299, u'x') + "\n\n" << 3 << true;
        QTest::newRow("300 characters") << QString(298, u'x') + "\n\n" << 3 << false;
        QTest::newRow("300 emoji") << QString(thumb).repeated(300) << 3 << false;
        QTest::newRow("empty") << "" << 1 << false;
    }
    void clippedPreviews() {
        QFETCH(QString, text);
        QFETCH(int, lineLimit);
        QFETCH(bool, clipped);
        QCOMPARE(promptPreviewIsClipped(text, lineLimit), clipped);
    }

    void dedupByToken() {
        const QList<DetectionDetail> details{detail("[NAME_1]", "Anna Nowak"), detail("[EMAIL_1]", "anna@example.com"),
                                             detail("[NAME_1]", "anna nowak"), detail("[NAME_2]", "Jan Kowalski"),
                                             detail("[EMAIL_1]", "ANNA@example.com")};
        QStringList kept;
        for (const DetectionDetail& d : dedupedByToken(details)) {
            kept.append(d.token + QLatin1Char('=') + d.value);
        }
        QCOMPARE(kept, (QStringList{"[NAME_1]=Anna Nowak", "[EMAIL_1]=anna@example.com", "[NAME_2]=Jan Kowalski"}));
        QVERIFY(dedupedByToken({}).isEmpty());
    }

    void startFailures_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("tail");
        QTest::addColumn<bool>("portInUse");
        QTest::newRow("address in use") << 1 << "OSError: [Errno 98] Address already in use\n" << true;
        QTest::newRow("lower case phrase") << 1 << "bind failed: address already in use" << true;
        QTest::newRow("EADDRINUSE") << 1 << "uvicorn: eaddrinuse on 127.0.0.1:9090" << true;
        QTest::newRow("errno 48") << 1 << "[errno 48] cannot bind" << true;
        QTest::newRow("errno 98 at the end") << 1 << "failed with ERRNO 98" << true;
        QTest::newRow("errno 480") << 1 << "errno 480 something" << false;
        QTest::newRow("errno 98 glued to a letter") << 1 << "errno 98x" << false;
        QTest::newRow("errno 13") << 1 << "PermissionError: [Errno 13] Permission denied" << false;
        QTest::newRow("empty tail") << -9 << "" << false;
        QTest::newRow("phrase across a line break") << 3 << "Address already\nin use" << false;
    }
    void startFailures() {
        QFETCH(int, code);
        QFETCH(QString, tail);
        QFETCH(bool, portInUse);
        const QString port = QStringLiteral("Another program is using a port Tarvine needs, so Tarvine could not "
                                            "start. Close that program or restart the computer, then open Tarvine "
                                            "again.");
        const QString other = QStringLiteral("Tarvine's background service stopped while starting (code %1). Restart "
                                             "Tarvine; if it keeps happening, report the problem with the details.")
                                  .arg(code);
        QCOMPARE(startFailureText(code, tail), portInUse ? port : other);
    }

    void startFailuresInPolish() {
        L10n::setLanguage(QStringLiteral("pl"));
        QVERIFY(
            startFailureText(1, QStringLiteral("Address already in use")).startsWith(QStringLiteral("Inny program")));
        QVERIFY(startFailureText(-15, QString()).contains(QStringLiteral("(kod -15)")));
    }
};

QTEST_GUILESS_MAIN(ActivityTextTest)
#include "tst_activitytext.moc"
