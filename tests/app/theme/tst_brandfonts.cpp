#include "FernholmApp/theme/BrandFonts.h"
#include "FernholmApp/theme/Fonts.h"
#include "app/support/ViewTesting.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QTemporaryDir>
#include <QTest>

using namespace fernholm;

namespace {

const QString bundledFonts = QStringLiteral(FERNHOLM_RESOURCES "/Fonts");

// A resource root with a Fonts folder holding the given files; a name "a.TTF <- DMSans_400Regular.ttf"
// copies a bundled face under another name, any other name gets a few bytes of text.
bool makeFonts(const QString& root, const QStringList& files) {
    QDir dir(root);
    if (!dir.mkpath(QStringLiteral("Fonts"))) {
        return false;
    }
    for (const QString& file : files) {
        const QStringList parts = file.split(QStringLiteral(" <- "));
        const QString target = dir.filePath(QStringLiteral("Fonts/") + parts[0]);
        if (parts.size() == 2) {
            if (!QFile::copy(QDir(bundledFonts).filePath(parts[1]), target)) {
                return false;
            }
        } else {
            QFile text(target);
            if (!text.open(QIODevice::WriteOnly) || text.write("not a font\n") < 0) {
                return false;
            }
        }
    }
    return true;
}

QString systemFamily() {
    return QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
}

} // namespace

class BrandFontsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { test::useBundledResources(); }
    void cleanupTestCase() { BrandFonts::setResourceRoots(std::nullopt); }

    void cacheKeys_data() {
        QTest::addColumn<qreal>("size");
        QTest::addColumn<std::optional<qreal>>("weight");
        QTest::addColumn<std::optional<qreal>>("opticalSize");
        QTest::addColumn<QString>("key");
        QTest::newRow("title") << 40.0 << std::optional<qreal>() << std::optional<qreal>()
                               << QStringLiteral("Spectral-Medium|40.0|0.0|0.0");
        QTest::newRow("fractions") << 15.36 << std::optional<qreal>(550) << std::optional<qreal>(13.5)
                                   << QStringLiteral("Spectral-Medium|15.36|550.0|13.5");
        QTest::newRow("weight zero is no weight") << 13.0 << std::optional<qreal>(0) << std::optional<qreal>(0)
                                                  << QStringLiteral("Spectral-Medium|13.0|0.0|0.0");
    }

    void cacheKeys() {
        QFETCH(qreal, size);
        QFETCH(std::optional<qreal>, weight);
        QFETCH(std::optional<qreal>, opticalSize);
        QFETCH(QString, key);
        QCOMPARE(BrandFonts::cacheKey(QStringLiteral("Spectral-Medium"), size, weight, opticalSize), key);
    }

    void sansOpticalSize_data() {
        QTest::addColumn<qreal>("size");
        QTest::addColumn<QString>("key");
        QTest::newRow("8 asks for 9") << 8.0 << QStringLiteral("DMSans-9ptRegular|8.0|400.0|9.0");
        QTest::newRow("13 asks for 13") << 13.0 << QStringLiteral("DMSans-9ptRegular|13.0|400.0|13.0");
        QTest::newRow("48 asks for 40") << 48.0 << QStringLiteral("DMSans-9ptRegular|48.0|400.0|40.0");
    }

    void sansOpticalSize() {
        QFETCH(qreal, size);
        QFETCH(QString, key);
        QVERIFY(!BrandFonts::isCached(key));
        const QFont font = Fonts::sans(size, 400);
        QVERIFY2(BrandFonts::isCached(key), qPrintable(key));
        QCOMPARE(QFontInfo(font).family(), QStringLiteral("DM Sans"));
        QCOMPARE(font.pixelSize(), Fonts::pixelSize(size));
    }

    void sansWeights_data() {
        QTest::addColumn<qreal>("weight");
        QTest::addColumn<int>("face");   // the shipped instance chosen
        QTest::addColumn<int>("system"); // the system font's weight without the shipped faces
        QTest::newRow("300") << 300.0 << 400 << int(QFont::Normal);
        QTest::newRow("499") << 499.0 << 400 << int(QFont::Normal);
        QTest::newRow("500") << 500.0 << 500 << int(QFont::Medium);
        QTest::newRow("550") << 550.0 << 500 << int(QFont::Medium);
        QTest::newRow("600") << 600.0 << 600 << int(QFont::DemiBold);
        QTest::newRow("700") << 700.0 << 600 << int(QFont::DemiBold);
    }

    void sansWeights() {
        QFETCH(qreal, weight);
        QFETCH(int, face);
        QFETCH(int, system);

        const QFont shipped = Fonts::sans(14, weight);
        const QFontInfo info(shipped);
        QCOMPARE(info.family(), QStringLiteral("DM Sans"));
        QCOMPARE(info.weight(), face);
        const QString style = face == 600   ? QStringLiteral("SemiBold")
                              : face == 500 ? QStringLiteral("Medium")
                                            : QStringLiteral("Regular");
        QCOMPARE(info.styleName(), style);

        QTemporaryDir empty;
        QVERIFY(makeFonts(empty.path(), {}));
        BrandFonts::setResourceRoots(QStringList{empty.path()});
        const QFont fallback = Fonts::sans(14, weight);
        QCOMPARE(QFontInfo(fallback).family(), systemFamily());
        QCOMPARE(int(fallback.weight()), system);
        QCOMPARE(fallback.pixelSize(), 14);
    }

    void shippedFaces_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qreal>("weight");
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("style");
        QTest::addColumn<bool>("hasArrow");
        QTest::newRow("titles") << QStringLiteral("Spectral-Medium") << 0.0 << QStringLiteral("Spectral")
                                << QStringLiteral("Medium") << true;
        QTest::newRow("mono regular") << QStringLiteral("RobotoMono-Regular") << 400.0 << QStringLiteral("Roboto Mono")
                                      << QStringLiteral("Regular") << false;
        QTest::newRow("mono medium") << QStringLiteral("RobotoMono-Regular") << 500.0 << QStringLiteral("Roboto Mono")
                                     << QStringLiteral("Medium") << false;
        QTest::newRow("body") << QStringLiteral("DMSans-9ptRegular") << 400.0 << QStringLiteral("DM Sans")
                              << QStringLiteral("Regular") << true;
    }

    // The committed files are the faces the views ask for, and they write Polish.
    void shippedFaces() {
        QFETCH(QString, name);
        QFETCH(qreal, weight);
        QFETCH(QString, family);
        QFETCH(QString, style);
        QFETCH(bool, hasArrow);
        const auto font = BrandFonts::font(name, 16, weight > 0 ? std::optional<qreal>(weight) : std::nullopt);
        QVERIFY(font);
        const QFontInfo info(*font);
        QCOMPARE(info.family(), family);
        QCOMPARE(info.styleName(), style);
        QFont exact = *font;
        exact.setStyleStrategy(QFont::NoFontMerging);
        const QFontMetricsF only(exact);
        for (const QChar letter : QStringLiteral("ąćęłńóśźżĄĆĘŁŃÓŚŹŻ")) {
            QVERIFY2(only.inFont(letter), qPrintable(QStringLiteral("%1 lacks %2").arg(name, letter)));
        }
        QCOMPARE(only.inFont(QChar(0x2192)), hasArrow);
    }

    void staticFaces_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<std::optional<qreal>>("weight");
        QTest::addColumn<std::optional<BrandFonts::Face>>("face");
        using Face = BrandFonts::Face;
        const std::optional<qreal> none;
        QTest::newRow("title") << QStringLiteral("Spectral-Medium") << none << std::optional(Face{"Spectral", 500});
        QTest::newRow("title ignores weight")
            << QStringLiteral("Spectral-Medium") << std::optional<qreal>(700) << std::optional(Face{"Spectral", 500});
        QTest::newRow("body without weight")
            << QStringLiteral("DMSans-9ptRegular") << none << std::optional(Face{"DM Sans", 400});
        QTest::newRow("mono 499") << QStringLiteral("RobotoMono-Regular") << std::optional<qreal>(499)
                                  << std::optional(Face{"Roboto Mono", 400});
        QTest::newRow("mono 900") << QStringLiteral("RobotoMono-Regular") << std::optional<qreal>(900)
                                  << std::optional(Face{"Roboto Mono", 500});
        QTest::newRow("unknown face") << QStringLiteral("Helvetica") << none << std::optional<Face>();
        QTest::newRow("names are exact") << QStringLiteral("spectral-medium") << none << std::optional<Face>();
    }

    void staticFaces() {
        QFETCH(QString, name);
        QFETCH(std::optional<qreal>, weight);
        QFETCH(std::optional<BrandFonts::Face>, face);
        QCOMPARE(BrandFonts::staticFace(name, weight), face);
    }

    void absentWeightAndZeroShareOneEntry() {
        const QString key = BrandFonts::cacheKey(QStringLiteral("RobotoMono-Regular"), 12, std::nullopt, std::nullopt);
        QVERIFY(!BrandFonts::isCached(key));
        const auto absent = BrandFonts::font(QStringLiteral("RobotoMono-Regular"), 12);
        QVERIFY(absent);
        QVERIFY(BrandFonts::isCached(key));
        const auto zero = BrandFonts::font(QStringLiteral("RobotoMono-Regular"), 12, 0.0, 0.0);
        QVERIFY(zero);
        QCOMPARE(*zero, *absent);
        QCOMPARE(QFontInfo(*zero).styleName(), QStringLiteral("Regular"));
    }

    void aMissingFaceIsTriedAgain() {
        QTemporaryDir empty;
        QVERIFY(makeFonts(empty.path(), {QStringLiteral("notes.txt")}));
        BrandFonts::setResourceRoots(QStringList{empty.path()});
        const QString key = BrandFonts::cacheKey(QStringLiteral("Spectral-Medium"), 22, std::nullopt, std::nullopt);

        QVERIFY(!BrandFonts::font(QStringLiteral("Spectral-Medium"), 22)); // the system substitutes another
        QVERIFY(!BrandFonts::isCached(key));

        // The face turns up in the process some other way: the next request finds it.
        const int id = QFontDatabase::addApplicationFont(QDir(bundledFonts).filePath("Spectral_500Medium.ttf"));
        QVERIFY(id >= 0);
        const auto found = BrandFonts::font(QStringLiteral("Spectral-Medium"), 22);
        QFontDatabase::removeApplicationFont(id);
        QVERIFY(found);
        QVERIFY(BrandFonts::isCached(key));
    }

    void search_data() {
        QTest::addColumn<QStringList>("first"); // files of the first root's Fonts; "-" for no folder
        QTest::addColumn<QStringList>("second");
        QTest::addColumn<QStringList>("registered"); // "<root index>/<file>"
        const QString regular = QStringLiteral("DMSans_400Regular.ttf");
        QTest::newRow("first without ttf is skipped")
            << QStringList{QStringLiteral("readme.txt"), QStringLiteral("font.otf")}
            << QStringList{QStringLiteral("a.ttf <- ") + regular} << QStringList{QStringLiteral("1/a.ttf")};
        QTest::newRow("upper-case extension counts")
            << QStringList{QStringLiteral("B.TTF <- ") + regular, QStringLiteral("notes.txt")}
            << QStringList{QStringLiteral("c.ttf <- ") + regular} << QStringList{QStringLiteral("0/B.TTF")};
        QTest::newRow("missing folder is skipped")
            << QStringList{QStringLiteral("-")} << QStringList{QStringLiteral("a.ttf <- ") + regular}
            << QStringList{QStringLiteral("1/a.ttf")};
        QTest::newRow("only the first folder with fonts")
            << QStringList{QStringLiteral("a.ttf <- ") + regular, QStringLiteral("b.ttf <- RobotoMono_400Regular.ttf")}
            << QStringList{QStringLiteral("c.ttf <- ") + regular}
            << QStringList{QStringLiteral("0/a.ttf"), QStringLiteral("0/b.ttf")};
        QTest::newRow("a broken file is passed over")
            << QStringList{QStringLiteral("broken.ttf"), QStringLiteral("good.ttf <- ") + regular}
            << QStringList{QStringLiteral("c.ttf <- ") + regular} << QStringList{QStringLiteral("0/good.ttf")};
        QTest::newRow("nothing anywhere") << QStringList{} << QStringList{QStringLiteral("-")} << QStringList{};
    }

    void search() {
        QFETCH(QStringList, first);
        QFETCH(QStringList, second);
        QFETCH(QStringList, registered);
        QTemporaryDir roots;
        const QStringList rootPaths{QDir(roots.path()).filePath("0"), QDir(roots.path()).filePath("1")};
        const QList<QStringList> contents{first, second};
        for (int i = 0; i < 2; ++i) {
            QVERIFY(QDir().mkpath(rootPaths[i]));
            if (contents[i] != QStringList{QStringLiteral("-")}) {
                QVERIFY(makeFonts(rootPaths[i], contents[i]));
            }
        }
        BrandFonts::setResourceRoots(rootPaths);
        QCOMPARE(BrandFonts::resourceDirectories(QStringLiteral("Fonts")),
                 (QStringList{rootPaths[0] + QStringLiteral("/Fonts"), rootPaths[1] + QStringLiteral("/Fonts")}));

        BrandFonts::registerFonts();
        QStringList expected;
        for (const QString& entry : registered) {
            expected << QDir(rootPaths[entry.left(1).toInt()]).filePath(QStringLiteral("Fonts/") + entry.mid(2));
        }
        QCOMPARE(BrandFonts::registeredFiles(), expected);
    }

    void registrationRunsOnce_data() {
        QTest::addColumn<QStringList>("before");
        QTest::newRow("after finding nothing") << QStringList{};
        QTest::newRow("after finding fonts") << QStringList{QStringLiteral("a.ttf <- RobotoMono_400Regular.ttf")};
    }

    void registrationRunsOnce() {
        QFETCH(QStringList, before);
        QTemporaryDir root;
        QVERIFY(makeFonts(root.path(), before));
        BrandFonts::setResourceRoots(QStringList{root.path()});
        BrandFonts::registerFonts();
        const QStringList first = BrandFonts::registeredFiles();
        QCOMPARE(first.size(), before.size());

        QVERIFY(makeFonts(root.path(), {QStringLiteral("late.ttf <- DMSans_400Regular.ttf")}));
        BrandFonts::registerFonts();
        QVERIFY(!BrandFonts::font(QStringLiteral("DMSans-9ptRegular"), 13, 400.0)); // implies another try
        QCOMPARE(BrandFonts::registeredFiles(), first);
    }

    void programFolders() {
        BrandFonts::setResourceRoots(std::nullopt);
        const QStringList folders = BrandFonts::resourceDirectories(QStringLiteral("Brand"));
        QVERIFY(!folders.isEmpty());
        QCOMPARE(folders.last(), QCoreApplication::applicationDirPath() + QStringLiteral("/resources/Brand"));
    }
};

QTEST_MAIN(BrandFontsTest)
#include "tst_brandfonts.moc"
