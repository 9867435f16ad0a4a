#include "FernholmApp/theme/BrandFonts.h"
#include "FernholmApp/theme/BrandImages.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Icons.h"
#include "FernholmApp/theme/TextPainting.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/ViewTesting.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace fernholm;

namespace {

// Writes "<root>/Brand/<file>" for each "file:kind": kind red or green (an SVG or PNG square of
// that colour, 12 x 8) or broken (a few bytes of text).
bool makeBrand(const QString& root, const QStringList& files) {
    QDir dir(root);
    if (!dir.mkpath(QStringLiteral("Brand"))) {
        return false;
    }
    for (const QString& entry : files) {
        const QString file = dir.filePath(QStringLiteral("Brand/") + entry.section(u':', 0, 0));
        const QString kind = entry.section(u':', 1);
        if (kind == QLatin1String("broken")) {
            QFile out(file);
            if (!out.open(QIODevice::WriteOnly) || out.write("<svg unfinished") < 0) {
                return false;
            }
            continue;
        }
        const QString colour = kind == QLatin1String("red") ? QStringLiteral("#ff0000") : QStringLiteral("#00ff00");
        if (file.endsWith(QLatin1String(".svg"))) {
            QFile out(file);
            const QString svg = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"12\" height=\"8\">"
                                               "<rect width=\"12\" height=\"8\" fill=\"%1\"/></svg>")
                                    .arg(colour);
            if (!out.open(QIODevice::WriteOnly) || out.write(svg.toUtf8()) < 0) {
                return false;
            }
        } else {
            QImage image(12, 8, QImage::Format_ARGB32);
            image.fill(QColor(colour));
            if (!image.save(file, "PNG")) {
                return false;
            }
        }
    }
    return true;
}

// The summed alpha of an image: how much ink it holds.
int coveredPixels(const QImage& image) {
    int covered = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            covered += image.pixelColor(x, y).alpha();
        }
    }
    return covered / 255;
}

// The sheet of every symbol in three weights and sizes, and the marks.
class SymbolSheet : public QWidget {
public:
    SymbolSheet() { resize(560, 72 + Icons::names().size() * 30); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor ink = Theme::ink.on(this);
        const QColor dim = Theme::dim.on(this);
        int y = 12;
        for (const QString& name : Icons::names()) {
            Text::draw(painter, QRectF(12, y + 4, 180, 20), name, Fonts::sans(12), dim, {1, 0, Qt::AlignLeft});
            int x = 196;
            for (const IconWeight weight : {IconWeight::light, IconWeight::regular, IconWeight::medium}) {
                for (const int size : {11, 14, 24}) {
                    Icons::paint(painter, name, QRectF(x, y + (24 - size) / 2.0, size, size), weight, ink);
                    x += size + 12;
                }
                x += 10;
            }
            y += 30;
        }
        y += 6;
        int x = 12;
        for (const auto* image : {&BrandImages::mark(), &BrandImages::markOff()}) {
            if (*image) {
                (*image)->paint(painter, QRectF(x, y, 18, 18), ink);
                (*image)->paint(painter, QRectF(x + 30, y - 9, 36, 36), ink);
            }
            x += 90;
        }
        if (const auto& marker = BrandImages::marker()) {
            marker->paint(painter, QRectF(x, y - 6, 150, 36), Theme::accent.on(this));
            Text::draw(painter, QRectF(x + 14, y - 4, 140, 32), QStringLiteral("zaznaczone"),
                       Fonts::tracked(Fonts::display(24), -0.96), Theme::onAccent.on(this), {1, 0, Qt::AlignLeft});
        }
    }
};

} // namespace

class BrandImagesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { test::useBundledResources(); }
    void cleanupTestCase() { BrandFonts::setResourceRoots(std::nullopt); }

    void search_data() {
        QTest::addColumn<QStringList>("first");
        QTest::addColumn<QStringList>("second");
        QTest::addColumn<QColor>("expected"); // invalid: no image
        const QColor red(Qt::red), green(Qt::green), none;
        QTest::newRow("svg before png") << QStringList{"mark.png:green", "mark.svg:red"} << QStringList{} << red;
        QTest::newRow("png alone") << QStringList{"mark.png:green"} << QStringList{"mark.svg:red"} << green;
        QTest::newRow("unreadable svg: next folder, not the png beside it")
            << QStringList{"mark.svg:broken", "mark.png:red"} << QStringList{"mark.svg:green"} << green;
        QTest::newRow("unreadable png: next folder")
            << QStringList{"mark.png:broken"} << QStringList{"mark.png:green"} << green;
        QTest::newRow("other names do not count")
            << QStringList{"marker.svg:red", "mark.svg.png:red"} << QStringList{"mark.svg:green"} << green;
        QTest::newRow("nothing readable") << QStringList{"mark.svg:broken"} << QStringList{"mark.png:broken"} << none;
        QTest::newRow("no folders") << QStringList{"-"} << QStringList{"-"} << none;
    }

    void search() {
        QFETCH(QStringList, first);
        QFETCH(QStringList, second);
        QFETCH(QColor, expected);
        QTemporaryDir roots;
        const QStringList rootPaths{QDir(roots.path()).filePath("0"), QDir(roots.path()).filePath("1")};
        const QList<QStringList> contents{first, second};
        for (int i = 0; i < 2; ++i) {
            if (contents[i] != QStringList{QStringLiteral("-")}) {
                QVERIFY(makeBrand(rootPaths[i], contents[i]));
            }
        }
        BrandFonts::setResourceRoots(rootPaths);
        const auto image = BrandImages::load(QStringLiteral("mark"), std::nullopt, false, QString());
        QCOMPARE(image.has_value(), expected.isValid());
        if (image) {
            QCOMPARE(image->size(), QSizeF(12, 8));
            FERNHOLM_COMPARE_COLOR(image->toImage(image->size(), 1, Qt::black).pixelColor(6, 4), expected, 0);
        }
    }

    void sizeTemplateAndLabel() {
        QTemporaryDir root;
        QVERIFY(makeBrand(root.path(), {"mark.svg:red"}));
        BrandFonts::setResourceRoots(QStringList{root.path()});
        const auto sized = BrandImages::load(QStringLiteral("mark"), QSizeF(18, 18), true, trNoop("Tarvine"));
        QVERIFY(sized);
        QCOMPARE(sized->size(), QSizeF(18, 18));
        QVERIFY(sized->isTemplate());
        QCOMPARE(sized->accessibleName(), QStringLiteral("Tarvine"));
        // A template shows its shape in the tint, whatever its own colours.
        const QImage tinted = sized->toImage(QSizeF(18, 18), 2, QColor(0x12, 0x34, 0x56));
        QCOMPARE(tinted.size(), QSize(36, 36));
        FERNHOLM_COMPARE_COLOR(tinted.pixelColor(18, 18), QColor(0x12, 0x34, 0x56), 0);
    }

    void bundledImages() {
        const auto& mark = BrandImages::mark();
        QVERIFY(mark);
        QCOMPARE(mark->size(), QSizeF(18, 18));
        QVERIFY(mark->isTemplate());
        QCOMPARE(mark->accessibleName(), QStringLiteral("Tarvine"));

        const auto& off = BrandImages::markOff();
        QVERIFY(off);
        QCOMPARE(off->size(), QSizeF(18, 18));
        QVERIFY(off->isTemplate());
        QCOMPARE(off->accessibleName(), QStringLiteral("Tarvine, protection off"));
        L10n::setLanguage(QStringLiteral("pl"));
        const QString polish = off->accessibleName();
        L10n::setLanguage(QStringLiteral("en"));
        QCOMPARE(polish, QStringLiteral("Tarvine, ochrona wyłączona"));

        const auto& marker = BrandImages::marker();
        QVERIFY(marker);
        QVERIFY(marker->isTemplate());
        QVERIFY(marker->accessibleName().isEmpty());
        QCOMPARE(marker->size(), QSizeF(240, 80)); // the file's own

        // We ship no provider marks: views show the provider's initial.
        QVERIFY(!BrandImages::chatgpt());
        QVERIFY(!BrandImages::claude());
        QVERIFY(!BrandImages::gemini());
    }

    void providerMarksFromFiles() {
        QTemporaryDir root;
        QVERIFY(makeBrand(root.path(), {"chatgpt.png:green", "claude.svg:red", "gemini.svg:red"}));
        BrandFonts::setResourceRoots(QStringList{root.path()});
        QVERIFY(BrandImages::chatgpt());
        QVERIFY(BrandImages::chatgpt()->isTemplate());
        QCOMPARE(BrandImages::chatgpt()->accessibleName(), QStringLiteral("ChatGPT"));
        QVERIFY(BrandImages::claude());
        QVERIFY(!BrandImages::claude()->isTemplate());
        QCOMPARE(BrandImages::claude()->accessibleName(), QStringLiteral("Claude"));
        QVERIFY(BrandImages::gemini());
        QVERIFY(!BrandImages::gemini()->isTemplate());
        QCOMPARE(BrandImages::gemini()->size(), QSizeF(12, 8));
    }

    void loadedOnce() {
        QTemporaryDir root;
        QVERIFY(makeBrand(root.path(), {"mark.svg:red"}));
        BrandFonts::setResourceRoots(QStringList{root.path()});
        QVERIFY(BrandImages::mark());
        QVERIFY(!BrandImages::marker());
        QVERIFY(QFile::remove(QDir(root.path()).filePath("Brand/mark.svg")));
        QVERIFY(makeBrand(root.path(), {"marker.svg:red"}));
        QVERIFY(BrandImages::mark());    // kept
        QVERIFY(!BrandImages::marker()); // still missing for the run
    }

    void markOffProbes_data() {
        QTest::addColumn<QColor>("tint");
        QTest::newRow("light ink") << Theme::ink.resolve(ColorScheme::light);
        QTest::newRow("dark ink") << Theme::ink.resolve(ColorScheme::dark);
    }

    void markOffProbes() {
        QFETCH(QColor, tint);
        const QImage on = BrandImages::mark()->toImage(QSizeF(18, 18), 4, tint);
        const QImage off = BrandImages::markOff()->toImage(QSizeF(18, 18), 4, tint);

        // The shield's left side, clear of the diagonal: full in the mark, dimmed to 40 %.
        QCOMPARE(test::sample(on, QPointF(2.9, 6.5)).alpha(), 255);
        const QColor dimmed = test::sample(off, QPointF(2.9, 6.5));
        QVERIFY2(qAbs(dimmed.alpha() - 102) <= 3, qPrintable(test::describe(dimmed)));
        FERNHOLM_COMPARE_COLOR(QColor(dimmed.rgb()), QColor(tint.rgb()), 2);

        // Between the shield's top and its pill, on the diagonal: empty in the mark, the stroke
        // in full.
        QCOMPARE(test::sample(on, QPointF(7, 7)).alpha(), 0);
        FERNHOLM_COMPARE_COLOR(test::sample(off, QPointF(7, 7)), tint, 0);

        // The diagonal runs from the top left to the bottom right, not the other way.
        QCOMPARE(test::sample(off, QPointF(11, 7)).alpha(), test::sample(on, QPointF(11, 7)).alpha() * 2 / 5);
    }

    void struckThroughSquare() {
        QTemporaryDir root;
        QVERIFY(makeBrand(root.path(), {"square.png:red"}));
        BrandFonts::setResourceRoots(QStringList{root.path()});
        const auto square = BrandImages::load(QStringLiteral("square"), QSizeF(20, 20), true, QString());
        QVERIFY(square);
        const BrandImage struck = BrandImages::struckThrough(*square);
        QCOMPARE(struck.size(), QSizeF(20, 20));
        QVERIFY(struck.isTemplate());
        const QImage image = struck.toImage(QSizeF(20, 20), 2, Qt::black);
        const auto alpha = [&](qreal x, qreal y) {
            return test::sample(image, QPointF(x, y)).alpha();
        };
        QCOMPARE(alpha(10, 10), 255); // on the line
        QCOMPARE(alpha(3, 3), 255);
        QCOMPARE(alpha(17, 17), 255);
        QVERIFY(qAbs(alpha(15, 5) - 102) <= 2);    // off it: the image at 40 %
        QVERIFY(qAbs(alpha(0.5, 0.5) - 102) <= 2); // before its round cap
        QVERIFY(qAbs(alpha(19.5, 19.5) - 102) <= 2);
    }

    void noMarkNoMarkOff() {
        QTemporaryDir root;
        QVERIFY(makeBrand(root.path(), {"marker.svg:red"}));
        BrandFonts::setResourceRoots(QStringList{root.path()});
        QVERIFY(!BrandImages::mark());
        QVERIFY(!BrandImages::markOff());
        QVERIFY(BrandImages::marker());
    }

    void symbols_data() {
        QTest::addColumn<QString>("name");
        for (const QString& name : Icons::names()) {
            QTest::newRow(qPrintable(name)) << name;
        }
    }

    void symbols() {
        QFETCH(QString, name);
        QVERIFY(Icons::has(name));
        const QColor tint(0x9A, 0x64, 0x00);
        const QImage image = Icons::image(name, 24, IconWeight::regular, tint, 2);
        QCOMPARE(image.size(), QSize(48, 48));
        QVERIFY(coveredPixels(image) > 100);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.alpha() >= 128) { // fainter edge pixels lose colour precision when premultiplied
                    QVERIFY2(test::near(QColor(c.red(), c.green(), c.blue()), tint, 3), qPrintable(test::describe(c)));
                }
            }
        }
        // A symbol keeps clear of its square's corners.
        for (const QPoint corner : {QPoint(0, 0), QPoint(47, 0), QPoint(0, 47), QPoint(47, 47)}) {
            QCOMPARE(image.pixelColor(corner).alpha(), 0);
        }
        const QImage light = Icons::image(name, 24, IconWeight::light, tint, 2);
        const QImage medium = Icons::image(name, 24, IconWeight::medium, tint, 2);
        QVERIFY(coveredPixels(light) < coveredPixels(image));
        QVERIFY(coveredPixels(image) < coveredPixels(medium));
    }

    void theListedSymbolsExist() {
        const QStringList needed{"exclamationmark.triangle",
                                 "exclamationmark.circle",
                                 "info.circle",
                                 "xmark",
                                 "arrow.right",
                                 "chevron.down",
                                 "doc",
                                 "eye.slash",
                                 "checkmark",
                                 "lock",
                                 "arrow.uturn.backward",
                                 "doc.on.doc",
                                 "eye"};
        for (const QString& name : needed) {
            QVERIFY2(Icons::has(name), qPrintable(name));
        }
    }

    void unknownSymbol() {
        QVERIFY(!Icons::has(QStringLiteral("gear")));
        QVERIFY(!Icons::shape(QStringLiteral("gear")));
        QVERIFY(Icons::image(QStringLiteral("gear"), 14, IconWeight::regular, Qt::black).isNull());
        QImage image(20, 20, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        QVERIFY(!Icons::paint(painter, QStringLiteral("gear"), QRectF(0, 0, 20, 20), IconWeight::regular, Qt::black));
        painter.end();
        QCOMPARE(coveredPixels(image), 0);
    }

    void symbolSitsInTheMiddleOfItsBox() {
        QImage image(40, 20, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        QVERIFY(Icons::paint(painter, QStringLiteral("xmark"), QRectF(0, 0, 40, 20), IconWeight::medium, Qt::black));
        painter.end();
        QVERIFY(image.pixelColor(20, 10).alpha() > 200); // the cross's middle
        for (int y = 0; y < 20; ++y) {
            QCOMPARE(image.pixelColor(9, y).alpha(), 0);
            QCOMPARE(image.pixelColor(30, y).alpha(), 0);
        }
    }

    void sheet() {
        SymbolSheet sheet;
        const QString path = test::saveScreenshot(test::lightAndDark(&sheet), QStringLiteral("design-symbols"));
        QVERIFY(!path.isEmpty());
    }
};

QTEST_MAIN(BrandImagesTest)
#include "tst_brandimages.moc"
