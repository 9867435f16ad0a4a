#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/TextPainting.h"
#include "FernholmApp/theme/Theme.h"
#include "app/support/ViewTesting.h"

#include <QFontMetricsF>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QTest>
#include <QVBoxLayout>

using namespace fernholm;

namespace {

QImage transparentImage(int width, int height, qreal dpr = 1.0) {
    QImage image(int(width * dpr), int(height * dpr), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    return image;
}

int alphaAt(const QImage& image, qreal x, qreal y) {
    return test::sample(image, QPointF(x, y)).alpha();
}

} // namespace

class PaintingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { test::useBundledResources(); }

    void roundedRect_data() {
        QTest::addColumn<QRectF>("rect");
        QTest::addColumn<qreal>("radius");
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<bool>("inside");
        const QRectF card(0, 0, 200, 100);
        QTest::newRow("centre") << card << 20.0 << QPointF(100, 50) << true;
        QTest::newRow("corner is cut") << card << 20.0 << QPointF(1, 1) << false;
        QTest::newRow("45 degrees is cut") << card << 20.0 << QPointF(5, 5) << false;
        QTest::newRow("45 degrees further in is kept") << card << 20.0 << QPointF(7, 7) << true;
        QTest::newRow("edge near the corner is kept") << card << 20.0 << QPointF(40, 0.5) << true;
        QTest::newRow("straight edge") << card << 20.0 << QPointF(100, 0.5) << true;
        QTest::newRow("no radius keeps corners") << card << 0.0 << QPointF(0.5, 0.5) << true;
        QTest::newRow("capsule-sized radius: side middle") << QRectF(0, 0, 120, 40) << 20.0 << QPointF(0.5, 20) << true;
        QTest::newRow("capsule-sized radius: corner") << QRectF(0, 0, 120, 40) << 20.0 << QPointF(3, 3) << false;
        QTest::newRow("radius larger than the shape") << QRectF(10, 10, 30, 30) << 100.0 << QPointF(25, 25) << true;
        QTest::newRow("radius larger than the shape: corner")
            << QRectF(10, 10, 30, 30) << 100.0 << QPointF(13, 13) << false;
    }

    void roundedRect() {
        QFETCH(QRectF, rect);
        QFETCH(qreal, radius);
        QFETCH(QPointF, point);
        QFETCH(bool, inside);
        const QPainterPath path = Paint::roundedRect(rect, radius);
        QCOMPARE(path.contains(point), inside);
        const QRectF bounds = path.boundingRect();
        QVERIFY2(qAbs(bounds.left() - rect.left()) < 1e-6 && qAbs(bounds.right() - rect.right()) < 1e-6 &&
                     qAbs(bounds.top() - rect.top()) < 1e-6 && qAbs(bounds.bottom() - rect.bottom()) < 1e-6,
                 "the shape touches all four sides of its rectangle");
    }

    // The continuous corner leaves the straight edge before a circular one would (1.53 radii
    // from the corner instead of 1), so it has left the edge further where the circle begins.
    void continuousCornerEasesIn() {
        const QRectF rect(0, 0, 200, 200);
        const QPainterPath continuous = Paint::roundedRect(rect, 20);
        QPainterPath circular;
        circular.addRoundedRect(rect, 20, 20);
        QVERIFY(circular.contains(QPointF(16, 0.55)));
        QVERIFY(!continuous.contains(QPointF(16, 0.55)));
        QVERIFY(continuous.contains(QPointF(16, 0.8)));
        QVERIFY(continuous.contains(QPointF(35, 0.05))); // still straight beyond 1.53 radii
    }

    void emptyShapes() {
        QVERIFY(Paint::roundedRect(QRectF(), 10).isEmpty());
        QVERIFY(Paint::roundedRect(QRectF(5, 5, 0, 10), 10).isEmpty());
        QImage image = transparentImage(10, 10);
        QPainter painter(&image);
        Paint::strokeInside(painter, QRectF(), 4, Qt::black);
        Paint::softShadow(painter, QPainterPath(), Qt::black, 3, QPointF());
        painter.end();
        QCOMPARE(alphaAt(image, 5, 5), 0);
    }

    void strokeStaysInside_data() {
        QTest::addColumn<qreal>("dpr");
        QTest::newRow("1x") << 1.0;
        QTest::newRow("2x") << 2.0;
    }

    void strokeStaysInside() {
        QFETCH(qreal, dpr);
        QImage image = transparentImage(60, 60, dpr);
        QPainter painter(&image);
        Paint::strokeInside(painter, QRectF(10, 10, 40, 40), 12, Qt::black, 1.0);
        painter.end();
        QCOMPARE(alphaAt(image, 10.25, 30), 255); // the rectangle's outermost pixel column
        QCOMPARE(alphaAt(image, 49.75, 30), 255);
        QCOMPARE(alphaAt(image, 30, 10.25), 255);
        QCOMPARE(alphaAt(image, 9.75, 30), 0); // nothing outside
        QCOMPARE(alphaAt(image, 30, 50.25), 0);
        QCOMPARE(alphaAt(image, 11.5, 30), 0); // and only one pixel wide
        QCOMPARE(alphaAt(image, 30, 30), 0);
        QCOMPARE(alphaAt(image, 10.5, 10.5), 0); // the corner is rounded
    }

    // Parts of a translucent layer cover each other before the layer is made translucent.
    void layerComposesBeforeItsOpacity() {
        for (const qreal dpr : {1.0, 2.0}) {
            QImage image = transparentImage(40, 20, dpr);
            image.fill(Qt::white);
            QPainter painter(&image);
            Paint::layer(painter, QRectF(0, 0, 40, 20), 0.5, [](QPainter& p) {
                p.fillRect(QRectF(0, 0, 30, 20), Qt::blue);
                p.fillRect(QRectF(10, 0, 30, 20), Qt::red);
            });
            painter.end();
            FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(5, 10)), QColor(127, 127, 255), 2);
            FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(20, 10)), QColor(255, 127, 127), 2); // no blue
            FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(35, 10)), QColor(255, 127, 127), 2);
        }
    }

    // A widget rendered into an image of another pixel ratio than its screen's gets its layers,
    // symbols and shadows at the image's resolution: an edge at a half pixel stays sharp at 2x.
    void layersFollowTheTargetsResolution() {
        class Halves : public QWidget {
        protected:
            void paintEvent(QPaintEvent*) override {
                QPainter painter(this);
                Paint::layer(painter, QRectF(rect()), 0.5,
                             [](QPainter& p) { p.fillRect(QRectF(0, 0, 10.5, 10), Qt::black); });
            }
        } widget;
        widget.resize(20, 10);
        const QImage image = test::render(&widget, ColorScheme::light, 2.0, false);
        QVERIFY(qAbs(test::sample(image, QPointF(10.25, 5)).alpha() - 128) <= 2);
        QCOMPARE(test::sample(image, QPointF(10.75, 5)).alpha(), 0);
    }

    void softShadow() {
        QImage image = transparentImage(80, 80);
        QPainter painter(&image);
        QPainterPath square;
        square.addRect(30, 30, 20, 20);
        Paint::softShadow(painter, square, QColor(0, 0, 0, 128), 3, QPointF(0, 4));
        painter.end();

        const int centre = alphaAt(image, 40, 44);
        QVERIFY2(qAbs(centre - 128) <= 3, qPrintable(QString::number(centre))); // full inside, offset down
        const int edge = alphaAt(image, 40, 54);                                // at the moved bottom edge
        QVERIFY2(edge > 40 && edge < 90, qPrintable(QString::number(edge)));    // about half
        QVERIFY(alphaAt(image, 40, 60) < edge);                                 // fading outwards
        QCOMPARE(alphaAt(image, 40, 66), 0);                                    // gone past three radii
        QCOMPARE(alphaAt(image, 20, 44), alphaAt(image, 59, 44));               // symmetric
        QVERIFY(alphaAt(image, 40, 31) < alphaAt(image, 40, 49) / 2);           // pushed down
        QCOMPARE(test::sample(image, QPointF(40, 44)).rgb() & 0xFFFFFF, 0u);    // in its colour
    }

    void shadowWithoutBlur() {
        QImage image = transparentImage(40, 40);
        QPainter painter(&image);
        QPainterPath square;
        square.addRect(10, 10, 10, 10);
        Paint::softShadow(painter, square, Qt::black, 0, QPointF(2, 2));
        Paint::softShadow(painter, square.translated(15, 0), Qt::transparent, 3, QPointF());
        painter.end();
        QCOMPARE(alphaAt(image, 12.5, 12.5), 255);
        QCOMPARE(alphaAt(image, 21.5, 21.5), 255);
        QCOMPARE(alphaAt(image, 11.5, 11.5), 0);
        QCOMPARE(alphaAt(image, 30, 15), 0);
    }

    void textLines_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("fitsOneLine"); // the width is this text's width, plus a pixel
        QTest::addColumn<int>("maxLines");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("truncated");
        const QString ellipsis(QChar(0x2026));
        QTest::newRow("wraps at words") << QStringLiteral("alpha beta gamma") << QStringLiteral("alpha beta") << 0
                                        << QStringList{"alpha beta", "gamma"} << false;
        QTest::newRow("cap not reached") << QStringLiteral("alpha beta gamma") << QStringLiteral("alpha beta") << 2
                                         << QStringList{"alpha beta", "gamma"} << false;
        QTest::newRow("line breaks count") << QStringLiteral("one\ntwo\n\nfour") << QStringLiteral("one two four") << 0
                                           << QStringList{"one", "two", "", "four"} << false;
        QTest::newRow("empty") << QString() << QStringLiteral("x") << 3 << QStringList{} << false;
        QTest::newRow("a long word breaks inside")
            << QStringLiteral("abcdefghij") << QStringLiteral("abcde") << 0 << QStringList{"abcde", "fghij"} << false;
        QTest::newRow("two of three lines") << QStringLiteral("word word word word word word") << "word word" + ellipsis
                                            << 2 << QStringList{"word word", "word word" + ellipsis} << true;
        QTest::newRow("one line elided") << QStringLiteral("alpha beta gamma") << "alpha beta" + ellipsis << 1
                                         << QStringList{"alpha beta" + ellipsis} << true;
        QTest::newRow("one line elided inside a word") << QStringLiteral("alphabetagamma") << "alphabeta" + ellipsis
                                                       << 1 << QStringList{"alphabeta" + ellipsis} << true;
        QTest::newRow("a line break cuts one line") << QStringLiteral("short\nmore") << QStringLiteral("short and more")
                                                    << 1 << QStringList{"short" + ellipsis} << true;
        QTest::newRow("a line break cuts the last line")
            << QStringLiteral("one\ntwo\nthree") << QStringLiteral("one two three") << 2
            << QStringList{"one", "two" + ellipsis} << true;
        QTest::newRow("trailing line break cuts nothing")
            << QStringLiteral("short\n") << QStringLiteral("short") << 1 << QStringList{"short"} << false;
    }

    void textLines() {
        QFETCH(QString, text);
        QFETCH(QString, fitsOneLine);
        QFETCH(int, maxLines);
        QFETCH(QStringList, lines);
        QFETCH(bool, truncated);
        const QFont font = Fonts::sans(13);
        const qreal width = QFontMetricsF(font).horizontalAdvance(fitsOneLine) + 1;
        const Text::Lines laid = Text::layout(text, font, width, {maxLines, 4, Qt::AlignLeft});
        QCOMPARE(laid.lines, lines);
        QCOMPARE(laid.truncated, truncated);
        const QFontMetricsF metrics(font);
        for (const QString& line : laid.lines) {
            QVERIFY2(metrics.horizontalAdvance(line) <= width, qPrintable(line));
        }
        const auto n = laid.lines.size();
        QCOMPARE(laid.size.height(), n == 0 ? 0.0 : n * metrics.lineSpacing() + (n - 1) * 4.0);
    }

    void shrinkToFit_data() {
        QTest::addColumn<qreal>("width");
        QTest::addColumn<int>("smallest"); // the expected pixel size at most
        QTest::addColumn<int>("largest");  // and at least
        QTest::addColumn<bool>("fits");
        const QFont font = Fonts::tracked(Fonts::display(36), -1.44);
        const qreal full = QFontMetricsF(font).horizontalAdvance(QStringLiteral("1 024 318"));
        QTest::newRow("fits already") << full + 1 << 36 << 36 << true;
        QTest::newRow("two thirds") << full * 0.66 << 24 << 21 << true;
        QTest::newRow("not below half") << full * 0.2 << 18 << 18 << false;
    }

    void shrinkToFit() {
        QFETCH(qreal, width);
        QFETCH(int, smallest);
        QFETCH(int, largest);
        QFETCH(bool, fits);
        const QFont font = Fonts::tracked(Fonts::display(36), -1.44);
        const QFont shrunk = Text::shrunkToFit(QStringLiteral("1 024 318"), font, width, 0.5);
        QVERIFY2(shrunk.pixelSize() <= smallest && shrunk.pixelSize() >= largest,
                 qPrintable(QString::number(shrunk.pixelSize())));
        QCOMPARE(QFontMetricsF(shrunk).horizontalAdvance(QStringLiteral("1 024 318")) <= width, fits);
        QCOMPARE(shrunk.family(), font.family());
        // Tracking shrinks with the text.
        QVERIFY(qAbs(shrunk.letterSpacing() - (-1.44 * shrunk.pixelSize() / 36)) <= 1.0 / 32);
    }

    // A wrapping label in a row of fixed height takes the height its text needs at the row's
    // width, whatever width it had before it was laid out.
    void labelInARowTakesItsHeightAtTheRowsWidth() {
        QWidget window;
        auto* grid = new QGridLayout(&window);
        auto* row = new QWidget(&window);
        row->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        auto* content = new QHBoxLayout(row);
        content->setContentsMargins(10, 8, 10, 8);
        auto* label =
            new TextLabel(QStringLiteral("Open the window when the gateway stops"), Fonts::sans(13), Theme::ink, row);
        content->addWidget(label);
        grid->addWidget(row, 0, 0);
        QVERIFY(row->minimumSizeHint().height() > 0); // asked before the label has any width of its own
        window.resize(500, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(label->height(), qCeil(Text::lineHeight(label->font())));
        QCOMPARE(row->height(), label->height() + 16);
    }

    void labelSizes() {
        TextLabel label(QStringLiteral("Only placeholders are kept here. What you wrote stays on this computer."),
                        Fonts::sans(14), Theme::dim);
        const QFontMetricsF metrics(label.font());
        QVERIFY(label.hasHeightForWidth());
        QCOMPARE(label.heightForWidth(10000), qCeil(metrics.lineSpacing()));
        QVERIFY(label.heightForWidth(200) >= qCeil(3 * metrics.lineSpacing()));

        label.setMaxLines(2);
        QCOMPARE(label.heightForWidth(100), qCeil(2 * metrics.lineSpacing()));

        label.setMaxLines(1);
        label.setMinimumScale(0.7);
        QVERIFY(!label.hasHeightForWidth());
        label.resize(label.sizeHint());
        QVERIFY(!label.isTruncated());
        QCOMPARE(label.shownFont().pixelSize(), 14);
        label.resize(label.sizeHint().width() * 3 / 4, label.height());
        QVERIFY(label.shownFont().pixelSize() < 14);
        QVERIFY(!label.isTruncated());
        label.resize(label.sizeHint().width() / 3, label.height());
        QCOMPARE(label.shownFont().pixelSize(), 10); // 70 % of 14, rounded up to a whole pixel
        QVERIFY(label.isTruncated());
    }

    void labelScreenshot() {
        QWidget sheet;
        auto* layout = new QVBoxLayout(&sheet);
        layout->setContentsMargins(16, 16, 16, 16);
        layout->setSpacing(10);
        const QString longText =
            QStringLiteral("Wklejony tekst zostaje na tym komputerze: do czatu trafiają tylko symbole zastępcze, "
                           "a prawdziwe wartości wracają dopiero w odpowiedzi.");
        auto* wrapped = new TextLabel(longText, Fonts::sans(14), Theme::ink);
        auto* capped = new TextLabel(longText, Fonts::sans(13), Theme::dim);
        capped->setMaxLines(2);
        auto* shrunk = new TextLabel(QStringLiteral("1 024 318 zapytań"), Fonts::display(36), Theme::ink);
        shrunk->setMaxLines(1);
        shrunk->setMinimumScale(0.5);
        auto* centred = new TextLabel(QStringLiteral("Wyśrodkowany podpis"), Fonts::sans(12, 600), Theme::faint);
        centred->setAlignment(Qt::AlignHCenter);
        for (QWidget* w : QList<QWidget*>{wrapped, capped, shrunk, centred}) {
            layout->addWidget(w);
        }
        sheet.resize(300, sheet.heightForWidth(300) > 0 ? sheet.heightForWidth(300) : 240);
        layout->activate();
        QVERIFY(!capped->isTruncated() || capped->height() <= qCeil(2 * Text::lineHeight(capped->font())));
        QVERIFY(shrunk->shownFont().pixelSize() < 36);
        QVERIFY(!test::saveScreenshot(test::lightAndDark(&sheet), QStringLiteral("design-text")).isEmpty());
    }
};

QTEST_MAIN(PaintingTest)
#include "tst_painting.moc"
