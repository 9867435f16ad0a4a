#include "FernholmKit/text/L10n.h"
#include "FernholmKit/text/StringsFile.h"
#include "support/MemoryDefaults.h"

#include <QTest>

#include <limits>
#include <thread>
#include <vector>

using namespace fernholm;

Q_DECLARE_METATYPE(fernholm::TrArgs)

namespace {

const QString kFixtures = QStringLiteral(FERNHOLM_TEST_DATA "/l10n/tables");
const QString kMalformed = QStringLiteral(FERNHOLM_TEST_DATA "/l10n/malformed");
const QString kNowhere = QStringLiteral(FERNHOLM_TEST_DATA "/l10n/no-such-folder");

using Table = StringsFile::Table;

} // namespace

class L10nTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() {
        L10n::setLanguage(QStringLiteral("en"));
        L10n::resetTables();
    }

    void parse_data();
    void parse();

    void systemLanguage_data();
    void systemLanguage();
    void startLanguage_data();
    void startLanguage();
    void languageAndLocale();

    void fill_data();
    void fill();

    void trPolish_data();
    void trPolish();

    void trIn_data();
    void trIn();

    void pluralEnglish_data();
    void pluralEnglish();
    void pluralPolishCategories_data();
    void pluralPolishCategories();
    void pluralPolishFallback_data();
    void pluralPolishFallback();

    void sidecarText_data();
    void sidecarText();
    void sidecarTextEnglish();

    void categoryAndTypeNames_data();
    void categoryAndTypeNames();
    void typeNameByDisplay_data();
    void typeNameByDisplay();

    void noPolishTable();
    void malformedTableMisses();
    void tableReadOncePerLanguage();
    void firstLoadFromManyThreads();
    void builtInTables();
};

void L10nTest::parse_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<Table>("table");

    QTest::newRow("empty file") << QByteArray() << true << Table{};
    QTest::newRow("comments only") << QByteArray("/* a\n b */\n// c\n  ") << true << Table{};
    QTest::newRow("pairs") << QByteArray("\"a\" = \"b\";\n\"c {n}\"=\"d {n}\" ;") << true
                           << Table{{"a", "b"}, {"c {n}", "d {n}"}};
    QTest::newRow("comments between the parts")
        << QByteArray("\"a\" /* x */ = // y\n \"b\" /* z */ ; // tail") << true << Table{{"a", "b"}};
    QTest::newRow("unquoted and single-quoted")
        << QByteArray("type.PL_NIP = 'Numer NIP';") << true << Table{{"type.PL_NIP", "Numer NIP"}};
    QTest::newRow("key alone stands for itself") << QByteArray("\"OK\";") << true << Table{{"OK", "OK"}};
    QTest::newRow("escapes") << QByteArray(R"("k" = "\"q\" \\ a\nb\tc \'d\' \z";)") << true
                             << Table{{"k", "\"q\" \\ a\nb\tc 'd' z"}};
    QTest::newRow("unicode escapes") << QByteArray(R"("\U00e9" = "\u00E9 \UD83D\UDE00 \U41!";)") << true
                                     << Table{{QStringLiteral("\u00e9"), QStringLiteral("\u00e9 \U0001F600 A!")}};
    QTest::newRow("octal escape") << QByteArray(R"("k" = "\101\0619";)") << true << Table{{"k", "A19"}};
    QTest::newRow("UTF-8 text") << QByteArray("\"Saved\" = \"Zapisano źdźbło\";") << true
                                << Table{{"Saved", QStringLiteral("Zapisano \u017adźb\u0142o")}};
    QTest::newRow("UTF-8 byte-order mark") << QByteArray("\xEF\xBB\xBF\"a\" = \"b\";") << true << Table{{"a", "b"}};
    QTest::newRow("UTF-16 with byte-order mark") << QByteArray("\xFF\xFE\"\0a\0\"\0=\0\"\0\x7A\x01\"\0;\0", 18) << true
                                                 << Table{{"a", QStringLiteral("\u017a")}};
    QTest::newRow("a later key replaces an earlier one")
        << QByteArray("\"a\" = \"1\"; \"a\" = \"2\";") << true << Table{{"a", "2"}};
    QTest::newRow("line break inside a value") << QByteArray("\"a\" = \"x\ny\";") << true << Table{{"a", "x\ny"}};

    QTest::newRow("missing semicolon") << QByteArray("\"a\" = \"b\"\n\"c\" = \"d\";") << false << Table{};
    QTest::newRow("missing semicolon at the end") << QByteArray("\"a\" = \"b\"") << false << Table{};
    QTest::newRow("missing equals sign") << QByteArray("\"a\" \"b\";") << false << Table{};
    QTest::newRow("missing value") << QByteArray("\"a\" = ;") << false << Table{};
    QTest::newRow("unclosed string") << QByteArray("\"a\" = \"b;") << false << Table{};
    QTest::newRow("unclosed comment") << QByteArray("\"a\" = \"b\"; /* tail") << false << Table{};
    QTest::newRow("array value") << QByteArray("\"a\" = (\"b\", \"c\");") << false << Table{};
    QTest::newRow("dictionary value") << QByteArray("\"a\" = { \"b\" = \"c\"; };") << false << Table{};
    QTest::newRow("stray character") << QByteArray("\"a\" = \"b\"; !") << false << Table{};
    QTest::newRow("invalid UTF-8") << QByteArray("\"a\" = \"\xC3\x28\";") << false << Table{};
}

void L10nTest::parse() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, ok);
    QFETCH(Table, table);
    QString error;
    const auto parsed = StringsFile::parse(bytes, &error);
    QCOMPARE(parsed.has_value(), ok);
    if (ok) {
        QCOMPARE(*parsed, table);
    } else {
        QVERIFY(!error.isEmpty());
    }
}

void L10nTest::systemLanguage_data() {
    QTest::addColumn<QStringList>("preferred");
    QTest::addColumn<QString>("language");
    QTest::newRow("pl-PL") << QStringList{"pl-PL", "en-US"} << "pl";
    QTest::newRow("PL") << QStringList{"PL"} << "pl";
    QTest::newRow("pl_PL") << QStringList{"pl_PL"} << "pl";
    QTest::newRow("Pl-pl") << QStringList{"Pl-pl"} << "pl";
    QTest::newRow("en-PL first") << QStringList{"en-PL", "pl-PL"} << "en";
    QTest::newRow("de-DE") << QStringList{"de-DE"} << "en";
    QTest::newRow("pli is not pl") << QStringList{"pli"} << "en";
    QTest::newRow("empty tag") << QStringList{""} << "en";
    QTest::newRow("empty list") << QStringList{} << "en";
}

void L10nTest::systemLanguage() {
    QFETCH(QStringList, preferred);
    QFETCH(QString, language);
    QCOMPARE(L10n::systemLanguage(preferred), language);
}

void L10nTest::startLanguage_data() {
    QTest::addColumn<QVariant>("stored"); // invalid: absent
    QTest::addColumn<QStringList>("preferred");
    QTest::addColumn<QString>("language");
    QTest::newRow("stored pl beats the system") << QVariant("pl") << QStringList{"en-US"} << "pl";
    QTest::newRow("stored en beats the system") << QVariant("en") << QStringList{"pl-PL"} << "en";
    QTest::newRow("absent: system pl") << QVariant() << QStringList{"pl-PL"} << "pl";
    QTest::newRow("absent: system en") << QVariant() << QStringList{"en-GB"} << "en";
    QTest::newRow("PL is not exactly pl") << QVariant("PL") << QStringList{"en-US"} << "en";
    QTest::newRow("pl-PL is not exactly pl") << QVariant("pl-PL") << QStringList{"en-US"} << "en";
    QTest::newRow("de falls to the system") << QVariant("de") << QStringList{"pl"} << "pl";
    QTest::newRow("empty text falls to the system") << QVariant("") << QStringList{"pl"} << "pl";
    QTest::newRow("a number falls to the system") << QVariant(1) << QStringList{"pl"} << "pl";
    QTest::newRow("a list falls to the system") << QVariant(QStringList{"pl"}) << QStringList{"en"} << "en";
}

void L10nTest::startLanguage() {
    QFETCH(QVariant, stored);
    QFETCH(QStringList, preferred);
    QFETCH(QString, language);
    test::MemoryDefaults defaults;
    if (stored.isValid()) {
        defaults.setValue(QStringLiteral("appLanguage"), stored);
    }
    QCOMPARE(L10n::startLanguage(defaults, preferred), language);
    QCOMPARE(defaults.writes(), stored.isValid() ? 1 : 0); // choosing writes nothing
}

void L10nTest::languageAndLocale() {
    QCOMPARE(L10n::language(), QStringLiteral("en"));
    QVERIFY(!L10n::locale());
    L10n::setLanguage(QStringLiteral("pl"));
    QVERIFY(L10n::isPolish());
    QCOMPARE(L10n::language(), QStringLiteral("pl"));
    QCOMPARE(L10n::locale(), std::optional<QLocale>(QLocale(QLocale::Polish, QLocale::Poland)));
    L10n::setLanguage(QStringLiteral("de"));
    QCOMPARE(L10n::language(), QStringLiteral("en"));
    QVERIFY(!L10n::isPolish());
}

void L10nTest::fill_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<TrArgs>("args");
    QTest::addColumn<QString>("filled");

    QTest::newRow("known name") << "Hello {name}!" << TrArgs{{"name", "Ada"}} << "Hello Ada!";
    QTest::newRow("unknown name stays") << "{n} of {m}" << TrArgs{{"n", 3}} << "3 of {m}";
    QTest::newRow("unclosed brace stays") << "left {n" << TrArgs{{"n", 3}} << "left {n";
    QTest::newRow("brace inside a name") << "{a {n}" << TrArgs{{"n", 3}} << "{a 3";
    QTest::newRow("no brace") << "Plain text" << TrArgs{{"n", 3}} << "Plain text";
    QTest::newRow("no arguments") << "{n} left" << TrArgs{} << "{n} left";
    QTest::newRow("inserted text is not scanned again") << "{a}/{b}" << TrArgs{{"a", "{b}"}, {"b", "B"}} << "{b}/B";
    QTest::newRow("repeated and adjacent") << "{a}{a}-{a}" << TrArgs{{"a", "x"}} << "xx-x";
    QTest::newRow("integers") << "{i} {l} {u}"
                              << TrArgs{{"i", -7}, {"l", std::numeric_limits<long long>::min()}, {"u", 42u}}
                              << "-7 -9223372036854775808 42";
    QTest::newRow("http failure") << "Toggle failed: {error}" << TrArgs{{"error", GatewayError::http(404)}}
                                  << "Toggle failed: http(404)";
    QTest::newRow("refused call") << "Toggle failed: {error}" << TrArgs{{"error", GatewayError::unverified()}}
                                  << "Toggle failed: unverified";
    QTest::newRow("transport failure with quotes")
        << "Toggle failed: {error}" << TrArgs{{"error", GatewayError::transport(QStringLiteral("say \"no\"\n"))}}
        << R"(Toggle failed: transport("say \"no\"\n"))";
    QTest::newRow("platform error description")
        << "Could not save: {error}" << TrArgs{{"error", QStringLiteral("Permission denied")}}
        << "Could not save: Permission denied";
}

void L10nTest::fill() {
    QFETCH(QString, text);
    QFETCH(TrArgs, args);
    QFETCH(QString, filled);
    QCOMPARE(L10n::fill(text, args), filled);
    // English tr is the same filling, whatever tables exist.
    QCOMPARE(fernholm::tr(text, args), filled);
}

void L10nTest::trPolish_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<TrArgs>("args");
    QTest::addColumn<QString>("shown");

    QTest::newRow("hit") << "Saved" << TrArgs{} << "Zapisano";
    QTest::newRow("gateway error in a Polish sentence")
        << "Toggle failed: {error}" << TrArgs{{"error", GatewayError::http(404)}}
        << "Nie udało się przełączyć ochrony: http(404)";
    QTest::newRow("empty translation") << "Hidden in Polish" << TrArgs{} << "";
    QTest::newRow("miss: English filled") << "Not translated {n}" << TrArgs{{"n", 2}} << "Not translated 2";
}

void L10nTest::trPolish() {
    QFETCH(QString, text);
    QFETCH(TrArgs, args);
    QFETCH(QString, shown);
    L10n::setTableRoot(kFixtures, false);
    L10n::setLanguage(QStringLiteral("pl"));
    QCOMPARE(fernholm::tr(text, args), shown);
    QCOMPARE(L10n::tr(text, args), shown);
}

void L10nTest::trIn_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("shown");

    QTest::newRow("Polish, the place's own entry") << "pl"
                                                   << "button"
                                                   << "Zapisz plik";
    QTest::newRow("Polish, no entry for the place: the shared one") << "pl"
                                                                    << "title"
                                                                    << "Zapisano";
    QTest::newRow("English: the text whatever the place") << "en"
                                                          << "button"
                                                          << "Saved";
}

void L10nTest::trIn() {
    QFETCH(QString, language);
    QFETCH(QString, context);
    QFETCH(QString, shown);
    L10n::setTableRoot(kFixtures, false);
    L10n::setLanguage(language);
    const QByteArray place = context.toUtf8();
    QCOMPARE(fernholm::trIn(place.constData(), QStringLiteral("Saved"), {{QStringLiteral("what"), "plik"}}), shown);
}

void L10nTest::pluralEnglish_data() {
    QTest::addColumn<qint64>("count");
    QTest::addColumn<QString>("shown");
    QTest::newRow("1") << qint64(1) << "One file in A";
    QTest::newRow("0") << qint64(0) << "0 files in A";
    QTest::newRow("2") << qint64(2) << "2 files in A";
    QTest::newRow("-1") << qint64(-1) << "-1 files in A";
}

void L10nTest::pluralEnglish() {
    QFETCH(qint64, count);
    QFETCH(QString, shown);
    L10n::setTableRoot(kFixtures, false);
    // The caller's own "n" gives way to the count.
    QCOMPARE(L10n::plural(count, "One file in {where}", "{n} files in {where}", {{"where", "A"}, {"n", 99}}), shown);
    QCOMPARE(L10n::tableLoads(), 0);
}

void L10nTest::pluralPolishCategories_data() {
    QTest::addColumn<qint64>("count");
    QTest::addColumn<QString>("shown");
    for (qint64 n : {1, -1}) {
        QTest::addRow("%lld", n) << n << QStringLiteral("one:%1").arg(n);
    }
    for (qint64 n : {2, 3, 4, 22, 23, 24, 102, 1'000'003, -2}) {
        QTest::addRow("%lld", n) << n << QStringLiteral("few:%1").arg(n);
    }
    for (qint64 n : {0, 5, 11, 12, 13, 14, 21, 25, 31, 112, 113, 1000, -5}) {
        QTest::addRow("%lld", n) << n << QStringLiteral("many:%1").arg(n);
    }
    const qint64 smallest = std::numeric_limits<qint64>::min(); // ...808
    const qint64 largest = std::numeric_limits<qint64>::max();  // ...807
    QTest::newRow("smallest 64-bit") << smallest << QStringLiteral("many:%1").arg(smallest);
    QTest::newRow("largest 64-bit") << largest << QStringLiteral("many:%1").arg(largest);
    QTest::newRow("smallest + 6 ends in 2") << smallest + 6 << QStringLiteral("few:%1").arg(smallest + 6);
}

void L10nTest::pluralPolishCategories() {
    QFETCH(qint64, count);
    QFETCH(QString, shown);
    L10n::setTableRoot(kFixtures, false);
    L10n::setLanguage(QStringLiteral("pl"));
    QCOMPARE(L10n::plural(count, "One file", "{n} files"), shown);
}

void L10nTest::pluralPolishFallback_data() {
    QTest::addColumn<qint64>("count");
    QTest::addColumn<QString>("one");
    QTest::addColumn<QString>("other");
    QTest::addColumn<QString>("shown");

    QTest::newRow("no few-form: the other text's entry") << qint64(3) << "One row in {table}"
                                                         << "{n} rows in {table}"
                                                         << "wiersze (3) w T";
    QTest::newRow("no one-form: the one text's entry") << qint64(1) << "One row in {table}"
                                                       << "{n} rows in {table}"
                                                       << "jeden wiersz w T";
    QTest::newRow("many-form present") << qint64(5) << "One cat"
                                       << "{n} cats"
                                       << "5 kotów";
    QTest::newRow("few-form absent, no entry: English") << qint64(2) << "One cat"
                                                        << "{n} cats"
                                                        << "2 cats";
    QTest::newRow("nothing at all: English") << qint64(7) << "One dog in {table}"
                                             << "{n} dogs in {table}"
                                             << "7 dogs in T";
    QTest::newRow("nothing at all, one: English") << qint64(1) << "One dog"
                                                  << "{n} dogs"
                                                  << "One dog";
}

void L10nTest::pluralPolishFallback() {
    QFETCH(qint64, count);
    QFETCH(QString, one);
    QFETCH(QString, other);
    QFETCH(QString, shown);
    L10n::setTableRoot(kFixtures, false);
    L10n::setLanguage(QStringLiteral("pl"));
    QCOMPARE(L10n::plural(count, one, other, {{"table", "T"}}), shown);
}

void L10nTest::sidecarText_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");

    QTest::newRow("unreadable request") << "unreadable request (bad JSON at byte 12)"
                                        << "nieczytelne żądanie (bad JSON at byte 12)";
    QTest::newRow("document too long: x, y and z")
        << "document too long to redact in time (stopped in pass 2 at page 17 of 240)"
        << "dokument zbyt długi (przebieg 2, strona 17 z 240)";
    QTest::newRow("lazy first group") << "verification failed: PII survived (EMAIL): (x): y"
                                      << "weryfikacja: dane pozostały (EMAIL): (x): y";
    QTest::newRow("type keys shown by their names")
        << "verification failed: PII survived (PERSON, EMAIL_ADDRESS): Jan, jan@example.com"
        << "weryfikacja: dane pozostały (Imię i nazwisko, Adres e-mail): Jan, jan@example.com";
    QTest::newRow("pattern without a Polish entry: English template")
        << "part word/document.xml is not well-formed XML"
        << "part word/document.xml is not well-formed XML";
    QTest::newRow("exact phrase") << "upstream refused"
                                  << "serwer docelowy odmówił";
    QTest::newRow("colon: the part before it") << "upstream refused: connection reset by peer"
                                               << "serwer docelowy odmówił";
    QTest::newRow("colon: spaces and tabs trimmed") << " \tupstream refused \t: reset"
                                                    << "serwer docelowy odmówił";
    QTest::newRow("colon: a line break is not trimmed") << "upstream refused\n: reset"
                                                        << "upstream refused\n: reset";
    QTest::newRow("colon: a pattern before it") << "unreadable request (x): tail"
                                                << "nieczytelne żądanie (x)";
    QTest::newRow("colon, no match") << "something else: detail"
                                     << "something else: detail";
    QTest::newRow("no colon, no match") << "something else entirely"
                                        << "something else entirely";
    QTest::newRow("pattern is anchored at the start") << "an unreadable request (x)"
                                                      << "an unreadable request (x)";
    QTest::newRow("document too long needs digits")
        << "document too long to redact in time (stopped in pass two at page 1 of 3)"
        << "document too long to redact in time (stopped in pass two at page 1 of 3)";
}

void L10nTest::sidecarText() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    L10n::setTableRoot(kFixtures, false);
    L10n::setLanguage(QStringLiteral("pl"));
    QCOMPARE(L10n::sidecarText(message), shown);
}

void L10nTest::sidecarTextEnglish() {
    L10n::setTableRoot(kFixtures, false);
    for (const char* message : {"unreadable request (x)", "upstream refused: reset", "anything"}) {
        QCOMPARE(L10n::sidecarText(QString::fromUtf8(message)), QString::fromUtf8(message));
    }
    QCOMPARE(L10n::tableLoads(), 0);
}

void L10nTest::categoryAndTypeNames_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("loads");

    QTest::newRow("pl category") << "pl"
                                 << "category"
                                 << "contact"
                                 << "Dane kontaktowe" << 1;
    QTest::newRow("pl category unknown") << "pl"
                                         << "category"
                                         << "secrets"
                                         << "Fallback" << 1;
    QTest::newRow("pl type") << "pl"
                             << "type"
                             << "EMAIL_ADDRESS"
                             << "Adres e-mail" << 1;
    QTest::newRow("pl type unknown") << "pl"
                                     << "type"
                                     << "PL_NIP"
                                     << "Fallback" << 1;
    QTest::newRow("pl type key is not a category") << "pl"
                                                   << "category"
                                                   << "EMAIL_ADDRESS"
                                                   << "Fallback" << 1;
    QTest::newRow("en category") << "en"
                                 << "category"
                                 << "contact"
                                 << "Fallback" << 0;
    QTest::newRow("en type") << "en"
                             << "type"
                             << "EMAIL_ADDRESS"
                             << "Fallback" << 0;
}

void L10nTest::categoryAndTypeNames() {
    QFETCH(QString, language);
    QFETCH(QString, kind);
    QFETCH(QString, key);
    QFETCH(QString, shown);
    QFETCH(int, loads);
    L10n::setTableRoot(kFixtures, false);
    L10n::setLanguage(language);
    const QString fallback = QStringLiteral("Fallback");
    QCOMPARE(kind == u"category" ? L10n::categoryName(key, fallback) : L10n::typeName(key, fallback), shown);
    QCOMPARE(L10n::tableLoads(), loads);
}

void L10nTest::typeNameByDisplay_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("shown");

    QTest::newRow("through the English table") << "pl"
                                               << "Email address"
                                               << "Adres e-mail";
    QTest::newRow("English key without Polish: the display's own entry") << "pl"
                                                                         << "Street address"
                                                                         << "Adres (po nazwie)";
    QTest::newRow("unknown display") << "pl"
                                     << "Shoe size"
                                     << "Shoe size";
    QTest::newRow("English is unchanged") << "en"
                                          << "Email address"
                                          << "Email address";
}

void L10nTest::typeNameByDisplay() {
    QFETCH(QString, language);
    QFETCH(QString, display);
    QFETCH(QString, shown);
    L10n::setTableRoot(kFixtures, false);
    L10n::setLanguage(language);
    QCOMPARE(L10n::typeName(display), shown);
}

void L10nTest::noPolishTable() {
    L10n::setTableRoot(kNowhere, false);
    L10n::setLanguage(QStringLiteral("pl"));
    QCOMPARE(fernholm::tr("Toggle failed: {error}", {{"error", GatewayError::http(500)}}), "Toggle failed: http(500)");
    QCOMPARE(L10n::plural(3, "One file", "{n} files"), "3 files");
    QCOMPARE(L10n::sidecarText("unreadable request (x)"), "unreadable request (x)");
    QCOMPARE(L10n::categoryName("contact", "Contact"), "Contact");
    // A missing table is searched for once, then remembered as empty.
    QCOMPARE(L10n::tableLoads(), 1);
}

void L10nTest::malformedTableMisses() {
    L10n::setTableRoot(kMalformed, false);
    L10n::setLanguage(QStringLiteral("pl"));
    QVERIFY(L10n::table("pl").isEmpty());
    QCOMPARE(fernholm::tr("Saved"), "Saved");
}

void L10nTest::tableReadOncePerLanguage() {
    L10n::setTableRoot(kFixtures, false);
    QCOMPARE(fernholm::tr("Saved"), "Saved");
    QCOMPARE(L10n::tableLoads(), 0); // English reads no table

    L10n::setLanguage(QStringLiteral("pl"));
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(fernholm::tr("Saved"), "Zapisano");
        L10n::plural(i, "One file", "{n} files");
        L10n::sidecarText("unreadable request (x)");
    }
    QCOMPARE(L10n::tableLoads(), 1);

    QCOMPARE(L10n::typeName(QStringLiteral("Person name")), "Imię i nazwisko");
    QCOMPARE(L10n::typeName(QStringLiteral("Email address")), "Adres e-mail");
    QCOMPARE(L10n::tableLoads(), 2); // and the English table, once

    L10n::setLanguage(QStringLiteral("en"));
    L10n::setLanguage(QStringLiteral("pl"));
    QCOMPARE(fernholm::tr("Saved"), "Zapisano");
    QCOMPARE(L10n::tableLoads(), 2); // a switch reloads nothing
}

void L10nTest::firstLoadFromManyThreads() {
    L10n::setTableRoot(kFixtures, false);
    L10n::setLanguage(QStringLiteral("pl"));
    std::vector<QString> seen(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&seen, i] { seen[i] = fernholm::tr("Saved"); });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (const QString& text : seen) {
        QCOMPARE(text, "Zapisano");
    }
    QCOMPARE(L10n::tableLoads(), 1);
}

void L10nTest::builtInTables() {
    // The built-in tables reach this executable without any set-up.
    const auto polish = L10n::table("pl");
    QCOMPARE(polish.value("unreadable request ({x})"), "nieczytelne żądanie ({x})");
    QVERIFY(L10n::table("en").contains("type.EMAIL_ADDRESS"));

    // An override root comes first; a language it lacks comes from the built-in tables.
    L10n::setTableRoot(kMalformed);
    QVERIFY(L10n::table("pl").isEmpty());
    QCOMPARE(L10n::table("en").value("type.EMAIL_ADDRESS"), "Email address");

    // Without the built-in tables, a language the root lacks has none.
    L10n::setTableRoot(kMalformed, false);
    QVERIFY(L10n::table("en").isEmpty());

    // A language code is never a path.
    L10n::setTableRoot(kFixtures + QStringLiteral("/pl.lproj"), false);
    QVERIFY(L10n::table("../pl").isEmpty());
}

QTEST_GUILESS_MAIN(L10nTest)
#include "tst_l10n.moc"
