#include "FernholmApp/theme/Appearance.h"
#include "FernholmApp/theme/BrandFonts.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/platform/ColorSchemePortal.h"
#include "app/support/ViewTesting.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace fernholm;

Q_DECLARE_METATYPE(const fernholm::ThemeColor*)
Q_DECLARE_METATYPE(fernholm::ColorScheme)

namespace {

// Fills itself with one theme colour.
class Swatch : public QWidget {
public:
    Swatch(const ThemeColor& color, QWidget* parent = nullptr) : QWidget(parent), m_color(color) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), m_color.on(this));
    }

private:
    ThemeColor m_color;
};

// Counts its paints.
class PaintCounter : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

// A desktop preference that the test sets.
class ScriptedScheme final : public ColorSchemeSource {
public:
    std::optional<uint> colorScheme() const override { return value; }
    void set(std::optional<uint> next) {
        value = next;
        Q_EMIT colorSchemeChanged();
    }
    std::optional<uint> value;
};

void setPaletteWindow(const QColor& window) {
    QPalette palette = QGuiApplication::palette();
    palette.setColor(QPalette::Window, window);
    QApplication::setPalette(palette);
    QCoreApplication::sendPostedEvents();
}

// QFont keeps letter spacing in 1/64 px.
bool sameTracking(qreal actual, qreal expected) {
    return qAbs(actual - expected) <= 1.0 / 64;
}

const QColor lightWindow(0xEF, 0xEF, 0xEF);
const QColor darkWindow(0x30, 0x30, 0x30);

} // namespace

class ThemeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { test::useBundledResources(); }

    void init() {
        Appearance::instance().follow(nullptr);
        Appearance::instance().setAppAppearance(QString());
        Appearance::instance().setPortalScheme(std::nullopt);
        setPaletteWindow(lightWindow);
        QCOMPARE(Appearance::instance().scheme(), ColorScheme::light);
    }

    void spotChecks_data() {
        QTest::addColumn<const ThemeColor*>("color");
        QTest::addColumn<ColorScheme>("scheme");
        QTest::addColumn<QColor>("expected");
        const auto rgba = [](quint32 rgb, double alpha) {
            QColor c = QColor::fromRgb(rgb);
            c.setAlphaF(float(alpha));
            return c;
        };
        const auto light = ColorScheme::light;
        const auto dark = ColorScheme::dark;
        QTest::newRow("cardEdge light") << &Theme::cardEdge << light << rgba(0x1E1E1E, 0.07);
        QTest::newRow("cardEdge dark") << &Theme::cardEdge << dark << rgba(0xFFFFFF, 0.06);
        QTest::newRow("line light") << &Theme::line << light << rgba(0x1E1E1E, 0.08);
        QTest::newRow("line dark") << &Theme::line << dark << rgba(0xFFFFFF, 0.08);
        QTest::newRow("ink light") << &Theme::ink << light << rgba(0x1E1E1E, 1);
        QTest::newRow("ink dark") << &Theme::ink << dark << rgba(0xFAFAF9, 1);
        QTest::newRow("heroChip light") << &Theme::heroChip << light << rgba(0xFFFFFF, 0.08);
        QTest::newRow("heroChip dark") << &Theme::heroChip << dark << rgba(0x1E1E1E, 0.07);
        QTest::newRow("criticalEdge light") << &Theme::criticalEdge << light << rgba(0xEF7676, 0.35);
        QTest::newRow("criticalEdge dark") << &Theme::criticalEdge << dark << rgba(0xEF7676, 0.35);
        QTest::newRow("warningEdge light") << &Theme::warningEdge << light << rgba(0xE09A0D, 0.32);
        QTest::newRow("warningEdge dark") << &Theme::warningEdge << dark << rgba(0xE09A0D, 0.32);
        QTest::newRow("warningIconBg light") << &Theme::warningIconBg << light << rgba(0xE09A0D, 0.18);
        QTest::newRow("warningIconBg dark") << &Theme::warningIconBg << dark << rgba(0xE09A0D, 0.18);
        QTest::newRow("critical light") << &Theme::critical << light << rgba(0xEF7676, 1);
        QTest::newRow("critical dark") << &Theme::critical << dark << rgba(0xEF7676, 1);
        QTest::newRow("tokenChip light") << &Theme::tokenChip << light << rgba(0xE09A0D, 1);
        QTest::newRow("tokenChip dark") << &Theme::tokenChip << dark << rgba(0xE09A0D, 1);
        QTest::newRow("redBg light") << &Theme::redBg << light << rgba(0xB51515, 0.09);
        QTest::newRow("redBg dark") << &Theme::redBg << dark << rgba(0xEF7676, 0.12);
        QTest::newRow("feature light") << &Theme::feature << light << rgba(0x1E1E1E, 1);
        QTest::newRow("feature dark") << &Theme::feature << dark << rgba(0x101010, 1);
    }

    void spotChecks() {
        QFETCH(const ThemeColor*, color);
        QFETCH(ColorScheme, scheme);
        QFETCH(QColor, expected);
        const QColor resolved = color->resolve(scheme);
        QCOMPARE(resolved.rgb() & 0xFFFFFF, expected.rgb() & 0xFFFFFF);
        QVERIFY2(qAbs(resolved.alphaF() - expected.alphaF()) < 0.002,
                 qPrintable(QStringLiteral("alpha %1, expected %2").arg(resolved.alphaF()).arg(expected.alphaF())));
    }

    void aliasesAreTheirTargets() {
        QCOMPARE(&Theme::accent, &Theme::ink);
        QCOMPARE(&Theme::sidebar, &Theme::background);
        QCOMPARE(&Theme::hairline, &Theme::line);
    }

    void metrics() {
        const QList<qreal> values{Theme::pagePaddingH, Theme::pagePaddingTop,  Theme::pagePadding,
                                  Theme::sectionGap,   Theme::contentMaxWidth, Theme::sidebarWidth,
                                  Theme::panelRadius,  Theme::cardRadius,      Theme::cardPadding,
                                  Theme::bannerRadius, Theme::rowRadius,       Theme::fieldRadius};
        QCOMPARE(values, (QList<qreal>{48, 40, 36, 24, 980, 232, 24, 20, 20, 14, 12, 12}));
    }

    void forcedSubtree() {
        QWidget window;
        window.resize(60, 20);
        auto* plain = new Swatch(Theme::ink, &window);
        plain->setGeometry(0, 0, 20, 20);
        auto* card = new QWidget(&window);
        card->setGeometry(20, 0, 40, 20);
        Appearance::force(card, ColorScheme::dark);
        auto* inCard = new Swatch(Theme::ink, card);
        inCard->setGeometry(0, 0, 20, 20);
        auto* lightInside = new QWidget(card);
        lightInside->setGeometry(20, 0, 20, 20);
        Appearance::force(lightInside, ColorScheme::light);
        auto* inLight = new Swatch(Theme::ink, lightInside);
        inLight->resize(20, 20);

        QCOMPARE(Theme::ink.on(plain), QColor(0x1E, 0x1E, 0x1E));
        QCOMPARE(Theme::ink.on(inCard), QColor(0xFA, 0xFA, 0xF9));
        QCOMPARE(Theme::ink.on(inLight), QColor(0x1E, 0x1E, 0x1E));
        QCOMPARE(Theme::ink.on(nullptr), QColor(0x1E, 0x1E, 0x1E));

        // The colours reach the pixels: the window is painted light, the card dark.
        QWidget* root = &window;
        QImage image(root->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            root->render(&painter);
        }
        FERNHOLM_COMPARE_COLOR(image.pixelColor(10, 10), QColor(0x1E, 0x1E, 0x1E), 0);
        FERNHOLM_COMPARE_COLOR(image.pixelColor(30, 10), QColor(0xFA, 0xFA, 0xF9), 0);
        FERNHOLM_COMPARE_COLOR(image.pixelColor(50, 10), QColor(0x1E, 0x1E, 0x1E), 0);

        // The window going dark leaves the card dark and its light island light.
        Appearance::instance().setAppAppearance(QStringLiteral("dark"));
        QCOMPARE(Theme::ink.on(plain), QColor(0xFA, 0xFA, 0xF9));
        QCOMPARE(Theme::ink.on(inCard), QColor(0xFA, 0xFA, 0xF9));
        QCOMPARE(Theme::ink.on(inLight), QColor(0x1E, 0x1E, 0x1E));

        Appearance::force(card, std::nullopt);
        Appearance::instance().setAppAppearance(QStringLiteral("light"));
        QCOMPARE(Theme::ink.on(inCard), QColor(0x1E, 0x1E, 0x1E));
    }

    void appearance_data() {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<std::optional<uint>>("portal");
        QTest::addColumn<QColor>("window");
        QTest::addColumn<ColorScheme>("expected");
        const std::optional<uint> absent;
        const auto light = ColorScheme::light;
        const auto dark = ColorScheme::dark;
        struct Row {
            const char* setting;
            std::optional<uint> portal;
            const char* portalName;
            ColorScheme onLightPalette;
            ColorScheme onDarkPalette;
        };
        const Row rows[] = {
            {"light", 1u, "1", light, light},
            {"light", 2u, "2", light, light},
            {"light", 0u, "0", light, light},
            {"light", absent, "absent", light, light},
            {"dark", 1u, "1", dark, dark},
            {"dark", 2u, "2", dark, dark},
            {"dark", 0u, "0", dark, dark},
            {"dark", absent, "absent", dark, dark},
            {"system", 1u, "1", dark, dark},
            {"system", 2u, "2", light, light},
            {"system", 0u, "0", light, dark},
            {"system", absent, "absent", light, dark},
            {"", 1u, "1", dark, dark},
            {"", 2u, "2", light, light},
            {"", 0u, "0", light, dark},
            {"", absent, "absent", light, dark},
            {"system", 7u, "unknown 7", light, dark},
            {"Dark", 2u, "2", light, light}, // settings are exact words
        };
        for (const Row& row : rows) {
            const QString name = QStringLiteral("setting '%1', portal %2")
                                     .arg(QLatin1String(row.setting), QLatin1String(row.portalName));
            QTest::newRow(qPrintable(name + QStringLiteral(", light palette")))
                << QString::fromLatin1(row.setting) << row.portal << lightWindow << row.onLightPalette;
            QTest::newRow(qPrintable(name + QStringLiteral(", dark palette")))
                << QString::fromLatin1(row.setting) << row.portal << darkWindow << row.onDarkPalette;
        }
    }

    void appearance() {
        QFETCH(QString, setting);
        QFETCH(std::optional<uint>, portal);
        QFETCH(QColor, window);
        QFETCH(ColorScheme, expected);
        QCOMPARE(resolveColorScheme(setting, portal, window), expected);

        // The same through the live object, the palette reaching it as a change event.
        Appearance& appearance = Appearance::instance();
        ScriptedScheme desktop;
        desktop.value = portal;
        appearance.follow(&desktop);
        appearance.setAppAppearance(setting);
        setPaletteWindow(window);
        QCOMPARE(appearance.scheme(), expected);
    }

    void followsTheDesktop() {
        Appearance& appearance = Appearance::instance();
        ScriptedScheme desktop;
        appearance.setAppAppearance(QStringLiteral("system"));
        appearance.follow(&desktop);
        QSignalSpy changes(&appearance, &Appearance::schemeChanged);

        desktop.set(1u);
        QCOMPARE(appearance.scheme(), ColorScheme::dark);
        desktop.set(1u); // no change, no signal
        desktop.set(2u);
        QCOMPARE(appearance.scheme(), ColorScheme::light);
        QCOMPARE(changes.size(), 2);

        // The user's own choice wins over the desktop's.
        appearance.setAppAppearance(QStringLiteral("dark"));
        desktop.set(2u);
        QCOMPARE(appearance.scheme(), ColorScheme::dark);

        // A source that goes away leaves the last value, and no dangling pointer.
        appearance.setAppAppearance(QStringLiteral("system"));
        {
            ScriptedScheme shortLived;
            shortLived.value = 1u;
            appearance.follow(&shortLived);
        }
        QCOMPARE(appearance.scheme(), ColorScheme::dark);
        appearance.setPortalScheme(2u);
        QCOMPARE(appearance.scheme(), ColorScheme::light);
    }

    void aChangeRepaintsEveryWindow() {
        PaintCounter first;
        PaintCounter second;
        first.resize(40, 40);
        second.resize(40, 40);
        first.show();
        second.show();
        QVERIFY(QTest::qWaitForWindowExposed(&first));
        QVERIFY(QTest::qWaitForWindowExposed(&second));
        QTRY_VERIFY(first.paints > 0 && second.paints > 0);
        const int firstBefore = first.paints;
        const int secondBefore = second.paints;

        Appearance::instance().setAppAppearance(QStringLiteral("dark"));
        QTRY_VERIFY(first.paints > firstBefore);
        QTRY_VERIFY(second.paints > secondBefore);
    }

    void titles_data() {
        QTest::addColumn<bool>("section");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("size");
        QTest::addColumn<qreal>("tracking");
        QTest::newRow("page title") << false << QStringLiteral("Activity") << 40 << -1.6;
        QTest::newRow("empty page title") << false << QString() << 40 << -1.6;
        QTest::newRow("section title") << true << QStringLiteral("Recent") << 22 << -0.44;
        QTest::newRow("empty section title") << true << QString() << 22 << -0.44;
    }

    void titles() {
        QFETCH(bool, section);
        QFETCH(QString, text);
        QFETCH(int, size);
        QFETCH(qreal, tracking);
        std::unique_ptr<TextLabel> label(section ? Theme::sectionTitle(text) : Theme::title(text));
        QCOMPARE(label->text(), text);
        QCOMPARE(QFontInfo(label->font()).family(), QStringLiteral("Spectral"));
        QCOMPARE(label->font().pixelSize(), size);
        QCOMPARE(label->font().letterSpacingType(), QFont::AbsoluteSpacing);
        QVERIFY(sameTracking(label->font().letterSpacing(), tracking));
        QCOMPARE(label->color(), Theme::ink);
    }

    void titlesWithoutTheDisplayFace() {
        QTemporaryDir empty;
        QVERIFY(QDir(empty.path()).mkpath(QStringLiteral("Fonts")));
        BrandFonts::setResourceRoots(QStringList{empty.path()});
        const QString system = QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();

        std::unique_ptr<TextLabel> title(Theme::title(QString()));
        std::unique_ptr<TextLabel> section(Theme::sectionTitle(QStringLiteral("Recent")));
        test::useBundledResources();

        for (TextLabel* label : {title.get(), section.get()}) {
            QCOMPARE(QFontInfo(label->font()).family(), system);
            QCOMPARE(label->font().weight(), QFont::Medium);
            QCOMPARE(label->color(), Theme::ink);
        }
        QCOMPARE(title->font().pixelSize(), 40);
        QVERIFY(sameTracking(title->font().letterSpacing(), -1.6));
        QCOMPARE(section->font().pixelSize(), 22);
        QVERIFY(sameTracking(section->font().letterSpacing(), -0.44));
    }

    void titleScreenshot() {
        QWidget sheet;
        sheet.resize(420, 120);
        auto* title = Theme::title(QStringLiteral("Aktywność → Activity"), &sheet);
        title->setGeometry(16, 12, 400, 52);
        auto* section = Theme::sectionTitle(QStringLiteral("Zażółć gęślą jaźń"), &sheet);
        section->setGeometry(16, 70, 400, 32);
        const QImage image = test::lightAndDark(&sheet);
        QVERIFY(!test::saveScreenshot(image, QStringLiteral("theme-titles")).isEmpty());
        // Ink lands on the page: some pixel of the title's first letter is near-black in light.
        const QImage light = test::render(&sheet, ColorScheme::light);
        bool inked = false;
        for (int x = 16; x < 60 && !inked; ++x) {
            for (int y = 20; y < 60 && !inked; ++y) {
                inked = test::near(test::sample(light, QPointF(x + 0.25, y + 0.25)), QColor(0x1E, 0x1E, 0x1E), 40);
            }
        }
        QVERIFY(inked);
    }
};

QTEST_MAIN(ThemeTest)
#include "tst_theme.moc"
