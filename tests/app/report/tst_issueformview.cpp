#include "FernholmApp/components/alerts/Banner.h"
#include "FernholmApp/components/controls/CheckBox.h"
#include "FernholmApp/components/controls/Disclosure.h"
#include "FernholmApp/report/IssueForm.h"
#include "FernholmApp/components/layout/Page.h"
#include "FernholmApp/components/controls/PlainTextEditor.h"
#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/controls/SegmentedControl.h"
#include "FernholmApp/components/text/SelectableText.h"
#include "FernholmApp/components/controls/Spinner.h"
#include "FernholmApp/components/layout/Surface.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/control/GatewayClient.h"
#include "FernholmKit/presentation/IssueReport.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/LayoutTesting.h"
#include "app/support/PixelProbes.h"
#include "app/support/ViewTesting.h"
#include "support/ClientFixtures.h"
#include "support/TestHttpServer.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include <chrono>
#include <memory>

using namespace fernholm;
using namespace std::chrono_literals;
using fernholm::test::jsonObject;
using fernholm::test::provenGate;
using fernholm::test::ScriptedReply;
using fernholm::test::TestHttpServer;
using fernholm::test::testToken;

Q_DECLARE_METATYPE(fernholm::test::ScriptedReply)

namespace {

using Phase = IssueFormModel::Phase;

// A draft with every attachment, as the gateway sends it for a blocked request.
const QByteArray draftBody =
    QJsonDocument(
        QJsonObject{
            {"app_version", "1.4.0"},
            {"events_until", 42},
            {"events", QJsonArray{"10:21 claude [EMAIL_1] redacted", "10:22 chatgpt [NAME_2] redacted"}},
            {"attachments", QJsonObject{{"os", "Debian GNU/Linux 12 (bookworm)"},
                                        {"protection", "on"},
                                        {"sites", QJsonObject{{"claude", true}, {"chatgpt", true}, {"gemini", false}}},
                                        {"row", QJsonObject{{"reason", "pii"},
                                                            {"surface", "claude"},
                                                            {"method", "POST"},
                                                            {"route", "/backend-api/conversation"},
                                                            {"ts", "2024-05-01T10:22:31Z"}}}}}})
        .toJson();

QByteArray draftWithEvents(int count) {
    QJsonArray events;
    for (int i = 0; i < count; ++i) {
        events.append(QStringLiteral("10:%1 claude [EMAIL_%2] redacted").arg(i % 60, 2, 10, QLatin1Char('0')).arg(i));
    }
    return QJsonDocument(QJsonObject{{"events_until", 7}, {"events", events}, {"attachments", QJsonObject{}}}).toJson();
}

ScriptedReply delayed(ScriptedReply reply, std::chrono::milliseconds delay) {
    reply.delay = delay;
    return reply;
}

const QString previewFailure =
    QStringLiteral("The description could not be checked for personal data, so nothing would be sent.");

bool shown(const QWidget* widget) {
    return widget->isVisibleTo(widget->window());
}

} // namespace

class IssueFormViewTest : public QObject {
    Q_OBJECT

    TestHttpServer* m_server = nullptr;
    std::shared_ptr<ProofGate> m_gate;
    int m_closes = 0;

    GatewayClient client() const { return GatewayClient(m_server->port(), testToken, m_gate); }

    std::shared_ptr<IssueFormModel> makeForm(const QString& category = QStringLiteral("other")) {
        return IssueFormModel::create(client(), std::nullopt, category, 30ms);
    }

    std::unique_ptr<IssueFormView> makeView(std::shared_ptr<IssueFormModel> form) {
        return std::make_unique<IssueFormView>(std::move(form), [this] { ++m_closes; });
    }

    // A sheet on screen whose draft has arrived.
    std::unique_ptr<IssueFormView> shownView(std::shared_ptr<IssueFormModel> form = {}) {
        auto view = makeView(form ? std::move(form) : makeForm());
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get())) {
            return nullptr;
        }
        view->activateWindow();
        if (!QTest::qWaitForWindowActive(view.get())) {
            return nullptr;
        }
        return view;
    }

    static bool draftArrived(IssueFormView* view) {
        return QTest::qWaitFor([view] { return !view->attachmentRows().isEmpty(); });
    }

    // What the user types, as the editor reports it.
    static void type(IssueFormView* view, const QString& text) {
        view->descriptionEditor()->setFocus();
        view->descriptionEditor()->moveCursor(QTextCursor::End);
        view->descriptionEditor()->insertPlainText(text);
    }

    QJsonObject sentReport() const {
        const auto requests = m_server->requests("/api/report_issue");
        return requests.isEmpty() ? QJsonObject() : jsonObject(requests.last().body);
    }

private Q_SLOTS:
    void initTestCase() { test::useBundledResources(); }

    void init() {
        L10n::setLanguage(QStringLiteral("en"));
        m_closes = 0;
        m_gate = provenGate();
        m_server = new TestHttpServer(this);
        QVERIFY(m_server->listen());
        m_server->setReply("/api/issue_draft", ScriptedReply::json(draftBody));
        m_server->setReply("/api/report_issue", ScriptedReply::json(R"({"ok": true, "id": "R-1"})"));
        m_server->setHandler("/api/issue_preview", [](const fernholm::test::RecordedRequest& request) {
            QString text = jsonObject(request.body).value(QLatin1String("description")).toString();
            return ScriptedReply::json(
                QJsonDocument(QJsonObject{{"description",
                                           text.replace(QLatin1String("ada@example.org"), QLatin1String("[EMAIL_1]"))}})
                    .toJson());
        });
    }

    void cleanup() {
        delete m_server;
        m_server = nullptr;
        L10n::setLanguage(QStringLiteral("en"));
    }

    // --- Frame ---

    void sheetSize_data() {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QSize>("size");
        QTest::newRow("roomy") << QRect(0, 0, 1920, 1080) << QSize(640, 760);
        QTest::newRow("just enough") << QRect(0, 32, 1366, 760) << QSize(640, 760);
        QTest::newRow("low screen") << QRect(0, 27, 1366, 701) << QSize(640, 701);
        QTest::newRow("tiny screen") << QRect(0, 0, 600, 480) << QSize(600, 480);
    }

    void sheetSize() {
        QFETCH(QRect, available);
        QFETCH(QSize, size);
        QCOMPARE(IssueFormView::sheetSize(available), size);
    }

    // A window-modal dialog of the sheet's size, the form scrolling above a button row that stays
    // outside it; the form column inset 32 on both sides.
    void frame() {
        auto view = shownView();
        QVERIFY(view);
        QVERIFY(draftArrived(view.get()));
        test::settle();
        QCOMPARE(view->windowModality(), Qt::WindowModal);
        QCOMPARE(view->size(), IssueFormView::sheetSize(view->screen()->availableGeometry()));
        QCOMPARE(view->size(), QSize(640, 760)); // the test screen has the room

        QWidget* buttons = view->buttonRow();
        QCOMPARE(buttons->geometry().bottom(), view->height() - 1);
        QCOMPARE(buttons->width(), view->width());
        QCOMPARE(view->scrollArea()->geometry().bottom() + 1, buttons->y());
        QVERIFY(!view->scrollArea()->isAncestorOf(buttons));
        // The button row: Send at the trailing inset, Cancel 10 before it.
        const QRect send = view->sendButton()->geometry();
        QCOMPARE(send.right(), buttons->width() - 32 - 1);
        QCOMPARE(view->cancelButton()->geometry().right() + 1 + 10, send.left());
        QCOMPARE(buttons->height(), send.height() + 40);

        // The list card at the column's inset, the editor at least 100 high.
        const QPoint list = view->attachmentList()->mapTo(view->scrollArea()->widget(), QPoint(0, 0));
        QCOMPARE(list.x(), 32);
        QVERIFY(view->descriptionEditor()->height() >= 100);
        // There is more than fits: the form scrolls.
        QTRY_VERIFY(view->scrollArea()->verticalScrollBar()->maximum() > 0);

        // The sheet paints the panel's colour.
        const QImage image = test::render(view.get(), ColorScheme::light);
        FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(8, 8)), Theme::panel.resolve(ColorScheme::light), 2);
    }

    // --- Draft ---

    // Until the draft is here: a spinner, no list, Send disabled even with a text. It is fetched
    // once, when the sheet is first shown.
    void draftArrives() {
        m_server->setReply("/api/issue_draft", delayed(ScriptedReply::json(draftBody), 400ms));
        const auto form = makeForm();
        auto view = makeView(form);
        QCOMPARE(m_server->connectionCount(), 0);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QTRY_COMPARE(m_server->requests("/api/issue_draft").size(), 1);

        type(view.get(), QStringLiteral("The reply was blocked."));
        QVERIFY(form->canSend() == false);
        QVERIFY(shown(view->draftSpinner()));
        QVERIFY(!shown(view->attachmentList()));
        QVERIFY(!shown(view->draftErrorLabel()));
        QVERIFY(!view->sendButton()->isEnabled());

        QTRY_VERIFY(form->draft().has_value());
        QVERIFY(!shown(view->draftSpinner()));
        QVERIFY(shown(view->attachmentList()));
        QStringList keys;
        for (const IssueAttachmentRow* row : view->attachmentRows()) {
            keys << row->item().key;
            QVERIFY(row->checkBox()->isChecked());
            QCOMPARE(row->textOpacity(), 1.0);
        }
        QCOMPARE(keys, QStringList({"app_version", "os", "sites", "protection", "row", "events"}));
        QVERIFY(view->sendButton()->isEnabled());

        // Shown again, it asks nothing more.
        view->hide();
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QCOMPARE(m_server->requests("/api/issue_draft").size(), 1);
    }

    // A failed fetch: its message in red in place of the list, Send disabled for good.
    void draftFails() {
        m_server->setReply("/api/issue_draft", ScriptedReply::json("{}", 503));
        const auto form = makeForm();
        auto view = shownView(form);
        QVERIFY(view);
        QTRY_VERIFY(shown(view->draftErrorLabel()));
        QCOMPARE(view->draftErrorLabel()->text(), QStringLiteral("Could not reach the gateway: http(503)"));
        QCOMPARE(view->draftErrorLabel()->color(), Theme::red);
        QVERIFY(!shown(view->draftSpinner()));
        QVERIFY(!shown(view->attachmentList()));
        type(view.get(), QStringLiteral("Something else"));
        QVERIFY(!view->sendButton()->isEnabled());
    }

    // --- Preview ---

    // Typing opens the box with a spinner in its heading; the preview follows. Blank text closes it.
    void typingShowsThePreview() {
        m_server->setHandler("/api/issue_preview", [](const fernholm::test::RecordedRequest&) {
            return delayed(ScriptedReply::json(R"({"description": "Mail me at [EMAIL_1]"})"), 300ms);
        });
        auto view = shownView();
        QVERIFY(view);
        QVERIFY(draftArrived(view.get()));
        QVERIFY(!shown(view->previewBlock()));

        QTest::keyClicks(view->descriptionEditor(), QStringLiteral("Mail me at ada@example.org"));
        QCOMPARE(view->form()->description(), QStringLiteral("Mail me at ada@example.org"));
        QVERIFY(shown(view->previewBlock()));
        QVERIFY(shown(view->previewSpinner()));
        QVERIFY(!shown(view->previewText()));
        QVERIFY(!shown(view->previewErrorLabel()));

        QTRY_VERIFY(shown(view->previewText()));
        QCOMPARE(view->previewHeading()->height(), view->previewHeading()->sizeHint().height()); // one line
        QCOMPARE(view->previewText()->text(), QStringLiteral("Mail me at [EMAIL_1]"));
        QVERIFY(!shown(view->previewSpinner()));
        QCOMPARE(view->previewBlock()->width(), view->attachmentList()->width());
        QVERIFY(view->sendButton()->isEnabled());

        // The tokens in the monospaced face and the token colour, on the dark box.
        const QImage image = test::render(view.get(), ColorScheme::light);
        const QRect text(view->previewText()->mapTo(view.get(), QPoint(0, 0)), view->previewText()->size());
        FERNHOLM_COMPARE_COLOR(test::mostDistinct(image, text, Theme::feature.resolve(ColorScheme::light)),
                               Theme::tokenChip.resolve(ColorScheme::light), 24);

        // Spaces and line breaks only: no box, Send disabled.
        view->descriptionEditor()->selectAll();
        QTest::keyClicks(view->descriptionEditor(), QStringLiteral("  "));
        QTest::keyClick(view->descriptionEditor(), Qt::Key_Return);
        QCOMPARE(view->form()->description(), QStringLiteral("  \n"));
        QVERIFY(!shown(view->previewBlock()));
        QVERIFY(!view->sendButton()->isEnabled());
    }

    // A failed preview: its sentence in the box and Send disabled though the form could send;
    // the next edit turns the spinner while the old sentence stays.
    void failedPreview() {
        m_server->setHandler("/api/issue_preview",
                             [](const fernholm::test::RecordedRequest&) { return ScriptedReply::json("{}", 500); });
        auto view = shownView();
        QVERIFY(view);
        QVERIFY(draftArrived(view.get()));
        type(view.get(), QStringLiteral("It leaked my address"));
        QTRY_VERIFY(shown(view->previewErrorLabel()));
        QCOMPARE(view->previewErrorLabel()->text(), previewFailure);
        QCOMPARE(view->previewErrorLabel()->color(), Theme::critical);
        QVERIFY(!shown(view->previewText()));
        QVERIFY(view->form()->canSend());
        QVERIFY(!view->sendButton()->isEnabled());
        // Send does nothing either way.
        QTest::mouseClick(view->sendButton(), Qt::LeftButton);
        QCOMPARE(view->form()->phase(), Phase::editing);

        m_server->setHandler("/api/issue_preview", [](const fernholm::test::RecordedRequest&) {
            return delayed(ScriptedReply::json(R"({"description": "It leaked my address."})"), 300ms);
        });
        type(view.get(), QStringLiteral("."));
        QVERIFY(shown(view->previewSpinner()));
        QVERIFY(shown(view->previewErrorLabel()));
        QTRY_VERIFY(shown(view->previewText()));
        QVERIFY(!shown(view->previewErrorLabel()));
        QVERIFY(view->sendButton()->isEnabled());
    }

    // --- Attachments ---

    // Unticking keeps the row, fades its text to 0.45 and sends the flag as false.
    void untickedAttachment() {
        auto view = shownView();
        QVERIFY(view);
        QVERIFY(draftArrived(view.get()));
        IssueAttachmentRow* os = view->attachmentRow(QStringLiteral("os"));
        QVERIFY(os);
        QCOMPARE(os->titleLabel()->text(), QStringLiteral("Operating system"));
        QCOMPARE(QAccessible::queryAccessibleInterface(os->checkBox())->text(QAccessible::Name),
                 QStringLiteral("Operating system"));

        QTest::mouseClick(os->checkBox(), Qt::LeftButton);
        QVERIFY(!view->form()->isIncluded(QStringLiteral("os")));
        QVERIFY(shown(os));
        QCOMPARE(os->textOpacity(), 0.45);
        const QImage image = test::render(view.get(), ColorScheme::light);
        const QRect title(os->titleLabel()->mapTo(view.get(), QPoint(0, 0)), os->titleLabel()->size());
        const QColor surface = Theme::surface.resolve(ColorScheme::light);
        FERNHOLM_COMPARE_COLOR(test::mostDistinct(image, title, surface),
                               test::over(Theme::ink.opacity(0.45).resolve(ColorScheme::light), surface), 24);
        // Its neighbour keeps full ink.
        const TextLabel* app = view->attachmentRow(QStringLiteral("app_version"))->titleLabel();
        FERNHOLM_COMPARE_COLOR(
            test::mostDistinct(image, QRect(app->mapTo(view.get(), QPoint(0, 0)), app->size()), surface),
            Theme::ink.resolve(ColorScheme::light), 24);

        type(view.get(), QStringLiteral("The app froze."));
        QTRY_VERIFY(view->sendButton()->isEnabled());
        QTest::mouseClick(view->sendButton(), Qt::LeftButton);
        QTRY_COMPARE(view->form()->phase(), Phase::sent);
        const QJsonObject include = sentReport().value(QLatin1String("include")).toObject();
        QCOMPARE(include, QJsonObject({{"app_version", true},
                                       {"os", false},
                                       {"sites", true},
                                       {"protection", true},
                                       {"row", true},
                                       {"events", true}}));
    }

    // A long list is folded; opened, it scrolls within 140.
    void collapsibleDetail() {
        m_server->setReply("/api/issue_draft", ScriptedReply::json(draftWithEvents(40)));
        auto view = shownView();
        QVERIFY(view);
        QVERIFY(draftArrived(view.get()));
        IssueAttachmentRow* events = view->attachmentRow(QStringLiteral("events"));
        QVERIFY(events);
        Disclosure* disclosure = events->disclosure();
        QVERIFY(disclosure);
        QCOMPARE(disclosure->label(), QStringLiteral("Show exactly what is sent"));
        QVERIFY(!disclosure->isOpen());
        QVERIFY(!shown(events->detailText()));

        QTest::mouseClick(disclosure->header(), Qt::LeftButton);
        QVERIFY(shown(events->detailText()));
        QTRY_COMPARE(events->detailText()->height(), IssueAttachmentRow::detailMaxHeight);
        QCOMPARE(events->detailText()->width(), disclosure->width());
        QVERIFY(events->detailText()->verticalScrollBar()->maximum() > 0);
        QVERIFY(events->detailText()->text().startsWith(QStringLiteral("10:00 claude [EMAIL_0] redacted\n")));
    }

    // --- Sending ---

    // While the report goes out nothing closes the sheet: not its buttons, Escape or the window.
    void sendingCannotBeClosed() {
        m_server->setReply("/api/report_issue", delayed(ScriptedReply::json(R"({"ok": true})"), 500ms));
        auto view = shownView();
        QVERIFY(view);
        QVERIFY(draftArrived(view.get()));
        type(view.get(), QStringLiteral("Blocked for no reason"));
        QTRY_VERIFY(view->sendButton()->isEnabled());
        QVERIFY(!shown(view->sendingSpinner()));

        QTest::mouseClick(view->sendButton(), Qt::LeftButton);
        QCOMPARE(view->form()->phase(), Phase::sending);
        QCOMPARE(view->sendButton()->title(), QStringLiteral("Sending…"));
        QVERIFY(!view->sendButton()->isEnabled());
        QVERIFY(!view->cancelButton()->isEnabled());
        QVERIFY(!view->closeButton()->isEnabled());
        QVERIFY(shown(view->sendingSpinner()));
        QVERIFY(view->sendingSpinner()->x() < view->cancelButton()->x());

        QTest::keyClick(view->descriptionEditor(), Qt::Key_Escape);
        QTest::keyClick(view.get(), Qt::Key_Escape);
        QVERIFY(!view->close());
        QTest::mouseClick(view->cancelButton(), Qt::LeftButton);
        QVERIFY(view->isVisible());
        QCOMPARE(m_closes, 0);

        QTRY_COMPARE(view->form()->phase(), Phase::sent);
        QCOMPARE(m_server->requests("/api/report_issue").size(), 1);
    }

    void refusedReport_data() {
        QTest::addColumn<ScriptedReply>("reply");
        QTest::addColumn<QString>("message");
        QTest::newRow("too large") << ScriptedReply::json(R"({"ok": false, "error": "too_large"})")
                                   << "The report is too large. Untick the recent events and try again.";
        QTest::newRow("refused status") << ScriptedReply::json("{}", 500)
                                        << "Tarvine could not be reached. Nothing was sent; try again later.";
    }

    // A refused or failed send: the message in an error banner at the end of the form; the
    // category, the text and the ticks stay as they were and everything can be used again.
    void refusedReport() {
        QFETCH(ScriptedReply, reply);
        QFETCH(QString, message);
        m_server->setReply("/api/report_issue", reply);
        auto view = shownView();
        QVERIFY(view);
        QVERIFY(draftArrived(view.get()));
        QVERIFY(!shown(view->sendErrorBanner()));
        QTest::mouseClick(view->categoryPicker()->segments().at(1), Qt::LeftButton);
        QCOMPARE(view->form()->category(), QStringLiteral("leaked"));
        QTest::mouseClick(view->attachmentRow(QStringLiteral("events"))->checkBox(), Qt::LeftButton);
        type(view.get(), QStringLiteral("My card number got through"));
        QTRY_VERIFY(shown(view->previewText()));
        QVERIFY(view->sendButton()->isEnabled());

        QTest::mouseClick(view->sendButton(), Qt::LeftButton);
        QTRY_VERIFY(shown(view->sendErrorBanner()));
        QCOMPARE(view->sendErrorBanner()->kind(), BannerKind::error);
        QCOMPARE(view->sendErrorBanner()->title(), std::nullopt);
        QCOMPARE(view->sendErrorBanner()->message(), message);
        QCOMPARE(view->form()->phase(), Phase::editing);
        QCOMPARE(view->categoryPicker()->selection(), QVariant(QStringLiteral("leaked")));
        QCOMPARE(view->descriptionEditor()->text(), QStringLiteral("My card number got through"));
        QVERIFY(!view->attachmentRow(QStringLiteral("events"))->checkBox()->isChecked());
        QVERIFY(view->attachmentRow(QStringLiteral("os"))->checkBox()->isChecked());
        QVERIFY(view->sendButton()->isEnabled());
        QVERIFY(view->cancelButton()->isEnabled());
        QVERIFY(view->closeButton()->isEnabled());
        QCOMPARE(view->sendButton()->title(), QStringLiteral("Send report"));
        // It stands last in the form, and the form scrolls to it.
        QTRY_VERIFY(view->sendErrorBanner()->visibleRegion().boundingRect().height() ==
                    view->sendErrorBanner()->height());
        QCOMPARE(sentReport().value(QLatin1String("category")).toString(), QStringLiteral("leaked"));
    }

    // Sent: only the thank-you and Close remain; Close calls onClose and hides the sheet.
    void sentShowsThanks() {
        auto view = shownView();
        QVERIFY(view);
        QVERIFY(draftArrived(view.get()));
        type(view.get(), QStringLiteral("The app crashed"));
        QTRY_VERIFY(view->sendButton()->isEnabled());
        QTest::mouseClick(view->sendButton(), Qt::LeftButton);
        QTRY_VERIFY(shown(view->sentPage()));
        QVERIFY(!shown(view->formPage()));
        QVERIFY(shown(view->sentCloseButton()));
        QCOMPARE(view->sentCloseButton()->title(), QStringLiteral("Close"));
        QVERIFY(!view->sentCloseButton()->showsArrow());
        // Centred across the sheet.
        const QRect close(view->sentCloseButton()->mapTo(view.get(), QPoint(0, 0)), view->sentCloseButton()->size());
        QVERIFY(std::abs(close.center().x() - view->width() / 2) <= 1);

        QTest::mouseClick(view->sentCloseButton(), Qt::LeftButton);
        QCOMPARE(m_closes, 1);
        QVERIFY(!view->isVisible());
    }

    // --- Closing ---

    void closing_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("close button") << "close button";
        QTest::newRow("Cancel") << "Cancel";
        QTest::newRow("Escape") << "Escape";
        QTest::newRow("window") << "window";
        QTest::newRow("deleted") << "deleted";
    }

    // Each way out calls onClose once and hides the sheet; the draft fetch under way is
    // abandoned, so its late answer is not written into the form.
    void closing() {
        QFETCH(QString, how);
        m_server->setReply("/api/issue_draft", delayed(ScriptedReply::json(draftBody), 300ms));
        const auto form = makeForm();
        auto view = shownView(form);
        QVERIFY(view);
        QTRY_COMPARE(m_server->requests("/api/issue_draft").size(), 1);

        if (how == QLatin1String("close button")) {
            QTest::mouseClick(view->closeButton(), Qt::LeftButton);
        } else if (how == QLatin1String("Cancel")) {
            QTest::mouseClick(view->cancelButton(), Qt::LeftButton);
        } else if (how == QLatin1String("Escape")) {
            QTest::keyClick(view->descriptionEditor(), Qt::Key_Escape);
        } else if (how == QLatin1String("window")) {
            QVERIFY(view->close());
        } else {
            view.reset();
        }
        if (view) {
            QCOMPARE(m_closes, 1);
            QVERIFY(!view->isVisible());
        }

        // A preview answered after the draft would have been: by then the draft would be in.
        m_server->setHandler("/api/issue_preview", [](const fernholm::test::RecordedRequest&) {
            return delayed(ScriptedReply::json(R"({"description": "late"})"), 450ms);
        });
        form->setDescription(QStringLiteral("late"));
        QTRY_VERIFY(form->preview().has_value());
        QCOMPARE(form->draft(), std::nullopt);
        QCOMPARE(form->draftError(), std::nullopt);
        QCOMPARE(m_closes, how == QLatin1String("deleted") ? 0 : 1);
    }

    // --- Languages ---

    void headingInCapitals_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("heading");
        QTest::newRow("en") << "en"
                            << "THE DESCRIPTION AS IT WILL BE SENT";
        QTest::newRow("pl") << "pl"
                            << "OPIS, KTÓRY ZOSTANIE WYSŁANY";
    }

    void headingInCapitals() {
        QFETCH(QString, language);
        QFETCH(QString, heading);
        L10n::setLanguage(language);
        auto view = makeView(makeForm());
        QCOMPARE(view->previewHeading()->text(), heading);
    }

    // --- Screenshots ---

    void screenshots_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("en") << "en";
        QTest::newRow("pl") << "pl";
    }

    // Editing with a preview, sending, a refused report and the thank-you, light and dark.
    void screenshots() {
        QFETCH(QString, language);
        L10n::setLanguage(language);
        const QString suffix = QStringLiteral("-") + language;
        auto view = shownView(makeForm(QStringLiteral("wrongly_blocked")));
        QVERIFY(view);
        QVERIFY(draftArrived(view.get()));
        type(view.get(), QStringLiteral("The chat refused my message although it held nothing private. "
                                        "Reach me at ada@example.org."));
        QTRY_VERIFY(shown(view->previewText()));
        view->attachmentRow(QStringLiteral("events"))->disclosure()->setOpen(true);
        QVERIFY(!test::saveScreenshot(test::lightAndDark(view.get()), QStringLiteral("issueform-editing") + suffix)
                     .isEmpty());
        // The whole form at once, on a sheet tall enough for it.
        const QSize size = view->size();
        view->setFixedSize(size.width(), 1400);
        test::settle();
        QVERIFY(!test::saveScreenshot(test::lightAndDark(view.get()), QStringLiteral("issueform-whole") + suffix)
                     .isEmpty());
        view->setFixedSize(size);
        test::settle();

        m_server->setReply("/api/report_issue",
                           delayed(ScriptedReply::json(R"({"ok": false, "error": "too_many_requests"})"), 300ms));
        QTest::mouseClick(view->sendButton(), Qt::LeftButton);
        QCOMPARE(view->form()->phase(), Phase::sending);
        QVERIFY(!test::saveScreenshot(test::lightAndDark(view.get()), QStringLiteral("issueform-sending") + suffix)
                     .isEmpty());

        QTRY_VERIFY(shown(view->sendErrorBanner()));
        QTRY_VERIFY(view->sendErrorBanner()->visibleRegion().boundingRect().height() ==
                    view->sendErrorBanner()->height());
        QVERIFY(!test::saveScreenshot(test::lightAndDark(view.get()), QStringLiteral("issueform-error") + suffix)
                     .isEmpty());

        m_server->setReply("/api/report_issue", ScriptedReply::json(R"({"ok": true})"));
        QTest::mouseClick(view->sendButton(), Qt::LeftButton);
        QTRY_VERIFY(shown(view->sentPage()));
        QVERIFY(
            !test::saveScreenshot(test::lightAndDark(view.get()), QStringLiteral("issueform-sent") + suffix).isEmpty());
    }
};

QTEST_MAIN(IssueFormViewTest)
#include "tst_issueformview.moc"
