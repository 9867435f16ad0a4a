// The guided setup page on a model that never starts (the test sets its status and busy flag),
// in its first-run and its normal form; then the window's first run over it, and the page over
// the stand-in gateway.

#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/controls/TextLink.h"
#include "FernholmApp/components/layout/FirstRunFrame.h"
#include "FernholmApp/components/layout/PageHeader.h"
#include "FernholmApp/components/text/SelectableText.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmApp/pages/setup/BrowserRowLine.h"
#include "FernholmApp/pages/setup/BrowsersCard.h"
#include "FernholmApp/pages/setup/SetupScreen.h"
#include "FernholmApp/pages/setup/SetupStepButton.h"
#include "FernholmApp/pages/setup/SetupStepCard.h"
#include "FernholmApp/pages/setup/StepBadge.h"
#include "FernholmApp/shell/RootView.h"
#include "FernholmApp/shell/Sidebar.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/AppModelAccess.h"
#include "app/support/StandInCheckout.h"
#include "app/support/TestPlatform.h"
#include "app/support/ViewTesting.h"
#include "support/LoopbackPort.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

#include <QCoroTask>

using namespace fernholm;
using namespace fernholm::test;

Q_DECLARE_METATYPE(fernholm::SetupStep::Look)
Q_DECLARE_METATYPE(fernholm::ColorScheme)

namespace {

constexpr int patienceMs = 30'000;

BrowserFinding finding(const QString& kind) {
    BrowserFinding f;
    f.kind = kind;
    if (kind == QLatin1String("bypass")) {
        f.browser = QStringLiteral("Firefox");
        f.family = QStringLiteral("firefox");
        f.profileId = QStringLiteral("k3j2.default-release");
        f.profile = QStringLiteral("default-release");
        f.setBy = QStringLiteral("settings");
        f.mode = QStringLiteral("manual");
    } else if (kind == QLatin1String("incognito")) {
        f.browser = QStringLiteral("Chromium");
        f.family = QStringLiteral("chromium");
        f.profileId = QStringLiteral("Default");
        f.extensions = {{QStringLiteral("padekgcemlokbmbibgkgbjfopbmfepeb"), QStringLiteral("Proxy SwitchyOmega"),
                         QStringLiteral("fixed_servers")}};
    } else if (kind == QLatin1String("idle")) {
        f.browser = QStringLiteral("Chromium");
        f.family = QStringLiteral("chromium");
        f.profileId = QStringLiteral("Profile 1");
        f.profile = QStringLiteral("Work");
        f.extensions = {{QStringLiteral("padekgcemlokbmbibgkgbjfopbmfepeb"), QStringLiteral("Proxy SwitchyOmega"),
                         QStringLiteral("fixed_servers")}};
    } else if (kind != QLatin1String("checking")) {
        f.browser = QStringLiteral("Chromium");
        f.profileId = QStringLiteral("Default");
    }
    return f;
}

// The statuses of the page's cases, by name.
std::optional<Status> status(const QString& name) {
    if (name == QLatin1String("none")) {
        return std::nullopt;
    }
    Status s;
    s.ca = CAStatus::missing;
    if (name == QLatin1String("untrusted")) {
        s.ca = CAStatus::untrusted;
    } else if (name.startsWith(QLatin1String("ok"))) {
        s.ca = CAStatus::ok;
    }
    if (name == QLatin1String("ok renewal")) {
        s.caRenewal = true;
    } else if (name == QLatin1String("ok no renewal")) {
        s.caRenewal = false;
    }
    if (name.endsWith(QLatin1String(" on")) || name == QLatin1String("on, missing")) {
        s.protection = Protection::on;
    } else if (name.endsWith(QLatin1String(" starting"))) {
        s.protection = Protection::starting;
    } else if (name.endsWith(QLatin1String(" error"))) {
        s.protection = Protection::error;
    }
    return s;
}

Status withFindings(const QStringList& kinds) {
    Status s = *status(QStringLiteral("ok on"));
    QList<BrowserFinding> findings;
    for (const QString& kind : kinds) {
        findings.append(finding(kind));
    }
    s.browserBypass = findings;
    return s;
}

struct Setup {
    TestPlatform fakes;
    std::unique_ptr<AppModel> model;
    QStringList calls; // "completed", "tour", and "busy" when the model turned busy
    std::unique_ptr<SetupScreen> screen;

    explicit Setup(const std::optional<Status>& status = std::nullopt) {
        model = std::make_unique<AppModel>(quickConfig(), fakes.platform());
        AppModelAccess::setLink(*model, SidecarLink::stopped);
        AppModelAccess::setStatus(*model, status);
        QObject::connect(&model->supervision(), &Supervision::busyChanged, model.get(), [this] {
            if (model->supervision().busy()) {
                calls.append(QStringLiteral("busy"));
            }
        });
    }

    SetupScreen& make(bool firstRun, bool withTour = true, QSize size = {900, 760}) {
        screen = std::make_unique<SetupScreen>(
            *model, firstRun, [this] { calls.append(QStringLiteral("completed")); },
            withTour ? std::function<void()>([this] { calls.append(QStringLiteral("tour")); })
                     : std::function<void()>());
        screen->resize(size);
        return *screen;
    }

    int completions() const { return int(calls.count(QStringLiteral("completed"))); }
};

// Where a widget is, in the screen's coordinates.
QRect placed(const QWidget* widget, const QWidget* screen) {
    return QRect(widget->mapTo(screen, QPoint(0, 0)), widget->size());
}

// The colour a pixel of `widget` takes, rendered within the screen.
QColor pixelAt(const QImage& image, const QWidget* widget, const QWidget* screen, QPointF at) {
    return sample(image, QPointF(widget->mapTo(screen, QPoint(0, 0))) + at);
}

} // namespace

class SetupScreenTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { useBundledResources(); }
    void init() { L10n::setLanguage(QStringLiteral("en")); }

    // Each status gives the two steps' rows and controls, the counter and the removal link.
    void stepsFollowTheStatus_data() {
        QTest::addColumn<QString>("statusName");
        QTest::addColumn<bool>("firstRun");
        QTest::addColumn<SetupStep::Look>("certificateLook");
        QTest::addColumn<QString>("certificateTitle");
        QTest::addColumn<QString>("certificateDetail");
        QTest::addColumn<QString>("certificateButton"); // empty: no step button
        QTest::addColumn<bool>("removeLink");
        QTest::addColumn<SetupStep::Look>("turnOnLook");
        QTest::addColumn<QString>("turnOnDetail");
        QTest::addColumn<QString>("turnOnButton");
        QTest::addColumn<QString>("counter"); // first run only

        const QString install =
            "Not installed — required so the gateway can read what you send and hide personal details. The system may ask for your password.";
        const QString renew =
            "Tarvine renews its certificate once a year. The system may ask for your password to trust the new one; the old one is removed after.";
        const QString trusted = "Trusted — HTTPS can be inspected";
        const QString pending = "Available once the certificate is installed.";
        const QString ready =
            "Traffic to the AI services you choose will be inspected locally. You can turn it off any time.";
        const QString on = "Protection is on";
        using L = SetupStep::Look;
        for (const bool firstRun : {true, false}) {
            const auto row = [&](const char* name) {
                return &QTest::newRow(qPrintable(QString::fromLatin1(name) + (firstRun ? " / first run" : " / page")));
            };
            *row("no status") << "none" << firstRun << L::current << "Certificate" << install << "Install" << false
                              << L::pending << pending << ""
                              << "Step 1 of 2";
            *row("missing") << "missing" << firstRun << L::current << "Certificate" << install << "Install" << false
                            << L::pending << pending << ""
                            << "Step 1 of 2";
            *row("untrusted") << "untrusted" << firstRun << L::current << "Certificate" << install << "Install" << false
                              << L::pending << pending << ""
                              << "Step 1 of 2";
            *row("ok") << "ok" << firstRun << L::done << "Certificate" << trusted << "" << !firstRun << L::current
                       << ready << "Turn on"
                       << "Step 2 of 2";
            *row("ok, renewal false") << "ok no renewal" << firstRun << L::done << "Certificate" << trusted << ""
                                      << !firstRun << L::current << ready << "Turn on"
                                      << "Step 2 of 2";
            *row("ok, renewal: two current cards") << "ok renewal" << firstRun << L::current << "Certificate update"
                                                   << renew << "Install" << false << L::current << ready << "Turn on"
                                                   << "Step 2 of 2";
            *row("protection on, ca missing") << "on, missing" << firstRun << L::current << "Certificate" << install
                                              << "Install" << false << L::done << on << ""
                                              << "Step 1 of 2";
            *row("ok, on") << "ok on" << firstRun << L::done << "Certificate" << trusted << "" << !firstRun << L::done
                           << on << ""
                           << "Step 2 of 2";
            *row("ok, starting") << "ok starting" << firstRun << L::done << "Certificate" << trusted << "" << !firstRun
                                 << L::current << ready << "Turn on"
                                 << "Step 2 of 2";
            *row("ok, error") << "ok error" << firstRun << L::done << "Certificate" << trusted << "" << !firstRun
                              << L::current << ready << "Turn on"
                              << "Step 2 of 2";
        }
    }

    void stepsFollowTheStatus() {
        QFETCH(QString, statusName);
        QFETCH(bool, firstRun);
        QFETCH(SetupStep::Look, certificateLook);
        QFETCH(QString, certificateTitle);
        QFETCH(QString, certificateDetail);
        QFETCH(QString, certificateButton);
        QFETCH(bool, removeLink);
        QFETCH(SetupStep::Look, turnOnLook);
        QFETCH(QString, turnOnDetail);
        QFETCH(QString, turnOnButton);
        QFETCH(QString, counter);

        Setup s(status(statusName));
        SetupScreen& screen = s.make(firstRun);
        screen.show();
        QCoreApplication::processEvents();

        SetupStepCard* certificate = screen.certificateCard();
        QCOMPARE(certificate->step().look, certificateLook);
        QCOMPARE(certificate->badge()->look(), certificateLook);
        QCOMPARE(certificate->titleLabel()->text(), certificateTitle);
        QCOMPARE(certificate->detailLabel()->text(), certificateDetail);
        QCOMPARE(certificate->button()->isVisible(), !certificateButton.isEmpty());
        if (!certificateButton.isEmpty()) {
            QCOMPARE(certificate->button()->title(), certificateButton);
            QCOMPARE(certificate->badge()->number(), 1);
        }
        QCOMPARE(certificate->removeLink()->isVisible(), removeLink);

        SetupStepCard* turnOn = screen.turnOnCard();
        QCOMPARE(turnOn->step().look, turnOnLook);
        QCOMPARE(turnOn->titleLabel()->text(), QStringLiteral("Turn on protection"));
        QCOMPARE(turnOn->detailLabel()->text(), turnOnDetail);
        QCOMPARE(turnOn->button()->isVisible(), !turnOnButton.isEmpty());
        if (!turnOnButton.isEmpty()) {
            QCOMPARE(turnOn->button()->title(), turnOnButton);
        }
        // Step 2's done row never carries the removal.
        QVERIFY(!turnOn->removeLink()->isVisible());
        QCOMPARE(turnOn->rowOpacity(), turnOnLook == SetupStep::Look::pending ? 0.6 : 1.0);
        QCOMPARE(certificate->rowOpacity(), 1.0);

        if (firstRun) {
            QVERIFY(screen.frame() && !screen.page());
            QCOMPARE(screen.stepCounter()->text(), counter);
            QCOMPARE(screen.frame()->trailing(), screen.stepCounter());
        } else {
            QVERIFY(screen.page() && !screen.frame());
            QVERIFY(!screen.stepCounter());
            QCOMPARE(screen.header()->titleLabel()->text(), QStringLiteral("Setup"));
        }
        // No findings in these statuses: no browsers card.
        QVERIFY(!screen.browsersCard()->isVisible());
    }

    // The rows change in place when the model's status changes: the same cards, new contents.
    void rowsUpdateInPlace() {
        Setup s(status(QStringLiteral("missing")));
        SetupScreen& screen = s.make(true);
        screen.show();
        SetupStepCard* certificate = screen.certificateCard();
        SetupStepCard* turnOn = screen.turnOnCard();
        AppModelAccess::setStatus(*s.model, status(QStringLiteral("ok")));
        QCOMPARE(screen.certificateCard(), certificate);
        QCOMPARE(screen.turnOnCard(), turnOn);
        QCOMPARE(certificate->step().look, SetupStep::Look::done);
        QCOMPARE(turnOn->step().look, SetupStep::Look::current);
        QVERIFY(turnOn->button()->isVisible());
        QCOMPARE(screen.stepCounter()->text(), QStringLiteral("Step 2 of 2"));
        AppModelAccess::setStatus(*s.model, std::nullopt);
        QCOMPARE(screen.stepCounter()->text(), QStringLiteral("Step 1 of 2"));
        QCOMPARE(turnOn->rowOpacity(), 0.6);
    }

    // While the model is busy the step buttons and the removal do nothing and the buttons are drawn
    // at half opacity; the tour controls stay active. Enabled, each calls its model action (which
    // turns the model busy at once).
    void busyDisablesTheGatewayControls_data() {
        QTest::addColumn<bool>("busy");
        QTest::newRow("idle") << false;
        QTest::newRow("busy") << true;
    }

    void busyDisablesTheGatewayControls() {
        QFETCH(bool, busy);
        for (const bool firstRun : {true, false}) {
            Setup s(status(QStringLiteral("ok renewal")));
            SetupScreen& screen = s.make(firstRun);
            screen.show();
            QCoreApplication::processEvents();
            AppModelAccess::setBusy(*s.model, busy);
            s.calls.clear();
            SetupStepButton* install = screen.certificateCard()->button();
            SetupStepButton* turnOn = screen.turnOnCard()->button();
            for (SetupStepButton* button : {install, turnOn}) {
                QCOMPARE(button->isEnabled(), !busy);
                QCOMPARE(button->opacity(), busy ? 0.5 : 1.0);
            }

            // The capsule's fill, away from its title: heroInk, or heroInk at half over the hero card.
            const QImage image = render(&screen, ColorScheme::light);
            const QColor hero = Theme::hero.resolve(ColorScheme::light);
            const QColor ink = Theme::heroInk.resolve(ColorScheme::light);
            const QColor expected = busy ? over(QColor(ink.red(), ink.green(), ink.blue(), 128), hero) : ink;
            FERNHOLM_COMPARE_COLOR(pixelAt(image, install, &screen, QPointF(12, install->height() / 2.0)), expected, 6);

            QTest::mouseClick(install, Qt::LeftButton);
            QCOMPARE(s.calls, busy ? QStringList() : QStringList({"busy"}));
            AppModelAccess::setBusy(*s.model, busy);
            s.calls.clear();
            QTest::mouseClick(turnOn, Qt::LeftButton);
            QCOMPARE(s.calls, busy ? QStringList() : QStringList({"busy", "completed"}));
            AppModelAccess::setBusy(*s.model, busy);
            s.calls.clear();

            // The tour control is never disabled.
            QAbstractButton* tour = firstRun ? static_cast<QAbstractButton*>(screen.tourLink())
                                             : static_cast<QAbstractButton*>(screen.tourButton());
            QVERIFY(tour->isEnabled());
            QTest::mouseClick(tour, Qt::LeftButton);
            QCOMPARE(s.calls, QStringList({"tour"}));
        }
    }

    void removeCertificateOnlyOnThePage() {
        Setup s(status(QStringLiteral("ok on")));
        SetupScreen& screen = s.make(false);
        screen.show();
        QCoreApplication::processEvents();
        TextLink* remove = screen.certificateCard()->removeLink();
        QVERIFY(remove->isVisible());
        QCOMPARE(remove->title(), QStringLiteral("Remove certificate"));
        // At the row's far end.
        QCOMPARE(placed(remove, &screen).right(), placed(screen.certificateCard(), &screen).right() - 22);
        AppModelAccess::setBusy(*s.model, true);
        QVERIFY(!remove->isEnabled());
        s.calls.clear();
        QTest::mouseClick(remove, Qt::LeftButton);
        QCOMPARE(s.calls, QStringList());
        AppModelAccess::setBusy(*s.model, false);
        QVERIFY(remove->isEnabled());
        QTest::mouseClick(remove, Qt::LeftButton);
        QCOMPARE(s.calls, QStringList({"busy"}));
    }

    void withoutATourThereIsNoTourControl() {
        for (const bool firstRun : {true, false}) {
            Setup s(status(QStringLiteral("missing")));
            SetupScreen& screen = s.make(firstRun, false);
            QVERIFY(!screen.tourLink());
            QVERIFY(!screen.tourButton());
        }
        Setup s;
        SetupScreen& page = s.make(false);
        QCOMPARE(page.tourButton()->title(), QStringLiteral("Show tour"));
        QVERIFY(!page.tourButton()->showsArrow());
        SetupScreen& first = s.make(true);
        QCOMPARE(first.tourLink()->title(), QStringLiteral("Show me around first"));
    }

    // onCompleted runs once each time step 2's done row comes into view.
    void completedOncePerArrival() {
        for (const bool firstRun : {true, false}) {
            Setup s(status(QStringLiteral("ok on")));
            SetupScreen& screen = s.make(firstRun);
            QCOMPARE(s.completions(), 0);
            screen.show();
            QTRY_COMPARE(s.completions(), 1);
            QCoreApplication::processEvents();
            QCOMPARE(s.completions(), 1);

            // An equal status, or another status with protection still on, brings nothing new.
            AppModelAccess::setStatus(*s.model, status(QStringLiteral("ok on")));
            Status busier = *status(QStringLiteral("ok on"));
            busier.counters.total = 12;
            AppModelAccess::setStatus(*s.model, busier);
            QCOMPARE(s.completions(), 1);

            // Off, then on again while shown: one more.
            AppModelAccess::setStatus(*s.model, status(QStringLiteral("ok")));
            QCOMPARE(s.completions(), 1);
            AppModelAccess::setStatus(*s.model, status(QStringLiteral("ok on")));
            QCOMPARE(s.completions(), 2);
            AppModelAccess::setStatus(*s.model, busier);
            QCOMPARE(s.completions(), 2);

            // Hidden and shown again: one more. Turned on while hidden: only when shown.
            screen.hide();
            AppModelAccess::setStatus(*s.model, status(QStringLiteral("ok")));
            AppModelAccess::setStatus(*s.model, status(QStringLiteral("ok on")));
            QCOMPARE(s.completions(), 2);
            screen.show();
            QTRY_COMPARE(s.completions(), 3);

            // Hidden again before the show's call came round: nothing.
            screen.hide();
            screen.show();
            screen.hide();
            QCoreApplication::processEvents();
            QCOMPARE(s.completions(), 3);
        }
    }

    void completedNotCalledWhileProtectionIsOff() {
        Setup s(status(QStringLiteral("ok")));
        SetupScreen& screen = s.make(true);
        screen.show();
        QCoreApplication::processEvents();
        AppModelAccess::setStatus(*s.model, status(QStringLiteral("ok starting")));
        AppModelAccess::setStatus(*s.model, std::nullopt);
        QCOMPARE(s.completions(), 0);
    }

    // "Turn on" asks the model for protection first, then completes at once, whatever the gateway
    // later says.
    void turnOnTogglesThenCompletes() {
        Setup s(status(QStringLiteral("ok")));
        SetupScreen& screen = s.make(true);
        screen.show();
        QCoreApplication::processEvents();
        s.calls.clear();
        QTest::mouseClick(screen.turnOnCard()->button(), Qt::LeftButton);
        QCOMPARE(s.calls, QStringList({"busy", "completed"}));
        // The gateway is not there: the switch fails, and nothing more is called.
        QTRY_VERIFY(s.model->supervision().appError().has_value());
        QVERIFY(s.model->supervision().appError()->startsWith(QLatin1String("Toggle failed")));
        QCOMPARE(s.completions(), 1);
    }

    // First run: steps at most 640 wide and centred; step buttons 44 high at the trailing edge under
    // the text; badges 32 wide. The page: the steps take the column's width.
    void geometry_data() {
        QTest::addColumn<bool>("firstRun");
        QTest::addColumn<int>("width");
        QTest::newRow("first run, wide") << true << 1200;
        QTest::newRow("first run, narrow") << true << 600;
        QTest::newRow("page") << false << 900;
    }

    void geometry() {
        QFETCH(bool, firstRun);
        QFETCH(int, width);
        Setup s(status(QStringLiteral("ok renewal")));
        SetupScreen& screen = s.make(firstRun, true, QSize(width, 900));
        screen.show();
        QCoreApplication::processEvents();
        const QRect steps = placed(screen.steps(), &screen);
        if (firstRun) {
            QVERIFY(steps.width() <= 640);
            QVERIFY(qAbs(steps.center().x() - width / 2) <= 1);
            if (width > 800) {
                QCOMPARE(steps.width(), 640);
            }
        }
        for (SetupStepCard* card : {screen.certificateCard(), screen.turnOnCard()}) {
            const QRect box = placed(card, &screen);
            QCOMPARE(box.left(), steps.left());
            QCOMPARE(box.width(), steps.width());
            const QRect button = placed(card->button(), &screen);
            QCOMPARE(button.height(), 44);
            QCOMPARE(button.right(), box.right() - 22);
            QCOMPARE(button.bottom(), box.bottom() - 22);
            QVERIFY(button.top() >= placed(card->detailLabel(), &screen).bottom() + 16);
            QCOMPARE(card->badge()->size(), QSize(32, 32));
            QCOMPARE(placed(card->badge(), &screen).topLeft(), box.topLeft() + QPoint(22, 22));
            // Texts are never cut.
            QVERIFY(!card->detailLabel()->isTruncated());
        }
        QCOMPARE(placed(screen.turnOnCard(), &screen).top(), placed(screen.certificateCard(), &screen).bottom() + 13);
        if (!firstRun) {
            // "Show tour" keeps its own width at the leading edge.
            QCOMPARE(screen.tourButton()->width(), screen.tourButton()->sizeHint().width());
            QCOMPARE(placed(screen.tourButton(), &screen).left(), steps.left());
        }
    }

    // The browsers card over the gateway's findings.
    void browsersCard_data() {
        QTest::addColumn<bool>("hasList");
        QTest::addColumn<QStringList>("kinds");
        QTest::addColumn<bool>("warns");
        QTest::addColumn<QStringList>("icons");
        QTest::newRow("no list") << false << QStringList() << false << QStringList();
        QTest::newRow("empty list: all clear") << true << QStringList() << false << QStringList();
        QTest::newRow("checking, idle") << true << QStringList({"checking", "idle"}) << false
                                        << QStringList({"hourglass", "moon"});
        QTest::newRow("checking, bypass, unknown")
            << true << QStringList({"checking", "bypass", "unknown"}) << true
            << QStringList({"hourglass", "exclamationmark.triangle", "questionmark.circle"});
        QTest::newRow("incognito, unsupported app")
            << true << QStringList({"incognito", "unsupported_app"}) << true << QStringList({"eye.slash", "nosign"});
    }

    void browsersCard() {
        QFETCH(bool, hasList);
        QFETCH(QStringList, kinds);
        QFETCH(bool, warns);
        QFETCH(QStringList, icons);
        Status status = withFindings(kinds);
        if (!hasList) {
            status.browserBypass.reset();
        }
        Setup s(status);
        SetupScreen& screen = s.make(false);
        screen.show();
        QCoreApplication::processEvents();
        BrowsersCard* card = screen.browsersCard();
        QCOMPARE(card->isVisible(), hasList);
        if (!hasList) {
            return;
        }
        QCOMPARE(card->caption()->text(), browsersCardCaption());
        QVERIFY(card->caption()->isVisible());
        // 12 below the steps and 8 more.
        const QWidget* shownCard = kinds.isEmpty() ? static_cast<QWidget*>(card->allClearCard()) : card->listCard();
        QCOMPARE(placed(shownCard, &screen).top(), placed(screen.turnOnCard(), &screen).bottom() + 1 + 12 + 8);
        QCOMPARE(placed(card->caption(), &screen).top(), placed(shownCard, &screen).bottom() + 1 + 8);
        if (kinds.isEmpty()) {
            QVERIFY(card->allClearCard()->isVisible());
            QVERIFY(!card->listCard()->isVisible());
            QCOMPARE(card->allClearCard()->titleLabel()->text(), QStringLiteral("Browsers"));
            QCOMPARE(card->allClearCard()->detailLabel()->text(), browsersAllClearText());
            QCOMPARE(card->allClearCard()->step().look, SetupStep::Look::done);
            QVERIFY(!card->allClearCard()->removeLink()->isVisible());
            return;
        }
        QVERIFY(!card->allClearCard()->isVisible());
        QCOMPARE(card->listTitle()->text(), QStringLiteral("Browsers"));
        QCOMPARE(card->warns(), warns);
        QVERIFY(card->listCard()->look().fill == (warns ? Theme::warningBg : Theme::surface));
        QVERIFY(card->listCard()->look().outline == (warns ? Theme::warningEdge : Theme::cardEdge));
        const QList<BrowserRowLine*> lines = card->lines();
        QCOMPARE(lines.size(), kinds.size());
        const QImage image = render(&screen, ColorScheme::light);
        const QColor fill = (warns ? Theme::warningBg : Theme::surface).resolve(ColorScheme::light);
        FERNHOLM_COMPARE_COLOR(pixelAt(image, card->listCard(), &screen, QPointF(card->listCard()->width() / 2.0, 6)),
                               fill, 2);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const bool warning = kinds[i] == QLatin1String("bypass") || kinds[i] == QLatin1String("incognito") ||
                                 kinds[i] == QLatin1String("unsupported_app");
            QCOMPARE(lines[i]->row(), browserSetupRow(finding(kinds[i])));
            QCOMPARE(lines[i]->iconName(), icons[i]);
            QVERIFY(lines[i]->iconColor() == (warning ? Theme::warningInk : Theme::dim));
            QVERIFY(lines[i]->textView()->color() == (warning ? Theme::ink : Theme::dim));
            QCOMPARE(lines[i]->textView()->text(), browserSetupRow(finding(kinds[i])).text);
            // The symbol is painted, in its colour.
            const QRectF box = lines[i]->iconRect();
            int inked = 0;
            const QColor ink = (warning ? Theme::warningInk : Theme::dim).resolve(ColorScheme::light);
            for (qreal y = box.top(); y < box.bottom(); y += 0.5) {
                for (qreal x = box.left(); x < box.right(); x += 0.5) {
                    inked += near(pixelAt(image, lines[i], &screen, {x, y}), ink, 40) ? 1 : 0;
                }
            }
            QVERIFY2(inked > 4, qPrintable(kinds[i]));
        }
    }

    // Lines are kept across statuses: a selection in an unchanged line survives a poll; lines
    // beyond the new count go; no list hides the card again.
    void browserLinesAreKept() {
        Setup s(withFindings({"checking", "bypass"}));
        SetupScreen& screen = s.make(false);
        screen.show();
        QCoreApplication::processEvents();
        BrowsersCard* card = screen.browsersCard();
        BrowserRowLine* first = card->lines().at(0);
        first->textView()->selectAll();
        QVERIFY(first->textView()->hasSelectedText());
        AppModelAccess::setStatus(*s.model, withFindings({"checking", "idle", "bypass"}));
        QCOMPARE(card->lines().at(0), first);
        QVERIFY(first->textView()->hasSelectedText());
        QCOMPARE(card->lines().size(), 3);
        AppModelAccess::setStatus(*s.model, withFindings({"idle"}));
        QCOMPARE(card->lines().size(), 1);
        QVERIFY(!card->warns());
        QVERIFY(card->listCard()->look().fill == Theme::surface);
        AppModelAccess::setStatus(*s.model, status(QStringLiteral("ok on")));
        QVERIFY(!card->isVisible());
        AppModelAccess::setStatus(*s.model, withFindings({}));
        QVERIFY(card->isVisible());
        QVERIFY(card->allClearCard()->isVisible());
    }

    // The pending row is drawn at 0.6: its badge's sand fill lets the page behind it show through.
    void pendingRowIsFaded() {
        Setup s(status(QStringLiteral("missing")));
        SetupScreen& screen = s.make(false);
        screen.show();
        QCoreApplication::processEvents();
        StepBadge* badge = screen.turnOnCard()->badge();
        QCOMPARE(badge->look(), SetupStep::Look::pending);
        for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
            const QImage image = render(&screen, scheme);
            const QColor behind = sample(image, QPointF(4, 4)); // the page, outside every card
            QColor muted = Theme::muted.resolve(scheme);
            muted.setAlphaF(0.6);
            FERNHOLM_COMPARE_COLOR(pixelAt(image, badge, &screen, QPointF(8, 16)), over(muted, behind), 6);
            // The current card above is not faded.
            FERNHOLM_COMPARE_COLOR(pixelAt(image, screen.certificateCard()->badge(), &screen, QPointF(8, 16)),
                                   Theme::heroInk.resolve(scheme), 3);
        }
    }

    // Screenshots for people to look at: each form in light, dark and Polish.
    void screenshots_data() {
        QTest::addColumn<bool>("firstRun");
        QTest::addColumn<QString>("statusName");
        QTest::addColumn<QStringList>("kinds");
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("busy");
        for (const QString language : {"en", "pl"}) {
            const QByteArray suffix = "-" + language.toLatin1();
            QTest::newRow(("setup-firstrun-start" + suffix).constData())
                << true << "none" << QStringList() << language << false;
            QTest::newRow(("setup-firstrun-ready" + suffix).constData())
                << true << "ok" << QStringList() << language << false;
            QTest::newRow(("setup-firstrun-renewal-busy" + suffix).constData())
                << true << "ok renewal" << QStringList() << language << true;
            QTest::newRow(("setup-page-missing" + suffix).constData())
                << false << "missing" << QStringList() << language << false;
            QTest::newRow(("setup-page-on-allclear" + suffix).constData())
                << false << "ok on" << QStringList({"-"}) << language << false;
            QTest::newRow(("setup-page-on-warnings" + suffix).constData())
                << false << "ok on" << QStringList({"checking", "bypass", "incognito", "idle", "unsupported_app", "x"})
                << language << false;
        }
    }

    void screenshots() {
        QFETCH(bool, firstRun);
        QFETCH(QString, statusName);
        QFETCH(QStringList, kinds);
        QFETCH(QString, language);
        QFETCH(bool, busy);
        L10n::setLanguage(language);
        std::optional<Status> shown = status(statusName);
        if (!kinds.isEmpty()) {
            kinds.removeAll(QStringLiteral("-"));
            Status withRows = withFindings(kinds);
            withRows.ca = shown->ca;
            withRows.protection = shown->protection;
            shown = withRows;
        }
        Setup s(shown);
        AppModelAccess::setBusy(*s.model, busy);
        SetupScreen& screen = s.make(firstRun, true, firstRun ? QSize(1000, 900) : QSize(820, 1000));
        screen.show();
        QCoreApplication::processEvents();
        for (SetupStepCard* card : {screen.certificateCard(), screen.turnOnCard()}) {
            QVERIFY(!card->titleLabel()->isTruncated());
            QVERIFY(!card->detailLabel()->isTruncated());
        }
        if (firstRun) {
            QVERIFY(!screen.stepCounter()->isTruncated());
        }
        QVERIFY(!saveScreenshot(lightAndDark(&screen), QString::fromLatin1(QTest::currentDataTag())).isEmpty());
    }

    // The window: the first run is this page in its first-run form, the counter in the frame; it
    // ends when protection is on or "Turn on" is pressed; afterwards the setup tab is the page.
    void windowFirstRunEndsWhenProtectionIsOn_data() {
        QTest::addColumn<QString>("way");
        QTest::newRow("turn on") << "turn on";
        QTest::newRow("protection comes on") << "protection on";
        QTest::newRow("already on") << "already on";
        QTest::newRow("show me around") << "tour";
    }

    void windowFirstRunEndsWhenProtectionIsOn() {
        QFETCH(QString, way);
        TestPlatform fakes;
        AppModel model(quickConfig(), fakes.platform());
        AppModelAccess::setLink(model, SidecarLink::stopped);
        AppModelAccess::setStatus(model, status(way == QLatin1String("already on") ? "ok on" : "ok"));
        RootView root(model, fakes.defaults, std::function<void()>(), RootViewHooks{});
        root.resize(1000, 760);
        auto* setup = qobject_cast<SetupScreen*>(root.content());
        QVERIFY(setup);
        QVERIFY(setup->isFirstRun());
        QVERIFY(setup->tourLink());
        root.show();
        QCoreApplication::processEvents();
        if (way == QLatin1String("turn on")) {
            QVERIFY(!root.hasCompletedSetup());
            QTest::mouseClick(setup->turnOnCard()->button(), Qt::LeftButton);
        } else if (way == QLatin1String("protection on")) {
            QVERIFY(!root.hasCompletedSetup());
            AppModelAccess::setStatus(model, status("ok on"));
        } else if (way == QLatin1String("tour")) {
            QTest::mouseClick(setup->tourLink(), Qt::LeftButton);
        }
        QTRY_VERIFY(root.hasCompletedSetup());
        QVERIFY(root.sidebar());
        QCOMPARE(root.selection(), AppTab::home);
        // The tour starts, since it was never seen.
        QVERIFY(root.tour().isActive());

        root.tour().skip();
        root.select(AppTab::setup);
        auto* page = qobject_cast<SetupScreen*>(root.page());
        QVERIFY(page);
        QVERIFY(!page->isFirstRun());
        QVERIFY(!page->stepCounter());
        // "Show tour" starts the tour again, from its first step.
        QVERIFY(!root.tour().isActive());
        QTest::mouseClick(page->tourButton(), Qt::LeftButton);
        QVERIFY(root.tour().isActive());
        QCOMPARE(root.tour().index(), 0);
    }

    // Over the stand-in gateway: Install reaches the gateway and the trusted certificate arrives
    // with the next poll; while the model is busy neither Install nor "Turn on" sends anything;
    // "Turn on" switches protection on and the done row comes into view.
    void overTheGateway() {
        StandInCheckout checkout;
        QVERIFY(checkout.isValid());
        TestPlatform fakes;
        fakes.environment = checkout.environment();
        Config config = quickConfig(freeLoopbackPort());
        config.pollInterval = std::chrono::hours(1);
        AppModel model(config, fakes.platform());
        QSignalSpy polls(&model, &AppModel::pollEnded);
        model.start();
        QTRY_VERIFY_WITH_TIMEOUT(polls.size() >= 1, patienceMs);
        QVERIFY(model.protection().status());
        QCOMPARE(model.protection().status()->ca, CAStatus::missing);
        const auto count = [&](const QString& request) {
            return gatewayRequests(model).count(request);
        };
        const auto setGatewayStatus = [&](const QJsonObject& members) {
            QVERIFY(gatewayExchange(model, "POST", QStringLiteral("/fake/status"), members).ok());
            QCoro::waitFor(model.pollOnce());
        };

        int completed = 0;
        SetupScreen screen(model, false, [&] { ++completed; });
        screen.resize(900, 760);
        screen.show();
        QCoreApplication::processEvents();
        SetupStepButton* install = screen.certificateCard()->button();
        SetupStepButton* turnOn = screen.turnOnCard()->button();

        QTest::mouseClick(install, Qt::LeftButton);
        QVERIFY(model.supervision().busy());
        QTRY_VERIFY_WITH_TIMEOUT(!model.supervision().busy(), patienceMs);
        QCOMPARE(count(QStringLiteral("POST /api/ca/install")), 1);
        QVERIFY(!model.supervision().appError());
        QCoro::waitFor(model.pollOnce());
        QCOMPARE(screen.certificateCard()->step().look, SetupStep::Look::done);
        QVERIFY(screen.certificateCard()->removeLink()->isVisible());
        QVERIFY(turnOn->isVisible());

        // The yearly renewal: two current cards. A slow install keeps the model busy.
        setGatewayStatus({{QStringLiteral("ca_renewal"), true}});
        QVERIFY(install->isVisible() && turnOn->isVisible());
        QVERIFY(scriptGateway(model, QStringLiteral("/api/ca/install"),
                              QJsonArray{QJsonObject{{QStringLiteral("delay_ms"), 600},
                                                     {QStringLiteral("body"), QStringLiteral(R"({"ok": true})")}}}));
        QTest::mouseClick(install, Qt::LeftButton);
        QVERIFY(model.supervision().busy());
        QVERIFY(!install->isEnabled() && !turnOn->isEnabled());
        QTest::mouseClick(install, Qt::LeftButton);
        QTest::mouseClick(turnOn, Qt::LeftButton);
        QCOMPARE(completed, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!model.supervision().busy(), patienceMs);
        QCOMPARE(count(QStringLiteral("POST /api/ca/install")), 2);
        QCOMPARE(count(QStringLiteral("POST /api/protection")), 0);
        setGatewayStatus({{QStringLiteral("ca_renewal"), QJsonValue::Null}});
        QCOMPARE(screen.certificateCard()->step().look, SetupStep::Look::done);

        QTest::mouseClick(turnOn, Qt::LeftButton);
        QCOMPARE(completed, 1);
        QTRY_VERIFY_WITH_TIMEOUT(!model.supervision().busy(), patienceMs);
        QCOMPARE(count(QStringLiteral("POST /api/protection")), 1);
        // The reply says protection is on: the done row comes into view once more.
        QCOMPARE(screen.turnOnCard()->step().look, SetupStep::Look::done);
        QCOMPARE(completed, 2);
        model.shutdown();
    }
};

QTEST_MAIN(SetupScreenTest)
#include "tst_setupscreen.moc"
