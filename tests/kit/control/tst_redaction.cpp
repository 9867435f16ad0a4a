#include "FernholmKit/control/GatewayClient.h"
#include "FernholmKit/control/RedactionEdits.h"
#include "FernholmKit/control/RedactionModels.h"
#include "support/ClientFixtures.h"
#include "support/KitPrinters.h"
#include "support/TestHttpServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <QCoroTask>

#include <functional>

using namespace fernholm;
using fernholm::test::jsonObject;
using fernholm::test::provenGate;
using fernholm::test::ScriptedReply;
using fernholm::test::TestHttpServer;
using fernholm::test::testToken;

namespace {

const QByteArray providersReply = R"({"providers": [
    {"name": "claude", "display_name": "Claude", "kind": "chat", "hosts": ["claude.ai"], "enabled": true},
    {"name": "grok", "display_name": "Grok", "kind": "chat", "hosts": [], "enabled": false,
     "experimental": true, "note": "beta"}]})";

const QByteArray emptyPageReply = R"({"categories": [], "allowlist": [], "blocklist": []})";

RedactionType type(const char* key, bool enabled, bool locked = false) {
    return RedactionType{QString::fromLatin1(key), QStringLiteral("Display"), QStringLiteral("builtin"), enabled,
                         locked};
}

// A page with one category of three types (the middle one off), an allowlist, a blocklist and
// document options.
RedactionPage samplePage() {
    RedactionPage page;
    page.categories = {RedactionCategory{QStringLiteral("contact"),
                                         QStringLiteral("Contact"),
                                         {type("EMAIL", true), type("PHONE", false), type("IBAN", true)}}};
    page.allowlist = {QStringLiteral("Acme"), QStringLiteral("Warszawa")};
    page.blocklist = {BlocklistEntry{QStringLiteral("Project Kite"), QStringLiteral("PROJECT")},
                      BlocklistEntry{QStringLiteral("kite-42"), QStringLiteral("CODE")}};
    page.document = DocumentOptions{QStringLiteral("black"), QStringLiteral("keep")};
    return page;
}

RedactionType& typeIn(RedactionPage& page, const QString& key) {
    for (RedactionCategory& category : page.categories) {
        for (RedactionType& t : category.types) {
            if (t.key == key) {
                return t;
            }
        }
    }
    qFatal("no type %s", qPrintable(key));
}

using PageChange = std::function<void(RedactionPage&)>;
using PageEdit = std::function<RedactionPage(const RedactionPage&)>;

// The sample page with a second category: a locked type that is off, then two unlocked types,
// one on and one off.
RedactionPage editablePage() {
    RedactionPage page = samplePage();
    page.categories.append(RedactionCategory{QStringLiteral("ids"),
                                             QStringLiteral("IDs"),
                                             {type("PESEL", false, true), type("NIP", false), type("REGON", true)}});
    return page;
}

// Types written as "on", "off", "locked-on", "locked-off".
QStringList specsOf(const QList<RedactionType>& types) {
    QStringList specs;
    for (const RedactionType& t : types) {
        specs << (t.locked ? QStringLiteral("locked-") : QString()) + (t.enabled ? "on" : "off");
    }
    return specs;
}

} // namespace

Q_DECLARE_METATYPE(RedactionPage)
Q_DECLARE_METATYPE(PageChange)
Q_DECLARE_METATYPE(PageEdit)

class RedactionTest : public QObject {
    Q_OBJECT

    TestHttpServer* m_server = nullptr;

    GatewayClient client() const { return GatewayClient(m_server->port(), testToken, provenGate()); }

    // The body postRedaction sends for the page, as the server received it.
    QJsonObject postedBody(const RedactionPage& page) {
        m_server->clearRecords();
        const auto result = QCoro::waitFor(client().postRedaction(page));
        if (!result) {
            qWarning("postRedaction failed: %s", qPrintable(failureText(result)));
        }
        if (m_server->requests().size() != 1) {
            return {};
        }
        const auto request = m_server->requests().first();
        if (request.method != "POST" || request.target != "/api/redaction" ||
            request.header("Content-Type") != "application/json") {
            qWarning("unexpected request: %s", request.raw.constData());
            return {};
        }
        return jsonObject(request.body);
    }

private Q_SLOTS:
    void init() {
        m_server = new TestHttpServer(this);
        QVERIFY(m_server->listen());
        m_server->setReply("/api/providers", ScriptedReply::json(providersReply));
        m_server->setReply("/api/redaction", ScriptedReply::json(emptyPageReply));
    }
    void cleanup() {
        delete m_server;
        m_server = nullptr;
    }

    // --- Providers ---

    void providersAreRead() {
        const auto page = QCoro::waitFor(client().providers());
        QVERIFY2(page, qPrintable(failureText(page)));
        QCOMPARE(m_server->requests().first().method, QByteArray("GET"));
        QCOMPARE(m_server->requests().first().target, QByteArray("/api/providers"));
        QCOMPARE(page.value().providers.size(), 2);
        const Provider claude{QStringLiteral("claude"),
                              QStringLiteral("Claude"),
                              QStringLiteral("chat"),
                              QStringList{QStringLiteral("claude.ai")},
                              true,
                              std::nullopt,
                              std::nullopt};
        QVERIFY(page.value().providers.at(0) == claude);
        QCOMPARE(page.value().providers.at(1).experimental, std::optional(true));
        QCOMPARE(page.value().providers.at(1).note, std::optional(QStringLiteral("beta")));
        QCOMPARE(page.value().providers.at(1).id(), QStringLiteral("grok"));
    }

    void providerDecoding_data() {
        QTest::addColumn<QByteArray>("members"); // added to a provider with the five required members
        QTest::addColumn<bool>("decodes");
        QTest::addColumn<std::optional<bool>>("experimental");
        QTest::newRow("experimental absent") << QByteArray() << true << std::optional<bool>();
        QTest::newRow("experimental null") << QByteArray(R"(, "experimental": null)") << true << std::optional<bool>();
        QTest::newRow("experimental false")
            << QByteArray(R"(, "experimental": false)") << true << std::optional<bool>(false);
        QTest::newRow("experimental as text")
            << QByteArray(R"(, "experimental": "yes")") << false << std::optional<bool>();
        QTest::newRow("note null") << QByteArray(R"(, "note": null)") << true << std::optional<bool>();
    }
    void providerDecoding() {
        QFETCH(QByteArray, members);
        QFETCH(bool, decodes);
        QFETCH(std::optional<bool>, experimental);
        const auto page = json::decode<ProvidersPage>(
            R"({"providers": [{"name": "n", "display_name": "N", "kind": "chat", "hosts": [], "enabled": false)" +
            members + "}]}");
        QCOMPARE(page.ok(), decodes);
        if (decodes) {
            QCOMPARE(page.value().providers.first().experimental, experimental);
            QCOMPARE(page.value().providers.first().note, std::nullopt);
        }
    }

    void providerWithoutRequiredMemberFails_data() {
        QTest::addColumn<QString>("missing");
        for (const char* key : {"name", "display_name", "kind", "hosts", "enabled"}) {
            QTest::newRow(key) << QString::fromLatin1(key);
        }
    }
    void providerWithoutRequiredMemberFails() {
        QFETCH(QString, missing);
        QJsonObject provider = jsonObject(R"({"name": "n", "display_name": "N", "kind": "chat", "hosts": [],
            "enabled": false})");
        provider.remove(missing);
        const QJsonObject root{{"providers", QJsonArray{provider}}};
        const auto page = json::decode<ProvidersPage>(QJsonDocument(root).toJson());
        QVERIFY(!page);
        QVERIFY2(page.error().text().contains(missing), qPrintable(page.error().text()));
    }

    void setProviderSendsNameAndSwitch_data() {
        QTest::addColumn<bool>("enabled");
        QTest::newRow("off") << false;
        QTest::newRow("on") << true;
    }
    void setProviderSendsNameAndSwitch() {
        QFETCH(bool, enabled);
        const auto page = QCoro::waitFor(client().setProvider(QStringLiteral("claude"), enabled));
        QVERIFY2(page, qPrintable(failureText(page)));
        QCOMPARE(page.value().providers.size(), 2);
        const auto request = m_server->requests().first();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.target, QByteArray("/api/providers"));
        QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
        const QJsonObject body = jsonObject(request.body);
        QCOMPARE(body, (QJsonObject{{"name", "claude"}, {"enabled", enabled}}));
        QVERIFY(body.value("enabled").isBool());
    }

    void setProviderAnswered404Fails() {
        m_server->setReply("/api/providers", ScriptedReply::json(providersReply, 404));
        const auto page = QCoro::waitFor(client().setProvider(QStringLiteral("nobody"), true));
        QVERIFY(!page);
        QCOMPARE(page.error(), GatewayError::http(404));
    }

    // --- Redaction rules: decoding ---

    void redactionIsRead() {
        m_server->setReply("/api/redaction", ScriptedReply::json(R"({"categories": [{"key": "contact",
            "display": "Contact", "types": [{"key": "EMAIL", "display": "Email", "source": "builtin",
            "enabled": true, "locked": true}, {"key": "PHONE", "display": "Phone", "source": "custom",
            "enabled": false}]}], "allowlist": ["Acme"], "blocklist": [{"keyword": "Kite", "label": "PROJECT"}],
            "document": {"box_style": "black", "codes": "keep"}, "organisation": {"version": 3,
            "required_types": ["EMAIL"], "allowlist": [], "blocklist": [{"keyword": "X", "label": "Y"}]}})"));
        const auto page = QCoro::waitFor(client().redaction());
        QVERIFY2(page, qPrintable(failureText(page)));
        QCOMPARE(m_server->requests().first().method, QByteArray("GET"));
        QCOMPARE(m_server->requests().first().target, QByteArray("/api/redaction"));

        RedactionPage expected;
        expected.categories = {RedactionCategory{
            QStringLiteral("contact"),
            QStringLiteral("Contact"),
            {RedactionType{QStringLiteral("EMAIL"), QStringLiteral("Email"), QStringLiteral("builtin"), true, true},
             RedactionType{QStringLiteral("PHONE"), QStringLiteral("Phone"), QStringLiteral("custom"), false, false}}}};
        expected.allowlist = {QStringLiteral("Acme")};
        expected.blocklist = {BlocklistEntry{QStringLiteral("Kite"), QStringLiteral("PROJECT")}};
        expected.document = DocumentOptions{QStringLiteral("black"), QStringLiteral("keep")};
        expected.organisation = OrganisationPolicy{
            3, {QStringLiteral("EMAIL")}, {}, {BlocklistEntry{QStringLiteral("X"), QStringLiteral("Y")}}};
        QVERIFY(page.value() == expected);
        QCOMPARE(page.value().blocklist.first().id(), QStringLiteral("Kite|PROJECT"));
    }

    void redactionDecoding_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("decodes");
        QTest::addColumn<QString>("boxStyle");
        QTest::addColumn<QString>("codes");
        QTest::addColumn<bool>("hasOrganisation");
        const QByteArray lists = R"("categories": [], "allowlist": [], "blocklist": [])";
        QTest::newRow("document absent") << "{" + lists + "}" << true << "labelled"
                                         << "blank" << false;
        QTest::newRow("document null") << "{" + lists + R"(, "document": null})" << true << "labelled"
                                       << "blank" << false;
        QTest::newRow("document given") << "{" + lists + R"(, "document": {"box_style": "black", "codes": "keep"}})"
                                        << true << "black"
                                        << "keep" << false;
        QTest::newRow("document without box style")
            << "{" + lists + R"(, "document": {"codes": "keep"}})" << false << ""
            << "" << false;
        QTest::newRow("document without codes")
            << "{" + lists + R"(, "document": {"box_style": "black"}})" << false << ""
            << "" << false;
        QTest::newRow("organisation null") << "{" + lists + R"(, "organisation": null})" << true << "labelled"
                                           << "blank" << false;
        QTest::newRow("organisation with empty lists")
            << "{" + lists +
                   R"(, "organisation": {"version": 1, "required_types": [], "allowlist": [], "blocklist": []}})"
            << true << "labelled"
            << "blank" << true;
        QTest::newRow("organisation without version")
            << "{" + lists + R"(, "organisation": {"required_types": [], "allowlist": [], "blocklist": []}})" << false
            << ""
            << "" << false;
        QTest::newRow("organisation without blocklist")
            << "{" + lists + R"(, "organisation": {"version": 1, "required_types": [], "allowlist": []}})" << false
            << ""
            << "" << false;
        QTest::newRow("no blocklist") << QByteArray(R"({"categories": [], "allowlist": []})") << false << ""
                                      << "" << false;
        QTest::newRow("allowlist null") << QByteArray(R"({"categories": [], "allowlist": null, "blocklist": []})")
                                        << false << ""
                                        << "" << false;
        QTest::newRow("blocklist entry without label")
            << QByteArray(R"({"categories": [], "allowlist": [], "blocklist": [{"keyword": "k"}]})") << false << ""
            << "" << false;
    }
    void redactionDecoding() {
        QFETCH(QByteArray, body);
        QFETCH(bool, decodes);
        QFETCH(QString, boxStyle);
        QFETCH(QString, codes);
        QFETCH(bool, hasOrganisation);
        m_server->setReply("/api/redaction", ScriptedReply::json(body));
        const auto page = QCoro::waitFor(client().redaction());
        QCOMPARE(page.ok(), decodes);
        if (decodes) {
            QCOMPARE(page.value().document.boxStyle, boxStyle);
            QCOMPARE(page.value().document.codes, codes);
            QCOMPARE(page.value().organisation.has_value(), hasOrganisation);
        } else {
            QCOMPARE(page.error().kind(), GatewayError::Kind::decoding);
        }
    }

    void typeDecoding_data() {
        QTest::addColumn<QByteArray>("members"); // added to key, display and source
        QTest::addColumn<bool>("decodes");
        QTest::addColumn<bool>("locked");
        QTest::newRow("locked absent") << QByteArray(R"(, "enabled": true)") << true << false;
        QTest::newRow("locked null") << QByteArray(R"(, "enabled": true, "locked": null)") << true << false;
        QTest::newRow("locked true") << QByteArray(R"(, "enabled": false, "locked": true)") << true << true;
        QTest::newRow("enabled absent") << QByteArray(R"(, "locked": true)") << false << false;
        QTest::newRow("enabled as number") << QByteArray(R"(, "enabled": 1)") << false << false;
    }
    void typeDecoding() {
        QFETCH(QByteArray, members);
        QFETCH(bool, decodes);
        QFETCH(bool, locked);
        const auto page = json::decode<RedactionPage>(
            R"({"allowlist": [], "blocklist": [], "categories": [{"key": "c", "display": "C", "types": [
                {"key": "T", "display": "t", "source": "s")" +
            members + "}]}]}");
        QCOMPARE(page.ok(), decodes);
        if (decodes) {
            QCOMPARE(page.value().categories.first().types.first().locked, locked);
        }
    }

    void organisationIsEmpty_data() {
        QTest::addColumn<QStringList>("requiredTypes");
        QTest::addColumn<QStringList>("allowlist");
        QTest::addColumn<int>("blocklistEntries");
        QTest::addColumn<bool>("empty");
        QTest::newRow("all empty") << QStringList{} << QStringList{} << 0 << true;
        QTest::newRow("one required type") << QStringList{"EMAIL"} << QStringList{} << 0 << false;
        QTest::newRow("one allowed value") << QStringList{} << QStringList{"Acme"} << 0 << false;
        QTest::newRow("one blocked keyword") << QStringList{} << QStringList{} << 1 << false;
    }
    void organisationIsEmpty() {
        QFETCH(QStringList, requiredTypes);
        QFETCH(QStringList, allowlist);
        QFETCH(int, blocklistEntries);
        QFETCH(bool, empty);
        OrganisationPolicy policy{3, requiredTypes, allowlist, {}};
        for (int i = 0; i < blocklistEntries; ++i) {
            policy.blocklist.append(BlocklistEntry{QStringLiteral("k"), QStringLiteral("L")});
        }
        QCOMPARE(policy.isEmpty(), empty);
    }

    void emptyPageAndEquality() {
        const RedactionPage empty;
        QCOMPARE(empty.document.boxStyle, QStringLiteral("labelled"));
        QCOMPARE(empty.document.codes, QStringLiteral("blank"));
        QVERIFY(!empty.organisation);
        const auto decoded = json::decode<RedactionPage>(emptyPageReply);
        QVERIFY(decoded);
        QVERIFY(decoded.value() == empty);

        // Every field takes part: a flipped switch or a policy is an unsaved change.
        RedactionPage edited = samplePage();
        edited.categories[0].types[1].enabled = true;
        QVERIFY(!(edited == samplePage()));
        RedactionPage withPolicy = samplePage();
        withPolicy.organisation = OrganisationPolicy{};
        QVERIFY(!(withPolicy == samplePage()));
        RedactionPage relabelled = samplePage();
        relabelled.blocklist[0].label = QStringLiteral("OTHER");
        QVERIFY(!(relabelled == samplePage()));
    }

    // --- Redaction rules: the posted body ---

    // The user's unsaved edits carried onto rules the gateway reloaded: what the user changed
    // keeps the user's value, the rest is the gateway's, and an edit of a type that is gone or
    // now locked goes.
    void rebasedEdits_data() {
        QTest::addColumn<PageChange>("edit");
        QTest::addColumn<PageChange>("gateway");
        QTest::addColumn<PageChange>("expected"); // applied to the gateway's fresh rules
        const PageChange nothing = [](RedactionPage&) {
        };
        const auto set = [](const char* key, bool on) {
            return PageChange([key, on](RedactionPage& p) { typeIn(p, QString::fromLatin1(key)).enabled = on; });
        };
        QTest::newRow("no edits: the gateway's rules") << nothing << PageChange([](RedactionPage& p) {
            typeIn(p, QStringLiteral("IBAN")).enabled = false;
            p.allowlist.append(QStringLiteral("Nowak"));
        }) << nothing;
        QTest::newRow("an edited switch stays, an untouched one follows")
            << set("PHONE", true) << set("IBAN", false) << set("PHONE", true);
        QTest::newRow("an edit of a type now locked goes")
            << set("EMAIL", false)
            << PageChange([](RedactionPage& p) { typeIn(p, QStringLiteral("EMAIL")).locked = true; }) << nothing;
        QTest::newRow("an edit of a type that is gone goes")
            << set("PHONE", true) << PageChange([](RedactionPage& p) { p.categories[0].types.removeAt(1); }) << nothing;
        QTest::newRow("a type the gateway added comes as it is")
            << set("PHONE", true)
            << PageChange([](RedactionPage& p) { p.categories[0].types.append(type("PESEL", false)); })
            << set("PHONE", true);
        QTest::newRow("lists: added kept, removed stays removed, the gateway's additions taken")
            << PageChange([](RedactionPage& p) {
                   p.allowlist.removeAll(QStringLiteral("Acme"));
                   p.allowlist.append(QStringLiteral("Gdańsk"));
                   p.blocklist.removeFirst();
               })
            << PageChange([](RedactionPage& p) {
                   p.allowlist.append(QStringLiteral("Kraków"));
                   p.blocklist.append(BlocklistEntry{QStringLiteral("Heron"), QStringLiteral("PROJECT")});
               })
            << PageChange([](RedactionPage& p) {
                   p.allowlist = {QStringLiteral("Warszawa"), QStringLiteral("Kraków"), QStringLiteral("Gdańsk")};
                   p.blocklist.removeFirst();
               });
        QTest::newRow("a document option the user changed")
            << PageChange([](RedactionPage& p) { p.document.boxStyle = QStringLiteral("labelled"); })
            << PageChange([](RedactionPage& p) { p.document.codes = QStringLiteral("blank"); })
            << PageChange([](RedactionPage& p) { p.document.boxStyle = QStringLiteral("labelled"); });
    }
    void rebasedEdits() {
        QFETCH(PageChange, edit);
        QFETCH(PageChange, gateway);
        QFETCH(PageChange, expected);
        const RedactionPage base = samplePage();
        RedactionPage edited = base;
        edit(edited);
        RedactionPage fresh = base;
        fresh.organisation = OrganisationPolicy{3, {QStringLiteral("EMAIL")}, {}, {}};
        gateway(fresh);
        RedactionPage wanted = fresh;
        expected(wanted);
        QCOMPARE(rebaseEdits(base, edited, fresh), wanted);
    }

    // --- Redaction rules: the edits of the working copy ---

    // Each edit changes what it names and nothing else; a refused edit, or one that names what is
    // not there, leaves the page as it was.
    void editsOfTheWorkingCopy_data() {
        QTest::addColumn<PageEdit>("edit");
        QTest::addColumn<PageChange>("expected"); // applied to editablePage()
        const PageChange unchanged = [](RedactionPage&) {
        };

        QTest::newRow("allow: added trimmed, at the end")
            << PageEdit([](const RedactionPage& p) { return addAllowEntry(p, QStringLiteral(" \tGdańsk Port \n")); })
            << PageChange([](RedactionPage& p) { p.allowlist.append(QStringLiteral("Gdańsk Port")); });
        QTest::newRow("allow: a listed value again")
            << PageEdit([](const RedactionPage& p) { return addAllowEntry(p, QStringLiteral("Acme")); })
            << PageChange([](RedactionPage& p) { p.allowlist.append(QStringLiteral("Acme")); });
        QTest::newRow("allow: white space and line breaks only")
            << PageEdit([](const RedactionPage& p) { return addAllowEntry(p, QStringLiteral(" \t\n\r ")); })
            << unchanged;
        QTest::newRow("allow: removed by position")
            << PageEdit([](const RedactionPage& p) { return removeAllowEntry(p, 0); })
            << PageChange([](RedactionPage& p) { p.allowlist = {QStringLiteral("Warszawa")}; });
        QTest::newRow("allow: position past the end")
            << PageEdit([](const RedactionPage& p) { return removeAllowEntry(p, 2); }) << unchanged;
        QTest::newRow("allow: negative position")
            << PageEdit([](const RedactionPage& p) { return removeAllowEntry(p, -1); }) << unchanged;

        QTest::newRow("block: added trimmed, the label as typed") << PageEdit([](const RedactionPage& p) {
            return addBlockEntry(p, QStringLiteral(" Falcon "), QStringLiteral("  Project Name "));
        }) << PageChange([](RedactionPage& p) {
            p.blocklist.append(BlocklistEntry{QStringLiteral("Falcon"), QStringLiteral("Project Name")});
        });
        QTest::newRow("block: a listed entry again") << PageEdit([](const RedactionPage& p) {
            return addBlockEntry(p, QStringLiteral("kite-42"), QStringLiteral("CODE"));
        }) << PageChange([](RedactionPage& p) { p.blocklist.append(p.blocklist.at(1)); });
        QTest::newRow("block: a label of spaces") << PageEdit([](const RedactionPage& p) {
            return addBlockEntry(p, QStringLiteral("Falcon"), QStringLiteral("   "));
        }) << unchanged;
        QTest::newRow("block: a keyword of line breaks") << PageEdit([](const RedactionPage& p) {
            return addBlockEntry(p, QStringLiteral("\n\n"), QStringLiteral("Secret"));
        }) << unchanged;
        QTest::newRow("block: removed by position")
            << PageEdit([](const RedactionPage& p) { return removeBlockEntry(p, 1); })
            << PageChange([](RedactionPage& p) { p.blocklist.removeLast(); });
        QTest::newRow("block: position past the end")
            << PageEdit([](const RedactionPage& p) { return removeBlockEntry(p, 2); }) << unchanged;

        QTest::newRow("document: box style")
            << PageEdit([](const RedactionPage& p) { return setBoxStyle(p, QStringLiteral("labelled")); })
            << PageChange([](RedactionPage& p) { p.document.boxStyle = QStringLiteral("labelled"); });
        QTest::newRow("document: codes, taken as given")
            << PageEdit([](const RedactionPage& p) { return setCodes(p, QStringLiteral("shredded")); })
            << PageChange([](RedactionPage& p) { p.document.codes = QStringLiteral("shredded"); });

        QTest::newRow("type: switched on") << PageEdit([](const RedactionPage& p) {
            return switchType(p, 0, QStringLiteral("contact"), QStringLiteral("PHONE"), true);
        }) << PageChange([](RedactionPage& p) { typeIn(p, QStringLiteral("PHONE")).enabled = true; });
        QTest::newRow("type: switched off") << PageEdit([](const RedactionPage& p) {
            return switchType(p, 1, QStringLiteral("ids"), QStringLiteral("REGON"), false);
        }) << PageChange([](RedactionPage& p) { typeIn(p, QStringLiteral("REGON")).enabled = false; });
        QTest::newRow("type: locked") << PageEdit([](const RedactionPage& p) {
            return switchType(p, 1, QStringLiteral("ids"), QStringLiteral("PESEL"), true);
        }) << unchanged;
        QTest::newRow("type: not in that category") << PageEdit([](const RedactionPage& p) {
            return switchType(p, 0, QStringLiteral("contact"), QStringLiteral("NIP"), true);
        }) << unchanged;
        QTest::newRow("type: the category moved away") << PageEdit([](const RedactionPage& p) {
            return switchType(p, 0, QStringLiteral("ids"), QStringLiteral("NIP"), true);
        }) << unchanged;
        QTest::newRow("type: category past the end") << PageEdit([](const RedactionPage& p) {
            return switchType(p, 2, QStringLiteral("ids"), QStringLiteral("NIP"), true);
        }) << unchanged;

        QTest::newRow("category: on, the locked type as it was")
            << PageEdit([](const RedactionPage& p) { return switchCategory(p, 1, QStringLiteral("ids"), true); })
            << PageChange([](RedactionPage& p) { typeIn(p, QStringLiteral("NIP")).enabled = true; });
        QTest::newRow("category: off") << PageEdit([](const RedactionPage& p) {
            return switchCategory(p, 0, QStringLiteral("contact"), false);
        }) << PageChange([](RedactionPage& p) {
            typeIn(p, QStringLiteral("EMAIL")).enabled = false;
            typeIn(p, QStringLiteral("IBAN")).enabled = false;
        });
        QTest::newRow("category: the key differs")
            << PageEdit([](const RedactionPage& p) { return switchCategory(p, 1, QStringLiteral("contact"), true); })
            << unchanged;
        QTest::newRow("category: negative position")
            << PageEdit([](const RedactionPage& p) { return switchCategory(p, -1, QStringLiteral("contact"), true); })
            << unchanged;
    }
    void editsOfTheWorkingCopy() {
        QFETCH(PageEdit, edit);
        QFETCH(PageChange, expected);
        const RedactionPage before = editablePage();
        RedactionPage wanted = before;
        expected(wanted);
        QCOMPARE(edit(before), wanted);
    }

    // The write side of the category switch: only given keys, only unlocked types, only `enabled`.
    void withUnlockedTypesWritesOnlyWhatItMay() {
        const RedactionCategory before{
            QStringLiteral("c"), QStringLiteral("C"), {type("T0", false), type("T1", false, true), type("T2", false)}};
        RedactionType stranger = type("NOT_HERE", true);
        RedactionType first = before.types.at(0);
        first.enabled = true;
        first.display = QStringLiteral("renamed");
        RedactionType locked = before.types.at(1);
        locked.enabled = true;
        const RedactionCategory after = withUnlockedTypes(before, {stranger, first, locked});
        QCOMPARE(specsOf(after.types), (QStringList{"on", "locked-off", "off"}));
        QCOMPARE(after.types.at(0).display, before.types.at(0).display);
        QCOMPARE(unlockedTypes(before).size(), 2);
    }

    void postedBody_data() {
        QTest::addColumn<RedactionPage>("page");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("empty page") << RedactionPage()
                                    << QByteArray(R"({"disabled_types": [], "enabled_types": [], "allowlist": [],
                                          "blocklist": [], "document": {"box_style": "labelled", "codes": "blank"}})");
        QTest::newRow("middle type disabled")
            << samplePage() << QByteArray(R"({"disabled_types": ["PHONE"], "enabled_types": ["EMAIL", "IBAN"],
                  "allowlist": ["Acme", "Warszawa"], "blocklist": [{"keyword": "Project Kite", "label": "PROJECT"},
                  {"keyword": "kite-42", "label": "CODE"}], "document": {"box_style": "black", "codes": "keep"}})");

        RedactionPage locked;
        locked.categories = {RedactionCategory{
            QStringLiteral("ids"), QStringLiteral("IDs"), {type("PESEL", false, true), type("NIP", true, true)}}};
        QTest::newRow("locked types under their switch")
            << locked << QByteArray(R"({"disabled_types": ["PESEL"], "enabled_types": ["NIP"], "allowlist": [],
                  "blocklist": [], "document": {"box_style": "labelled", "codes": "blank"}})");

        RedactionPage twice;
        twice.categories = {
            RedactionCategory{QStringLiteral("a"), QStringLiteral("A"), {type("EMAIL", true), type("NAME", false)}},
            RedactionCategory{QStringLiteral("b"), QStringLiteral("B"), {}},
            RedactionCategory{QStringLiteral("c"), QStringLiteral("C"), {type("EMAIL", false), type("CITY", true)}}};
        QTest::newRow("a key in two categories goes out twice")
            << twice << QByteArray(R"({"disabled_types": ["NAME", "EMAIL"], "enabled_types": ["EMAIL", "CITY"],
                  "allowlist": [], "blocklist": [], "document": {"box_style": "labelled", "codes": "blank"}})");
    }
    void postedBody() {
        QFETCH(RedactionPage, page);
        QFETCH(QByteArray, expected);
        // QJsonObject equality holds the exact set of members, nested objects included.
        QCOMPARE(postedBody(page), jsonObject(expected));
    }

    void organisationNeverChangesTheBody() {
        RedactionPage withPolicy = samplePage();
        withPolicy.organisation = OrganisationPolicy{7,
                                                     {QStringLiteral("EMAIL")},
                                                     {QStringLiteral("Org")},
                                                     {BlocklistEntry{QStringLiteral("k"), QStringLiteral("L")}}};
        const QJsonObject plain = postedBody(samplePage());
        QVERIFY(!plain.isEmpty());
        QCOMPARE(postedBody(withPolicy), plain);
    }

    void postRedactionAnswersTheGatewaysRules() {
        m_server->setReply("/api/redaction", ScriptedReply::json(R"({"categories": [], "allowlist": ["kept"],
            "blocklist": []})"));
        const auto page = QCoro::waitFor(client().postRedaction(samplePage()));
        QVERIFY2(page, qPrintable(failureText(page)));
        QCOMPARE(page.value().allowlist, QStringList{"kept"});
    }

    void postRedactionFailures() {
        m_server->setReply("/api/redaction", ScriptedReply::json(emptyPageReply, 422));
        QCOMPARE(QCoro::waitFor(client().postRedaction(samplePage())).error(), GatewayError::http(422));
        m_server->setReply("/api/redaction", ScriptedReply::json(R"({"categories": []})"));
        QCOMPARE(QCoro::waitFor(client().postRedaction(samplePage())).error().kind(), GatewayError::Kind::decoding);
        const GatewayClient unproven(m_server->port(), testToken, std::make_shared<ProofGate>());
        QCOMPARE(QCoro::waitFor(unproven.postRedaction(samplePage())).error(), GatewayError::unverified());
        QCOMPARE(QCoro::waitFor(unproven.setProvider(QStringLiteral("x"), true)).error(), GatewayError::unverified());
        QCOMPARE(m_server->requests().size(), 2);
    }
};

QTEST_GUILESS_MAIN(RedactionTest)
#include "tst_redaction.moc"
