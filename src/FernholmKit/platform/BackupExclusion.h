#pragma once

#include <QString>

namespace fernholm {

// Whether backup programs skip a folder.
class BackupExclusion {
public:
    virtual ~BackupExclusion() = default;

    // Marks the folder as excluded from backups or not; answers whether that succeeded.
    virtual bool setExcluded(const QString& folder, bool excluded) = 0;
    virtual bool isExcluded(const QString& folder) const = 0;
};

// Cache Directory Tagging: a folder is excluded when it holds a "CACHEDIR.TAG" file that starts
// with the standard signature (honoured by tar --exclude-caches, borg, restic and others).
class CacheDirectoryTag final : public BackupExclusion {
public:
    static const QByteArray signature;
    static const QString fileName;

    bool setExcluded(const QString& folder, bool excluded) override;
    bool isExcluded(const QString& folder) const override;
};

} // namespace fernholm
