#pragma once

#include "FernholmKit/control/HttpResponseParser.h"

#include <QAbstractSocket>
#include <QNetworkReply>
#include <QTimer>

#include <memory>

class QTcpSocket;

namespace fernholm {

class LoopbackPool;

// One HTTP/1.1 exchange with a listener on 127.0.0.1, run on the thread that asked for it over a
// plain buffered socket: a pooled keep-alive connection when one is idle, else a new one. Behaves
// as Qt's own HTTP replies do for what their callers use: the status and headers arrive as
// attributes and raw headers before the body, the body is read as it comes and the connection is
// not read further while the reply's read buffer is full, a status of 400 or more sets the error
// Qt would set for it, redirects are only reported, and abort() or an idle time-out end the
// reply with OperationCanceledError. It emits finished() once, and nothing once deleted; it may be
// deleted at any time.
class LoopbackReply : public QNetworkReply {
    Q_OBJECT
public:
    // The reply's connection keeps at most this much unread; past it, the kernel holds the rest.
    static constexpr qint64 socketBufferSize = 64 * 1024;

    // `requestBytes` is the whole request as it goes on the wire. An idle time-out of 0 is none.
    LoopbackReply(std::weak_ptr<LoopbackPool> pool, QNetworkAccessManager::Operation operation,
                  const QNetworkRequest& request, QByteArray requestBytes, int idleTimeoutMs, QObject* parent);
    ~LoopbackReply() override;

    void abort() override;
    qint64 bytesAvailable() const override;
    void setReadBufferSize(qint64 size) override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;

private:
    void start();
    void attach(QTcpSocket* socket, bool reused);
    void onEnded();
    void onSocketError(QAbstractSocket::SocketError error);
    bool resendOnNewConnection();
    // Moves what the connection holds into the body, as far as the read buffer allows, and
    // reports what came of it.
    void pump();
    void schedulePump();
    void deliverHead();
    void succeed();
    // The end of the reply: signals for an error (if any), the end of data and finished().
    void complete(NetworkError error, const QString& text);
    void discardSocket();
    void touch();
    qint64 buffered() const { return m_body.size() - m_bodyRead; }
    // Runs a handler of one of the socket's signals; a reply deleted meanwhile must not delete
    // the socket under the emission.
    template <typename F> void fromSocket(F handler);

    std::weak_ptr<LoopbackPool> m_pool;
    quint16 m_port;
    QByteArray m_requestBytes;
    QTcpSocket* m_socket = nullptr;
    QTimer m_idleTimer;
    int m_idleTimeoutMs;
    HttpResponseParser m_parser;
    QByteArray m_body;
    qsizetype m_bodyRead = 0;
    int m_socketDepth = 0;
    bool m_reused = false;
    bool m_retried = false;
    bool m_responseStarted = false;
    bool m_ended = false;
    bool m_headDelivered = false;
    bool m_done = false;
    bool m_pumpQueued = false;
};

} // namespace fernholm
