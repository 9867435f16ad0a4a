// The stored language and appearance as the application applies them at start and when the
// settings page changes the appearance.
#include "FernholmApp/model/AppPreferences.h"
#include "FernholmApp/theme/Appearance.h"
#include "FernholmKit/text/L10n.h"
#include "support/MemoryDefaults.h"

#include <QApplication>
#include <QTest>

#include <optional>

using namespace fernholm;
using namespace fernholm::test;

Q_DECLARE_METATYPE(fernholm::ColorScheme)

namespace {

// What applying an appearance before the application object existed left behind.
std::optional<QString> appearanceBeforeApplication;

constexpr uint portalDark = 1;
constexpr uint portalLight = 2;

} // namespace

class AppPreferencesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        Appearance::instance().follow(nullptr);
        Appearance::instance().setAppAppearance(QString());
        Appearance::instance().setPortalScheme(std::nullopt);
        L10n::setLanguage(QStringLiteral("en"));
    }
    void cleanup() {
        Appearance::instance().setAppAppearance(QString());
        Appearance::instance().setPortalScheme(std::nullopt);
        L10n::setLanguage(QStringLiteral("en"));
    }

    // Only "en" and "pl" exactly are ours; anything else, or nothing, lets the first of the
    // system's preferred languages decide.
    void languageAtStart_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QStringList>("preferred");
        QTest::addColumn<QString>("expected");
        const QStringList polish{"pl-PL"};
        const QStringList englishFirst{"en-PL", "pl"};
        const QStringList none;
        const QStringList upperPolish{"PL"};
        const QVariant absent;
        const struct {
            const char* name;
            QVariant stored;
            QStringList preferred;
            const char* expected;
        } rows[] = {
            {"pl stored, system pl-PL", QString("pl"), polish, "pl"},
            {"pl stored, system en-PL first", QString("pl"), englishFirst, "pl"},
            {"pl stored, no system languages", QString("pl"), none, "pl"},
            {"pl stored, system PL", QString("pl"), upperPolish, "pl"},
            {"en stored, system pl-PL", QString("en"), polish, "en"},
            {"en stored, system en-PL first", QString("en"), englishFirst, "en"},
            {"en stored, no system languages", QString("en"), none, "en"},
            {"en stored, system PL", QString("en"), upperPolish, "en"},
            {"PL stored, system pl-PL", QString("PL"), polish, "pl"},
            {"PL stored, system en-PL first", QString("PL"), englishFirst, "en"},
            {"PL stored, no system languages", QString("PL"), none, "en"},
            {"PL stored, system PL", QString("PL"), upperPolish, "pl"},
            {"nothing stored, system pl-PL", absent, polish, "pl"},
            {"nothing stored, system en-PL first", absent, englishFirst, "en"},
            {"nothing stored, no system languages", absent, none, "en"},
            {"nothing stored, system PL", absent, upperPolish, "pl"},
            {"de stored, system pl-PL", QString("de"), polish, "pl"},
            {"de stored, system en-PL first", QString("de"), englishFirst, "en"},
            {"de stored, no system languages", QString("de"), none, "en"},
            {"de stored, system PL", QString("de"), upperPolish, "pl"},
            // A value of the wrong type is as good as none.
            {"a number stored, system pl-PL", QVariant(7), polish, "pl"},
        };
        for (const auto& row : rows) {
            QTest::newRow(row.name) << row.stored << row.preferred << QString(row.expected);
        }
    }
    void languageAtStart() {
        QFETCH(QVariant, stored);
        QFETCH(QStringList, preferred);
        QFETCH(QString, expected);
        MemoryDefaults defaults;
        if (stored.isValid()) {
            defaults.setValue(AppPreferences::languageKey, stored);
        }
        // Start from the other language, so that a language left as it was shows.
        L10n::setLanguage(expected == QLatin1String("pl") ? QStringLiteral("en") : QStringLiteral("pl"));
        AppPreferences::applyStored(defaults, preferred);
        QCOMPARE(L10n::language(), expected);
    }

    // "light" and "dark" win over the desktop; "system", nothing or anything else follows it.
    void appearanceAtStart_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<std::optional<uint>>("portal");
        QTest::addColumn<ColorScheme>("expected");
        const struct {
            const char* name;
            QVariant stored;
            uint portal;
            ColorScheme expected;
        } rows[] = {
            {"light on a dark desktop", QString("light"), portalDark, ColorScheme::light},
            {"light on a light desktop", QString("light"), portalLight, ColorScheme::light},
            {"dark on a dark desktop", QString("dark"), portalDark, ColorScheme::dark},
            {"dark on a light desktop", QString("dark"), portalLight, ColorScheme::dark},
            {"system on a dark desktop", QString("system"), portalDark, ColorScheme::dark},
            {"system on a light desktop", QString("system"), portalLight, ColorScheme::light},
            {"bogus on a dark desktop", QString("bogus"), portalDark, ColorScheme::dark},
            {"bogus on a light desktop", QString("bogus"), portalLight, ColorScheme::light},
            {"Dark (capital) on a light desktop", QString("Dark"), portalLight, ColorScheme::light},
            {"nothing on a dark desktop", QVariant(), portalDark, ColorScheme::dark},
            {"nothing on a light desktop", QVariant(), portalLight, ColorScheme::light},
            {"a number on a dark desktop", QVariant(1), portalDark, ColorScheme::dark},
        };
        for (const auto& row : rows) {
            QTest::newRow(row.name) << row.stored << std::optional<uint>(row.portal) << row.expected;
        }
    }
    void appearanceAtStart() {
        QFETCH(QVariant, stored);
        QFETCH(std::optional<uint>, portal);
        QFETCH(ColorScheme, expected);
        MemoryDefaults defaults;
        if (stored.isValid()) {
            defaults.setValue(AppPreferences::appearanceKey, stored);
        }
        Appearance::instance().setPortalScheme(portal);
        // Start from the other look, so that a look left as it was shows.
        Appearance::instance().setAppAppearance(expected == ColorScheme::dark ? QStringLiteral("light")
                                                                               : QStringLiteral("dark"));
        AppPreferences::applyStored(defaults, {QStringLiteral("en")});
        QCOMPARE(Appearance::instance().scheme(), expected);

        // The desktop changing its mind moves only what follows it.
        Appearance::instance().setPortalScheme(*portal == portalDark ? portalLight : portalDark);
        const bool follows = !(stored == QVariant(QStringLiteral("light")) || stored == QVariant(QStringLiteral("dark")));
        QCOMPARE(Appearance::instance().scheme() != expected, follows);
    }

    // Applying directly (as the settings page does) changes the look at once.
    void applyingChangesTheLookAtOnce() {
        Appearance::instance().setPortalScheme(portalLight);
        QCOMPARE(Appearance::instance().scheme(), ColorScheme::light);
        AppPreferences::applyAppearance(QStringLiteral("dark"));
        QCOMPARE(Appearance::instance().scheme(), ColorScheme::dark);
        AppPreferences::applyAppearance(QStringLiteral("system"));
        QCOMPARE(Appearance::instance().scheme(), ColorScheme::light);
    }

    // Before the application object exists nothing is applied, and nothing breaks.
    void appearanceBeforeTheApplicationChangesNothing() {
        QVERIFY(appearanceBeforeApplication.has_value());
        QCOMPARE(*appearanceBeforeApplication, QString());
    }
};

int main(int argc, char** argv) {
    AppPreferences::applyAppearance(QStringLiteral("dark"));
    QApplication app(argc, argv);
    appearanceBeforeApplication = Appearance::instance().appAppearance();
    AppPreferencesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_apppreferences.moc"
