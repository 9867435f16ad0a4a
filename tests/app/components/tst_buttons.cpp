#include "FernholmApp/components/controls/PillButtonStyle.h"
#include "FernholmApp/shell/tray/PopoverRow.h"
#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/components/controls/TextLink.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Theme.h"
#include "app/support/PixelProbes.h"
#include "app/support/ViewTesting.h"

#include <QAccessible>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QSignalSpy>
#include <QTest>

#include <optional>

using namespace fernholm;
using Style = PrimaryButton::Style;

Q_DECLARE_METATYPE(fernholm::PrimaryButton::Style)
Q_DECLARE_METATYPE(fernholm::ThemeColor)
Q_DECLARE_METATYPE(std::optional<fernholm::ThemeColor>)
Q_DECLARE_METATYPE(std::optional<bool>)

namespace {

QColor backdrop(ColorScheme scheme) {
    return Theme::background.resolve(scheme);
}

// The first column from `fromX` on whose middle band (±4 px around the capsule's centre line)
// something is drawn on `fill`; -1 when none.
qreal firstInkColumn(const QImage& image, qreal fromX, qreal toX, qreal centreY, const QColor& fill) {
    for (qreal x = fromX; x < toX; x += 0.5) {
        if (test::hasInk(image, QRectF(x, centreY - 4, 0.5, 8), fill, 40)) {
            return x;
        }
    }
    return -1;
}

void sendEnter(QWidget* widget) {
    QEnterEvent enter(QPointF(5, 5), widget->mapToGlobal(QPointF(5, 5)), widget->mapToGlobal(QPointF(5, 5)));
    QCoreApplication::sendEvent(widget, &enter);
}

void sendLeave(QWidget* widget) {
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &leave);
}

} // namespace

class ButtonsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { test::useBundledResources(); }

    void styleTable_data() {
        QTest::addColumn<Style>("style");
        QTest::addColumn<int>("height");
        QTest::addColumn<qreal>("padding");
        QTest::addColumn<int>("fontSize");
        QTest::addColumn<ThemeColor>("foreground");
        QTest::addColumn<std::optional<ThemeColor>>("fill");
        QTest::addColumn<std::optional<ThemeColor>>("border");
        const std::optional<ThemeColor> none;
        const ThemeColor nearBlack = Theme::fixed(0x1E1E1E);
        QTest::newRow("primary") << Style::primary << 40 << 18.0 << 14 << Theme::onAccent
                                 << std::optional(Theme::accent) << none;
        QTest::newRow("large") << Style::large << 48 << 22.0 << 15 << Theme::onAccent << std::optional(Theme::accent)
                               << none;
        QTest::newRow("secondary") << Style::secondary << 40 << 18.0 << 14 << Theme::ink << none
                                   << std::optional(Theme::ink.opacity(0.25));
        QTest::newRow("destructive") << Style::destructive << 40 << 18.0 << 14 << Theme::red << none
                                     << std::optional(Theme::red.opacity(0.55));
        QTest::newRow("small") << Style::small << 32 << 14.0 << 13 << Theme::onAccent << std::optional(Theme::accent)
                               << none;
        QTest::newRow("smallOutline") << Style::smallOutline << 32 << 14.0 << 13 << Theme::ink << none
                                      << std::optional(Theme::ink.opacity(0.25));
        QTest::newRow("smallSand") << Style::smallSand << 32 << 14.0 << 13 << Theme::ink << std::optional(Theme::muted)
                                   << none;
        QTest::newRow("smallWhite") << Style::smallWhite << 32 << 14.0 << 13 << Theme::ink
                                    << std::optional(Theme::noticeIconBg) << none;
        // The same near-black on near-white in both schemes.
        QTest::newRow("light") << Style::light << 36 << 16.0 << 13 << nearBlack << std::optional(Theme::fixed(0xFAFAF9))
                               << none;
    }

    // Height, padding, label size and colours of each style, read from the pixels in both schemes.
    void styleTable() {
        QFETCH(Style, style);
        QFETCH(int, height);
        QFETCH(qreal, padding);
        QFETCH(int, fontSize);
        QFETCH(ThemeColor, foreground);
        QFETCH(std::optional<ThemeColor>, fill);
        QFETCH(std::optional<ThemeColor>, border);

        PrimaryButton button(QStringLiteral("HH"), style);
        button.setArrow(false);
        button.resize(button.sizeHint());
        QCOMPARE(button.sizeHint().height(), height);
        QCOMPARE(button.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
        const QFont font = PillButtonStyle::font(style);
        QCOMPARE(font.pixelSize(), fontSize);
        QCOMPARE(font.weight(), QFont::Medium);
        const qreal text = QFontMetricsF(Fonts::sans(fontSize, 500)).horizontalAdvance(QStringLiteral("HH"));
        QVERIFY2(qAbs(button.sizeHint().width() - (text + 2 * padding)) < 1.0,
                 qPrintable(QStringLiteral("width %1 for a label of %2").arg(button.sizeHint().width()).arg(text)));

        for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
            const QImage image = test::render(&button, scheme);
            const QColor inside = fill ? test::over(fill->resolve(scheme), backdrop(scheme)) : backdrop(scheme);
            FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(6, height / 2.0)), inside, 2);
            const QColor edge = border ? test::over(border->resolve(scheme), inside) : inside;
            FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(button.width() / 2.0, 0.25)), edge, 3);

            // The label starts one padding in (plus the H's own side bearing), in the style's colour.
            const qreal first = firstInkColumn(image, 3, button.width() - 3, height / 2.0, inside);
            QVERIFY2(first >= padding && first <= padding + 2.5,
                     qPrintable(QStringLiteral("label starts at %1, padding %2").arg(first).arg(padding)));
            const QColor label = test::mostDistinct(image, QRectF(padding, 0, text, height), inside);
            FERNHOLM_COMPARE_COLOR(label, foreground.resolve(scheme), 16);
        }
    }

    void arrow_data() {
        QTest::addColumn<Style>("style");
        QTest::addColumn<std::optional<bool>>("arrow");
        QTest::addColumn<bool>("shown");
        const std::optional<bool> absent;
        QTest::newRow("secondary, absent") << Style::secondary << absent << false;
        QTest::newRow("secondary, true") << Style::secondary << std::optional(true) << true;
        QTest::newRow("large, false") << Style::large << std::optional(false) << false;
        QTest::newRow("large, absent") << Style::large << absent << true;
        QTest::newRow("primary, absent") << Style::primary << absent << true;
        QTest::newRow("small, absent") << Style::small << absent << false;
    }

    void arrow() {
        QFETCH(Style, style);
        QFETCH(std::optional<bool>, arrow);
        QFETCH(bool, shown);
        const QString title = QStringLiteral("Go");
        PrimaryButton button(title, style);
        button.setArrow(arrow);
        button.resize(button.sizeHint());
        QCOMPARE(button.showsArrow(), shown);

        const auto look = PillButtonStyle::look(style);
        const qreal text = QFontMetricsF(PillButtonStyle::font(style)).horizontalAdvance(title);
        const QImage image = test::render(&button, ColorScheme::light);
        const QColor inside = look.fill ? look.fill->resolve(ColorScheme::light) : backdrop(ColorScheme::light);
        // Right of the title: the arrow, or nothing but the capsule.
        const QRectF afterTitle(look.padding + text + 3, look.height / 2 - 6,
                                button.width() - 4 - (look.padding + text + 3), 12);
        QCOMPARE(test::hasInk(image, afterTitle, inside, 40), shown);

        // The arrow is decoration: the button is one accessible element named by its title.
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&button);
        QVERIFY(accessible);
        QCOMPARE(accessible->role(), QAccessible::Button);
        QCOMPARE(accessible->text(QAccessible::Name), title);
        QCOMPARE(accessible->childCount(), 0);
    }

    void titleIsPlainText() {
        PrimaryButton button(QStringLiteral("Save & quit"), Style::secondary);
        QCOMPARE(button.title(), QStringLiteral("Save & quit"));
        QCOMPARE(QAccessible::queryAccessibleInterface(&button)->text(QAccessible::Name),
                 QStringLiteral("Save & quit"));
        QVERIFY(button.shortcut().isEmpty());
    }

    void disabledIgnoresClicksAndShowsTranslucent() {
        PrimaryButton button(QStringLiteral("Turn on"), Style::primary);
        button.resize(button.sizeHint());
        button.setEnabled(false);
        QSignalSpy clicked(&button, &QAbstractButton::clicked);
        const QPoint centre = button.rect().center();

        QTest::mousePress(&button, Qt::LeftButton, {}, centre);
        QVERIFY(!button.isDown());
        button.setDown(true); // not even when forced: a disabled button never shows its pressed look
        const QImage image = test::render(&button, ColorScheme::light);
        const QColor translucent =
            test::over(Theme::accent.opacity(0.4).resolve(ColorScheme::light), backdrop(ColorScheme::light));
        FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(6, 20)), translucent, 2);
        button.setDown(false);
        QTest::mouseRelease(&button, Qt::LeftButton, {}, centre);
        QTest::mouseClick(&button, Qt::LeftButton, {}, centre);
        QTest::keyClick(&button, Qt::Key_Space);
        QCOMPARE(clicked.count(), 0);
    }

    void pressedShowsAtThreeQuarters() {
        PrimaryButton button(QStringLiteral("Turn on"), Style::primary);
        button.resize(button.sizeHint());
        QSignalSpy clicked(&button, &QAbstractButton::clicked);
        const QPoint centre = button.rect().center();
        const QColor back = backdrop(ColorScheme::dark);

        QTest::mousePress(&button, Qt::LeftButton, {}, centre);
        QVERIFY(button.isDown());
        QImage image = test::render(&button, ColorScheme::dark);
        FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(6, 20)),
                               test::over(Theme::accent.opacity(0.75).resolve(ColorScheme::dark), back), 2);
        QTest::mouseRelease(&button, Qt::LeftButton, {}, centre);
        QCOMPARE(clicked.count(), 1);
        image = test::render(&button, ColorScheme::dark);
        FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(6, 20)), Theme::accent.resolve(ColorScheme::dark), 2);
    }

    // Outside the capsule's rounded ends is outside the button.
    void cornersMissTheButton() {
        PrimaryButton button(QStringLiteral("Turn on"), Style::primary);
        button.resize(button.sizeHint());
        QSignalSpy clicked(&button, &QAbstractButton::clicked);
        QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(1, 1));
        QCOMPARE(clicked.count(), 0);
        QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(2, 20));
        QCOMPARE(clicked.count(), 1);
    }

    void longTitleIsCutToOneLine() {
        QWidget holder;
        auto* layout = new QHBoxLayout(&holder);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* button = new PrimaryButton(
            QStringLiteral("Send the report with the whole log and the last request attached"), Style::secondary);
        layout->addWidget(button);
        holder.resize(180, 120);
        layout->activate();

        QCOMPARE(button->height(), 40);
        QVERIFY(button->width() <= 180);
        QVERIFY(button->minimumSizeHint().width() < 180);
        const QImage image = test::render(button, ColorScheme::light);
        const QColor back = backdrop(ColorScheme::light);
        // Text right up to the padding, and nothing in it or beyond the capsule's height.
        QVERIFY(test::hasInk(image, QRectF(18, 10, button->width() - 36, 20), back));
        QVERIFY(!test::hasInk(image, QRectF(button->width() - 17, 14, 13, 12), back, 40));
        QVERIFY(!test::hasInk(image, QRectF(20, 2, button->width() - 40, 6), back, 40));
    }

    void popoverRowHighlight() {
        PopoverRow row(QStringLiteral("Open the window"));
        auto* content = new QHBoxLayout(&row);
        content->setContentsMargins(10, 8, 10, 8);
        content->addWidget(new TextLabel(QStringLiteral("Open"), Fonts::sans(13), Theme::ink, &row));
        content->addStretch(1);
        row.resize(220, 36);
        QSignalSpy clicked(&row, &QAbstractButton::clicked);
        const QPointF probe(200, 18);

        for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
            const QColor back = backdrop(scheme);
            const QColor lit = test::over(Theme::surface.opacity(0.7).resolve(scheme), back);
            FERNHOLM_COMPARE_COLOR(test::sample(test::render(&row, scheme), probe), back, 1);

            sendEnter(&row);
            QVERIFY(row.isHovering());
            QImage image = test::render(&row, scheme);
            FERNHOLM_COMPARE_COLOR(test::sample(image, probe), lit, 2);
            FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(1, 1)), back, 1); // rounded corner
            sendLeave(&row);
            FERNHOLM_COMPARE_COLOR(test::sample(test::render(&row, scheme), probe), back, 1);

            // Pressed from the keyboard, without the pointer over it.
            QTest::keyPress(&row, Qt::Key_Space);
            QVERIFY(row.isDown());
            FERNHOLM_COMPARE_COLOR(test::sample(test::render(&row, scheme), probe), lit, 2);
            QTest::keyRelease(&row, Qt::Key_Space);
            FERNHOLM_COMPARE_COLOR(test::sample(test::render(&row, scheme), probe), back, 1);
        }
        QCOMPARE(clicked.count(), 2);

        // A click on the content is a click on the row.
        QWidget* label = row.findChild<TextLabel*>();
        QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(clicked.count(), 3);
        QCOMPARE(QAccessible::queryAccessibleInterface(&row)->text(QAccessible::Name),
                 QStringLiteral("Open the window"));
    }

    void textLinkRunsItsAction() {
        TextLink link(QStringLiteral("Report a problem"), Theme::red, 12, false);
        link.resize(link.sizeHint());
        QSignalSpy clicked(&link, &QAbstractButton::clicked);
        QTest::mouseClick(&link, Qt::LeftButton, {}, link.rect().center());
        QCOMPARE(clicked.count(), 1);
        QTest::keyClick(&link, Qt::Key_Space);
        QCOMPARE(clicked.count(), 2);

        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&link);
        QCOMPARE(accessible->role(), QAccessible::Link);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Report a problem"));
        accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(clicked.count(), 3);
    }

    void textLinkLook_data() {
        QTest::addColumn<bool>("underline");
        QTest::addColumn<ColorScheme>("scheme");
        QTest::newRow("underlined, light") << true << ColorScheme::light;
        QTest::newRow("plain, light") << false << ColorScheme::light;
        QTest::newRow("underlined, dark") << true << ColorScheme::dark;
        QTest::newRow("plain, dark") << false << ColorScheme::dark;
    }

    void textLinkLook() {
        QFETCH(bool, underline);
        QFETCH(ColorScheme, scheme);
        const QString title = QStringLiteral("ab      cd");
        TextLink link(title, Theme::dim, 13, underline);
        link.resize(link.sizeHint());
        QCOMPARE(link.linkFont().pixelSize(), 13);
        QCOMPARE(link.linkFont().weight(), QFont::Normal);
        const QImage image = test::render(&link, scheme);
        const QColor back = backdrop(scheme);
        // Under the run of spaces only an underline can be drawn.
        const qreal gap = QFontMetricsF(link.linkFont()).horizontalAdvance(QStringLiteral("ab   "));
        QCOMPARE(test::hasInk(image, QRectF(gap, 0, 1, link.height()), back), underline);
        FERNHOLM_COMPARE_COLOR(test::mostDistinct(image, QRectF(0, 0, gap, link.height()), back),
                               Theme::dim.resolve(scheme), 16);
    }

    void screenshots() {
        for (const bool polish : {false, true}) {
            QWidget sheet;
            sheet.setAutoFillBackground(false);
            auto* grid = new QGridLayout(&sheet);
            grid->setContentsMargins(16, 16, 16, 16);
            grid->setHorizontalSpacing(12);
            grid->setVerticalSpacing(10);
            const QList<std::pair<Style, QString>> styles{
                {Style::primary, QStringLiteral("primary")},     {Style::large, QStringLiteral("large")},
                {Style::secondary, QStringLiteral("secondary")}, {Style::destructive, QStringLiteral("destructive")},
                {Style::small, QStringLiteral("small")},         {Style::smallOutline, QStringLiteral("smallOutline")},
                {Style::smallSand, QStringLiteral("smallSand")}, {Style::smallWhite, QStringLiteral("smallWhite")},
                {Style::light, QStringLiteral("light")},
            };
            const QString title = polish ? QStringLiteral("Włącz ochronę") : QStringLiteral("Turn on protection");
            const QString longTitle = polish ? QStringLiteral("Wyślij zgłoszenie z całym dziennikiem zdarzeń")
                                             : QStringLiteral("Send the report with the whole event log");
            int row = 0;
            for (const auto& [style, name] : styles) {
                auto* caption = new TextLabel(name, Fonts::sans(12), Theme::faint, &sheet);
                caption->setMaxLines(1);
                grid->addWidget(caption, row, 0);
                grid->addWidget(new PrimaryButton(title, style, &sheet), row, 1);
                auto* arrow =
                    new PrimaryButton(polish ? QStringLiteral("Dalej") : QStringLiteral("Continue"), style, &sheet);
                arrow->setArrow(true);
                grid->addWidget(arrow, row, 2);
                auto* pressed =
                    new PrimaryButton(polish ? QStringLiteral("Wciśnięty") : QStringLiteral("Pressed"), style, &sheet);
                pressed->setDown(true);
                grid->addWidget(pressed, row, 3);
                auto* disabled =
                    new PrimaryButton(polish ? QStringLiteral("Wyłączony") : QStringLiteral("Disabled"), style, &sheet);
                disabled->setEnabled(false);
                grid->addWidget(disabled, row, 4);
                ++row;
            }
            auto* cut = new PrimaryButton(longTitle, Style::secondary, &sheet);
            cut->setMaximumWidth(200);
            grid->addWidget(cut, row, 1, 1, 2, Qt::AlignLeft);
            auto* focused =
                new PrimaryButton(polish ? QStringLiteral("Fokus z klawiatury") : QStringLiteral("Keyboard focus"),
                                  Style::secondary, &sheet);
            grid->addWidget(focused, row, 3, 1, 2, Qt::AlignLeft);
            ++row;

            auto* menuRow = new PopoverRow(QStringLiteral("row"), &sheet);
            auto* content = new QHBoxLayout(menuRow);
            content->setContentsMargins(10, 8, 10, 8);
            content->addWidget(new TextLabel(polish ? QStringLiteral("Otwórz okno (najechany)")
                                                    : QStringLiteral("Open the window (hovered)"),
                                             Fonts::sans(13), Theme::ink, menuRow));
            sendEnter(menuRow);
            grid->addWidget(menuRow, row, 1, 1, 2);
            auto* links = new QWidget(&sheet);
            auto* linkRow = new QHBoxLayout(links);
            linkRow->setContentsMargins(0, 0, 0, 0);
            linkRow->addWidget(
                new TextLink(polish ? QStringLiteral("Zgłoś problem") : QStringLiteral("Report a problem"), Theme::dim,
                             12, true, links));
            linkRow->addWidget(
                new TextLink(polish ? QStringLiteral("Więcej szczegółów") : QStringLiteral("More details"), Theme::red,
                             13, false, links));
            grid->addWidget(links, row, 3, 1, 2, Qt::AlignLeft);

            sheet.resize(sheet.sizeHint());
            sheet.show();
            QVERIFY(QTest::qWaitForWindowExposed(&sheet));
            sheet.activateWindow();
            focused->setFocus(Qt::TabFocusReason);
            sheet.setAttribute(Qt::WA_KeyboardFocusChange);
            const QString name = polish ? QStringLiteral("controls-buttons-pl") : QStringLiteral("controls-buttons");
            QVERIFY(!test::saveScreenshot(test::lightAndDark(&sheet), name).isEmpty());
        }
    }
};

QTEST_MAIN(ButtonsTest)
#include "tst_buttons.moc"
