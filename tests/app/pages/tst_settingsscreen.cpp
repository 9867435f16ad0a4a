// The settings page on a model that never starts: the test sets the model's state, the login
// item and the user defaults, clicks the page as a user would and watches the model, the fakes
// and the callbacks. The last cases run the page inside the main window's content.
#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/controls/SegmentedControl.h"
#include "FernholmApp/components/controls/VSwitch.h"
#include "FernholmApp/components/layout/Page.h"
#include "FernholmApp/components/layout/SettingsRows.h"
#include "FernholmApp/components/layout/Surface.h"
#include "FernholmApp/components/text/SectionLabel.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/AppVersion.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmApp/pages/settings/SettingsScreen.h"
#include "FernholmApp/shell/RootView.h"
#include "FernholmApp/shell/Sidebar.h"
#include "FernholmApp/theme/Appearance.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/presentation/Tour.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/AppModelAccess.h"
#include "app/support/LayoutTesting.h"
#include "app/support/PixelProbes.h"
#include "app/support/TestPlatform.h"
#include "app/support/TextGeometry.h"
#include "app/support/ViewTesting.h"

#include <QSignalSpy>
#include <QTest>

using namespace fernholm;
using namespace fernholm::test;

Q_DECLARE_METATYPE(fernholm::LoginItemState)

namespace {

Status statusWithCertificate(CAStatus ca) {
    Status status;
    status.protection = Protection::on;
    status.ca = ca;
    return status;
}

// A widget's rectangle in the coordinates of `ancestor`.
QRect rectIn(const QWidget* widget, const QWidget* ancestor) {
    return QRect(widget->mapTo(ancestor, QPoint(0, 0)), widget->size());
}

void click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

void clickSwitch(VSwitch* toggle) {
    QTest::mouseClick(toggle, Qt::LeftButton, {}, toggle->trackRect().center().toPoint());
}

// Every text label under `root` that is shown and cut short.
QStringList truncatedTexts(QWidget* root) {
    QStringList cut;
    for (TextLabel* label : root->findChildren<TextLabel*>()) {
        if (label->isVisible() && label->isTruncated()) {
            cut << label->text();
        }
    }
    return cut;
}

struct Calls {
    int updateChecks = 0;
    int tours = 0;
    int setups = 0;
    QStringList languages;
};

} // namespace

class SettingsScreenTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestPlatform> m_fakes;
    std::unique_ptr<AppModel> m_model;
    std::unique_ptr<SettingsScreen> m_screen;
    Calls m_calls;

    SettingsScreen& shown(bool withUpdater = false, int width = 900, int height = 1000) {
        std::function<void()> checkForUpdates;
        if (withUpdater) {
            checkForUpdates = [this] { ++m_calls.updateChecks; };
        }
        m_screen = std::make_unique<SettingsScreen>(
            *m_model, m_fakes->defaults, checkForUpdates, [this] { ++m_calls.tours; }, [this] { ++m_calls.setups; },
            [this](const QString& code) { m_calls.languages << code; });
        m_screen->resize(width, height);
        m_screen->show();
        [&] {
            QVERIFY(QTest::qWaitForWindowExposed(m_screen.get()));
        }();
        settle();
        return *m_screen;
    }

private Q_SLOTS:
    void initTestCase() { useBundledResources(); }

    void init() {
        L10n::setLanguage(QStringLiteral("en"));
        Appearance::instance().setAppAppearance(QString());
        Appearance::instance().setPortalScheme(2u);
        m_fakes = std::make_unique<TestPlatform>();
        m_model = std::make_unique<AppModel>(quickConfig(), m_fakes->platform());
        AppModelAccess::setLink(*m_model, SidecarLink::stopped);
        m_calls = {};
    }
    void cleanup() {
        m_screen.reset();
        m_model.reset();
        m_fakes.reset();
        L10n::setLanguage(QStringLiteral("en"));
        Appearance::instance().setAppAppearance(QString());
        Appearance::instance().setPortalScheme(std::nullopt);
    }

    // --- General ---

    // The error wins over the approval note, the note over the usual line; the error stands as
    // the model wrote it, in every language.
    void loginDetailOrder_data() {
        QTest::addColumn<LoginItemState>("state");
        QTest::addColumn<std::optional<QString>>("error");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("expected"); // "note": the approval note
        const std::optional<QString> none;
        const std::optional<QString> error = QStringLiteral("Couldn't change this: no autostart folder");
        const auto usual = LoginItemState::notRegistered;
        const auto approval = LoginItemState::requiresApproval;
        QTest::newRow("neither") << usual << none << "en" << "Protection comes back on by itself after a restart.";
        QTest::newRow("neither, Polish") << usual << none << "pl"
                                         << "Po ponownym uruchomieniu komputera ochrona włączy się sama.";
        QTest::newRow("note") << approval << none << "en" << "note";
        QTest::newRow("note, Polish") << approval << none << "pl" << "note";
        QTest::newRow("error") << usual << error << "en" << *error;
        QTest::newRow("error over note") << approval << error << "en" << *error;
        QTest::newRow("error over note, Polish") << approval << error << "pl" << *error;
    }
    void loginDetailOrder() {
        QFETCH(LoginItemState, state);
        QFETCH(std::optional<QString>, error);
        QFETCH(QString, language);
        QFETCH(QString, expected);
        L10n::setLanguage(language);
        m_fakes->loginItem->current = state;
        AppModelAccess::setLoginItemError(*m_model, error);
        SettingsScreen& screen = shown();
        const LoginItemSwitch item = loginItemSwitch(state);
        if (expected == QLatin1String("note")) {
            QVERIFY(item.note.has_value());
            expected = *item.note;
        }
        QCOMPARE(m_model->loginItem(), item);
        QCOMPARE(screen.loginRow()->label()->detail()->text(), expected);
        QVERIFY(screen.loginRow()->label()->detail()->isVisible());
        QCOMPARE(SettingsScreen::loginDetail(item, error), expected);
    }

    // The switch drives the login item; the row shows what the system then holds, and a refusal
    // springs back with the reason in the detail line until a later change succeeds.
    void openAtLoginSwitch_data() {
        QTest::addColumn<LoginItemState>("registered");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<bool>("onAfter");
        QTest::addColumn<bool>("noteAfter");
        QTest::newRow("turns on") << LoginItemState::enabled << false << true << false;
        QTest::newRow("needs approval") << LoginItemState::requiresApproval << false << false << true;
        QTest::newRow("refused") << LoginItemState::enabled << true << false << false;
    }
    void openAtLoginSwitch() {
        QFETCH(LoginItemState, registered);
        QFETCH(bool, refused);
        QFETCH(bool, onAfter);
        QFETCH(bool, noteAfter);
        m_fakes->loginItem->registeredState = registered;
        if (refused) {
            m_fakes->loginItem->registerFailures.push_back(QStringLiteral("the folder is read-only"));
        }
        SettingsScreen& screen = shown();
        VSwitch* toggle = screen.loginSwitch();
        QVERIFY(!toggle->isOn());
        QVERIFY(toggle->isEnabled());
        QCOMPARE(toggle->label(), QStringLiteral("Open Tarvine when you log in"));
        clickSwitch(toggle);
        QCOMPARE(m_fakes->loginItem->registers, 1);
        QCOMPARE(toggle->isOn(), onAfter);
        const QString detail = screen.loginRow()->label()->detail()->text();
        if (refused) {
            QCOMPARE(detail, QStringLiteral("Couldn't change this: the folder is read-only"));
            // A later change that holds clears the reason.
            clickSwitch(toggle);
            QCOMPARE(m_fakes->loginItem->registers, 2);
            QVERIFY(toggle->isOn());
            QCOMPARE(screen.loginRow()->label()->detail()->text(),
                     QStringLiteral("Protection comes back on by itself after a restart."));
        } else if (noteAfter) {
            QCOMPARE(m_fakes->loginItem->settingsOpened, 1);
            QVERIFY(m_model->loginItem().note.has_value());
            QCOMPARE(detail, *m_model->loginItem().note);
        } else {
            QCOMPARE(detail, QStringLiteral("Protection comes back on by itself after a restart."));
            clickSwitch(toggle);
            QCOMPARE(m_fakes->loginItem->unregisters, 1);
            QVERIFY(!toggle->isOn());
        }
    }

    // Each show reads the item afresh: a change made elsewhere while the page was away shows.
    void everyShowReadsTheLoginItem() {
        SettingsScreen& screen = shown();
        QVERIFY(!screen.loginSwitch()->isOn());
        screen.hide();
        m_fakes->loginItem->current = LoginItemState::enabled;
        QVERIFY(!screen.loginSwitch()->isOn());
        screen.show();
        QVERIFY(screen.loginSwitch()->isOn());
        screen.hide();
        m_fakes->loginItem->current = LoginItemState::notRegistered;
        screen.show();
        QVERIFY(!screen.loginSwitch()->isOn());
    }

    // The language names stand as they are in both languages; a click hands on the code, also for
    // the language already in use.
    void languageControl_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << "en";
        QTest::newRow("Polish") << "pl";
    }
    void languageControl() {
        QFETCH(QString, language);
        L10n::setLanguage(language);
        SettingsScreen& screen = shown();
        SegmentedControl* control = screen.languageControl();
        QCOMPARE(control->options().size(), 2);
        QCOMPARE(control->options().at(0).label, QStringLiteral("English"));
        QCOMPARE(control->options().at(1).label, QStringLiteral("Polski"));
        QCOMPARE(control->selection().toString(), language);
        const int current = language == QLatin1String("en") ? 0 : 1;
        click(control->segments().at(current));
        QCOMPARE(m_calls.languages, QStringList{language});
        click(control->segments().at(1 - current));
        QCOMPARE(m_calls.languages.size(), 2);
        QCOMPARE(m_calls.languages.at(1), language == QLatin1String("en") ? QStringLiteral("pl") : QStringLiteral("en"));
        // The page itself stores no language.
        QVERIFY(!m_fakes->defaults->value(RootView::languageKey).isValid());
        QCOMPARE(L10n::language(), language);
    }

    // A choice is written and applied at once, and again when chosen again.
    void appearanceControl_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("selectedAtStart");
        QTest::newRow("nothing stored") << QVariant() << 0;
        QTest::newRow("light stored") << QVariant(QStringLiteral("light")) << 1;
        QTest::newRow("dark stored") << QVariant(QStringLiteral("dark")) << 2;
        QTest::newRow("bogus stored") << QVariant(QStringLiteral("sepia")) << -1;
    }
    void appearanceControl() {
        QFETCH(QVariant, stored);
        QFETCH(int, selectedAtStart);
        if (stored.isValid()) {
            m_fakes->defaults->setValue(RootView::appearanceKey, stored);
        }
        SettingsScreen& screen = shown();
        SegmentedControl* control = screen.appearanceControl();
        QCOMPARE(control->selectedIndex(), selectedAtStart);
        QCOMPARE(control->options().at(0).label, QStringLiteral("System"));

        // The desktop is light (set in init).
        const int writes = m_fakes->defaults->writes();
        click(control->segments().at(2));
        QCOMPARE(m_fakes->defaults->value(RootView::appearanceKey).toString(), QStringLiteral("dark"));
        QCOMPARE(Appearance::instance().scheme(), ColorScheme::dark);
        QCOMPARE(screen.appearance(), QStringLiteral("dark"));
        QCOMPARE(control->selectedIndex(), 2);
        click(control->segments().at(2));
        QCOMPARE(m_fakes->defaults->writes(), writes + 2);
        click(control->segments().at(0));
        QCOMPARE(m_fakes->defaults->value(RootView::appearanceKey).toString(), QStringLiteral("system"));
        QCOMPARE(Appearance::instance().scheme(), ColorScheme::light);
        click(control->segments().at(1));
        Appearance::instance().setPortalScheme(1u);
        QCOMPARE(Appearance::instance().scheme(), ColorScheme::light);
    }

    // --- Updates ---

    void versionTitle_data() {
        QTest::addColumn<std::optional<QString>>("version");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("expected");
        QTest::newRow("version") << std::optional<QString>("0.4.1") << "en" << "Tarvine 0.4.1";
        QTest::newRow("version, Polish") << std::optional<QString>("0.4.1") << "pl" << "Tarvine 0.4.1";
        QTest::newRow("odd version as it stands") << std::optional<QString>("1.0 beta") << "en" << "Tarvine 1.0 beta";
        QTest::newRow("development") << std::optional<QString>() << "en" << "Tarvine (development build)";
        QTest::newRow("development, Polish") << std::optional<QString>() << "pl" << "Tarvine (wersja deweloperska)";
    }
    void versionTitle() {
        QFETCH(std::optional<QString>, version);
        QFETCH(QString, language);
        QFETCH(QString, expected);
        L10n::setLanguage(language);
        QCOMPARE(SettingsScreen::versionTitle(version), expected);
    }

    // Without an updater nothing checks by itself: the row shows the version alone.
    void updatesRow_data() {
        QTest::addColumn<bool>("updater");
        QTest::newRow("no updater") << false;
        QTest::newRow("updater") << true;
    }
    void updatesRow() {
        QFETCH(bool, updater);
        SettingsScreen& screen = shown(updater);
        SettingRow* row = screen.versionRow();
        QCOMPARE(row->label()->title()->text(), SettingsScreen::versionTitle(appVersion()));
        QCOMPARE(screen.checkNowButton() != nullptr, updater);
        QCOMPARE(row->label()->detail()->isVisible(), updater);
        QCOMPARE(row->findChildren<PrimaryButton*>().size(), updater ? 1 : 0);
        if (updater) {
            PrimaryButton* button = screen.checkNowButton();
            QCOMPARE(button->title(), QStringLiteral("Check now"));
            QCOMPARE(button->style(), PrimaryButton::Style::secondary);
            QVERIFY(!button->showsArrow());
            QVERIFY(button->isVisible() && button->isEnabled());
            QCOMPARE(rectIn(button, row).right(), row->width() - 22 - 1);
            click(button);
            QCOMPARE(m_calls.updateChecks, 1);
        }
    }

    // --- Help ---

    // The removal is offered only while the certificate is trusted, and not while another
    // certificate or protection action runs; its divider comes and goes with it.
    void helpRows_data() {
        QTest::addColumn<std::optional<Status>>("status");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("removable");
        const std::optional<Status> none;
        QTest::newRow("no status") << none << false << 3 << false;
        QTest::newRow("missing") << std::optional(statusWithCertificate(CAStatus::missing)) << false << 3 << false;
        QTest::newRow("untrusted") << std::optional(statusWithCertificate(CAStatus::untrusted)) << false << 3
                                   << false;
        QTest::newRow("ok") << std::optional(statusWithCertificate(CAStatus::ok)) << false << 4 << true;
        QTest::newRow("ok, busy") << std::optional(statusWithCertificate(CAStatus::ok)) << true << 4 << false;
    }
    void helpRows() {
        QFETCH(std::optional<Status>, status);
        QFETCH(bool, busy);
        QFETCH(int, rows);
        QFETCH(bool, removable);
        SettingsScreen& screen = shown();
        SettingsSection* help = screen.helpSection();
        QCOMPARE(help->shownRows().size(), 3);
        QCOMPARE(help->shownDividers().size(), 2);
        // The state arrives while the page is up: it follows in place.
        AppModelAccess::setStatus(*m_model, status);
        AppModelAccess::setBusy(*m_model, busy);
        settle();
        QCOMPARE(help->shownRows().size(), rows);
        QCOMPARE(help->shownDividers().size(), rows - 1);
        for (QWidget* divider : help->shownDividers()) {
            QVERIFY(divider->isVisible());
            QCOMPARE(divider->height(), 1);
        }
        LinkRow* remove = screen.removeCertificateRow();
        QCOMPARE(remove->isVisible(), rows == 4);
        if (rows == 4) {
            QCOMPARE(remove->isEnabled(), removable);
            QCOMPARE(help->shownRows().last(), remove);
            QCOMPARE(remove->drawnOpacity(), removable ? 1.0 : 0.5);
        } else {
            QCOMPARE(help->shownRows().last(), screen.setupRow());
        }
        // The card ends at its last shown row.
        QWidget* last = help->shownRows().last();
        QCOMPARE(rectIn(last, help->card()).bottom(), help->card()->height() - 1);

        QSignalSpy busyChanges(&m_model->supervision(), &Supervision::busyChanged);
        if (rows == 4) {
            click(remove);
        }
        if (removable) {
            // The call goes to a gateway that is not there: the failure lands in the error line.
            QTRY_VERIFY(m_model->supervision().appError().has_value());
            QVERIFY(busyChanges.size() >= 2);
            QVERIFY(m_model->supervision().appError()->startsWith(QStringLiteral("Could not remove the certificate")));
            QTRY_VERIFY(!m_model->supervision().busy());
            QVERIFY(remove->isEnabled());
        } else {
            QCOMPARE(m_model->supervision().busy(), busy);
            QCOMPARE(busyChanges.size(), 0);
            QVERIFY(!m_model->supervision().appError().has_value());
        }
    }

    void helpLinks() {
        SettingsScreen& screen = shown();
        QVERIFY(!m_model->issueRequest().has_value());
        click(screen.reportRow());
        QVERIFY(m_model->issueRequest().has_value());
        QCOMPARE(m_model->issueRequest()->category, QStringLiteral("other"));
        QVERIFY(!m_model->issueRequest()->row.has_value());
        // A click on the arrow, at the far edge, counts like one on the text.
        QTest::mouseClick(screen.tourRow(), Qt::LeftButton, {},
                          rectIn(screen.tourRow()->arrow(), screen.tourRow()).center());
        QCOMPARE(m_calls.tours, 1);
        // The keyboard reaches a link too.
        screen.setupRow()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(screen.setupRow(), Qt::Key_Space);
        QCOMPARE(m_calls.setups, 1);
        QTest::keyClick(screen.setupRow(), Qt::Key_Return);
        QCOMPARE(m_calls.setups, 2);
        QCOMPARE(m_calls.tours, 1);
        QCOMPARE(m_calls.updateChecks, 0);
    }

    // --- Layout and looks ---

    // Controls sit at the trailing edge of their rows, inset like the labels; nothing is cut or
    // overlaps, in either language, down to the narrowest window.
    void geometry_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("width");
        QTest::newRow("English, wide") << "en" << 1000;
        QTest::newRow("English, narrow") << "en" << 560;
        QTest::newRow("Polish, wide") << "pl" << 1000;
        QTest::newRow("Polish, narrow") << "pl" << 560;
    }
    void geometry() {
        QFETCH(QString, language);
        QFETCH(int, width);
        L10n::setLanguage(language);
        AppModelAccess::setStatus(*m_model, statusWithCertificate(CAStatus::ok));
        AppModelAccess::setLoginItemError(
            *m_model, QStringLiteral("Couldn't change this: the autostart folder could not be written "
                                     "because the disk is full"));
        SettingsScreen& screen = shown(true, width, 1200);
        QCOMPARE(truncatedTexts(&screen), QStringList());
        const QList<SettingRow*> rows = screen.findChildren<SettingRow*>();
        QCOMPARE(rows.size(), 4);
        for (SettingRow* row : rows) {
            const QRect label = rectIn(row->label(), row);
            QCOMPARE(label.left(), 22);
            QVERIFY(label.top() >= 16);
            if (QWidget* control = row->control()) {
                const QRect box = rectIn(control, row);
                QCOMPARE(box.right(), row->width() - 22 - 1);
                QVERIFY2(box.left() >= label.right() + 16, qPrintable(row->label()->title()->text()));
                QCOMPARE(box.size(), control->sizeHint());
                QVERIFY(qAbs(box.center().y() - row->height() / 2) <= 1);
            }
        }
        const QList<LinkRow*> links = screen.findChildren<LinkRow*>();
        QCOMPARE(links.size(), 4);
        for (LinkRow* link : links) {
            QCOMPARE(rectIn(link->arrow(), link).right(), link->width() - 22 - 1);
            QCOMPARE(link->width(), screen.helpSection()->card()->width());
        }
        // The sections follow one another 28 apart, each card below its label.
        const QList<SettingsSection*> sections{screen.generalSection(), screen.updatesSection(), screen.helpSection()};
        for (qsizetype i = 1; i < sections.size(); ++i) {
            const QWidget* column = screen.page()->content();
            QCOMPARE(rectIn(sections.at(i), column).top() - rectIn(sections.at(i - 1), column).bottom() - 1, 28);
        }
        saveScreenshot(render(&screen, ColorScheme::light),
                       QStringLiteral("settingsscreen-geometry-%1-%2").arg(language).arg(width));
    }

    // The section titles are faint on the page, the cards are the surface colour, the arrows faint.
    void colours_data() {
        QTest::addColumn<ColorScheme>("scheme");
        QTest::newRow("light") << ColorScheme::light;
        QTest::newRow("dark") << ColorScheme::dark;
    }
    void colours() {
        QFETCH(ColorScheme, scheme);
        SettingsScreen& screen = shown();
        const QImage image = render(&screen, scheme);
        const QColor background = Theme::background.resolve(scheme);
        SectionLabel* label = screen.helpSection()->titleLabel();
        FERNHOLM_COMPARE_COLOR(mostDistinct(image, rectIn(label, &screen), background), Theme::faint.resolve(scheme),
                               40);
        Surface* card = screen.helpSection()->card();
        const QRect cardBox = rectIn(card, &screen);
        FERNHOLM_COMPARE_COLOR(sample(image, QPointF(cardBox.center().x(), cardBox.top() + 4)),
                               Theme::surface.resolve(scheme), 3);
        const QRect arrow = rectIn(screen.setupRow()->arrow(), &screen);
        QVERIFY(hasInk(image, arrow, Theme::surface.resolve(scheme)));
    }

    void screenshots_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << "en";
        QTest::newRow("Polish") << "pl";
    }
    void screenshots() {
        QFETCH(QString, language);
        L10n::setLanguage(language);
        AppModelAccess::setStatus(*m_model, statusWithCertificate(CAStatus::ok));
        m_fakes->loginItem->current = LoginItemState::enabled;
        SettingsScreen& screen = shown(false, 860, 980);
        saveScreenshot(lightAndDark(&screen, 1.0), QStringLiteral("settingsscreen-%1").arg(language));
        // No text is cut or laid over other text, in either language.
        QVERIFY2(textProblems(&screen).isEmpty(), qPrintable(textProblems(&screen).join(u';')));
        AppModelAccess::setStatus(*m_model, statusWithCertificate(CAStatus::missing));
        screen.hide();
        m_screen.reset();
        SettingsScreen& withUpdater = shown(true, 860, 980);
        saveScreenshot(lightAndDark(&withUpdater, 1.0), QStringLiteral("settingsscreen-updater-%1").arg(language));
        QVERIFY2(textProblems(&withUpdater).isEmpty(), qPrintable(textProblems(&withUpdater).join(u';')));
    }

    // --- In the main window ---

    // Choosing Polish on the settings page switches the whole window; the settings page comes
    // back, in Polish, with the new language selected.
    void switchingLanguageFromThePage() {
        m_fakes->defaults->setValue(RootView::setupKey, true);
        m_fakes->defaults->setValue(Tour::flagKey, true);
        RootView root(*m_model, m_fakes->defaults, {}, {});
        root.resize(1100, 760);
        root.show();
        QVERIFY(QTest::qWaitForWindowExposed(&root));
        root.select(AppTab::settings);
        QPointer<SettingsScreen> page = qobject_cast<SettingsScreen*>(root.page());
        QVERIFY(page);
        settle();
        click(page->languageControl()->segments().at(1));
        QTRY_VERIFY(!page);
        QCOMPARE(L10n::language(), QStringLiteral("pl"));
        QCOMPARE(m_fakes->defaults->value(RootView::languageKey).toString(), QStringLiteral("pl"));
        QCOMPARE(root.selection(), AppTab::settings);
        auto* again = qobject_cast<SettingsScreen*>(root.page());
        QVERIFY(again);
        QCOMPARE(again->languageControl()->selection().toString(), QStringLiteral("pl"));
        QCOMPARE(again->generalSection()->titleLabel()->text(), QStringLiteral("OGÓLNE"));
        settle();
        saveScreenshot(render(&root, ColorScheme::light), QStringLiteral("settingsscreen-window-pl"));

        // The language in use again changes nothing: the same page stays.
        click(again->languageControl()->segments().at(1));
        QCoreApplication::processEvents();
        settle();
        QCOMPARE(root.page(), again);
        QCOMPARE(root.languageEpoch(), 1);
    }

    // The links lead where they say inside the window.
    void linksInTheWindow() {
        m_fakes->defaults->setValue(RootView::setupKey, true);
        m_fakes->defaults->setValue(Tour::flagKey, true);
        RootView root(*m_model, m_fakes->defaults, {}, {});
        root.resize(1100, 760);
        root.show();
        QVERIFY(QTest::qWaitForWindowExposed(&root));
        root.select(AppTab::settings);
        auto* page = qobject_cast<SettingsScreen*>(root.page());
        QVERIFY(page);
        settle();
        QVERIFY(!page->checkNowButton());
        click(page->setupRow());
        QCOMPARE(root.selection(), AppTab::setup);
        root.select(AppTab::settings);
        page = qobject_cast<SettingsScreen*>(root.page());
        QVERIFY(page);
        settle();
        QVERIFY(!root.tour().isActive());
        click(page->tourRow());
        QVERIFY(root.tour().isActive());
        QCOMPARE(root.tour().index(), 0);
    }

};

QTEST_MAIN(SettingsScreenTest)

#include "tst_settingsscreen.moc"
