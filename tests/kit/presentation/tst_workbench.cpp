#include "FernholmKit/text/L10n.h"
#include "FernholmKit/presentation/Workbench.h"

#include <QTest>

using namespace fernholm;

namespace {

using TypeNames = QMap<QString, QString>;

// "[TOKEN]=value/TYPE" per detection.
QList<DetectionDetail> details(const QStringList& lines) {
    QList<DetectionDetail> out;
    for (const QString& line : lines) {
        const qsizetype equals = line.indexOf(u'=');
        const qsizetype slash = line.lastIndexOf(u'/');
        DetectionDetail d;
        d.token = line.left(equals);
        d.value = line.mid(equals + 1, slash - equals - 1);
        d.entityType = line.mid(slash + 1);
        d.detectedBy = QStringLiteral("ner");
        d.action = QStringLiteral("replaced");
        out.append(d);
    }
    return out;
}

// "p:text", "r:text" or "t:[TOKEN]=value/TYPE" per segment.
QStringList render(const QList<AnonymizedSegment>& segments) {
    QStringList out;
    for (const AnonymizedSegment& s : segments) {
        switch (s.kind) {
        case AnonymizedSegment::Kind::plain:
            out << QStringLiteral("p:") + s.text;
            break;
        case AnonymizedSegment::Kind::restored:
            out << QStringLiteral("r:") + s.text;
            break;
        case AnonymizedSegment::Kind::token:
            out << QStringLiteral("t:") + s.text + QLatin1Char('=') + s.value + QLatin1Char('/') + s.type;
            break;
        }
    }
    return out;
}

// "value | token or - | type name" per item.
QStringList render(const QList<WorkbenchItem>& items) {
    QStringList out;
    for (const WorkbenchItem& item : items) {
        out << item.value + QStringLiteral(" | ") + item.token.value_or(QStringLiteral("-")) + QStringLiteral(" | ") +
                   item.typeName;
    }
    return out;
}

QList<RestoredSpan> spans(const QList<std::tuple<int, int, const char*>>& list) {
    QList<RestoredSpan> out;
    for (const auto& [start, end, token] : list) {
        out.append(RestoredSpan{start, end, QString::fromLatin1(token)});
    }
    return out;
}

const QString eAcute = QStringLiteral("e\u0301"); // "é" as a letter and a combining mark

} // namespace

Q_DECLARE_METATYPE(QList<RestoredSpan>)

class WorkbenchTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { L10n::setLanguage(QStringLiteral("en")); }

    void segments_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("details");
        QTest::addColumn<QStringList>("kept");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("no tokens") << QStringLiteral("Hello there") << QStringList{} << QStringList{}
                                   << QStringList{"p:Hello there"};
        QTest::newRow("empty text") << QString() << QStringList{"[P1]=Ann/PERSON"} << QStringList{"Ann"}
                                    << QStringList{};
        QTest::newRow("tokens between plain runs")
            << QStringLiteral("Hi [P1], mail [E1].") << QStringList{"[P1]=Ann/PERSON", "[E1]=a@b.pl/EMAIL"}
            << QStringList{} << QStringList{"p:Hi ", "t:[P1]=Ann/PERSON", "p:, mail ", "t:[E1]=a@b.pl/EMAIL", "p:."};
        QTest::newRow("stray bracket before a token")
            << QStringLiteral("a [[P1] b") << QStringList{"[P1]=Ann/PERSON"} << QStringList{}
            << QStringList{"p:a [", "t:[P1]=Ann/PERSON", "p: b"};
        QTest::newRow("unknown bracketed run stays plain")
            << QStringLiteral("x [NOPE] y [P1]") << QStringList{"[P1]=Ann/PERSON"} << QStringList{}
            << QStringList{"p:x [NOPE] y ", "t:[P1]=Ann/PERSON"};
        QTest::newRow("tokens are case-sensitive")
            << QStringLiteral("[p1]") << QStringList{"[P1]=Ann/PERSON"} << QStringList{} << QStringList{"p:[p1]"};
        QTest::newRow("unmatched brackets") << QStringLiteral("a ] b [ c") << QStringList{"[P1]=Ann/PERSON"}
                                            << QStringList{} << QStringList{"p:a ] b [ c"};
        QTest::newRow("tokens back to back")
            << QStringLiteral("[P1][P2]") << QStringList{"[P1]=Ann/PERSON", "[P2]=Bob/PERSON"} << QStringList{}
            << QStringList{"t:[P1]=Ann/PERSON", "t:[P2]=Bob/PERSON"};
        QTest::newRow("duplicate token uses the first detail")
            << QStringLiteral("[P1]") << QStringList{"[P1]=Ann/PERSON", "[P1]=Bob/NAME"} << QStringList{}
            << QStringList{"t:[P1]=Ann/PERSON"};
        QTest::newRow("kept value twice in other case")
            << QStringLiteral("ann met ANN") << QStringList{} << QStringList{"Ann"}
            << QStringList{"r:ann", "p: met ", "r:ANN"};
        QTest::newRow("a kept value inside another is matched whole")
            << QStringLiteral("Ann Smith and Ann") << QStringList{} << QStringList{"Ann", "Ann Smith"}
            << QStringList{"r:Ann Smith", "p: and ", "r:Ann"};
        QTest::newRow("kept values beside tokens")
            << QStringLiteral("Ann wrote to [E1] as ann") << QStringList{"[E1]=a@b.pl/EMAIL"} << QStringList{"ann"}
            << QStringList{"r:Ann", "p: wrote to ", "t:[E1]=a@b.pl/EMAIL", "p: as ", "r:ann"};
        QTest::newRow("kept value at the end leaves no empty run")
            << QStringLiteral("hi Ann") << QStringList{} << QStringList{"Ann"} << QStringList{"p:hi ", "r:Ann"};
        QTest::newRow("empty kept value is ignored")
            << QStringLiteral("hi") << QStringList{} << QStringList{""} << QStringList{"p:hi"};
        QTest::newRow("sharp s") << QStringLiteral("STRASSE 5") << QStringList{} << QStringList{"straße"}
                                 << QStringList{"r:STRASSE", "p: 5"};
        QTest::newRow("precomposed kept value, decomposed text")
            << QStringLiteral("caf") + eAcute + QStringLiteral("!") << QStringList{} << QStringList{"CAFÉ"}
            << QStringList{QStringLiteral("r:caf") + eAcute, "p:!"};
        QTest::newRow("a letter is not found under its accent")
            << QStringLiteral("caf") + eAcute << QStringList{} << QStringList{"cafe"}
            << QStringList{QStringLiteral("p:caf") + eAcute};
    }
    void segments() {
        QFETCH(QString, text);
        QFETCH(QStringList, details);
        QFETCH(QStringList, kept);
        QFETCH(QStringList, expected);
        QCOMPARE(render(Workbench::segments(text, ::details(details), kept)), expected);
    }

    void highlightingPrefersTheLongerValueAtOneStart() {
        // Equal lengths keep their order; at one start the longer wins whatever the list order.
        QCOMPARE(render(Workbench::highlighting(QStringLiteral("Anna Nowak"), {"Anna", "Anna Nowak", "Nowak"})),
                 QStringList{"r:Anna Nowak"});
        QCOMPARE(render(Workbench::highlighting(QStringLiteral("abc"), {"ab", "bc"})), (QStringList{"r:ab", "p:c"}));
        QCOMPARE(render(Workbench::highlighting(QStringLiteral("abc"), {"bc", "ab"})), (QStringList{"r:ab", "p:c"}));
        QCOMPARE(render(Workbench::highlighting(QString(), {"ab"})), QStringList{});
    }

    void items_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("details");
        QTest::addColumn<QStringList>("kept");
        QTest::addColumn<TypeNames>("typeNames");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("two tokens of one hidden value")
            << QStringLiteral("[H1] and [H2]") << QStringList{"[H1]=Kite/HIDDEN", "[H2]=KITE/HIDDEN"} << QStringList{}
            << TypeNames{} << QStringList{"Kite | [H1] | HIDDEN"};
        QTest::newRow("restored value in two spellings, kept spelling")
            << QStringLiteral("ann and ANN") << QStringList{} << QStringList{"Ann"} << TypeNames{}
            << QStringList{"Ann | - | Restored"};
        QTest::newRow("restored through case folding")
            << QStringLiteral("STRASSE") << QStringList{} << QStringList{"straße"} << TypeNames{}
            << QStringList{"straße | - | Restored"};
        QTest::newRow("type display name from the reply")
            << QStringLiteral("[E1] [P1]") << QStringList{"[E1]=a@b.pl/EMAIL", "[P1]=Ann/PERSON"} << QStringList{}
            << TypeNames{{"EMAIL", "Email address"}}
            << QStringList{"a@b.pl | [E1] | Email address", "Ann | [P1] | PERSON"};
        QTest::newRow("one item per token, in order of appearance")
            << QStringLiteral("[P2] ann [P1] [P2] Ann") << QStringList{"[P1]=Bob/PERSON", "[P2]=Cy/PERSON"}
            << QStringList{"ann"} << TypeNames{}
            << QStringList{"Cy | [P2] | PERSON", "ann | - | Restored", "Bob | [P1] | PERSON"};
        QTest::newRow("hidden values in other words stay apart")
            << QStringLiteral("[H1] [H2]") << QStringList{"[H1]=Kite/HIDDEN", "[H2]=Kit/HIDDEN"} << QStringList{}
            << TypeNames{} << QStringList{"Kite | [H1] | HIDDEN", "Kit | [H2] | HIDDEN"};
        QTest::newRow("plain text only") << QStringLiteral("nothing here") << QStringList{} << QStringList{}
                                         << TypeNames{} << QStringList{};
    }
    void items() {
        QFETCH(QString, text);
        QFETCH(QStringList, details);
        QFETCH(QStringList, kept);
        QFETCH(TypeNames, typeNames);
        QFETCH(QStringList, expected);
        QCOMPARE(render(Workbench::items(text, ::details(details), kept, typeNames)), expected);
    }

    void itemIds() {
        const auto items = Workbench::items(QStringLiteral("[P1] ANN"), details({"[P1]=Ann Smith/PERSON"}),
                                            {QStringLiteral("Ann")}, {});
        QCOMPARE(items.size(), 2);
        QCOMPARE(items.at(0).id(), QStringLiteral("[P1]|ann smith"));
        QVERIFY(!items.at(0).isRestored());
        QCOMPARE(items.at(1).id(), QStringLiteral("restored|ann"));
        QVERIFY(items.at(1).isRestored());
    }

    void itemNamesFollowTheLanguage() {
        L10n::setLanguage(QStringLiteral("pl"));
        const auto items =
            Workbench::items(QStringLiteral("[P1] Ann [X1]"), details({"[P1]=Bob/PERSON", "[X1]=x/CUSTOM"}),
                             {QStringLiteral("ann")}, {{"PERSON", "Person name"}, {"CUSTOM", "Custom thing"}});
        L10n::setLanguage(QStringLiteral("en"));
        QCOMPARE(render(items),
                 (QStringList{"Bob | [P1] | Imię i nazwisko", "ann | - | Przywrócone", "x | [X1] | Custom thing"}));
    }

    void hideCandidate_data() {
        QTest::addColumn<QString>("selection");
        QTest::addColumn<std::optional<QString>>("expected");
        QTest::newRow("blanks and comma") << QStringLiteral(" Ann, ") << std::optional<QString>("Ann");
        QTest::newRow("brackets of a quote") << QStringLiteral("«Łódź»") << std::optional<QString>("Łódź");
        QTest::newRow("ellipsis and line breaks")
            << QStringLiteral("\n\t…Ann Smith.\n") << std::optional<QString>("Ann Smith");
        QTest::newRow("inner punctuation stays") << QStringLiteral("(a@b.pl)") << std::optional<QString>("a@b.pl");
        QTest::newRow("two letters") << QStringLiteral("ab") << std::optional<QString>("ab");
        QTest::newRow("two emoji") << QStringLiteral("👍👍") << std::optional<QString>("👍👍");
        QTest::newRow("single character") << QStringLiteral(" A ") << std::optional<QString>();
        QTest::newRow("single character with a combining mark") << eAcute << std::optional<QString>();
        QTest::newRow("single flag") << QStringLiteral("🇵🇱") << std::optional<QString>();
        QTest::newRow("holds a token") << QStringLiteral("Hi [P1]") << std::optional<QString>();
        QTest::newRow("holds a closing bracket") << QStringLiteral("a]b") << std::optional<QString>();
        QTest::newRow("punctuation only") << QStringLiteral("?!") << std::optional<QString>();
        QTest::newRow("empty") << QString() << std::optional<QString>();
    }
    void hideCandidate() {
        QFETCH(QString, selection);
        QFETCH(std::optional<QString>, expected);
        QCOMPARE(Workbench::hideCandidate(selection), expected);
    }

    void snapToWords_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("location");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("expected");
        QTest::newRow("middle of a word") << QStringLiteral("hello world") << 2 << 2 << QStringLiteral("hello");
        QTest::newRow("whole word") << QStringLiteral("hello world") << 0 << 5 << QStringLiteral("hello");
        QTest::newRow("across a space") << QStringLiteral("hello world") << 4 << 3 << QStringLiteral("hello world");
        QTest::newRow("just the space") << QStringLiteral("hello world") << 5 << 1 << QStringLiteral(" ");
        QTest::newRow("empty range") << QStringLiteral("hello") << 2 << 0 << QString();
        QTest::newRow("stops at an emoji before") << QStringLiteral("😀abc") << 3 << 1 << QStringLiteral("abc");
        QTest::newRow("stops at an emoji after") << QStringLiteral("ab😀cd") << 1 << 1 << QStringLiteral("ab");
        QTest::newRow("combining mark is a word character")
            << QStringLiteral("caf") + eAcute + QStringLiteral(" bar") << 1 << 1 << QStringLiteral("caf") + eAcute;
        QTest::newRow("starting at a combining mark")
            << QStringLiteral("caf") + eAcute + QStringLiteral("s") << 4 << 1 << QStringLiteral("caf") + eAcute + "s";
        QTest::newRow("digits") << QStringLiteral("id a1b2, ok") << 4 << 1 << QStringLiteral("a1b2");
        QTest::newRow("Polish letters") << QStringLiteral("Zażółć gęślą") << 3 << 2 << QStringLiteral("Zażółć");
        QTest::newRow("punctuation stops") << QStringLiteral("a.bc-de") << 3 << 1 << QStringLiteral("bc");
        QTest::newRow("location past the end") << QStringLiteral("abc") << 10 << 5 << QString();
        QTest::newRow("negative location") << QStringLiteral("abc") << -3 << 2 << QString();
        QTest::newRow("length past the end") << QStringLiteral("abc def") << 5 << 99 << QStringLiteral("def");
        QTest::newRow("negative length") << QStringLiteral("abc") << 1 << -1 << QString();
    }
    void snapToWords() {
        QFETCH(QString, text);
        QFETCH(int, location);
        QFETCH(int, length);
        QFETCH(QString, expected);
        QCOMPARE(Workbench::snapToWords(text, location, length), expected);
    }

    void snapToWordsSurvivesExtremeRanges() {
        const QString text = QStringLiteral("abc def");
        const qsizetype big = std::numeric_limits<qsizetype>::max();
        QCOMPARE(Workbench::snapToWords(text, 1, big), QStringLiteral("abc def"));
        QCOMPARE(Workbench::snapToWords(text, big, big), QString());
        QCOMPARE(Workbench::snapToWords(text, -big, big), QString());
        QCOMPARE(Workbench::snapToWords(text, -5, big), QStringLiteral("abc def"));
    }

    void selectionTouchesToken_data() {
        // "ab " occupies 0..3, "[P1]" 3..7, " cd" 7..10.
        QTest::addColumn<int>("location");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("touches");
        QTest::newRow("before it") << 0 << 3 << false;
        QTest::newRow("reaching its first unit") << 0 << 4 << true;
        QTest::newRow("inside it") << 4 << 2 << true;
        QTest::newRow("its last unit") << 6 << 1 << true;
        QTest::newRow("after it") << 7 << 3 << false;
        QTest::newRow("empty range at its start") << 3 << 0 << false;
        QTest::newRow("empty range inside it") << 5 << 0 << false;
        QTest::newRow("around it") << 1 << 8 << true;
        QTest::newRow("beyond the text") << 100 << 5 << false;
    }
    void selectionTouchesToken() {
        QFETCH(int, location);
        QFETCH(int, length);
        QFETCH(bool, touches);
        const auto segments = Workbench::segments(QStringLiteral("ab [P1] cd"), details({"[P1]=Ann/PERSON"}), {});
        QCOMPARE(render(segments), (QStringList{"p:ab ", "t:[P1]=Ann/PERSON", "p: cd"}));
        QCOMPARE(Workbench::selectionTouchesToken(segments, location, length), touches);
    }

    void selectionTouchesNothingWithoutSegments() {
        QVERIFY(!Workbench::selectionTouchesToken({}, 0, 10));
        const auto segments = Workbench::segments(QStringLiteral("[P1]"), details({"[P1]=Ann/PERSON"}), {});
        QVERIFY(Workbench::selectionTouchesToken(segments, 0, std::numeric_limits<qsizetype>::max()));
    }

    void restoredSegments_data() {
        // "Ann" occupies 5..8 and "Bob" 15..18.
        QTest::addColumn<QList<RestoredSpan>>("spans");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("count");
        const QStringList both{"p:Dear ", "r:Ann", "p:, call ", "r:Bob", "p: now"};
        QTest::newRow("in order") << spans({{5, 8, "[P1]"}, {15, 18, "[P2]"}}) << both << 2;
        QTest::newRow("unsorted") << spans({{15, 18, "[P2]"}, {5, 8, "[P1]"}}) << both << 2;
        QTest::newRow("overlapping span ignored but counted")
            << spans({{5, 8, "[P1]"}, {6, 10, "[P3]"}, {15, 18, "[P2]"}}) << both << 3;
        QTest::newRow("equal starts keep their order")
            << spans({{5, 8, "[P1]"}, {5, 12, "[P9]"}}) << QStringList{"p:Dear ", "r:Ann", "p:, call Bob now"} << 2;
        QTest::newRow("out of range") << spans({{15, 99, "[P2]"}}) << QStringList{"p:Dear Ann, call Bob now"} << 1;
        QTest::newRow("empty and reversed spans")
            << spans({{5, 5, "[P1]"}, {8, 5, "[P2]"}}) << QStringList{"p:Dear Ann, call Bob now"} << 2;
        QTest::newRow("negative start") << spans({{-1, 3, "[P1]"}}) << QStringList{"p:Dear Ann, call Bob now"} << 1;
        QTest::newRow("one token twice") << spans({{5, 8, "[P1]"}, {15, 18, "[P1]"}}) << both << 1;
        QTest::newRow("whole text") << spans({{0, 22, "[P1]"}}) << QStringList{"r:Dear Ann, call Bob now"} << 1;
        QTest::newRow("no spans") << spans({}) << QStringList{"p:Dear Ann, call Bob now"} << 0;
    }
    void restoredSegments() {
        QFETCH(QList<RestoredSpan>, spans);
        QFETCH(QStringList, expected);
        QFETCH(int, count);
        const RestoreResult result{QStringLiteral("Dear Ann, call Bob now"), {}, spans};
        const auto [segments, restored] = Workbench::restoredSegments(result);
        QCOMPARE(render(segments), expected);
        QCOMPARE(restored, count);
    }

    void restoredSegmentsOfAnEmptyReply() {
        const auto [segments, count] = Workbench::restoredSegments(RestoreResult{});
        QVERIFY(segments.isEmpty());
        QCOMPARE(count, 0);
    }

    void tokenValues_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("details");
        QTest::addColumn<QStringList>("expected");
        const QStringList smiths{"[P1]=Ann Smith/PERSON", "[P2]=Bob/PERSON", "[P1]=A. Smith/PERSON",
                                 "[P1]=ann smith/PERSON"};
        QTest::newRow("no detail carries it") << QStringLiteral("Carol") << smiths << QStringList{"Carol"};
        QTest::newRow("no details at all") << QStringLiteral("Carol") << QStringList{} << QStringList{"Carol"};
        QTest::newRow("another spelling shares the token")
            << QStringLiteral("A. Smith") << smiths << QStringList{"Ann Smith", "A. Smith"};
        QTest::newRow("other letter case finds the token")
            << QStringLiteral("ANN SMITH") << smiths << QStringList{"Ann Smith", "A. Smith"};
        QTest::newRow("a value alone behind its token") << QStringLiteral("bob") << smiths << QStringList{"Bob"};
        QTest::newRow("a value behind two tokens")
            << QStringLiteral("Kit") << QStringList{"[A]=Kite/X", "[B]=kit/Y", "[A]=Kit/X", "[C]=Other/Z"}
            << QStringList{"Kite", "kit"};
    }
    void tokenValues() {
        QFETCH(QString, value);
        QFETCH(QStringList, details);
        QFETCH(QStringList, expected);
        QCOMPARE(Workbench::tokenValues(value, ::details(details)), expected);
    }

    void tokenMapKeepsTheFirstDetail() {
        const auto map = Workbench::tokenMap(details({"[P1]=Ann/PERSON", "[P2]=Bob/PERSON", "[P1]=Cy/NAME"}));
        QCOMPARE(map.size(), 2);
        QCOMPARE(map.value(QStringLiteral("[P1]")).value, QStringLiteral("Ann"));
        QCOMPARE(map.value(QStringLiteral("[P1]")).entityType, QStringLiteral("PERSON"));
    }
};

QTEST_GUILESS_MAIN(WorkbenchTest)
#include "tst_workbench.moc"
