// The event row and the report link under it, on a model that never starts: what each kind of
// event shows (sentence or tokens, document symbol, colours), how a row that cannot open behaves,
// in-place updates, and what the report link asks of the model.
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/components/activity/EventRow.h"
#include "FernholmApp/components/activity/ReportBlockedButton.h"
#include "FernholmApp/components/text/StatusPill.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/components/controls/TextLink.h"
#include "FernholmApp/components/text/TokenChip.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/presentation/ActivityText.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/TestPlatform.h"
#include "app/support/ViewTesting.h"

#include <QEnterEvent>
#include <QPainter>
#include <QTest>
#include <QVBoxLayout>

using namespace fernholm;

namespace {

const Calendar warsaw{QTimeZone("Europe/Warsaw"), QLocale(QLocale::English, QLocale::UnitedStates)};

Event anEvent(const QString& status, qsizetype tokens = 1, const QString& surface = QStringLiteral("chatgpt_web")) {
    Event e;
    e.ts = QStringLiteral("2025-03-05T08:07:09Z");
    e.surface = surface;
    e.status = status;
    for (qsizetype i = 1; i <= tokens; ++i) {
        e.tokens << QStringLiteral("[PERSON_%1]").arg(i);
    }
    return e;
}

struct Shown {
    std::unique_ptr<QWidget> frame;
    EventRow* row = nullptr;
};

// A row in a window 720 wide, laid out.
Shown shownRow(const Event& event, bool expandable = true, bool showTokens = true, std::function<void()> action = {}) {
    Shown shown;
    shown.frame = std::make_unique<QWidget>();
    auto* column = new QVBoxLayout(shown.frame.get());
    column->setContentsMargins(0, 0, 0, 0);
    shown.row = new EventRow(event, false, expandable, showTokens, 12, std::move(action), shown.frame.get());
    shown.row->setCalendar(warsaw);
    column->addWidget(shown.row);
    column->addStretch();
    shown.frame->resize(720, shown.row->sizeHint().height());
    shown.frame->show();
    QCoreApplication::processEvents();
    return shown;
}

// The pixel of `rect` in `image` that differs most from the background colour `background`.
QColor strongestInk(const QImage& image, const QRect& rect, const QColor& background) {
    QColor best = background;
    int bestDistance = -1;
    const qreal dpr = image.devicePixelRatio();
    for (int y = qRound(rect.top() * dpr); y < qRound((rect.bottom() + 1) * dpr); ++y) {
        for (int x = qRound(rect.left() * dpr); x < qRound((rect.right() + 1) * dpr); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int distance = std::abs(c.red() - background.red()) + std::abs(c.green() - background.green()) +
                                 std::abs(c.blue() - background.blue());
            if (distance > bestDistance) {
                bestDistance = distance;
                best = c;
            }
        }
    }
    return best;
}

void hover(QWidget* widget, bool inside) {
    if (inside) {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), widget->mapToGlobal(QPointF(5, 5)));
        QCoreApplication::sendEvent(widget, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(widget, &leave);
    }
}

} // namespace

class EventRowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        test::useBundledResources();
        L10n::setLanguage(QStringLiteral("en"));
    }
    void cleanup() { L10n::setLanguage(QStringLiteral("en")); }

    void whatHappened_data() {
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("tokens");
        QTest::addColumn<bool>("showTokens");
        QTest::addColumn<QStringList>("chips");
        QTest::addColumn<QString>("overflow");
        QTest::addColumn<bool>("sentence");

        const auto persons = [](int n) {
            QStringList list;
            for (int i = 1; i <= n; ++i) {
                list << QStringLiteral("[PERSON_%1]").arg(i);
            }
            return list;
        };
        QTest::newRow("one token") << "redacted" << 1 << true << persons(1) << "" << false;
        QTest::newRow("four tokens, no overflow") << "redacted" << 4 << true << persons(4) << "" << false;
        QTest::newRow("five tokens") << "redacted" << 5 << true << persons(4) << "+1" << false;
        QTest::newRow("six tokens") << "redacted" << 6 << true << persons(4) << "+2" << false;
        QTest::newRow("document redacted") << "document_redacted" << 2 << true << persons(2) << "" << false;
        QTest::newRow("no tokens") << "redacted" << 0 << true << QStringList() << "" << true;
        QTest::newRow("tokens not wanted") << "redacted" << 5 << false << QStringList() << "" << true;
        QTest::newRow("blocked never") << "blocked" << 3 << true << QStringList() << "" << true;
        QTest::newRow("document blocked never") << "document_blocked" << 3 << true << QStringList() << "" << true;
        QTest::newRow("unfiltered never") << "unfiltered" << 3 << true << QStringList() << "" << true;
        QTest::newRow("passed") << "passed" << 0 << true << QStringList() << "" << true;
    }
    void whatHappened() {
        QFETCH(QString, status);
        QFETCH(int, tokens);
        QFETCH(bool, showTokens);
        QFETCH(QStringList, chips);
        QFETCH(QString, overflow);
        QFETCH(bool, sentence);

        const Event event = anEvent(status, tokens);
        Shown shown = shownRow(event, true, showTokens);
        QStringList shownTokens;
        for (TokenChip* chip : shown.row->shownChips()) {
            QVERIFY(chip->isVisible());
            QCOMPARE(chip->fontSize(), 12.0);
            shownTokens << chip->token();
        }
        QCOMPARE(shownTokens, chips);
        QCOMPARE(shown.row->overflowText(), overflow);
        if (!overflow.isEmpty()) {
            // The count is never squeezed away by the chips before it.
            QWidget* label = nullptr;
            for (auto* text : shown.row->findChildren<TextLabel*>()) {
                if (text->text() == overflow) {
                    label = text;
                }
            }
            QVERIFY(label && label->isVisible());
            QCOMPARE(label->width(), label->sizeHint().width());
        }
        QCOMPARE(shown.row->sentence() != nullptr, sentence);
        if (sentence) {
            QCOMPARE(shown.row->sentence()->text(), activitySentence(event));
            QVERIFY(shown.row->sentence()->isVisible());
            QVERIFY(shown.row->sentence()->width() > 100);
        }
        QCOMPARE(shown.row->pill()->kind(), pillKind(status));
    }

    void documentSymbolComesFirst_data() {
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("document");
        QTest::newRow("document redacted") << "document_redacted" << true;
        QTest::newRow("document blocked") << "document_blocked" << true;
        QTest::newRow("redacted") << "redacted" << false;
        QTest::newRow("blocked") << "blocked" << false;
    }
    void documentSymbolComesFirst() {
        QFETCH(QString, status);
        QFETCH(bool, document);
        Shown shown = shownRow(anEvent(status, 2));
        QCOMPARE(shown.row->showsDocumentIcon(), document);
        if (!document) {
            return;
        }
        // The symbol sits left of whatever follows it, and it is drawn.
        const QList<TokenChip*> chips = shown.row->shownChips();
        QWidget* next = chips.isEmpty() ? static_cast<QWidget*>(shown.row->sentence()) : chips.first();
        QVERIFY(next);
        QWidget* symbol = nullptr;
        for (QWidget* child : next->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isVisible() && child->x() < next->x() && child->width() == 12) {
                symbol = child;
            }
        }
        QVERIFY(symbol);
        const QImage image = test::render(shown.row, ColorScheme::light);
        const QColor background = Theme::background.resolve(ColorScheme::light);
        const QRect box(symbol->mapTo(shown.row, QPoint()), symbol->size());
        QVERIFY(strongestInk(image, box, background) != background);
    }

    // The sentence of a passed request is dimmed; every other kind is in ink.
    void sentenceColour_data() {
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("dimmed");
        QTest::newRow("passed") << "passed" << true;
        QTest::newRow("redacted") << "redacted" << false;
        QTest::newRow("blocked") << "blocked" << false;
        QTest::newRow("unfiltered") << "unfiltered" << false;
    }
    void sentenceColour() {
        QFETCH(QString, status);
        QFETCH(bool, dimmed);
        for (ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
            Shown shown = shownRow(anEvent(status, 1), true, false);
            TextLabel* sentence = shown.row->sentence();
            QVERIFY(sentence);
            const QImage image = test::render(shown.row, scheme);
            const QColor background = Theme::background.resolve(scheme);
            const QRect box(sentence->mapTo(shown.row, QPoint()), sentence->size());
            const QColor ink = strongestInk(image, box, background);
            const QColor expected = (dimmed ? Theme::dim : Theme::ink).resolve(scheme);
            const QColor other = (dimmed ? Theme::ink : Theme::dim).resolve(scheme);
            FERNHOLM_COMPARE_COLOR(ink, expected, 24);
            QVERIFY(!test::near(ink, other, 24));
        }
    }

    void timeAndDestination() {
        Shown shown = shownRow(anEvent(QStringLiteral("redacted"), 1, QStringLiteral("claude_web")));
        QCOMPARE(shown.row->timeLabel()->text(), QStringLiteral("09:07")); // Warsaw is UTC+1 in March
        QCOMPARE(shown.row->timeLabel()->width(), 44);
        QCOMPARE(shown.row->destinationLabel()->text(), destinationLabel(QStringLiteral("claude_web")));
        QVERIFY(shown.row->destinationLabel()->mapTo(shown.row, QPoint()).x() + shown.row->destinationLabel()->width() <=
                20 + 44 + 16 + 104);
    }

    // A row that cannot open is disabled: no chevron, no hover fill, and a click does nothing.
    void expandable_data() {
        QTest::addColumn<bool>("expandable");
        QTest::newRow("expandable") << true;
        QTest::newRow("not expandable") << false;
    }
    void expandable() {
        QFETCH(bool, expandable);
        int clicks = 0;
        Shown shown = shownRow(anEvent(QStringLiteral("redacted"), 1), expandable, true, [&clicks] { ++clicks; });
        QCOMPARE(shown.row->isEnabled(), expandable);
        QCOMPARE(shown.row->chevron()->isVisible(), expandable);

        // The hover fill covers the padding at the row's left edge.
        const QPointF probe(6, shown.row->height() / 2.0);
        const QColor background = Theme::background.resolve(ColorScheme::light);
        hover(shown.row, false); // the offscreen pointer may start over the window
        FERNHOLM_COMPARE_COLOR(test::sample(test::render(shown.row, ColorScheme::light), probe), background, 2);
        hover(shown.row, true);
        const QColor hovered = test::sample(test::render(shown.row, ColorScheme::light), probe);
        FERNHOLM_COMPARE_COLOR(hovered, expandable ? Theme::inset.resolve(ColorScheme::light) : background, 2);
        hover(shown.row, false);
        FERNHOLM_COMPARE_COLOR(test::sample(test::render(shown.row, ColorScheme::light), probe), background, 2);

        QTest::mouseClick(shown.row, Qt::LeftButton);
        QTest::mouseClick(shown.row->pill(), Qt::LeftButton); // a click on a cell is a click on the row
        QCOMPARE(clicks, expandable ? 2 : 0);
    }

    // The chevron points down while closed (its ink widest at the top) and up while open.
    void chevronTurnsWhenOpen() {
        Shown shown = shownRow(anEvent(QStringLiteral("redacted"), 1));
        QWidget* chevron = shown.row->chevron();
        const auto pointsDown = [chevron] {
            const QImage image = test::render(chevron, ColorScheme::light, 4.0, false);
            QList<int> spans; // the width of the ink in each row that has ink
            for (int y = 0; y < image.height(); ++y) {
                int left = image.width();
                int right = -1;
                for (int x = 0; x < image.width(); ++x) {
                    if (image.pixelColor(x, y).alpha() > 128) {
                        left = std::min(left, x);
                        right = std::max(right, x);
                    }
                }
                if (right >= 0) {
                    spans << right - left;
                }
            }
            return !spans.isEmpty() && spans.first() > spans.last() + 8;
        };
        QVERIFY(pointsDown());
        shown.row->setExpanded(true);
        QVERIFY(!pointsDown());
        shown.row->setExpanded(false);
        QVERIFY(pointsDown());
    }

    // A row kept by identity takes a newer event in place: the same widgets, the new content.
    void takesANewEventInPlace() {
        int clicks = 0;
        Shown shown = shownRow(anEvent(QStringLiteral("redacted"), 5), true, true, [&clicks] { ++clicks; });
        EventRow* row = shown.row;
        StatusPill* pill = row->pill();
        hover(row, true);
        row->setEvent(anEvent(QStringLiteral("passed"), 0, QStringLiteral("gemini_web")));
        QCOMPARE(shown.row, row);
        QCOMPARE(row->pill(), pill);
        QCOMPARE(pill->kind(), PillKind::passed);
        QVERIFY(row->shownChips().isEmpty());
        QCOMPARE(row->overflowText(), QString());
        QVERIFY(row->sentence());
        QCOMPARE(row->destinationLabel()->text(), destinationLabel(QStringLiteral("gemini_web")));
        QVERIFY(row->isHovering());

        row->setExpandable(false);
        QVERIFY(!row->isEnabled());
        QVERIFY(!row->chevron()->isVisible());
        row->setExpandable(true);
        row->setExpanded(true);
        QVERIFY(row->chevron()->isVisible());
        QTest::mouseClick(row, Qt::LeftButton);
        QCOMPARE(clicks, 1);
    }

    // A long sentence stays on one line and is cut at its end; the pill keeps its width.
    void longSentenceIsCut() {
        Event event = anEvent(QStringLiteral("blocked"), 0);
        event.reason = QStringLiteral("a very long reason ").repeated(20);
        Shown shown = shownRow(event);
        shown.frame->resize(520, shown.frame->height());
        QCoreApplication::processEvents();
        TextLabel* sentence = shown.row->sentence();
        QVERIFY(sentence);
        QVERIFY(sentence->isTruncated());
        QCOMPARE(sentence->height(), sentence->minimumSizeHint().height());
        QCOMPARE(shown.row->pill()->width(), shown.row->pill()->sizeHint().width());
        QVERIFY(shown.row->pill()->geometry().right() <= shown.row->width() - 20);
    }

    // Five long placeholders in a narrow row: the row keeps its width, the first token stays
    // whole while the later chips cut theirs with "…", every chip inside its cell, and the
    // status pill keeps its place.
    void longTokensShrinkInsideTheRow_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("allWhole");
        QTest::newRow("narrow") << 640 << false;
        QTest::newRow("wide") << 1400 << true;
    }

    void longTokensShrinkInsideTheRow() {
        QFETCH(int, width);
        QFETCH(bool, allWhole);
        Event event = anEvent(QStringLiteral("redacted"), 0);
        for (int i = 1; i <= 5; ++i) {
            event.tokens << QStringLiteral("[PERSON_NAME_%1]").arg(i);
        }
        Shown shown = shownRow(event);
        shown.frame->resize(width, shown.frame->height());
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        EventRow* row = shown.row;
        QCOMPARE(row->width(), width);
        const QList<TokenChip*> chips = row->shownChips();
        QCOMPARE(chips.size(), 4);
        QCOMPARE(row->overflowText(), QStringLiteral("+1"));
        QCOMPARE(chips.first()->width(), chips.first()->sizeHint().width());
        bool someCut = false;
        for (TokenChip* chip : chips) {
            const QWidget* cell = chip->parentWidget();
            QVERIFY(chip->x() >= 0 && chip->geometry().right() < cell->width());
            QVERIFY(chip->width() >= chip->minimumSizeHint().width());
            someCut = someCut || chip->width() < chip->sizeHint().width();
        }
        QCOMPARE(someCut, !allWhole);
        QCOMPARE(row->pill()->width(), row->pill()->sizeHint().width());
        QVERIFY(row->pill()->geometry().right() <= row->width() - 20);
        test::saveScreenshot(test::lightAndDark(shown.frame.get()),
                             QStringLiteral("eventrow-long-tokens-") + QString::fromLatin1(QTest::currentDataTag()));
    }

    void reportLink_data() {
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("offered");
        QTest::newRow("blocked") << "blocked" << true;
        QTest::newRow("document blocked") << "document_blocked" << true;
        QTest::newRow("redacted") << "redacted" << false;
        QTest::newRow("document redacted") << "document_redacted" << false;
        QTest::newRow("passed") << "passed" << false;
        QTest::newRow("unfiltered") << "unfiltered" << false;
        QTest::newRow("unknown word") << "weird" << false;
    }
    void reportLink() {
        QFETCH(QString, status);
        QFETCH(bool, offered);
        test::TestPlatform fakes;
        AppModel model(test::quickConfig(), fakes.platform());
        QWidget frame;
        auto* column = new QVBoxLayout(&frame);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(0);
        auto* above = new QWidget(&frame);
        above->setFixedHeight(30);
        column->addWidget(above);
        Event event = anEvent(status, 1);
        auto* link = new ReportBlockedButton(event, model, &frame);
        column->addWidget(link);
        auto* below = new QWidget(&frame);
        below->setFixedHeight(30);
        column->addWidget(below);
        column->addStretch();
        frame.resize(600, 200);
        frame.show();
        QCoreApplication::processEvents();

        QCOMPARE(link->isVisible(), offered);
        // Hidden, it takes no space; shown, it stands 80 in and leaves 12 under the text.
        QCOMPARE(below->y() - 30, offered ? link->link()->height() + 12 : 0);
        if (!offered) {
            QVERIFY(!model.issueRequest());
            return;
        }
        QCOMPARE(link->link()->title(), QStringLiteral("This shouldn't be blocked"));
        QCOMPARE(link->link()->mapTo(&frame, QPoint()).x(), 80);
        QVERIFY(link->link()->isUnderlined());
        QTest::mouseClick(link->link(), Qt::LeftButton);
        QVERIFY(model.issueRequest());
        QCOMPARE(model.issueRequest()->row, std::optional<QString>(event.ts));
        QCOMPARE(model.issueRequest()->category, QStringLiteral("wrongly_blocked"));

        // Another event in place: a passed one hides the link again.
        link->setEvent(anEvent(QStringLiteral("passed")));
        QCoreApplication::processEvents();
        QVERIFY(!link->isVisible());
        frame.layout()->activate();
        QCOMPARE(below->y(), 30);
    }

    void screenshots_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("en") << "en";
        QTest::newRow("pl") << "pl";
    }
    void screenshots() {
        QFETCH(QString, language);
        L10n::setLanguage(language);
        test::TestPlatform fakes;
        AppModel model(test::quickConfig(), fakes.platform());
        QWidget frame;
        auto* column = new QVBoxLayout(&frame);
        column->setContentsMargins(0, 8, 0, 8);
        column->setSpacing(0);
        Event document = anEvent(QStringLiteral("document_redacted"), 2, QStringLiteral("claude_web"));
        Event blocked = anEvent(QStringLiteral("blocked"), 0, QStringLiteral("gemini_web"));
        blocked.reason = QStringLiteral("credit card number");
        const QList<std::pair<Event, bool>> rows{
            {anEvent(QStringLiteral("redacted"), 6), true},
            {anEvent(QStringLiteral("redacted"), 2), false},
            {document, true},
            {anEvent(QStringLiteral("passed"), 0, QStringLiteral("perplexity")), false},
            {blocked, true},
            {anEvent(QStringLiteral("unfiltered"), 0), false},
        };
        EventRow* hovered = nullptr;
        for (const auto& [event, expandable] : rows) {
            auto* row = new EventRow(event, false, expandable, true, 12, {}, &frame);
            row->setCalendar(warsaw);
            column->addWidget(row);
            column->addWidget(new ReportBlockedButton(event, model, &frame));
            if (!hovered && expandable) {
                hovered = row;
                row->setExpanded(true);
            }
        }
        frame.resize(720, frame.sizeHint().height());
        frame.show();
        QCoreApplication::processEvents();
        hover(hovered, true);
        QVERIFY(!test::saveScreenshot(test::lightAndDark(&frame), QStringLiteral("eventrow-") + language).isEmpty());
    }
};

QTEST_MAIN(EventRowTest)
#include "tst_eventrow.moc"
