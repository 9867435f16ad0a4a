// The prompt workbench session of the model, over the stand-in gateway launched for real: the
// check of the prompt and restore of the reply, which outcome each may still write, and what is
// cleared without asking the gateway. The stand-in's log shows what was sent; its scripted
// replies hold single answers back or make them fail.
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/StandInModel.h"
#include "app/support/TestPlatform.h"
#include "app/support/WorkbenchSessionAccess.h"
#include "support/ClientFixtures.h"
#include "support/KitPrinters.h"
#include "support/LoopbackPort.h"
#include "support/SidecarPrinters.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace fernholm;
using namespace fernholm::test;
using namespace std::chrono_literals;

namespace {

// Real launches, possibly under a sanitizer on a busy machine.
constexpr int patienceMs = 30'000;

const QString scanPath = QStringLiteral("/api/scan");
const QString restorePath = QStringLiteral("/api/restore");

const QString prompt = QStringLiteral("Write to anna@example.com about the invoice");

// A check's reply as the gateway would send it, for a text in which it found nothing.
QString scanReply(const QString& text) {
    const QJsonObject reply{{"before_text", text}, {"after_text", text}, {"details", QJsonArray()}, {"latency_ms", 1}};
    return QString::fromUtf8(QJsonDocument(reply).toJson(QJsonDocument::Compact));
}

QString restoreReply(const QString& text) {
    const QJsonObject reply{{"text", text}, {"unrestored", QJsonArray()}, {"restored", QJsonArray()}};
    return QString::fromUtf8(QJsonDocument(reply).toJson(QJsonDocument::Compact));
}

QJsonObject delayed(int delayMs, const QString& body, int status = 200) {
    return {{"delay_ms", delayMs}, {"body", body}, {"status", status}};
}

} // namespace

class AppWorkbenchTest : public QObject, public StandInModel {
    Q_OBJECT

    // The model's finished replies to /api/scan and /api/restore, in the order they finished. The
    // client lets each go once it has handled it: a null entry is a reply the model has seen.
    QList<QPointer<QNetworkReply>> m_scanReplies, m_restoreReplies;

    // A model whose gateway has proven itself.
    AppModel& ready() {
        makeModel();
        AppModel& model = *m_model;
        connect(model.client().session()->manager(), &QNetworkAccessManager::finished, this,
                [this](QNetworkReply* reply) {
                    if (reply->url().path() == scanPath) {
                        m_scanReplies.append(reply);
                    } else if (reply->url().path() == restorePath) {
                        m_restoreReplies.append(reply);
                    }
                });
        model.start();
        [&] {
            QTRY_COMPARE_WITH_TIMEOUT(model.supervision().sidecarState(), SidecarState::ready(), patienceMs);
        }();
        return model;
    }

    // Queues replies for one path of the gateway, ahead of its own answers.
    bool script(const QString& path, const QList<QJsonObject>& replies) {
        QJsonArray list;
        for (const QJsonObject& reply : replies) {
            list.append(reply);
        }
        return gatewayExchange(*m_model, "POST", QStringLiteral("/fake/script"), {{"path", path}, {"replies", list}})
            .ok();
    }

    // The bodies of the requests the gateway received on a path, oldest first.
    QList<QJsonObject> sent(const QString& path) const {
        const Result<QByteArray> log = gatewayExchange(*m_model, "GET", QStringLiteral("/fake/log"));
        QList<QJsonObject> bodies;
        for (const QJsonValue& entry : jsonObject(log ? log.value() : QByteArray()).value("requests").toArray()) {
            if (entry.toObject().value("path").toString() == path) {
                bodies.append(jsonObject(entry.toObject().value("body").toString().toUtf8()));
            }
        }
        return bodies;
    }
    QStringList sentTexts(const QString& path) const {
        QStringList texts;
        for (const QJsonObject& body : sent(path)) {
            texts.append(body.value("text").toString());
        }
        return texts;
    }

    static bool allHandled(const QList<QPointer<QNetworkReply>>& replies, int count) {
        return replies.size() >= count && std::all_of(replies.begin(), replies.end(), [](const auto& r) { return !r; });
    }

    // Checks the prompt and waits for its result.
    void checked(const QString& text) {
        WorkbenchSession& workbench = m_model->workbench();
        workbench.setPromptText(text);
        QTRY_VERIFY(workbench.scanResultSource() && workbench.scanResultSource()->text == text &&
                    !workbench.scanning());
        QVERIFY(workbench.scanResult());
    }

private Q_SLOTS:
    void init() {
        QVERIFY(setUpStandIn());
        m_scanReplies.clear();
        m_restoreReplies.clear();
        L10n::setLanguage(QStringLiteral("en"));
    }
    void cleanup() {
        tearDownStandIn();
        L10n::setLanguage(QStringLiteral("en"));
    }

    // Letters typed 50 ms apart, well within the pause: one check, of the whole text, a pause
    // after the last letter.
    void typingIsCheckedOnceAfterThePause() {
        m_config.promptDebounce = 400ms;
        WorkbenchSession& workbench = ready().workbench();
        QElapsedTimer sinceLastLetter;
        qint64 pause = -1;
        connect(&workbench, &WorkbenchSession::scanningChanged, this, [&] {
            if (workbench.scanning() && pause < 0) {
                pause = sinceLastLetter.elapsed();
            }
        });
        workbench.setPromptText(QStringLiteral("J"));
        QTimer::singleShot(50, &workbench, [&] { workbench.setPromptText(QStringLiteral("Jo")); });
        QTimer::singleShot(100, &workbench, [&] {
            workbench.setPromptText(QStringLiteral("Joe"));
            sinceLastLetter.start();
        });
        QTRY_VERIFY(workbench.scanResult());
        QCOMPARE(workbench.scanResult()->beforeText, QStringLiteral("Joe"));
        QCOMPARE(sentTexts(scanPath), QStringList{"Joe"});
        // Timers may fire up to 5% early.
        QVERIFY2(pause >= 380, qPrintable(QString::number(pause)));
        QCOMPARE(workbench.promptScanGeneration(), 3);
        QVERIFY(workbench.promptResultIsCurrent());
        // The same text again schedules nothing.
        workbench.setPromptText(QStringLiteral("Joe"));
        QCOMPARE(workbench.promptScanGeneration(), 3);
    }

    // Spaces and line breaks are not sent: the shown result, the error and the scanning flag go at
    // once, the check being answered writes nothing, and the one pending is never sent.
    void aBlankPromptClearsAtOnceAndSendsNothing() {
        WorkbenchSession& workbench = ready().workbench();
        checked(prompt);
        QVERIFY(script(scanPath, {delayed(0, {}, 500), delayed(400, scanReply(QStringLiteral("late")))}));
        workbench.setPromptText(QStringLiteral("first"));
        QTRY_VERIFY(workbench.scanError());
        workbench.setPromptText(QStringLiteral("second"));
        QTRY_VERIFY(workbench.scanning());
        workbench.setPromptText(QStringLiteral("third")); // pending

        QSignalSpy texts(&workbench, &WorkbenchSession::promptTextChanged);
        const QString blank = QStringLiteral("  \n\t\n ");
        workbench.setPromptText(blank);
        QCOMPARE(workbench.promptText(), blank);
        QCOMPARE(workbench.scanResult(), std::nullopt);
        QCOMPARE(workbench.scanError(), std::nullopt);
        QCOMPARE(workbench.scanning(), false);
        QVERIFY(!workbench.promptResultIsCurrent());
        const qint64 generation = workbench.promptScanGeneration();

        QTRY_VERIFY(allHandled(m_scanReplies, 3));
        QCOMPARE(workbench.scanResult(), std::nullopt);
        QCOMPARE(workbench.scanning(), false);
        QCOMPARE(sentTexts(scanPath), (QStringList{prompt, "first", "second"}));

        workbench.setPromptText(blank);
        QCOMPARE(workbench.promptScanGeneration(), generation);
        QCOMPARE(texts.size(), 1);
    }

    // The first check is still on its way when the second is scheduled. Whatever it brings, and
    // whether it arrives before or after the second's answer, only the second's is stored, and
    // scanning holds until then.
    void aSupersededCheckWritesNothing_data() {
        QTest::addColumn<int>("firstStatus");
        QTest::addColumn<bool>("firstArrivesFirst");
        QTest::newRow("a late result") << 200 << false;
        QTest::newRow("a late failure") << 500 << false;
        QTest::newRow("an early result") << 200 << true;
        QTest::newRow("an early failure") << 500 << true;
    }
    void aSupersededCheckWritesNothing() {
        QFETCH(int, firstStatus);
        QFETCH(bool, firstArrivesFirst);
        WorkbenchSession& workbench = ready().workbench();
        const QString second = QStringLiteral("Write to jan@example.com");
        QList<QJsonObject> replies{delayed(firstArrivesFirst ? 100 : 500, scanReply(QStringLiteral("stale")),
                                           firstStatus)};
        if (firstArrivesFirst) {
            replies.append(delayed(500, scanReply(second)));
        }
        QVERIFY(script(scanPath, replies));
        QSignalSpy results(&workbench, &WorkbenchSession::scanResultChanged);
        QSignalSpy errors(&workbench, &WorkbenchSession::scanErrorChanged);
        QSignalSpy scanning(&workbench, &WorkbenchSession::scanningChanged);

        workbench.setPromptText(prompt);
        QTRY_VERIFY(workbench.scanning());
        workbench.setPromptText(second);
        if (firstArrivesFirst) {
            QTRY_VERIFY(allHandled(m_scanReplies, 1));
            QVERIFY(workbench.scanning());
            QCOMPARE(workbench.scanResult(), std::nullopt);
        }
        QTRY_VERIFY(allHandled(m_scanReplies, 2));

        QVERIFY(workbench.scanResult());
        QCOMPARE(workbench.scanResult()->beforeText, second);
        QCOMPARE(workbench.scanResultSource()->text, second);
        QCOMPARE(workbench.scanError(), std::nullopt);
        QCOMPARE(workbench.scanning(), false);
        QVERIFY(workbench.promptResultIsCurrent());
        QCOMPARE(results.size(), 1);
        QCOMPARE(errors.size(), 0);
        QCOMPARE(scanning.size(), 2); // on when the first was sent, off when the second answered
        QCOMPARE(sentTexts(scanPath), (QStringList{prompt, second}));
    }

    void aFailedCheckKeepsThePreviousResult_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("error");
        QTest::newRow("English") << "en"
                                 << "Scan failed: http(500)";
        QTest::newRow("Polish") << "pl"
                                << "Nie udało się sprawdzić promptu: http(500)";
    }
    void aFailedCheckKeepsThePreviousResult() {
        QFETCH(QString, language);
        QFETCH(QString, error);
        WorkbenchSession& workbench = ready().workbench();
        L10n::setLanguage(language);
        checked(prompt);
        const std::optional<ScanResult> shown = workbench.scanResult();
        QVERIFY(script(scanPath, {delayed(0, {}, 500)}));

        workbench.setPromptText(prompt + QStringLiteral(" and the rent"));
        QTRY_COMPARE(workbench.scanError(), error);
        QCOMPARE(workbench.scanning(), false);
        QCOMPARE(workbench.scanResult(), shown);
        QCOMPARE(workbench.scanResultSource()->text, prompt);
        QVERIFY(!workbench.promptResultIsCurrent());

        // The next good check clears the error.
        workbench.setPromptText(prompt + QStringLiteral(" and the car"));
        QTRY_COMPARE(workbench.scanError(), std::nullopt);
        QVERIFY(workbench.promptResultIsCurrent());
    }

    // Without a proven gateway every check fails at once, without traffic.
    void aCheckWithoutAGatewayFails() {
        AppModel model(m_config, m_fakes->platform());
        WorkbenchSession& workbench = model.workbench();
        workbench.setPromptText(prompt);
        QTRY_COMPARE(workbench.scanError(), QStringLiteral("Scan failed: unverified"));
        QCOMPARE(workbench.scanning(), false);
        QCOMPARE(workbench.scanResult(), std::nullopt);
        QCOMPARE(model.supervision().appError(), std::nullopt);
    }

    // A change of the choices is checked at once, also when it changes nothing: here the typing
    // pause is far longer than the test may wait.
    void choicesAreCheckedAtOnce_data() {
        QTest::addColumn<bool>("withResult");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("kept");
        QTest::addColumn<QStringList>("hidden");
        QTest::newRow("reset without choices") << false << "reset" << QString() << QStringList() << QStringList();
        QTest::newRow("hide") << false << "hide"
                              << "invoice" << QStringList() << QStringList{"invoice"};
        QTest::newRow("show without a result") << false << "restore"
                                               << "invoice" << QStringList() << QStringList();
        // Kept as the result spells the value, whatever the case it was asked with.
        QTest::newRow("show a found value") << true << "restore"
                                            << "ANNA@example.COM" << QStringList{"anna@example.com"} << QStringList();
        QTest::newRow("show a value the result does not hold")
            << true << "restore"
            << "invoice" << QStringList{"invoice"} << QStringList();
    }
    void choicesAreCheckedAtOnce() {
        QFETCH(bool, withResult);
        QFETCH(QString, action);
        QFETCH(QString, value);
        QFETCH(QStringList, kept);
        QFETCH(QStringList, hidden);
        m_config.promptDebounce = 60s;
        WorkbenchSession& workbench = ready().workbench();
        workbench.setPromptText(prompt);
        if (withResult) {
            workbench.schedulePromptScan(0ms);
            QTRY_VERIFY(workbench.promptResultIsCurrent());
        }
        const qint64 generation = workbench.promptScanGeneration();
        QSignalSpy choices(&workbench, &WorkbenchSession::promptChoicesChanged);

        if (action == QLatin1String("reset")) {
            workbench.resetPromptChoices();
        } else if (action == QLatin1String("hide")) {
            workbench.hideInPrompt(value);
        } else {
            workbench.restoreInPrompt(value);
        }
        QCOMPARE(workbench.promptChoices().kept, kept);
        QCOMPARE(workbench.promptChoices().hidden, hidden);
        QCOMPARE(choices.size(), kept.isEmpty() && hidden.isEmpty() ? 0 : 1);
        QCOMPARE(workbench.promptScanGeneration(), generation + 1);
        QTRY_VERIFY(workbench.promptResultIsCurrent());
        QCOMPARE(workbench.scanResultSource()->choices, workbench.promptChoices());

        const QJsonObject body = sent(scanPath).constLast();
        QCOMPARE(body.value("text").toString(), prompt);
        QCOMPARE(body.contains("keep"), !kept.isEmpty());
        QCOMPARE(body.value("keep").toVariant().toStringList(), kept);
        QCOMPARE(body.contains("hide"), !hidden.isEmpty());
        QCOMPARE(body.value("hide").toVariant().toStringList(), hidden);
    }

    void promptResultIsCurrent_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("current");
        QTest::newRow("no result") << "no result" << false;
        QTest::newRow("scanning") << "scanning" << false;
        QTest::newRow("error") << "error" << false;
        QTest::newRow("text differs") << "text" << false;
        QTest::newRow("choices differ") << "choices" << false;
        QTest::newRow("all equal") << "none" << true;
    }
    void promptResultIsCurrent() {
        QFETCH(QString, change);
        QFETCH(bool, current);
        WorkbenchSession& workbench = ready().workbench();
        if (change != QLatin1String("no result")) {
            checked(prompt);
        }
        if (change == QLatin1String("scanning")) {
            WorkbenchSessionAccess::setScanning(workbench, true);
        } else if (change == QLatin1String("error")) {
            WorkbenchSessionAccess::setScanError(workbench, QStringLiteral("Scan failed: http(500)"));
        } else if (change == QLatin1String("text")) {
            workbench.setPromptText(prompt + u'!');
        } else if (change == QLatin1String("choices")) {
            WorkbenchChoices choices;
            choices.hide(QStringLiteral("invoice"));
            WorkbenchSessionAccess::setPromptChoices(workbench, choices);
        }
        QCOMPARE(workbench.promptResultIsCurrent(), current);
    }

    // A good check restores the pasted reply at once, here long before its own pause would end;
    // a blank reply is not sent.
    void aGoodCheckRestoresTheReplyAtOnce_data() {
        QTest::addColumn<bool>("blank");
        QTest::newRow("a reply") << false;
        QTest::newRow("a blank reply") << true;
    }
    void aGoodCheckRestoresTheReplyAtOnce() {
        QFETCH(bool, blank);
        m_config.replyDebounce = 60s;
        WorkbenchSession& workbench = ready().workbench();
        checked(prompt);
        QCOMPARE(workbench.scanResult()->details.size(), 1);
        const QString token = workbench.scanResult()->details.constFirst().token;
        workbench.setReplyText(blank ? QStringLiteral(" \n ") : QStringLiteral("Dear %1, thanks").arg(token));

        checked(prompt + QStringLiteral(" and the rent"));
        if (blank) {
            QCOMPARE(workbench.replyResult(), std::nullopt);
            QCOMPARE(sent(restorePath), QList<QJsonObject>());
        } else {
            QTRY_VERIFY(workbench.replyResult());
            QCOMPARE(workbench.replyResult()->text, QStringLiteral("Dear anna@example.com, thanks"));
            QCOMPARE(sentTexts(restorePath), QStringList{workbench.replyText()});
        }
    }

    void aFailedRestoreKeepsTheLastResult_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("error");
        QTest::newRow("English") << "en"
                                 << "Restore failed: http(500)";
        QTest::newRow("Polish") << "pl"
                                << "Nie udało się przywrócić wartości: http(500)";
    }
    void aFailedRestoreKeepsTheLastResult() {
        QFETCH(QString, language);
        QFETCH(QString, error);
        WorkbenchSession& workbench = ready().workbench();
        L10n::setLanguage(language);
        workbench.setReplyText(QStringLiteral("Thanks, all clear"));
        QTRY_VERIFY(workbench.replyResult());
        const std::optional<RestoreResult> shown = workbench.replyResult();

        QVERIFY(script(restorePath, {delayed(0, {}, 500)}));
        workbench.setReplyText(QStringLiteral("Thanks, all clear now"));
        QTRY_COMPARE(workbench.replyError(), error);
        QCOMPARE(workbench.replyResult(), shown);

        workbench.setReplyText(QStringLiteral("Thanks"));
        QTRY_COMPARE(workbench.replyError(), std::nullopt);
        QCOMPARE(workbench.replyResult()->text, QStringLiteral("Thanks"));
    }

    // Clearing the reply clears its result and error without a call, and drops the restore that
    // was about to go out.
    void clearingTheReplyClearsAtOnce() {
        WorkbenchSession& workbench = ready().workbench();
        workbench.setReplyText(QStringLiteral("one"));
        QTRY_VERIFY(workbench.replyResult());
        QVERIFY(script(restorePath, {delayed(0, {}, 500)}));
        workbench.setReplyText(QStringLiteral("two"));
        QTRY_VERIFY(workbench.replyError());
        workbench.setReplyText(QStringLiteral("three")); // pending

        workbench.setReplyText(QString());
        QCOMPARE(workbench.replyResult(), std::nullopt);
        QCOMPARE(workbench.replyError(), std::nullopt);

        // A later restore, scheduled after the dropped one with the same pause, goes out alone.
        workbench.setReplyText(QStringLiteral("four"));
        QTRY_VERIFY(workbench.replyResult());
        QCOMPARE(workbench.replyResult()->text, QStringLiteral("four"));
        QCOMPARE(sentTexts(restorePath), (QStringList{"one", "two", "four"}));
    }

    // A restore already on its way when the reply changes again writes nothing.
    void aRestoreOvertakenByTypingWritesNothing() {
        WorkbenchSession& workbench = ready().workbench();
        QVERIFY(script(restorePath, {delayed(800, restoreReply(QStringLiteral("stale")))}));
        QSignalSpy results(&workbench, &WorkbenchSession::replyResultChanged);
        QSignalSpy errors(&workbench, &WorkbenchSession::replyErrorChanged);
        workbench.setReplyText(QStringLiteral("first"));
        QTRY_COMPARE(sentTexts(restorePath), QStringList{"first"});

        workbench.setReplyText(QStringLiteral("second"));
        QTRY_VERIFY(allHandled(m_restoreReplies, 2));
        QCOMPARE(workbench.replyResult()->text, QStringLiteral("second"));
        QCOMPARE(workbench.replyError(), std::nullopt);
        QCOMPARE(results.size(), 1);
        QCOMPARE(errors.size(), 0);
    }

    // The model goes while a check and a restore are on their way and another check waits for its
    // turn of the event loop: none of them touches it afterwards.
    void aModelGoneMidCheckIsLeftAlone() {
        WorkbenchSession& workbench = ready().workbench();
        QVERIFY(script(scanPath, {delayed(300, scanReply(prompt))}));
        QVERIFY(script(restorePath, {delayed(300, restoreReply(QStringLiteral("late")))}));
        workbench.setPromptText(prompt);
        workbench.setReplyText(QStringLiteral("a reply"));
        QTRY_VERIFY(workbench.scanning());
        QTRY_COMPARE(sentTexts(restorePath), QStringList{"a reply"});
        workbench.hideInPrompt(QStringLiteral("invoice"));
        m_model.reset();
        QTRY_VERIFY(allHandled(m_scanReplies, 1) && allHandled(m_restoreReplies, 1));
    }
};

QTEST_GUILESS_MAIN(AppWorkbenchTest)
#include "tst_appworkbench.moc"
