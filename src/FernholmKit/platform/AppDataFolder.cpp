#include "AppDataFolder.h"

#include <QDir>

namespace fernholm {

QString appDataFolder(const QMap<QString, QString>& env) {
    QString home = env.value(QStringLiteral("XDG_DATA_HOME"));
    // The base directory specification says to ignore a relative path.
    if (home.isEmpty() || QDir::isRelativePath(home)) {
        const QString userHome = env.value(QStringLiteral("HOME"));
        home = userHome.isEmpty() ? QDir::tempPath() : QDir(userHome).filePath(QStringLiteral(".local/share"));
    }
    return QDir(home).filePath(QStringLiteral("Tarvine"));
}

} // namespace fernholm
