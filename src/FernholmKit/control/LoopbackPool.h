#pragma once

#include <QList>
#include <QMetaObject>

class QTcpSocket;

namespace fernholm {

// The idle keep-alive connections of one manager, a few per port, the most recently used first.
// A connection that the server closes, or that says anything while no request is out on it, is
// dropped. Lives on the thread of its manager; deletes the connections it still holds.
class LoopbackPool {
public:
    static constexpr int idlePerPort = 4;

    LoopbackPool() = default;
    ~LoopbackPool();
    LoopbackPool(const LoopbackPool&) = delete;
    LoopbackPool& operator=(const LoopbackPool&) = delete;

    // An open connection to the port, now the caller's, or null when none is idle.
    QTcpSocket* take(quint16 port);
    // Takes a connection that has just ended a response cleanly; closes it when it is not fit
    // for another or the port has enough idle ones.
    void put(quint16 port, QTcpSocket* socket);

    int idleCount(quint16 port) const;

private:
    struct Idle {
        quint16 port;
        QTcpSocket* socket;
        QList<QMetaObject::Connection> watches;
    };
    void drop(QTcpSocket* socket);

    QList<Idle> m_idle;
};

} // namespace fernholm
