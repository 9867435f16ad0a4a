#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/shell/TourOverlay.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"
#include "FernholmKit/presentation/Tour.h"
#include "app/support/LayoutTesting.h"
#include "app/support/ViewTesting.h"
#include "support/MemoryDefaults.h"

#include <QAccessible>
#include <QTest>

using namespace fernholm;

namespace {

// A window with the card in its bottom-right corner, as the main window lays it.
struct Harness {
    Harness() {
        window.resize(560, 420);
        card = new TourOverlay(
            tour, [this] { ++steps; }, [this] { ++samples; }, &window);
        tour.restart();
        place();
        window.show();
        window.activateWindow();
    }
    void place() {
        const QSize size = card->sizeHint();
        card->setGeometry(window.width() - 36 - size.width(), window.height() - 36 - size.height(), size.width(),
                          size.height());
        test::settle();
    }
    void goTo(int index) {
        while (tour.index() < index) {
            tour.next();
        }
        place();
    }

    test::MemoryDefaults defaults;
    Tour tour{defaults};
    QWidget window;
    TourOverlay* card = nullptr;
    int steps = 0;
    int samples = 0;
};

QString spoken(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}

} // namespace

class TourOverlayTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        test::useBundledResources();
        L10n::setLanguage(QStringLiteral("en"));
    }

    void cardPerStep_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("sample");
        QTest::addColumn<bool>("back");
        QTest::addColumn<QString>("forward");
        QTest::newRow("home") << 0 << "Protection at a glance" << false << false << "Next";
        QTest::newRow("test") << 1 << "Try it on a prompt" << false << true << "Next";
        QTest::newRow("studio") << 2 << "Try a document" << true << true << "Next";
        QTest::newRow("redaction") << 3 << "Your own rules" << false << true << "Next";
        QTest::newRow("sites") << 4 << "Which sites are covered" << false << true << "Done";
    }
    void cardPerStep() {
        QFETCH(int, index);
        QFETCH(QString, title);
        QFETCH(bool, sample);
        QFETCH(bool, back);
        QFETCH(QString, forward);
        Harness h;
        h.goTo(index);
        QCOMPARE(h.card->titleLabel()->text(), title);
        QCOMPARE(h.card->bodyLabel()->text(), h.tour.step().copy().body);
        QCOMPARE(h.card->sampleButton()->isVisible(), sample);
        QCOMPARE(h.card->backButton()->isVisible(), back);
        QCOMPARE(h.card->forwardButton()->title(), forward);
        QCOMPARE(spoken(h.card->dots()), QStringLiteral("Tour step %1 of 5").arg(index + 1));
        QCOMPARE(h.card->width(), 340);
        // Nothing on the card is ever disabled.
        for (QAbstractButton* button : h.card->findChildren<QAbstractButton*>()) {
            QVERIFY(button->isEnabled());
        }
        // Only the current dot is filled with the token colour; the sample button sits above the
        // button row.
        const QImage image = test::render(h.card->dots(), ColorScheme::light, 2.0, false);
        for (int i = 0; i < 5; ++i) {
            const QColor centre = test::sample(image, h.card->dots()->dotRect(i).center());
            QCOMPARE(test::near(centre, Theme::token.resolve(ColorScheme::light), 12), i == index);
        }
        if (sample) {
            QVERIFY(h.card->sampleButton()->geometry().bottom() < h.card->forwardButton()->geometry().top());
            QVERIFY(h.card->sampleButton()->geometry().top() > h.card->bodyLabel()->geometry().bottom());
        }
        // The card grows to its text: the body is not cut.
        QVERIFY(!h.card->bodyLabel()->isTruncated());
    }

    void walkingThrough() {
        Harness h;
        for (int i = 0; i < 4; ++i) {
            QTest::mouseClick(h.card->forwardButton(), Qt::LeftButton);
            QCOMPARE(h.tour.index(), i + 1);
            QCOMPARE(h.steps, i + 1);
        }
        QVERIFY(!h.defaults.value(Tour::flagKey).toBool());
        QTest::mouseClick(h.card->forwardButton(), Qt::LeftButton);
        QVERIFY(!h.tour.isActive());
        QVERIFY(h.defaults.value(Tour::flagKey).toBool());
        QCOMPARE(h.steps, 5);
    }

    void backToTheFirstStep() {
        Harness h;
        h.goTo(1);
        QTest::mouseClick(h.card->backButton(), Qt::LeftButton);
        QCOMPARE(h.tour.index(), 0);
        QCOMPARE(h.steps, 1);
        QVERIFY(h.card->backButton()->isHidden());
        QVERIFY(h.tour.isActive());
    }

    void skipping_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("escape");
        QTest::newRow("button, first step") << 0 << false;
        QTest::newRow("button, last step") << 4 << false;
        QTest::newRow("escape") << 2 << true;
    }
    void skipping() {
        QFETCH(int, index);
        QFETCH(bool, escape);
        Harness h;
        h.goTo(index);
        QVERIFY(QTest::qWaitForWindowActive(&h.window));
        if (escape) {
            QTest::keyClick(&h.window, Qt::Key_Escape);
        } else {
            QTest::mouseClick(h.card->skipButton(), Qt::LeftButton);
        }
        QVERIFY(!h.tour.isActive());
        QCOMPARE(h.tour.index(), index);
        QVERIFY(h.defaults.value(Tour::flagKey).toBool());
        QCOMPARE(h.steps, 0);
    }

    void escapeIsIgnoredOnceHidden() {
        Harness h;
        QVERIFY(QTest::qWaitForWindowActive(&h.window));
        h.card->hide();
        QTest::keyClick(&h.window, Qt::Key_Escape);
        QVERIFY(h.tour.isActive());
        QVERIFY(!h.defaults.value(Tour::flagKey).isValid());
    }

    void sampleFileStaysOnTheStep() {
        Harness h;
        h.goTo(2);
        QTest::mouseClick(h.card->sampleButton(), Qt::LeftButton);
        QCOMPARE(h.samples, 1);
        QCOMPARE(h.tour.index(), 2);
        QVERIFY(h.tour.isActive());
        QCOMPARE(h.steps, 0);
    }

    void onlyTheCardTakesClicks() {
        Harness h;
        QCOMPARE(h.window.childAt(QPoint(10, 10)), nullptr);
        QWidget* hit = h.window.childAt(h.card->geometry().center());
        QVERIFY(hit == h.card || h.card->isAncestorOf(hit));
    }

    void screenshots() {
        for (const QString& language : {QStringLiteral("en"), QStringLiteral("pl")}) {
            L10n::setLanguage(language);
            for (int index = 0; index < 5; ++index) {
                Harness h;
                h.goTo(index);
                QVERIFY(!h.card->bodyLabel()->isTruncated());
                QVERIFY(!test::saveScreenshot(test::lightAndDark(&h.window),
                                              QStringLiteral("tour-%1-%2").arg(index).arg(language))
                             .isEmpty());
            }
        }
        L10n::setLanguage(QStringLiteral("en"));
    }
};

QTEST_MAIN(TourOverlayTest)
#include "tst_touroverlay.moc"
