#pragma once

#include <QNetworkAccessManager>

#include <memory>

namespace fernholm {

class LoopbackPool;

// A network access manager that runs plain GET and POST requests to http://127.0.0.1:<port> itself,
// on its own thread over kept-alive sockets (see LoopbackReply), instead of handing each to Qt's
// HTTP thread: a poll of a local listener then costs about half the processor time. Redirects are
// not followed unless a request asks for it; such a request, and every other one, goes to Qt's
// own implementation. No proxy, cookies or cache on the loopback path.
class LoopbackManager : public QNetworkAccessManager {
    Q_OBJECT
public:
    explicit LoopbackManager(QObject* parent = nullptr);
    ~LoopbackManager() override;

    // The kept-alive connections to the port that wait for a request.
    int idleConnections(quint16 port) const;

protected:
    QNetworkReply* createRequest(Operation operation, const QNetworkRequest& request, QIODevice* outgoingData) override;

private:
    std::shared_ptr<LoopbackPool> m_pool;
};

} // namespace fernholm
