#pragma once

#include <QHostAddress>
#include <QTcpServer>

namespace fernholm::test {

// A port on 127.0.0.1 that nothing listens on right now (the kernel's pick, released again).
inline int freeLoopbackPort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

} // namespace fernholm::test
