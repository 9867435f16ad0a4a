#pragma once

#include <QMap>
#include <QString>

namespace fernholm {

// The gateway's data folder: the XDG data home of the given environment ($XDG_DATA_HOME when it
// is an absolute path, else $HOME/.local/share) plus "Tarvine"; the temporary folder plus
// "Tarvine" when the environment names neither.
QString appDataFolder(const QMap<QString, QString>& env);

// The application's cache folder: the XDG cache home of the given environment ($XDG_CACHE_HOME
// when it is an absolute path, else $HOME/.cache) plus "Tarvine"; the temporary folder plus
// "Tarvine" when the environment names neither.
QString appCacheFolder(const QMap<QString, QString>& env);

} // namespace fernholm
