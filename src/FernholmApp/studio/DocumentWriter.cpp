#include "FernholmApp/studio/DocumentWriter.h"

#include <QSaveFile>
#include <QtConcurrent/QtConcurrentRun>

namespace fernholm {

std::optional<QString> writeDocument(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return file.errorString();
    }
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit()) {
        return file.errorString();
    }
    return std::nullopt;
}

QFuture<std::optional<QString>> writeDocumentInBackground(const QString& path, const QByteArray& bytes) {
    return QtConcurrent::run([path, bytes] { return writeDocument(path, bytes); });
}

} // namespace fernholm
