#include "FernholmKit/control/LoopbackManager.h"

#include "FernholmKit/control/HttpRequestWriter.h"
#include "FernholmKit/control/LoopbackPool.h"
#include "FernholmKit/control/LoopbackReply.h"

#include <QNetworkRequest>
#include <QUrl>

namespace fernholm {

namespace {

bool handledHere(const QNetworkRequest& request, QNetworkRequest::RedirectPolicy managerPolicy) {
    const QUrl url = request.url();
    if (url.scheme() != QLatin1String("http") || url.host() != QLatin1String("127.0.0.1") ||
        !url.userInfo().isEmpty() || url.port(80) <= 0) {
        return false;
    }
    const QVariant policy = request.attribute(QNetworkRequest::RedirectPolicyAttribute);
    const int redirects = policy.isValid() ? policy.toInt() : int(managerPolicy);
    return redirects == QNetworkRequest::ManualRedirectPolicy &&
           !request.attribute(QNetworkRequest::Http2DirectAttribute).toBool();
}

} // namespace

LoopbackManager::LoopbackManager(QObject* parent)
    : QNetworkAccessManager(parent), m_pool(std::make_shared<LoopbackPool>()) {
    setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

// The replies still running are deleted after this (they are children), and find the pool gone.
LoopbackManager::~LoopbackManager() = default;

int LoopbackManager::idleConnections(quint16 port) const {
    return m_pool->idleCount(port);
}

QNetworkReply* LoopbackManager::createRequest(Operation operation, const QNetworkRequest& request,
                                              QIODevice* outgoingData) {
    const bool get = operation == GetOperation;
    const bool post = operation == PostOperation;
    if ((!get && !post) || !handledHere(request, redirectPolicy()) || (get && outgoingData) ||
        (outgoingData && outgoingData->isSequential())) {
        return QNetworkAccessManager::createRequest(operation, request, outgoingData);
    }
    // Peeked, not read: should the request go to Qt after all, the body is still all there.
    const QByteArray body =
        outgoingData ? outgoingData->peek(outgoingData->size() - outgoingData->pos()) : QByteArray();
    std::optional<QByteArray> bytes = writeHttpRequest(get ? "GET" : "POST", request, body, post);
    if (!bytes) {
        return QNetworkAccessManager::createRequest(operation, request, outgoingData);
    }
    const int timeout = request.transferTimeout() > 0 ? request.transferTimeout() : transferTimeout();
    return new LoopbackReply(m_pool, operation, request, std::move(*bytes), timeout, this);
}

} // namespace fernholm
