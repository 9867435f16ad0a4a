// Every page in the main window as a user meets it: at the window's minimum size and at a large
// one, in English and Polish, with real-length values (long placeholders, long organisation
// values). Nothing may scroll sideways or stick out past the page's edge, no title may be cut,
// and the keyboard must reach every control in reading order with a focus mark one can see.
#include "FernholmApp/components/activity/EventRow.h"
#include "FernholmApp/components/activity/EventRowList.h"
#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/controls/TextLink.h"
#include "FernholmApp/components/controls/VSwitch.h"
#include "FernholmApp/components/layout/Page.h"
#include "FernholmApp/components/layout/PageHeader.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/components/text/TokenChip.h"
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/pages/home/HomeScreen.h"
#include "FernholmApp/pages/redaction/RedactionScreen.h"
#include "FernholmApp/pages/redaction/UnsavedChangesBar.h"
#include "FernholmApp/shell/RootView.h"
#include "FernholmApp/shell/Sidebar.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/ActivityFeedAccess.h"
#include "app/support/AppModelAccess.h"
#include "app/support/LayoutTesting.h"
#include "app/support/PixelProbes.h"
#include "app/support/RecordingClipboard.h"
#include "app/support/RedactionDraftAccess.h"
#include "app/support/TestPlatform.h"
#include "app/support/ViewTesting.h"
#include "support/StatusFixtures.h"

#include <QAbstractButton>
#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace fernholm;
using namespace fernholm::test;

Q_DECLARE_METATYPE(fernholm::AppTab)

namespace {

constexpr QSize minimumSize(900, 640);
constexpr QSize largeSize(1440, 900);

Event anEvent(int minute, const QString& status, const QStringList& tokens) {
    Event e;
    e.ts = QStringLiteral("2025-03-05T10:%1:00Z").arg(minute, 2, 10, QLatin1Char('0'));
    e.surface = QStringLiteral("chatgpt");
    e.status = status;
    e.tokens = tokens;
    for (const QString& token : tokens) {
        e.entities.insert(token.mid(1, token.lastIndexOf(QLatin1Char('_')) - 1), 1);
    }
    return e;
}

// A request with five long placeholders first, as a busy user's log has them.
QList<Event> events() {
    return {anEvent(5, QStringLiteral("redacted"),
                    {QStringLiteral("[PERSON_NAME_1]"), QStringLiteral("[PERSON_NAME_2]"), QStringLiteral("[PERSON_NAME_3]"),
                     QStringLiteral("[PERSON_NAME_4]"), QStringLiteral("[PERSON_NAME_5]")}),
            anEvent(4, QStringLiteral("redacted"),
                    {QStringLiteral("[EMAIL_ADDRESS_12]"), QStringLiteral("[CREDIT_CARD_NUMBER_3]")}),
            anEvent(3, QStringLiteral("passed"), {}), anEvent(2, QStringLiteral("blocked"), {}),
            anEvent(1, QStringLiteral("document_redacted"), {QStringLiteral("[IBAN_CODE_1]")})};
}

RedactionPage rules() {
    RedactionPage page;
    page.categories = {
        RedactionCategory{"identity",
                          "Identity",
                          {RedactionType{"PERSON", "Person name", "model", true, false},
                           RedactionType{"DATE_OF_BIRTH", "Date of birth", "rules", false, false},
                           RedactionType{"PL_PESEL", "PESEL number", "checksum", true, true},
                           RedactionType{"PASSPORT_NUMBER", "Passport number", "none", false, false}}},
        RedactionCategory{"contact",
                          "Contact details",
                          {RedactionType{"EMAIL_ADDRESS", "Email address", "rules", true, false},
                           RedactionType{"PHONE_NUMBER", "Phone number", "rules", true, false}}},
        RedactionCategory{"financial",
                          "Financial",
                          {RedactionType{"IBAN", "IBAN", "rules", false, false},
                           RedactionType{"PAYMENT_CARD", "Payment card", "rules", false, false}}},
    };
    page.allowlist = {QStringLiteral("Northwind Traders International Holdings and Subsidiaries")};
    page.blocklist = {BlocklistEntry{"Project Heron and the Lakeside Expansion Programme", "project_name"}};
    OrganisationPolicy policy;
    policy.requiredTypes = {"PL_PESEL"};
    policy.allowlist = {QStringLiteral("Contoso Research and Development Centre for Applied Machine Learning, Warsaw")};
    policy.blocklist = {BlocklistEntry{"Falcon Strategic Acquisition Codename Documents Archive", "codename"}};
    page.organisation = policy;
    return page;
}

// The main window's content on a model that never starts, filled with what a real user sees.
struct Window {
    TestPlatform fakes;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<RootView> root;

    Window() {
        fakes.defaults->setValue(RootView::setupKey, true);
        fakes.defaults->setValue(Tour::flagKey, true);
        model = std::make_unique<AppModel>(quickConfig(), fakes.platform());
        AppModelAccess::setLink(*model, SidecarLink::trusted);
        fill();
    }

    void fill() {
        Status s = status(Protection::on, true);
        s.counters.redacted = 128934;
        s.counters.passed = 2340981;
        s.counters.blocked = 4512;
        s.counters.entities = {{QStringLiteral("PERSON"), 912345}};
        AppModelAccess::setStatus(*model, s);
        ActivityFeedAccess::setRecentEvents(model->activity(), events(), 0);
        AppModelAccess::setProviders(*model, {provider(QStringLiteral("chatgpt"), QStringLiteral("ChatGPT")),
                                              provider(QStringLiteral("claude"), QStringLiteral("Claude")),
                                              provider(QStringLiteral("gemini"), QStringLiteral("Gemini"))});
        RedactionDraftAccess::setEdited(model->redactionDraft(), rules());
        RedactionDraftAccess::setSaved(model->redactionDraft(), rules());
    }

    RootView& make(QSize size) {
        RootViewHooks hooks;
        hooks.clipboard = std::make_shared<RecordingClipboard>();
        hooks.openUrl = [](const QUrl&) {};
        hooks.studioPage = [] {
            auto* page = new QWidget;
            page->setObjectName(QStringLiteral("studio"));
            return page;
        };
        root = std::make_unique<RootView>(*model, fakes.defaults, std::function<void()>(), hooks);
        root->resize(size);
        root->show();
        settle();
        return *root;
    }

    // Shows `tab` with the sample data in place (a page may ask the absent gateway on showing).
    void show(AppTab tab) {
        root->select(tab);
        settle();
        fill();
        settle();
    }
};

QString name(const QWidget* widget) {
    QString text = QString::fromLatin1(widget->metaObject()->className());
    if (!widget->objectName().isEmpty()) {
        text += QLatin1Char('#') + widget->objectName();
    }
    if (const auto* label = qobject_cast<const TextLabel*>(widget)) {
        text += QStringLiteral(" \"%1\"").arg(label->text().left(40));
    } else if (const auto* link = qobject_cast<const TextLink*>(widget)) {
        text += QStringLiteral(" \"%1\"").arg(link->title());
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        text += QStringLiteral(" \"%1\"").arg(button->text().isEmpty() ? button->accessibleName().left(40)
                                                                       : button->text().left(40));
    }
    return text;
}

Page* pageOf(const RootView& root) {
    return root.page() ? root.page()->findChild<Page*>() : nullptr;
}

// Shown widgets of the page that reach past the viewport's left or right edge.
QStringList stickingOut(Page* page) {
    QStringList found;
    const int width = page->viewport()->width();
    for (QWidget* widget : page->content()->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(page->content()) || widget->width() <= 0 || widget->height() <= 0) {
            continue;
        }
        const QRect rect(widget->mapTo(page->viewport(), QPoint(0, 0)), widget->size());
        if (rect.left() < 0 || rect.right() >= width) {
            found << QStringLiteral("%1 at x %2..%3 of %4").arg(name(widget)).arg(rect.left()).arg(rect.right()).arg(width);
            continue;
        }
        // Cut off by its own container is as bad as past the page's edge.
        const QWidget* parent = widget->parentWidget();
        if (parent != page->content() && (widget->x() < 0 || widget->geometry().right() >= parent->width())) {
            found << QStringLiteral("%1 at x %2..%3 in %4 %5 wide")
                         .arg(name(widget))
                         .arg(widget->x())
                         .arg(widget->geometry().right())
                         .arg(name(parent))
                         .arg(parent->width());
        }
    }
    return found;
}

QStringList cutHeadings(const QWidget* page) {
    QStringList found;
    for (const TextLabel* label : page->findChildren<TextLabel*>()) {
        if (label->isHeading() && label->isVisibleTo(page) && label->isTruncated()) {
            found << name(label);
        }
    }
    return found;
}

QString tag(AppTab tab) {
    switch (tab) {
    case AppTab::home:
        return QStringLiteral("home");
    case AppTab::activity:
        return QStringLiteral("activity");
    case AppTab::providers:
        return QStringLiteral("providers");
    case AppTab::redaction:
        return QStringLiteral("redaction");
    case AppTab::test:
        return QStringLiteral("test");
    case AppTab::testDocument:
        return QStringLiteral("documents");
    case AppTab::setup:
        return QStringLiteral("setup");
    case AppTab::settings:
        return QStringLiteral("settings");
    }
    return {};
}

// Device pixels inside `area` (logical) that change by at least 3:1 between two renderings.
int strongChanges(const QImage& a, const QImage& b, const QRect& area) {
    const qreal dpr = a.devicePixelRatio();
    const QRect pixels = QRect(QPoint(int(area.left() * dpr), int(area.top() * dpr)),
                               QPoint(int((area.right() + 1) * dpr) - 1, int((area.bottom() + 1) * dpr) - 1))
                             .intersected(a.rect())
                             .intersected(b.rect());
    int count = 0;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
        for (int x = pixels.left(); x <= pixels.right(); ++x) {
            if (contrastRatio(a.pixelColor(x, y), b.pixelColor(x, y)) >= 3.0) {
                ++count;
            }
        }
    }
    return count;
}

// The section of the page that holds `widget` (drawn with its own card or surface).
QWidget* sectionOf(QWidget* widget, const Page* page) {
    QWidget* section = widget;
    while (section->parentWidget() && section->parentWidget() != page->content()) {
        section = section->parentWidget();
    }
    return section;
}

} // namespace

class PagesInTheWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { useBundledResources(); }
    void init() { L10n::setLanguage(QStringLiteral("en")); }
    void cleanup() { L10n::setLanguage(QStringLiteral("en")); }

    void everyPageFits_data() {
        QTest::addColumn<AppTab>("tab");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QSize>("size");
        for (const AppTab tab : allAppTabs) {
            for (const QString& language : {QStringLiteral("en"), QStringLiteral("pl")}) {
                for (const QSize size : {minimumSize, largeSize}) {
                    const QString row =
                        QStringLiteral("%1-%2-%3x%4").arg(tag(tab), language).arg(size.width()).arg(size.height());
                    QTest::newRow(qPrintable(row)) << tab << language << size;
                }
            }
        }
    }

    // No horizontal scrolling, nothing past the page's edge, every title whole; the screenshot
    // shows the page in light and dark.
    void everyPageFits() {
        QFETCH(AppTab, tab);
        QFETCH(QString, language);
        QFETCH(QSize, size);
        L10n::setLanguage(language);
        Window w;
        RootView& root = w.make(size);
        w.show(tab);
        QCOMPARE(root.size(), size);
        saveScreenshot(lightAndDark(&root), QStringLiteral("pages-") + QString::fromLatin1(QTest::currentDataTag()));
        Page* page = pageOf(root);
        if (tab == AppTab::testDocument) {
            QVERIFY(!page); // the studio's own web view
            return;
        }
        QVERIFY(page);
        // The whole column too, below the fold.
        saveScreenshot(lightAndDark(page->content()),
                       QStringLiteral("pages-") + QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral("-whole"));
        QVERIFY(!page->horizontalScrollBar()->isVisible());
        QCOMPARE(page->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(page->content()->width(), page->viewport()->width());
        const QStringList outside = stickingOut(page);
        QVERIFY2(outside.isEmpty(), qPrintable(outside.join(QStringLiteral("; "))));
        if (auto* home = qobject_cast<HomeScreen*>(root.page())) {
            for (const TextLabel* label : home->statLabels()) {
                QVERIFY2(!label->isTruncated(), qPrintable(name(label)));
            }
        }
        const QStringList cut = cutHeadings(root.page());
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral("; "))));
    }

    void homeWithLongTokens_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("minimum") << minimumSize;
        QTest::newRow("default") << QSize(1100, 760);
    }

    // A request with five long placeholders: the chips shrink and cut their text with "…"
    // inside their cell; the row, the switch and the links stay inside the panel.
    void homeWithLongTokens() {
        QFETCH(QSize, size);
        Window w;
        RootView& root = w.make(size);
        w.show(AppTab::home);
        auto* home = qobject_cast<HomeScreen*>(root.page());
        QVERIFY(home);
        Page* page = home->page();
        QVERIFY(!page->horizontalScrollBar()->isVisible());
        QCOMPARE(page->content()->width(), page->viewport()->width());
        const QRect viewport(QPoint(0, 0), page->viewport()->size());
        for (QWidget* widget : QList<QWidget*>{static_cast<QWidget*>(home->heroSwitch()), static_cast<QWidget*>(home->reportLink()),
                                               static_cast<QWidget*>(home->allActivityLink())}) {
            const QRect rect(widget->mapTo(page->viewport(), QPoint(0, 0)), widget->size());
            QVERIFY2(viewport.contains(rect.topRight()) && rect.left() >= 0, qPrintable(name(widget)));
        }
        const QList<EventRow*> rows = home->recentList()->findChildren<EventRow*>();
        QVERIFY(!rows.isEmpty());
        EventRow* first = nullptr;
        for (EventRow* row : rows) {
            if (row->shownChips().size() == 4) {
                first = row;
            }
        }
        QVERIFY(first);
        QCOMPARE(first->overflowText(), QStringLiteral("+1"));
        const QRect rowRect(first->mapTo(page->viewport(), QPoint(0, 0)), first->size());
        QVERIFY(rowRect.right() < viewport.width());
        for (TokenChip* chip : first->shownChips()) {
            const QRect cell(chip->parentWidget()->mapTo(first, QPoint(0, 0)), chip->parentWidget()->size());
            const QRect chipRect(chip->mapTo(first, QPoint(0, 0)), chip->size());
            QVERIFY2(chipRect.right() <= cell.right(), qPrintable(chip->token()));
            QVERIFY(chip->width() <= chip->sizeHint().width());
        }
        saveScreenshot(lightAndDark(&root), QStringLiteral("pages-home-long-tokens-") +
                                                QString::fromLatin1(QTest::currentDataTag()));
    }

    void tabWalk_data() {
        QTest::addColumn<AppTab>("tab");
        for (const AppTab tab : {AppTab::home, AppTab::activity, AppTab::providers, AppTab::redaction, AppTab::test,
                                 AppTab::setup, AppTab::settings}) {
            QTest::newRow(qPrintable(tag(tab))) << tab;
        }
    }

    // Tab runs through the page's controls in reading order, never stops on the scroll area
    // itself, and every stop shows a focus mark that stands out at least 3:1 from the same
    // pixels unfocused, in light and dark.
    void tabWalk() {
        QFETCH(AppTab, tab);
        Window w;
        RootView& root = w.make(minimumSize);
        w.show(tab);
        Page* page = pageOf(root);
        QVERIFY(page);
        QApplication::setActiveWindow(&root);
        root.page()->setFocus(Qt::OtherFocusReason);
        QList<QWidget*> stops;
        for (int step = 0; step < 120; ++step) {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &root, Qt::Key_Tab);
            settle();
            QWidget* focus = QApplication::focusWidget();
            QVERIFY(focus);
            QVERIFY2(focus != page && focus != page->viewport(), "the scroll area took a Tab stop");
            if (!root.page()->isAncestorOf(focus) || stops.contains(focus)) {
                break;
            }
            stops << focus;
        }
        // Every page has more than one control to reach (with nothing typed yet, the prompt
        // page offers its two editors only).
        QStringList names;
        for (QWidget* stop : std::as_const(stops)) {
            names << name(stop);
        }
        QVERIFY2(stops.size() >= 2, qPrintable(names.join(QStringLiteral(" → "))));

        QStringList order;
        QStringList faint;
        QRect previous;
        for (QWidget* stop : std::as_const(stops)) {
            page->ensureWidgetVisible(stop);
            settle();
            const QRect rect(stop->mapTo(page->content(), QPoint(0, 0)), stop->size());
            // Back up the page is only right when moving on to a column further right.
            if (previous.isValid() && rect.top() < previous.top() - 4 && rect.left() <= previous.left()) {
                order << QStringLiteral("%1 after a control below it").arg(name(stop));
            }
            previous = rect;
            stop->setFocus(Qt::TabFocusReason);
            // Rendered with the section it sits on, so that the mark is judged on its real ground.
            QWidget* section = sectionOf(stop, page);
            const QRect area = QRect(stop->mapTo(section, QPoint(0, 0)), stop->size()).adjusted(-3, -3, 3, 3);
            for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
                const QImage focused = render(section, scheme);
                stop->clearFocus();
                const QImage plain = render(section, scheme);
                stop->setFocus(Qt::TabFocusReason);
                if (const int changed = strongChanges(focused, plain, area); changed < 16) {
                    saveScreenshot(focused.copy(), QStringLiteral("focus-faint-%1-%2").arg(tag(tab)).arg(faint.size()));
                    faint << QStringLiteral("%1 (%2, %3 pixels)")
                                 .arg(name(stop), scheme == ColorScheme::dark ? "dark" : "light")
                                 .arg(changed);
                }
            }
        }
        QVERIFY2(order.isEmpty(), qPrintable(order.join(QStringLiteral("; "))));
        QVERIFY2(faint.isEmpty(), qPrintable(QStringLiteral("no visible focus on: ") + faint.join(QStringLiteral("; "))));
    }

    void enterOnASidebarItemOpensItsPage_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
        QTest::newRow("Space") << int(Qt::Key_Space);
    }

    void enterOnASidebarItemOpensItsPage() {
        QFETCH(int, key);
        Window w;
        RootView& root = w.make(minimumSize);
        QCOMPARE(root.selection(), AppTab::home);
        QApplication::setActiveWindow(&root);
        SidebarItem* item = root.sidebar()->item(AppTab::activity);
        item->setFocus(Qt::TabFocusReason);
        QTest::keyClick(item, Qt::Key(key));
        QTRY_COMPARE(root.selection(), AppTab::activity);
    }

    // Toggling the protection switch from the keyboard leaves the focus on it, although the
    // switch is disabled while the change is under way.
    void theSwitchKeepsTheFocus() {
        Window w;
        RootView& root = w.make(minimumSize);
        auto* home = qobject_cast<HomeScreen*>(root.page());
        QVERIFY(home);
        QApplication::setActiveWindow(&root);
        VSwitch* guard = home->heroSwitch();
        guard->setFocus(Qt::TabFocusReason);
        QVERIFY(guard->hasFocus());
        AppModelAccess::setBusy(*w.model, true);
        QVERIFY(!guard->isEnabled());
        AppModelAccess::setBusy(*w.model, false);
        QVERIFY(guard->isEnabled());
        QVERIFY(guard->hasFocus());

        // Moved on by the user meanwhile, the focus stays where the user put it.
        AppModelAccess::setBusy(*w.model, true);
        home->reportLink()->setFocus(Qt::TabFocusReason);
        AppModelAccess::setBusy(*w.model, false);
        QVERIFY(home->reportLink()->hasFocus());
    }

    void theUnsavedBarLeavesTheTitleClear_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QSize>("size");
        QTest::newRow("en-minimum") << "en" << minimumSize;
        QTest::newRow("pl-minimum") << "pl" << minimumSize;
        QTest::newRow("pl-large") << "pl" << largeSize;
    }

    // With unsaved changes the bar floats at the top of the page; it never covers the title.
    void theUnsavedBarLeavesTheTitleClear() {
        QFETCH(QString, language);
        QFETCH(QSize, size);
        L10n::setLanguage(language);
        Window w;
        RootView& root = w.make(size);
        w.show(AppTab::redaction);
        auto* screen = qobject_cast<RedactionScreen*>(root.page());
        QVERIFY(screen);
        RedactionPage edited = rules();
        edited.allowlist << QStringLiteral("Fabrikam");
        RedactionDraftAccess::setEdited(w.model->redactionDraft(), edited);
        settle();
        UnsavedChangesBar* bar = screen->unsavedBar();
        QTRY_VERIFY(bar->isVisible() && bar->graphicsEffect() == nullptr);
        QTRY_COMPARE(bar->y(), UnsavedChangesBar::topGap - UnsavedChangesBar::shadowMargins.top());
        settle();
        const QRect capsule = bar->geometry().marginsRemoved(UnsavedChangesBar::shadowMargins);
        const TextLabel* title = screen->header()->titleLabel();
        // Where the title's text is drawn: from its leading edge, as wide as the text.
        const QRect titleRect(title->mapTo(screen->page(), QPoint(0, 0)),
                              QSize(std::min(title->width(), title->sizeHint().width()), title->height()));
        QVERIFY2(!titleRect.intersects(capsule), qPrintable(QStringLiteral("title %1,%2 %3x%4")
                                                                .arg(titleRect.x())
                                                                .arg(titleRect.y())
                                                                .arg(titleRect.width())
                                                                .arg(titleRect.height())));
        QVERIFY(!title->isTruncated());
        saveScreenshot(lightAndDark(&root),
                       QStringLiteral("pages-redaction-unsaved-") + QString::fromLatin1(QTest::currentDataTag()));
    }

    // Only the drawn bar takes clicks: a switch under its shadow stays usable.
    void theUnsavedBarsShadowLetsClicksThrough() {
        Window w;
        RootView& root = w.make(largeSize);
        w.show(AppTab::redaction);
        auto* screen = qobject_cast<RedactionScreen*>(root.page());
        QVERIFY(screen);
        RedactionPage edited = rules();
        edited.allowlist << QStringLiteral("Fabrikam");
        RedactionDraftAccess::setEdited(w.model->redactionDraft(), edited);
        UnsavedChangesBar* bar = screen->unsavedBar();
        QTRY_VERIFY(bar->isVisible() && bar->graphicsEffect() == nullptr);
        QTRY_COMPARE(bar->y(), UnsavedChangesBar::topGap - UnsavedChangesBar::shadowMargins.top());
        settle();
        Page* page = screen->page();
        const QRect capsule = bar->geometry().marginsRemoved(UnsavedChangesBar::shadowMargins);
        // A point in the shadow under the capsule, and what lies there.
        const QPoint inShadow(capsule.center().x(), capsule.bottom() + UnsavedChangesBar::shadowMargins.bottom() / 2);
        QVERIFY(bar->geometry().contains(inShadow));
        QWidget* under = page->childAt(inShadow);
        QVERIFY2(under, qPrintable(QStringLiteral("nothing at %1,%2 in a page %3x%4; bar %5,%6 %7x%8")
                                       .arg(inShadow.x()).arg(inShadow.y()).arg(page->width()).arg(page->height())
                                       .arg(bar->x()).arg(bar->y()).arg(bar->width()).arg(bar->height())));
        QVERIFY2(under != bar && !bar->isAncestorOf(under), qPrintable(name(under)));
        QCOMPARE(QString::fromLatin1(under->metaObject()->className()).contains(QLatin1String("Shadow")), false);
        // The drawn bar itself still takes its clicks.
        QWidget* onBar = page->childAt(bar->mapTo(page, bar->saveButton()->geometry().center()));
        QCOMPARE(onBar, static_cast<QWidget*>(bar->saveButton()));

        // A switch scrolled under the shadow is switched by a click there.
        QAbstractButton* target = nullptr;
        for (auto* button : page->content()->findChildren<QAbstractButton*>()) {
            const QRect r(button->mapTo(page, QPoint(0, 0)), button->size());
            if (button->isVisible() && QByteArray(button->metaObject()->className()).endsWith("Switch") &&
                r.left() + 4 <= inShadow.x() && r.right() - 4 >= inShadow.x()) {
                target = button;
                break;
            }
        }
        QVERIFY2(target, "no switch lies below the bar at this width");
        const QRect r(target->mapTo(page->content(), QPoint(0, 0)), target->size());
        const int viewportTop = page->viewport()->mapTo(page, QPoint(0, 0)).y();
        page->verticalScrollBar()->setValue(r.center().y() - (inShadow.y() - viewportTop));
        settle();
        const QPoint at = target->mapFrom(page, inShadow);
        QVERIFY2(target->rect().contains(at), qPrintable(QStringLiteral("%1,%2").arg(at.x()).arg(at.y())));
        QCOMPARE(page->childAt(inShadow), static_cast<QWidget*>(target));
        QSignalSpy clicked(target, &QAbstractButton::clicked);
        QTest::mouseClick(target, Qt::LeftButton, {}, at);
        QCOMPARE(clicked.count(), 1);
    }
};

QTEST_MAIN(PagesInTheWindowTest)
#include "tst_pagesinthewindow.moc"
