// The prompt workbench on the model, over the stand-in gateway launched for real: the debounced
// check of the prompt and restore of the reply, which outcome each may still write, and what is
// cleared without asking the gateway. The stand-in's log shows what was sent; its scripted
// replies hold single answers back or make them fail.
#include "FernholmApp/model/AppModel.h"
#include "FernholmKit/text/L10n.h"
#include "support/ClientFixtures.h"
#include "support/KitPrinters.h"
#include "support/LoopbackPort.h"
#include "support/SidecarPrinters.h"
#include "app/support/StandInCheckout.h"
#include "app/support/TestPlatform.h"

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

class AppWorkbenchTest : public QObject {
    Q_OBJECT

    std::unique_ptr<StandInCheckout> m_checkout;
    std::unique_ptr<TestPlatform> m_fakes;
    std::unique_ptr<AppModel> m_model;
    Config m_config;
    // The model's finished replies to /api/scan and /api/restore, in the order they finished. The
    // client lets each go once it has handled it: a null entry is a reply the model has seen.
    QList<QPointer<QNetworkReply>> m_scanReplies, m_restoreReplies;

    // A model whose gateway has proven itself.
    AppModel& ready() {
        m_fakes->environment = m_checkout->environment();
        m_model = std::make_unique<AppModel>(m_config, m_fakes->platform());
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
            QTRY_COMPARE_WITH_TIMEOUT(model.sidecarState(), SidecarState::ready(), patienceMs);
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
        AppModel& model = *m_model;
        model.setPromptText(text);
        QTRY_VERIFY(model.scanResultSource() && model.scanResultSource()->text == text && !model.scanning());
        QVERIFY(model.scanResult());
    }

private Q_SLOTS:
    void init() {
        m_checkout = std::make_unique<StandInCheckout>();
        QVERIFY(m_checkout->isValid());
        m_fakes = std::make_unique<TestPlatform>();
        m_config = quickConfig(freeLoopbackPort());
        m_scanReplies.clear();
        m_restoreReplies.clear();
        L10n::setLanguage(QStringLiteral("en"));
    }
    void cleanup() {
        m_model.reset();
        m_fakes.reset();
        m_checkout.reset();
        L10n::setLanguage(QStringLiteral("en"));
    }

    // Letters typed 50 ms apart, well within the pause: one check, of the whole text, a pause
    // after the last letter.
    void typingIsCheckedOnceAfterThePause() {
        m_config.promptDebounce = 400ms;
        AppModel& model = ready();
        QElapsedTimer sinceLastLetter;
        qint64 pause = -1;
        connect(&model, &AppModel::scanningChanged, this, [&] {
            if (model.scanning() && pause < 0) {
                pause = sinceLastLetter.elapsed();
            }
        });
        model.setPromptText(QStringLiteral("J"));
        QTimer::singleShot(50, &model, [&] { model.setPromptText(QStringLiteral("Jo")); });
        QTimer::singleShot(100, &model, [&] {
            model.setPromptText(QStringLiteral("Joe"));
            sinceLastLetter.start();
        });
        QTRY_VERIFY(model.scanResult());
        QCOMPARE(model.scanResult()->beforeText, QStringLiteral("Joe"));
        QCOMPARE(sentTexts(scanPath), QStringList{"Joe"});
        // Timers may fire up to 5% early.
        QVERIFY2(pause >= 380, qPrintable(QString::number(pause)));
        QCOMPARE(model.promptScanGeneration(), 3);
        QVERIFY(model.promptResultIsCurrent());
        // The same text again schedules nothing.
        model.setPromptText(QStringLiteral("Joe"));
        QCOMPARE(model.promptScanGeneration(), 3);
    }

    // Spaces and line breaks are not sent: the shown result, the error and the scanning flag go at
    // once, the check being answered writes nothing, and the one pending is never sent.
    void aBlankPromptClearsAtOnceAndSendsNothing() {
        AppModel& model = ready();
        checked(prompt);
        QVERIFY(script(scanPath, {delayed(0, {}, 500), delayed(400, scanReply(QStringLiteral("late")))}));
        model.setPromptText(QStringLiteral("first"));
        QTRY_VERIFY(model.scanError());
        model.setPromptText(QStringLiteral("second"));
        QTRY_VERIFY(model.scanning());
        model.setPromptText(QStringLiteral("third")); // pending

        QSignalSpy texts(&model, &AppModel::promptTextChanged);
        const QString blank = QStringLiteral("  \n\t\n ");
        model.setPromptText(blank);
        QCOMPARE(model.promptText(), blank);
        QCOMPARE(model.scanResult(), std::nullopt);
        QCOMPARE(model.scanError(), std::nullopt);
        QCOMPARE(model.scanning(), false);
        QVERIFY(!model.promptResultIsCurrent());
        const qint64 generation = model.promptScanGeneration();

        QTRY_VERIFY(allHandled(m_scanReplies, 3));
        QCOMPARE(model.scanResult(), std::nullopt);
        QCOMPARE(model.scanning(), false);
        QCOMPARE(sentTexts(scanPath), (QStringList{prompt, "first", "second"}));

        model.setPromptText(blank);
        QCOMPARE(model.promptScanGeneration(), generation);
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
        AppModel& model = ready();
        const QString second = QStringLiteral("Write to jan@example.com");
        QList<QJsonObject> replies{delayed(firstArrivesFirst ? 100 : 500, scanReply(QStringLiteral("stale")),
                                           firstStatus)};
        if (firstArrivesFirst) {
            replies.append(delayed(500, scanReply(second)));
        }
        QVERIFY(script(scanPath, replies));
        QSignalSpy results(&model, &AppModel::scanResultChanged);
        QSignalSpy errors(&model, &AppModel::scanErrorChanged);
        QSignalSpy scanning(&model, &AppModel::scanningChanged);

        model.setPromptText(prompt);
        QTRY_VERIFY(model.scanning());
        model.setPromptText(second);
        if (firstArrivesFirst) {
            QTRY_VERIFY(allHandled(m_scanReplies, 1));
            QVERIFY(model.scanning());
            QCOMPARE(model.scanResult(), std::nullopt);
        }
        QTRY_VERIFY(allHandled(m_scanReplies, 2));

        QVERIFY(model.scanResult());
        QCOMPARE(model.scanResult()->beforeText, second);
        QCOMPARE(model.scanResultSource()->text, second);
        QCOMPARE(model.scanError(), std::nullopt);
        QCOMPARE(model.scanning(), false);
        QVERIFY(model.promptResultIsCurrent());
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
        AppModel& model = ready();
        L10n::setLanguage(language);
        checked(prompt);
        const std::optional<ScanResult> shown = model.scanResult();
        QVERIFY(script(scanPath, {delayed(0, {}, 500)}));

        model.setPromptText(prompt + QStringLiteral(" and the rent"));
        QTRY_COMPARE(model.scanError(), error);
        QCOMPARE(model.scanning(), false);
        QCOMPARE(model.scanResult(), shown);
        QCOMPARE(model.scanResultSource()->text, prompt);
        QVERIFY(!model.promptResultIsCurrent());

        // The next good check clears the error.
        model.setPromptText(prompt + QStringLiteral(" and the car"));
        QTRY_COMPARE(model.scanError(), std::nullopt);
        QVERIFY(model.promptResultIsCurrent());
    }

    // Without a proven gateway every check fails at once, without traffic.
    void aCheckWithoutAGatewayFails() {
        AppModel model(m_config, m_fakes->platform());
        model.setPromptText(prompt);
        QTRY_COMPARE(model.scanError(), QStringLiteral("Scan failed: unverified"));
        QCOMPARE(model.scanning(), false);
        QCOMPARE(model.scanResult(), std::nullopt);
        QCOMPARE(model.appError(), std::nullopt);
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
        AppModel& model = ready();
        model.setPromptText(prompt);
        if (withResult) {
            model.schedulePromptScan(0ms);
            QTRY_VERIFY(model.promptResultIsCurrent());
        }
        const qint64 generation = model.promptScanGeneration();
        QSignalSpy choices(&model, &AppModel::promptChoicesChanged);

        if (action == QLatin1String("reset")) {
            model.resetPromptChoices();
        } else if (action == QLatin1String("hide")) {
            model.hideInPrompt(value);
        } else {
            model.restoreInPrompt(value);
        }
        QCOMPARE(model.promptChoices().kept, kept);
        QCOMPARE(model.promptChoices().hidden, hidden);
        QCOMPARE(choices.size(), kept.isEmpty() && hidden.isEmpty() ? 0 : 1);
        QCOMPARE(model.promptScanGeneration(), generation + 1);
        QTRY_VERIFY(model.promptResultIsCurrent());
        QCOMPARE(model.scanResultSource()->choices, model.promptChoices());

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
        AppModel& model = ready();
        if (change != QLatin1String("no result")) {
            checked(prompt);
        }
        if (change == QLatin1String("scanning")) {
            model.setScanning(true);
        } else if (change == QLatin1String("error")) {
            model.setScanError(QStringLiteral("Scan failed: http(500)"));
        } else if (change == QLatin1String("text")) {
            model.setPromptText(prompt + u'!');
        } else if (change == QLatin1String("choices")) {
            WorkbenchChoices choices;
            choices.hide(QStringLiteral("invoice"));
            model.setPromptChoices(choices);
        }
        QCOMPARE(model.promptResultIsCurrent(), current);
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
        AppModel& model = ready();
        checked(prompt);
        QCOMPARE(model.scanResult()->details.size(), 1);
        const QString token = model.scanResult()->details.constFirst().token;
        model.setReplyText(blank ? QStringLiteral(" \n ") : QStringLiteral("Dear %1, thanks").arg(token));

        checked(prompt + QStringLiteral(" and the rent"));
        if (blank) {
            QCOMPARE(model.replyResult(), std::nullopt);
            QCOMPARE(sent(restorePath), QList<QJsonObject>());
        } else {
            QTRY_VERIFY(model.replyResult());
            QCOMPARE(model.replyResult()->text, QStringLiteral("Dear anna@example.com, thanks"));
            QCOMPARE(sentTexts(restorePath), QStringList{model.replyText()});
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
        AppModel& model = ready();
        L10n::setLanguage(language);
        model.setReplyText(QStringLiteral("Thanks, all clear"));
        QTRY_VERIFY(model.replyResult());
        const std::optional<RestoreResult> shown = model.replyResult();

        QVERIFY(script(restorePath, {delayed(0, {}, 500)}));
        model.setReplyText(QStringLiteral("Thanks, all clear now"));
        QTRY_COMPARE(model.replyError(), error);
        QCOMPARE(model.replyResult(), shown);

        model.setReplyText(QStringLiteral("Thanks"));
        QTRY_COMPARE(model.replyError(), std::nullopt);
        QCOMPARE(model.replyResult()->text, QStringLiteral("Thanks"));
    }

    // Clearing the reply clears its result and error without a call, and drops the restore that
    // was about to go out.
    void clearingTheReplyClearsAtOnce() {
        AppModel& model = ready();
        model.setReplyText(QStringLiteral("one"));
        QTRY_VERIFY(model.replyResult());
        QVERIFY(script(restorePath, {delayed(0, {}, 500)}));
        model.setReplyText(QStringLiteral("two"));
        QTRY_VERIFY(model.replyError());
        model.setReplyText(QStringLiteral("three")); // pending

        model.setReplyText(QString());
        QCOMPARE(model.replyResult(), std::nullopt);
        QCOMPARE(model.replyError(), std::nullopt);

        // A later restore, scheduled after the dropped one with the same pause, goes out alone.
        model.setReplyText(QStringLiteral("four"));
        QTRY_VERIFY(model.replyResult());
        QCOMPARE(model.replyResult()->text, QStringLiteral("four"));
        QCOMPARE(sentTexts(restorePath), (QStringList{"one", "two", "four"}));
    }

    // A restore already on its way when the reply changes again writes nothing.
    void aRestoreOvertakenByTypingWritesNothing() {
        AppModel& model = ready();
        QVERIFY(script(restorePath, {delayed(800, restoreReply(QStringLiteral("stale")))}));
        QSignalSpy results(&model, &AppModel::replyResultChanged);
        QSignalSpy errors(&model, &AppModel::replyErrorChanged);
        model.setReplyText(QStringLiteral("first"));
        QTRY_COMPARE(sentTexts(restorePath), QStringList{"first"});

        model.setReplyText(QStringLiteral("second"));
        QTRY_VERIFY(allHandled(m_restoreReplies, 2));
        QCOMPARE(model.replyResult()->text, QStringLiteral("second"));
        QCOMPARE(model.replyError(), std::nullopt);
        QCOMPARE(results.size(), 1);
        QCOMPARE(errors.size(), 0);
    }

    // The model goes while a check and a restore are on their way and another check waits for its
    // turn of the event loop: none of them touches it afterwards.
    void aModelGoneMidCheckIsLeftAlone() {
        AppModel& model = ready();
        QVERIFY(script(scanPath, {delayed(300, scanReply(prompt))}));
        QVERIFY(script(restorePath, {delayed(300, restoreReply(QStringLiteral("late")))}));
        model.setPromptText(prompt);
        model.setReplyText(QStringLiteral("a reply"));
        QTRY_VERIFY(model.scanning());
        QTRY_COMPARE(sentTexts(restorePath), QStringList{"a reply"});
        model.hideInPrompt(QStringLiteral("invoice"));
        m_model.reset();
        QTRY_VERIFY(allHandled(m_scanReplies, 1) && allHandled(m_restoreReplies, 1));
    }
};

QTEST_GUILESS_MAIN(AppWorkbenchTest)
#include "tst_appworkbench.moc"
