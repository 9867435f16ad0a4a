// The detail under an opened event row, on a model whose detail cache the test sets (and once
// filled for real by the stand-in gateway): its three states, the caption, the prompt panels
// with their clipping and pills, the entities table, the geometry and colours, and how an
// event list hangs the detail under an open row and keeps it across polls.
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/components/activity/AnonymizedTextView.h"
#include "FernholmApp/components/text/ElidedText.h"
#include "FernholmApp/components/activity/EntitiesGrid.h"
#include "FernholmApp/components/activity/EventDetail.h"
#include "FernholmApp/components/text/MarkedText.h"
#include "FernholmApp/components/controls/Motion.h"
#include "FernholmApp/components/activity/PromptPanel.h"
#include "FernholmApp/components/activity/PromptView.h"
#include "FernholmApp/components/activity/RedactionTable.h"
#include "FernholmApp/components/controls/SegmentedControl.h"
#include "FernholmApp/components/text/SourcePill.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/components/activity/EventRowList.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/ActivityFeedAccess.h"
#include "app/support/StandInCheckout.h"
#include "app/support/TestPlatform.h"
#include "app/support/ViewTesting.h"
#include "support/LoopbackPort.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPointer>
#include <QTextCursor>
#include <QToolTip>
#include <QSignalSpy>
#include <QAccessible>
#include <QTest>
#include <QtMath>
#include <QFontMetricsF>
#include <QVBoxLayout>

#include <cmath>
#include <limits>
#include <memory>

using namespace fernholm;
using namespace fernholm::test;

using Cache = QHash<QString, std::optional<DetailRecord>>;

namespace {

const QString reqId = QStringLiteral("2025-03-05T08:07:09Z");

DetectionDetail aDetail(const QString& value, const QString& token, const QString& type = QStringLiteral("PERSON"),
                        const QString& source = QStringLiteral("model"), std::optional<double> confidence = 0.9) {
    DetectionDetail d;
    d.entityType = type;
    d.detectedBy = source;
    d.action = QStringLiteral("redact");
    d.value = value;
    d.token = token;
    d.confidence = confidence;
    return d;
}

// A redacted prompt with two values, one of them found twice.
DetailRecord aRecord() {
    DetailRecord r;
    r.reqId = reqId;
    r.ts = reqId;
    r.surface = QStringLiteral("claude");
    r.latencyMs = 41.2;
    r.details = {aDetail(QStringLiteral("Jan Kowalski"), QStringLiteral("[PERSON_NAME_1]")),
                 aDetail(QStringLiteral("jan@example.pl"), QStringLiteral("[EMAIL_ADDRESS_1]"), QStringLiteral("EMAIL"),
                         QStringLiteral("rules"), std::nullopt),
                 aDetail(QStringLiteral("Kowalski"), QStringLiteral("[PERSON_NAME_1]"))};
    r.beforeText = QStringLiteral("  Write to Jan Kowalski at jan@example.pl about the invoice.\n");
    r.afterText = QStringLiteral("Write to [PERSON_NAME_1] at [EMAIL_ADDRESS_1] about the invoice.");
    return r;
}

QString lines(int count, const QString& word = QStringLiteral("line")) {
    QStringList out;
    for (int i = 1; i <= count; ++i) {
        out << QStringLiteral("%1 %2").arg(word).arg(i);
    }
    return out.join(u'\n');
}

// One paragraph of ordinary words, `length` characters long, with no line break.
QString paragraph(int length) {
    const QStringList words{QStringLiteral("invoice"), QStringLiteral("for"), QStringLiteral("the"),
                            QStringLiteral("quarterly"), QStringLiteral("review"), QStringLiteral("of"),
                            QStringLiteral("our"), QStringLiteral("accounts")};
    QString out;
    for (int i = 0; out.size() < length; ++i) {
        out += (out.isEmpty() ? QString() : QStringLiteral(" ")) + words.at(i % words.size());
    }
    return out.left(length);
}

// A model that never starts, and a detail of `reqId` laid out in a window `width` wide.
struct Shown {
    explicit Shown(const Cache& cache = {}, int width = 760) {
        model = std::make_unique<AppModel>(quickConfig(), fakes.platform());
        ActivityFeedAccess::setDetailCache(model->activity(), cache);
        frame = std::make_unique<QWidget>();
        auto* column = new QVBoxLayout(frame.get());
        column->setContentsMargins(0, 0, 0, 0);
        detail = new EventDetail(model->activity(), reqId, frame.get());
        column->addWidget(detail);
        column->addStretch();
        frame->resize(width, 900);
        frame->show();
        settle();
    }
    // Layout requests climb one level per pass of the event loop: pass until the height holds.
    void settle() {
        for (int pass = 0; pass < 8; ++pass) {
            QCoreApplication::processEvents();
            frame->resize(frame->width(), detail->heightForWidth(frame->width()));
        }
        QCoreApplication::processEvents();
    }
    RedactionTable* table() const { return detail->table(); }
    void set(const std::optional<DetailRecord>& record) {
        Cache cache = model->activity().detailCache();
        cache.insert(reqId, record);
        ActivityFeedAccess::setDetailCache(model->activity(), cache);
        settle();
    }

    TestPlatform fakes;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<QWidget> frame;
    EventDetail* detail = nullptr;
};

// Where `widget` sits in `ancestor`'s coordinates.
QRect rectIn(const QWidget* widget, const QWidget* ancestor) {
    return QRect(widget->mapTo(ancestor, QPoint(0, 0)), widget->size());
}

bool visibleIn(const QWidget* widget, const QWidget* ancestor) {
    return widget && widget->isVisibleTo(ancestor);
}

} // namespace

Q_DECLARE_METATYPE(Cache)
Q_DECLARE_METATYPE(fernholm::ColorScheme)
Q_DECLARE_METATYPE(fernholm::DetectionDetail)
Q_DECLARE_METATYPE(std::optional<QString>)
Q_DECLARE_METATYPE(std::optional<double>)
Q_DECLARE_METATYPE(DetailRecord)

class EventDetailTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        useBundledResources();
        L10n::setLanguage(QStringLiteral("en"));
    }
    void cleanup() { L10n::setLanguage(QStringLiteral("en")); }

    void fetchStates_data() {
        QTest::addColumn<Cache>("cache");
        QTest::addColumn<QString>("message"); // empty: the record is shown
        QTest::newRow("empty cache") << Cache() << "loading…";
        QTest::newRow("another request only") << Cache{{QStringLiteral("other"), aRecord()}} << "loading…";
        QTest::newRow("an entry without record") << Cache{{reqId, std::nullopt}} << "No detail recorded";
        QTest::newRow("a record") << Cache{{reqId, aRecord()}} << "";
    }
    void fetchStates() {
        QFETCH(Cache, cache);
        QFETCH(QString, message);
        Shown shown(cache);
        RedactionTable* table = shown.table();
        QCOMPARE(table->message()->isVisibleTo(shown.frame.get()), !message.isEmpty());
        QCOMPARE(table->caption()->isVisibleTo(shown.frame.get()), message.isEmpty());
        if (!message.isEmpty()) {
            QCOMPARE(table->message()->text(), message);
        }
        QCOMPARE(shown.detail->footnote()->text(),
                 QStringLiteral("Shown from this computer only — the activity log itself holds only the placeholders."));
    }

    // The record arrives while the detail is open: the same table shows it, in the view the user
    // picked while it was loading; later cache changes leave it in place.
    void aRecordArrivingKeepsTheChosenView() {
        Shown shown;
        RedactionTable* table = shown.table();
        QCOMPARE(table->message()->text(), QStringLiteral("loading…"));
        table->setDetailView(DetailView::entities);

        shown.set(aRecord());
        QCOMPARE(shown.detail->table(), table);
        QCOMPARE(table->detailView(), DetailView::entities);
        QCOMPARE(table->picker()->selectedIndex(), 1);
        QVERIFY(visibleIn(table->entitiesGrid(), shown.frame.get()));
        QVERIFY(!visibleIn(table->promptView(), shown.frame.get()));
        QWidget* firstCell = table->entitiesGrid()->cell(0, 0);
        QVERIFY(firstCell);

        // A poll that changes another request's entry: nothing here is rebuilt.
        Cache cache = shown.model->activity().detailCache();
        cache.insert(QStringLiteral("other"), std::nullopt);
        ActivityFeedAccess::setDetailCache(shown.model->activity(), cache);
        QCOMPARE(table->entitiesGrid()->cell(0, 0), firstCell);

        // A failed refetch after the record would turn it to none; it is shown as such.
        shown.set(std::nullopt);
        QCOMPARE(table->message()->text(), QStringLiteral("No detail recorded"));
    }

    void captions_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<std::optional<QString>>("reason");
        QTest::addColumn<std::optional<double>>("latency");
        QTest::addColumn<QList<DetectionDetail>>("details");
        QTest::addColumn<QString>("caption");
        const QList<DetectionDetail> one{aDetail("Jan", "[PERSON_1]")};
        const QList<DetectionDetail> sameTokenTwice{aDetail("Jan", "[PERSON_1]"), aDetail("Jana", "[PERSON_1]")};
        const QList<DetectionDetail> two{aDetail("Jan", "[PERSON_1]"), aDetail("Ewa", "[PERSON_2]")};
        const QString tooLong = QStringLiteral("document too long to redact in time (stopped in pass 2 at page 3 of 5)");
        QTest::newRow("a reason, whatever the details")
            << "en" << std::optional<QString>(tooLong) << std::optional<double>(10.0) << two
            << "blocked before sending · " + tooLong;
        QTest::newRow("a reason in Polish through the gateway messages")
            << "pl" << std::optional<QString>(tooLong) << std::optional<double>() << two
            << "Zablokowano przed wysłaniem · dokument jest zbyt długi, by na czas ukryć w nim dane (przerwano w "
               "przebiegu 2, na stronie 3 z 5)";
        QTest::newRow("an empty reason is none") << "en" << std::optional<QString>(QString()) << std::optional<double>(12.6)
                                                 << one << "scanned in 13 ms · 1 item hidden before sending";
        QTest::newRow("no latency") << "en" << std::optional<QString>() << std::optional<double>() << two
                                    << "scanned in — ms · 2 items hidden before sending";
        QTest::newRow("one token found twice counts once")
            << "en" << std::optional<QString>() << std::optional<double>(3.4) << sameTokenTwice
            << "scanned in 3 ms · 1 item hidden before sending";
        QTest::newRow("no details") << "en" << std::optional<QString>() << std::optional<double>(0.4)
                                    << QList<DetectionDetail>() << "scanned in 0 ms · 0 items hidden before sending";
        QTest::newRow("Polish few") << "pl" << std::optional<QString>() << std::optional<double>(7.0) << two
                                    << "Sprawdzono w 7 ms · przed wysłaniem ukryto 2 wartości";
        QTest::newRow("Polish many") << "pl" << std::optional<QString>() << std::optional<double>(7.0)
                                     << QList<DetectionDetail>() << "Sprawdzono w 7 ms · przed wysłaniem ukryto 0 wartości";
    }
    void captions() {
        QFETCH(QString, language);
        QFETCH(std::optional<QString>, reason);
        QFETCH(std::optional<double>, latency);
        QFETCH(QList<DetectionDetail>, details);
        QFETCH(QString, caption);
        L10n::setLanguage(language);
        DetailRecord record = aRecord();
        record.reason = reason;
        record.latencyMs = latency;
        record.details = details;
        Shown shown(Cache{{reqId, record}});
        QCOMPARE(shown.table()->caption()->text(), caption);
    }

    void promptPanels_data() {
        QTest::addColumn<std::optional<QString>>("written");
        QTest::addColumn<std::optional<QString>>("sent");
        QTest::addColumn<bool>("writtenShown");
        QTest::addColumn<bool>("sentShown");
        QTest::addColumn<bool>("writtenClipped");
        QTest::addColumn<bool>("sentClipped");
        using S = std::optional<QString>;
        QTest::newRow("both absent") << S() << S() << false << false << false << false;
        QTest::newRow("both blank") << S(" \n\t ") << S("\n") << false << false << false << false;
        QTest::newRow("only the received text") << S() << S("Hi [PERSON_1]") << false << true << false << false;
        QTest::newRow("only the written text") << S("Hi Jan") << S("  ") << true << false << false << false;
        QTest::newRow("12 lines") << S(lines(12)) << S(lines(12)) << true << true << false << false;
        QTest::newRow("13 lines") << S(lines(13)) << S(lines(12)) << true << true << true << false;
        QTest::newRow("1200 characters") << S(QString(1200, u'a')) << S(QString(1201, u'b')) << true << true << true
                                         << true;
        QTest::newRow("a short paragraph") << S(paragraph(200)) << S(paragraph(200)) << true << true << false << false;
        QTest::newRow("a 1,000-character paragraph")
            << S(paragraph(1000)) << S(paragraph(1000) + QStringLiteral(" [PERSON_1]")) << true << true << true << true;
    }
    void promptPanels() {
        QFETCH(std::optional<QString>, written);
        QFETCH(std::optional<QString>, sent);
        QFETCH(bool, writtenShown);
        QFETCH(bool, sentShown);
        QFETCH(bool, writtenClipped);
        QFETCH(bool, sentClipped);
        DetailRecord record = aRecord();
        record.beforeText = written;
        record.afterText = sent;
        record.details = {aDetail("Jan", "[PERSON_1]")};
        Shown shown(Cache{{reqId, record}});
        QWidget* frame = shown.frame.get();
        PromptView* view = shown.table()->promptView();
        QVERIFY(visibleIn(shown.table()->caption(), frame));
        QVERIFY(visibleIn(shown.table()->picker(), frame));
        QCOMPARE(visibleIn(view, frame), writtenShown || sentShown);
        QCOMPARE(visibleIn(view->writtenPanel(), frame), writtenShown);
        QCOMPARE(visibleIn(view->receivedPanel(), frame), sentShown);
        if (writtenShown) {
            QCOMPARE(visibleIn(view->writtenPanel()->toggle(), frame), writtenClipped);
            QCOMPARE(view->writtenPanel()->title()->text(), QStringLiteral("YOU WROTE"));
        }
        if (sentShown) {
            QCOMPARE(visibleIn(view->receivedPanel()->toggle(), frame), sentClipped);
            QCOMPARE(view->receivedPanel()->title()->text(), QStringLiteral("CLAUDE RECEIVED"));
        }
        if (writtenShown && !sentShown) {
            // One panel alone takes the whole row.
            QCOMPARE(view->writtenPanel()->width(), view->width());
        }
        if (sentShown && !writtenShown) {
            QCOMPARE(view->receivedPanel()->width(), view->width());
        }
        if (!writtenShown && !sentShown) {
            // The header line alone: the card ends under it.
            const QRect header = rectIn(shown.table()->picker(), shown.table());
            QCOMPARE(shown.table()->height(), header.bottom() + 1 + 16);
        }
    }

    // "Show all" shows the whole text and turns into "Show less"; each panel on its own. The
    // choice survives a new record while the detail is open.
    void showAllExpandsOnePanel() {
        DetailRecord record = aRecord();
        record.beforeText = lines(20);
        record.afterText = lines(20, QStringLiteral("[PERSON_NAME_1]"));
        Shown shown(Cache{{reqId, record}});
        PromptView* view = shown.table()->promptView();
        PromptPanel* written = view->writtenPanel();
        PromptPanel* received = view->receivedPanel();
        QCOMPARE(written->toggle()->text(), QStringLiteral("Show all"));
        QCOMPARE(received->toggle()->text(), QStringLiteral("Show all"));
        const int clippedHeight = written->plainText()->height();
        QCOMPARE(written->plainText()->lineCount(written->plainText()->width()), 20);
        saveScreenshot(lightAndDark(shown.frame.get()), QStringLiteral("eventdetail-clipped"));

        QTest::mouseClick(written->toggle(), Qt::LeftButton);
        shown.settle();
        QVERIFY(written->isExpanded());
        QVERIFY(!received->isExpanded());
        QCOMPARE(written->toggle()->text(), QStringLiteral("Show less"));
        QCOMPARE(received->toggle()->text(), QStringLiteral("Show all"));
        QCOMPARE(shown.table()->expandedPanels(), QSet<QString>{QStringLiteral("You wrote")});
        const int expandedHeight = written->plainText()->height();
        QVERIFY2(expandedHeight * 12 > clippedHeight * 19, qPrintable(QStringLiteral("%1 -> %2").arg(clippedHeight).arg(expandedHeight)));
        // Side by side, the panels share the taller one's height.
        QCOMPARE(received->height(), written->height());
        saveScreenshot(lightAndDark(shown.frame.get()), QStringLiteral("eventdetail-expanded"));

        QTest::mouseClick(received->toggle(), Qt::LeftButton);
        QVERIFY(received->isExpanded());
        QVERIFY(!received->tokenText()->maxLines());

        record.latencyMs = 99;
        shown.set(record);
        QVERIFY(written->isExpanded());
        QVERIFY(received->isExpanded());

        QTest::mouseClick(written->toggle(), Qt::LeftButton);
        shown.settle();
        QVERIFY(!written->isExpanded());
        QCOMPARE(written->toggle()->text(), QStringLiteral("Show all"));
        QCOMPARE(written->plainText()->height(), clippedHeight);
    }

    // One long paragraph has no line break to count, yet it lays out into far more than 12
    // lines: the preview offers "Show all", and shown all, every line of it can be read.
    void aLongParagraphCanBeReadWhole() {
        DetailRecord record = aRecord();
        record.beforeText = paragraph(1000);
        record.afterText = paragraph(1000) + QStringLiteral(" [PERSON_NAME_1]");
        Shown shown(Cache{{reqId, record}});
        PromptView* view = shown.table()->promptView();
        PromptPanel* written = view->writtenPanel();
        PromptPanel* received = view->receivedPanel();
        MarkedText* text = written->plainText();
        const int allLines = text->lineCount(text->width());
        QVERIFY2(allLines > PromptPanel::lineLimit, qPrintable(QString::number(allLines)));
        QVERIFY(visibleIn(written->toggle(), shown.frame.get()));
        QVERIFY(visibleIn(received->toggle(), shown.frame.get()));
        QCOMPARE(written->toggle()->text(), QStringLiteral("Show all"));
        const int lineHeight = qCeil(QFontMetricsF(text->font()).lineSpacing());
        QVERIFY(text->height() < allLines * lineHeight);
        // The link sits under the text, inside the panel.
        QVERIFY(written->toggle()->geometry().top() >= text->geometry().bottom());
        QVERIFY(written->toggle()->geometry().bottom() < written->height());
        saveScreenshot(lightAndDark(shown.frame.get()), QStringLiteral("eventdetail-long-paragraph"));

        QTest::mouseClick(written->toggle(), Qt::LeftButton);
        QTest::mouseClick(received->toggle(), Qt::LeftButton);
        shown.settle();
        QVERIFY(written->isExpanded() && received->isExpanded());
        QVERIFY(!text->maxLines());
        QCOMPARE(text->height(), text->heightForWidth(text->width()));
        QVERIFY(text->height() >= allLines * QFontMetricsF(text->font()).lineSpacing());
        QVERIFY(!received->tokenText()->maxLines());
        QVERIFY(received->tokenText()->height() >= received->tokenText()->heightForWidth(received->tokenText()->width()));
        QVERIFY(rectIn(written, shown.frame.get()).bottom() < shown.frame->height());
        saveScreenshot(lightAndDark(shown.frame.get()), QStringLiteral("eventdetail-long-paragraph-all"));
    }

    void receivedTextAndItsSpokenForm_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<bool>("pills");
        QTest::addColumn<QString>("spoken");
        QTest::newRow("no placeholder") << "en" << "Hello there" << false << "";
        QTest::newRow("a placeholder") << "en" << "Write to [PERSON_NAME_1] today" << true
                                       << "Write to hidden: PERSON NAME 1 today";
        QTest::newRow("an unknown bracketed word stays text")
            << "en" << "Hi [NOT_A_TOKEN], [PERSON_NAME_1] and [EMAIL_ADDRESS_1]" << true
            << "Hi [NOT_A_TOKEN], hidden: PERSON NAME 1 and hidden: EMAIL ADDRESS 1";
        // The detection's type names the placeholder.
        QTest::newRow("Polish") << "pl" << "[PERSON_NAME_1]" << true << "ukryte: Imię i nazwisko 1";
    }
    // A placeholder is read by its type's name where the table has one, never by its raw key.
    void spokenPlaceholders_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("token");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("spoken");
        QTest::newRow("en") << "en" << "[PERSON_1]" << "PERSON" << "Do hidden: PERSON 1.";
        QTest::newRow("pl, the detection's type") << "pl" << "[PERSON_1]" << "PERSON" << "Do ukryte: Imię i nazwisko 1.";
        QTest::newRow("pl, the token's type") << "pl" << "[EMAIL_ADDRESS_2]" << "" << "Do ukryte: Adres e-mail 2.";
        QTest::newRow("pl, a type the table does not know")
            << "pl" << "[PERSON_NAME_1]" << "" << "Do ukryte: PERSON NAME 1.";
    }
    void spokenPlaceholders() {
        QFETCH(QString, language);
        QFETCH(QString, token);
        QFETCH(QString, type);
        QFETCH(QString, spoken);
        L10n::setLanguage(language);
        const QList<AnonymizedSegment> segments{AnonymizedSegment::plain(QStringLiteral("Do ")),
                                                AnonymizedSegment::token(token, QStringLiteral("Jan"), type),
                                                AnonymizedSegment::plain(QStringLiteral("."))};
        QCOMPARE(PromptPanel::spokenForm(segments), spoken);
    }

    void receivedTextAndItsSpokenForm() {
        QFETCH(QString, language);
        QFETCH(QString, sent);
        QFETCH(bool, pills);
        QFETCH(QString, spoken);
        L10n::setLanguage(language);
        DetailRecord record = aRecord();
        record.afterText = sent;
        Shown shown(Cache{{reqId, record}});
        PromptPanel* received = shown.table()->promptView()->receivedPanel();
        QWidget* frame = shown.frame.get();
        QCOMPARE(visibleIn(received->tokenText(), frame), pills);
        QCOMPARE(visibleIn(received->plainText(), frame), !pills);
        if (pills) {
            AnonymizedTextView* view = received->tokenText();
            QVERIFY(!view->isInteractive());
            QVERIFY(view->isDark());
            QCOMPARE(view->maxLines(), std::optional<int>(12));
            QCOMPARE(view->accessibleName(), spoken);
            // A screen reader gets the spoken form as one piece of text, never the raw placeholders.
            QAccessibleInterface* spokenAs = QAccessible::queryAccessibleInterface(view);
            QVERIFY(spokenAs);
            QCOMPARE(spokenAs->role(), QAccessible::StaticText);
            QCOMPARE(spokenAs->text(QAccessible::Name), spoken);
            QVERIFY(!spokenAs->textInterface());
            QCOMPARE(spokenAs->childCount(), 0);
            // Hovering a placeholder tells the value it stands for.
            QVERIFY(QTest::qWaitForWindowExposed(frame));
            QToolTip::hideText();
            QTRY_VERIFY(!QToolTip::isVisible());
            QTextCursor cursor(view->document());
            cursor.setPosition(int(sent.indexOf(QStringLiteral("[PERSON_NAME_1]"))) + 3);
            const QPoint point = view->cursorRect(cursor).center();
            QHelpEvent help(QEvent::ToolTip, point, view->viewport()->mapToGlobal(point));
            QApplication::sendEvent(view->viewport(), &help);
            QTRY_COMPARE(QToolTip::text(), QStringLiteral("Jan Kowalski"));
            QToolTip::hideText();
            // Pulled out by the view's own inset: its text starts where the label starts.
            QCOMPARE(rectIn(view, received).left() + AnonymizedTextView::textInset,
                     rectIn(received->title(), received).left());
        } else {
            QCOMPARE(received->plainText()->text(), sent);
            QVERIFY(received->plainText()->textInteractionFlags() & Qt::TextSelectableByMouse);
            QVERIFY(received->plainText()->markedRanges().isEmpty());
        }
    }

    // Switching the language while the detail is open retells every text in place, and keeps
    // what the user chose.
    void aLanguageChangeRetellsTheTexts() {
        Shown shown(Cache{{reqId, aRecord()}});
        RedactionTable* table = shown.table();
        QTest::mouseClick(table->picker()->segments().at(1), Qt::LeftButton);
        L10n::setLanguage(QStringLiteral("pl"));
        QEvent change(QEvent::LanguageChange);
        QApplication::sendEvent(shown.frame.get(), &change);
        QCOMPARE(shown.detail->table(), table);
        QCOMPARE(table->detailView(), DetailView::entities);
        QCOMPARE(table->picker()->options().at(1).label, QStringLiteral("Wartości"));
        QCOMPARE(table->picker()->selectedIndex(), 1);
        QCOMPARE(table->caption()->text(), QStringLiteral("Sprawdzono w 41 ms · przed wysłaniem ukryto 2 wartości"));
        QCOMPARE(table->entitiesGrid()->header(3)->text(), QStringLiteral("Wysłane do AI"));
        QCOMPARE(qobject_cast<SourcePill*>(table->entitiesGrid()->cell(1, 1))->label(), QStringLiteral("Reguły"));
        QCOMPARE(table->promptView()->writtenPanel()->title()->text(), QStringLiteral("TWÓJ TEKST"));
        QCOMPARE(shown.detail->footnote()->text(),
                 QStringLiteral("Widoczne tylko na tym komputerze — sam dziennik aktywności przechowuje wyłącznie "
                                "znaczniki."));
    }

    // Every detail's value is marked in what the user wrote, duplicates included.
    void writtenValuesAreMarked() {
        Shown shown(Cache{{reqId, aRecord()}});
        MarkedText* text = shown.table()->promptView()->writtenPanel()->plainText();
        const QString written = QStringLiteral("Write to Jan Kowalski at jan@example.pl about the invoice.");
        QCOMPARE(text->text(), written);
        const QList<std::pair<int, int>> expected{{int(written.indexOf("Jan Kowalski")), 12},
                                                  {int(written.indexOf("jan@")), 14}};
        QCOMPARE(text->markedRanges(), expected);
        QVERIFY(text->textInteractionFlags() & Qt::TextSelectableByMouse);
    }

    void entities_data() {
        QTest::addColumn<DetectionDetail>("detail");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("inkSource");
        QTest::addColumn<QString>("confidence");
        const auto d = [](const QString& value, const QString& source, std::optional<double> confidence) {
            return aDetail(value, QStringLiteral("[PERSON_1]"), QStringLiteral("PERSON"), source, confidence);
        };
        QTest::newRow("13 characters whole") << d("abcdefghijklm", "model", 0.876) << "abcdefghijklm" << "Model"
                                             << true << "88%";
        QTest::newRow("14 characters shortened") << d("abcdefghijklmn", "rules", std::nullopt)
                                                 << "abcdef…ijklmn" << "Rules" << false << "—";
        QTest::newRow("the sweep") << d("x", "second_pass", 0.5) << "x" << "Sweep" << false << "50%";
        QTest::newRow("Model is another word") << d("x", "Model", 1.0) << "x" << "Model" << false << "100%";
        QTest::newRow("any other word, capitalised") << d("x", "custom_rule", 0.004) << "x" << "Custom_rule" << false
                                                     << "0%";
        QTest::newRow("words") << d("x", "my own RULE", 0.1) << "x" << "My Own Rule" << false << "10%";
        QTest::newRow("not a number") << d("x", "model", std::numeric_limits<double>::quiet_NaN()) << "x" << "Model"
                                      << true << "—";
        QTest::newRow("too large") << d("x", "model", 1e300) << "x" << "Model" << true << "—";
    }
    void entities() {
        QFETCH(DetectionDetail, detail);
        QFETCH(QString, value);
        QFETCH(QString, source);
        QFETCH(bool, inkSource);
        QFETCH(QString, confidence);
        DetailRecord record = aRecord();
        record.details = {detail};
        Shown shown(Cache{{reqId, record}});
        shown.table()->setDetailView(DetailView::entities);
        shown.settle();
        EntitiesGrid* grid = shown.table()->entitiesGrid();
        QVERIFY(visibleIn(grid, shown.frame.get()));
        QCOMPARE(qobject_cast<TextLabel*>(grid->cell(0, 0))->text(), QStringLiteral("PERSON"));
        auto* pill = qobject_cast<SourcePill*>(grid->cell(0, 1));
        QCOMPARE(pill->label(), source);
        QCOMPARE(pill->color(), inkSource ? Theme::ink : Theme::dim);
        QCOMPARE(qobject_cast<ElidedText*>(grid->cell(0, 2))->text(), value);
        QCOMPARE(grid->cell(0, 3)->findChild<ElidedText*>()->text(), QStringLiteral("[PERSON_1]"));
        QCOMPARE(qobject_cast<TextLabel*>(grid->cell(0, 4))->text(), confidence);
    }

    // One row per distinct token, in order; the fixed columns keep their widths and the
    // confidence ends at the table's right edge.
    void entitiesGeometry() {
        DetailRecord record = aRecord();
        record.details << aDetail(QStringLiteral("a-very-long-value-that-will-not-fit-in-its-cell-at-all-0123456789"),
                                  QStringLiteral("[A_VERY_LONG_PLACEHOLDER_NAME_THAT_DOES_NOT_FIT_1]"),
                                  QStringLiteral("CREDIT_CARD"), QStringLiteral("second_pass"), 0.42);
        Shown shown(Cache{{reqId, record}});
        QTest::mouseClick(shown.table()->picker()->segments().at(1), Qt::LeftButton);
        shown.settle();
        QCOMPARE(shown.table()->detailView(), DetailView::entities);
        EntitiesGrid* grid = shown.table()->entitiesGrid();
        QCOMPARE(grid->entries().size(), 3);
        QVERIFY(!grid->cell(3, 0));
        QCOMPARE(grid->cell(0, 0)->width(), EntitiesGrid::entityWidth);
        QCOMPARE(grid->cell(2, 3)->width(), EntitiesGrid::tokenWidth);
        QVERIFY(grid->cell(2, 1)->width() <= EntitiesGrid::sourceWidth);
        QCOMPARE(grid->cell(0, 0)->x(), 14);
        QCOMPARE(grid->cell(0, 1)->x(), 14 + EntitiesGrid::entityWidth + 10);
        const QRect confidence = grid->cell(2, 4)->geometry();
        QCOMPARE(confidence.right(), grid->width() - 14 - 1);
        auto* token = grid->cell(2, 3)->findChild<ElidedText*>();
        QVERIFY(token->shownText().contains(QChar(0x2026)));
        QVERIFY(token->shownText().startsWith(QStringLiteral("[A_")));
        QVERIFY(token->shownText().endsWith(QStringLiteral("_1]")));
        auto* value = qobject_cast<ElidedText*>(grid->cell(2, 2));
        QCOMPARE(value->text(), QStringLiteral("a-very…456789"));
        saveScreenshot(lightAndDark(shown.frame.get()), QStringLiteral("eventdetail-entities"));
    }

    void noEntities() {
        DetailRecord record = aRecord();
        record.details = {};
        Shown shown(Cache{{reqId, record}});
        shown.table()->setDetailView(DetailView::entities);
        QWidget* frame = shown.frame.get();
        QVERIFY(!visibleIn(shown.table()->entitiesGrid(), frame));
        QVERIFY(visibleIn(shown.table()->noEntities(), frame));
        QCOMPARE(shown.table()->noEntities()->text(), QStringLiteral("No entities recorded"));
        shown.table()->setDetailView(DetailView::prompt);
        QVERIFY(!visibleIn(shown.table()->noEntities(), frame));
        QVERIFY(visibleIn(shown.table()->promptView(), frame));
    }

    // Padding of the block and the card, the picker's size, the panels side by side, and the
    // fills as drawn.
    void geometryAndColours_data() {
        QTest::addColumn<ColorScheme>("scheme");
        QTest::newRow("light") << ColorScheme::light;
        QTest::newRow("dark") << ColorScheme::dark;
    }
    void geometryAndColours() {
        QFETCH(ColorScheme, scheme);
        Shown shown(Cache{{reqId, aRecord()}}, 800);
        EventDetail* detail = shown.detail;
        RedactionTable* table = shown.table();
        QCOMPARE(table->geometry(), QRect(20, 0, 760, table->height()));
        const QRect footnote = rectIn(detail->footnote(), detail);
        QCOMPARE(footnote.top(), table->geometry().bottom() + 1 + 8);
        QCOMPARE(detail->height(), footnote.bottom() + 1 + 20);
        QCOMPARE(table->picker()->height(), 32 + 8);
        QCOMPARE(rectIn(table->picker(), table).right(), table->width() - 16 - 1);
        PromptView* view = table->promptView();
        const QRect written = rectIn(view->writtenPanel(), table);
        const QRect received = rectIn(view->receivedPanel(), table);
        QCOMPARE(written.left(), 16);
        QCOMPARE(received.left(), written.right() + 1 + 12);
        QCOMPARE(received.right(), table->width() - 16 - 1);
        QVERIFY(std::abs(written.width() - received.width()) <= 1);
        QCOMPARE(written.top(), received.top());
        QCOMPARE(written.height(), received.height());
        QCOMPARE(rectIn(view->writtenPanel()->title(), view->writtenPanel()).topLeft(), QPoint(18, 16));

        const QImage image = render(detail, scheme);
        // Near the panels' top-right corners, clear of text: the light panel is `inset`, the dark
        // one `feature` in the window's shade; the card around them is the sand `muted`.
        FERNHOLM_COMPARE_COLOR(sample(image, QPointF(written.right() - 20, written.top() + 6)),
                               Theme::inset.resolve(scheme), 3);
        FERNHOLM_COMPARE_COLOR(sample(image, QPointF(received.right() - 20, received.top() + 6)),
                               Theme::feature.resolve(scheme), 3);
        FERNHOLM_COMPARE_COLOR(sample(image, QPointF(table->x() + 8, table->height() / 2)), Theme::muted.resolve(scheme), 3);
        // A marked value: its background is the mark colour (sampled in the line's top edge,
        // above the glyphs).
        MarkedText* text = view->writtenPanel()->plainText();
        QTextCursor cursor(text->document());
        cursor.setPosition(text->text().indexOf(QStringLiteral("jan@")) + 1);
        const QRect caret = text->cursorRect(cursor);
        const QPoint markPoint = text->viewport()->mapTo(detail, caret.topLeft() + QPoint(2, 1));
        FERNHOLM_COMPARE_COLOR(sample(image, markPoint), Theme::mark.resolve(scheme), 3);
    }

    // The activity list hangs a detail under each open row, keeps it while polls change the
    // rows, and starts a new one (prompt view again) when the row is opened again.
    void anOpenRowCarriesItsDetail() {
        TestPlatform fakes;
        AppModel model(quickConfig(), fakes.platform());
        Event event;
        event.ts = reqId;
        event.surface = QStringLiteral("chatgpt");
        event.status = QStringLiteral("redacted");
        event.tokens = {QStringLiteral("[PERSON_NAME_1]")};
        Event blocked = event;
        blocked.ts = QStringLiteral("2025-03-05T08:08:00Z");
        blocked.status = QStringLiteral("blocked");
        const QList<ActivityRow> rows{{1, event}, {2, blocked}};
        QSet<qint64> open;
        QWidget frame;
        auto* column = new QVBoxLayout(&frame);
        column->setContentsMargins(0, 0, 0, 0);
        EventRowList* list = nullptr;
        list = new EventRowList(model, false, 16, [&](const ActivityRow& row) {
            if (!open.remove(row.id)) {
                open.insert(row.id);
            }
            list->setExpanded(open);
        }, &frame);
        column->addWidget(list);
        column->addStretch();
        list->setRows(rows, open);
        frame.resize(820, 700);
        frame.show();
        QCoreApplication::processEvents();
        QVERIFY(!list->detailFor(1));

        QTest::mouseClick(list->eventRowFor(1), Qt::LeftButton);
        auto* detail = qobject_cast<EventDetail*>(list->detailFor(1));
        QVERIFY(detail);
        QCOMPARE(detail->ts(), reqId);
        QVERIFY(!list->detailFor(2));
        QCOMPARE(detail->table()->message()->text(), QStringLiteral("loading…"));
        QCOMPARE(detail->parentWidget(), list->itemFor(1));
        QCoreApplication::processEvents();
        QVERIFY(rectIn(detail, &frame).top() >= rectIn(list->eventRowFor(1), &frame).bottom());

        ActivityFeedAccess::setDetailCache(model.activity(), Cache{{reqId, aRecord()}});
        QVERIFY(detail->table()->caption()->isVisibleTo(&frame));
        detail->table()->setDetailView(DetailView::entities);

        // A poll: same rows, the second one's event changed; the open detail stays as it is.
        Event blockedLater = blocked;
        blockedLater.reason = QStringLiteral("secret");
        list->setRows({{1, event}, {2, blockedLater}}, open);
        QCOMPARE(list->detailFor(1), detail);
        QCOMPARE(detail->table()->detailView(), DetailView::entities);
        QCoreApplication::processEvents();
        frame.resize(820, frame.sizeHint().height() + 200);
        QCoreApplication::processEvents();
        QVERIFY(detail->isVisible());
        QVERIFY(detail->height() > 100);
        saveScreenshot(lightAndDark(&frame), QStringLiteral("eventdetail-in-list"));

        QTest::mouseClick(list->eventRowFor(1), Qt::LeftButton);
        QVERIFY(!list->detailFor(1));
        QVERIFY(!list->isOpen(1));
        QTest::mouseClick(list->eventRowFor(1), Qt::LeftButton);
        auto* again = qobject_cast<EventDetail*>(list->detailFor(1));
        QVERIFY(again);
        QCOMPARE(again->table()->detailView(), DetailView::prompt);
        QVERIFY(again->table()->expandedPanels().isEmpty());
    }

    // With animations on, an opened detail unfolds from nothing to its full height and a closed
    // one folds away before it goes.
    void theDetailUnfoldsAndFolds() {
        TestPlatform fakes;
        AppModel model(quickConfig(), fakes.platform());
        ActivityFeedAccess::setDetailCache(model.activity(), Cache{{reqId, aRecord()}});
        Event event;
        event.ts = reqId;
        event.surface = QStringLiteral("chatgpt");
        event.status = QStringLiteral("redacted");
        QWidget frame;
        auto* column = new QVBoxLayout(&frame);
        auto* list = new EventRowList(model, false, 16, [](const ActivityRow&) {}, &frame);
        column->addWidget(list);
        column->addStretch();
        list->setRows({{1, event}}, {});
        frame.resize(820, 800);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        Motion::setEnabled(true);
        list->setExpanded({1});
        QWidget* detail = list->detailFor(1);
        QVERIFY(detail);
        QVERIFY(detail->maximumHeight() < 50);
        QTRY_COMPARE(detail->maximumHeight(), QWIDGETSIZE_MAX);
        QTRY_VERIFY(detail->height() > 100);

        QPointer<QWidget> folding = detail;
        list->setExpanded({});
        QVERIFY(!list->detailFor(1));
        QVERIFY(folding);
        QTRY_VERIFY(!folding);
        Motion::setEnabled(false);
    }

    // Filled for real: the stand-in gateway records a request; the detail of that request turns
    // from loading to the record once the model fetched it, that of an unknown one to none.
    void filledByTheGateway() {
        StandInCheckout checkout;
        QVERIFY(checkout.isValid());
        TestPlatform fakes;
        fakes.environment = checkout.environment();
        Config config = quickConfig(freeLoopbackPort());
        config.pollInterval = std::chrono::hours(1);
        AppModel model(config, fakes.platform());
        QSignalSpy polls(&model, &AppModel::pollEnded);
        model.start();
        QTRY_VERIFY_WITH_TIMEOUT(polls.size() >= 1, 30'000);
        const QString known = QStringLiteral("2024-05-01T10:00:00Z");
        QVERIFY(gatewayExchange(model, "POST", QStringLiteral("/fake/request"),
                                {{QStringLiteral("text"), QStringLiteral("Mail jan.kowalski@example.pl")},
                                 {QStringLiteral("ts"), known}}));
        EventDetail detail(model.activity(), known);
        EventDetail unknown(model.activity(), QStringLiteral("2024-05-01T11:11:11Z"));
        QCOMPARE(detail.table()->state().kind, DetailFetchState::Kind::loading);
        model.activity().loadDetail(known);
        model.activity().loadDetail(unknown.ts());
        QTRY_COMPARE_WITH_TIMEOUT(detail.table()->state().kind, DetailFetchState::Kind::loaded, 30'000);
        QTRY_COMPARE_WITH_TIMEOUT(unknown.table()->state().kind, DetailFetchState::Kind::none, 30'000);
        QCOMPARE(detail.table()->promptView()->receivedPanel()->text(), QStringLiteral("Mail [EMAIL_ADDRESS_1]"));
        QCOMPARE(unknown.table()->message()->text(), QStringLiteral("No detail recorded"));
        model.shutdown();
    }

    void screenshots_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("en") << "en";
        QTest::newRow("pl") << "pl";
    }
    void screenshots() {
        QFETCH(QString, language);
        L10n::setLanguage(language);
        DetailRecord blocked = aRecord();
        blocked.reason = QStringLiteral("document too long to redact in time (stopped in pass 2 at page 3 of 5)");
        blocked.afterText.reset();
        DetailRecord plain = aRecord();
        plain.afterText = QStringLiteral("Nothing to hide here.");
        plain.beforeText = plain.afterText;
        plain.details.clear();
        const QList<std::pair<QString, std::optional<DetailRecord>>> cases{
            {QStringLiteral("prompt"), aRecord()}, {QStringLiteral("blocked"), blocked},
            {QStringLiteral("plain"), plain}, {QStringLiteral("none"), std::nullopt}};
        for (const auto& [name, record] : cases) {
            Shown shown(Cache{{reqId, record}}, 720);
            QVERIFY(!saveScreenshot(lightAndDark(shown.frame.get()),
                                    QStringLiteral("eventdetail-%1-%2").arg(name, language))
                         .isEmpty());
        }
        Shown loading(Cache{}, 720);
        QVERIFY(!saveScreenshot(lightAndDark(loading.frame.get()), "eventdetail-loading-" + language).isEmpty());
        Shown entities(Cache{{reqId, aRecord()}}, 720);
        entities.table()->setDetailView(DetailView::entities);
        entities.settle();
        QVERIFY(!saveScreenshot(lightAndDark(entities.frame.get()), "eventdetail-entities-" + language).isEmpty());
    }
};

QTEST_MAIN(EventDetailTest)
#include "tst_eventdetail.moc"
