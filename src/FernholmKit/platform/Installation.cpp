#include "FernholmKit/platform/Installation.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace fernholm {

namespace {

// The canonical path of an existing file or folder; empty when there is none.
QString canonical(const QString& path) {
    return path.isEmpty() || QDir::isRelativePath(path) ? QString() : QFileInfo(path).canonicalFilePath();
}

bool isInside(const QString& path, const QString& folder) {
    return !path.isEmpty() && !folder.isEmpty() && path.startsWith(folder + u'/');
}

// Owned by this user and writable by its owner. Not access(): the superuser may write anywhere,
// which says nothing about whose installation it is.
bool isTheUsers(const QString& path) {
    const QFileInfo info(path);
    return info.ownerId() == ::getuid() && info.permission(QFileDevice::WriteOwner);
}

QStringList appImage(const QMap<QString, QString>& env, const QString& program) {
    const QString image = canonical(env.value(QStringLiteral("APPIMAGE")));
    const QString mount = canonical(env.value(QStringLiteral("APPDIR")));
    if (image.isEmpty() || !QFileInfo(image).isFile() || !isInside(program, mount)) {
        return {};
    }
    return {image};
}

QStringList prefixInstall(const QMap<QString, QString>& env, const QString& program) {
    const QFileInfo file(program);
    const QDir bin = file.dir();
    if (file.fileName() != QLatin1String("tarvine") || bin.dirName() != QLatin1String("bin")) {
        return {};
    }
    const QString prefix = canonical(QFileInfo(bin.absolutePath()).absolutePath());
    const QString resources = canonical(QDir(prefix).filePath(QStringLiteral("share/tarvine")));
    const QString home = canonical(env.value(QStringLiteral("HOME")));
    if (resources.isEmpty() || !QFileInfo(resources).isDir() ||
        resources != QDir(prefix).filePath(QStringLiteral("share/tarvine")) || !isInside(prefix, home) ||
        !isTheUsers(prefix)) {
        return {};
    }
    return {program, resources};
}

} // namespace

QStringList installedItems(const QMap<QString, QString>& env, const QString& executablePath) {
    const QString program = canonical(executablePath);
    if (program.isEmpty()) {
        return {};
    }
    if (const QStringList image = appImage(env, program); !image.isEmpty()) {
        return image;
    }
    return prefixInstall(env, program);
}

} // namespace fernholm
