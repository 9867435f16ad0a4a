#include "FernholmApp/model/AppPreferences.h"

#include "FernholmApp/theme/Appearance.h"
#include "FernholmKit/platform/Defaults.h"
#include "FernholmKit/text/L10n.h"

#include <QApplication>
#include <QLocale>

namespace fernholm::AppPreferences {

QString storedAppearance(const Defaults& defaults) {
    return defaults.string(appearanceKey).value_or(QStringLiteral("system"));
}

void applyStored(const Defaults& defaults, const QStringList& preferred) {
    L10n::setLanguage(L10n::startLanguage(defaults, preferred));
    applyAppearance(storedAppearance(defaults));
}

void applyStored(const Defaults& defaults) {
    applyStored(defaults, QLocale::system().uiLanguages());
}

void applyAppearance(const QString& appearance) {
    // The appearance object lives on the application object; before there is one there is
    // nothing to set.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return;
    }
    Appearance::instance().setAppAppearance(appearance);
}

} // namespace fernholm::AppPreferences
