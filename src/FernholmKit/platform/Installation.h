#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace fernholm {

// What of this program's own installation goes to the trash when it is uninstalled, for the
// given environment and the running program's path:
// - started from an AppImage ($APPIMAGE names an existing file and the program runs from inside
//   that image's $APPDIR): the image file;
// - installed under a prefix in the home folder that the user owns and may write
//   (<prefix>/bin/tarvine beside <prefix>/share/tarvine): those two, never the prefix itself;
// - anything else, a system-wide install or a build tree among them: nothing.
// An $APPIMAGE inherited from another program's image does not count.
QStringList installedItems(const QMap<QString, QString>& env, const QString& executablePath);

} // namespace fernholm
