#include "FernholmKit/control/GatewayClient.h"
#include "FernholmKit/presentation/IssueReport.h"
#include "FernholmKit/text/L10n.h"
#include "support/ClientFixtures.h"
#include "support/KitPrinters.h"
#include "support/StandInGateway.h"
#include "support/TestHttpServer.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

#include <QCoroTask>

#include <chrono>
#include <functional>
#include <memory>

using namespace fernholm;
using namespace std::chrono_literals;
using fernholm::test::jsonObject;
using fernholm::test::provenGate;
using fernholm::test::ScriptedReply;
using fernholm::test::StandInGateway;
using fernholm::test::TestHttpServer;
using fernholm::test::testToken;

namespace fernholm {
inline char* toString(const IssueAttachmentItem& item) {
    return QTest::toString(QStringLiteral("{%1, %2, %3, %4}")
                               .arg(item.key, quotedLiteral(item.title), quotedLiteral(item.detail),
                                    item.collapsible ? QStringLiteral("collapsible") : QStringLiteral("plain")));
}
} // namespace fernholm

namespace {

using Items = QList<IssueAttachmentItem>;
using Phase = IssueFormModel::Phase;

const QByteArray draftBody = R"({"app_version": "1.4.0", "events_until": 42, "events": ["e1", "e2"],
    "attachments": {"os": "Debian 12", "protection": "on", "sites": {"claude": true}}})";

IssueDraft draftOf(std::function<void(IssueDraft&)> fill) {
    IssueDraft draft;
    fill(draft);
    return draft;
}

QMap<QString, bool> sites(std::initializer_list<std::pair<const char*, bool>> entries) {
    QMap<QString, bool> out;
    for (const auto& [name, on] : entries) {
        out.insert(QString::fromUtf8(name), on);
    }
    return out;
}

// A preview reply that tells which text it answers.
ScriptedReply previewOf(const QString& text, std::chrono::milliseconds delay = 0ms) {
    ScriptedReply reply =
        ScriptedReply::json(QJsonDocument(QJsonObject{{"description", QStringLiteral("checked:") + text}}).toJson());
    reply.delay = delay;
    return reply;
}

QString descriptionIn(const fernholm::test::RecordedRequest& request) {
    return jsonObject(request.body).value(QLatin1String("description")).toString();
}

} // namespace

class IssueFormTest : public QObject {
    Q_OBJECT

    TestHttpServer* m_server = nullptr;
    std::shared_ptr<ProofGate> m_gate;

    GatewayClient client() const { return GatewayClient(m_server->port(), testToken, m_gate); }

    std::shared_ptr<IssueFormModel> makeForm(std::chrono::milliseconds debounce = 50ms,
                                             std::optional<QString> row = std::nullopt,
                                             const QString& category = QStringLiteral("other")) {
        return IssueFormModel::create(client(), std::move(row), category, debounce);
    }

    // A form whose draft has arrived.
    std::shared_ptr<IssueFormModel> loadedForm(std::chrono::milliseconds debounce = 50ms,
                                               std::optional<QString> row = std::nullopt) {
        auto form = makeForm(debounce, std::move(row));
        QCoro::waitFor(form->load());
        if (!form->draft()) {
            qWarning("the draft did not arrive");
        }
        return form;
    }

    // Answers each preview with the text it was asked about.
    void echoPreviews(std::function<std::chrono::milliseconds(const QString&)> delay = {}) {
        m_server->setHandler("/api/issue_preview", [delay](const fernholm::test::RecordedRequest& request) {
            const QString text = descriptionIn(request);
            return previewOf(text, delay ? delay(text) : 0ms);
        });
    }

    int previewRequests() const { return m_server->requests("/api/issue_preview").size(); }

private Q_SLOTS:
    void init() {
        L10n::setLanguage(QStringLiteral("en"));
        m_gate = provenGate();
        m_server = new TestHttpServer(this);
        QVERIFY(m_server->listen());
        m_server->setReply("/api/issue_draft", ScriptedReply::json(draftBody));
        m_server->setReply("/api/report_issue", ScriptedReply::json(R"({"ok": true, "id": "R-1"})"));
        echoPreviews();
    }
    void cleanup() {
        delete m_server;
        m_server = nullptr;
        L10n::setLanguage(QStringLiteral("en"));
    }

    // --- Categories, messages and attachments ---

    void categoryNames_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("name");
        QTest::newRow("wrongly_blocked") << "wrongly_blocked"
                                         << "Wrongly blocked";
        QTest::newRow("leaked") << "leaked"
                                << "Something leaked";
        QTest::newRow("app_bug") << "app_bug"
                                 << "App bug";
        QTest::newRow("other") << "other"
                               << "Other";
        QTest::newRow("empty") << ""
                               << "Other";
        QTest::newRow("unknown") << "feature_request"
                                 << "Other";
        QTest::newRow("letter case counts") << "Leaked"
                                            << "Other";
    }
    void categoryNames() {
        QFETCH(QString, key);
        QFETCH(QString, name);
        QCOMPARE(issueCategoryName(key), name);
        QCOMPARE(issueCategories, (QStringList{"wrongly_blocked", "leaked", "app_bug", "other"}));
    }

    void errorMessages_data() {
        QTest::addColumn<std::optional<QString>>("code");
        QTest::addColumn<QString>("message");
        const QString general = QStringLiteral("Something went wrong. Nothing was sent.");
        QTest::newRow("bad_request") << std::optional<QString>("bad_request")
                                     << "The report is incomplete. Check the description and try again.";
        QTest::newRow("too_large") << std::optional<QString>("too_large")
                                   << "The report is too large. Untick the recent events and try again.";
        QTest::newRow("too_many_requests")
            << std::optional<QString>("too_many_requests") << "Too many reports in a short time. Try again later.";
        QTest::newRow("check_failed") << std::optional<QString>("check_failed")
                                      << "The description could not be checked for personal data, so nothing was sent.";
        QTest::newRow("unavailable") << std::optional<QString>("unavailable")
                                     << "Tarvine could not be reached. Nothing was sent; try again later.";
        QTest::newRow("no code") << std::optional<QString>() << general;
        QTest::newRow("empty code") << std::optional<QString>("") << general;
        QTest::newRow("unknown code") << std::optional<QString>("rate_limited") << general;
        QTest::newRow("letter case counts") << std::optional<QString>("Too_Large") << general;
    }
    void errorMessages() {
        QFETCH(std::optional<QString>, code);
        QFETCH(QString, message);
        QCOMPARE(issueErrorMessage(code), message);
    }

    void attachmentItems_data() {
        QTest::addColumn<IssueDraft>("draft");
        QTest::addColumn<Items>("items");
        QTest::newRow("no optional field") << IssueDraft() << Items();
        QTest::newRow("two sites, sorted, each with its word") << draftOf([](IssueDraft& d) {
            d.attachments.sites = sites({{"site-b", true}, {"site-a", false}});
        }) << Items{{"sites", "Enabled sites", "site-a: off\nsite-b: on", false}};
        QTest::newRow("four sites stay plain") << draftOf([](IssueDraft& d) {
            d.attachments.sites = sites({{"d", true}, {"c", true}, {"b", true}, {"a", false}});
        }) << Items{{"sites", "Enabled sites", "a: off\nb: on\nc: on\nd: on", false}};
        QTest::newRow("five sites fold") << draftOf([](IssueDraft& d) {
            d.attachments.sites = sites({{"e", true}, {"d", true}, {"c", true}, {"b", true}, {"a", true}});
        }) << Items{{"sites", "Enabled sites", "a: on\nb: on\nc: on\nd: on\ne: on", true}};
        QTest::newRow("upper case sorts before lower case") << draftOf([](IssueDraft& d) {
            d.attachments.sites = sites({{"bard", true}, {"Zed", false}});
        }) << Items{{"sites", "Enabled sites", "Zed: off\nbard: on", false}};
        QTest::newRow("row with ts and reason") << draftOf([](IssueDraft& d) {
            d.attachments.row = IssueRow{"secret", {}, {}, {}, "2026-05-01T10:00:00"};
        }) << Items{{"row", "The blocked request", "reason: secret\nts: 2026-05-01T10:00:00", false}};
        QTest::newRow("row with every field") << draftOf([](IssueDraft& d) {
            d.attachments.row = IssueRow{"r", "s", "POST", "upload", "t"};
        }) << Items{{"row", "The blocked request", "reason: r\nsurface: s\nmethod: POST\nroute: upload\nts: t", false}};
        QTest::newRow("row without fields") << draftOf([](IssueDraft& d) { d.attachments.row = IssueRow{}; })
                                            << Items{{"row", "The blocked request", "", false}};
        QTest::newRow("no events") << draftOf([](IssueDraft& d) { d.events = QStringList(); })
                                   << Items{{"events", "Recent events (0, tokens only)", "", true}};
        QTest::newRow("events in their order") << draftOf([](IssueDraft& d) {
            d.events = QStringList{"10:02 b", "10:01 a"};
        }) << Items{{"events", "Recent events (2, tokens only)", "10:02 b\n10:01 a", true}};
        QTest::newRow("everything, in switch order") << draftOf([](IssueDraft& d) {
            d.events = QStringList{"e"};
            d.attachments.row = IssueRow{{}, {}, {}, {}, "t"};
            d.attachments.protection = "partial";
            d.attachments.sites = sites({{"x", false}});
            d.attachments.os = "Debian 12";
            d.appVersion = "1.4.0";
            d.eventsUntil = 9;
        }) << Items{{"app_version", "App version", "1.4.0", false},
                    {"os", "Operating system", "Debian 12", false},
                    {"sites", "Enabled sites", "x: off", false},
                    {"protection", "Protection state", "partial", false},
                    {"row", "The blocked request", "ts: t", false},
                    {"events", "Recent events (1, tokens only)", "e", true}};
    }
    void attachmentItems() {
        QFETCH(IssueDraft, draft);
        QFETCH(Items, items);
        QCOMPARE(issueAttachmentItems(draft), items);
        for (const IssueAttachmentItem& item : items) {
            QVERIFY2(IssueInclude::keys.contains(item.key), qPrintable(item.key));
        }
    }

    // The site words and the titles are translated; the row's field names are not.
    void attachmentItemsInPolish() {
        L10n::setLanguage(QStringLiteral("pl"));
        IssueDraft draft;
        draft.attachments.sites = sites({{"a", true}, {"b", false}});
        draft.attachments.row = IssueRow{"secret", {}, {}, {}, "t"};
        draft.events = QStringList{};
        const Items items = issueAttachmentItems(draft);
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[0].title, QStringLiteral("Włączone strony"));
        QCOMPARE(items[0].detail, QStringLiteral("a: włączona\nb: wyłączona"));
        QCOMPARE(items[1].detail, QStringLiteral("reason: secret\nts: t"));
        QCOMPARE(items[2].title, QStringLiteral("Ostatnie zdarzenia (0, tylko znaczniki)"));
    }

    // --- The form: start and draft ---

    void freshForm() {
        const auto form = makeForm(50ms, QStringLiteral("2026-05-01T10:00:00"), QStringLiteral("wrongly_blocked"));
        QCOMPARE(form->category(), QStringLiteral("wrongly_blocked"));
        QCOMPARE(form->row(), std::optional<QString>("2026-05-01T10:00:00"));
        QCOMPARE(form->description(), QString());
        for (const QString& key : IssueInclude::keys) {
            QVERIFY2(form->isIncluded(key), qPrintable(key));
        }
        QCOMPARE(form->isIncluded(QStringLiteral("screenshot")), false);
        QCOMPARE(form->draft(), std::nullopt);
        QCOMPARE(form->draftError(), std::nullopt);
        QCOMPARE(form->preview(), std::nullopt);
        QCOMPARE(form->previewError(), std::nullopt);
        QCOMPARE(form->previewing(), false);
        QCOMPARE(form->phase(), Phase::editing);
        QCOMPARE(form->sendError(), std::nullopt);
        QVERIFY(form->items().isEmpty());
        QVERIFY(!form->canSend());
        QCOMPARE(m_server->connectionCount(), 0); // made, nothing asked
    }

    void loadFetchesTheDraft() {
        const auto form = makeForm(50ms, QStringLiteral("a b+c"));
        QSignalSpy draftChanged(form.get(), &IssueFormModel::draftChanged);
        QCoro::waitFor(form->load());
        QCOMPARE(draftChanged.size(), 1);
        QVERIFY(form->draft());
        QCOMPARE(form->draft()->eventsUntil, 42);
        QCOMPARE(form->draftError(), std::nullopt);
        QCOMPARE(m_server->requests().first().target, QByteArray("/api/issue_draft?row=a%20b%2Bc"));
        QCOMPARE(form->items(), issueAttachmentItems(*form->draft()));
        QCOMPARE(form->items().size(), 5);

        // Sendable once there is a text as well, and the change is announced.
        QSignalSpy canSendChanged(form.get(), &IssueFormModel::canSendChanged);
        form->setDescription(QStringLiteral("x"));
        QVERIFY(form->canSend());
        QCOMPARE(canSendChanged.size(), 1);
    }

    void failedDraft_data() {
        QTest::addColumn<ScriptedReply>("reply");
        QTest::addColumn<bool>("proven");
        QTest::addColumn<QString>("error");
        QTest::newRow("refused status") << ScriptedReply::json("{}", 500) << true << "http(500)";
        QTest::newRow("undecodable") << ScriptedReply::json(R"({"attachments": {}})") << true << "decoding(";
        QTest::newRow("no answer") << ScriptedReply::closed() << true << "transport(";
        QTest::newRow("unproven gateway") << ScriptedReply::json(draftBody) << false << "unverified";
    }
    void failedDraft() {
        QFETCH(ScriptedReply, reply);
        QFETCH(bool, proven);
        QFETCH(QString, error);
        m_server->setReply("/api/issue_draft", reply);
        if (!proven) {
            m_gate->revoke();
        }
        const auto form = makeForm(10ms);
        QCoro::waitFor(form->load());
        QVERIFY(form->draftError());
        QVERIFY2(form->draftError()->startsWith(QStringLiteral("Could not reach the gateway: ") + error),
                 qPrintable(*form->draftError()));
        QCOMPARE(form->draft(), std::nullopt);
        QVERIFY(form->items().isEmpty());
        const qsizetype asked = m_server->requests("/api/issue_draft").size();
        QCOMPARE(asked > 0, proven);

        // For good: a text does not make it sendable, nothing retries, sending asks nothing.
        m_gate->proven(Clock::now());
        form->setDescription(QStringLiteral("It blocked my own name"));
        QVERIFY(!form->canSend());
        QCoro::waitFor(form->send());
        QCOMPARE(form->phase(), Phase::editing);
        QTRY_COMPARE(form->previewing(), false);
        QCOMPARE(m_server->requests("/api/issue_draft").size(), asked);
        QCOMPARE(m_server->requests("/api/report_issue").size(), 0);
    }

    void polishDraftFailure() {
        L10n::setLanguage(QStringLiteral("pl"));
        m_server->setReply("/api/issue_draft", ScriptedReply::json("{}", 503));
        const auto form = makeForm();
        QCoro::waitFor(form->load());
        QCOMPARE(form->draftError(), std::optional<QString>("Nie udało się połączyć z usługą Tarvine: http(503)"));
    }

    // The view cancels the fetch when it goes: a late answer or failure is not written.
    void cancelledLoadWritesNothing() {
        m_server->setReply("/api/issue_draft", ScriptedReply::never());
        const auto form = makeForm();
        const CancelToken cancel = CancelToken::create();
        bool finished = false;
        [](std::shared_ptr<IssueFormModel> form, CancelToken cancel, bool& finished) -> QCoro::Task<> {
            co_await form->load(cancel);
            finished = true;
        }(form, cancel, finished);
        QTRY_COMPARE(m_server->requests("/api/issue_draft").size(), 1);
        cancel.cancel();
        QTRY_VERIFY(finished);
        QCOMPARE(form->draft(), std::nullopt);
        QCOMPARE(form->draftError(), std::nullopt);
    }

    // --- Preview ---

    void burstOfEditsAsksOnce() {
        constexpr auto debounce = 400ms;
        const auto form = makeForm(debounce);
        QSignalSpy previewingChanged(form.get(), &IssueFormModel::previewingChanged);
        QElapsedTimer clock;
        qint64 lastEdit = 0;
        qint64 asked = -1;
        connect(m_server, &TestHttpServer::requestReceived, this, [&](const fernholm::test::RecordedRequest& r) {
            if (r.path == "/api/issue_preview" && asked < 0) {
                asked = clock.elapsed();
            }
        });
        clock.start();
        for (const char* text : {"I", "It ", "It blocked my name\n"}) {
            form->setDescription(QString::fromUtf8(text));
            lastEdit = clock.elapsed();
            QVERIFY(form->previewing());
            QTest::qWait(100);
        }
        QCOMPARE(previewRequests(), 0);
        QTRY_COMPARE(form->preview(), std::optional<QString>("checked:It blocked my name\n"));
        QCOMPARE(previewRequests(), 1);
        QCOMPARE(descriptionIn(m_server->requests("/api/issue_preview").first()),
                 QStringLiteral("It blocked my name\n"));
        // Timers may fire a little early (Qt's coarse timers allow 5 %).
        QVERIFY2(asked - lastEdit >= debounce.count() * 9 / 10, qPrintable(QString::number(asked - lastEdit)));
        QCOMPARE(form->previewing(), false);
        QCOMPARE(form->previewError(), std::nullopt);
        QCOMPARE(previewingChanged.size(), 2); // on once for the whole burst, off with the answer
    }

    void blankTextAsksNothing_data() {
        QTest::addColumn<QString>("blank");
        QTest::newRow("empty") << "";
        QTest::newRow("spaces and line breaks") << " \n\t \r\n ";
        QTest::newRow("no-break and ideographic spaces") << QStringLiteral("\u00a0\u3000");
    }
    void blankTextAsksNothing() {
        QFETCH(QString, blank);
        const auto form = loadedForm(20ms);
        form->setDescription(QStringLiteral("Anna"));
        QTRY_VERIFY(form->preview());

        form->setDescription(blank);
        // Cleared at once, without a request.
        QCOMPARE(form->preview(), std::nullopt);
        QCOMPARE(form->previewError(), std::nullopt);
        QCOMPARE(form->previewing(), false);
        QVERIFY(!form->canSend());
        QTest::qWait(100);
        QCOMPARE(previewRequests(), 1);
    }

    void sameTextAgainDoesNothing() {
        const auto form = makeForm(20ms);
        form->setDescription(QStringLiteral("Anna"));
        QTRY_VERIFY(form->preview());
        QSignalSpy descriptionChanged(form.get(), &IssueFormModel::descriptionChanged);
        QSignalSpy previewingChanged(form.get(), &IssueFormModel::previewingChanged);
        form->setDescription(QStringLiteral("Anna"));
        QTest::qWait(100);
        QCOMPARE(descriptionChanged.size(), 0);
        QCOMPARE(previewingChanged.size(), 0);
        QCOMPARE(previewRequests(), 1);
    }

    // The answer for an older text never lands, even when the newer one is answered first.
    void olderAnswerIsDropped() {
        echoPreviews([](const QString& text) { return text == QLatin1String("first") ? 800ms : 0ms; });
        const auto form = makeForm(10ms);
        QSignalSpy previewChanged(form.get(), &IssueFormModel::previewChanged);
        QSignalSpy previewErrorChanged(form.get(), &IssueFormModel::previewErrorChanged);
        form->setDescription(QStringLiteral("first"));
        QTRY_COMPARE(previewRequests(), 1);

        m_server->setHandler("/api/issue_preview", [](const fernholm::test::RecordedRequest& request) {
            return previewOf(descriptionIn(request), 300ms);
        });
        form->setDescription(QStringLiteral("second"));
        QVERIFY(form->previewing());
        QTRY_COMPARE(previewRequests(), 2);
        QVERIFY(form->previewing());
        QTRY_VERIFY(!form->previewing());
        QCOMPARE(form->preview(), std::optional<QString>("checked:second"));
        // Past the time the first answer was due: nothing else arrived.
        QTest::qWait(700);
        QCOMPARE(form->preview(), std::optional<QString>("checked:second"));
        QCOMPARE(previewChanged.size(), 1);
        QCOMPARE(previewErrorChanged.size(), 0); // the abandoned request never shows as a failure
    }

    void blankEditCancelsAPendingPreview_data() {
        QTest::addColumn<bool>("onTheWire");
        QTest::newRow("while waiting out the pause") << false;
        QTest::newRow("while the gateway checks") << true;
    }
    void blankEditCancelsAPendingPreview() {
        QFETCH(bool, onTheWire);
        m_server->setHandler("/api/issue_preview",
                             [](const fernholm::test::RecordedRequest&) { return ScriptedReply::never(); });
        // A pause far longer than the test: only the cancellation can end it.
        auto form = makeForm(onTheWire ? std::chrono::milliseconds(10) : std::chrono::milliseconds(60s));
        QSignalSpy previewErrorChanged(form.get(), &IssueFormModel::previewErrorChanged);
        const std::weak_ptr<IssueFormModel> alive = form;
        form->setDescription(QStringLiteral("Anna"));
        if (onTheWire) {
            QTRY_COMPARE(previewRequests(), 1);
        }
        form->setDescription(QStringLiteral("  "));
        QCOMPARE(form->previewing(), false);
        QCOMPARE(form->preview(), std::nullopt);
        QTest::qWait(300);
        QCOMPARE(previewRequests(), onTheWire ? 1 : 0);
        QCOMPARE(previewErrorChanged.size(), 0);
        QCOMPARE(form->previewing(), false);
        // Nothing is left waiting, on the pause or on the unanswered request: the form goes at once.
        form.reset();
        QTRY_VERIFY(alive.expired());
    }

    void failedPreview() {
        const auto form = makeForm(10ms);
        form->setDescription(QStringLiteral("Anna"));
        QTRY_VERIFY(form->preview());

        m_server->setHandler("/api/issue_preview",
                             [](const fernholm::test::RecordedRequest&) { return ScriptedReply::json("{}", 500); });
        form->setDescription(QStringLiteral("Anna Nowak"));
        QTRY_VERIFY(!form->previewing());
        QCOMPARE(form->preview(), std::nullopt);
        QCOMPARE(form->previewError(),
                 std::optional<QString>(
                     "The description could not be checked for personal data, so nothing would be sent."));

        // While the next one is pending the old error stays; the answer replaces it.
        echoPreviews([](const QString&) { return 200ms; });
        form->setDescription(QStringLiteral("Anna Nowak!"));
        QTRY_COMPARE(previewRequests(), 3);
        QVERIFY(form->previewing());
        QVERIFY(form->previewError());
        QTRY_VERIFY(!form->previewing());
        QCOMPARE(form->previewError(), std::nullopt);
        QCOMPARE(form->preview(), std::optional<QString>("checked:Anna Nowak!"));
    }

    // --- Sending ---

    void sendOutcome_data() {
        QTest::addColumn<ScriptedReply>("reply");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<Phase>("phase");
        QTest::addColumn<std::optional<QString>>("error");
        const auto refused = [](const char* code) {
            return ScriptedReply::json(QByteArray(R"({"ok": false, "error": ")") + code + "\"}");
        };
        const QString unavailable = QStringLiteral("Tarvine could not be reached. Nothing was sent; try again later.");
        QTest::newRow("sent") << ScriptedReply::json(R"({"ok": true, "id": "R-1"})") << "" << Phase::sent
                              << std::optional<QString>();
        QTest::newRow("sent without an id")
            << ScriptedReply::json(R"({"ok": true})") << "" << Phase::sent << std::optional<QString>();
        for (const char* code : {"bad_request", "too_large", "too_many_requests", "check_failed", "unavailable"}) {
            QTest::newRow(code) << refused(code) << "" << Phase::editing
                                << std::optional<QString>(issueErrorMessage(QString::fromUtf8(code)));
        }
        QTest::newRow("refused without a code") << ScriptedReply::json(R"({"ok": false})") << "" << Phase::editing
                                                << std::optional<QString>("Something went wrong. Nothing was sent.");
        QTest::newRow("unknown code") << refused("teapot") << "" << Phase::editing
                                      << std::optional<QString>("Something went wrong. Nothing was sent.");
        QTest::newRow("status 500") << ScriptedReply::json(R"({"ok": false, "error": "too_large"})", 500) << ""
                                    << Phase::editing << std::optional<QString>(unavailable);
        QTest::newRow("undecodable") << ScriptedReply::json(R"({"id": "R-1"})") << "" << Phase::editing
                                     << std::optional<QString>(unavailable);
        QTest::newRow("refused connection")
            << ScriptedReply() << "closed" << Phase::editing << std::optional<QString>(unavailable);
        QTest::newRow("unproven gateway")
            << ScriptedReply() << "unproven" << Phase::editing << std::optional<QString>(unavailable);
    }
    void sendOutcome() {
        QFETCH(ScriptedReply, reply);
        QFETCH(QString, fault);
        QFETCH(Phase, phase);
        QFETCH(std::optional<QString>, error);
        m_server->setReply("/api/report_issue", reply);
        const auto form = loadedForm(10ms);
        form->setCategory(QStringLiteral("leaked"));
        form->setDescription(QStringLiteral("My IBAN went through"));
        form->setIncluded(QStringLiteral("events"), false);
        QTRY_VERIFY(form->preview());
        if (fault == QLatin1String("closed")) {
            m_server->close();
        } else if (fault == QLatin1String("unproven")) {
            m_gate->revoke();
        }

        QList<Phase> phases;
        connect(form.get(), &IssueFormModel::phaseChanged, this, [&] { phases << form->phase(); });
        QCoro::waitFor(form->send());
        QCOMPARE(phases, (QList<Phase>{Phase::sending, phase}));
        QCOMPARE(form->sendError(), error);
        // What the user entered is all still there.
        QCOMPARE(form->category(), QStringLiteral("leaked"));
        QCOMPARE(form->description(), QStringLiteral("My IBAN went through"));
        QCOMPARE(form->isIncluded(QStringLiteral("events")), false);
        QCOMPARE(form->canSend(), phase == Phase::editing);
        QCOMPARE(m_server->requests("/api/report_issue").size(), fault.isEmpty() ? 1 : 0);
    }

    void sentBody_data() {
        QTest::addColumn<std::optional<QString>>("row");
        QTest::newRow("without a row") << std::optional<QString>();
        QTest::newRow("with a row") << std::optional<QString>("2026-05-01T10:00:00+02:00");
    }
    void sentBody() {
        QFETCH(std::optional<QString>, row);
        // The draft's own row differs from the form's: the form's goes.
        m_server->setReply("/api/issue_draft",
                           ScriptedReply::json(R"({"events_until": 1234, "attachments": {"row": {"ts": "other"}}})"));
        const auto form = loadedForm(10ms, row);
        form->setCategory(QStringLiteral("feature_request"));
        form->setDescription(QStringLiteral("  It blocked my own name\n"));
        form->setIncluded(QStringLiteral("os"), false);
        QCoro::waitFor(form->send());
        QCOMPARE(form->phase(), Phase::sent);

        const auto requests = m_server->requests("/api/report_issue");
        QCOMPARE(requests.size(), 1);
        QJsonObject expected{
            {"category", "feature_request"},
            {"description", "  It blocked my own name\n"},
            {"events_until", 1234},
            {"include", QJsonObject{{"app_version", true},
                                    {"os", false},
                                    {"sites", true},
                                    {"protection", true},
                                    {"row", true},
                                    {"events", true}}},
        };
        if (row) {
            expected.insert("row", *row);
        }
        QCOMPARE(jsonObject(requests.first().body), expected);
    }

    void secondSendWhileSendingPostsNothing() {
        ScriptedReply slow = ScriptedReply::json(R"({"ok": false, "error": "too_large"})");
        slow.delay = 200ms;
        m_server->setReply("/api/report_issue", slow);
        const auto form = loadedForm();
        form->setDescription(QStringLiteral("text"));
        auto first = form->send();
        QSignalSpy phases(form.get(), &IssueFormModel::phaseChanged);
        QCoro::waitFor(form->send());
        QCOMPARE(phases.size(), 0);
        QCOMPARE(form->phase(), Phase::sending);
        QCoro::waitFor(std::move(first));
        QCOMPARE(form->phase(), Phase::editing);
        QCOMPARE(m_server->requests("/api/report_issue").size(), 1);

        // Refused, the form can send again.
        m_server->setReply("/api/report_issue", ScriptedReply::json(R"({"ok": true})"));
        QCoro::waitFor(form->send());
        QCOMPARE(form->phase(), Phase::sent);
        QCOMPARE(form->sendError(), std::nullopt);
        QCOMPARE(m_server->requests("/api/report_issue").size(), 2);
        // Sent is final.
        QCoro::waitFor(form->send());
        QCOMPARE(m_server->requests("/api/report_issue").size(), 2);
    }

    void sendNeedsADraftAndAText_data() {
        QTest::addColumn<bool>("load");
        QTest::addColumn<QString>("description");
        QTest::newRow("before the draft") << false << "It blocked my name";
        QTest::newRow("blank text") << true << " \n ";
        QTest::newRow("no text") << true << "";
    }
    void sendNeedsADraftAndAText() {
        QFETCH(bool, load);
        QFETCH(QString, description);
        const auto form = load ? loadedForm() : makeForm();
        form->setDescription(description);
        QSignalSpy phases(form.get(), &IssueFormModel::phaseChanged);
        QSignalSpy sendErrors(form.get(), &IssueFormModel::sendErrorChanged);
        QCoro::waitFor(form->send());
        QCOMPARE(phases.size(), 0);
        QCOMPARE(sendErrors.size(), 0);
        QCOMPARE(form->phase(), Phase::editing);
        QCOMPARE(m_server->requests("/api/report_issue").size(), 0);
    }

    // --- Lifetime ---

    // The view lets go of the form while a preview and a send are under way: both still land in
    // it, and it goes when the last of them has ended.
    void formOutlivesItsViewUntilTheLastCallEnds() {
        echoPreviews([](const QString&) { return 300ms; });
        ScriptedReply slow = ScriptedReply::json(R"({"ok": true})");
        slow.delay = 400ms;
        m_server->setReply("/api/report_issue", slow);

        auto form = loadedForm(10ms);
        const std::weak_ptr<IssueFormModel> alive = form;
        std::optional<QString> landedPreview;
        Phase landedPhase = Phase::editing;
        IssueFormModel* raw = form.get();
        connect(raw, &IssueFormModel::previewChanged, this, [&] { landedPreview = raw->preview(); });
        connect(raw, &IssueFormModel::phaseChanged, this, [&] { landedPhase = raw->phase(); });

        form->setDescription(QStringLiteral("Anna"));
        QTRY_COMPARE(previewRequests(), 1);
        form->send();
        QTRY_COMPARE(m_server->requests("/api/report_issue").size(), 1);
        form.reset();

        QVERIFY(!alive.expired());
        QTRY_VERIFY(alive.expired());
        QCOMPARE(landedPreview, std::optional<QString>("checked:Anna"));
        QCOMPARE(landedPhase, Phase::sent);
    }

    // Let go while the text waits out its pause and while the draft is still coming: nothing is
    // written after it has gone.
    void formLetGoWhileWaiting() {
        ScriptedReply slowDraft = ScriptedReply::json(draftBody);
        slowDraft.delay = 200ms;
        m_server->setReply("/api/issue_draft", slowDraft);
        auto form = makeForm(100ms);
        const std::weak_ptr<IssueFormModel> alive = form;
        form->load();
        form->setDescription(QStringLiteral("Anna"));
        form.reset();
        QTRY_VERIFY(alive.expired());
        QCOMPARE(m_server->requests("/api/issue_draft").size(), 1);
        QCOMPARE(previewRequests(), 1);
    }

    // --- Through the stand-in gateway ---

    void reportThroughTheStandInGateway() {
        StandInGateway gateway(QStringLiteral(FERNHOLM_FAKE_GATEWAY));
        QCOMPARE(gateway.start(), SidecarState::ready());
        const QString ts = QStringLiteral("2026-05-01T10:00:00+02:00");
        const auto passed = gateway.hook("POST", QStringLiteral("/fake/request"),
                                         {{"text", "Call Anna Kowalska"},
                                          {"status", "blocked"},
                                          {"reason", "secret"},
                                          {"route", "upload"},
                                          {"ts", ts}});
        QVERIFY2(passed, qPrintable(failureText(passed)));

        const auto form = IssueFormModel::create(gateway.client(), ts, QStringLiteral("wrongly_blocked"), 10ms);
        QCoro::waitFor(form->load());
        QVERIFY2(form->draft(), qPrintable(form->draftError().value_or(QString())));
        QStringList keys;
        for (const IssueAttachmentItem& item : form->items()) {
            keys << item.key;
        }
        QCOMPARE(keys, IssueInclude::keys);
        QCOMPARE(form->items()[4].detail, QStringLiteral("reason: secret\nsurface: chatgpt_web\nmethod: POST\n"
                                                         "route: upload\nts: ") +
                                              ts);

        form->setDescription(QStringLiteral("Blocked, though only my own name Anna Kowalska was in it "));
        QTRY_VERIFY(!form->previewing());
        QVERIFY2(form->preview() && !form->preview()->contains(QLatin1String("Kowalska")),
                 qPrintable(form->preview().value_or(QString())));
        form->setIncluded(QStringLiteral("events"), false);
        QCoro::waitFor(form->send());
        QCOMPARE(form->phase(), Phase::sent);

        const auto kept = gateway.hook("GET", QStringLiteral("/fake/report"));
        QVERIFY2(kept, qPrintable(failureText(kept)));
        const QJsonObject report = jsonObject(kept.value());
        QCOMPARE(report.value("category").toString(), QStringLiteral("wrongly_blocked"));
        QCOMPARE(report.value("description").toString(), form->description());
        QCOMPARE(report.value("row").toString(), ts);
        QCOMPARE(report.value("events_until").toInteger(), form->draft()->eventsUntil);
        QCOMPARE(report.value("include").toObject(), form->include().toJson());
        QCOMPARE(report.value("include").toObject().value("events"), QJsonValue(false));
    }
};

QTEST_GUILESS_MAIN(IssueFormTest)
#include "tst_issueform.moc"
