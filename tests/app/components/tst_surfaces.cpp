#include "FernholmApp/components/layout/Card.h"
#include "FernholmApp/components/layout/FlowLayout.h"
#include "FernholmApp/components/layout/Page.h"
#include "FernholmApp/components/layout/PageHeader.h"
#include "FernholmApp/components/layout/Panel.h"
#include "FernholmApp/components/text/ProviderLogo.h"
#include "FernholmApp/components/layout/RowDivider.h"
#include "FernholmApp/components/controls/ScrollBar.h"
#include "FernholmApp/components/text/SectionLabel.h"
#include "FernholmApp/components/text/StatusPill.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/components/text/TokenChip.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/LayoutTesting.h"
#include "app/support/ViewTesting.h"

#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

using namespace fernholm;

Q_DECLARE_METATYPE(fernholm::CardStyle)
Q_DECLARE_METATYPE(fernholm::ColorScheme)

namespace {

// A top-level widget to place children in; show() it once they are there (layouts act on shown
// widgets).
struct Holder {
    QWidget window;
    explicit Holder(QSize size) { window.resize(size); }
    void show() {
        window.show();
        test::settle();
    }
};

QColor resolve(const ThemeColor& color, ColorScheme scheme) {
    return color.resolve(scheme);
}

// Whether some pixel on the straight line from `from` to `to` (logical points, sampled at device
// pixels) lies clearly between colours a and b: an antialiased edge rather than a hard step.
bool hasBlendBetween(const QImage& image, QPointF from, QPointF to, const QColor& a, const QColor& b) {
    const int steps = 64;
    for (int i = 0; i <= steps; ++i) {
        const QPointF p = from + (to - from) * (qreal(i) / steps);
        const QColor c = test::sample(image, p);
        if (!c.isValid() || test::near(c, a, 12) || test::near(c, b, 12)) {
            continue;
        }
        const auto between = [](int x, int lo, int hi) {
            return x >= std::min(lo, hi) - 2 && x <= std::max(lo, hi) + 2;
        };
        if (between(c.red(), a.red(), b.red()) && between(c.green(), a.green(), b.green()) &&
            between(c.blue(), a.blue(), b.blue())) {
            return true;
        }
    }
    return false;
}

} // namespace

class SurfacesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        test::useBundledResources();
        L10n::setLanguage(QStringLiteral("en"));
    }

    void cleanup() { L10n::setLanguage(QStringLiteral("en")); }

    // Only surface cards are outlined; every style fills its shape.
    void cardStyles_data() {
        QTest::addColumn<CardStyle>("style");
        QTest::addColumn<ColorScheme>("scheme");
        QTest::addColumn<QColor>("fill");
        QTest::addColumn<bool>("outlined");
        for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
            const char* name = scheme == ColorScheme::light ? "light" : "dark";
            QTest::addRow("surface, %s", name)
                << CardStyle::surface << scheme << resolve(Theme::surface, scheme) << true;
            QTest::addRow("muted, %s", name) << CardStyle::muted << scheme << resolve(Theme::muted, scheme) << false;
            // The feature fill follows the window, though its content is drawn dark.
            QTest::addRow("feature, %s", name)
                << CardStyle::feature << scheme << resolve(Theme::feature, scheme) << false;
        }
    }

    void cardStyles() {
        QFETCH(CardStyle, style);
        QFETCH(ColorScheme, scheme);
        QFETCH(QColor, fill);
        QFETCH(bool, outlined);
        Holder holder(QSize(240, 140));
        auto* card = new Card(style, Theme::cardPadding, &holder.window);
        card->setGeometry(20, 20, 200, 100);
        const QImage image = test::render(&holder.window, scheme);

        FERNHOLM_COMPARE_COLOR(test::sample(image, {120, 70}), fill, 2);
        const QColor edge = test::sample(image, {120, 20.25});
        const QColor expectedEdge = outlined ? test::over(Theme::cardEdge.resolve(scheme), fill) : fill;
        FERNHOLM_COMPARE_COLOR(edge, expectedEdge, 2);
        FERNHOLM_COMPARE_COLOR(test::sample(image, {120, 119.75}), expectedEdge, 2);
        // Outside the rounded corner lies the window.
        FERNHOLM_COMPARE_COLOR(test::sample(image, {20.5, 20.5}), Theme::background.resolve(scheme), 2);
        QVERIFY(!card->coversCorners()); // padding keeps the content off the corners
    }

    // A surface card whose content reaches its edge: the outline lies over the content's outer
    // band and the corners show, antialiased, whatever lies behind the card.
    void paddingZeroClipsContent_data() {
        QTest::addColumn<QString>("behind");
        QTest::addColumn<ColorScheme>("scheme");
        for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
            const char* name = scheme == ColorScheme::light ? "light" : "dark";
            QTest::addRow("on the window, %s", name) << QStringLiteral("window") << scheme;
            QTest::addRow("on a sand surface, %s", name) << QStringLiteral("sand") << scheme;
            QTest::addRow("on a panel, %s", name) << QStringLiteral("panel") << scheme;
            QTest::addRow("on a filled widget, %s", name) << QStringLiteral("filled") << scheme;
            QTest::addRow("on a translucent fill, %s", name) << QStringLiteral("translucent") << scheme;
        }
    }

    void paddingZeroClipsContent() {
        QFETCH(QString, behind);
        QFETCH(ColorScheme, scheme);
        Holder holder(QSize(300, 200));
        QWidget* host = &holder.window;
        QColor behindColour = Theme::background.resolve(scheme);
        if (behind == QLatin1String("sand")) {
            auto* sand = sandSurface(Theme::cardRadius, host);
            sand->setGeometry(0, 0, 300, 200);
            host = sand;
            behindColour = Theme::muted.resolve(scheme);
        } else if (behind == QLatin1String("panel")) {
            auto* panel = new Panel(host);
            panel->setGeometry(0, 0, 300, 200);
            auto* page = new QWidget;
            panel->setContent(page);
            host = page;
            behindColour = Theme::panel.resolve(scheme);
        } else if (behind == QLatin1String("filled")) {
            auto* filled = new QWidget(host);
            filled->setGeometry(0, 0, 300, 200);
            filled->setAutoFillBackground(true);
            QPalette palette = filled->palette();
            palette.setColor(QPalette::Window, QColor(0x33, 0x66, 0x99));
            filled->setPalette(palette);
            host = filled;
            behindColour = QColor(0x33, 0x66, 0x99);
        } else if (behind == QLatin1String("translucent")) {
            auto* chip = new Surface(Surface::Look{0, Theme::redBg, std::nullopt, false}, host);
            chip->setGeometry(0, 0, 300, 200);
            host = chip;
            behindColour = test::over(Theme::redBg.resolve(scheme), Theme::background.resolve(scheme));
        }
        auto* card = new Card(CardStyle::surface, 0, host);
        // Content added after the card was made still lies under the cover.
        auto* content = new test::Swatch(Theme::green);
        card->body()->addWidget(content);
        card->setGeometry(40, 40, 200, 100);
        holder.show();
        QVERIFY(card->coversCorners());
        QCOMPARE(content->geometry(), QRect(0, 0, 200, 100));

        const QImage image = test::render(&holder.window, scheme);
        test::saveScreenshot(image, QStringLiteral("surfaces-clip-") + behind +
                                        (scheme == ColorScheme::dark ? QStringLiteral("-dark") : QString()));
        const QPoint origin = card->mapTo(&holder.window, QPoint(0, 0));
        const auto at = [&](qreal x, qreal y) {
            return test::sample(image, QPointF(origin) + QPointF(x, y));
        };
        const QColor green = Theme::green.resolve(scheme);

        FERNHOLM_COMPARE_COLOR(at(100, 50), green, 2);
        const QColor outlined = test::over(Theme::cardEdge.resolve(scheme), green);
        FERNHOLM_COMPARE_COLOR(at(100, 0.25), outlined, 2);
        FERNHOLM_COMPARE_COLOR(at(0.25, 50), outlined, 2);
        FERNHOLM_COMPARE_COLOR(at(199.75, 50), outlined, 2);
        FERNHOLM_COMPARE_COLOR(at(100, 99.75), outlined, 2);
        for (const QPointF corner :
             {QPointF(0.5, 0.5), QPointF(199.5, 0.5), QPointF(0.5, 99.5), QPointF(199.5, 99.5)}) {
            FERNHOLM_COMPARE_COLOR(at(corner.x(), corner.y()), behindColour, 2);
        }
        // Smooth, not a stepped mask: the curve blends the two.
        QVERIFY(hasBlendBetween(image, QPointF(origin) + QPointF(1, 1), QPointF(origin) + QPointF(12, 12), behindColour,
                                green));
    }

    // The same on screen: the window's own painting, also after the content alone repaints.
    void paddingZeroOnScreen() {
        Holder holder(QSize(300, 200));
        auto* panel = new Panel(&holder.window);
        panel->setGeometry(0, 0, 300, 200);
        auto* page = new QWidget;
        panel->setContent(page);
        auto* card = new Card(CardStyle::surface, 0, page);
        auto* content = new test::Swatch(Theme::green);
        card->body()->addWidget(content);
        card->setGeometry(40, 40, 200, 100);
        holder.show();
        QVERIFY(QTest::qWaitForWindowExposed(&holder.window));
        const ColorScheme scheme = Appearance::instance().scheme();
        const QColor behind = Theme::panel.resolve(scheme);
        const auto grab = [&] {
            return holder.window.screen()->grabWindow(holder.window.winId()).toImage();
        };
        const QPoint origin = card->mapTo(&holder.window, QPoint(0, 0));
        QImage image = grab();
        FERNHOLM_COMPARE_COLOR(image.pixelColor(origin + QPoint(1, 1)), behind, 2);
        FERNHOLM_COMPARE_COLOR(image.pixelColor(origin + QPoint(100, 50)), Theme::green.resolve(scheme), 2);
        content->update();
        QCoreApplication::processEvents();
        image = grab();
        FERNHOLM_COMPARE_COLOR(image.pixelColor(origin + QPoint(1, 1)), behind, 2);
        FERNHOLM_COMPARE_COLOR(image.pixelColor(origin + QPoint(198, 98)), behind, 2);
    }

    // The cover comes and goes with the padding, in place.
    void coverFollowsPadding() {
        Holder holder(QSize(300, 200));
        auto* card = new Card(CardStyle::surface, 0, &holder.window);
        card->body()->addWidget(new test::Swatch(Theme::green));
        card->setGeometry(40, 40, 200, 100);
        holder.show();
        QVERIFY(card->coversCorners());
        card->setPadding(Theme::cardPadding);
        test::settle();
        QVERIFY(!card->coversCorners());
        // Rows flush at the sides but inset at the top still reach the corners.
        card->body()->setContentsMargins(0, 6, 0, 6);
        test::settle();
        QVERIFY(card->coversCorners());
        // A muted card never clips.
        auto* muted = new Card(CardStyle::muted, 0, &holder.window);
        muted->setGeometry(0, 0, 100, 50);
        muted->show();
        test::settle();
        QVERIFY(!muted->coversCorners());
    }

    void featureCardDrawsContentDark() {
        Holder holder(QSize(240, 140));
        auto* card = new Card(CardStyle::feature, Theme::cardPadding, &holder.window);
        auto* ink = new test::Swatch(Theme::ink);
        auto* label = new TextLabel(QStringLiteral("Dark"), Fonts::sans(13), Theme::ink);
        card->body()->addWidget(ink);
        card->body()->addWidget(label);
        card->setGeometry(20, 20, 200, 100);
        holder.show();
        QCOMPARE(Appearance::schemeOf(label), ColorScheme::dark);
        const QImage image = test::render(&holder.window, ColorScheme::light);
        const QPoint inkAt = ink->mapTo(&holder.window, ink->rect().center());
        FERNHOLM_COMPARE_COLOR(test::sample(image, inkAt), QColor(0xFA, 0xFA, 0xF9), 0);
        FERNHOLM_COMPARE_COLOR(test::sample(image, {22 + 100, 118}), QColor(0x1E, 0x1E, 0x1E), 0);
    }

    // The column is at most 980 wide and centred; narrower pages shrink it.
    void pageColumn_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<QRect>("section");
        QTest::newRow("wide") << 1200 << QRect(110, 40, 980, 100);
        QTest::newRow("exactly the column and its padding") << 1076 << QRect(48, 40, 980, 100);
        QTest::newRow("narrow") << 600 << QRect(48, 40, 504, 100);
    }

    void pageColumn() {
        QFETCH(int, width);
        QFETCH(QRect, section);
        Page page;
        auto* first = new test::Swatch(Theme::surface, QSize(200, 100));
        auto* narrow = new test::Swatch(Theme::surface, QSize(120, 30));
        page.addWidget(first);
        page.addWidget(narrow, Qt::AlignLeft);
        page.resize(width, 500);
        page.show();
        test::settle();
        QCOMPARE(first->geometry(), section);
        // A section added with an alignment keeps its width, at the leading edge.
        QCOMPARE(narrow->geometry(), QRect(section.left(), section.bottom() + 1 + 24, 120, 30));
        QVERIFY(!page.verticalScrollBar()->isVisible());
        QVERIFY(!page.horizontalScrollBar()->isVisible());
    }

    // Taller content scrolls, both paddings included; changes in place keep the position.
    void pageScrolls() {
        Page page;
        QList<test::Swatch*> sections;
        for (int i = 0; i < 3; ++i) {
            sections << new test::Swatch(Theme::surface, QSize(200, 300));
            page.addWidget(sections.last());
        }
        page.resize(800, 400);
        page.show();
        test::settle();
        const int content = 40 + 3 * 300 + 2 * 24 + 36;
        QCOMPARE(page.content()->height(), content);
        QCOMPARE(page.verticalScrollBar()->maximum(), content - page.viewport()->height());
        // The thumb travels the bar less its end insets, off the panel's rounded corners.
        auto* bar = qobject_cast<ScrollBar*>(page.verticalScrollBar());
        QVERIFY(bar);
        QCOMPARE(bar->thumbRect().top(), bar->endInset());
        QVERIFY(bar->endInset() >= 12);
        page.verticalScrollBar()->setValue(page.verticalScrollBar()->maximum());
        test::settle();
        QCOMPARE(sections.last()->mapTo(&page, QPoint(0, 300)).y() + 36, page.viewport()->height());
        QVERIFY(qAbs(bar->thumbRect().bottom() - (bar->height() - bar->endInset())) < 0.5);

        page.verticalScrollBar()->setValue(200);
        sections.first()->setHint(QSize(200, 500));
        test::settle();
        QCOMPARE(page.content()->height(), content + 200);
        QCOMPARE(page.verticalScrollBar()->value(), 200);
        sections.at(1)->hide();
        test::settle();
        QCOMPARE(page.content()->height(), content + 200 - 300 - 24);
        QCOMPARE(page.verticalScrollBar()->value(), 200);
    }

    // Wrapping text and flowing chips take more rows in a narrower window; the scroll range follows.
    void pageReflows() {
        Page page;
        auto* card = new Card;
        const QString words = QStringLiteral("Pasted text stays on this computer; only placeholders reach the chat. ");
        auto* text = new TextLabel(words.repeated(6), Fonts::sans(14), Theme::ink);
        card->body()->addWidget(text);
        auto* chips = new FlowLayout(8);
        for (int i = 0; i < 12; ++i) {
            chips->addWidget(new TokenChip(QStringLiteral("[PERSON_%1]").arg(i + 1), 12));
        }
        card->body()->addLayout(chips);
        page.addWidget(card);
        page.resize(1100, 300);
        page.show();
        test::settle();
        const int wideText = text->height();
        const int wideContent = page.content()->height();
        QCOMPARE(text->height(), text->heightForWidth(text->width()));

        page.resize(500, 300);
        test::settle();
        QVERIFY(text->height() > wideText);
        QCOMPARE(text->height(), text->heightForWidth(text->width()));
        QVERIFY(page.content()->height() > wideContent);
        QCOMPARE(page.verticalScrollBar()->maximum(), page.content()->height() - page.viewport()->height());
        // Everything still lies inside the card.
        for (QWidget* chip : card->findChildren<TokenChip*>()) {
            QVERIFY(card->rect().contains(chip->geometry()));
        }
        QVERIFY(card->rect().contains(text->geometry()));
    }

    // 12 of space above, below and trailing; none leading. The corners are clipped over content.
    void panel_data() {
        QTest::addColumn<ColorScheme>("scheme");
        QTest::newRow("light") << ColorScheme::light;
        QTest::newRow("dark") << ColorScheme::dark;
    }

    void panel() {
        QFETCH(ColorScheme, scheme);
        Panel panel;
        auto* top = new test::Swatch(Theme::amber, QSize(100, 30));
        auto* content = new test::Swatch(Theme::green);
        panel.setTop(top);
        panel.setContent(content);
        panel.resize(400, 300);
        panel.show();
        test::settle();
        QCOMPARE(panel.surface()->geometry(), QRect(0, 12, 388, 276));
        QCOMPARE(top->geometry(), QRect(0, 0, 388, 30));
        QCOMPARE(content->geometry(), QRect(0, 30, 388, 246));
        QVERIFY(panel.surface()->coversCorners());

        const QImage image = test::render(&panel, scheme);
        const QColor background = Theme::background.resolve(scheme);
        FERNHOLM_COMPARE_COLOR(test::sample(image, {200, 6}), background, 1);
        FERNHOLM_COMPARE_COLOR(test::sample(image, {200, 294}), background, 1);
        FERNHOLM_COMPARE_COLOR(test::sample(image, {394, 150}), background, 1);
        const QColor outline = Theme::line.opacity(0.6).resolve(scheme);
        FERNHOLM_COMPARE_COLOR(test::sample(image, {0.25, 150}), test::over(outline, Theme::green.resolve(scheme)), 2);
        FERNHOLM_COMPARE_COLOR(test::sample(image, {0.5, 12.5}), background, 2);
        FERNHOLM_COMPARE_COLOR(test::sample(image, {387.5, 287.5}), background, 2);

        // Without a top, the content takes its room.
        top->hide();
        test::settle();
        QCOMPARE(content->geometry(), QRect(0, 0, 388, 276));
        // Replacing the content deletes the previous one.
        QPointer<QWidget> previous = content;
        panel.setContent(new test::Swatch(Theme::red));
        QVERIFY(previous.isNull());
    }

    // A page as the screens build it, in a panel: for people to look at.
    void gallery() {
        for (const QString& language : {QStringLiteral("en"), QStringLiteral("pl")}) {
            L10n::setLanguage(language);
            const bool polish = language == QLatin1String("pl");
            Panel panel;
            auto* page = new Page;
            page->addWidget(
                new PageHeader(polish ? QStringLiteral("Aktywność") : QStringLiteral("Activity"),
                               polish ? QStringLiteral("Co Tarvine ukrył lub zablokował w ostatnich zapytaniach.")
                                      : QStringLiteral("What Tarvine hid or blocked in recent requests."),
                               new StatusPill(PillKind::redacted)));

            auto* pills = new QWidget;
            auto* pillRow = new FlowLayout(8, pills);
            for (PillKind kind : {PillKind::redacted, PillKind::passed, PillKind::blocked, PillKind::unfiltered}) {
                pillRow->addWidget(new StatusPill(kind));
            }
            page->addWidget(pills);

            page->addWidget(new SectionLabel(polish ? QStringLiteral("Dziś") : QStringLiteral("Today")));
            auto* list = new Card(CardStyle::surface, 0);
            for (int i = 0; i < 3; ++i) {
                if (i > 0) {
                    list->body()->addWidget(new RowDivider);
                }
                auto* row = new QWidget;
                auto* rowLayout = new QHBoxLayout(row);
                rowLayout->setContentsMargins(20, 14, 20, 14);
                rowLayout->setSpacing(12);
                rowLayout->addWidget(new ProviderTile(i == 0 ? QStringLiteral("claude_web") : QStringLiteral("mistral"),
                                                      32, Theme::tile));
                auto* name = new TextLabel(i == 0 ? QStringLiteral("Claude") : QStringLiteral("Mistral"),
                                           Fonts::sans(14, 500), Theme::ink);
                name->setMaxLines(1);
                rowLayout->addWidget(name, 1);
                rowLayout->addWidget(new TokenChip(QStringLiteral("[EMAIL_%1]").arg(i + 1), 11));
                rowLayout->addWidget(new StatusPill(i == 2 ? PillKind::blocked : PillKind::redacted));
                list->body()->addWidget(row);
            }
            auto* hovered = new test::Swatch(Theme::selected, QSize(10, 44));
            list->body()->addWidget(new RowDivider);
            list->body()->addWidget(hovered);
            page->addWidget(list);

            auto* cards = new QWidget;
            auto* cardRow = new QHBoxLayout(cards);
            cardRow->setContentsMargins(0, 0, 0, 0);
            cardRow->setSpacing(16);
            for (CardStyle style : {CardStyle::surface, CardStyle::muted, CardStyle::feature}) {
                auto* card = new Card(style);
                card->body()->setSpacing(6);
                card->body()->addWidget(Theme::sectionTitle(polish ? QStringLiteral("Karta") : QStringLiteral("Card")));
                card->body()->addWidget(
                    new TextLabel(polish ? QStringLiteral("Tekst w karcie zawija się do jej szerokości.")
                                         : QStringLiteral("Text in a card wraps to its width."),
                                  Fonts::sans(13), Theme::dim));
                cardRow->addWidget(card, 1);
            }
            page->addWidget(cards);
            panel.setContent(page);
            panel.resize(760, 640);
            panel.show();
            test::settle();
            QVERIFY(!test::saveScreenshot(test::lightAndDark(&panel),
                                          polish ? QStringLiteral("surfaces-page-pl") : QStringLiteral("surfaces-page"))
                         .isEmpty());
        }
    }
};

QTEST_MAIN(SurfacesTest)
#include "tst_surfaces.moc"
