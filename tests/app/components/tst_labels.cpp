#include "FernholmApp/model/AppVersion.h"
#include "FernholmApp/theme/BrandFonts.h"
#include "FernholmApp/components/layout/FlowLayout.h"
#include "FernholmApp/components/layout/PageHeader.h"
#include "FernholmApp/components/text/ProviderLogo.h"
#include "FernholmApp/components/layout/RowDivider.h"
#include "FernholmApp/components/text/SectionLabel.h"
#include "FernholmApp/components/text/StatusPill.h"
#include "FernholmApp/components/text/TokenChip.h"
#include "FernholmApp/components/text/TokenText.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/TextPainting.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"
#include "FernholmKit/Version.h"
#include "app/support/LayoutTesting.h"
#include "app/support/ViewTesting.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

using namespace fernholm;

Q_DECLARE_METATYPE(fernholm::PillKind)
Q_DECLARE_METATYPE(const fernholm::ThemeColor*)
Q_DECLARE_METATYPE(std::optional<fernholm::KnownProvider>)
Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

// Whether any pixel of the image is within `tolerance` of `color`.
bool showsColour(const QImage& image, const QColor& color, int tolerance = 10) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (test::near(image.pixelColor(x, y), color, tolerance)) {
                return true;
            }
        }
    }
    return false;
}

QImage renderAtHint(QWidget* widget, ColorScheme scheme) {
    widget->resize(widget->sizeHint());
    return test::render(widget, scheme);
}

// Lays several small widgets out side by side on one sheet for the screenshots.
QImage sheetOf(const QList<QWidget*>& widgets, int columns = 4) {
    QWidget sheet;
    auto* grid = new QVBoxLayout(&sheet);
    grid->setContentsMargins(16, 16, 16, 16);
    grid->setSpacing(12);
    QHBoxLayout* row = nullptr;
    for (int i = 0; i < widgets.size(); ++i) {
        if (i % columns == 0) {
            row = new QHBoxLayout;
            row->setSpacing(12);
            grid->addLayout(row);
        }
        row->addWidget(widgets.at(i), 0, Qt::AlignLeft | Qt::AlignVCenter);
    }
    if (row) {
        row->addStretch(1);
    }
    sheet.resize(sheet.sizeHint().expandedTo(QSize(360, 0)));
    sheet.show();
    test::settle();
    return test::lightAndDark(&sheet);
}

} // namespace

class LabelsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        test::useBundledResources();
        L10n::setLanguage(QStringLiteral("en"));
    }

    void cleanup() {
        L10n::setLanguage(QStringLiteral("en"));
        test::useBundledResources();
    }

    void tokenChipMetrics_data() {
        QTest::addColumn<qreal>("size");
        QTest::addColumn<qreal>("paddingH");
        QTest::addColumn<qreal>("paddingV");
        QTest::addColumn<qreal>("radius");
        QTest::newRow("10: small") << 10.0 << 6.0 << 2.0 << 5.0;
        QTest::newRow("11: small") << 11.0 << 6.0 << 2.0 << 5.0;
        QTest::newRow("11.5: large") << 11.5 << 8.0 << 3.0 << 6.0;
        QTest::newRow("13: large") << 13.0 << 8.0 << 3.0 << 6.0;
    }

    void tokenChipMetrics() {
        QFETCH(qreal, size);
        QFETCH(qreal, paddingH);
        QFETCH(qreal, paddingV);
        QFETCH(qreal, radius);
        const QString token = QStringLiteral("[PERSON_1]");
        TokenChip chip(token, size);
        QCOMPARE(chip.metrics(size), (TokenChip::Metrics{paddingH, paddingV, radius}));
        QCOMPARE(chip.font().family(), QStringLiteral("Roboto Mono"));
        const QFont font = Fonts::mono(size, 400);
        const qreal text = Text::size(token, font, QWIDGETSIZE_MAX, {1, 0, Qt::AlignLeft}).width();
        QCOMPARE(chip.sizeHint(),
                 QSize(int(std::ceil(text + 2 * paddingH)), int(std::ceil(Text::lineHeight(font) + 2 * paddingV))));

        for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
            const QImage image = renderAtHint(&chip, scheme);
            FERNHOLM_COMPARE_COLOR(test::sample(image, {paddingH / 2, chip.height() / 2.0}),
                                   Theme::tokenChipBg.resolve(scheme), 1);
            FERNHOLM_COMPARE_COLOR(test::sample(image, {0.25, 0.25}), Theme::background.resolve(scheme), 2);
            QVERIFY(showsColour(image, Theme::tokenChip.resolve(scheme)));
        }
    }

    void statusPill_data() {
        QTest::addColumn<PillKind>("kind");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("text");
        QTest::addColumn<const ThemeColor*>("ink");
        QTest::addColumn<const ThemeColor*>("fill");
        QTest::newRow("redacted") << PillKind::redacted << "en"
                                  << "Redacted" << &Theme::green << &Theme::greenBg;
        QTest::newRow("passed") << PillKind::passed << "en"
                                << "Passed" << &Theme::dim << &Theme::neutralBg;
        QTest::newRow("blocked") << PillKind::blocked << "en"
                                 << "Blocked" << &Theme::red << &Theme::redBg;
        QTest::newRow("unfiltered") << PillKind::unfiltered << "en"
                                    << "Not inspected" << &Theme::warningInk << &Theme::warningIconBg;
        QTest::newRow("redacted, Polish") << PillKind::redacted << "pl"
                                          << "Ukryto dane" << &Theme::green << &Theme::greenBg;
        QTest::newRow("passed, Polish") << PillKind::passed << "pl"
                                        << "Bez zmian" << &Theme::dim << &Theme::neutralBg;
        QTest::newRow("blocked, Polish") << PillKind::blocked << "pl"
                                         << "Zablokowano" << &Theme::red << &Theme::redBg;
        QTest::newRow("unfiltered, Polish") << PillKind::unfiltered << "pl"
                                            << "Nie sprawdzono" << &Theme::warningInk << &Theme::warningIconBg;
    }

    void statusPill() {
        QFETCH(PillKind, kind);
        QFETCH(QString, language);
        QFETCH(QString, text);
        QFETCH(const ThemeColor*, ink);
        QFETCH(const ThemeColor*, fill);
        L10n::setLanguage(language);
        StatusPill pill(kind);
        QCOMPARE(pill.text(), text);
        const QFont font = Fonts::sans(12, 600);
        QCOMPARE(pill.sizeHint().height(), int(std::ceil(Text::lineHeight(font) + 8 - 1e-6)));
        QVERIFY(pill.sizeHint().width() >= Text::size(text, font, QWIDGETSIZE_MAX, {1, 0, Qt::AlignLeft}).width() + 20);
        QCOMPARE(pill.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
        for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
            const QImage image = renderAtHint(&pill, scheme);
            const QColor background = Theme::background.resolve(scheme);
            FERNHOLM_COMPARE_COLOR(test::sample(image, {pill.width() / 2.0, 1.5}),
                                   test::over(fill->resolve(scheme), background), 2);
            FERNHOLM_COMPARE_COLOR(test::sample(image, {0.5, 0.5}), background, 2); // a capsule's corner
            QVERIFY2(showsColour(image, ink->resolve(scheme)), qPrintable(text));
        }
    }

    // The pill changes in place, to the new kind's text and size.
    void statusPillUpdates() {
        StatusPill pill(PillKind::passed);
        const QSize passed = pill.sizeHint();
        pill.setKind(PillKind::unfiltered);
        QCOMPARE(pill.text(), QStringLiteral("Not inspected"));
        QVERIFY(pill.sizeHint().width() > passed.width());
    }

    void knownProviders_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<std::optional<KnownProvider>>("provider");
        QTest::newRow("OpenAI") << "OpenAI" << std::optional(KnownProvider::chatgpt);
        QTest::newRow("openai") << "openai" << std::optional(KnownProvider::chatgpt);
        QTest::newRow("OPENAI") << "OPENAI" << std::optional(KnownProvider::chatgpt);
        QTest::newRow("chatgpt_web") << "chatgpt_web" << std::optional(KnownProvider::chatgpt);
        QTest::newRow("anthropic") << "anthropic" << std::optional(KnownProvider::claude);
        QTest::newRow("claude_web") << "claude_web" << std::optional(KnownProvider::claude);
        QTest::newRow("Claude") << "Claude" << std::optional(KnownProvider::claude);
        QTest::newRow("google") << "google" << std::optional(KnownProvider::gemini);
        QTest::newRow("gemini_api") << "gemini_api" << std::optional(KnownProvider::gemini);
        QTest::newRow("another id") << "mistral" << std::optional<KnownProvider>();
        QTest::newRow("a near miss") << "openai_web" << std::optional<KnownProvider>();
        QTest::newRow("empty") << "" << std::optional<KnownProvider>();
    }

    void knownProviders() {
        QFETCH(QString, name);
        QFETCH(std::optional<KnownProvider>, provider);
        QCOMPARE(knownProvider(name), provider);
    }

    // No provider's image ships: every logo shows the provider's initial. With images in place
    // (fixtures here), the known ones show theirs.
    void providerMarks_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("image"); // accessible name of the mark, empty for none
        QTest::newRow("OpenAI") << "OpenAI"
                                << "ChatGPT";
        QTest::newRow("anthropic") << "anthropic"
                                   << "Claude";
        QTest::newRow("google") << "google"
                                << "Gemini";
        QTest::newRow("claude_web") << "claude_web"
                                    << "Claude";
        QTest::newRow("another id") << "mistral"
                                    << "";
    }

    void providerMarks() {
        QFETCH(QString, name);
        QFETCH(QString, image);
        QVERIFY(!providerMark(name).has_value());
        BrandFonts::setResourceRoots(
            QStringList{QStringLiteral(FERNHOLM_TEST_DATA "/brand"), QStringLiteral(FERNHOLM_RESOURCES)});
        const auto mark = providerMark(name);
        QCOMPARE(mark.has_value(), !image.isEmpty());
        if (mark) {
            QCOMPARE(mark->accessibleName(), image);
        }
    }

    void providerLetters_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("letter");
        QTest::newRow("an id without a mark") << "mistral"
                                              << "M";
        QTest::newRow("a known id, no image shipped") << "openai"
                                                      << "C";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("a flag") << QStringLiteral("\U0001F1F5\U0001F1F1 bank")
                                << QStringLiteral("\U0001F1F5\U0001F1F1");
        QTest::newRow("a joined emoji") << QStringLiteral("\U0001F469\u200D\U0001F4BB dev")
                                        << QStringLiteral("\U0001F469\u200D\U0001F4BB");
        QTest::newRow("a letter and its accent") << QStringLiteral("e\u0301tude") << QStringLiteral("E\u0301");
    }

    void providerLetters() {
        QFETCH(QString, name);
        QFETCH(QString, letter);
        ProviderLogo logo(name, 40);
        QVERIFY(!logo.hasMark());
        QCOMPARE(logo.letter(), letter);
        QCOMPARE(logo.sizeHint(), QSize(40, 40));
        const QImage image = test::render(&logo, ColorScheme::light);
        const bool inked = showsColour(image, Theme::ink.resolve(ColorScheme::light), 40);
        if (letter.isEmpty()) {
            QVERIFY(!inked);
        } else if (letter.at(0).isLetter()) {
            QVERIFY(inked);
        }
    }

    void providerTiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("withImages");
        QTest::addColumn<qreal>("logoSize");
        QTest::newRow("letter") << "mistral" << false << 20.0;
        QTest::newRow("known id, no image") << "openai" << false << 20.0;
        QTest::newRow("template mark") << "openai" << true << 22.0;
        QTest::newRow("coloured mark") << "anthropic" << true << 22.0;
    }

    void providerTiles() {
        QFETCH(QString, name);
        QFETCH(bool, withImages);
        QFETCH(qreal, logoSize);
        if (withImages) {
            BrandFonts::setResourceRoots(
                QStringList{QStringLiteral(FERNHOLM_TEST_DATA "/brand"), QStringLiteral(FERNHOLM_RESOURCES)});
        }
        ProviderTile tile(name, 40, Theme::tile);
        QCOMPARE(tile.logo()->logoSize(), logoSize);
        QCOMPARE(tile.sizeHint(), QSize(40, 40));
        tile.resize(40, 40);
        for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
            const QImage image = test::render(&tile, scheme);
            FERNHOLM_COMPARE_COLOR(test::sample(image, {0.5, 0.5}), Theme::background.resolve(scheme), 2);
            FERNHOLM_COMPARE_COLOR(test::sample(image, {4, 20}), Theme::tile.resolve(scheme), 1);
            if (withImages && name == QLatin1String("openai")) {
                // The template disc in ink, at 0.55 of the tile.
                FERNHOLM_COMPARE_COLOR(test::sample(image, {20, 20}), Theme::ink.resolve(scheme), 2);
                FERNHOLM_COMPARE_COLOR(test::sample(image, {20, 12}), Theme::ink.resolve(scheme), 2);
                FERNHOLM_COMPARE_COLOR(test::sample(image, {20, 7}), Theme::tile.resolve(scheme), 1);
            } else if (withImages) {
                FERNHOLM_COMPARE_COLOR(test::sample(image, {20, 20}), QColor(0x20, 0x60, 0xC0), 2);
            }
        }
    }

    void sectionLabel_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain") << "Experimental"
                               << "EXPERIMENTAL";
        QTest::newRow("full case mapping") << QStringLiteral("straße") << QStringLiteral("STRASSE");
        QTest::newRow("Polish") << QStringLiteral("Źródła żądań") << QStringLiteral("ŹRÓDŁA ŻĄDAŃ");
    }

    void sectionLabel() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        SectionLabel label(text);
        QCOMPARE(label.text(), shown);
        QVERIFY(label.isHeading());
        QVERIFY(qAbs(label.font().letterSpacing() - 0.96) <= 1.0 / 64); // QFont keeps 1/64 px
        QCOMPARE(label.font().pixelSize(), 12);
        label.setText(text + QStringLiteral(" x"));
        QCOMPARE(label.text(), shown + QStringLiteral(" X"));
    }

    void naturalWidthKeepsOneLine_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qreal>("tracking");
        QTest::newRow("untracked") << "The description as it will be sent" << 0.0;
        QTest::newRow("tracked caption") << "THE DESCRIPTION AS IT WILL BE SENT" << 0.66;
        QTest::newRow("tracked, Polish") << QStringLiteral("OPIS W TAKIEJ POSTACI, W JAKIEJ ZOSTANIE WYSŁANY") << 0.96;
        QTest::newRow("tightened title") << "Report a problem" << -1.05;
    }

    // A wrapping label given exactly its natural width (as a layout gives a label placed with an
    // alignment) keeps its text on one line, letter spacing or not.
    void naturalWidthKeepsOneLine() {
        QFETCH(QString, text);
        QFETCH(qreal, tracking);
        TextLabel label(text, Fonts::tracked(Fonts::sans(11, 600), tracking), Theme::ink);
        const QSize natural = label.sizeHint();
        QCOMPARE(label.heightForWidth(natural.width()), natural.height());
        QCOMPARE(natural.height(), int(std::ceil(Text::lineHeight(label.font()) - 1e-6)));
    }

    // Without a subtitle only the title shows; with one, the subtitle wraps at its full height.
    void pageHeaderSubtitle() {
        PageHeader alone(QStringLiteral("Activity"));
        alone.resize(600, alone.heightForWidth(600));
        alone.show();
        test::settle();
        QVERIFY(!alone.subtitleLabel()->isVisible());
        QCOMPARE(alone.height(), alone.titleLabel()->height());
        QCOMPARE(alone.titleLabel()->height(), int(std::ceil(Text::lineHeight(Theme::titleFont()) - 1e-6)));

        const QString longText = QStringLiteral("Everything Tarvine hid or blocked before it reached an AI chat, "
                                                "newest first, kept only on this computer.");
        PageHeader header(QStringLiteral("Activity"), longText);
        header.resize(300, header.heightForWidth(300));
        header.show();
        test::settle();
        TextLabel* subtitle = header.subtitleLabel();
        QVERIFY(subtitle->isVisible());
        QCOMPARE(subtitle->height(), subtitle->heightForWidth(subtitle->width()));
        QVERIFY(subtitle->height() > 2 * Text::lineHeight(subtitle->font()));
        QCOMPARE(subtitle->geometry().top(), header.titleLabel()->geometry().bottom() + 1 + 6);
        QCOMPARE(subtitle->geometry().bottom(), header.height() - 1);
        QCOMPARE(subtitle->font().pixelSize(), 14);
    }

    // The title keeps its whole size beside the trailing view while both fit; when they do
    // not, the trailing view wraps under the texts and the title takes the whole width. Only a
    // header too narrow for the title alone shrinks it, to 70 %, before cutting it.
    void pageHeaderTitle_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("wraps");
        QTest::addColumn<bool>("shrunk");
        QTest::addColumn<bool>("cut");
        QTest::newRow("fits beside") << "Activity" << 676 << false << false << false;
        QTest::newRow("wraps the trailing view") << "Protection settings" << 376 << true << false << false;
        QTest::newRow("shrinks when alone too wide") << "Protection settings" << 300 << true << true << false;
        QTest::newRow("cut at 70 %") << "Protection settings and more" << 200 << true << true << true;
    }

    void pageHeaderTitle() {
        QFETCH(QString, title);
        QFETCH(int, width);
        QFETCH(bool, wraps);
        QFETCH(bool, shrunk);
        QFETCH(bool, cut);
        auto* trailing = new test::Swatch(Theme::ink, QSize(60, 30));
        PageHeader header(title, std::nullopt, trailing);
        header.resize(width, header.heightForWidth(width));
        header.show();
        test::settle();
        const TextLabel* label = header.titleLabel();
        QCOMPARE(header.wrapsAt(width), wraps);
        const int size = label->shownFont().pixelSize();
        QCOMPARE(size < 40, shrunk);
        QVERIFY(size >= 28);
        QCOMPARE(label->isTruncated(), cut);
        QVERIFY(label->isHeading());
        QCOMPARE(header.height(), header.heightForWidth(width));
        if (wraps) {
            // Under the title at the leading edge; the title has the whole width.
            QCOMPARE(label->width(), width);
            QCOMPARE(trailing->geometry().left(), 0);
            QCOMPARE(trailing->geometry().top(), label->geometry().bottom() + 1 + PageHeader::wrappedSpacing);
            QCOMPARE(trailing->geometry().bottom(), header.height() - 1);
        } else {
            // At the far side, on the bottom edge, 16 from the title.
            QCOMPARE(label->width(), width - 60 - 16);
            QCOMPARE(trailing->geometry().right(), header.width() - 1);
            QCOMPARE(trailing->geometry().bottom(), header.height() - 1);
        }
    }

    // A long subtitle beside a control would be squeezed into a narrow column: the control
    // wraps under it instead, and the subtitle keeps the header's width.
    void pageHeaderSubtitleIsNeverSqueezed() {
        const QString subtitle = QStringLiteral("Wszystko, co Tarvine ukrył lub zablokował, zanim trafiło do czatu AI, "
                                                "od najnowszych, przechowywane tylko na tym komputerze.");
        auto* trailing = new test::Swatch(Theme::ink, QSize(300, 40));
        PageHeader header(QStringLiteral("Aktywność"), subtitle, trailing);
        header.resize(560, header.heightForWidth(560));
        header.show();
        test::settle();
        QVERIFY(header.wrapsAt(560));
        QCOMPARE(header.subtitleLabel()->width(), 560);
        QVERIFY(!header.titleLabel()->isTruncated());
        QVERIFY(header.subtitleLabel()->height() <= 3 * Text::lineHeight(header.subtitleLabel()->font()) + 1);
        QVERIFY(trailing->geometry().top() > header.subtitleLabel()->geometry().bottom());

        header.resize(1000, header.heightForWidth(1000));
        test::settle();
        QVERIFY(!header.wrapsAt(1000));
        QCOMPARE(trailing->geometry().right(), 999);
    }

    void rowDivider() {
        QWidget holder;
        auto* layout = new QVBoxLayout(&holder);
        layout->setContentsMargins(0, 10, 0, 10);
        auto* divider = new RowDivider;
        layout->addWidget(divider);
        holder.resize(200, 21);
        holder.show();
        test::settle();
        QCOMPARE(divider->geometry(), QRect(0, 10, 200, 1));
        for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
            const QImage image = test::render(&holder, scheme);
            const QColor background = Theme::background.resolve(scheme);
            FERNHOLM_COMPARE_COLOR(test::sample(image, {100, 10.5}),
                                   test::over(Theme::line.resolve(scheme), background), 1);
            FERNHOLM_COMPARE_COLOR(test::sample(image, {100, 9.5}), background, 0);
        }
    }

    void versions_data() {
        QTest::addColumn<QString>("configured");
        QTest::addColumn<std::optional<QString>>("version");
        QTest::newRow("a version") << "0.1.0" << std::optional<QString>(QStringLiteral("0.1.0"));
        QTest::newRow("none") << "" << std::optional<QString>();
        QTest::newRow("blank") << "  " << std::optional<QString>();
    }

    void versions() {
        QFETCH(QString, configured);
        QFETCH(std::optional<QString>, version);
        QCOMPARE(versionFrom(configured), version);
    }

    void appVersionIsTheProjectVersion() {
        QCOMPARE(appVersion(), std::optional<QString>(QStringLiteral(FERNHOLM_APP_VERSION)));
        QVERIFY(appVersion().has_value());
    }

    // Tokens are shown as they are, in any language, in the token colour, also in the fallback face.
    void tokenText_data() {
        QTest::addColumn<bool>("bundledFonts");
        QTest::newRow("shipped face") << true;
        QTest::newRow("fallback face") << false;
    }

    void tokenText() {
        QFETCH(bool, bundledFonts);
        QTemporaryDir empty;
        if (!bundledFonts) {
            BrandFonts::setResourceRoots(QStringList{empty.path()});
        }
        L10n::setLanguage(QStringLiteral("pl"));
        const QString token = QStringLiteral("[EMAIL_ADDRESS_2]");
        TokenText text(token, 14);
        QCOMPARE(text.text(), token);
        const QString family =
            bundledFonts ? QStringLiteral("Roboto Mono") : QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
        QCOMPARE(text.font().family(), family);
        QCOMPARE(text.font().pixelSize(), 14);
        QVERIFY(QFontInfo(text.font()).fixedPitch());
        for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
            QVERIFY(showsColour(renderAtHint(&text, scheme), Theme::token.resolve(scheme)));
        }

        TokenArrow arrow(14);
        QCOMPARE(arrow.text(), QStringLiteral("→"));
        QVERIFY(showsColour(renderAtHint(&arrow, ColorScheme::light), Theme::token.resolve(ColorScheme::light)));
    }

    void screenshot() {
        for (const QString& language : {QStringLiteral("en"), QStringLiteral("pl")}) {
            L10n::setLanguage(language);
            QList<QWidget*> widgets;
            widgets << new TokenChip(QStringLiteral("[PERSON_1]"), 11)
                    << new TokenChip(QStringLiteral("[IBAN_2]"), 11.5)
                    << new TokenChip(QStringLiteral("[EMAIL_ADDRESS_12]"), 13)
                    << new TokenText(QStringLiteral("[PHONE_3]"), 13);
            for (PillKind kind : {PillKind::redacted, PillKind::passed, PillKind::blocked, PillKind::unfiltered}) {
                widgets << new StatusPill(kind);
            }
            widgets << new ProviderTile(QStringLiteral("claude_web"), 36, Theme::tile)
                    << new ProviderTile(QStringLiteral("mistral"), 36, Theme::surface)
                    << new ProviderLogo(QStringLiteral("perplexity"), 24) << new TokenArrow(14);
            widgets << new SectionLabel(language == QLatin1String("pl") ? QStringLiteral("Eksperymentalne")
                                                                        : QStringLiteral("Experimental"));
            QVERIFY(!test::saveScreenshot(sheetOf(widgets), language == QLatin1String("pl")
                                                                ? QStringLiteral("labels-pl")
                                                                : QStringLiteral("labels"))
                         .isEmpty());
        }
    }
};

QTEST_MAIN(LabelsTest)
#include "tst_labels.moc"
