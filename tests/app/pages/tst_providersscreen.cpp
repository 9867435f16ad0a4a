// The providers page. State cases set the model's status, busy flag and providers by hand on a
// model that never starts; the switch cases run the stand-in gateway as the model launches it,
// flip switches as a user would and read what reached the gateway.
#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/controls/VSwitch.h"
#include "FernholmApp/components/layout/Page.h"
#include "FernholmApp/components/layout/PageHeader.h"
#include "FernholmApp/components/layout/Surface.h"
#include "FernholmApp/components/text/ProviderLogo.h"
#include "FernholmApp/components/text/SectionLabel.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmApp/pages/providers/ProviderRows.h"
#include "FernholmApp/pages/providers/ProvidersScreen.h"
#include "FernholmApp/shell/RootView.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/presentation/Tour.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/AppModelAccess.h"
#include "app/support/LayoutTesting.h"
#include "app/support/PixelProbes.h"
#include "app/support/StandInModel.h"
#include "app/support/TestPlatform.h"
#include "app/support/TextGeometry.h"
#include "app/support/ViewTesting.h"
#include "support/LoopbackPort.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

using namespace fernholm;
using namespace fernholm::test;

Q_DECLARE_METATYPE(fernholm::ColorScheme)

namespace {

// Real launches, possibly under a sanitizer on a busy machine.
constexpr int patienceMs = 30'000;

const QString providersPath = QStringLiteral("/api/providers");

Provider provider(const QString& name, const QString& display, const QStringList& hosts, bool enabled,
                  std::optional<bool> experimental = std::nullopt, std::optional<QString> note = std::nullopt) {
    Provider p;
    p.name = name;
    p.displayName = display;
    p.kind = QStringLiteral("web");
    p.hosts = hosts;
    p.enabled = enabled;
    p.experimental = experimental;
    p.note = std::move(note);
    return p;
}

// Main on, main off, experimental null, experimental true (with a note).
QList<Provider> fourProviders() {
    return {
        provider("chatgpt", "ChatGPT", {"chatgpt.com", "chat.openai.com"}, true, false),
        provider("claude", "Claude", {"claude.ai"}, false),
        provider("openai_api", "OpenAI API", {"api.openai.com"}, true, std::nullopt),
        provider("spellbook", "Spellbook", {"app.spellbook.legal"}, false, true,
                 QStringLiteral("Uploads are checked, typed text is not yet.")),
    };
}

std::optional<Status> withProtection(std::optional<Protection> protection) {
    if (!protection) {
        return std::nullopt;
    }
    Status status;
    status.protection = *protection;
    return status;
}

QRect rectIn(const QWidget* widget, const QWidget* ancestor) {
    return QRect(widget->mapTo(ancestor, QPoint(0, 0)), widget->size());
}

void clickSwitch(VSwitch* toggle) {
    QTest::mouseClick(toggle, Qt::LeftButton, {}, toggle->trackRect().center().toPoint());
}

QStringList names(const QList<ProviderRow*>& rows) {
    QStringList list;
    for (const ProviderRow* row : rows) {
        list << row->provider().name;
    }
    return list;
}

QStringList truncatedTexts(QWidget* root) {
    QStringList cut;
    for (TextLabel* label : root->findChildren<TextLabel*>()) {
        if (label->isVisible() && label->isTruncated()) {
            cut << label->text();
        }
    }
    return cut;
}

} // namespace

class ProvidersScreenTest : public QObject, public StandInModel {
    Q_OBJECT

    std::unique_ptr<ProvidersScreen> m_screen;

    // The page on a model without a gateway.
    ProvidersScreen& offline(int width = 900, int height = 900) {
        m_model = std::make_unique<AppModel>(quickConfig(), m_fakes->platform());
        AppModelAccess::setLink(*m_model, SidecarLink::stopped);
        return shown(width, height);
    }

    // The page on a model whose stand-in gateway is up and polled, with its providers loaded.
    ProvidersScreen& live() {
        makeModel();
        QSignalSpy polls(m_model.get(), &AppModel::pollEnded);
        m_model->start();
        [&] {
            QTRY_VERIFY_WITH_TIMEOUT(polls.size() >= 1, patienceMs);
            QTRY_VERIFY_WITH_TIMEOUT(!m_model->protection().providers().isEmpty(), patienceMs);
        }();
        return shown(900, 900);
    }

    ProvidersScreen& shown(int width, int height) {
        m_screen = std::make_unique<ProvidersScreen>(*m_model);
        m_screen->resize(width, height);
        m_screen->show();
        [&] {
            QVERIFY(QTest::qWaitForWindowExposed(m_screen.get()));
        }();
        settle();
        return *m_screen;
    }

    int requestsTo(const QString& method, const QString& path) const {
        return int(gatewayRequests(*m_model).count(method + u' ' + path));
    }

private Q_SLOTS:
    void initTestCase() { useBundledResources(); }

    void init() {
        L10n::setLanguage(QStringLiteral("en"));
        QVERIFY(setUpStandIn());
    }
    void cleanup() {
        m_screen.reset();
        if (m_model) {
            m_model->shutdown();
        }
        tearDownStandIn();
        L10n::setLanguage(QStringLiteral("en"));
    }

    // The note and its button follow the status and the busy flag; the rows fade unless
    // protection is on, but their switches always work.
    void protectionState_data() {
        QTest::addColumn<std::optional<Protection>>("protection");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<bool>("note");
        QTest::addColumn<bool>("turnOn");
        const std::optional<Protection> none;
        QTest::newRow("no status") << none << false << true << false;
        QTest::newRow("no status, busy") << none << true << true << false;
        QTest::newRow("off") << std::optional(Protection::off) << false << true << true;
        QTest::newRow("off, busy") << std::optional(Protection::off) << true << true << false;
        QTest::newRow("starting") << std::optional(Protection::starting) << false << true << true;
        QTest::newRow("starting, busy") << std::optional(Protection::starting) << true << true << false;
        QTest::newRow("error") << std::optional(Protection::error) << false << true << true;
        QTest::newRow("error, busy") << std::optional(Protection::error) << true << true << false;
        QTest::newRow("on") << std::optional(Protection::on) << false << false << false;
        QTest::newRow("on, busy") << std::optional(Protection::on) << true << false << false;
    }
    void protectionState() {
        QFETCH(std::optional<Protection>, protection);
        QFETCH(bool, busy);
        QFETCH(bool, note);
        QFETCH(bool, turnOn);
        ProvidersScreen& screen = offline();
        AppModelAccess::setProviders(*m_model, fourProviders());
        // The state changes under the page: it follows in place.
        AppModelAccess::setStatus(*m_model, withProtection(protection));
        AppModelAccess::setBusy(*m_model, busy);
        settle();
        QCOMPARE(screen.inactiveNote()->isVisible(), note);
        if (note) {
            QCOMPARE(screen.turnOnButton()->isEnabled(), turnOn);
            QCOMPARE(rectIn(screen.inactiveNote(), screen.page()->content()).top(),
                     rectIn(screen.header(), screen.page()->content()).bottom() + 1 + int(Theme::sectionGap));
        }
        const bool on = protection == Protection::on;
        const QList<ProviderRow*> rows = screen.mainList()->rows() + screen.experimentalList()->rows();
        QCOMPARE(rows.size(), 4);
        for (ProviderRow* row : rows) {
            QCOMPARE(row->drawnOpacity(), on ? 1.0 : 0.7);
            QVERIFY(row->toggle()->isEnabled());
        }
        // Dividers are never faded.
        for (QWidget* divider : screen.mainList()->dividers()) {
            QVERIFY(!divider->graphicsEffect());
        }

        if (note && turnOn) {
            // "Turn on" asks the model, which (without a gateway here) fails into its error line.
            QTest::mouseClick(screen.turnOnButton(), Qt::LeftButton);
            QTRY_VERIFY(m_model->supervision().appError().has_value());
            QVERIFY(m_model->supervision().appError()->startsWith(QStringLiteral("Toggle failed")));
        } else if (note) {
            QTest::mouseClick(screen.turnOnButton(), Qt::LeftButton);
            QCoreApplication::processEvents();
            QVERIFY(!m_model->supervision().appError().has_value());
            QCOMPARE(m_model->supervision().busy(), busy);
        }
    }

    // Main providers (experimental false or absent) in the card, experimental ones in their own
    // group with the badge; each row shows its name, hosts and note as sent.
    void grouping() {
        ProvidersScreen& screen = offline();
        AppModelAccess::setProviders(*m_model, fourProviders());
        settle();
        QCOMPARE(names(screen.mainList()->rows()), (QStringList{"chatgpt", "claude", "openai_api"}));
        QCOMPARE(screen.mainList()->dividers().size(), 2);
        QCOMPARE(names(screen.experimentalList()->rows()), QStringList{"spellbook"});
        QCOMPARE(screen.experimentalList()->dividers().size(), 0);
        QVERIFY(screen.mainCard()->isVisible());
        QVERIFY(screen.experimentalGroup()->isVisible());
        QCOMPARE(screen.experimentalLabel()->text(), QStringLiteral("EXPERIMENTAL"));

        int badges = 0;
        for (ProviderRow* row : screen.mainList()->rows() + screen.experimentalList()->rows()) {
            badges += row->badge() ? 1 : 0;
            QCOMPARE(row->nameLabel()->text(), row->provider().displayName);
            QCOMPARE(row->toggle()->isOn(), row->provider().enabled);
            QCOMPARE(row->toggle()->label(), row->provider().displayName + QStringLiteral(" protection"));
            QCOMPARE(row->tile()->name(), row->provider().name);
            QCOMPARE(row->noteLabel()->isVisible(), row->provider().note.has_value());
        }
        QCOMPARE(badges, 1);
        ProviderRow* chatgpt = screen.mainList()->rowFor("chatgpt");
        QCOMPARE(chatgpt->hostsLabel()->text(), QStringLiteral("chatgpt.com \u00B7 chat.openai.com"));
        QCOMPARE(chatgpt->tile()->fill(), Theme::tile);
        ProviderRow* spellbook = screen.experimentalList()->rowFor("spellbook");
        QVERIFY(spellbook->badge() && spellbook->badge()->isVisible());
        QCOMPARE(spellbook->tile()->fill(), Theme::surface);
        QCOMPARE(spellbook->noteLabel()->text(), QStringLiteral("Uploads are checked, typed text is not yet."));

        // Only experimental ones: no main card, the group right below the header and the note.
        AppModelAccess::setProviders(*m_model, {fourProviders().last()});
        settle();
        QVERIFY(!screen.mainCard()->isVisible());
        QVERIFY(screen.experimentalGroup()->isVisible());
        QCOMPARE(rectIn(screen.experimentalGroup(), screen.page()->content()).top(),
                 rectIn(screen.inactiveNote(), screen.page()->content()).bottom() + 1 + int(Theme::sectionGap));
        // Nothing at all: header, note and footer only.
        AppModelAccess::setProviders(*m_model, {});
        settle();
        QVERIFY(!screen.mainCard()->isVisible());
        QVERIFY(!screen.experimentalGroup()->isVisible());
        QVERIFY(screen.footer()->isVisible());
    }

    // Odd lists: no hosts, one provider, a name sent twice; the gateway's notes looked up in
    // Polish (one we have, one we do not: that one stays in English).
    void edgeRows() {
        L10n::setLanguage(QStringLiteral("pl"));
        ProvidersScreen& screen = offline();
        AppModelAccess::setProviders(*m_model,
                                     {provider("solo", "Solo", {}, true, std::nullopt, QStringLiteral("Experimental")),
                                      provider("twin", "Twin A", {"a.example"}, true),
                                      provider("twin", "Twin B", {"b.example"}, false, false,
                                               QStringLiteral("Uploads are checked, typed text is not yet."))});
        settle();
        QList<QPointer<ProviderRow>> rows;
        for (ProviderRow* row : screen.mainList()->rows()) {
            rows.append(row);
        }
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(0)->hostsLabel()->text(), QString());
        QCOMPARE(rows.at(0)->noteLabel()->text(), QStringLiteral("Eksperymentalne"));
        QCOMPARE(rows.at(1)->nameLabel()->text(), QStringLiteral("Twin A"));
        QVERIFY(!rows.at(1)->noteLabel()->isVisible());
        QCOMPARE(rows.at(2)->nameLabel()->text(), QStringLiteral("Twin B"));
        QCOMPARE(rows.at(2)->noteLabel()->text(), QStringLiteral("Uploads are checked, typed text is not yet."));
        QCOMPARE(rows.at(2)->toggle()->label(), QStringLiteral("Ochrona: Twin B"));
        // One provider: no divider at all.
        AppModelAccess::setProviders(*m_model, {provider("solo", "Solo", {}, true)});
        settle();
        QCOMPARE(screen.mainList()->rows().size(), 1);
        QCOMPARE(screen.mainList()->dividers().size(), 0);
        QCOMPARE(screen.mainList()->rows().first(), rows.at(0).data());
        QTRY_VERIFY(rows.at(1).isNull() && rows.at(2).isNull());
    }

    // A poll that changes the list keeps the rows (and their switches) that stay.
    void rowsSurviveChanges() {
        ProvidersScreen& screen = offline();
        AppModelAccess::setProviders(*m_model, fourProviders());
        settle();
        VSwitch* claude = screen.mainList()->rowFor("claude")->toggle();
        claude->setFocus(Qt::TabFocusReason);
        QList<Provider> next = fourProviders();
        next[1].enabled = true;
        next.removeAt(0);
        AppModelAccess::setProviders(*m_model, next);
        settle();
        QCOMPARE(screen.mainList()->rowFor("claude")->toggle(), claude);
        QVERIFY(claude->isOn());
        QVERIFY(claude->hasFocus());
        QCOMPARE(screen.mainList()->dividers().size(), 1);
    }

    // A flip asks the gateway; the switch moves when the gateway's list says so. A refused flip
    // lands in the error line, the list is loaded again and the switch stays where it was.
    void flippingASwitch() {
        ProvidersScreen& screen = live();
        QCOMPARE(screen.mainList()->rows().size(), 4);
        QCOMPARE(screen.experimentalList()->rows().size(), 1);
        VSwitch* chatgpt = screen.mainList()->rowFor("chatgpt")->toggle();
        QVERIFY(chatgpt->isOn());
        clickSwitch(chatgpt);
        // Nothing moves before the gateway answers.
        QVERIFY(chatgpt->isOn());
        QTRY_VERIFY_WITH_TIMEOUT(!chatgpt->isOn(), patienceMs);
        QCOMPARE(requestsTo("POST", providersPath), 1);
        const QJsonArray log = gatewayLog(*m_model);
        QJsonObject sent;
        for (const QJsonValue& entry : log) {
            if (entry.toObject().value("method").toString() == QLatin1String("POST") &&
                entry.toObject().value("path").toString() == providersPath) {
                sent = QJsonDocument::fromJson(entry.toObject().value("body").toString().toUtf8()).object();
            }
        }
        QCOMPARE(sent, (QJsonObject{{"name", "chatgpt"}, {"enabled", false}}));

        // The next change is refused.
        QVERIFY(scriptGateway(*m_model, providersPath, QJsonArray{QJsonObject{{"status", 404}}}));
        const int loads = requestsTo("GET", providersPath);
        VSwitch* claude = screen.mainList()->rowFor("claude")->toggle();
        QVERIFY(claude->isOn());
        clickSwitch(claude);
        QTRY_COMPARE_WITH_TIMEOUT(m_model->supervision().appError(),
                                  std::optional<QString>("provider toggle failed: http(404)"), patienceMs);
        QTRY_VERIFY_WITH_TIMEOUT(requestsTo("GET", providersPath) > loads, patienceMs);
        settle();
        QVERIFY(claude->isOn());
        QCOMPARE(screen.mainList()->rowFor("claude")->toggle(), claude);
    }

    // Every time the page comes into view it loads the list.
    void everyShowLoads() {
        ProvidersScreen& screen = live();
        QTRY_COMPARE_WITH_TIMEOUT(requestsTo("GET", providersPath) >= 2, true, patienceMs);
        const int first = requestsTo("GET", providersPath);
        screen.hide();
        QCoreApplication::processEvents();
        QCOMPARE(requestsTo("GET", providersPath), first);
        screen.show();
        QTRY_COMPARE_WITH_TIMEOUT(requestsTo("GET", providersPath), first + 1, patienceMs);
        // A list changed behind the page's back shows after the load.
        QVERIFY(gatewayExchange(*m_model, "POST", providersPath, {{"name", "gemini"}, {"enabled", false}}).ok());
        screen.hide();
        screen.show();
        QTRY_VERIFY_WITH_TIMEOUT(!screen.mainList()->rowFor("gemini")->toggle()->isOn(), patienceMs);
    }

    // Layout: rows inset 22/18, tile then texts then the switch at the trailing edge; nothing is
    // cut, in either language, wide or narrow.
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
        ProvidersScreen& screen = offline(width, 1000);
        AppModelAccess::setProviders(*m_model, fourProviders());
        settle();
        QCOMPARE(truncatedTexts(&screen), QStringList());
        for (ProviderRow* row : screen.mainList()->rows() + screen.experimentalList()->rows()) {
            const QRect tile = rectIn(row->tile(), row);
            QCOMPARE(tile.left(), 22);
            QCOMPARE(tile.size(), QSize(40, 40));
            const QRect toggle = rectIn(row->toggle(), row);
            QCOMPARE(toggle.right(), row->width() - 22 - 1);
            QVERIFY(rectIn(row->nameLabel(), row).left() == tile.right() + 1 + 16);
            QVERIFY(rectIn(row->hostsLabel(), row).right() < toggle.left());
            QVERIFY(row->height() >= 40 + 36);
        }
        const QRect turnOn = rectIn(screen.turnOnButton(), screen.inactiveNote());
        QCOMPARE(turnOn.right(), screen.inactiveNote()->width() - 10 - 1);
        saveScreenshot(render(&screen, ColorScheme::light),
                       QStringLiteral("providersscreen-geometry-%1-%2").arg(language).arg(width));
    }

    // The faded rows are visibly lighter than full ones; the badge is warning-coloured.
    void colours_data() {
        QTest::addColumn<ColorScheme>("scheme");
        QTest::newRow("light") << ColorScheme::light;
        QTest::newRow("dark") << ColorScheme::dark;
    }
    void colours() {
        QFETCH(ColorScheme, scheme);
        ProvidersScreen& screen = offline();
        AppModelAccess::setProviders(*m_model, fourProviders());
        AppModelAccess::setStatus(*m_model, withProtection(Protection::on));
        settle();
        const QColor surface = Theme::surface.resolve(scheme);
        ProviderRow* row = screen.mainList()->rowFor("claude");
        const QImage full = render(&screen, scheme);
        const QColor ink = mostDistinct(full, rectIn(row->nameLabel(), &screen), surface);
        FERNHOLM_COMPARE_COLOR(ink, Theme::ink.resolve(scheme), 24);
        AppModelAccess::setStatus(*m_model, withProtection(Protection::off));
        settle();
        const QImage faded = render(&screen, scheme);
        const QColor fadedInk = mostDistinct(faded, rectIn(row->nameLabel(), &screen), surface);
        FERNHOLM_COMPARE_COLOR(fadedInk, over(QColor::fromRgbF(ink.redF(), ink.greenF(), ink.blueF(), 0.7f), surface),
                               16);
        ExperimentalBadge* badge = screen.experimentalList()->rowFor("spellbook")->badge();
        const QRect badgeBox = rectIn(badge, &screen);
        QVERIFY(hasInk(faded, badgeBox, Theme::muted.resolve(scheme)));
    }

    void screenshots_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("on");
        QTest::newRow("English, on") << "en" << true;
        QTest::newRow("English, off") << "en" << false;
        QTest::newRow("Polish, off") << "pl" << false;
    }
    void screenshots() {
        QFETCH(QString, language);
        QFETCH(bool, on);
        L10n::setLanguage(language);
        ProvidersScreen& screen = offline(860, 900);
        AppModelAccess::setProviders(*m_model, fourProviders());
        AppModelAccess::setStatus(*m_model, withProtection(on ? Protection::on : Protection::off));
        settle();
        saveScreenshot(lightAndDark(&screen, 1.0),
                       QStringLiteral("providersscreen-%1-%2").arg(language, on ? "on" : "off"));
        // The page's title is drawn in both schemes, and no text is cut or laid over other text.
        for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
            QVERIFY(hasInk(render(&screen, scheme, 1.0), rectIn(screen.header(), &screen),
                           Theme::background.resolve(scheme)));
        }
        QVERIFY2(textProblems(&screen).isEmpty(), qPrintable(textProblems(&screen).join(u';')));
    }

    // The window shows this page for its providers tab.
    void inTheWindow() {
        m_model = std::make_unique<AppModel>(quickConfig(), m_fakes->platform());
        m_fakes->defaults->setValue(RootView::setupKey, true);
        m_fakes->defaults->setValue(Tour::flagKey, true);
        RootView root(*m_model, m_fakes->defaults, {}, {});
        root.resize(1100, 760);
        root.show();
        QVERIFY(QTest::qWaitForWindowExposed(&root));
        root.select(AppTab::providers);
        QVERIFY(qobject_cast<ProvidersScreen*>(root.page()));
    }
};

QTEST_MAIN(ProvidersScreenTest)

#include "tst_providersscreen.moc"
