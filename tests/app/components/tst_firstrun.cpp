#include "FernholmApp/theme/BrandFonts.h"
#include "FernholmApp/components/layout/Card.h"
#include "FernholmApp/components/layout/FirstRunFrame.h"
#include "FernholmApp/components/text/MarkedTitle.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/TextPainting.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/LayoutTesting.h"
#include "app/support/ViewTesting.h"

#include <QAccessible>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

using namespace fernholm;

namespace {

// Counts the pixels of a rectangle within `tolerance` of a colour.
int pixelsNear(const QImage& image, const QRectF& logical, const QColor& color, int tolerance = 24) {
    const qreal dpr = image.devicePixelRatio();
    const QRect area = QRectF(logical.topLeft() * dpr, logical.size() * dpr).toAlignedRect() & image.rect();
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += test::near(image.pixelColor(x, y), color, tolerance) ? 1 : 0;
        }
    }
    return count;
}

} // namespace

class FirstRunTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { test::useBundledResources(); }

    void cleanup() {
        test::useBundledResources();
        L10n::setLanguage(QStringLiteral("en"));
    }

    // Narrow: stacked, 0.18 x 40 = 7.2 between the words. Wide: side by side, 0.4 x 40 = 16 apart,
    // on one baseline.
    void markedTitleArrangement() {
        MarkedTitle title(QStringLiteral("Protect your"), QStringLiteral("prompts"), 40);
        const MarkedTitle::Arrangement narrow = title.arrangement(260);
        QVERIFY(narrow.stacked);
        QCOMPARE(narrow.marked.top() - narrow.lead.bottom(), 7.2);
        QCOMPARE(narrow.lead.center().x(), 130.0);
        QCOMPARE(narrow.marked.center().x(), 130.0);

        const MarkedTitle::Arrangement wide = title.arrangement(800);
        QVERIFY(!wide.stacked);
        QCOMPARE(wide.marked.left() - wide.lead.right(), 16.0);
        QCOMPARE(wide.marked.top(), wide.lead.top()); // one font, so one baseline
        QCOMPARE(wide.marked.height(), wide.lead.height());
        // The marker reaches beyond the marked part by the given shares of the size.
        QCOMPARE(wide.marker, wide.marked.adjusted(-0.196 * 40, -0.026 * 40, 0.384 * 40, 0.109 * 40));
        QVERIFY(QRectF(0, 0, 800, wide.height).contains(wide.marker));

        // Exactly the two widths and the gap still fit side by side.
        const QFont font = title.titleFont();
        const auto oneLine = [&](const QString& text) {
            return Text::size(text, font, QWIDGETSIZE_MAX, {1, 0, Qt::AlignLeft}).width();
        };
        const qreal together = oneLine(title.lead()) + 16 + oneLine(title.marked());
        QVERIFY(!title.arrangement(together).stacked);
        QVERIFY(title.arrangement(together - 1).stacked);

        // The widget switches with the width it is given, and its height follows.
        title.resize(260, title.heightForWidth(260));
        QVERIFY(title.isStacked());
        QVERIFY(title.heightForWidth(260) > title.heightForWidth(800));
        QCOMPARE(title.heightForWidth(800), int(std::ceil(wide.height - 1e-6)));

        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&title);
        QVERIFY(accessible);
        QCOMPARE(accessible->role(), QAccessible::Heading);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Protect your prompts"));
    }

    // The marker paints the marked part's background in the accent colour; without the image
    // there is no background at all.
    void markedTitleMarker_data() {
        QTest::addColumn<bool>("withMarker");
        QTest::newRow("marker") << true;
        QTest::newRow("no marker image") << false;
    }

    void markedTitleMarker() {
        QFETCH(bool, withMarker);
        QTemporaryDir noImages;
        if (!withMarker) {
            BrandFonts::setResourceRoots(QStringList{noImages.path()}); // no images (and the fallback faces)
        }
        MarkedTitle title(QStringLiteral("Protect your"), QStringLiteral("prompts"), 40);
        title.resize(700, title.heightForWidth(700));
        for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
            const QImage image = test::render(&title, scheme);
            const QRectF marked = title.markedRect();
            const int accent = pixelsNear(image, marked, Theme::accent.resolve(scheme));
            const int area = int(marked.width() * marked.height() * 4);
            if (withMarker) {
                QVERIFY2(accent > area / 3, qPrintable(QString::number(accent)));
            } else {
                QCOMPARE(pixelsNear(image, marked.adjusted(-8, -1, 15, 4), Theme::accent.resolve(scheme), 8), 0);
            }
            // The lead is written in ink either way.
            QVERIFY(pixelsNear(image, title.leadRect(), Theme::ink.resolve(scheme), 8) > 0);
        }
    }

    // 12 around the frame and 16 more on top; a body column at most 760 wide, centred.
    void frameGeometry_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("columnLeft");
        QTest::addColumn<int>("columnWidth");
        QTest::newRow("wide") << 1000 << 32 + (976 - 64 - 760) / 2 << 760;
        QTest::newRow("narrow") << 500 << 32 << 476 - 64;
    }

    void frameGeometry() {
        QFETCH(int, width);
        QFETCH(int, columnLeft);
        QFETCH(int, columnWidth);
        FirstRunFrame frame;
        auto* trailing = new test::Swatch(Theme::ink, QSize(80, 24));
        frame.setTrailing(trailing);
        auto* section = new test::Swatch(Theme::green, QSize(300, 100));
        auto* button = new test::Swatch(Theme::ink, QSize(120, 36));
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        frame.addWidget(section);
        frame.addWidget(button);
        frame.resize(width, 600);
        frame.show();
        test::settle();

        QCOMPARE(frame.surface()->geometry(), QRect(12, 28, width - 24, 600 - 40));
        QCOMPARE(frame.wordmark()->text(), QStringLiteral("Tarvine"));
        QCOMPARE(frame.wordmark()->geometry().left(), 32);
        QCOMPARE(frame.wordmark()->geometry().top(), 28);
        QCOMPARE(trailing->geometry().right(), frame.surface()->width() - 32 - 1);
        QVERIFY(qAbs(trailing->geometry().center().y() - frame.wordmark()->geometry().center().y()) <= 1);
        QCOMPARE(section->geometry(), QRect(columnLeft, 24, columnWidth, 100));
        // Narrower sections are centred; 36 between sections.
        QCOMPARE(button->geometry(), QRect(columnLeft + (columnWidth - 120) / 2, 24 + 100 + 36, 120, 36));
        QCOMPARE(frame.scrollArea()->geometry().bottom(), frame.surface()->height() - 1);
        QVERIFY(frame.surface()->coversCorners());

        for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
            const QImage image = test::render(&frame, scheme);
            const QColor background = Theme::background.resolve(scheme);
            FERNHOLM_COMPARE_COLOR(test::sample(image, {width / 2.0, 20}), background, 1);
            FERNHOLM_COMPARE_COLOR(test::sample(image, {12.5, 28.5}), background, 2);
            FERNHOLM_COMPARE_COLOR(test::sample(image, {width / 2.0, 28.25}),
                                   test::over(Theme::line.opacity(0.6).resolve(scheme), Theme::surface.resolve(scheme)),
                                   2);
            // The fill fades from the surface into the background towards the bottom.
            FERNHOLM_COMPARE_COLOR(test::sample(image, {20, 40}), Theme::surface.resolve(scheme), 1);
            FERNHOLM_COMPARE_COLOR(test::sample(image, {width / 2.0, 28 + 557}), background, 3);
        }
    }

    // Content taller than the frame scrolls in the body, under the header.
    void frameScrolls() {
        FirstRunFrame frame;
        QList<test::Swatch*> sections;
        for (int i = 0; i < 4; ++i) {
            sections << new test::Swatch(Theme::surface, QSize(300, 200));
            frame.addWidget(sections.last());
        }
        frame.resize(900, 500);
        frame.show();
        test::settle();
        QScrollBar* bar = frame.scrollArea()->verticalScrollBar();
        const int content = 24 + 4 * 200 + 3 * 36 + 40;
        QCOMPARE(frame.scrollArea()->widget()->height(), content);
        QCOMPARE(bar->maximum(), content - frame.scrollArea()->viewport()->height());
        QVERIFY(frame.scrollArea()->geometry().top() >= frame.wordmark()->geometry().bottom());
    }

    void screenshots() {
        for (const QString& language : {QStringLiteral("en"), QStringLiteral("pl")}) {
            L10n::setLanguage(language);
            const bool polish = language == QLatin1String("pl");
            FirstRunFrame frame;
            frame.setTrailing(new TextLabel(polish ? QStringLiteral("Pomiń") : QStringLiteral("Skip"),
                                            Fonts::sans(13, 500), Theme::dim));
            frame.addWidget(new MarkedTitle(polish ? QStringLiteral("Chroń swoje") : QStringLiteral("Protect your"),
                                            polish ? QStringLiteral("prompty") : QStringLiteral("prompts"), 40));
            auto* body =
                new TextLabel(polish ? QStringLiteral("Tarvine ukrywa dane osobowe, zanim trafią do czatu AI.")
                                     : QStringLiteral("Tarvine hides personal details before they reach an AI chat."),
                              Fonts::sans(15), Theme::dim);
            body->setAlignment(Qt::AlignHCenter);
            frame.addWidget(body);
            auto* card = new Card(CardStyle::surface, 22);
            card->body()->addWidget(new TextLabel(polish ? QStringLiteral("Certyfikat zainstalowany")
                                                         : QStringLiteral("Certificate installed"),
                                                  Fonts::sans(15, 600), Theme::ink));
            frame.addWidget(card);
            frame.resize(900, 560);
            frame.show();
            test::settle();
            QVERIFY(!test::saveScreenshot(test::lightAndDark(&frame),
                                          polish ? QStringLiteral("first-run-pl") : QStringLiteral("first-run"))
                         .isEmpty());
            frame.resize(420, 560);
            test::settle();
            QVERIFY(!test::saveScreenshot(test::lightAndDark(&frame), polish ? QStringLiteral("first-run-narrow-pl")
                                                                             : QStringLiteral("first-run-narrow"))
                         .isEmpty());
        }
    }
};

QTEST_MAIN(FirstRunTest)
#include "tst_firstrun.moc"
