#include "FernholmKit/presentation/ActivityText.h"
#include "FernholmKit/text/L10n.h"
#include "FernholmKit/text/StringsFile.h"
#include "support/SourceKeyScanner.h"

#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace fernholm;
using fernholm::test::SourceKeyScanner;

namespace {

const QString kSourceRoot = QStringLiteral(FERNHOLM_SOURCE_DIR);

QString quoted(const QString& text) {
    QString out = text;
    out.replace(u'\\', QLatin1String("\\\\")).replace(u'"', QLatin1String("\\\"")).replace(u'\n', QLatin1String("\\n"));
    return u'"' + out + u'"';
}

// Where a key is used, for the failure message.
struct Use {
    QString file;
    int line = 0;
    QString where() const { return file + u':' + QString::number(line); }
};

struct ScannedTree {
    QMap<QString, Use> texts;                       // tr keys
    QMap<QString, std::pair<QString, Use>> plurals; // other -> (one, where)
    QStringList problems;
};

ScannedTree scanTree() {
    ScannedTree tree;
    QDirIterator it(kSourceRoot + QLatin1String("/src"), {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                    QDirIterator::Subdirectories);
    QStringList files;
    while (it.hasNext()) {
        files << it.next();
    }
    files.sort();
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            tree.problems << QStringLiteral("cannot read %1").arg(path);
            continue;
        }
        const QString relative = path.mid(kSourceRoot.size() + 1);
        const QString source = QString::fromUtf8(file.readAll());
        const auto result = SourceKeyScanner::scan(source);
        // Inside a Q_OBJECT class a bare tr is QObject::tr, which never reaches our tables.
        QFile header(path.left(path.lastIndexOf(u'.')) + QLatin1String(".h"));
        const bool hasQObject = source.contains(QLatin1String("Q_OBJECT")) ||
                                (header.open(QIODevice::ReadOnly) && header.readAll().contains("Q_OBJECT"));
        // The localization code itself passes keys on through variables.
        const bool forwards =
            relative.endsWith(QLatin1String("/L10n.h")) || relative.endsWith(QLatin1String("/L10n.cpp"));
        if (!forwards) {
            for (const auto& problem : result.problems) {
                tree.problems << QStringLiteral("%1:%2: %3 (write the key as one string literal in the call)")
                                     .arg(relative)
                                     .arg(problem.line)
                                     .arg(problem.what);
            }
        }
        for (const auto& key : result.keys) {
            const Use use{relative, key.line};
            if (key.unqualified && hasQObject) {
                tree.problems << QStringLiteral("%1: tr(%2) in a file with a Q_OBJECT class; write fernholm::tr, "
                                                "since Q_OBJECT declares a tr of its own")
                                     .arg(use.where(), quoted(key.text));
            }
            if (key.plural) {
                if (!tree.plurals.contains(key.text)) {
                    tree.plurals.insert(key.text, {key.one, use});
                }
            } else if (!tree.texts.contains(key.text)) {
                tree.texts.insert(key.text, use);
            }
        }
    }
    return tree;
}

// The {names} of a text, as fill() sees them.
QSet<QString> placeholders(const QString& text) {
    static const QRegularExpression placeholder(QStringLiteral(R"(\{([^{}]+)\})"));
    QSet<QString> names;
    for (const auto& match : placeholder.globalMatch(text)) {
        names.insert(match.captured(1));
    }
    return names;
}

QString listed(const QSet<QString>& names) {
    QStringList sorted(names.begin(), names.end());
    sorted.sort();
    return sorted.isEmpty() ? QStringLiteral("none") : u'{' + sorted.join(QLatin1String("}, {")) + u'}';
}

std::optional<StringsFile::Table> readSourceTable(const QString& language, QString* error) {
    const QString path = kSourceRoot + QStringLiteral("/resources/%1.lproj/Localizable.strings").arg(language);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1").arg(path);
        return std::nullopt;
    }
    auto table = StringsFile::parse(file.readAll(), error);
    if (!table) {
        *error = QStringLiteral("%1 does not parse: %2").arg(path, *error);
    }
    return table;
}

struct Catalogue {
    QMap<QString, QString> categories; // key -> English display
    QMap<QString, QString> types;      // key -> English display
};

std::optional<Catalogue> readCatalogue(QString* error) {
    QFile file(QStringLiteral(FERNHOLM_TEST_DATA "/redaction/catalogue.json"));
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the redaction catalogue");
        return std::nullopt;
    }
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
    Catalogue catalogue;
    for (const auto& categoryValue : doc.object().value(QLatin1String("categories")).toArray()) {
        const QJsonObject category = categoryValue.toObject();
        catalogue.categories.insert(category.value(QLatin1String("key")).toString(),
                                    category.value(QLatin1String("display")).toString());
        for (const auto& typeValue : category.value(QLatin1String("types")).toArray()) {
            const QJsonObject type = typeValue.toObject();
            catalogue.types.insert(type.value(QLatin1String("key")).toString(),
                                   type.value(QLatin1String("display")).toString());
        }
    }
    if (catalogue.categories.isEmpty() || catalogue.types.isEmpty() || catalogue.categories.contains(QString()) ||
        catalogue.types.contains(QString())) {
        *error = QStringLiteral("the redaction catalogue has no categories or types, or one without a key");
        return std::nullopt;
    }
    return catalogue;
}

// Each problem on a line of its own (a QVERIFY2 message is cut at 1 kB), then one failure.
void report(const QStringList& problems, const char* what) {
    for (const QString& problem : problems) {
        qWarning().noquote() << problem;
    }
    if (!problems.isEmpty()) {
        QFAIL(qPrintable(QStringLiteral("%1 %2; each is listed above").arg(problems.size()).arg(QLatin1String(what))));
    }
}

const QStringList kPluralForms{QStringLiteral("one"), QStringLiteral("few"), QStringLiteral("many")};

QString readSourceText(const QString& language) {
    QFile file(kSourceRoot + QStringLiteral("/resources/%1.lproj/Localizable.strings").arg(language));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The terms the terminology comment of a table forbids: what follows "never:" on its lines, split
// at commas. In a term a word ending in "*" stands for all its endings, one starting with "*"
// for all its beginnings; the match ignores case and starts and ends on word boundaries.
QList<std::pair<QString, QRegularExpression>> forbiddenTerms(const QString& tableText) {
    QList<std::pair<QString, QRegularExpression>> terms;
    const qsizetype start = tableText.indexOf(QLatin1String("Terminology"));
    const qsizetype end = start < 0 ? -1 : tableText.indexOf(QLatin1String("*/"), start);
    if (end < 0) {
        return terms;
    }
    for (const QString& line : tableText.mid(start, end - start).split(u'\n')) {
        const qsizetype never = line.indexOf(QLatin1String("never:"));
        if (never < 0) {
            continue;
        }
        for (const QString& term : line.mid(never + 6).split(u',', Qt::SkipEmptyParts)) {
            QStringList words;
            for (const QString& word : term.simplified().split(u' ', Qt::SkipEmptyParts)) {
                QString core = word;
                const bool anyStart = core.startsWith(u'*');
                const bool anyEnd = core.endsWith(u'*');
                core.remove(u'*');
                words << (anyStart ? QStringLiteral("\\w*") : QString()) + QRegularExpression::escape(core) +
                             (anyEnd ? QStringLiteral("\\w*") : QString());
            }
            if (!words.isEmpty()) {
                terms.append(
                    {term.simplified(),
                     QRegularExpression(
                         QStringLiteral("\\b") + words.join(QStringLiteral("\\s+")) + QStringLiteral("\\b"),
                         QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption)});
            }
        }
    }
    return terms;
}

// Every text of `table` that uses a forbidden term, or writes "Twój" with a capital inside a
// sentence, one line each.
QStringList terminologyProblems(const QString& tableText, const StringsFile::Table& table) {
    static const QRegularExpression capitalYour(QStringLiteral("[\\p{Ll},;]\\s+Tw(ój|oj|oi|o)"));
    const auto terms = forbiddenTerms(tableText);
    QStringList problems;
    for (auto it = table.begin(); it != table.end(); ++it) {
        for (const auto& [term, pattern] : terms) {
            if (pattern.match(*it).hasMatch()) {
                problems << QStringLiteral("%1 = %2 uses „%3”").arg(quoted(it.key()), quoted(*it), term);
            }
        }
        if (capitalYour.match(*it).hasMatch()) {
            problems << QStringLiteral("%1 = %2 writes „Twój” with a capital inside a sentence")
                            .arg(quoted(it.key()), quoted(*it));
        }
    }
    problems.sort();
    return problems;
}

} // namespace

class TranslationsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void scanner_data();
    void scanner();
    void scannerProblems_data();
    void scannerProblems();

    void sourcesReadable();
    void polishHasEveryKey();
    void polishPlaceholdersMatch();
    void englishHoldsTheTypeNames();
    void builtInTablesAreTheSourceTables();
    void polishEntriesAreUsed();

    void terminologyCheck_data();
    void terminologyCheck();
    void polishFollowsTheTerminology();

    void polishPluralForms_data();
    void polishPluralForms();
    void listJoin_data();
    void listJoin();
    void polishDayHeadings_data();
    void polishDayHeadings();
};

void TranslationsTest::scanner_data() {
    QTest::addColumn<QString>("source");
    // tr keys ("bare:" when tr is not qualified), then "other|one" of plural calls
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QList<int>>("lines");

    QTest::newRow("plain") << QStringLiteral(R"(auto a = tr("Hello");)") << QStringList{"bare:Hello"} << QList<int>{1};
    QTest::newRow("qualified and wrapped")
        << QStringLiteral("x = fernholm::tr(QStringLiteral(\"A {n}\"), {{\"n\", 1}});\n"
                          "y = L10n::tr(u\"B\"_s);\nz = fernholm::L10n::tr(u8\"C\");")
        << QStringList{"A {n}", "B", "C"} << QList<int>{1, 2, 3};
    QTest::newRow("escapes") << QStringLiteral(R"(tr("Say \"hi\" \\ now\n\tand \u00e9 \xc3\xb3");)")
                             << QStringList{QStringLiteral("bare:Say \"hi\" \\ now\n\tand \u00e9 \u00f3")}
                             << QList<int>{1};
    QTest::newRow("raw literal") << QStringLiteral(R"--(tr(R"(a "b" \n)");)--") << QStringList{R"(bare:a "b" \n)"}
                                 << QList<int>{1};
    QTest::newRow("split over lines") << QStringLiteral(
                                             "return tr(\n    \"Toggle failed: {error}\",\n    {{\"error\", e}});")
                                      << QStringList{"bare:Toggle failed: {error}"} << QList<int>{1};
    QTest::newRow("comments, strings and chars are skipped")
        << QStringLiteral("// tr(\"no\")\n/* tr(\"no\")\n */ auto s = \"tr(\\\"no\\\")\"; char q = '\"'; char "
                          "p = '\\''; int k = 1'000; tr(\"yes\");")
        << QStringList{"bare:yes"} << QList<int>{3};
    QTest::newRow("a place's own wording")
        << QStringLiteral(
               "a = trIn(\"filter\", QStringLiteral(\"Blocked\"));\nb = fernholm::trIn(\"pill\", \"On\", args);")
        << QStringList{"Blocked@filter", "On@pill"} << QList<int>{1, 2};
    QTest::newRow("marked for later") << QStringLiteral("item.title = trNoop(\"Turn Protection On\");")
                                      << QStringList{"Turn Protection On"} << QList<int>{1};
    QTest::newRow("plural with commas in the count")
        << QStringLiteral("L10n::plural(std::max(a, b), \"{n} item\",\n  \"{n} items\", {{\"x\", f(1, 2)}});")
        << QStringList{"{n} items|{n} item"} << QList<int>{1};
    QTest::newRow("plural wrapped, qualified")
        << QStringLiteral(
               "fernholm::L10n::plural(list.size(), QStringLiteral(\"One left\"), QStringLiteral(\"{n} left\"))")
        << QStringList{"{n} left|One left"} << QList<int>{1};
    QTest::newRow("not ours")
        << QStringLiteral("QObject::tr(\"a\"); obj.tr(\"b\"); p->tr(\"c\"); attr(\"d\"); plural(1, \"e\", \"f\"); "
                          "Other::plural(1, \"g\", \"h\");")
        << QStringList{} << QList<int>{};
    QTest::newRow("declarations are not calls")
        << QStringLiteral(
               "QString tr(const QString& text, const TrArgs& args = {});\n"
               "QString L10n::plural(qint64 count, const QString& one, const QString& other, TrArgs args) {}")
        << QStringList{} << QList<int>{};
}

void TranslationsTest::scanner() {
    QFETCH(QString, source);
    QFETCH(QStringList, texts);
    QFETCH(QList<int>, lines);
    const auto result = SourceKeyScanner::scan(source);
    QStringList found;
    QList<int> foundLines;
    for (const auto& key : result.keys) {
        found << (key.plural ? key.text + u'|' + key.one
                             : (key.unqualified ? QStringLiteral("bare:") : QString()) + key.text);
        foundLines << key.line;
    }
    QCOMPARE(found, texts);
    QCOMPARE(foundLines, lines);
    QVERIFY(result.problems.isEmpty());
}

void TranslationsTest::scannerProblems_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("line");

    QTest::newRow("variable key") << QStringLiteral("\n\nreturn tr(text, args);") << 3;
    QTest::newRow("concatenated literals") << QStringLiteral("tr(\"a\" \"b\");") << 1;
    QTest::newRow("built key") << QStringLiteral("tr(QStringLiteral(\"a\") + name);") << 1;
    QTest::newRow("plural with a variable") << QStringLiteral("x;\nL10n::plural(n, one, \"{n} items\");") << 2;
    QTest::newRow("place without its text") << QStringLiteral("trIn(\"filter\");") << 1;
    QTest::newRow("place as a variable") << QStringLiteral("trIn(place, \"Blocked\");") << 1;
    QTest::newRow("plural cut short") << QStringLiteral("L10n::plural(n, \"one\");") << 1;
}

void TranslationsTest::scannerProblems() {
    QFETCH(QString, source);
    QFETCH(int, line);
    const auto result = SourceKeyScanner::scan(source);
    QVERIFY(result.keys.isEmpty());
    QCOMPARE(result.problems.size(), 1);
    QCOMPARE(result.problems.first().line, line);
}

void TranslationsTest::sourcesReadable() {
    const ScannedTree tree = scanTree();
    report(tree.problems, "calls break the translation rule");
}

void TranslationsTest::polishHasEveryKey() {
    QString error;
    const auto polish = readSourceTable(QStringLiteral("pl"), &error);
    QVERIFY2(polish, qPrintable(error));
    const auto catalogue = readCatalogue(&error);
    QVERIFY2(catalogue, qPrintable(error));
    const ScannedTree tree = scanTree();

    QStringList missing;
    for (auto it = tree.texts.begin(); it != tree.texts.end(); ++it) {
        if (!polish->contains(it.key())) {
            missing << QStringLiteral("%1: no Polish for %2").arg(it->where(), quoted(it.key()));
        }
    }
    for (auto it = tree.plurals.begin(); it != tree.plurals.end(); ++it) {
        for (const QString& form : kPluralForms) {
            const QString key = it.key() + u'#' + form;
            if (!polish->contains(key)) {
                missing << QStringLiteral("%1: no Polish plural form %2").arg(it->second.where(), quoted(key));
            }
        }
    }
    for (const auto& row : L10n::sidecarPatterns()) {
        if (!polish->contains(row.templateText)) {
            missing << QStringLiteral("gateway message template: no Polish for %1").arg(quoted(row.templateText));
        }
    }
    for (auto it = catalogue->categories.begin(); it != catalogue->categories.end(); ++it) {
        if (!polish->contains(QLatin1String("category.") + it.key())) {
            missing << QStringLiteral("redaction catalogue: no Polish for \"category.%1\" (%2)").arg(it.key(), *it);
        }
    }
    for (auto it = catalogue->types.begin(); it != catalogue->types.end(); ++it) {
        if (!polish->contains(QLatin1String("type.") + it.key())) {
            missing << QStringLiteral("redaction catalogue: no Polish for \"type.%1\" (%2)").arg(it.key(), *it);
        }
    }
    // Display names of categories and types the catalogue does not know are most likely typos.
    for (auto it = polish->begin(); it != polish->end(); ++it) {
        if (it.key().startsWith(QLatin1String("category.")) &&
            !catalogue->categories.contains(it.key().mid(int(qstrlen("category."))))) {
            missing << QStringLiteral("Polish table: %1 names no category of the redaction catalogue")
                           .arg(quoted(it.key()));
        }
        if (it.key().startsWith(QLatin1String("type.")) &&
            !catalogue->types.contains(it.key().mid(int(qstrlen("type."))))) {
            missing
                << QStringLiteral("Polish table: %1 names no type of the redaction catalogue").arg(quoted(it.key()));
        }
    }
    missing.sort();
    report(missing, "Polish entries are missing or unknown");
}

void TranslationsTest::polishPlaceholdersMatch() {
    QString error;
    const auto polish = readSourceTable(QStringLiteral("pl"), &error);
    QVERIFY2(polish, qPrintable(error));

    QStringList wrong;
    for (auto it = polish->begin(); it != polish->end(); ++it) {
        QString english = it.key();
        QString form;
        if (const qsizetype hash = english.lastIndexOf(u'#');
            hash >= 0 && kPluralForms.contains(english.mid(hash + 1))) {
            form = english.mid(hash + 1);
            english.truncate(hash);
        }
        const QSet<QString> expected = placeholders(english);
        QSet<QString> actual = placeholders(it.value());
        // The one-form may spell the number out ("jeden plik") instead of showing {n}.
        if (form == QLatin1String("one") && expected.contains(QStringLiteral("n"))) {
            actual.insert(QStringLiteral("n"));
        }
        // Texts about a browser are filled with the browser's whole set of arguments, which also
        // offers its name in the genitive ({Bgen}) for a language that declines it, and as written
        // inside a sentence ({Bmid}) for one that writes "your browser" lower-case there.
        for (const QString& variant : {QStringLiteral("Bgen"), QStringLiteral("Bmid")}) {
            if (expected.contains(QStringLiteral("B")) && !expected.contains(variant) && actual.remove(variant)) {
                actual.insert(QStringLiteral("B"));
            }
        }
        if (actual != expected) {
            wrong << QStringLiteral("%1 = %2: placeholders %3, the English has %4")
                         .arg(quoted(it.key()), quoted(it.value()), listed(placeholders(it.value())), listed(expected));
        }
    }
    wrong.sort();
    report(wrong, "Polish entries have other placeholders than their English key");
}

void TranslationsTest::englishHoldsTheTypeNames() {
    QString error;
    const auto english = readSourceTable(QStringLiteral("en"), &error);
    QVERIFY2(english, qPrintable(error));
    const auto catalogue = readCatalogue(&error);
    QVERIFY2(catalogue, qPrintable(error));

    QStringList wrong;
    QMap<QString, QString> keyByDisplay;
    for (auto it = english->begin(); it != english->end(); ++it) {
        if (!it.key().startsWith(QLatin1String("type."))) {
            wrong << QStringLiteral("English table: %1 is not a \"type.\" key; English texts need no table entry")
                         .arg(quoted(it.key()));
            continue;
        }
        const QString typeKey = it.key().mid(int(qstrlen("type.")));
        if (!catalogue->types.contains(typeKey)) {
            wrong << QStringLiteral("English table: %1 names no type of the redaction catalogue").arg(quoted(it.key()));
        }
        // typeName(display:) finds the key by the display name, so each name must be unique.
        if (keyByDisplay.contains(*it)) {
            wrong << QStringLiteral("English table: %1 and %2 share the display name %3")
                         .arg(quoted(keyByDisplay.value(*it)), quoted(it.key()), quoted(*it));
        }
        keyByDisplay.insert(*it, it.key());
    }
    for (auto it = catalogue->types.begin(); it != catalogue->types.end(); ++it) {
        const QString key = QLatin1String("type.") + it.key();
        if (!english->contains(key)) {
            wrong << QStringLiteral("English table: no %1 (the catalogue's display name is %2)")
                         .arg(quoted(key), quoted(*it));
        } else if (english->value(key) != *it) {
            wrong << QStringLiteral("English table: %1 = %2, but the gateway sends %3")
                         .arg(quoted(key), quoted(english->value(key)), quoted(*it));
        }
    }
    wrong.sort();
    report(wrong, "English table entries are wrong");
}

void TranslationsTest::builtInTablesAreTheSourceTables() {
    L10n::resetTables();
    for (const QString& language : {QStringLiteral("en"), QStringLiteral("pl")}) {
        QString error;
        const auto source = readSourceTable(language, &error);
        QVERIFY2(source, qPrintable(error));
        QVERIFY(!source->isEmpty());
        const auto builtIn = L10n::table(language);
        QStringList differences;
        for (auto it = source->begin(); it != source->end(); ++it) {
            if (builtIn.value(it.key(), QStringLiteral("<absent>")) != *it) {
                differences << QStringLiteral("%1: %2 differs in the built-in table").arg(language, quoted(it.key()));
            }
        }
        for (auto it = builtIn.begin(); it != builtIn.end(); ++it) {
            if (!source->contains(it.key())) {
                differences << QStringLiteral("%1: %2 is only in the built-in table").arg(language, quoted(it.key()));
            }
        }
        differences.sort();
        report(differences, "built-in entries differ from resources/ (a stale build?)");
    }
}

void TranslationsTest::polishEntriesAreUsed() {
    QString error;
    const auto polish = readSourceTable(QStringLiteral("pl"), &error);
    QVERIFY2(polish, qPrintable(error));
    const ScannedTree tree = scanTree();
    QSet<QString> used;
    for (auto it = tree.texts.begin(); it != tree.texts.end(); ++it) {
        used.insert(it.key());
    }
    for (auto it = tree.plurals.begin(); it != tree.plurals.end(); ++it) {
        // The one-form serves when a table has no forms of a plural text.
        used.insert(it->first);
        used.insert(it.key());
        for (const QString& form : kPluralForms) {
            used.insert(it.key() + u'#' + form);
        }
    }
    for (const auto& row : L10n::sidecarPatterns()) {
        used.insert(row.templateText);
    }
    QStringList unused;
    for (auto it = polish->begin(); it != polish->end(); ++it) {
        // Display names come with the gateway's catalogue (checked above); the gateway's own
        // messages are looked up by their whole text, which no source spells.
        if (it.key().startsWith(QLatin1String("type.")) || it.key().startsWith(QLatin1String("category."))) {
            continue;
        }
        if (!used.contains(it.key())) {
            unused << QStringLiteral("Polish table: %1 is used by no code").arg(quoted(it.key()));
        }
    }
    unused.sort();
    report(unused, "Polish entries are used by no code");
}

void TranslationsTest::terminologyCheck_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("problems");

    QTest::newRow("the chosen term") << "Tutaj zapisywane są tylko znaczniki." << 0;
    QTest::newRow("a forbidden term") << "Tutaj zapisywane są tylko symbole zastępcze." << 1;
    QTest::newRow("forbidden, in another case and ending") << "Zastąp SYMBOLAMI ZASTĘPCZYMI" << 1;
    QTest::newRow("a forbidden stem") << "Nie udało się połączyć z bramą." << 1;
    QTest::newRow("the stem inside another word is no match") << "Obramowanie karty" << 0;
    QTest::newRow("a gendered past form") << "To, co napisałeś, zostaje tutaj." << 1;
    QTest::newRow("capital „Twój” inside a sentence") << "Wymagane przez Twoją organizację" << 1;
    QTest::newRow("capital „Twój” opening a sentence") << "Gotowe. Twoje dane zostają tutaj." << 0;
}

void TranslationsTest::terminologyCheck() {
    QFETCH(QString, text);
    QFETCH(int, problems);
    const QString comment = QStringLiteral("/* Terminology: test.\n"
                                           "   the gateway ... usługa Tarvine   never: bram*\n"
                                           "   placeholder ... znacznik   never: symbol* zastępcz*\n"
                                           "   the user ... ty   never: *łeś, *łaś\n*/\n");
    const StringsFile::Table table{{QStringLiteral("Key"), text}};
    QCOMPARE(terminologyProblems(comment, table).size(), problems);
}

void TranslationsTest::polishFollowsTheTerminology() {
    const QString text = readSourceText(QStringLiteral("pl"));
    QVERIFY(!text.isEmpty());
    // The comment must name what it forbids, else the check below proves nothing.
    QVERIFY2(forbiddenTerms(text).size() >= 5, "the terminology comment of the Polish table forbids (almost) nothing");
    QString error;
    const auto polish = readSourceTable(QStringLiteral("pl"), &error);
    QVERIFY2(polish, qPrintable(error));
    report(terminologyProblems(text, *polish), "Polish texts break the terminology at the head of the table");
}

void TranslationsTest::polishPluralForms_data() {
    QTest::addColumn<qint64>("count");
    QTest::addColumn<QString>("form");

    QTest::newRow("0") << qint64(0) << "many";
    QTest::newRow("1") << qint64(1) << "one";
    QTest::newRow("2") << qint64(2) << "few";
    QTest::newRow("5") << qint64(5) << "many";
    QTest::newRow("12") << qint64(12) << "many";
    QTest::newRow("22") << qint64(22) << "few";
    QTest::newRow("25") << qint64(25) << "many";
    QTest::newRow("112") << qint64(112) << "many";
}

// Every plural text of the sources, in Polish, for the count: the form the count asks for, with
// the count in it wherever the form shows it.
void TranslationsTest::polishPluralForms() {
    QFETCH(qint64, count);
    QFETCH(QString, form);
    QString error;
    const auto polish = readSourceTable(QStringLiteral("pl"), &error);
    QVERIFY2(polish, qPrintable(error));
    const ScannedTree tree = scanTree();
    QVERIFY(tree.plurals.size() >= 10);
    L10n::resetTables();
    L10n::setLanguage(QStringLiteral("pl"));
    QStringList wrong;
    for (auto it = tree.plurals.begin(); it != tree.plurals.end(); ++it) {
        const QString formText = polish->value(it.key() + u'#' + form);
        const QString shown = L10n::plural(count, it->first, it.key());
        const QString expected = L10n::fill(formText, {{QStringLiteral("n"), count}});
        if (formText.isEmpty() || shown != expected) {
            wrong << QStringLiteral("%1 for %2: %3, the %4 form is %5")
                         .arg(quoted(it.key()))
                         .arg(count)
                         .arg(quoted(shown), form, quoted(formText));
        } else if (formText.contains(QLatin1String("{n}")) && !shown.contains(QString::number(count))) {
            wrong << QStringLiteral("%1 for %2: %3 does not show the count")
                         .arg(quoted(it.key()))
                         .arg(count)
                         .arg(quoted(shown));
        }
    }
    L10n::setLanguage(QStringLiteral("en"));
    report(wrong, "Polish plural texts take the wrong form");
}

void TranslationsTest::listJoin_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("parts");
    QTest::addColumn<bool>("clauses");
    QTest::addColumn<QString>("joined");

    const QStringList one{QStringLiteral("A")};
    const QStringList two{QStringLiteral("A"), QStringLiteral("B")};
    const QStringList three{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
    QTest::newRow("en, none") << "en" << QStringList{} << false << "";
    QTest::newRow("en, one item") << "en" << one << false << "A";
    QTest::newRow("en, two items") << "en" << two << false << "A and B";
    QTest::newRow("en, three items") << "en" << three << false << "A, B and C";
    QTest::newRow("en, one clause") << "en" << one << true << "A";
    QTest::newRow("en, two clauses") << "en" << two << true << "A, and B";
    QTest::newRow("en, three clauses") << "en" << three << true << "A, B, and C";
    QTest::newRow("pl, one item") << "pl" << one << false << "A";
    QTest::newRow("pl, two items") << "pl" << two << false << "A i B";
    QTest::newRow("pl, three items") << "pl" << three << false << "A, B i C";
    QTest::newRow("pl, one clause") << "pl" << one << true << "A";
    QTest::newRow("pl, two clauses") << "pl" << two << true << "A oraz B";
    QTest::newRow("pl, three clauses") << "pl" << three << true << "A, B oraz C";
}

void TranslationsTest::listJoin() {
    QFETCH(QString, language);
    QFETCH(QStringList, parts);
    QFETCH(bool, clauses);
    QFETCH(QString, joined);
    L10n::resetTables();
    L10n::setLanguage(language);
    const QString shown = joinList(parts, clauses ? ListJoin::clauses : ListJoin::items);
    L10n::setLanguage(QStringLiteral("en"));
    QCOMPARE(shown, joined);
}

void TranslationsTest::polishDayHeadings_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("heading");

    // Seen on 10 June 2025.
    QTest::newRow("pl, this year") << "pl"
                                   << "2025-05-05"
                                   << "5 maja";
    QTest::newRow("pl, this year, June") << "pl"
                                         << "2025-06-01"
                                         << "1 czerwca";
    QTest::newRow("pl, last year") << "pl"
                                   << "2024-12-24"
                                   << "24 grudnia 2024";
    QTest::newRow("en, this year") << "en"
                                   << "2025-05-05"
                                   << "May 5";
    QTest::newRow("en, last year") << "en"
                                   << "2024-12-24"
                                   << "Dec 24, 2024";
}

void TranslationsTest::polishDayHeadings() {
    QFETCH(QString, language);
    QFETCH(QString, day);
    QFETCH(QString, heading);
    L10n::resetTables();
    L10n::setLanguage(language);
    const std::optional<Time> now = eventDate(QStringLiteral("2025-06-10T10:00:00Z"));
    QVERIFY(now);
    const QString shown =
        activityDayLabel(day, *now, Calendar{QTimeZone("Europe/Warsaw"), QLocale(QStringLiteral("en_US"))});
    L10n::setLanguage(QStringLiteral("en"));
    QCOMPARE(shown, heading);
}

QTEST_GUILESS_MAIN(TranslationsTest)
#include "tst_translations.moc"
