#include "SidecarProcess.h"

#include <QCoroNetworkReply>
#include <QCoroSignal>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageAuthenticationCode>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTcpSocket>
#include <QTimer>

#include <array>
#include <memory>

namespace fernholm {

namespace {

// How long a plain connect to the loopback port may take. A loopback connect is refused or
// accepted at once; this only bounds a listener whose backlog is full.
constexpr std::chrono::milliseconds connectLimit{2000};

// The extra wait after the request time-out before a proof counts as missing.
constexpr std::chrono::milliseconds proofGrace{500};

struct LaterDeleter {
    void operator()(QObject* object) const { object->deleteLater(); }
};

// Compares every byte whatever the first difference, so the time taken says nothing about
// where a wrong proof goes wrong.
bool sameBytes(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size()) {
        return false;
    }
    unsigned char difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i) {
        difference |= static_cast<unsigned char>(a[i]) ^ static_cast<unsigned char>(b[i]);
    }
    return difference == 0;
}

} // namespace

QString SidecarProcess::helloProof(const QString& token, const QString& nonce) {
    const QByteArray message = QByteArrayLiteral("tarvine-hello:") + nonce.toUtf8();
    const QByteArray mac = QMessageAuthenticationCode::hash(message, token.toUtf8(), QCryptographicHash::Sha256);
    return QString::fromLatin1(mac.toHex());
}

QCoro::Task<bool> SidecarProcess::portAccepts(int port) {
    auto socket = std::unique_ptr<QTcpSocket, LaterDeleter>(new QTcpSocket());
    socket->setProxy(QNetworkProxy::NoProxy);
    socket->connectToHost(QHostAddress(QHostAddress::LocalHost), static_cast<quint16>(port));

    // Both an accepted and a refused connect end in a state change; a refusal would leave
    // waitForConnected() waiting for its whole time-out.
    const auto deadline = std::chrono::steady_clock::now() + connectLimit;
    while (socket->state() != QAbstractSocket::ConnectedState && socket->state() != QAbstractSocket::UnconnectedState) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        const auto changed = co_await qCoro(socket.get(), &QAbstractSocket::stateChanged, left);
        if (!changed) {
            break;
        }
    }
    const bool connected = socket->state() == QAbstractSocket::ConnectedState;
    socket->abort();
    co_return connected;
}

QCoro::Task<bool> SidecarProcess::answersAsOurs(int port, std::optional<QString> token, Seconds timeout,
                                                RandomFill random) {
    if (!token || token->isEmpty()) {
        co_return co_await portAccepts(port);
    }

    std::array<uint8_t, 16> nonceBytes{};
    if (!random || random(nonceBytes) != 0) {
        co_return false;
    }
    const QString nonce =
        QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(nonceBytes.data()), nonceBytes.size()).toHex());

    const QString address =
        QStringLiteral("http://127.0.0.1:") + QString::number(port) + QStringLiteral("/api/hello?nonce=") + nonce;
    const QUrl url = QUrl::fromEncoded(address.toUtf8(), QUrl::StrictMode);
    if (!url.isValid()) {
        co_return false;
    }

    // A session of its own for this one request: never through a proxy (the gateway itself may
    // be the system proxy), and nothing of it outlives the call.
    auto manager = std::unique_ptr<QNetworkAccessManager, LaterDeleter>(new QNetworkAccessManager());
    manager->setProxy(QNetworkProxy::NoProxy);
    manager->setCookieJar(nullptr);

    const auto requestTimeout =
        std::max(std::chrono::milliseconds(1), std::chrono::duration_cast<std::chrono::milliseconds>(timeout));
    QNetworkRequest request(url);
    request.setTransferTimeout(static_cast<int>(requestTimeout.count()));
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);

    QNetworkReply* reply = manager->get(request);
    // The timer belongs to the reply: once the reply is released, a late deadline finds nothing.
    auto late = std::make_shared<bool>(false);
    QTimer::singleShot(requestTimeout + proofGrace, reply, [late, reply] {
        *late = true;
        reply->abort();
    });

    co_await qCoro(reply).waitForFinished();

    std::optional<QByteArray> received;
    const QVariant statusCode = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!*late && statusCode.isValid() && statusCode.toInt() == 200) {
        const QByteArray body = reply->readAll();
        if (!body.isEmpty()) {
            const QJsonDocument document = QJsonDocument::fromJson(body);
            const QJsonValue proof = document.isObject() ? document.object().value(QStringLiteral("proof"))
                                                         : QJsonValue(QJsonValue::Undefined);
            if (proof.isString()) {
                received = proof.toString().toUtf8();
            }
        }
    }
    reply->deleteLater();

    if (!received) {
        co_return false;
    }
    co_return sameBytes(helloProof(*token, nonce).toUtf8(), *received);
}

} // namespace fernholm
