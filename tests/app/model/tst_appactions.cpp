// The model's user actions and certificate and data-key actions: what each sends, what a good
// reply changes, and the one error line each failure leaves: a scripted 500 from the stand-in
// gateway, a closed port (a proof standing, nothing listening) and an unproven gateway.
#include "FernholmApp/model/ActivityFeed.h"
#include "FernholmApp/model/AlertsModel.h"
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/AppModelAccess.h"
#include "app/support/RedactionDraftAccess.h"
#include "app/support/StandInModel.h"
#include "app/support/TestPlatform.h"
#include "support/ClientFixtures.h"
#include "support/LoopbackPort.h"
#include "support/SidecarPrinters.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTest>

#include <QCoroTask>

#include <memory>

using namespace fernholm;
using namespace fernholm::test;

namespace {

constexpr int patienceMs = 30'000;

enum class Action { toggle, restart, provider, save, installCA, removeCA, retire };
enum class Outcome { ok, http500, closedPort, unproven };

const QString earlier = QStringLiteral("an earlier error");

QString actionPath(Action action) {
    switch (action) {
    case Action::toggle:
    case Action::restart:
        return QStringLiteral("/api/protection");
    case Action::provider:
        return QStringLiteral("/api/providers");
    case Action::save:
        return QStringLiteral("/api/redaction");
    case Action::installCA:
        return QStringLiteral("/api/ca/install");
    case Action::removeCA:
        return QStringLiteral("/api/ca/remove");
    case Action::retire:
        return QStringLiteral("/api/ca/retire");
    }
    return {};
}

bool setsBusy(Action action) {
    return action != Action::provider && action != Action::save;
}

QString body(const QJsonObject& object) {
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QJsonObject reply(int status, const QString& text = {}) {
    return {{QStringLiteral("status"), status}, {QStringLiteral("body"), text}};
}

} // namespace

Q_DECLARE_METATYPE(Action)
Q_DECLARE_METATYPE(Outcome)

class AppActionsTest : public QObject, public StandInModel {
    Q_OBJECT

    // A model whose stand-in gateway is up, polled once, with its providers loaded.
    AppModel& up(const Environment& extra = {}) {
        makeModel(extra);
        AppModel& model = *m_model;
        QSignalSpy polls(&model, &AppModel::pollEnded);
        model.start();
        [&] {
            QTRY_VERIFY_WITH_TIMEOUT(polls.size() >= 1, patienceMs);
            QTRY_VERIFY(!model.protection().providers().isEmpty());
        }();
        return model;
    }

    // A model that never started: nothing listens on its port. With `proven`, its client believes
    // in a gateway there and meets a closed port; without, it sends nothing at all.
    AppModel& idle(bool proven) {
        m_model = std::make_unique<AppModel>(m_config, m_fakes->platform());
        if (proven) {
            m_model->client().gate()->proven(Clock::now());
        }
        AppModelAccess::setStatus(*m_model, Status{});
        return *m_model;
    }

    AppModel& modelFor(Outcome outcome) {
        switch (outcome) {
        case Outcome::ok:
        case Outcome::http500:
            return up();
        case Outcome::closedPort:
        case Outcome::unproven:
            return idle(outcome == Outcome::closedPort);
        }
        return idle(false);
    }

    // The rules as the model's gateway holds them.
    RedactionPage gatewayRules() const {
        const auto raw = gatewayExchange(*m_model, "GET", QStringLiteral("/api/redaction"));
        return raw ? json::decode<RedactionPage>(raw.value()).value() : RedactionPage{};
    }

    // The bodies of every request the gateway received on one path, oldest first.
    QStringList bodiesOf(const QString& path) const {
        QStringList bodies;
        for (const QJsonValue& entry : gatewayLog(*m_model)) {
            if (entry[QLatin1String("path")].toString() == path) {
                bodies.append(entry[QLatin1String("body")].toString());
            }
        }
        return bodies;
    }

    QStringList stdinLines() const { return m_checkout->dump().value(QLatin1String("stdin")).toString().split(u'\n'); }

private Q_SLOTS:
    void init() {
        QVERIFY(setUpStandIn());
        m_config.pollInterval = std::chrono::hours(1); // one poll after the start, then quiet
        L10n::setLanguage(QStringLiteral("en"));
    }
    void cleanup() {
        tearDownStandIn();
        L10n::setLanguage(QStringLiteral("en"));
    }

    // Every action against each kind of answer: the error line exactly, busy, and what the
    // action leaves of the status, the providers and the rules.
    void actionOutcomes_data() {
        QTest::addColumn<Action>("action");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("sentence"); // the error line's template
        QTest::addColumn<QString>("after");    // what the action leaves, as summarised below

        const struct {
            const char* name;
            Action action;
            const char* sentence;
            const char* afterOk;
            const char* afterGatewayFailure;
            const char* afterNoGateway;
        } actions[] = {
            {"toggle", Action::toggle, "Toggle failed: {error}", "on", "off", "off"},
            {"restart", Action::restart, "Toggle failed: {error}", "on", "off", "off"},
            // The switched-off provider disappears from the enabled ones; after a failure the
            // list is the gateway's again (the model's had been emptied), or stays empty.
            {"provider", Action::provider, "provider toggle failed: {error}", "chatgpt gemini", "chatgpt claude gemini",
             ""},
            // Whether the edits are still unsaved, and whether the saved copy is the gateway's.
            {"save", Action::save, "Redaction save failed: {error}", "saved, gateway's", "unsaved, gateway's",
             "unsaved, stale"},
            {"install", Action::installCA, "CA install failed: {error}", "", "", ""},
            {"remove", Action::removeCA, "Could not remove the certificate: {error}", "", "", ""},
            {"retire", Action::retire, "The old certificate is still trusted: {error}", "", "", ""},
        };
        for (const auto& a : actions) {
            QTest::addRow("%s, ok", a.name) << a.action << Outcome::ok << QString() << QString(a.afterOk);
            QTest::addRow("%s, 500", a.name)
                << a.action << Outcome::http500 << QString(a.sentence) << QString(a.afterGatewayFailure);
            QTest::addRow("%s, closed port", a.name)
                << a.action << Outcome::closedPort << QString(a.sentence) << QString(a.afterNoGateway);
            QTest::addRow("%s, unproven", a.name)
                << a.action << Outcome::unproven << QString(a.sentence) << QString(a.afterNoGateway);
        }
    }
    void actionOutcomes() {
        QFETCH(Action, action);
        QFETCH(Outcome, outcome);
        QFETCH(QString, sentence);
        QFETCH(QString, after);
        AppModel& model = modelFor(outcome);
        const bool gateway = outcome == Outcome::ok || outcome == Outcome::http500;
        AppModelAccess::setProviders(model, {});
        RedactionPage edits = gateway ? gatewayRules() : RedactionPage{};
        edits.allowlist.append(QStringLiteral("ACME Sp. z o.o."));
        RedactionDraftAccess::setEdited(model.redactionDraft(), edits);
        RedactionDraftAccess::setSaved(model.redactionDraft(), RedactionPage{}); // stale: not what the gateway holds
        AppModelAccess::setAppError(model, earlier);
        if (outcome == Outcome::http500) {
            QVERIFY(scriptGateway(model, actionPath(action), {reply(500)}));
        }
        QList<bool> busy;
        connect(&model.supervision(), &Supervision::busyChanged, this,
                [&] { busy.append(model.supervision().busy()); });

        switch (action) {
        case Action::toggle:
            model.toggleProtection();
            break;
        case Action::restart:
            model.restartProtection();
            break;
        case Action::provider:
            model.setProvider(QStringLiteral("claude"), false);
            break;
        case Action::save:
            model.saveRedaction();
            break;
        case Action::installCA:
            model.installCA();
            break;
        case Action::removeCA:
            model.removeCA();
            break;
        case Action::retire:
            model.retireOldRoots();
            break;
        }
        // Busy from the call on (an unproven gateway answers before the call returns).
        QCOMPARE(busy.value(0, false), setsBusy(action));

        const auto summary = [&]() -> QString {
            switch (action) {
            case Action::toggle:
            case Action::restart:
                return model.protection().status() ? protectionName(model.protection().status()->protection)
                                                   : QStringLiteral("none");
            case Action::provider: {
                QStringList enabled;
                for (const Provider& provider : model.protection().providers()) {
                    if (provider.enabled) {
                        enabled.append(provider.name);
                    }
                }
                return enabled.join(u' ');
            }
            case Action::save:
                return QStringLiteral("%1, %2").arg(
                    model.redactionDraft().hasChanges() ? QStringLiteral("unsaved") : QStringLiteral("saved"),
                    model.redactionDraft().saved().categories.isEmpty() ? QStringLiteral("stale")
                                                                        : QStringLiteral("gateway's"));
            default:
                return QString();
            }
        };
        if (outcome != Outcome::ok) {
            QTRY_VERIFY_WITH_TIMEOUT(model.supervision().appError() != earlier, patienceMs);
        }
        QTRY_COMPARE_WITH_TIMEOUT(summary(), after, patienceMs);
        QTRY_VERIFY(!model.supervision().busy());
        const QList<bool> busyTurns = setsBusy(action) ? QList<bool>{true, false} : QList<bool>();
        QCOMPARE(busy, busyTurns);

        switch (outcome) {
        case Outcome::ok:
            QCOMPARE(model.supervision().appError(), earlier); // success never clears an error line
            break;
        case Outcome::http500: {
            // The protection switch takes a 500 as the gateway's status, which an empty body is not.
            const bool statusReply = action == Action::toggle || action == Action::restart;
            const GatewayError error =
                statusReply ? json::decode<Status>(QByteArray()).error() : GatewayError::http(500);
            QCOMPARE(model.supervision().appError(),
                     QString(sentence).replace(QLatin1String("{error}"), error.rendered()));
            break;
        }
        case Outcome::closedPort: {
            // Qt's own words for the refused connection come in between.
            const QString line = model.supervision().appError().value_or(QString());
            const QString prefix = QString(sentence).replace(QLatin1String("{error}"), QLatin1String("transport(\""));
            QVERIFY2(line.startsWith(prefix) && line.endsWith(QLatin1String("\")")), qPrintable(line));
            QVERIFY(line.size() > prefix.size() + 2);
            break;
        }
        case Outcome::unproven:
            QCOMPARE(model.supervision().appError(),
                     QString(sentence).replace(QLatin1String("{error}"), QLatin1String("unverified")));
            break;
        }
        if (action == Action::save && outcome == Outcome::http500) {
            QCOMPARE(model.redactionDraft().edited(), edits);
            QCOMPARE(model.redactionDraft().saved(), gatewayRules());
        }
        if (action == Action::save && outcome == Outcome::ok) {
            QCOMPARE(model.redactionDraft().edited(), gatewayRules());
            QVERIFY(model.redactionDraft().edited().allowlist.contains(QStringLiteral("ACME Sp. z o.o.")));
        }
    }

    // Off, starting and error ask for on, on asks for off; without a status nothing is sent.
    void toggleAsksForTheOtherState_data() {
        QTest::addColumn<std::optional<Protection>>("current");
        QTest::addColumn<QStringList>("sent");
        const QString on = body({{QStringLiteral("on"), true}});
        const QString off = body({{QStringLiteral("on"), false}});
        QTest::newRow("off") << std::optional(Protection::off) << QStringList{on};
        QTest::newRow("starting") << std::optional(Protection::starting) << QStringList{on};
        QTest::newRow("error") << std::optional(Protection::error) << QStringList{on};
        QTest::newRow("on") << std::optional(Protection::on) << QStringList{off};
        QTest::newRow("no status") << std::optional<Protection>() << QStringList{};
    }
    void toggleAsksForTheOtherState() {
        QFETCH(std::optional<Protection>, current);
        QFETCH(QStringList, sent);
        AppModel& model = up();
        std::optional<Status> status;
        if (current) {
            status = Status{};
            status->protection = *current;
        }
        AppModelAccess::setStatus(model, status);
        model.toggleProtection();
        QCOMPARE(model.supervision().busy(), current.has_value());
        QTRY_VERIFY(!model.supervision().busy());
        QCOMPARE(bodiesOf(QStringLiteral("/api/protection")), sent);
    }

    // A status is shown only while the link is trusted, also one that answers an action.
    void aReplyWhileTheLinkIsInDoubtIsNotShown() {
        AppModel& model = up();
        const std::optional<Status> before = model.protection().status();
        QVERIFY(before);
        AppModelAccess::setLink(model, SidecarLink::checking);
        model.toggleProtection();
        QTRY_VERIFY(!model.supervision().busy());
        QCOMPARE(bodiesOf(QStringLiteral("/api/protection")).size(), 1);
        QCOMPARE(model.protection().status(), before);
        QCOMPARE(model.supervision().appError(), std::nullopt);
    }

    // Off, then on; when the first call fails, the second is never sent.
    void restartSwitchesOffThenOn_data() {
        QTest::addColumn<QJsonArray>("replies");
        QTest::addColumn<int>("sent");
        QTest::addColumn<bool>("fails");
        QTest::newRow("both answered") << QJsonArray() << 2 << false;
        QTest::newRow("off fails") << QJsonArray{reply(503)} << 1 << true;
        QTest::newRow("on fails") << QJsonArray{QJsonValue(), reply(503)} << 2 << true;
    }
    void restartSwitchesOffThenOn() {
        QFETCH(QJsonArray, replies);
        QFETCH(int, sent);
        QFETCH(bool, fails);
        AppModel& model = up();
        // A null reply stands for the gateway's own status.
        const auto status = gatewayExchange(model, "GET", QStringLiteral("/api/status"));
        QVERIFY(status);
        for (auto&& entry : replies) {
            if (entry.isNull()) {
                entry = reply(200, QString::fromUtf8(status.value()));
            }
        }
        QVERIFY(scriptGateway(model, QStringLiteral("/api/protection"), replies));
        model.restartProtection();
        QTRY_VERIFY(!model.supervision().busy());
        const QStringList bodies = bodiesOf(QStringLiteral("/api/protection"));
        QCOMPARE(bodies.size(), sent);
        QCOMPARE(bodies.first(), body({{QStringLiteral("on"), false}}));
        QCOMPARE(model.supervision().appError(),
                 fails ? std::optional(QStringLiteral("Toggle failed: http(503)")) : std::nullopt);
        QCOMPARE(model.protection().status()->protection, fails ? Protection::off : Protection::on);
    }

    // The gateway's answers to the certificate actions: a refusal in its own words stays as
    // sent, in any language; a refusal without words gets ours; success keeps an earlier line.
    void certificateReplies_data() {
        QTest::addColumn<Action>("action");
        QTest::addColumn<QJsonObject>("answer");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("line");

        const QJsonObject refused{{QStringLiteral("ok"), false}};
        const QJsonObject refusedWithWords{{QStringLiteral("ok"), false},
                                           {QStringLiteral("error"), QStringLiteral("security: user canceled")}};
        const QJsonObject refusedBlank{{QStringLiteral("ok"), false}, {QStringLiteral("error"), QStringLiteral(" ")}};
        const QJsonObject done{{QStringLiteral("ok"), true}};
        const auto retired = [](QStringList oldRoots, QStringList errors) {
            return reply(200, body({{QStringLiteral("old_roots_trusted"), QJsonArray::fromStringList(oldRoots)},
                                    {QStringLiteral("errors"), QJsonArray::fromStringList(errors)}}));
        };
        const QString en = QStringLiteral("en");
        const QString pl = QStringLiteral("pl");

        QTest::newRow("install refused") << Action::installCA << reply(200, body(refused)) << en << "CA install failed";
        QTest::newRow("install refused, Polish")
            << Action::installCA << reply(200, body(refused)) << pl << "Nie udało się zainstalować certyfikatu";
        QTest::newRow("install refused in words")
            << Action::installCA << reply(200, body(refusedWithWords)) << en << "security: user canceled";
        QTest::newRow("install refused in words, Polish")
            << Action::installCA << reply(200, body(refusedWithWords)) << pl << "security: user canceled";
        QTest::newRow("install refused, blank words")
            << Action::installCA << reply(200, body(refusedBlank)) << en << "CA install failed";
        QTest::newRow("install done") << Action::installCA << reply(200, body(done)) << en << earlier;
        QTest::newRow("install fails, Polish")
            << Action::installCA << reply(500) << pl << "Nie udało się zainstalować certyfikatu: http(500)";
        QTest::newRow("remove refused") << Action::removeCA << reply(200, body(refused)) << en
                                        << "Could not remove the certificate";
        QTest::newRow("remove refused in words")
            << Action::removeCA << reply(200, body(refusedWithWords)) << en << "security: user canceled";
        QTest::newRow("remove done") << Action::removeCA << reply(200, body(done)) << en << earlier;
        QTest::newRow("retire leaves old roots, two errors")
            << Action::retire << retired({"Tarvine Root 2022"}, {"SecTrustSettings: denied", "user canceled"}) << en
            << "The old certificate is still trusted: SecTrustSettings: denied; user canceled";
        QTest::newRow("retire leaves old roots, no errors")
            << Action::retire << retired({"Tarvine Root 2022"}, {}) << en << "The old certificate is still trusted: ";
        QTest::newRow("retire done despite errors")
            << Action::retire << retired({}, {"one root was already gone"}) << en << earlier;
        QTest::newRow("retire, broken reply") << Action::retire << reply(200, QStringLiteral("{\"errors\": []}")) << en
                                              << "The old certificate is still trusted: decoding(";
    }
    void certificateReplies() {
        QFETCH(Action, action);
        QFETCH(QJsonObject, answer);
        QFETCH(QString, language);
        QFETCH(QString, line);
        AppModel& model = up();
        QVERIFY(scriptGateway(model, actionPath(action), {answer}));
        L10n::setLanguage(language);
        AppModelAccess::setAppError(model, earlier);
        if (action == Action::installCA) {
            model.installCA();
        } else if (action == Action::removeCA) {
            model.removeCA();
        } else {
            model.retireOldRoots();
        }
        QVERIFY(model.supervision().busy());
        QTRY_VERIFY(!model.supervision().busy());
        if (line.endsWith(u'(')) { // the decoder's own words follow
            QVERIFY2(model.supervision().appError().value_or(QString()).startsWith(line),
                     qPrintable(*model.supervision().appError()));
        } else {
            QCOMPARE(model.supervision().appError(), line);
        }
        QCOMPARE(bodiesOf(actionPath(action)).size(), 1);
    }

    // A save sends the rules as they were when it began; edits made while it was under way stay
    // unsaved, carried onto the gateway's answer, which keeps what the gateway added.
    void editsDuringASaveStayUnsaved() {
        AppModel& model = up();
        QCoro::waitFor(model.loadRedaction());
        RedactionPage first = model.redactionDraft().edited();
        first.allowlist.append(QStringLiteral("ACME"));
        RedactionPage saved = first;
        saved.allowlist.append(QStringLiteral("added by the gateway"));
        QJsonObject slow =
            reply(200, QString::fromUtf8(gatewayExchange(model, "GET", QStringLiteral("/api/redaction")).value()));
        QJsonObject savedJson = QJsonDocument::fromJson(slow[QLatin1String("body")].toString().toUtf8()).object();
        savedJson.insert(QStringLiteral("allowlist"), QJsonArray::fromStringList(saved.allowlist));
        slow.insert(QStringLiteral("body"), body(savedJson));
        slow.insert(QStringLiteral("delay_ms"), 300);
        QVERIFY(scriptGateway(model, QStringLiteral("/api/redaction"), {slow}));

        RedactionDraftAccess::setEdited(model.redactionDraft(), first);
        model.saveRedaction();
        RedactionPage second = first;
        second.allowlist.append(QStringLiteral("typed meanwhile"));
        RedactionDraftAccess::setEdited(model.redactionDraft(), second);
        QTRY_COMPARE(model.redactionDraft().saved().allowlist, saved.allowlist);
        RedactionPage carried = model.redactionDraft().saved();
        carried.allowlist.append(QStringLiteral("typed meanwhile"));
        QCOMPARE(model.redactionDraft().edited(), carried);
        QVERIFY(model.redactionDraft().hasChanges());

        model.redactionDraft().discard();
        QCOMPARE(model.redactionDraft().edited(), model.redactionDraft().saved());
        QVERIFY(!model.redactionDraft().hasChanges());
    }

    // Two actions under way at once: busy() lasts until the last of them ends, whichever
    // started first.
    void busyLastsUntilTheLastActionEnds_data() {
        QTest::addColumn<int>("protectionDelayMs");
        QTest::addColumn<int>("certificateDelayMs");
        QTest::newRow("the first to start ends first") << 100 << 1500;
        QTest::newRow("the first to start ends last") << 1500 << 100;
    }
    void busyLastsUntilTheLastActionEnds() {
        QFETCH(int, protectionDelayMs);
        QFETCH(int, certificateDelayMs);
        AppModel& model = up();
        QJsonObject protection = reply(500);
        protection.insert(QStringLiteral("delay_ms"), protectionDelayMs);
        QJsonObject certificate = reply(500);
        certificate.insert(QStringLiteral("delay_ms"), certificateDelayMs);
        QVERIFY(scriptGateway(model, QStringLiteral("/api/protection"), {protection}));
        QVERIFY(scriptGateway(model, QStringLiteral("/api/ca/install"), {certificate}));
        QSignalSpy finished(model.client().session()->manager(), &QNetworkAccessManager::finished);
        QSignalSpy busy(&model.supervision(), &Supervision::busyChanged);

        model.toggleProtection();
        model.installCA();
        QVERIFY(model.supervision().busy());
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, patienceMs);
        // The first reply has been handled, the second is still on its way.
        QTRY_VERIFY(model.supervision().appError().has_value());
        QVERIFY(model.supervision().busy());
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, patienceMs);
        QTRY_VERIFY(!model.supervision().busy());
        QCOMPARE(busy.size(), 2); // on once, off once
    }

    // What the cache holds after one fetch, and whether a second call fetches again.
    void detailFetches_data() {
        QTest::addColumn<QString>("reqId");
        QTest::addColumn<QJsonArray>("replies");
        QTest::addColumn<bool>("record");
        QTest::addColumn<int>("fetches"); // after a second loadDetail of the same id
        const QString known = QStringLiteral("2024-05-01T10:00:00Z");
        QTest::newRow("a record is held") << known << QJsonArray() << true << 1;
        QTest::newRow("the gateway keeps none") << QStringLiteral("2024-05-01T11:11:11Z") << QJsonArray() << false << 2;
        QTest::newRow("a failure is fetched again") << known << QJsonArray{reply(500)} << false << 2;
        QTest::newRow("a broken reply is fetched again")
            << known << QJsonArray{reply(200, QStringLiteral("{\"records\": 3}"))} << false << 2;
    }
    void detailFetches() {
        QFETCH(QString, reqId);
        QFETCH(QJsonArray, replies);
        QFETCH(bool, record);
        QFETCH(int, fetches);
        AppModel& model = up();
        QVERIFY(gatewayExchange(model, "POST", QStringLiteral("/fake/request"),
                                {{QStringLiteral("text"), QStringLiteral("Mail jan.kowalski@example.pl")},
                                 {QStringLiteral("ts"), QStringLiteral("2024-05-01T10:00:00Z")}}));
        QVERIFY(scriptGateway(model, QStringLiteral("/api/detail"), replies));

        model.activity().loadDetail(reqId);
        QTRY_VERIFY(model.activity().detailCache().contains(reqId));
        QCOMPARE(model.activity().detailCache().value(reqId).has_value(), record);
        if (record) {
            QCOMPARE(model.activity().detailCache().value(reqId)->afterText, QStringLiteral("Mail [EMAIL_ADDRESS_1]"));
        }
        QCOMPARE(model.supervision().appError(), std::nullopt);

        model.activity().loadDetail(reqId);
        QTRY_COMPARE(bodiesOf(QStringLiteral("/api/detail")).size(), fetches);
        // A second fetch of a known request brings its record.
        QTRY_COMPARE(model.activity().detailCache().value(reqId).has_value(),
                     reqId.startsWith(QLatin1String("2024-05-01T10")));
    }

    // Two fetches of one request at once: the record comes first, the other fetch fails later.
    // The failure does not erase the record.
    void aLateFailureKeepsTheRecord() {
        AppModel& model = up();
        const QString reqId = QStringLiteral("2024-05-01T10:00:00Z");
        QVERIFY(gatewayExchange(
            model, "POST", QStringLiteral("/fake/request"),
            {{QStringLiteral("text"), QStringLiteral("Call 600 700 800")}, {QStringLiteral("ts"), reqId}}));
        QJsonObject slowFailure = reply(500);
        slowFailure.insert(QStringLiteral("delay_ms"), 300);
        QVERIFY(scriptGateway(model, QStringLiteral("/api/detail"), {slowFailure}));
        QSignalSpy finished(model.client().session()->manager(), &QNetworkAccessManager::finished);
        QSignalSpy changes(&model.activity(), &ActivityFeed::detailCacheChanged);

        model.activity().loadDetail(reqId);
        model.activity().loadDetail(reqId); // no record yet: this one goes out too
        QTRY_VERIFY(model.activity().detailCache().value(reqId).has_value());
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, patienceMs);
        QCoreApplication::processEvents();
        QVERIFY(model.activity().detailCache().value(reqId).has_value());
        QCOMPARE(changes.size(), 1);
    }

    void reportsAndPageRequests() {
        AppModel& model = idle(false);
        QSignalSpy reports(&model, &AppModel::issueRequestChanged);
        model.reportProblem(QStringLiteral("2024-05-01T10:00:00Z"), QStringLiteral("wrongly_blocked"));
        const IssueRequest first = *model.issueRequest();
        model.reportProblem(QStringLiteral("2024-05-01T10:00:00Z"), QStringLiteral("wrongly_blocked"));
        QCOMPARE(reports.size(), 2);
        QVERIFY(first.id != model.issueRequest()->id);
        QVERIFY(!first.id.isNull());
        QCOMPARE(model.issueRequest()->row, QStringLiteral("2024-05-01T10:00:00Z"));
        QCOMPARE(model.issueRequest()->category, QStringLiteral("wrongly_blocked"));
        model.reportProblem(std::nullopt, QStringLiteral("other"));
        QCOMPARE(model.issueRequest()->row, std::nullopt);

        // Closing the form of a replaced request leaves the newer one; closing its own ends it.
        const QUuid current = model.issueRequest()->id;
        model.closeIssueRequest(first.id);
        QCOMPARE(model.issueRequest()->id, current);
        model.closeIssueRequest(current);
        QVERIFY(!model.issueRequest());

        QSignalSpy homes(&model, &AppModel::homeRequestChanged);
        model.showHome();
        model.showHome();
        QCOMPARE(model.homeRequest(), 2);
        QCOMPARE(homes.size(), 2);
        model.showPrompts();
        QCOMPARE(model.promptRequest(), 1);
    }

    void alertInputsAreTheCurrentState() {
        AppModel& model = idle(false);
        Status status;
        status.protection = Protection::on;
        AppModelAccess::setStatus(model, status);
        AppModelAccess::setLink(model, SidecarLink::stopped);
        AppModelAccess::setProxyStuck(model, true);
        AppModelAccess::setAppError(model, QStringLiteral("broken"));
        AppModelAccess::setAppErrorDetail(model, QStringLiteral("trace"));
        const AlertInputs expected{
            status, SidecarLink::stopped, true, QStringLiteral("broken"), QStringLiteral("trace"), true};
        QVERIFY(alertInputs(model.protection(), model.supervision(), true) == expected);
        QVERIFY(!alertInputs(model.protection(), model.supervision(), false).onSetup);
    }

    // The notice of a replaced data key is forgotten here at once, whatever the gateway answers.
    void dismissingTheDataKeyResetForgetsItFirst_data() {
        QTest::addColumn<bool>("gateway");
        QTest::newRow("gateway answers") << true;
        QTest::newRow("gateway unproven") << false;
    }
    void dismissingTheDataKeyResetForgetsItFirst() {
        QFETCH(bool, gateway);
        m_fakes->defaults->setValue(AppModel::dataKeyResetKey, QStringLiteral("2023-11-14T22:13:20Z"));
        AppModel& model = gateway ? up() : idle(false);
        if (gateway) {
            // Reported after the start: the gateway's status carries the notice.
            QTRY_VERIFY(bodiesOf(QStringLiteral("/api/data_key_reset")).size() == 1);
            QCoro::waitFor(model.pollOnce());
            QVERIFY(model.protection().status()->degraded && !model.protection().status()->degraded->isEmpty());
        }
        model.dismissDataKeyReset();
        QCOMPARE(m_fakes->defaults->value(AppModel::dataKeyResetKey), QVariant());
        if (gateway) {
            QTRY_VERIFY(model.protection().status()->degraded && model.protection().status()->degraded->isEmpty());
            QCOMPARE(bodiesOf(QStringLiteral("/api/data_key_reset")).last(),
                     body({{QStringLiteral("at"), QJsonValue()}}));
        }
        QCOMPARE(model.supervision().appError(), std::nullopt);
    }

    void dismissingClearedRulesTakesTheGatewaysStatus() {
        AppModel& model = up();
        QVERIFY(
            gatewayExchange(model, "POST", QStringLiteral("/fake/status"),
                            {{QStringLiteral("degraded"),
                              QJsonArray{QJsonObject{{QStringLiteral("code"), QStringLiteral("rules_cleared")}}}}}));
        QCoro::waitFor(model.pollOnce());
        QCOMPARE(model.protection().status()->degraded->size(), 1);
        model.dismissRulesCleared();
        QTRY_COMPARE(model.protection().status()->degraded->size(), 0);
        QCOMPARE(bodiesOf(QStringLiteral("/api/rules_cleared/dismiss")).size(), 1);
    }

    // A second read of the data key: with a key, a fresh gateway gets it; without one, the
    // running gateway is left alone.
    void retryingTheDataKey_data() {
        QTest::addColumn<bool>("readable");
        QTest::newRow("keychain readable") << true;
        QTest::newRow("keychain unreadable") << false;
    }
    void retryingTheDataKey() {
        QFETCH(bool, readable);
        AppModel& model = up();
        const qint64 pid = m_checkout->dumpedPid();
        const int reads = m_fakes->keychain->copies;
        if (!readable) {
            m_fakes->keychain->copyStatuses = {keychain::notAvailable};
        }
        model.retryDataKey();
        QVERIFY(!model.isReplacing()); // the keychain is asked off the GUI thread first
        QTRY_COMPARE(m_fakes->keychain->copies, reads + 1);
        if (readable) {
            QTRY_COMPARE_WITH_TIMEOUT(model.client().gate()->generation(), 2, patienceMs);
            QTRY_VERIFY_WITH_TIMEOUT(!model.isReplacing(), patienceMs);
            QVERIFY(m_checkout->dumpedPid() != pid);
            QCOMPARE(stdinLines().value(0).toLatin1(), m_fakes->keychain->stored->toHex());
            QCOMPARE(model.supervision().link(), SidecarLink::trusted);
        } else {
            QVERIFY(!QTest::qWaitFor([&] { return model.isReplacing(); }, 300));
            QCOMPARE(model.client().gate()->generation(), 1);
            QCOMPARE(m_checkout->dumpedPid(), pid);
            QVERIFY(processExists(pid));
        }
    }
};

QTEST_GUILESS_MAIN(AppActionsTest)
#include "tst_appactions.moc"
