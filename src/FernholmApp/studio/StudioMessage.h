#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

namespace fernholm {

// A document the studio page hands back to be saved.
struct SaveRequest {
    QString name; // the page's suggested file name, as it came
    QByteArray bytes;
    bool operator==(const SaveRequest&) const = default;
};

// One message of the studio page, read from the JSON value the web channel delivers: at most
// one of the two is set; neither for anything malformed.
struct StudioMessage {
    std::optional<qint64> busy; // POST requests the page has in flight
    std::optional<SaveRequest> save;
    bool operator==(const StudioMessage&) const = default;
};

// {"busy": n} with an integral number n (a whole double counts; true does not), else
// {"save": {"name": text, "b64": text}} whose "b64" is strict standard base64. A message with
// both and an integral "busy" is a busy count.
StudioMessage readStudioMessage(const QVariant& body);

// The file name the save dialog starts with: the last component of the page's suggestion (after
// any "/" or "\"), without control characters; "." and ".." give nothing.
QString saveDialogName(const QString& suggested);

} // namespace fernholm
