#pragma once

#include "fakegateway/GatewayState.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>

namespace fernholm::fake {

// What checking one text found and made of it.
struct ScanOutcome {
    QString afterText;
    QJsonArray details;             // one detection record per replaced value, in text order
    QJsonObject typeNames;          // kind -> display name, for the kinds found
    QMap<QString, qint64> entities; // kind -> values replaced
    QStringList tokens;             // the tokens used, each once, in text order
    double latencyMs = 0;
};

// Finds a few simple kinds of values (e-mail addresses, IBAN-shaped numbers, the names of a small
// built-in list) while their types are switched on, the blocklist keywords, and the values the
// user hides; replaces each with its vault token unless the allowlist or the user keeps it.
ScanOutcome scanText(GatewayState& state, const QString& text, const QStringList& keep = {},
                     const QStringList& hide = {});

// Puts the vault's values back in place of the tokens of a text: the restore reply, with the
// restored spans in UTF-16 code units of the new text.
QJsonObject restoreText(const TokenVault& vault, const QString& text);

} // namespace fernholm::fake
