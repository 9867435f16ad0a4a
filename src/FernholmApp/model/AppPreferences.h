#pragma once

#include <QString>
#include <QStringList>

namespace fernholm {

class Defaults;

// The stored language and appearance, applied to the running application. Two user defaults,
// both strings: "appLanguage" ("en" or "pl"; anything else lets the system's preferred languages
// decide) and "appAppearance" ("light", "dark", or anything else to follow the system).
//
//     AppPreferences::applyStored(*defaults);            // at start
//     AppPreferences::applyAppearance(QStringLiteral("dark"));   // the settings page's choice
//
// Keeps no state of its own. GUI thread only.
namespace AppPreferences {

inline const QString languageKey = QStringLiteral("appLanguage");
inline const QString appearanceKey = QStringLiteral("appAppearance");

// The stored appearance, "system" when none is stored.
QString storedAppearance(const Defaults& defaults);

// Sets L10n's language from the stored one (or from `preferred`, the system's preferred
// languages, when none of ours is stored), then applies the stored appearance.
void applyStored(const Defaults& defaults, const QStringList& preferred);
// The same with the system's preferred languages.
void applyStored(const Defaults& defaults);

// "light" draws everything light, "dark" dark, any other value follows the desktop. Does nothing
// while there is no QApplication yet (the shell applies the stored value again once its window
// shows).
void applyAppearance(const QString& appearance);

} // namespace AppPreferences

} // namespace fernholm
