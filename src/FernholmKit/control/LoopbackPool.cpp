#include "FernholmKit/control/LoopbackPool.h"

#include <QTcpSocket>

#include <algorithm>

namespace fernholm {

LoopbackPool::~LoopbackPool() {
    for (Idle& idle : m_idle) {
        for (const auto& watch : idle.watches) {
            QObject::disconnect(watch);
        }
        delete idle.socket;
    }
}

QTcpSocket* LoopbackPool::take(quint16 port) {
    for (qsizetype i = 0; i < m_idle.size(); ++i) {
        if (m_idle[i].port != port) {
            continue;
        }
        Idle idle = m_idle.takeAt(i--);
        for (const auto& watch : idle.watches) {
            QObject::disconnect(watch);
        }
        // Closed, or written to, before the event loop could report it: not fit for a request.
        if (idle.socket->state() != QAbstractSocket::ConnectedState || idle.socket->bytesAvailable() > 0) {
            idle.socket->abort();
            idle.socket->deleteLater();
            continue;
        }
        return idle.socket;
    }
    return nullptr;
}

void LoopbackPool::put(quint16 port, QTcpSocket* socket) {
    socket->setParent(nullptr);
    if (socket->state() != QAbstractSocket::ConnectedState || socket->bytesAvailable() > 0 ||
        idleCount(port) >= idlePerPort) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    Idle idle{port, socket, {}};
    // Whatever happens on an idle connection ends it: the server closed it, failed it or spoke
    // out of turn.
    const auto dropIt = [this, socket] {
        drop(socket);
    };
    idle.watches.append(QObject::connect(socket, &QTcpSocket::readyRead, socket, dropIt));
    idle.watches.append(QObject::connect(socket, &QTcpSocket::disconnected, socket, dropIt));
    idle.watches.append(QObject::connect(socket, &QTcpSocket::errorOccurred, socket, dropIt));
    m_idle.prepend(std::move(idle));
}

int LoopbackPool::idleCount(quint16 port) const {
    return static_cast<int>(
        std::count_if(m_idle.begin(), m_idle.end(), [port](const Idle& idle) { return idle.port == port; }));
}

void LoopbackPool::drop(QTcpSocket* socket) {
    const auto it =
        std::find_if(m_idle.begin(), m_idle.end(), [socket](const Idle& idle) { return idle.socket == socket; });
    if (it == m_idle.end()) {
        return;
    }
    for (const auto& watch : it->watches) {
        QObject::disconnect(watch);
    }
    m_idle.erase(it);
    // Called from one of the socket's own signals.
    socket->abort();
    socket->deleteLater();
}

} // namespace fernholm
