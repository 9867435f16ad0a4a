#include "FernholmKit/platform/Installation.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

#include <unistd.h>

namespace fernholm {

const QString InstallManifest::path = QStringLiteral("share/tarvine/installed-files");
const QString InstallManifest::program = QStringLiteral("bin/tarvine");

namespace {

// A manifest is a few kilobytes; anything past this is not one.
constexpr qint64 manifestLimit = 1 << 20;

// A path that stays below the folder it is taken from: relative, no "." or ".." steps, no empty
// steps.
bool isPlainRelative(const QString& path) {
    if (path.isEmpty() || path.startsWith(u'/')) {
        return false;
    }
    const QStringList steps = path.split(u'/');
    return std::none_of(steps.cbegin(), steps.cend(), [](const QString& step) {
        return step.isEmpty() || step == QLatin1String(".") || step == QLatin1String("..");
    });
}

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

// Reached without a linked folder on the way, so it lies where its path says: inside the prefix.
bool isReachedDirectly(const QFileInfo& info) {
    return canonical(info.absolutePath()) == info.absolutePath();
}

QStringList appImage(const QMap<QString, QString>& env, const QString& program) {
    const QString image = canonical(env.value(QStringLiteral("APPIMAGE")));
    const QString mount = canonical(env.value(QStringLiteral("APPDIR")));
    if (image.isEmpty() || !QFileInfo(image).isFile() || !isInside(program, mount)) {
        return {};
    }
    return {image};
}

// Every file in `folder` (a real folder under `prefix`) is one the manifest lists.
bool holdsOnlyListed(const QString& prefix, const QString& folder, const QSet<QString>& listed) {
    const QFileInfo info(QDir(prefix).filePath(folder));
    if (!info.isDir() || info.isSymLink() || !isReachedDirectly(info)) {
        return false;
    }
    QDirIterator it(info.filePath(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    bool any = false;
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        if (entry.isDir() && !entry.isSymLink()) {
            continue;
        }
        if (!listed.contains(QDir(prefix).relativeFilePath(entry.filePath()))) {
            return false;
        }
        any = true;
    }
    return any;
}

QStringList prefixInstall(const QMap<QString, QString>& env, const QString& program) {
    // The program is canonical, and so is the prefix above its folder.
    const QString prefix = QFileInfo(QFileInfo(program).absolutePath()).absolutePath();
    const QDir root(prefix);
    const QString home = canonical(env.value(QStringLiteral("HOME")));
    if (root.filePath(InstallManifest::program) != program || !isInside(prefix, home) || !isTheUsers(prefix)) {
        return {};
    }
    const QString manifestFile = root.filePath(InstallManifest::path);
    if (canonical(manifestFile) != manifestFile) {
        return {};
    }
    QFile file(manifestFile);
    if (!file.open(QIODevice::ReadOnly) || file.size() > manifestLimit) {
        return {};
    }
    const InstallManifest manifest = InstallManifest::parse(file.read(manifestLimit));
    if (!manifest.files.contains(InstallManifest::program)) {
        return {};
    }

    const QSet<QString> listed(manifest.files.cbegin(), manifest.files.cend());
    QStringList whole;
    for (const QString& folder : manifest.ownFolders) {
        if (holdsOnlyListed(prefix, folder, listed)) {
            whole << folder;
        }
    }
    QStringList items;
    for (const QString& relative : manifest.files) {
        const auto folder = std::find_if(whole.cbegin(), whole.cend(),
                                         [&](const QString& own) { return relative.startsWith(own + u'/'); });
        if (folder != whole.cend()) {
            const QString path = root.filePath(*folder);
            if (!items.contains(path)) {
                items << path;
            }
            continue;
        }
        const QFileInfo info(root.filePath(relative));
        if ((info.exists() || info.isSymLink()) && (!info.isDir() || info.isSymLink()) && isReachedDirectly(info) &&
            !items.contains(info.filePath())) {
            items << info.filePath();
        }
    }
    return items;
}

} // namespace

InstallManifest InstallManifest::parse(const QByteArray& text) {
    InstallManifest manifest;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        }
        QString path = QString::fromUtf8(line);
        const bool folder = path.endsWith(u'/');
        if (folder) {
            path.chop(1);
        }
        if (!isPlainRelative(path)) {
            continue;
        }
        (folder ? manifest.ownFolders : manifest.files) << path;
    }
    return manifest;
}

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
