#include "FernholmKit/platform/AppDataFolder.h"

#include <QDir>

namespace fernholm {

namespace {

// An XDG base folder: the variable when it holds an absolute path (a relative one is invalid and
// to be ignored), else the fallback under $HOME, else the temporary folder.
QString xdgHome(const QMap<QString, QString>& env, const QString& variable, const QString& underHome) {
    const QString home = env.value(variable);
    if (!home.isEmpty() && !QDir::isRelativePath(home)) {
        return home;
    }
    const QString userHome = env.value(QStringLiteral("HOME"));
    return userHome.isEmpty() ? QDir::tempPath() : QDir(userHome).filePath(underHome);
}

} // namespace

QString appDataFolder(const QMap<QString, QString>& env) {
    return QDir(xdgHome(env, QStringLiteral("XDG_DATA_HOME"), QStringLiteral(".local/share")))
        .filePath(QStringLiteral("Tarvine"));
}

QString appCacheFolder(const QMap<QString, QString>& env) {
    return QDir(xdgHome(env, QStringLiteral("XDG_CACHE_HOME"), QStringLiteral(".cache")))
        .filePath(QStringLiteral("Tarvine"));
}

} // namespace fernholm
