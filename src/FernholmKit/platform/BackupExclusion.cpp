#include "FernholmKit/platform/BackupExclusion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace fernholm {

const QByteArray CacheDirectoryTag::signature = QByteArrayLiteral("Signature: 8a477f597d28d172789f06886806bc55");
const QString CacheDirectoryTag::fileName = QStringLiteral("CACHEDIR.TAG");

bool CacheDirectoryTag::isExcluded(const QString& folder) const {
    QFile tag(QDir(folder).filePath(fileName));
    if (!tag.open(QIODevice::ReadOnly)) {
        return false;
    }
    return tag.read(signature.size()) == signature;
}

bool CacheDirectoryTag::setExcluded(const QString& folder, bool excluded) {
    const QString path = QDir(folder).filePath(fileName);
    if (!excluded) {
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink()) {
            return true;
        }
        return QFile::remove(path);
    }
    if (isExcluded(folder)) {
        return true;
    }
    QSaveFile tag(path);
    if (!tag.open(QIODevice::WriteOnly)) {
        return false;
    }
    tag.write(signature + "\n"
                          "# This file is a cache directory tag created by Tarvine.\n"
                          "# Backup programs that honour it skip this folder: it holds temporary\n"
                          "# or sensitive data that is not worth or not safe to back up.\n");
    return tag.commit();
}

} // namespace fernholm
