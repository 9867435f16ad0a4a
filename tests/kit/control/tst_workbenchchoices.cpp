#include "FernholmKit/text/CaselessText.h"
#include "FernholmKit/presentation/Workbench.h"

#include <QTest>

using namespace fernholm;

namespace {

// "hide:Ab" or "restore:Ab", applied in order.
void apply(WorkbenchChoices& choices, const QStringList& steps) {
    for (const QString& step : steps) {
        const qsizetype colon = step.indexOf(u':');
        const QString op = step.left(colon);
        const QString value = step.mid(colon + 1);
        if (op == QLatin1String("hide")) {
            choices.hide(value);
        } else if (op == QLatin1String("restore")) {
            choices.restore(value);
        } else {
            QTest::qFail(qPrintable(QStringLiteral("unknown step ") + step), __FILE__, __LINE__);
        }
    }
}

QString decomposed(const char16_t* base, char16_t mark) {
    return QString::fromUtf16(base) + QChar(mark);
}

} // namespace

class WorkbenchChoicesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void operations_data() {
        QTest::addColumn<QStringList>("kept");
        QTest::addColumn<QStringList>("hidden");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("expectedKept");
        QTest::addColumn<QStringList>("expectedHidden");

        QTest::newRow("hide cancels a keep in other case")
            << QStringList{"ab"} << QStringList{} << QStringList{"hide:Ab"} << QStringList{} << QStringList{};
        QTest::newRow("restore cancels every hide of the value")
            << QStringList{"k"} << QStringList{"ab", "c", "AB"} << QStringList{"restore:Ab"} << QStringList{"k"}
            << QStringList{"c"};
        QTest::newRow("hide then restore is empty again")
            << QStringList{} << QStringList{} << QStringList{"hide:Jan", "restore:Jan"} << QStringList{}
            << QStringList{};
        QTest::newRow("restore then hide is empty again")
            << QStringList{} << QStringList{} << QStringList{"restore:Jan", "hide:JAN"} << QStringList{}
            << QStringList{};
        QTest::newRow("double restore keeps one")
            << QStringList{} << QStringList{} << QStringList{"restore:x", "restore:x"} << QStringList{"x"}
            << QStringList{};
        QTest::newRow("hide of a hidden value in other case changes nothing")
            << QStringList{} << QStringList{"Ab"} << QStringList{"hide:ab"} << QStringList{} << QStringList{"Ab"};
        QTest::newRow("restore of a kept value in other case changes nothing")
            << QStringList{"Ab"} << QStringList{} << QStringList{"restore:AB"} << QStringList{"Ab"} << QStringList{};
        QTest::newRow("entries keep their order and spelling")
            << QStringList{} << QStringList{} << QStringList{"hide:b", "hide:A", "restore:Z", "restore:y"}
            << QStringList{"Z", "y"} << QStringList{"b", "A"};
        QTest::newRow("cancelling leaves the others in order")
            << QStringList{"a", "b", "c"} << QStringList{} << QStringList{"hide:B"} << QStringList{"a", "c"}
            << QStringList{};
        QTest::newRow("empty text is a value like any other")
            << QStringList{} << QStringList{} << QStringList{"hide:", "hide:"} << QStringList{} << QStringList{""};
        QTest::newRow("sharp s against double S") << QStringList{QStringLiteral("straße")} << QStringList{}
                                                  << QStringList{"hide:STRASSE"} << QStringList{} << QStringList{};
        QTest::newRow("precomposed against combining mark")
            << QStringList{} << QStringList{QStringLiteral("café")}
            << QStringList{QStringLiteral("restore:") + decomposed(u"CAFE", 0x0301)} << QStringList{} << QStringList{};
        QTest::newRow("Greek final sigma folds")
            << QStringList{} << QStringList{QStringLiteral("ΟΔΟΣ")} << QStringList{QStringLiteral("restore:οδος")}
            << QStringList{} << QStringList{};
        QTest::newRow("Polish letters") << QStringList{} << QStringList{}
                                        << QStringList{"hide:Łódź", "hide:ŁÓDŹ", "restore:łódź"} << QStringList{}
                                        << QStringList{};
    }
    void operations() {
        QFETCH(QStringList, kept);
        QFETCH(QStringList, hidden);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, expectedKept);
        QFETCH(QStringList, expectedHidden);
        WorkbenchChoices choices{kept, hidden};
        apply(choices, steps);
        QCOMPARE(choices.kept, expectedKept);
        QCOMPARE(choices.hidden, expectedHidden);
    }

    void hideThenRestoreEqualsANewValue() {
        WorkbenchChoices choices;
        choices.hide(QStringLiteral("Ann"));
        QVERIFY(!choices.isEmpty());
        choices.restore(QStringLiteral("ann"));
        QVERIFY(choices.isEmpty());
        QVERIFY(choices == WorkbenchChoices());
    }

    void isHiddenByUser_data() {
        QTest::addColumn<QStringList>("hidden");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("expected");
        QTest::newRow("other case") << QStringList{"Ab"} << QStringLiteral("AB") << true;
        QTest::newRow("exact") << QStringList{"Ab"} << QStringLiteral("Ab") << true;
        QTest::newRow("other value") << QStringList{"Ab"} << QStringLiteral("Abc") << false;
        QTest::newRow("sharp s") << QStringList{QStringLiteral("Straße")} << QStringLiteral("STRASSE") << true;
        QTest::newRow("nothing hidden") << QStringList{} << QStringLiteral("Ab") << false;
    }
    void isHiddenByUser() {
        QFETCH(QStringList, hidden);
        QFETCH(QString, value);
        QFETCH(bool, expected);
        const WorkbenchChoices choices{{}, hidden};
        QCOMPARE(choices.isHiddenByUser(value), expected);
        // Kept values never count as hidden.
        const WorkbenchChoices keptOnly{hidden, {}};
        QCOMPARE(keptOnly.isHiddenByUser(value), false);
    }

    void equality_data() {
        QTest::addColumn<QStringList>("leftKept");
        QTest::addColumn<QStringList>("rightKept");
        QTest::addColumn<bool>("equal");
        QTest::newRow("same") << QStringList{"a", "b"} << QStringList{"a", "b"} << true;
        QTest::newRow("order counts") << QStringList{"a", "b"} << QStringList{"b", "a"} << false;
        QTest::newRow("case counts") << QStringList{"a"} << QStringList{"A"} << false;
        QTest::newRow("both empty") << QStringList{} << QStringList{} << true;
    }
    void equality() {
        QFETCH(QStringList, leftKept);
        QFETCH(QStringList, rightKept);
        QFETCH(bool, equal);
        const WorkbenchChoices leftKeeps{leftKept, {}}, rightKeeps{rightKept, {}};
        const WorkbenchChoices leftHides{{}, leftKept}, rightHides{{}, rightKept};
        QCOMPARE(leftKeeps == rightKeeps, equal);
        QCOMPARE(leftHides == rightHides, equal);
        // The same text in the other list is another value.
        QCOMPARE(leftKeeps == leftHides, leftKept.isEmpty());
    }

    void caselessEquality_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("equal");
        QTest::newRow("ASCII") << QStringLiteral("Ab") << QStringLiteral("aB") << true;
        QTest::newRow("sharp s") << QStringLiteral("straße") << QStringLiteral("STRASSE") << true;
        QTest::newRow("combining acute") << QStringLiteral("é") << decomposed(u"e", 0x0301) << true;
        QTest::newRow("combining acute, capital") << QStringLiteral("É") << decomposed(u"e", 0x0301) << true;
        QTest::newRow("Cyrillic") << QStringLiteral("Жанна") << QStringLiteral("жАННА") << true;
        QTest::newRow("accent is not case") << QStringLiteral("e") << QStringLiteral("é") << false;
        QTest::newRow("prefix") << QStringLiteral("Ann") << QStringLiteral("Anna") << false;
        QTest::newRow("empty") << QString() << QString() << true;
        QTest::newRow("lone surrogate") << (QStringLiteral("a") + QChar(0xD800)) << QStringLiteral("A") << false;
    }
    void caselessEquality() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, equal);
        QCOMPARE(CaselessText::equal(a, b), equal);
        QCOMPARE(CaselessText::equal(b, a), equal);
    }
};

QTEST_GUILESS_MAIN(WorkbenchChoicesTest)
#include "tst_workbenchchoices.moc"
