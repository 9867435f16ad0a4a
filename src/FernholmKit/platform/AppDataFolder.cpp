#include "AppDataFolder.h"

#include <QDir>

namespace fernholm {

QString appDataFolder(const QMap<QString, QString>& env) {
    QString home = env.value(QStringLiteral("XDG_DATA_HOME"));
    // A relative XDG_DATA_HOME is invalid and to be ignored.
    if (home.isEmpty() || QDir::isRelativePath(home)) {
        const QString userHome = env.value(QStringLiteral("HOME"));
        home = userHome.isEmpty() ? QDir::tempPath() : QDir(userHome).filePath(QStringLiteral(".local/share"));
    }
    return QDir(home).filePath(QStringLiteral("Tarvine"));
}

} // namespace fernholm
