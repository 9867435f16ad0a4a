#include "FernholmApp/components/alerts/Banner.h"
#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/text/SelectableText.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Theme.h"
#include "app/support/PixelProbes.h"
#include "app/support/ViewTesting.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

using namespace fernholm;

Q_DECLARE_METATYPE(fernholm::BannerKind)
Q_DECLARE_METATYPE(fernholm::ColorScheme)
Q_DECLARE_METATYPE(std::optional<QString>)
Q_DECLARE_METATYPE(fernholm::ThemeColor)

namespace {

constexpr int width = 420;

QColor rgba(quint32 rgb, double alpha) {
    QColor c = QColor::fromRgb(rgb);
    c.setAlphaF(float(alpha));
    return c;
}

// A banner on screen in a page column `width` wide, as tall as it asks to be there.
struct Shown {
    std::unique_ptr<QWidget> page = std::make_unique<QWidget>();
    Banner* banner = nullptr;
    Banner* operator->() const { return banner; }
    Banner* get() const { return banner; }
    explicit operator bool() const { return banner; }
};

Shown shownBanner(BannerKind kind, const std::optional<QString>& title, const QString& message,
                  const QList<QWidget*>& actions = {}) {
    Shown shown;
    auto* column = new QVBoxLayout(shown.page.get());
    column->setContentsMargins(0, 0, 0, 0);
    auto* banner = new Banner(kind, title, message, actions);
    column->addWidget(banner);
    column->addStretch(1);
    shown.page->resize(width, 600);
    shown.page->show();
    if (QTest::qWaitForWindowExposed(shown.page.get()) && banner->width() == width &&
        banner->height() == banner->heightForWidth(width)) {
        shown.banner = banner;
    }
    return shown;
}

QString paragraphs(int count) {
    QStringList all;
    for (int i = 0; i < count; ++i) {
        all << QStringLiteral("The gateway stopped answering while the request was checked, so nothing was sent.");
    }
    return all.join(QLatin1Char('\n'));
}

} // namespace

class BannerTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { test::useBundledResources(); }

    void textColumn_data() {
        QTest::addColumn<std::optional<QString>>("title");
        QTest::addColumn<int>("columnTop");
        QTest::addColumn<ColorScheme>("scheme");
        QTest::addColumn<ThemeColor>("messageColor");
        const std::optional<QString> none;
        const std::optional<QString> title(QStringLiteral("Couldn't check this text"));
        QTest::newRow("no title, light") << none << 14 + 5 << ColorScheme::light << Theme::ink;
        QTest::newRow("no title, dark") << none << 14 + 5 << ColorScheme::dark << Theme::ink;
        QTest::newRow("title, light") << title << 14 + 3 << ColorScheme::light << Theme::dim;
        QTest::newRow("title, dark") << title << 14 + 3 << ColorScheme::dark << Theme::dim;
    }

    // Where the text column starts and in which colour the message is drawn, with and without
    // a title; the icon sits at the top left either way.
    void textColumn() {
        QFETCH(std::optional<QString>, title);
        QFETCH(int, columnTop);
        QFETCH(ColorScheme, scheme);
        QFETCH(ThemeColor, messageColor);
        const auto banner = shownBanner(BannerKind::error, title, QStringLiteral("Nothing was sent."));
        QVERIFY(banner);
        QCOMPARE(banner->icon()->geometry(), QRect(14, 14, 28, 28));
        const int columnLeft = 14 + 28 + 12;
        QCOMPARE(banner->messageLabel()->x(), columnLeft);
        QCOMPARE(banner->titleLabel()->isVisible(), title.has_value());
        if (title) {
            QCOMPARE(banner->titleLabel()->geometry().topLeft(), QPoint(columnLeft, columnTop));
            QCOMPARE(banner->messageLabel()->y(), banner->titleLabel()->geometry().bottom() + 1 + 3);
        } else {
            QCOMPARE(banner->messageLabel()->y(), columnTop);
        }
        QCOMPARE(banner->messageLabel()->geometry().bottom() + 1 + 14, banner->height());

        const QImage image = test::render(banner.get(), scheme);
        const QColor fill = test::over(Theme::redBg.resolve(scheme), Theme::background.resolve(scheme));
        FERNHOLM_COMPARE_COLOR(test::mostDistinct(image, banner->messageLabel()->geometry(), fill),
                               messageColor.resolve(scheme), 16);
        if (title) {
            FERNHOLM_COMPARE_COLOR(test::mostDistinct(image, banner->titleLabel()->geometry(), fill),
                                   Theme::ink.resolve(scheme), 16);
        }
    }

    void titleAndKindChangeInPlace() {
        const auto banner = shownBanner(BannerKind::error, QStringLiteral("Couldn't check this text"),
                                        QStringLiteral("Nothing was sent."));
        QVERIFY(banner);
        SelectableText* message = banner->messageLabel();
        QCOMPARE(message->color(), Theme::dim);
        banner->setTitle(std::nullopt);
        banner->setMessage(QStringLiteral("Still nothing."));
        QCOMPARE(banner->messageLabel(), message);
        QCOMPARE(banner->title(), std::nullopt);
        QCOMPARE(message->color(), Theme::ink);
        QTRY_COMPARE(message->y(), 14 + 5);
        QCOMPARE(banner->message(), QStringLiteral("Still nothing."));
        banner->setKind(BannerKind::warning);
        const QImage image = test::render(banner.get(), ColorScheme::light);
        FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(width - 4, 30)),
                               Theme::warningBg.resolve(ColorScheme::light), 2);
    }

    void actionRow() {
        auto* retry = new PrimaryButton(QStringLiteral("Try again"), PrimaryButton::Style::smallOutline);
        auto* details = new PrimaryButton(QStringLiteral("Details"), PrimaryButton::Style::smallSand);
        QSignalSpy retried(retry, &QAbstractButton::clicked);
        const auto banner =
            shownBanner(BannerKind::warning, std::nullopt, QStringLiteral("The proxy was left on."), {retry, details});
        QVERIFY(banner);
        QVERIFY(banner->actionRow()->isVisible());
        QCOMPARE(banner->actionRow()->y(), banner->messageLabel()->geometry().bottom() + 1 + 3);
        QCOMPARE(retry->parentWidget(), banner->actionRow());
        QCOMPARE(retry->y(), 6);
        QCOMPARE(retry->x(), 0);
        QCOMPARE(details->x(), retry->geometry().right() + 1 + 8);
        QCOMPARE(retry->size(), retry->sizeHint());
        QCOMPARE(banner->height(), banner->actionRow()->geometry().bottom() + 1 + 14);
        // The actions keep their own behaviour.
        QTest::mouseClick(retry, Qt::LeftButton, {}, retry->rect().center());
        QCOMPARE(retried.count(), 1);

        // Without actions there is no row and no room kept for it.
        banner->setActions({});
        QTRY_VERIFY(!banner->actionRow()->isVisible());
        QTRY_COMPARE(banner->height(), banner->heightForWidth(width));
        QCOMPARE(banner->messageLabel()->geometry().bottom() + 1 + 14, banner->height());
    }

    // Paragraphs add height at a given width; the icon stays at the top; nothing is cut.
    void paragraphsGrowTheBanner() {
        const auto one = shownBanner(BannerKind::error, QStringLiteral("Couldn't send"), paragraphs(1));
        const auto three = shownBanner(BannerKind::error, QStringLiteral("Couldn't send"), paragraphs(3));
        QVERIFY(one && three);
        QVERIFY2(three->height() > one->height() + 2 * 15,
                 qPrintable(QStringLiteral("%1 vs %2").arg(three->height()).arg(one->height())));
        QCOMPARE(three->icon()->geometry(), QRect(14, 14, 28, 28));
        SelectableText* message = three->messageLabel();
        QVERIFY(message->height() >= message->heightForWidth(message->width()));

        // In a page's column, the layout gives it the height its width needs.
        QWidget page;
        auto* column = new QVBoxLayout(&page);
        auto* banner = new Banner(BannerKind::warning, std::nullopt, paragraphs(4));
        column->addWidget(banner);
        column->addStretch(1);
        page.resize(360, 600);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        QTRY_COMPARE(banner->height(), banner->heightForWidth(banner->width()));
        QVERIFY(banner->messageLabel()->height() >=
                banner->messageLabel()->heightForWidth(banner->messageLabel()->width()));
    }

    // A token longer than the line (a key, a hash) breaks inside itself instead of widening the banner.
    void unbreakableTokenWraps() {
        const QString token = QStringLiteral("sk-") + QString(120, QLatin1Char('x'));
        const auto banner = shownBanner(BannerKind::error, std::nullopt, token);
        QVERIFY(banner);
        QVERIFY2(banner->minimumSizeHint().width() < 200,
                 qPrintable(QString::number(banner->minimumSizeHint().width())));
        SelectableText* message = banner->messageLabel();
        QCOMPARE(message->geometry().right(), width - 14 - 1);
        QVERIFY(message->height() > 2 * QFontMetrics(message->font()).lineSpacing());
    }

    void messageIsSelectableTitleIsNot() {
        const auto banner = shownBanner(BannerKind::error, QStringLiteral("Couldn't check this text"),
                                        QStringLiteral("Connection refused by 127.0.0.1"));
        QVERIFY(banner);
        SelectableText* message = banner->messageLabel();
        QVERIFY(message->textInteractionFlags().testFlag(Qt::TextSelectableByMouse));
        QTest::mouseDClick(message->viewport(), Qt::LeftButton, {}, QPoint(8, message->height() / 2));
        QCOMPARE(message->selectedText(), QStringLiteral("Connection"));
        // Dragging across it selects what the pointer passes over.
        QTest::mousePress(message->viewport(), Qt::LeftButton, {}, QPoint(1, message->height() / 2));
        QTest::mouseMove(message->viewport(), QPoint(message->width() - 1, message->height() / 2));
        QTest::mouseRelease(message->viewport(), Qt::LeftButton, {},
                            QPoint(message->width() - 1, message->height() / 2));
        QCOMPARE(message->selectedText(), QStringLiteral("Connection refused by 127.0.0.1"));

        QAccessibleInterface* title = QAccessible::queryAccessibleInterface(banner->titleLabel());
        QVERIFY(title);
        QCOMPARE(title->text(QAccessible::Name), QStringLiteral("Couldn't check this text"));
        QVERIFY(!title->textInterface()); // plain painted text: nothing to select
        QTest::mouseDClick(banner->titleLabel(), Qt::LeftButton, {}, QPoint(8, 8));
        QCOMPARE(QApplication::focusWidget() == banner->titleLabel(), false);
    }

    void colours_data() {
        QTest::addColumn<BannerKind>("kind");
        QTest::addColumn<ColorScheme>("scheme");
        QTest::addColumn<QColor>("fill");
        QTest::addColumn<QColor>("outline");
        QTest::addColumn<QColor>("symbol");
        QTest::newRow("error, light") << BannerKind::error << ColorScheme::light << rgba(0xB51515, 0.09)
                                      << rgba(0xB51515, 0.22) << rgba(0xB51515, 1);
        QTest::newRow("error, dark") << BannerKind::error << ColorScheme::dark << rgba(0xEF7676, 0.12)
                                     << rgba(0xEF7676, 0.22) << rgba(0xEF7676, 1);
        QTest::newRow("warning, light") << BannerKind::warning << ColorScheme::light << rgba(0xFBF3E3, 1)
                                        << rgba(0xE09A0D, 0.32) << rgba(0x8A5A00, 1);
        QTest::newRow("warning, dark") << BannerKind::warning << ColorScheme::dark << rgba(0x2B2416, 1)
                                       << rgba(0xE09A0D, 0.32) << rgba(0xE7AE45, 1);
    }

    void colours() {
        QFETCH(BannerKind, kind);
        QFETCH(ColorScheme, scheme);
        QFETCH(QColor, fill);
        QFETCH(QColor, outline);
        QFETCH(QColor, symbol);
        const auto banner = shownBanner(kind, std::nullopt, QStringLiteral("Nothing was sent."));
        QVERIFY(banner);
        const QImage image = test::render(banner.get(), scheme);
        const QColor inside = test::over(fill, Theme::background.resolve(scheme));
        FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(width - 4, banner->height() / 2.0)), inside, 2);
        FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(width / 2.0, 0.25)), test::over(outline, inside), 2);
        FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(width / 2.0, banner->height() - 0.25)),
                               test::over(outline, inside), 2);
        // Rounded corners (radius 14): the page shows at the very corner.
        FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(0.5, 0.5)), Theme::background.resolve(scheme), 2);

        const QRectF icon(banner->icon()->geometry());
        const QColor circle =
            kind == BannerKind::error ? Theme::redBg.resolve(scheme) : Theme::warningIconBg.resolve(scheme);
        FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(icon.left() + 3, icon.center().y())),
                               test::over(circle, inside), 2);
        FERNHOLM_COMPARE_COLOR(test::mostDistinct(image, icon.adjusted(6, 6, -6, -6), test::over(circle, inside)),
                               symbol, 40);
    }

    void screenshots() {
        for (const bool polish : {false, true}) {
            QWidget page;
            auto* column = new QVBoxLayout(&page);
            column->setContentsMargins(16, 16, 16, 16);
            column->setSpacing(12);
            const auto t = [polish](const char* english, const char* polishText) {
                return polish ? QString::fromUtf8(polishText) : QString::fromUtf8(english);
            };
            column->addWidget(new Banner(BannerKind::error, std::nullopt,
                                         t("Couldn't reach the gateway: connection refused (127.0.0.1:9090).",
                                           "Nie udało się połączyć z bramą: połączenie odrzucone (127.0.0.1:9090)."),
                                         {}, &page));
            column->addWidget(new Banner(
                BannerKind::error, t("Couldn't check this text", "Nie udało się sprawdzić tego tekstu"),
                t("The gateway answered with an error: http(500). Nothing was sent to the chat service.",
                  "Brama odpowiedziała błędem: http(500). Nic nie zostało wysłane do czatu."),
                {new PrimaryButton(t("Try again", "Spróbuj ponownie"), PrimaryButton::Style::small),
                 new PrimaryButton(t("Report a problem", "Zgłoś problem"), PrimaryButton::Style::smallOutline)},
                &page));
            column->addWidget(new Banner(
                BannerKind::warning, t("The system proxy was left on", "Systemowe proxy pozostało włączone"),
                t("Tarvine stopped while it was protecting this computer.\nWeb pages may not load until the proxy "
                  "is cleared.\nA long token without spaces: "
                  "https://example.invalid/a/very/long/path/that/does/not/break/anywhere/at/all/0123456789",
                  "Tarvine zatrzymał się, gdy chronił ten komputer.\nStrony mogą się nie wczytywać, dopóki proxy nie "
                  "zostanie wyłączone.\nDługi ciąg bez spacji: "
                  "https://example.invalid/a/very/long/path/that/does/not/break/anywhere/at/all/0123456789"),
                {new PrimaryButton(t("Turn the proxy off", "Wyłącz proxy"), PrimaryButton::Style::smallSand)}, &page));
            column->addStretch(1);
            page.resize(520, 600);
            page.show();
            QVERIFY(QTest::qWaitForWindowExposed(&page));
            page.resize(520, column->totalHeightForWidth(520));
            QCoreApplication::processEvents();
            // A word selected in the first message, to see the selection's colours.
            SelectableText* first = page.findChild<Banner*>()->messageLabel();
            QTest::mouseDClick(first->viewport(), Qt::LeftButton, {}, QPoint(20, 8));
            QVERIFY(first->hasSelectedText());
            const QString name = polish ? QStringLiteral("controls-banner-pl") : QStringLiteral("controls-banner");
            QVERIFY(!test::saveScreenshot(test::lightAndDark(&page), name).isEmpty());
        }
    }
};

QTEST_MAIN(BannerTest)
#include "tst_banner.moc"
