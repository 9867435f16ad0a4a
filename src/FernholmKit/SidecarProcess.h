#pragma once

#include "Time.h"
#include "platform/SecureRandom.h"

#include <QObject>
#include <QString>

#include <QCoroTask>

#include <optional>

namespace fernholm {

// The gateway child process, and the proof that a listener on the control port is that child.
class SidecarProcess : public QObject {
    Q_OBJECT
public:
    // --- Identity proof ---

    // HMAC-SHA256 of "tarvine-hello:" + nonce under the token's UTF-8 bytes, as 64 lower-case
    // hexadecimal digits.
    static QString helloProof(const QString& token, const QString& nonce);

    // Whether the listener on 127.0.0.1:port answers a fresh nonce with the proof for `token`.
    // Without a token (absent or empty) it only tests that the port accepts a connection. Every
    // failure, a reply later than timeout + 0.5 s included, is a plain no.
    static QCoro::Task<bool> answersAsOurs(int port, std::optional<QString> token, Seconds timeout,
                                           RandomFill random = secureRandomFill);

    // Whether a TCP connection to 127.0.0.1:port can be opened. Does not block the thread.
    static QCoro::Task<bool> portAccepts(int port);
};

} // namespace fernholm
