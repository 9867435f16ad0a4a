#include "FernholmKit/text/L10n.h"
#include "FernholmKit/presentation/Tour.h"
#include "support/MemoryDefaults.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace fernholm;

namespace {

bool ibanIsValid(QString iban) {
    iban.remove(u' ');
    const QString rearranged = iban.mid(4) + iban.left(4);
    int remainder = 0;
    for (QChar c : rearranged) {
        const QString digits = c.isDigit() ? QString(c) : QString::number(c.unicode() - u'A' + 10);
        for (QChar d : digits) {
            remainder = (remainder * 10 + d.digitValue()) % 97;
        }
    }
    return remainder == 1;
}

bool peselIsValid(const QString& pesel) {
    static constexpr int weights[] = {1, 3, 7, 9, 1, 3, 7, 9, 1, 3};
    int sum = 0;
    for (int i = 0; i < 10; ++i) {
        sum += weights[i] * pesel.at(i).digitValue();
    }
    return (10 - sum % 10) % 10 == pesel.at(10).digitValue();
}

} // namespace

class TourTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startIfUnseen_data() {
        QTest::addColumn<QVariant>("stored"); // invalid: absent
        QTest::addColumn<bool>("setupCompleted");
        QTest::addColumn<bool>("starts");
        QTest::newRow("never seen, set up") << QVariant() << true << true;
        QTest::newRow("never seen, not set up") << QVariant() << false << false;
        QTest::newRow("stored false") << QVariant(false) << true << true;
        QTest::newRow("seen") << QVariant(true) << true << false;
        QTest::newRow("seen, as a settings file keeps it") << QVariant(QStringLiteral("true")) << true << false;
        QTest::newRow("seen, not set up") << QVariant(true) << false << false;
    }
    void startIfUnseen() {
        QFETCH(QVariant, stored);
        QFETCH(bool, setupCompleted);
        QFETCH(bool, starts);
        test::MemoryDefaults defaults;
        if (stored.isValid()) {
            defaults.setValue(Tour::flagKey, stored);
        }
        const int writesBefore = defaults.writes();
        Tour tour(defaults);
        QSignalSpy active(&tour, &Tour::isActiveChanged);

        tour.startIfUnseen(setupCompleted);
        QCOMPARE(tour.isActive(), starts);
        QCOMPARE(tour.index(), 0);
        QCOMPARE(active.count(), starts ? 1 : 0);
        QCOMPARE(defaults.writes(), writesBefore);
    }

    void startIfUnseenLeavesARunningTourWhereItIs() {
        test::MemoryDefaults defaults;
        Tour tour(defaults);
        tour.restart();
        tour.next();
        tour.next();
        tour.startIfUnseen(true);
        QVERIFY(tour.isActive());
        QCOMPARE(tour.index(), 2);
    }

    void walkToTheEnd() {
        test::MemoryDefaults defaults;
        Tour tour(defaults);
        QSignalSpy indexes(&tour, &Tour::indexChanged);
        QSignalSpy active(&tour, &Tour::isActiveChanged);
        tour.startIfUnseen(true);
        QVERIFY(tour.isFirst());

        QList<AppTab> pages{tour.step().tab()};
        for (int i = 0; i < 4; ++i) {
            tour.next();
            pages.append(tour.step().tab());
        }
        QCOMPARE(pages, (QList<AppTab>{AppTab::home, AppTab::test, AppTab::testDocument, AppTab::redaction,
                                       AppTab::providers}));
        QVERIFY(tour.isActive());
        QVERIFY(tour.isLast());
        QVERIFY(tour.step() == TourStep::sites);
        QCOMPARE(defaults.writes(), 0); // a tour left here still counts as unseen
        QVERIFY(!tour.hasSeen());

        tour.next();
        QVERIFY(!tour.isActive());
        QCOMPARE(tour.index(), 4);
        QVERIFY(tour.hasSeen());
        QCOMPARE(defaults.boolean(Tour::flagKey), std::optional<bool>(true));
        QCOMPARE(defaults.writes(), 1);
        QCOMPARE(indexes.count(), 4);
        QCOMPARE(indexes.last().first().toInt(), 4);
        QCOMPARE(active.count(), 2);
        QCOMPARE(active.last().first().toBool(), false);
    }

    void back() {
        test::MemoryDefaults defaults;
        Tour tour(defaults);
        tour.restart();
        QSignalSpy indexes(&tour, &Tour::indexChanged);
        tour.back();
        QCOMPARE(tour.index(), 0);
        QCOMPARE(indexes.count(), 0);

        tour.next();
        tour.next();
        tour.back();
        QCOMPARE(tour.index(), 1);
        QVERIFY(tour.step() == TourStep::test);
        QVERIFY(tour.isActive());
    }

    void skipKeepsTheStep() {
        test::MemoryDefaults defaults;
        Tour tour(defaults);
        tour.restart();
        tour.next();
        tour.next();
        tour.skip();
        QVERIFY(!tour.isActive());
        QCOMPARE(tour.index(), 2);
        QVERIFY(tour.hasSeen());
        QCOMPARE(defaults.writes(), 1);
    }

    void inactiveTourIgnoresEverything_data() {
        QTest::addColumn<int>("operation");
        QTest::newRow("next") << 0;
        QTest::newRow("back") << 1;
        QTest::newRow("skip") << 2;
    }
    void inactiveTourIgnoresEverything() {
        QFETCH(int, operation);
        test::MemoryDefaults defaults;
        Tour tour(defaults);
        // Inactive on its last step, as a finished tour is.
        tour.restart();
        for (int i = 0; i < 5; ++i) {
            tour.next();
        }
        QVERIFY(!tour.isActive());
        const int writes = defaults.writes();
        QSignalSpy indexes(&tour, &Tour::indexChanged);
        QSignalSpy active(&tour, &Tour::isActiveChanged);

        switch (operation) {
        case 0:
            tour.next();
            break;
        case 1:
            tour.back();
            break;
        default:
            tour.skip();
        }
        QCOMPARE(tour.index(), 4);
        QVERIFY(!tour.isActive());
        QCOMPARE(defaults.writes(), writes);
        QCOMPARE(indexes.count(), 0);
        QCOMPARE(active.count(), 0);

        test::MemoryDefaults fresh;
        Tour neverStarted(fresh);
        neverStarted.next();
        neverStarted.skip();
        QCOMPARE(neverStarted.index(), 0);
        QCOMPARE(fresh.writes(), 0);
    }

    void restartAfterSeen() {
        test::MemoryDefaults defaults;
        defaults.setValue(Tour::flagKey, true);
        Tour tour(defaults);
        // Moves to the first page before the card appears, so the overlay never shows a stale step.
        QStringList order;
        connect(&tour, &Tour::indexChanged, this,
                [&](int index) { order.append(QStringLiteral("index %1").arg(index)); });
        connect(&tour, &Tour::isActiveChanged, this,
                [&](bool on) { order.append(on ? QStringLiteral("shown") : QStringLiteral("hidden")); });

        tour.restart();
        tour.next();
        tour.next();
        tour.skip();
        tour.restart();
        QVERIFY(tour.isActive());
        QCOMPARE(tour.index(), 0);
        QVERIFY(tour.hasSeen());
        QCOMPARE(order, (QStringList{"shown", "index 1", "index 2", "hidden", "index 0", "shown"}));
    }

    void copyFollowsTheLanguage() {
        const TourStep home = TourStep::home;
        L10n::setLanguage(QStringLiteral("pl"));
        const TourCopy polish = home.copy();
        L10n::setLanguage(QStringLiteral("en"));
        QCOMPARE(polish.title, QStringLiteral("Ochrona w skrócie"));
        QCOMPARE(home.copy().title, QStringLiteral("Protection at a glance"));
    }

    void samplePrompt_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("polish");
        QTest::newRow("pl") << "pl" << true;
        QTest::newRow("en") << "en" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("PL") << "PL" << false;
        QTest::newRow("pl-PL") << "pl-PL" << false;
        QTest::newRow("de") << "de" << false;
    }
    void samplePrompt() {
        QFETCH(QString, language);
        QFETCH(bool, polish);
        const QString prompt = Tour::samplePrompt(language);
        QCOMPARE(prompt == Tour::samplePrompt(QStringLiteral("pl")), polish);
        QCOMPARE(prompt == Tour::samplePrompt(QStringLiteral("en")), !polish);
        // One sentence, ending where the text ends.
        QVERIFY(prompt.endsWith(u'.'));
        QVERIFY(!prompt.chopped(1).contains(QStringLiteral(". ")));
        // The gateway checks check digits, so made-up numbers must still carry valid ones.
        const QRegularExpressionMatch iban =
            QRegularExpression(QStringLiteral("\\b[A-Z]{2}[0-9]{2}(?: [0-9A-Z]{4})+(?: [0-9A-Z]{1,3})?\\b"))
                .match(prompt);
        QVERIFY(iban.hasMatch());
        QVERIFY2(ibanIsValid(iban.captured()), qPrintable(iban.captured()));
        if (polish) {
            const QRegularExpressionMatch pesel = QRegularExpression(QStringLiteral("PESEL ([0-9]{11})")).match(prompt);
            QVERIFY(pesel.hasMatch());
            QVERIFY(peselIsValid(pesel.captured(1)));
            QVERIFY(prompt.contains(QStringLiteral(",00 zł")));
            QVERIFY(prompt.contains(QStringLiteral(" PL")));
        } else {
            QVERIFY(prompt.contains(u'@'));
            QVERIFY(prompt.contains(u'£'));
            QVERIFY(prompt.contains(QStringLiteral(" GB")));
        }
    }
};

QTEST_GUILESS_MAIN(TourTest)
#include "tst_tour.moc"
