#include "FernholmApp/components/alerts/AlertHandlers.h"
#include "FernholmApp/components/alerts/AlertIcon.h"
#include "FernholmApp/components/alerts/CriticalAlertViews.h"
#include "FernholmApp/components/alerts/MoreAlertsLine.h"
#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/text/RunsLabel.h"
#include "FernholmApp/components/text/SelectableText.h"
#include "FernholmApp/components/alerts/SnoozeButton.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/components/alerts/WarningAlertViews.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Icons.h"
#include "FernholmApp/theme/TextPainting.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/LayoutTesting.h"
#include "app/support/PixelProbes.h"
#include "app/support/ViewTesting.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QPointer>
#include <QTest>
#include <QVBoxLayout>

#include <cmath>
#include <memory>

using namespace fernholm;

namespace {

enum class Kind { hero, fullCard, compactCard, card, strip };
enum class Role { main, secondary, snooze };

} // namespace

Q_DECLARE_METATYPE(Kind)
Q_DECLARE_METATYPE(Role)
Q_DECLARE_METATYPE(fernholm::AlertLevel)
Q_DECLARE_METATYPE(fernholm::ColorScheme)

namespace {

const AlertAction mainAction = AlertAction::retryProtection();
const AlertAction secondAction =
    AlertAction::openURL(QStringLiteral("Learn more"), QUrl(QStringLiteral("https://example.invalid/help")));

AppAlert makeAlert(AlertLevel level, const QString& title, const QString& body, bool action = true,
                   bool secondary = true) {
    AppAlert alert;
    alert.id = QStringLiteral("alert-%1").arg(int(level));
    alert.level = level;
    alert.title = title;
    alert.body = body;
    if (action) {
        alert.action = mainAction;
    }
    if (secondary) {
        alert.secondary = secondAction;
    }
    return alert;
}

AlertLevel levelOf(Kind kind) {
    return kind == Kind::card || kind == Kind::strip ? AlertLevel::warning : AlertLevel::critical;
}

QWidget* makeView(Kind kind, const AppAlert& alert) {
    switch (kind) {
    case Kind::hero:
        return new CriticalHero(alert);
    case Kind::fullCard:
        return new CriticalCard(alert, false);
    case Kind::compactCard:
        return new CriticalCard(alert, true);
    case Kind::card:
        return new AlertCard(alert);
    case Kind::strip:
        return new AlertStrip(alert);
    }
    return nullptr;
}

QAbstractButton* buttonOf(QWidget* view, Kind kind, Role role) {
    switch (kind) {
    case Kind::hero: {
        auto* hero = static_cast<CriticalHero*>(view);
        return role == Role::main ? hero->mainButton() : role == Role::secondary ? hero->secondaryButton() : nullptr;
    }
    case Kind::fullCard:
    case Kind::compactCard: {
        auto* card = static_cast<CriticalCard*>(view);
        return role == Role::main ? card->mainButton() : role == Role::secondary ? card->secondaryButton() : nullptr;
    }
    case Kind::card: {
        auto* card = static_cast<AlertCard*>(view);
        return role == Role::main        ? static_cast<QAbstractButton*>(card->mainButton())
               : role == Role::secondary ? static_cast<QAbstractButton*>(card->secondaryButton())
                                         : card->snoozeButton();
    }
    case Kind::strip: {
        auto* strip = static_cast<AlertStrip*>(view);
        return role == Role::main     ? static_cast<QAbstractButton*>(strip->mainButton())
               : role == Role::snooze ? strip->snoozeButton()
                                      : nullptr;
    }
    }
    return nullptr;
}

// What the handlers were asked to do.
struct Recorder {
    QList<AlertAction> runs;
    QStringList snoozed;

    AlertHandlers handlers(bool busy = false) {
        return {[this](const AlertAction& action) { runs << action; },
                [this](const AppAlert& alert) { snoozed << alert.id; }, busy};
    }
};

// A window `width` wide holding `view` at the top of a column, laid out and shown.
std::unique_ptr<QWidget> host(QWidget* view, int width = 640) {
    auto root = std::make_unique<QWidget>();
    auto* column = new QVBoxLayout(root.get());
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(view);
    column->addStretch(1);
    root->resize(width, 900);
    root->show();
    if (!QTest::qWaitForWindowExposed(root.get())) {
        return nullptr;
    }
    test::settle();
    return root;
}

void click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

int lines(int count, const QFont& font, qreal spacing = 0) {
    return int(std::ceil(count * Text::lineHeight(font) + (count - 1) * spacing - 1e-6));
}

QString longText(int sentences) {
    QStringList all;
    for (int i = 0; i < sentences; ++i) {
        all << QStringLiteral("The gateway stopped answering while a request was on its way, so nothing was sent.");
    }
    return all.join(QLatin1Char(' '));
}

// The bounding box, in device pixels, of the pixels inside `area` that differ from `fill` by
// more than a third of the way to `ink`.
QRect inkBox(const QImage& image, const QRect& area, const QColor& fill, const QColor& ink) {
    const int full =
        std::abs(ink.red() - fill.red()) + std::abs(ink.green() - fill.green()) + std::abs(ink.blue() - fill.blue());
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int d =
                std::abs(c.red() - fill.red()) + std::abs(c.green() - fill.green()) + std::abs(c.blue() - fill.blue());
            if (3 * d > full) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

} // namespace

class AlertViewsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        test::useBundledResources();
        L10n::setLanguage(QStringLiteral("en"));
    }

    void cleanup() { L10n::setLanguage(QStringLiteral("en")); }

    // --- Handlers ---

    void withoutHandlersSnoozeDoesNothing_data() {
        QTest::addColumn<Kind>("kind");
        QTest::newRow("card") << Kind::card;
        QTest::newRow("strip") << Kind::strip;
    }

    void withoutHandlersSnoozeDoesNothing() {
        QFETCH(Kind, kind);
        QWidget* view = makeView(kind, makeAlert(AlertLevel::warning, QStringLiteral("Update available"), {}));
        const auto root = host(view);
        QVERIFY(root);
        QVERIFY(!AlertHandlers::of(view).busy);
        QAbstractButton* snooze = buttonOf(view, kind, Role::snooze);
        QVERIFY(snooze->isVisible());
        QVERIFY(snooze->isEnabled());
        QCOMPARE(snooze->toolTip(), QStringLiteral("Remind me later"));
        QCOMPARE(snooze->size(), QSize(32, 32));
        click(snooze); // nothing to call: nothing happens
        QVERIFY(snooze->isVisible());
        // Some handlers set above later are the ones a click reaches.
        Recorder recorder;
        AlertHandlers::set(root.get(), recorder.handlers());
        click(snooze);
        QCOMPARE(recorder.snoozed, QStringList{QStringLiteral("alert-1")});
    }

    void eachButtonPassesItsOwn_data() {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<Role>("role");
        QTest::newRow("hero main") << Kind::hero << Role::main;
        QTest::newRow("hero secondary") << Kind::hero << Role::secondary;
        QTest::newRow("full card main") << Kind::fullCard << Role::main;
        QTest::newRow("full card secondary") << Kind::fullCard << Role::secondary;
        QTest::newRow("compact card main") << Kind::compactCard << Role::main;
        QTest::newRow("card main") << Kind::card << Role::main;
        QTest::newRow("card secondary") << Kind::card << Role::secondary;
        QTest::newRow("card snooze") << Kind::card << Role::snooze;
        QTest::newRow("strip main") << Kind::strip << Role::main;
        QTest::newRow("strip snooze") << Kind::strip << Role::snooze;
    }

    void eachButtonPassesItsOwn() {
        QFETCH(Kind, kind);
        QFETCH(Role, role);
        const AppAlert alert = makeAlert(levelOf(kind), QStringLiteral("Something needs you"),
                                         QStringLiteral("Details of what happened."));
        QWidget* view = makeView(kind, alert);
        const auto root = host(view);
        QVERIFY(root);
        Recorder recorder;
        AlertHandlers::set(root.get(), recorder.handlers());
        QAbstractButton* button = buttonOf(view, kind, role);
        QVERIFY(button && button->isVisible());
        click(button);
        if (role == Role::snooze) {
            QCOMPARE(recorder.snoozed, QStringList{alert.id});
            QVERIFY(recorder.runs.isEmpty());
        } else {
            QCOMPARE(recorder.runs.size(), 1);
            QCOMPARE(recorder.runs.first(), role == Role::main ? mainAction : secondAction);
            QVERIFY(recorder.snoozed.isEmpty());
        }
    }

    // The handlers are looked up at the click: set again, cleared, or nearer ones below.
    void handlersFoundAtTheClick() {
        auto* strip = new AlertStrip(makeAlert(AlertLevel::warning, QStringLiteral("Proxy"), {}));
        auto* middle = new QWidget;
        auto* inner = new QVBoxLayout(middle);
        inner->addWidget(strip);
        const auto root = host(middle);
        QVERIFY(root);
        Recorder first;
        Recorder second;
        Recorder nearer;
        AlertHandlers::set(root.get(), first.handlers());
        AlertHandlers::set(root.get(), second.handlers());
        click(strip->mainButton());
        QCOMPARE(first.runs.size(), 0);
        QCOMPARE(second.runs.size(), 1);

        AlertHandlers::set(middle, nearer.handlers());
        click(strip->snoozeButton());
        QCOMPARE(nearer.snoozed.size(), 1);
        QCOMPARE(second.snoozed.size(), 0);

        AlertHandlers::clear(middle);
        QVERIFY(!AlertHandlers::isSetOn(middle));
        click(strip->snoozeButton());
        QCOMPARE(second.snoozed.size(), 1);
        QCOMPARE(nearer.snoozed.size(), 1);
    }

    // A snooze handler that deletes the view (the next layout leaves the alert out) is safe.
    void handlerMayDeleteTheView() {
        auto* strip = new AlertStrip(makeAlert(AlertLevel::notice, QStringLiteral("Update available"), {}));
        QPointer<AlertStrip> guard(strip);
        const auto root = host(strip);
        QVERIFY(root);
        QString snoozed;
        AlertHandlers::set(root.get(), {{}, [&](const AppAlert& alert) {
                                            snoozed = alert.id;
                                            delete guard.data();
                                        }});
        click(strip->snoozeButton());
        QCOMPARE(snoozed, QStringLiteral("alert-0"));
        QVERIFY(guard.isNull());
    }

    void busyTable_data() {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<Role>("role");
        QTest::addColumn<bool>("enabledWhileBusy");
        QTest::newRow("hero main") << Kind::hero << Role::main << false;
        QTest::newRow("hero secondary") << Kind::hero << Role::secondary << true;
        QTest::newRow("full card main") << Kind::fullCard << Role::main << false;
        QTest::newRow("full card outline") << Kind::fullCard << Role::secondary << true;
        QTest::newRow("compact card main") << Kind::compactCard << Role::main << false;
        QTest::newRow("card main") << Kind::card << Role::main << false;
        QTest::newRow("card secondary") << Kind::card << Role::secondary << false;
        QTest::newRow("card snooze") << Kind::card << Role::snooze << true;
        QTest::newRow("strip main") << Kind::strip << Role::main << false;
        QTest::newRow("strip snooze") << Kind::strip << Role::snooze << true;
    }

    // Busy disables the main actions at once and frees them again; a disabled button runs nothing.
    void busyTable() {
        QFETCH(Kind, kind);
        QFETCH(Role, role);
        QFETCH(bool, enabledWhileBusy);
        QWidget* view = makeView(kind, makeAlert(levelOf(kind), QStringLiteral("Title"), QStringLiteral("Body")));
        const auto root = host(view);
        QVERIFY(root);
        Recorder recorder;
        AlertHandlers::set(root.get(), recorder.handlers(true));
        QAbstractButton* button = buttonOf(view, kind, role);
        QVERIFY(button && button->isVisible());
        QCOMPARE(button->isEnabled(), enabledWhileBusy);
        click(button);
        QCOMPARE(recorder.runs.size() + recorder.snoozed.size(), enabledWhileBusy ? 1 : 0);

        AlertHandlers::setBusy(root.get(), false);
        QVERIFY(button->isEnabled());
        AlertHandlers::setBusy(root.get(), true);
        QCOMPARE(button->isEnabled(), enabledWhileBusy);
    }

    // A view made elsewhere and moved under a busy window follows it; one made inside starts so.
    void busyFollowsWhereTheViewIs() {
        Recorder recorder;
        QWidget busyRoot;
        AlertHandlers::set(&busyRoot, recorder.handlers(true));
        AlertCard inside(makeAlert(AlertLevel::warning, QStringLiteral("Title"), {}), &busyRoot);
        QVERIFY(!inside.mainButton()->isEnabled());

        auto* strip = new AlertStrip(makeAlert(AlertLevel::warning, QStringLiteral("Title"), {}));
        const auto idle = host(strip);
        QVERIFY(idle);
        QVERIFY(strip->mainButton()->isEnabled());
        auto* column = new QVBoxLayout(&busyRoot);
        column->addWidget(strip);
        busyRoot.resize(500, 200);
        busyRoot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&busyRoot));
        QTRY_VERIFY(!strip->mainButton()->isEnabled());
        QVERIFY(strip->snoozeButton()->isEnabled());
        AlertHandlers::clear(&busyRoot);
        QVERIFY(strip->mainButton()->isEnabled());
        QVERIFY(inside.mainButton()->isEnabled());
    }

    // --- Small views ---

    void alertIcon_data() {
        QTest::addColumn<AlertLevel>("level");
        QTest::addColumn<ColorScheme>("scheme");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<const ThemeColor*>("circle");
        QTest::addColumn<const ThemeColor*>("ink");
        const QString info = QStringLiteral("info.circle");
        const QString triangle = QStringLiteral("exclamationmark.triangle");
        for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
            const char* suffix = scheme == ColorScheme::light ? "light" : "dark";
            QTest::addRow("critical, %s", suffix)
                << AlertLevel::critical << scheme << info << &Theme::noticeIconBg << &Theme::dim;
            QTest::addRow("warning, %s", suffix)
                << AlertLevel::warning << scheme << triangle << &Theme::warningIconBg << &Theme::warningInk;
            QTest::addRow("notice, %s", suffix)
                << AlertLevel::notice << scheme << info << &Theme::noticeIconBg << &Theme::dim;
        }
    }

    // The circle and the symbol in the level's colours, the symbol 0.48 x the diameter.
    void alertIcon() {
        QFETCH(AlertLevel, level);
        QFETCH(ColorScheme, scheme);
        QFETCH(QString, symbol);
        QFETCH(const ThemeColor*, circle);
        QFETCH(const ThemeColor*, ink);
        AlertIcon icon(level, 32);
        QCOMPARE(icon.size(), QSize(32, 32));
        QCOMPARE(icon.symbolName(), symbol);
        QCOMPARE(icon.symbolSize(), 15.36);
        const qreal dpr = 4;
        const QImage image = test::render(&icon, scheme, dpr);
        const QColor fill = test::over(circle->resolve(scheme), Theme::background.resolve(scheme));
        FERNHOLM_COMPARE_COLOR(test::sample(image, {3, 16}), fill, 2);
        FERNHOLM_COMPARE_COLOR(test::sample(image, {0.3, 0.3}), Theme::background.resolve(scheme), 2);
        FERNHOLM_COMPARE_COLOR(test::mostDistinct(image, QRectF(8, 8, 16, 16), fill), ink->resolve(scheme), 40);

        // The symbol's ink covers what the symbol drawn alone in a 15.36 box centred there covers.
        QImage alone(image.size(), QImage::Format_ARGB32_Premultiplied);
        alone.setDevicePixelRatio(dpr);
        alone.fill(fill);
        {
            QPainter painter(&alone);
            painter.setRenderHint(QPainter::Antialiasing);
            const qreal s = 15.36;
            Icons::paint(painter, symbol, QRectF(16 - s / 2, 16 - s / 2, s, s), IconWeight::regular,
                         ink->resolve(scheme));
        }
        const QRect inner(24, 24, 80, 80); // inside the circle, in device pixels
        const QRect shown = inkBox(image, inner, fill, ink->resolve(scheme));
        const QRect expected = inkBox(alone, inner, fill, ink->resolve(scheme));
        QVERIFY(!expected.isEmpty());
        QVERIFY2(std::abs(shown.left() - expected.left()) <= 1 && std::abs(shown.right() - expected.right()) <= 1 &&
                     std::abs(shown.top() - expected.top()) <= 1 && std::abs(shown.bottom() - expected.bottom()) <= 1,
                 qPrintable(QStringLiteral("ink %1,%2 %3x%4, expected %5,%6 %7x%8")
                                .arg(shown.x())
                                .arg(shown.y())
                                .arg(shown.width())
                                .arg(shown.height())
                                .arg(expected.x())
                                .arg(expected.y())
                                .arg(expected.width())
                                .arg(expected.height())));
    }

    void moreAlertsLine_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("text");
        QTest::newRow("en 1") << "en" << 1 << "1 more needs attention";
        QTest::newRow("en 5") << "en" << 5 << "5 more need attention";
        QTest::newRow("pl 1 (one)") << "pl" << 1 << "Jeszcze 1 alert wymaga uwagi";
        QTest::newRow("pl 2 (few)") << "pl" << 2 << "Jeszcze 2 alerty wymagają uwagi";
        QTest::newRow("pl 5 (many)") << "pl" << 5 << "Jeszcze 5 alertów wymaga uwagi";
        QTest::newRow("pl 22 (few)") << "pl" << 22 << "Jeszcze 22 alerty wymagają uwagi";
    }

    void moreAlertsLine() {
        QFETCH(QString, language);
        QFETCH(int, count);
        QFETCH(QString, text);
        L10n::setLanguage(language);
        auto* line = new MoreAlertsLine(count);
        const auto root = host(line, 400);
        QVERIFY(root);
        QCOMPARE(line->text(), text);
        QCOMPARE(line->label()->geometry().topLeft(), QPoint(4, 0));
        QCOMPARE(line->label()->font().pixelSize(), 13);
        QCOMPARE(line->label()->color(), Theme::dim);
        line->setCount(count + 1);
        QVERIFY(line->text() != text);
    }

    // --- Critical alerts ---

    void heroParts_data() {
        QTest::addColumn<bool>("action");
        QTest::addColumn<bool>("secondary");
        QTest::addColumn<QString>("body");
        QTest::newRow("both buttons") << true << true << "What you send goes out unchanged.";
        QTest::newRow("main only") << true << false << "What you send goes out unchanged.";
        QTest::newRow("secondary only") << false << true << "What you send goes out unchanged.";
        QTest::newRow("no buttons") << false << false << "What you send goes out unchanged.";
        QTest::newRow("no body") << true << true << "";
        QTest::newRow("kicker and title alone") << false << false << "";
    }

    // The parts present and where they sit: kicker row, title, body, button row, padding 28.
    void heroParts() {
        QFETCH(bool, action);
        QFETCH(bool, secondary);
        QFETCH(QString, body);
        auto* hero = new CriticalHero(
            makeAlert(AlertLevel::critical, QStringLiteral("Tarvine stopped"), body, action, secondary));
        const auto root = host(hero, 720);
        QVERIFY(root);
        QCOMPARE(hero->width(), 720);
        QCOMPARE(hero->height(), hero->heightForWidth(720));
        QCOMPARE(hero->kicker()->text(), QStringLiteral("NOT PROTECTED"));
        QCOMPARE(hero->dot()->geometry().topLeft().x(), 28);
        QCOMPARE(hero->dot()->size(), QSize(10, 10));
        QVERIFY(std::abs(QRectF(hero->dot()->geometry()).center().y() -
                         QRectF(hero->kicker()->geometry()).center().y()) <= 1);
        QCOMPARE(hero->kicker()->geometry().topLeft(), QPoint(48, 28));
        QCOMPARE(hero->titleLabel()->geometry().topLeft(), QPoint(28, hero->kicker()->geometry().bottom() + 1 + 10));
        QCOMPARE(hero->bodyLabel()->isVisible(), !body.isEmpty());
        int bottom = hero->titleLabel()->geometry().bottom() + 1;
        if (!body.isEmpty()) {
            QCOMPARE(hero->bodyLabel()->geometry().topLeft(), QPoint(28, bottom + 10));
            bottom = hero->bodyLabel()->geometry().bottom() + 1;
        }
        QCOMPARE(hero->buttonRow()->isVisible(), action || secondary);
        QCOMPARE(hero->mainButton()->isVisible(), action);
        QCOMPARE(hero->secondaryButton()->isVisible(), secondary);
        if (action || secondary) {
            QCOMPARE(hero->buttonRow()->geometry().topLeft(), QPoint(28, bottom + 20));
            bottom = hero->buttonRow()->geometry().bottom() + 1;
            QAbstractButton* first = action ? hero->mainButton() : hero->secondaryButton();
            QCOMPARE(first->geometry().topLeft(), QPoint(0, 0));
            QCOMPARE(first->height(), 44);
            if (action && secondary) {
                QCOMPARE(hero->secondaryButton()->x(), hero->mainButton()->geometry().right() + 1 + 10);
            }
            if (action) {
                QCOMPARE(hero->mainButton()->text(), QStringLiteral("Try again"));
            }
        }
        QCOMPARE(hero->height(), bottom + 28);
    }

    // Title wraps and is never cut; the body stays within 560 and wraps in full.
    void heroLongTexts() {
        auto* hero = new CriticalHero(
            makeAlert(AlertLevel::critical,
                      QStringLiteral("Tarvine stopped and the system proxy is still pointing at it"), longText(4)));
        const auto root = host(hero, 760);
        QVERIFY(root);
        TextLabel* title = hero->titleLabel();
        QCOMPARE(title->width(), 760 - 2 * 28);
        QVERIFY(!title->isTruncated());
        QCOMPARE(title->height(), title->heightForWidth(title->width()));
        QVERIFY(title->height() >= lines(2, title->font()));
        SelectableText* body = hero->bodyLabel();
        QCOMPARE(body->width(), 560);
        QVERIFY(body->height() >= body->heightForWidth(560));
        QVERIFY(body->height() >= lines(3, body->font(), 3));
        QCOMPARE(hero->height(), hero->heightForWidth(760));
        // Narrower than the body's cap, the body takes the column.
        root->resize(420, 900);
        test::settle();
        QCOMPARE(body->width(), 420 - 2 * 28);
        QCOMPARE(hero->height(), hero->heightForWidth(420));
        QVERIFY(body->height() >= body->heightForWidth(body->width()));
    }

    void heroKickerInPolish() {
        L10n::setLanguage(QStringLiteral("pl"));
        CriticalHero hero(makeAlert(AlertLevel::critical, QStringLiteral("Tarvine nie działa"), {}));
        QCOMPARE(hero.kicker()->text(), QStringLiteral("BRAK OCHRONY"));
    }

    void heroColours_data() {
        QTest::addColumn<ColorScheme>("scheme");
        QTest::newRow("light") << ColorScheme::light;
        QTest::newRow("dark") << ColorScheme::dark;
    }

    void heroColours() {
        QFETCH(ColorScheme, scheme);
        auto* hero = new CriticalHero(makeAlert(AlertLevel::critical, QStringLiteral("Tarvine stopped"),
                                                QStringLiteral("Nothing is protected.")));
        const auto root = host(hero, 640);
        QVERIFY(root);
        const QImage image = test::render(hero, scheme);
        const QColor card = Theme::criticalCard.resolve(scheme);
        FERNHOLM_COMPARE_COLOR(test::sample(image, {hero->width() - 6.0, hero->height() / 2.0}), card, 2);
        FERNHOLM_COMPARE_COLOR(test::sample(image, {hero->width() / 2.0, 0.25}),
                               test::over(Theme::criticalEdge.resolve(scheme), card), 3);
        FERNHOLM_COMPARE_COLOR(test::sample(image, {0.5, 0.5}), Theme::background.resolve(scheme), 2);
        // The dot on its halo.
        const QPointF dot = QRectF(hero->dot()->geometry()).center();
        FERNHOLM_COMPARE_COLOR(test::sample(image, dot), Theme::critical.resolve(scheme), 2);
        FERNHOLM_COMPARE_COLOR(test::sample(image, dot + QPointF(0, -7.5)),
                               test::over(Theme::critical.opacity(0.18).resolve(scheme), card), 3);
        FERNHOLM_COMPARE_COLOR(test::sample(image, dot + QPointF(0, -11)), card, 2);
        FERNHOLM_COMPARE_COLOR(test::mostDistinct(image, hero->kicker()->geometry(), card),
                               Theme::critical.resolve(scheme), 40);
        FERNHOLM_COMPARE_COLOR(test::mostDistinct(image, hero->titleLabel()->geometry(), card),
                               Theme::onFeature.resolve(scheme), 40);
        FERNHOLM_COMPARE_COLOR(test::mostDistinct(image, hero->bodyLabel()->geometry(), card),
                               Theme::onFeatureDim.resolve(scheme), 40);
        // The main button: a light capsule with a near-black label in both schemes.
        const QRect main(hero->mainButton()->mapTo(hero, QPoint()), hero->mainButton()->size());
        const QColor capsule = Theme::onFeature.resolve(scheme);
        FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(main.topLeft()) + QPointF(10, 6)), capsule, 2);
        FERNHOLM_COMPARE_COLOR(test::mostDistinct(image, main.adjusted(12, 8, -12, -8), capsule), QColor(0x1E1E1E), 40);
        const QRect second(hero->secondaryButton()->mapTo(hero, QPoint()), hero->secondaryButton()->size());
        FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(second.topLeft()) + QPointF(4, 4)), card, 2);
        FERNHOLM_COMPARE_COLOR(test::mostDistinct(image, second, card), Theme::onFeatureDim.resolve(scheme), 40);
    }

    void criticalCardButtons_data() {
        QTest::addColumn<bool>("compact");
        QTest::addColumn<bool>("action");
        QTest::addColumn<bool>("secondary");
        QTest::addColumn<bool>("mainShown");
        QTest::addColumn<bool>("secondaryShown");
        QTest::newRow("compact, both") << true << true << true << true << false;
        QTest::newRow("compact, secondary only") << true << false << true << false << false;
        QTest::newRow("compact, none") << true << false << false << false << false;
        QTest::newRow("full, both") << false << true << true << true << true;
        QTest::newRow("full, secondary only") << false << false << true << false << true;
        QTest::newRow("full, none") << false << false << false << false << false;
    }

    // Which buttons show, at their natural size on the right; the texts take the rest.
    void criticalCardButtons() {
        QFETCH(bool, compact);
        QFETCH(bool, action);
        QFETCH(bool, secondary);
        QFETCH(bool, mainShown);
        QFETCH(bool, secondaryShown);
        auto* card = new CriticalCard(makeAlert(AlertLevel::critical, QStringLiteral("Protection couldn't start"),
                                                QStringLiteral("Port 9090 is taken."), action, secondary),
                                      compact);
        const auto root = host(card, 640);
        QVERIFY(root);
        QCOMPARE(card->mainButton()->isVisible(), mainShown);
        QCOMPARE(card->secondaryButton()->isVisible(), secondaryShown);
        QCOMPARE(card->height(), card->heightForWidth(640));
        QCOMPARE(card->dot()->x(), 16);
        QCOMPARE(card->titleLabel()->mapTo(card, QPoint()).x(), 16 + 8 + 12);
        QWidget* last = mainShown ? card->mainButton() : secondaryShown ? card->secondaryButton() : nullptr;
        if (last) {
            QCOMPARE(last->geometry().right(), 640 - 10 - 1);
            QCOMPARE(last->size(), last->sizeHint());
            QCOMPARE(last->height(), 32);
            // At least 8 (and the row's spacing on either side) between the texts and the buttons.
            const QWidget* first = secondaryShown ? card->secondaryButton() : last;
            QVERIFY(first->x() - (card->titleLabel()->mapTo(card, QPoint()).x() + card->titleLabel()->width()) >=
                    12 + 8 + 12);
        }
        if (mainShown && secondaryShown) {
            QCOMPARE(card->mainButton()->x(), card->secondaryButton()->geometry().right() + 1 + 12);
        }
        if (!compact) {
            // Top-aligned: the dot 6 below the top padding, buttons at the top padding.
            QCOMPARE(card->dot()->y(), 14);
            QCOMPARE(card->dot()->height(), 8 + 6);
            if (last) {
                QCOMPARE(last->y(), 14);
            }
        }
    }

    // The full card's outline button is drawn dark in either scheme.
    void fullCardOutlineIsDark() {
        auto* card = new CriticalCard(
            makeAlert(AlertLevel::critical, QStringLiteral("Protection couldn't start"), QStringLiteral("Body")),
            false);
        const auto root = host(card, 640);
        QVERIFY(root);
        PrimaryButton* outline = card->secondaryButton();
        QCOMPARE(outline->style(), PrimaryButton::Style::smallOutline);
        QVERIFY(!outline->showsArrow());
        const QImage image = test::render(card, ColorScheme::light);
        const QRect area(outline->mapTo(card, QPoint()), outline->size());
        FERNHOLM_COMPARE_COLOR(
            test::mostDistinct(image, area.adjusted(10, 6, -10, -6), Theme::criticalCard.resolve(ColorScheme::light)),
            Theme::ink.resolve(ColorScheme::dark), 40);
    }

    // Compact with no body: the title and the button share the row's middle.
    void compactRowStaysCentred() {
        auto* card = new CriticalCard(makeAlert(AlertLevel::critical, QStringLiteral("Tarvine stopped"), {}), true);
        const auto root = host(card, 600);
        QVERIFY(root);
        QVERIFY(!card->bodyLabel()->isVisible());
        const int middle = card->height() / 2;
        QCOMPARE(card->height(), 10 + 32 + 10);
        QVERIFY(std::abs(card->titleLabel()->mapTo(card, card->titleLabel()->rect().center()).y() - middle) <= 1);
        QVERIFY(std::abs(card->mainButton()->geometry().center().y() - middle) <= 1);
        QVERIFY(std::abs(card->dot()->geometry().center().y() - middle) <= 1);
    }

    // Compact: a long body is cut after two lines. Full: it grows to show everything.
    void criticalCardLongBody() {
        auto* compact = new CriticalCard(
            makeAlert(AlertLevel::critical, QStringLiteral("Tarvine couldn't start"), longText(4)), true);
        auto* full = new CriticalCard(
            makeAlert(AlertLevel::critical, QStringLiteral("Tarvine couldn't start"), longText(4)), false);
        const auto compactRoot = host(compact, 560);
        const auto fullRoot = host(full, 560);
        QVERIFY(compactRoot && fullRoot);
        SelectableText* cut = compact->bodyLabel();
        QVERIFY(cut->shownText() != cut->text());
        QVERIFY(cut->shownText().endsWith(QStringLiteral("…")));
        QCOMPARE(cut->shownText().count(QLatin1Char('\n')), 1);
        QCOMPARE(cut->text(), longText(4));
        QVERIFY2(qAbs(cut->height() - lines(2, cut->font())) <= 2,
                 qPrintable(QStringLiteral("%1 high for two lines of %2").arg(cut->height()).arg(lines(2, cut->font()))));
        // Selectable and copyable: selecting all that shows copies the whole body.
        QVERIFY(cut->textInteractionFlags().testFlag(Qt::TextSelectableByMouse));
        cut->selectAll();
        cut->copy();
        QCOMPARE(QGuiApplication::clipboard()->text(), longText(4));
        auto* whole = qobject_cast<SelectableText*>(full->bodyLabel());
        QVERIFY(whole);
        QVERIFY(whole->height() >= whole->heightForWidth(whole->width()));
        QVERIFY(whole->height() >= lines(4, whole->font()));
        QCOMPARE(full->height(), full->heightForWidth(560));
        QVERIFY(whole->textInteractionFlags().testFlag(Qt::TextSelectableByMouse));
    }

    // --- Warnings and notices ---

    void stripText_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("text");
        QTest::newRow("title and body") << "Restart it to finish."
                                        << "Update ready — Restart it to finish.";
        QTest::newRow("empty body: no dash") << ""
                                             << "Update ready";
    }

    void stripText() {
        QFETCH(QString, body);
        QFETCH(QString, text);
        auto* strip = new AlertStrip(makeAlert(AlertLevel::notice, QStringLiteral("Update ready"), body));
        const auto root = host(strip, 600);
        QVERIFY(root);
        QCOMPARE(strip->textLabel()->text(), text);
        QCOMPARE(strip->textLabel()->shownLines(strip->textLabel()->width()), QStringList{text});
        QCOMPARE(strip->symbol()->geometry().topLeft().x(), 14);
        QCOMPARE(strip->textLabel()->x(), 14 + 14 + 12);
        QCOMPARE(strip->snoozeButton()->geometry().right(), 600 - 10 - 1);
        QCOMPARE(strip->mainButton()->geometry().right() + 1 + 12, strip->snoozeButton()->x());
        QCOMPARE(strip->height(), 10 + 32 + 10);
        QVERIFY(std::abs(strip->symbol()->geometry().center().y() - strip->height() / 2) <= 1);
    }

    // A long body is cut after two lines with "…", the title first on the first line.
    void stripCutsAfterTwoLines() {
        auto* strip =
            new AlertStrip(makeAlert(AlertLevel::warning, QStringLiteral("Chrome bypasses the proxy"), longText(3)));
        const auto root = host(strip, 520);
        QVERIFY(root);
        RunsLabel* text = strip->textLabel();
        const QStringList shown = text->shownLines(text->width());
        QCOMPARE(shown.size(), 2);
        QVERIFY(shown.first().startsWith(QStringLiteral("Chrome bypasses the proxy — The gateway")));
        QVERIFY(shown.last().endsWith(QChar(0x2026)));
        QVERIFY(text->isTruncated(text->width()));
        QCOMPARE(text->height(), lines(2, Fonts::sans(13)));
        QCOMPARE(strip->height(), strip->heightForWidth(520));
        // Nothing is cut when there is room.
        root->resize(4000, 900);
        test::settle();
        QVERIFY(!text->isTruncated(text->width()));
    }

    void cardParts_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("action");
        QTest::addColumn<bool>("secondary");
        QTest::newRow("everything") << "Open the settings to choose." << true << true;
        QTest::newRow("secondary only") << "Open the settings to choose." << false << true;
        QTest::newRow("main only, no body") << "" << true << false;
        QTest::newRow("no buttons") << "Open the settings to choose." << false << false;
    }

    // The icon, the texts (7 lower without a body), the buttons at the top right, the snooze last.
    void cardParts() {
        QFETCH(QString, body);
        QFETCH(bool, action);
        QFETCH(bool, secondary);
        auto* card = new AlertCard(
            makeAlert(AlertLevel::warning, QStringLiteral("Detection model not loaded"), body, action, secondary));
        const auto root = host(card, 640);
        QVERIFY(root);
        QCOMPARE(card->icon()->geometry(), QRect(18, 16, 32, 32));
        QCOMPARE(card->textColumn()->geometry().topLeft(), QPoint(18 + 32 + 14, 16));
        QCOMPARE(card->titleLabel()->y(), body.isEmpty() ? 7 : 0);
        QCOMPARE(card->bodyLabel()->isVisible(), !body.isEmpty());
        if (!body.isEmpty()) {
            QCOMPARE(card->bodyLabel()->y(), card->titleLabel()->geometry().bottom() + 1 + 3);
        }
        QCOMPARE(card->mainButton()->isVisible(), action);
        QCOMPARE(card->secondaryButton()->isVisible(), secondary);
        QVERIFY(card->snoozeButton()->isVisible());
        QCOMPARE(card->snoozeButton()->geometry(), QRect(640 - 10 - 32, 16, 32, 32));
        int right = card->snoozeButton()->x();
        for (PrimaryButton* button : {card->mainButton(), card->secondaryButton()}) {
            if (button->isVisible()) {
                QCOMPARE(button->geometry().right() + 1 + 14, right);
                QCOMPARE(button->y(), 16);
                QCOMPARE(button->size(), button->sizeHint());
                right = button->x();
            }
        }
        QCOMPARE(card->height(), card->heightForWidth(640));
    }

    // A long body wraps in full, and so does the title; the card grows for both.
    void cardWrapsInFull() {
        auto* card = new AlertCard(makeAlert(AlertLevel::notice, longText(1), longText(5)));
        const auto root = host(card, 560);
        QVERIFY(root);
        QVERIFY(!card->titleLabel()->isTruncated());
        QVERIFY(card->titleLabel()->height() >= lines(2, card->titleLabel()->font()));
        SelectableText* body = card->bodyLabel();
        QVERIFY(body->height() >= body->heightForWidth(body->width()));
        QVERIFY(body->height() >= lines(4, body->font(), 2));
        QCOMPARE(card->height(), card->heightForWidth(560));
        QCOMPARE(card->height(), 16 + card->textColumn()->height() + 16);
    }

    void levelLooks_data() {
        QTest::addColumn<AlertLevel>("level");
        QTest::addColumn<ColorScheme>("scheme");
        QTest::addColumn<const ThemeColor*>("fill");
        QTest::addColumn<bool>("outlined");
        QTest::addColumn<const ThemeColor*>("symbol");
        QTest::addColumn<PrimaryButton::Style>("style");
        for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
            const char* suffix = scheme == ColorScheme::light ? "light" : "dark";
            QTest::addRow("warning, %s", suffix) << AlertLevel::warning << scheme << &Theme::warningBg << true
                                                 << &Theme::warningInk << PrimaryButton::Style::small;
            QTest::addRow("notice, %s", suffix) << AlertLevel::notice << scheme << &Theme::muted << false << &Theme::dim
                                                << PrimaryButton::Style::smallWhite;
        }
    }

    // Fill, outline, symbol colour and main button style of cards and strips by level.
    void levelLooks() {
        QFETCH(AlertLevel, level);
        QFETCH(ColorScheme, scheme);
        QFETCH(const ThemeColor*, fill);
        QFETCH(bool, outlined);
        QFETCH(const ThemeColor*, symbol);
        QFETCH(PrimaryButton::Style, style);
        auto* column = new QWidget;
        auto* layout = new QVBoxLayout(column);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        auto* card = new AlertCard(makeAlert(level, QStringLiteral("Title"), QStringLiteral("Body")));
        auto* strip = new AlertStrip(makeAlert(level, QStringLiteral("Title"), QStringLiteral("Body")));
        layout->addWidget(card);
        layout->addWidget(strip);
        const auto root = host(column, 520);
        QVERIFY(root);
        QCOMPARE(card->mainButton()->style(), style);
        QCOMPARE(card->secondaryButton()->style(), PrimaryButton::Style::smallOutline);
        QCOMPARE(strip->mainButton()->style(), style);
        QVERIFY(!strip->mainButton()->showsArrow());
        const QColor background = Theme::background.resolve(scheme);
        const QColor inside = test::over(fill->resolve(scheme), background);
        const QColor edge = outlined ? test::over(Theme::warningEdge.resolve(scheme), inside) : inside;
        for (QWidget* view : {static_cast<QWidget*>(card), static_cast<QWidget*>(strip)}) {
            const QImage image = test::render(view, scheme);
            FERNHOLM_COMPARE_COLOR(test::sample(image, {view->width() - 5.0, view->height() / 2.0}), inside, 2);
            FERNHOLM_COMPARE_COLOR(test::sample(image, {view->width() / 2.0, 0.25}), edge, 2);
            FERNHOLM_COMPARE_COLOR(test::sample(image, {0.5, 0.5}), background, 2);
        }
        const QImage cardImage = test::render(card, scheme);
        const QRectF icon(card->icon()->geometry());
        const QColor iconFill = test::over(
            (level == AlertLevel::warning ? Theme::warningIconBg : Theme::noticeIconBg).resolve(scheme), inside);
        FERNHOLM_COMPARE_COLOR(test::mostDistinct(cardImage, icon.adjusted(8, 8, -8, -8), iconFill),
                               symbol->resolve(scheme), 40);
        const QImage stripImage = test::render(strip, scheme);
        FERNHOLM_COMPARE_COLOR(test::mostDistinct(stripImage, strip->symbol()->geometry(), inside),
                               symbol->resolve(scheme), 40);
        // The title in ink, the body in dim.
        const QRectF text(strip->textLabel()->geometry());
        const qreal titleWidth = QFontMetricsF(Fonts::sans(13, 600)).horizontalAdvance(QStringLiteral("Title"));
        FERNHOLM_COMPARE_COLOR(
            test::mostDistinct(stripImage, QRectF(text.left(), text.top(), titleWidth, text.height()), inside),
            Theme::ink.resolve(scheme), 40);
        FERNHOLM_COMPARE_COLOR(test::mostDistinct(stripImage,
                                                  QRectF(text.left() + titleWidth + 24, text.top(), 28, text.height()),
                                                  inside),
                               Theme::dim.resolve(scheme), 40);
    }

    // A snooze click reaches only the round middle of its square.
    void snoozeHitsItsCircle() {
        Recorder recorder;
        QWidget root;
        AlertHandlers::set(&root, recorder.handlers());
        SnoozeButton snooze(makeAlert(AlertLevel::notice, QStringLiteral("Title"), {}), &root);
        root.show();
        QVERIFY(QTest::qWaitForWindowExposed(&root));
        QTest::mouseClick(&snooze, Qt::LeftButton, {}, QPoint(1, 1));
        QCOMPARE(recorder.snoozed.size(), 0);
        QTest::mouseClick(&snooze, Qt::LeftButton, {}, QPoint(16, 2));
        QCOMPARE(recorder.snoozed.size(), 1);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&snooze);
        QVERIFY(accessible);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Remind me later"));
        QCOMPARE(accessible->role(), QAccessible::Button);
        const QImage image = test::render(&snooze, ColorScheme::light, 4);
        FERNHOLM_COMPARE_COLOR(
            test::mostDistinct(image, QRectF(10, 10, 12, 12), Theme::background.resolve(ColorScheme::light)),
            Theme::faint.resolve(ColorScheme::light), 40);
        QVERIFY(!test::hasInk(image, QRectF(0, 0, 9, 32), Theme::background.resolve(ColorScheme::light)));
    }

    // setAlert changes a view in place: the same parts show the new alert.
    void viewsUpdateInPlace() {
        auto* card = new AlertCard(makeAlert(AlertLevel::warning, QStringLiteral("First"), QStringLiteral("Body")));
        const auto root = host(card, 600);
        QVERIFY(root);
        TextLabel* title = card->titleLabel();
        AppAlert next = makeAlert(AlertLevel::notice, QStringLiteral("Second"), {}, false, true);
        card->setAlert(next);
        test::settle();
        QCOMPARE(card->titleLabel(), title);
        QCOMPARE(title->text(), QStringLiteral("Second"));
        QVERIFY(!card->bodyLabel()->isVisible());
        QVERIFY(!card->mainButton()->isVisible());
        QCOMPARE(card->mainButton()->style(), PrimaryButton::Style::smallWhite);
        QCOMPARE(card->icon()->level(), AlertLevel::notice);
        QCOMPARE(card->height(), card->heightForWidth(600));
        QCOMPARE(card->titleLabel()->y(), 7);
        Recorder recorder;
        AlertHandlers::set(root.get(), recorder.handlers());
        click(card->snoozeButton());
        QCOMPARE(recorder.snoozed, QStringList{next.id});
    }

    void screenshots() {
        for (const bool polish : {false, true}) {
            L10n::setLanguage(polish ? QStringLiteral("pl") : QStringLiteral("en"));
            const auto t = [polish](const char* english, const char* polishText) {
                return polish ? QString::fromUtf8(polishText) : QString::fromUtf8(english);
            };
            const AppAlert critical{
                QStringLiteral("sidecar-stopped"),
                AlertLevel::critical,
                t("Tarvine stopped — protection is off", "Tarvine nie działa — ochrona jest wyłączona"),
                t("What you send to AI chats goes out unchanged until Tarvine runs again.",
                  "Dopóki Tarvine nie zostanie ponownie uruchomiony, wszystko, co wysyłasz do czatów AI, trafia tam bez "
                  "zmian."),
                AlertAction::restartSidecar(),
                AlertAction::copyError(),
                std::nullopt};
            const AppAlert warning{
                QStringLiteral("model"),
                AlertLevel::warning,
                t("Detection model not loaded", "Model wykrywania jeszcze się nie wczytał"),
                t("Using rules only — names may be missed until it finishes loading. This can take a minute on the "
                  "first start.",
                  "Działają tylko reguły — dopóki model się nie wczyta, imiona i nazwiska mogą zostać pominięte. Przy "
                  "pierwszym uruchomieniu może to potrwać minutę."),
                AlertAction::retryProtection(),
                AlertAction::openURL(t("Learn more", "Więcej informacji"),
                                     QUrl(QStringLiteral("https://example.invalid"))),
                std::nullopt};
            const AppAlert notice{QStringLiteral("browsers"),
                                  AlertLevel::notice,
                                  t("Private windows aren't covered", "Okna prywatne nie są chronione"),
                                  {},
                                  AlertAction::showBrowsers(),
                                  std::nullopt,
                                  AppTab::activity};

            for (const bool busy : {false, true}) {
                QWidget page;
                AlertHandlers::set(&page, {{}, {}, busy});
                auto* column = new QVBoxLayout(&page);
                column->setContentsMargins(20, 20, 20, 20);
                column->setSpacing(14);
                column->addWidget(new CriticalHero(critical));
                column->addWidget(new CriticalCard(critical, false));
                column->addWidget(new CriticalCard(critical, true));
                column->addWidget(new AlertCard(warning));
                column->addWidget(new AlertCard(notice));
                column->addWidget(new AlertStrip(warning));
                column->addWidget(new AlertStrip(notice));
                column->addWidget(new MoreAlertsLine(polish ? 22 : 3));
                column->addStretch(1);
                page.resize(680, 1000);
                page.show();
                QVERIFY(QTest::qWaitForWindowExposed(&page));
                test::settle();
                page.resize(680, column->totalHeightForWidth(680));
                test::settle();
                QString name = QStringLiteral("alert-views");
                if (busy) {
                    name += QStringLiteral("-busy");
                }
                if (polish) {
                    name += QStringLiteral("-pl");
                }
                QVERIFY(!test::saveScreenshot(test::lightAndDark(&page), name).isEmpty());
            }
            // Narrow: wrapping and cutting.
            QWidget narrow;
            auto* column = new QVBoxLayout(&narrow);
            column->setContentsMargins(20, 20, 20, 20);
            column->setSpacing(14);
            column->addWidget(new CriticalHero(critical));
            column->addWidget(new CriticalCard(critical, true));
            column->addWidget(new AlertCard(warning));
            column->addWidget(new AlertStrip(warning));
            column->addStretch(1);
            narrow.resize(420, 1000);
            narrow.show();
            QVERIFY(QTest::qWaitForWindowExposed(&narrow));
            test::settle();
            narrow.resize(420, column->totalHeightForWidth(420));
            test::settle();
            QVERIFY(!test::saveScreenshot(test::lightAndDark(&narrow), polish ? QStringLiteral("alert-views-narrow-pl")
                                                                              : QStringLiteral("alert-views-narrow"))
                         .isEmpty());
        }
    }
};

QTEST_MAIN(AlertViewsTest)
#include "tst_alertviews.moc"
