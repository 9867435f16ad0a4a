#include "FernholmApp/components/layout/Card.h"
#include "FernholmApp/components/layout/FlowLayout.h"
#include "FernholmApp/components/text/TokenChip.h"
#include "FernholmApp/theme/Theme.h"
#include "app/support/LayoutTesting.h"
#include "app/support/ViewTesting.h"

#include <QTest>
#include <QVBoxLayout>

using namespace fernholm;

Q_DECLARE_METATYPE(std::optional<int>)

class FlowLayoutTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { test::useBundledResources(); }

    // Sizes and positions for a proposed width (none: the size hint).
    void arrangement_data() {
        QTest::addColumn<QList<QSize>>("children");
        QTest::addColumn<int>("spacing");
        QTest::addColumn<std::optional<int>>("width");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QList<QPoint>>("positions");
        const QList<QSize> three{{100, 20}, {100, 30}, {80, 20}};
        QTest::newRow("no children") << QList<QSize>{} << 10 << std::optional(300) << QSize(300, 0) << QList<QPoint>{};
        QTest::newRow("no children, no width")
            << QList<QSize>{} << 10 << std::optional<int>() << QSize(0, 0) << QList<QPoint>{};
        QTest::newRow("exactly filling the width stays in one row")
            << three << 10 << std::optional(300) << QSize(300, 30) << QList<QPoint>{{0, 0}, {110, 0}, {220, 0}};
        QTest::newRow("one pixel less breaks")
            << three << 10 << std::optional(299) << QSize(299, 60) << QList<QPoint>{{0, 0}, {110, 0}, {0, 40}};
        QTest::newRow("rows are as tall as their tallest child")
            << three << 10 << std::optional(150) << QSize(150, 90) << QList<QPoint>{{0, 0}, {0, 30}, {0, 70}};
        QTest::newRow("a child wider than the width sits alone")
            << QList<QSize>{{50, 20}, {400, 20}, {50, 20}} << 10 << std::optional(300) << QSize(300, 80)
            << QList<QPoint>{{0, 0}, {0, 30}, {0, 60}};
        QTest::newRow("a first child wider than the width")
            << QList<QSize>{{400, 20}, {50, 20}} << 10 << std::optional(300) << QSize(300, 50)
            << QList<QPoint>{{0, 0}, {0, 30}};
        QTest::newRow("no width: one row, its width")
            << three << 10 << std::optional<int>() << QSize(300, 30) << QList<QPoint>{{0, 0}, {110, 0}, {220, 0}};
        QTest::newRow("no spacing") << three << 0 << std::optional(200) << QSize(200, 50)
                                    << QList<QPoint>{{0, 0}, {100, 0}, {0, 30}};
    }

    void arrangement() {
        QFETCH(QList<QSize>, children);
        QFETCH(int, spacing);
        QFETCH(std::optional<int>, width);
        QFETCH(QSize, size);
        QFETCH(QList<QPoint>, positions);
        QWidget holder;
        auto* flow = new FlowLayout(spacing, &holder);
        QList<test::Swatch*> swatches;
        for (const QSize& child : children) {
            swatches << new test::Swatch(Theme::surface, child);
            swatches.last()->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
            flow->addWidget(swatches.last());
        }
        const auto fits = flow->sizeThatFits(width ? std::optional<qreal>(*width) : std::nullopt);
        QCOMPARE(fits, QSizeF(size));
        if (width) {
            QCOMPARE(flow->heightForWidth(*width), size.height());
            holder.resize(*width, size.height());
        } else {
            QCOMPARE(flow->sizeHint(), size);
            holder.resize(size);
        }
        holder.show();
        test::settle();
        flow->setGeometry(QRect(QPoint(0, 0), holder.size()));
        for (int i = 0; i < swatches.size(); ++i) {
            QCOMPARE(swatches.at(i)->geometry(), QRect(positions.at(i), children.at(i)));
        }
    }

    // Hidden children take no room; margins surround the rows.
    void hiddenChildrenAndMargins() {
        QWidget holder;
        auto* flow = new FlowLayout(8, &holder);
        flow->setContentsMargins(5, 6, 7, 8);
        auto* a = new test::Swatch(Theme::surface, QSize(60, 20));
        auto* hidden = new test::Swatch(Theme::surface, QSize(60, 20));
        auto* c = new test::Swatch(Theme::surface, QSize(60, 20));
        for (auto* swatch : {a, hidden, c}) {
            swatch->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        }
        flow->addWidget(a);
        flow->addWidget(hidden);
        flow->addWidget(c);
        hidden->hide();
        QCOMPARE(flow->sizeHint(), QSize(5 + 128 + 7, 6 + 20 + 8));
        QCOMPARE(flow->heightForWidth(5 + 100 + 7), 6 + 48 + 8);
        QCOMPARE(flow->minimumSize(), QSize(5 + 60 + 7, 14));
        holder.resize(5 + 128 + 7, 34);
        holder.show();
        test::settle();
        QCOMPARE(c->geometry(), QRect(5 + 68, 6, 60, 20));
    }

    // A child wider than the row that can shrink is narrowed to the row, down to its minimum
    // size; a token chip then cuts its token with "…" instead of running past the edge.
    void aWideChildShrinksToTheRow_data() {
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("shown");
        QTest::newRow("shrinks to the row") << 0 << 300 << 300;
        QTest::newRow("no narrower than its minimum") << 350 << 300 << 350;
        QTest::newRow("fits: keeps its hint") << 0 << 500 << 400;
    }

    void aWideChildShrinksToTheRow() {
        QFETCH(int, minimum);
        QFETCH(int, width);
        QFETCH(int, shown);
        QWidget holder;
        auto* flow = new FlowLayout(8, &holder);
        auto* wide = new test::Swatch(Theme::surface, QSize(400, 20));
        wide->setMinimumWidth(minimum);
        flow->addWidget(wide);
        QCOMPARE(flow->minimumSize().width(), minimum);
        holder.resize(width, 20);
        holder.show();
        test::settle();
        flow->setGeometry(QRect(0, 0, width, 20));
        QCOMPARE(wide->width(), shown);
    }

    void aLongTokenChipIsCutInsideTheRow() {
        QWidget holder;
        auto* flow = new FlowLayout(8, &holder);
        auto* chip = new TokenChip(QStringLiteral("[A_VERY_LONG_PLACEHOLDER_NAME_FOR_A_SMALL_CARD_1]"), 12);
        flow->addWidget(chip);
        holder.resize(160, flow->heightForWidth(160));
        holder.show();
        test::settle();
        QCOMPARE(chip->width(), 160);
        QVERIFY(chip->sizeHint().width() > 160);
        const QImage image = test::render(&holder, ColorScheme::light);
        test::saveScreenshot(image, QStringLiteral("flow-cut-chip"));
    }

    // A flow in a card grows by rows as the card narrows, and the card with it.
    void flowInACard() {
        QWidget window;
        auto* column = new QVBoxLayout(&window);
        column->setContentsMargins(0, 0, 0, 0);
        auto* card = new Card(CardStyle::surface, 20);
        auto* flow = new FlowLayout(8);
        for (int i = 0; i < 10; ++i) {
            flow->addWidget(new TokenChip(QStringLiteral("[PERSON_%1]").arg(i + 1), 12));
        }
        card->body()->addLayout(flow);
        column->addWidget(card, 0, Qt::AlignTop);
        window.resize(1200, 400);
        window.show();
        test::settle();
        const int oneRow = card->height();
        const int chip = window.findChild<TokenChip*>()->height();
        QCOMPARE(oneRow, 40 + chip);
        window.resize(300, 400);
        test::settle();
        QVERIFY(card->height() > oneRow + 2 * chip);
        QCOMPARE(card->height(), card->heightForWidth(300));
        for (TokenChip* c : window.findChildren<TokenChip*>()) {
            QVERIFY(QRect(20, 20, 260, card->height() - 40).contains(c->geometry()));
        }
        test::saveScreenshot(test::lightAndDark(&window), QStringLiteral("flow-chips"));
    }
};

QTEST_MAIN(FlowLayoutTest)
#include "tst_flowlayout.moc"
