#include "FernholmKit/supervision/BackupScope.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace fernholm {

namespace {

const QString transient = QStringLiteral("transient");

void makeOwnerOnlyFolder(const QString& path) {
    if (QFileInfo(path).isDir()) {
        return; // an existing folder is taken as it is
    }
    const QFileInfo info(path);
    QDir().mkpath(info.absolutePath());
    QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

QMap<QString, QString> BackupScope::movedFiles() {
    return {{QStringLiteral("TARVINE_VAULT_STORE"), QStringLiteral("_vault_store.json")},
            {QStringLiteral("TARVINE_DETAIL_LOG"), QStringLiteral("_detail.jsonl")}};
}

QStringList BackupScope::excluded(const QString& dataFolder) {
    const QDir folder(dataFolder);
    return {folder.filePath(transient), folder.filePath(QStringLiteral("certs"))};
}

QMap<QString, QString> BackupScope::environment(const QString& dataFolder) {
    const QDir folder(QDir(dataFolder).filePath(transient));
    QMap<QString, QString> environment;
    const auto files = movedFiles();
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        environment.insert(it.key(), folder.filePath(it.value()));
    }
    return environment;
}

bool BackupScope::apply(const QString& dataFolder) {
    CacheDirectoryTag tag;
    return apply(dataFolder, tag);
}

bool BackupScope::apply(const QString& dataFolder, BackupExclusion& exclusion) {
    bool ok = exclusion.setExcluded(dataFolder, false);
    for (const QString& folder : excluded(dataFolder)) {
        makeOwnerOnlyFolder(folder);
        if (!exclusion.setExcluded(folder, true)) {
            ok = false;
        }
    }
    const QDir root(dataFolder);
    const QDir target(root.filePath(transient));
    const auto files = movedFiles();
    for (const QString& name : files) {
        const QString from = root.filePath(name);
        const QString to = target.filePath(name);
        // A file already in "transient" is the newer one; the old copy stays where it is.
        if (QFileInfo(from).isFile() && !QFileInfo::exists(to)) {
            QFile::rename(from, to);
        }
    }
    return ok;
}

} // namespace fernholm
