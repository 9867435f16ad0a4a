#pragma once

#include "FernholmKit/platform/BackupExclusion.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

namespace fernholm {

// The gateway's data folder stays in backups; its "transient" and "certs" folders do not, and
// only the user may read them. The vault store and the detail log live in "transient".
class BackupScope {
public:
    // Environment variable and file name of each file kept in "transient".
    static QMap<QString, QString> movedFiles();

    // The folder's "transient" and "certs" folders, in that order.
    static QStringList excluded(const QString& dataFolder);

    // Each variable of movedFiles mapped to its file's path in the folder's "transient" folder.
    static QMap<QString, QString> environment(const QString& dataFolder);

    // Prepares a data folder: keeps it in backups, creates the excluded folders (0700) and
    // excludes them, and moves the files of movedFiles into "transient" unless a file of that
    // name is already there. Answers whether every exclusion setting succeeded; a folder that
    // could not be made or a file that could not be moved does not count by itself.
    static bool apply(const QString& dataFolder);
    static bool apply(const QString& dataFolder, BackupExclusion& exclusion);
};

} // namespace fernholm
