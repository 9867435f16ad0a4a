#include "FernholmApp/components/text/RunsLabel.h"
#include "FernholmApp/components/text/SelectableText.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/TextPainting.h"
#include "FernholmApp/theme/Theme.h"
#include "app/support/PixelProbes.h"
#include "app/support/ViewTesting.h"

#include <QAccessible>
#include <QTest>
#include <QVBoxLayout>

#include <cmath>

using namespace fernholm;

namespace {

const QChar ellipsis(0x2026);

QList<RunsLabel::Run> titleAndBody(const QString& title, const QString& body) {
    return {{title, Fonts::sans(13, 600), Theme::ink}, {body, Fonts::sans(13, 400), Theme::dim}};
}

// The width of a shown line: the title in its bold font where the line starts with it.
qreal lineWidth(const QString& line, const QString& title) {
    const QFontMetricsF bold(Fonts::sans(13, 600));
    const QFontMetricsF regular(Fonts::sans(13, 400));
    if (line.startsWith(title)) {
        return bold.horizontalAdvance(title) + regular.horizontalAdvance(line.mid(title.size()));
    }
    return regular.horizontalAdvance(line);
}

int linesHigh(int count, const QFont& font, qreal spacing = 0) {
    return int(std::ceil(count * Text::lineHeight(font) + (count - 1) * spacing - 1e-6));
}

} // namespace

// Text in runs of their own fonts and colours, cut after a number of lines; the selectable
// text's line spacing and width cap.
class TextRunsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { test::useBundledResources(); }

    void runsWrapAndCut_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");
        QTest::addColumn<int>("maxLines");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("lines"); // -n: at least n
        QTest::addColumn<bool>("cut");
        const QString longBody = QStringLiteral(" — the quick brown fox jumps over the lazy dog again and again and "
                                                "again until the line has to break somewhere");
        QTest::newRow("fits") << "Title"
                              << " — short" << 2 << 400 << 1 << false;
        QTest::newRow("wraps, uncapped") << "Title" << longBody << 0 << 200 << -3 << false;
        QTest::newRow("cut after two") << "Title" << longBody << 2 << 200 << 2 << true;
        QTest::newRow("one line") << "Title" << longBody << 1 << 200 << 1 << true;
        QTest::newRow("line break in the body") << "Title"
                                                << " — first\nsecond\nthird" << 2 << 400 << 2 << true;
        QTest::newRow("unbreakable word")
            << "Title" << QStringLiteral(" — ") + QString(200, QLatin1Char('x')) << 2 << 200 << 2 << true;
        QTest::newRow("empty body") << "Title"
                                    << "" << 2 << 200 << 1 << false;
    }

    void runsWrapAndCut() {
        QFETCH(QString, title);
        QFETCH(QString, body);
        QFETCH(int, maxLines);
        QFETCH(int, width);
        QFETCH(int, lines);
        QFETCH(bool, cut);
        RunsLabel label;
        label.setRuns(titleAndBody(title, body));
        label.setMaxLines(maxLines);
        const QStringList shown = label.shownLines(width);
        if (lines < 0) {
            QVERIFY(shown.size() >= -lines);
            lines = int(shown.size());
        }
        QCOMPARE(shown.size(), lines);
        QCOMPARE(label.isTruncated(width), cut);
        QVERIFY(shown.first().startsWith(title));
        QCOMPARE(shown.last().endsWith(ellipsis), cut);
        QCOMPARE(label.heightForWidth(width), linesHigh(lines, Fonts::sans(13)));
        for (const QString& line : shown) {
            QVERIFY2(lineWidth(line, title) <= width + 0.5, qPrintable(line));
        }
        if (cut) {
            // The cut line is filled: no space before the ellipsis, and little room left after it.
            const QString last = shown.last().chopped(1);
            QVERIFY(!last.endsWith(QLatin1Char(' ')));
            if (!body.contains(QLatin1Char('\n'))) {
                QVERIFY2(lineWidth(shown.last(), title) > width - 40, qPrintable(shown.last()));
            }
        }
    }

    // Each run in its own colour; the ellipsis in the colour of the run it cuts.
    void runColours() {
        RunsLabel label;
        label.setRuns(titleAndBody(QStringLiteral("WWWW"), QStringLiteral(" WWWW WWWW WWWW WWWW WWWW WWWW")));
        label.setMaxLines(1);
        label.resize(150, label.heightForWidth(150));
        QVERIFY(label.isTruncated(150));
        const QColor background = Theme::background.resolve(ColorScheme::light);
        const QImage image = test::render(&label, ColorScheme::light, 2);
        const qreal title = QFontMetricsF(Fonts::sans(13, 600)).horizontalAdvance(QStringLiteral("WWWW"));
        FERNHOLM_COMPARE_COLOR(test::mostDistinct(image, QRectF(0, 0, title, label.height()), background),
                               Theme::ink.resolve(ColorScheme::light), 40);
        FERNHOLM_COMPARE_COLOR(test::mostDistinct(image, QRectF(title + 8, 0, 40, label.height()), background),
                               Theme::dim.resolve(ColorScheme::light), 40);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&label);
        QVERIFY(accessible);
        QCOMPARE(accessible->role(), QAccessible::StaticText);
        QCOMPARE(accessible->text(QAccessible::Name), label.text());
    }

    // Extra space between lines, none after the last one.
    void selectableLineSpacing_data() {
        QTest::addColumn<qreal>("spacing");
        QTest::newRow("none") << 0.0;
        QTest::newRow("2") << 2.0;
        QTest::newRow("3") << 3.0;
    }

    void selectableLineSpacing() {
        QFETCH(qreal, spacing);
        const QFont font = Fonts::sans(15);
        SelectableText one(QStringLiteral("One line"), font, Theme::ink);
        SelectableText three(QStringLiteral("First\nSecond\nThird"), font, Theme::ink);
        one.setLineSpacing(spacing);
        three.setLineSpacing(spacing);
        const int plainOne = SelectableText(QStringLiteral("One line"), font, Theme::ink).heightForWidth(300);
        const int plainThree =
            SelectableText(QStringLiteral("First\nSecond\nThird"), font, Theme::ink).heightForWidth(300);
        QCOMPARE(one.heightForWidth(300), plainOne);
        QVERIFY(std::abs(three.heightForWidth(300) - (plainThree + 2 * spacing)) <= 1);
        // Kept when the text changes.
        three.setText(QStringLiteral("A\nB\nC"));
        QVERIFY(std::abs(three.heightForWidth(300) - (plainThree + 2 * spacing)) <= 1);
    }

    // A maximum width caps the width the height is measured at.
    void selectableHeightAtItsMaximumWidth() {
        const QString text = QStringLiteral("The gateway stopped answering while the request was checked, so nothing "
                                            "was sent. The gateway stopped answering while the request was checked.");
        SelectableText capped(text, Fonts::sans(15), Theme::ink);
        capped.setMaximumWidth(300);
        SelectableText free(text, Fonts::sans(15), Theme::ink);
        QCOMPARE(capped.heightForWidth(800), free.heightForWidth(300));
        QVERIFY(capped.heightForWidth(800) > free.heightForWidth(800));
    }
};

QTEST_MAIN(TextRunsTest)
#include "tst_textruns.moc"
