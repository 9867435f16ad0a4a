#include "FernholmApp/components/activity/AnonymizedTextView.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/ViewTesting.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QToolTip>
#include <QVBoxLayout>

#include <cmath>
#include <memory>

using namespace fernholm;

using Segments = QList<AnonymizedSegment>;
using Reports = QList<std::optional<QString>>;

Q_DECLARE_METATYPE(std::optional<QString>)
Q_DECLARE_METATYPE(std::optional<int>)
Q_DECLARE_METATYPE(fernholm::ColorScheme)

namespace {

AnonymizedSegment plain(const QString& text) {
    return AnonymizedSegment::plain(text);
}
AnonymizedSegment restored(const QString& text) {
    return AnonymizedSegment::restored(text);
}
AnonymizedSegment token(const QString& text, const QString& value) {
    return AnonymizedSegment::token(text, value, QStringLiteral("PERSON"));
}

// "Write to [PERSON_1] at anna@example.com about the invoice." and a second sentence.
Segments letter() {
    return {plain(QStringLiteral("Write to ")), token(QStringLiteral("[PERSON_1]"), QStringLiteral("Anna Kowal")),
            plain(QStringLiteral(" at ")), restored(QStringLiteral("anna@example.com")),
            plain(QStringLiteral(" about the invoice. Then call Marek tomorrow."))};
}

Segments longText(int sentences) {
    Segments out;
    for (int i = 0; i < sentences; ++i) {
        out << plain(QStringLiteral("Sentence %1 of a text long enough to wrap over many lines, with ").arg(i))
            << token(QStringLiteral("[PERSON_%1]").arg(i), QStringLiteral("Person %1").arg(i))
            << plain(QStringLiteral(" in it. "));
    }
    return out;
}

// Where segment `index` starts and ends in the document, for texts without "\r\n".
std::pair<int, int> documentRange(const Segments& segments, int index) {
    int start = 0;
    for (int i = 0; i < index; ++i) {
        start += int(segments.at(i).text.size());
    }
    return {start, start + int(segments.at(index).text.size())};
}

QRect caretAt(const AnonymizedTextView& view, int position) {
    QTextCursor cursor(view.document());
    cursor.setPosition(position);
    return view.cursorRect(cursor);
}

// The middle of the glyphs from `start` to `end` (on one line), in viewport coordinates.
QPoint middleOf(const AnonymizedTextView& view, int start, int end) {
    const QRect a = caretAt(view, start);
    const QRect b = caretAt(view, end);
    return QPoint((a.left() + b.left()) / 2, a.center().y());
}

void select(AnonymizedTextView& view, int start, int end) {
    QTextCursor cursor(view.document());
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    view.setTextCursor(cursor);
}

// `top` painted over the opaque `bottom`.
QColor over(const QColor& top, const QColor& bottom) {
    const qreal a = top.alphaF();
    return QColor::fromRgbF(float(top.redF() * a + bottom.redF() * (1 - a)),
                            float(top.greenF() * a + bottom.greenF() * (1 - a)),
                            float(top.blueF() * a + bottom.blueF() * (1 - a)));
}

// The dark feature card a dark view sits on.
class FeatureCard : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Theme::feature.on(this));
    }
};

struct Fixture {
    explicit Fixture(const Segments& segments, bool dark = false, const QFont& font = Fonts::sans(14))
        : view(std::make_unique<AnonymizedTextView>(font, dark)) {
        view->setSegments(segments);
        view->setOnSelection([this](const std::optional<QString>& value) { selections.append(value); });
        view->setOnActivate([this](const AnonymizedSegment& segment) { activated.append(segment); });
        view->setOnHide([this](const QString& value) { hidden.append(value); });
        view->resize(420, 140);
        view->show();
    }

    std::unique_ptr<AnonymizedTextView> view;
    Reports selections;
    Segments activated;
    QStringList hidden;
};

} // namespace

class AnonymizedTextViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        test::useBundledResources();
        L10n::setLanguage(QStringLiteral("en"));
    }
    void cleanup() { L10n::setLanguage(QStringLiteral("en")); }

    void clicks_data() {
        QTest::addColumn<int>("segment");
        QTest::addColumn<bool>("interactive");
        QTest::addColumn<int>("activatedSegment"); // -1: nothing
        QTest::newRow("token") << 1 << true << 1;
        QTest::newRow("restored value") << 3 << true << 3;
        QTest::newRow("plain text") << 2 << true << -1;
        QTest::newRow("token, not interactive") << 1 << false << -1;
    }

    void clicks() {
        QFETCH(int, segment);
        QFETCH(bool, interactive);
        QFETCH(int, activatedSegment);
        Fixture f(letter());
        f.view->setInteractive(interactive);
        QVERIFY(QTest::qWaitForWindowExposed(f.view.get()));
        const auto [start, end] = documentRange(letter(), segment);
        QTest::mouseClick(f.view->viewport(), Qt::LeftButton, {}, middleOf(*f.view, start, end));
        QCoreApplication::processEvents();
        if (activatedSegment < 0) {
            QVERIFY(f.activated.isEmpty());
        } else {
            QCOMPARE(f.activated, Segments{letter().at(activatedSegment)});
        }
    }

    // A click whose callback changes the text at once (the page re-checks and shows the result).
    void clickThatChangesTheText() {
        Fixture f(letter());
        QVERIFY(QTest::qWaitForWindowExposed(f.view.get()));
        f.view->setFocus();
        const Segments shown{plain(QStringLiteral("Write to ")), restored(QStringLiteral("Anna Kowal")),
                             plain(QStringLiteral(" today."))};
        f.view->setOnActivate([&f, shown](const AnonymizedSegment&) { f.view->setSegments(shown); });
        const auto [start, end] = documentRange(letter(), 1);
        QTest::mouseClick(f.view->viewport(), Qt::LeftButton, {}, middleOf(*f.view, start, end));
        QCoreApplication::processEvents();
        QCOMPARE(f.view->toPlainText(), QStringLiteral("Write to Anna Kowal today."));
        QVERIFY(!f.view->textCursor().hasSelection());
    }

    void links_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("handled");
        QTest::addColumn<int>("activatedSegment");
        QTest::newRow("first") << "tarvine-segment:0" << true << 0;
        QTest::newRow("last") << "tarvine-segment:4" << true << 4;
        QTest::newRow("past the end") << "tarvine-segment:7" << false << -1;
        QTest::newRow("exactly the count") << "tarvine-segment:5" << false << -1;
        QTest::newRow("negative") << "tarvine-segment:-1" << false << -1;
        QTest::newRow("not a number") << "tarvine-segment:x" << false << -1;
        QTest::newRow("number and more") << "tarvine-segment:1x" << false << -1;
        QTest::newRow("no number") << "tarvine-segment:" << false << -1;
        QTest::newRow("huge") << "tarvine-segment:99999999999999999999999" << false << -1;
        QTest::newRow("other scheme") << "https://example.com/1" << false << -1;
    }

    void links() {
        QFETCH(QString, url);
        QFETCH(bool, handled);
        QFETCH(int, activatedSegment);
        Fixture f(letter());
        QCOMPARE(f.view->activateLink(QUrl(url)), handled);
        if (activatedSegment < 0) {
            QVERIFY(f.activated.isEmpty());
        } else {
            QCOMPARE(f.activated, Segments{letter().at(activatedSegment)});
        }
        QVERIFY(f.view->source().isEmpty()); // nothing navigated
    }

    void selection_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<std::optional<QString>>("reported");
        // "Write to [PERSON_1] at anna@example.com about the invoice. Then call Marek tomorrow."
        //  0        9         19  23              39
        QTest::newRow("part of a plain word") << 1 << 3 << std::optional<QString>(QStringLiteral("Write"));
        QTest::newRow("two words, punctuation trimmed")
            << 45 << 57 << std::optional<QString>(QStringLiteral("the invoice"));
        QTest::newRow("overlaps a token") << 6 << 11 << std::optional<QString>();
        QTest::newRow("inside a token") << 12 << 14 << std::optional<QString>();
        QTest::newRow("ends where the token starts") << 6 << 9 << std::optional<QString>(QStringLiteral("to"));
        QTest::newRow("part of a restored value") << 24 << 26 << std::optional<QString>(QStringLiteral("anna"));
        QTest::newRow("one letter widened to its word") << 20 << 21 << std::optional<QString>(QStringLiteral("at"));
        QTest::newRow("only a space") << 8 << 9 << std::optional<QString>();
    }

    // Reported one event-loop turn after the change, widened to words; nothing for a selection
    // that touches a token or is no hide candidate.
    void selection() {
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(std::optional<QString>, reported);
        Fixture f(letter());
        select(*f.view, start, end);
        QVERIFY(f.selections.isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(f.selections, Reports{reported});
    }

    void everySelectionChangeIsReported() {
        Fixture f(letter());
        select(*f.view, 1, 3);
        select(*f.view, 6, 11);
        QTextCursor cursor = f.view->textCursor();
        cursor.clearSelection();
        f.view->setTextCursor(cursor);
        QCoreApplication::processEvents();
        QCOMPARE(f.selections, (Reports{QStringLiteral("Write"), std::nullopt, std::nullopt}));
    }

    void selectionReportAfterTheViewIsGone() {
        Reports reports;
        auto view = std::make_unique<AnonymizedTextView>(Fonts::sans(14));
        view->setSegments(letter());
        view->setOnSelection([&reports](const std::optional<QString>& value) { reports.append(value); });
        select(*view, 1, 3);
        view.reset();
        QCoreApplication::processEvents();
        QVERIFY(reports.isEmpty());
    }

    void contextMenu_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<Segments>("segments");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("value");
        QTest::newRow("English") << "en" << letter() << 1 << 3 << "Hide “Write”"
                                 << "Write";
        QTest::newRow("Polish") << "pl" << letter() << 1 << 3 << "Ukryj „Write”"
                                << "Write";
        QTest::newRow("ampersand is no mnemonic")
            << "en" << Segments{plain(QStringLiteral("Ask Smith & Sons now"))} << 4 << 16 << "Hide “Smith && Sons”"
            << "Smith & Sons";
        QTest::newRow("long value shortened, given whole")
            << "en"
            << Segments{plain(QStringLiteral("Przedsiębiorstwo Handlowo Usługowe Kowalski i Wspólnicy\nSp. z o.o."))}
            << 0 << 66 << "Hide “Przedsiębiorstwo Handlowo Us…ólnicy Sp. z o.o”"
            << "Przedsiębiorstwo Handlowo Usługowe Kowalski i Wspólnicy\nSp. z o.o";
    }

    void contextMenu() {
        QFETCH(QString, language);
        QFETCH(Segments, segments);
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(QString, item);
        QFETCH(QString, value);
        L10n::setLanguage(language);
        Fixture f(segments);
        select(*f.view, start, end);
        std::unique_ptr<QMenu> menu(f.view->createContextMenu());
        const QList<QAction*> actions = menu->actions();
        QVERIFY(actions.size() > 2);
        QCOMPARE(actions.at(0)->text(), item);
        QVERIFY(actions.at(1)->isSeparator());
        QVERIFY(!actions.at(2)->isSeparator());
        actions.at(0)->trigger();
        QCOMPARE(f.hidden, QStringList{value});
    }

    void menuFollowsTheScheme_data() {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<ColorScheme>("window");
        QTest::addColumn<ColorScheme>("drawn");
        QTest::newRow("light") << false << ColorScheme::light << ColorScheme::light;
        QTest::newRow("dark window") << false << ColorScheme::dark << ColorScheme::dark;
        QTest::newRow("dark view in a light window") << true << ColorScheme::light << ColorScheme::dark;
    }

    void menuFollowsTheScheme() {
        QFETCH(bool, dark);
        QFETCH(ColorScheme, window);
        QFETCH(ColorScheme, drawn);
        QWidget parent;
        Appearance::force(&parent, window);
        auto* view = new AnonymizedTextView(Fonts::sans(14), dark, &parent);
        view->setSegments(letter());
        std::unique_ptr<QMenu> menu(view->createContextMenu());
        menu->adjustSize();
        QImage image(menu->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        menu->render(&image);
        FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(menu->width() / 2.0, menu->height() - 3)),
                               Theme::surface.resolve(drawn), 3);
    }

    void contextMenuWithoutCandidate_data() {
        QTest::addColumn<bool>("interactive");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::newRow("selection touches a token") << true << 6 << 11;
        QTest::newRow("nothing selected") << true << 3 << 3;
        QTest::newRow("not interactive") << false << 1 << 3;
    }

    void contextMenuWithoutCandidate() {
        QFETCH(bool, interactive);
        QFETCH(int, start);
        QFETCH(int, end);
        Fixture f(letter());
        f.view->setInteractive(interactive);
        select(*f.view, start, end);
        std::unique_ptr<QMenu> menu(f.view->createContextMenu());
        QCOMPARE(menu->actions().value(0)->objectName(), QStringLiteral("edit-copy"));
        for (const QAction* action : menu->actions()) {
            QVERIFY2(!action->text().startsWith(QStringLiteral("Hide")), qPrintable(action->text()));
            QVERIFY(action->objectName() != QLatin1String("link-copy")); // segment links are ours alone
        }
    }

    // Not interactive: no links, no reports, no menu item; the text still selects and copies
    // (as written, "\r\n" and all), and tooltips still show.
    void notInteractive() {
        const Segments segments{plain(QStringLiteral("Dear\r\nteam, meet ")),
                                token(QStringLiteral("[PERSON_1]"), QStringLiteral("Anna Kowal")),
                                plain(QStringLiteral(" today."))};
        Fixture f(segments);
        f.view->setInteractive(false);
        f.view->setTooltip([](const AnonymizedSegment& segment) -> std::optional<QString> {
            return segment.isToken() ? std::optional<QString>(segment.value) : std::nullopt;
        });
        QVERIFY(QTest::qWaitForWindowExposed(f.view.get()));
        for (QTextBlock block = f.view->document()->begin(); block.isValid(); block = block.next()) {
            for (const QTextLayout::FormatRange& range : block.textFormats()) {
                QVERIFY(!range.format.isAnchor());
            }
        }
        f.view->selectAll();
        QCoreApplication::processEvents();
        QVERIFY(f.selections.isEmpty());
        f.view->copy();
        QCOMPARE(QApplication::clipboard()->text(), segments.at(0).text + segments.at(1).text + segments.at(2).text);

        // The token starts at document position 16: "\r\n" is one line break there.
        const QPoint tokenPoint = middleOf(*f.view, 16, 26);
        QHelpEvent help(QEvent::ToolTip, tokenPoint, f.view->viewport()->mapToGlobal(tokenPoint));
        QApplication::sendEvent(f.view->viewport(), &help);
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("Anna Kowal"));
    }

    void tooltips_data() {
        QTest::addColumn<bool>("interactive");
        QTest::addColumn<int>("segment");
        QTest::addColumn<QString>("tooltip");
        QTest::newRow("token") << true << 1 << "Anna Kowal";
        QTest::newRow("restored value") << true << 3 << "restored anna@example.com";
        QTest::newRow("token, not interactive") << false << 1 << "Anna Kowal";
        QTest::newRow("plain text") << true << 2 << "";
    }

    void tooltips() {
        QFETCH(bool, interactive);
        QFETCH(int, segment);
        QFETCH(QString, tooltip);
        Fixture f(letter());
        f.view->setInteractive(interactive);
        f.view->setTooltip([](const AnonymizedSegment& s) -> std::optional<QString> {
            if (s.isToken()) {
                return s.value;
            }
            return QStringLiteral("restored ") + s.text;
        });
        QVERIFY(QTest::qWaitForWindowExposed(f.view.get()));
        QToolTip::hideText();
        QTRY_VERIFY(!QToolTip::isVisible());
        const auto [start, end] = documentRange(letter(), segment);
        const QPoint point = middleOf(*f.view, start, end);
        QHelpEvent help(QEvent::ToolTip, point, f.view->viewport()->mapToGlobal(point));
        QApplication::sendEvent(f.view->viewport(), &help);
        if (tooltip.isEmpty()) {
            QVERIFY(!QToolTip::isVisible());
        } else {
            QTRY_COMPARE(QToolTip::text(), tooltip);
        }
    }

    void height_data() {
        QTest::addColumn<Segments>("segments");
        QTest::addColumn<std::optional<int>>("maxLines");
        QTest::addColumn<int>("lines");
        QTest::addColumn<bool>("capped");
        QTest::newRow("long text capped at 3 lines") << longText(6) << std::optional<int>(3) << 3 << true;
        QTest::newRow("one line") << Segments{plain(QStringLiteral("Short text"))} << std::optional<int>() << 1
                                  << false;
        QTest::newRow("one line, cap not reached")
            << Segments{plain(QStringLiteral("Short text"))} << std::optional<int>(3) << 1 << false;
        QTest::newRow("two paragraphs") << Segments{plain(QStringLiteral("One\nTwo"))} << std::optional<int>() << 2
                                        << false;
        QTest::newRow("empty") << Segments{} << std::optional<int>() << 1 << false;
    }

    // 8 + the text's height, at most 8 + maxLines x (line spacing + 5), rounded up, + 2; without
    // an offered width, 400 wide.
    void height() {
        QFETCH(Segments, segments);
        QFETCH(std::optional<int>, maxLines);
        QFETCH(int, lines);
        QFETCH(bool, capped);
        const QFont font = Fonts::sans(14);
        AnonymizedTextView view(font);
        view.setFitsContent(true);
        view.setMaxLines(maxLines);
        view.setSegments(segments);
        QVERIFY(view.hasHeightForWidth());
        // A laid-out line is as high as the font's line spacing, rounded up to whole pixels.
        const qreal lineHeight =
            capped ? QFontMetricsF(font).lineSpacing() : std::ceil(QFontMetricsF(font).lineSpacing());
        QCOMPARE(view.heightForWidth(300), int(std::ceil(8 + lines * (lineHeight + 5))) + 2);
        QCOMPARE(view.sizeHint(), QSize(400, view.heightForWidth(400)));
    }

    void heightGrowsAsTheWidthShrinks() {
        AnonymizedTextView view(Fonts::sans(14));
        view.setFitsContent(true);
        view.setSegments(longText(3));
        QVERIFY(view.heightForWidth(200) > view.heightForWidth(600));
        QVERIFY(view.heightForWidth(0) > view.heightForWidth(200)); // no room at all: still a height
    }

    void noSizeClaimWithoutFitting() {
        AnonymizedTextView fitting(Fonts::sans(14));
        fitting.setFitsContent(true);
        AnonymizedTextView view(Fonts::sans(14));
        view.setSegments(longText(3));
        QVERIFY(!view.hasHeightForWidth());
        QCOMPARE(view.heightForWidth(300), -1);
        QCOMPARE(view.sizeHint(), QTextBrowser().sizeHint());
    }

    // In a layout the fitted view shows all its lines without a scroll bar.
    void fittedInALayout() {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* view = new AnonymizedTextView(Fonts::sans(14));
        view->setFitsContent(true);
        view->setSegments(longText(2));
        layout->addWidget(view);
        layout->addStretch();
        window.resize(320, 600);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(view->height(), view->heightForWidth(view->width()));
        QVERIFY(!view->verticalScrollBar()->isVisible());
    }

    void pills_data() {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<ColorScheme>("scheme");
        QTest::addColumn<int>("segment");
        QTest::addColumn<bool>("pill");
        QTest::newRow("light token") << false << ColorScheme::light << 0 << true;
        QTest::newRow("light token in a dark window") << false << ColorScheme::dark << 0 << true;
        QTest::newRow("dark token") << true << ColorScheme::dark << 0 << false;
        QTest::newRow("restored value") << false << ColorScheme::light << 2 << true;
        QTest::newRow("restored value, dark") << true << ColorScheme::dark << 2 << true;
    }

    // A pill reaches 3 px beyond the glyphs' advance on both sides and no further.
    void pills() {
        QFETCH(bool, dark);
        QFETCH(ColorScheme, scheme);
        QFETCH(int, segment);
        QFETCH(bool, pill);
        // Each band alone on its line, so that nothing else is drawn beside it.
        const Segments segments{token(QStringLiteral("[PERSON_1]"), QStringLiteral("Anna")),
                                plain(QStringLiteral("\n")), restored(QStringLiteral("anna@example.com")),
                                plain(QStringLiteral("\nend"))};
        Fixture f(segments, dark);
        QVERIFY(QTest::qWaitForWindowExposed(f.view.get()));
        const QImage image = test::render(f.view.get(), scheme);
        const auto [start, end] = documentRange(segments, segment);
        const QRect first = caretAt(*f.view, start);
        const QRect last = caretAt(*f.view, end);
        const qreal y = first.center().y();
        const QColor backdrop = Theme::background.resolve(scheme);
        const ThemeColor band = segment == 0 ? Theme::token.opacity(0.12) : Theme::green.opacity(0.14);
        const QColor fill = pill ? over(band.resolve(scheme), backdrop) : backdrop;
        FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(first.left() - 1.5, y)), fill, 3);
        FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(last.left() + 1.5, y)), fill, 3);
        FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(first.left() - 4.5, y)), backdrop, 3);
        FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(last.left() + 4.5, y)), backdrop, 3);
        // Not into the 5 px between the lines.
        FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(first.left() + 1, first.bottom() + 3)), backdrop, 3);
    }

    void pillOnEachLineOfAWrappedValue() {
        const Segments segments{restored(QStringLiteral("ulica Długa 15 mieszkania 3 w Warszawie"))};
        Fixture f(segments);
        f.view->resize(170, 120);
        QVERIFY(QTest::qWaitForWindowExposed(f.view.get()));
        const QImage image = test::render(f.view.get(), ColorScheme::light);
        const QColor backdrop = Theme::background.resolve(ColorScheme::light);
        const QColor fill = over(Theme::green.opacity(0.14).resolve(ColorScheme::light), backdrop);
        const QTextLayout* layout = f.view->document()->begin().layout();
        QVERIFY(layout->lineCount() >= 2);
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const QPoint start = caretAt(*f.view, line.textStart()).center();
            FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(start.x() - 1.5, start.y())), fill, 3);
            FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(start.x() - 4.5, start.y())), backdrop, 3);
        }
    }

    void textColoursFollowTheScheme_data() {
        QTest::addColumn<ColorScheme>("scheme");
        QTest::newRow("light") << ColorScheme::light;
        QTest::newRow("dark") << ColorScheme::dark;
    }

    // The colours are those of the scheme the view is drawn in, and drawing in another scheme
    // keeps the selection.
    void textColoursFollowTheScheme() {
        QFETCH(ColorScheme, scheme);
        Fixture f(letter());
        QVERIFY(QTest::qWaitForWindowExposed(f.view.get()));
        select(*f.view, 45, 57);
        QCoreApplication::processEvents();
        f.selections.clear();
        test::render(f.view.get(), scheme == ColorScheme::light ? ColorScheme::dark : ColorScheme::light);
        const QImage image = test::render(f.view.get(), scheme);
        const auto found = [&](int segment, const ThemeColor& color) {
            const auto [start, end] = documentRange(letter(), segment);
            const QRect a = caretAt(*f.view, start);
            const QRect b = caretAt(*f.view, end);
            for (qreal x = a.left(); x < b.left(); x += 0.5) {
                for (qreal y = a.top(); y < a.bottom(); y += 0.5) {
                    if (test::near(test::sample(image, QPointF(x, y)), color.resolve(scheme), 6)) {
                        return true;
                    }
                }
            }
            return false;
        };
        QVERIFY(found(0, Theme::ink));
        QVERIFY(found(1, Theme::token));
        QVERIFY(found(3, Theme::green));
        QCOMPARE(f.view->textCursor().selectedText(), QStringLiteral(" the invoice"));
        QCoreApplication::processEvents();
        QVERIFY(f.selections.isEmpty());
    }

    // New segments keep the scroll position and empty the selection.
    void rebuildKeepsScroll() {
        // Long enough that the document lays it out in steps unless asked for all of it.
        Fixture f(longText(60));
        f.view->resize(300, 100);
        QVERIFY(QTest::qWaitForWindowExposed(f.view.get()));
        QScrollBar* bar = f.view->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 1000);
        select(*f.view, 10, 14);
        bar->setValue(bar->maximum() - 20);
        const int scrolled = bar->value();
        QCoreApplication::processEvents();
        f.selections.clear();

        Segments changed = longText(60);
        changed.last().text = QStringLiteral(" in it, changed.");
        f.view->setSegments(changed);
        QCOMPARE(bar->value(), scrolled);
        QVERIFY(!f.view->textCursor().hasSelection());
        QCOMPARE(f.view->textCursor().position(), 0);
        QCOMPARE(f.view->toPlainText().right(16), QStringLiteral(" in it, changed."));
        QCoreApplication::processEvents();
        QCOMPARE(f.selections, Reports{std::nullopt});
    }

    // Only new segments or a new `interactive` rebuild the text: the same segments, a font or
    // the callbacks leave it, its selection and its scroll position as they are.
    void otherChangesKeepTheText() {
        Fixture f(longText(12));
        f.view->resize(300, 100);
        QVERIFY(QTest::qWaitForWindowExposed(f.view.get()));
        select(*f.view, 10, 14);
        f.view->verticalScrollBar()->setValue(40);
        QSignalSpy changes(f.view->document(), &QTextDocument::contentsChanged);

        f.view->setSegments(longText(12));
        f.view->setInteractive(true);
        f.view->setTextFont(Fonts::sans(20));
        f.view->setOnActivate({});
        f.view->setTooltip([](const AnonymizedSegment&) { return std::optional<QString>(QStringLiteral("x")); });
        f.view->setMaxLines(2);

        QCOMPARE(changes.count(), 0);
        QCOMPARE(f.view->textCursor().selectionStart(), 10);
        QCOMPARE(f.view->textCursor().selectionEnd(), 14);
        QCOMPARE(f.view->verticalScrollBar()->value(), 40);
        QCOMPARE(f.view->document()->begin().charFormat().font().pixelSize(), 14);

        f.view->setInteractive(false);
        QVERIFY(changes.count() > 0);
        QVERIFY(!f.view->textCursor().hasSelection());
    }

    // The view starts with no segments and interactive: a first update with nothing changes nothing.
    void emptyFirstUpdate() {
        AnonymizedTextView view(Fonts::sans(14));
        QSignalSpy changes(view.document(), &QTextDocument::contentsChanged);
        view.setSegments({});
        view.setInteractive(true);
        QCOMPARE(changes.count(), 0);
        QVERIFY(view.toPlainText().isEmpty());
    }

    void darkIsFixedAtCreation() {
        QWidget window;
        Appearance::force(&window, ColorScheme::light);
        auto* light = new AnonymizedTextView(Fonts::sans(14), false, &window);
        auto* dark = new AnonymizedTextView(Fonts::sans(14), true, &window);
        QVERIFY(!light->isDark());
        QVERIFY(dark->isDark());
        QCOMPARE(Appearance::schemeOf(light), ColorScheme::light);
        QCOMPARE(Appearance::schemeOf(dark), ColorScheme::dark);
    }

    void positions_data() {
        QTest::addColumn<int>("start"); // offsets into the joined text
        QTest::addColumn<int>("end");
        QTest::addColumn<std::optional<QString>>("reported");
        QTest::addColumn<QString>("copied");
        // "Dear team,\r\nmeet\rnew\u00A0friends 😀 Kowal[PERSON_1] today."
        //  0         10  12  16 20         28 29  32   37
        QTest::newRow("ends just before the token")
            << 32 << 37 << std::optional<QString>(QStringLiteral("Kowal")) << "Kowal";
        QTest::newRow("reaches into the token") << 36 << 38 << std::optional<QString>() << "l[";
        QTest::newRow("across the non-breaking space")
            << 18 << 24 << std::optional<QString>(QStringLiteral("new\u00A0friends")) << "ew\u00A0fri";
        QTest::newRow("across \"\\r\\n\"")
            << 5 << 14 << std::optional<QString>(QStringLiteral("team,\r\nmeet")) << "team,\r\nme";
        QTest::newRow("the emoji alone") << 29 << 31 << std::optional<QString>() << "😀";
    }

    // Positions count in the joined text: "\r\n" is two, a lone "\r" one, an emoji two, and the
    // helpers see the text as written (a non-breaking space stays one).
    void positions() {
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(std::optional<QString>, reported);
        QFETCH(QString, copied);
        const Segments segments{plain(QStringLiteral("Dear team,\r\nmeet\rnew\u00A0friends 😀 Kowal")),
                                token(QStringLiteral("[PERSON_1]"), QStringLiteral("Jan Kowal")),
                                plain(QStringLiteral(" today."))};
        Fixture f(segments);
        QCOMPARE(f.view->joinedText().mid(start, end - start), copied);
        // Document positions are the joined offsets less one for the "\r\n" before them.
        const auto position = [](int offset) {
            return offset > 10 ? offset - 1 : offset;
        };
        select(*f.view, position(start), position(end));
        QCOMPARE(f.view->selectedRange(), (std::pair<qsizetype, qsizetype>(start, end - start)));
        QCoreApplication::processEvents();
        QCOMPARE(f.selections, Reports{reported});
        f.view->copy();
        QCOMPARE(QApplication::clipboard()->text(), copied);
    }

    void screenshots() {
        const Segments segments{plain(QStringLiteral("Please write to ")),
                                token(QStringLiteral("[PERSON_1]"), QStringLiteral("Anna Kowal")),
                                plain(QStringLiteral(" at ")),
                                token(QStringLiteral("[EMAIL_ADDRESS_1]"), QStringLiteral("anna@example.com")),
                                plain(QStringLiteral(" about the invoice for ")),
                                restored(QStringLiteral("Przedsiębiorstwo Handlowe Kowalski")),
                                plain(QStringLiteral(", and send it to ")),
                                restored(QStringLiteral("ul. Długa 15/3, 00-001 Warszawa")),
                                plain(QStringLiteral(" before Friday.\nCall ")),
                                token(QStringLiteral("[PHONE_NUMBER_1]"), QStringLiteral("600 100 200")),
                                plain(QStringLiteral(" if anything is unclear."))};
        for (const bool dark : {false, true}) {
            std::unique_ptr<QWidget> card = dark ? std::make_unique<FeatureCard>() : std::make_unique<QWidget>();
            auto* layout = new QVBoxLayout(card.get());
            layout->setContentsMargins(8, 8, 8, 8);
            auto* view = new AnonymizedTextView(Fonts::sans(14), dark);
            view->setFitsContent(true);
            view->setSegments(segments);
            layout->addWidget(view);
            card->resize(356, card->heightForWidth(356));
            card->show();
            QVERIFY(QTest::qWaitForWindowExposed(card.get()));
            select(*view, 160, 175);
            const QString name =
                dark ? QStringLiteral("anonymizedtextview-dark") : QStringLiteral("anonymizedtextview");
            QVERIFY(!test::saveScreenshot(test::lightAndDark(card.get()), name).isEmpty());
        }
        // Capped at three lines: the rest scrolls.
        Fixture f(longText(4));
        f.view->setFitsContent(true);
        f.view->setMaxLines(3);
        f.view->resize(340, f.view->heightForWidth(340));
        QVERIFY(QTest::qWaitForWindowExposed(f.view.get()));
        QVERIFY(!test::saveScreenshot(test::lightAndDark(f.view.get()), QStringLiteral("anonymizedtextview-capped"))
                     .isEmpty());
        // The context menu offering to hide a selected word, in both languages.
        select(*f.view, 0, 6);
        const struct {
            const char* language;
            ColorScheme scheme;
            const char* name;
        } menus[] = {{"en", ColorScheme::light, "anonymizedtextview-menu"},
                     {"en", ColorScheme::dark, "anonymizedtextview-menu-dark"},
                     {"pl", ColorScheme::light, "anonymizedtextview-menu-pl"}};
        for (const auto& shot : menus) {
            L10n::setLanguage(QString::fromLatin1(shot.language));
            Appearance::force(f.view.get(), shot.scheme);
            std::unique_ptr<QMenu> menu(f.view->createContextMenu());
            menu->adjustSize();
            QVERIFY(
                !test::saveScreenshot(test::render(menu.get(), shot.scheme), QString::fromLatin1(shot.name)).isEmpty());
        }
    }
};

QTEST_MAIN(AnonymizedTextViewTest)
#include "tst_anonymizedtextview.moc"
