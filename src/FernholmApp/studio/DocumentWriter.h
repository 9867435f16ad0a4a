#pragma once

#include <QByteArray>
#include <QFuture>
#include <QString>

#include <optional>

namespace fernholm {

// Writes the bytes to the path through a temporary file beside it that takes the path's place
// only once it is complete, so a write that fails leaves a file already there as it was.
// Answers the system's reason when it fails, nothing when it worked.
std::optional<QString> writeDocument(const QString& path, const QByteArray& bytes);

// The same on the thread pool.
QFuture<std::optional<QString>> writeDocumentInBackground(const QString& path, const QByteArray& bytes);

} // namespace fernholm
