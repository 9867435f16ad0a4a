#include "FernholmKit/control/BoundedReply.h"

#include <QNetworkReply>
#include <QTimer>

namespace fernholm {

BoundedReply::BoundedReply(QNetworkReply* reply, qint64 limit, std::chrono::milliseconds deadline)
    : m_state(std::make_shared<State>()), m_reply(reply) {
    m_state->limit = limit;
    reply->setReadBufferSize(readBufferSize);
    // The connections and the timer belong to the reply: once it is released, a late chunk finds
    // nothing. The deadline also ends with the reply, so that no timer outlives its request.
    QObject::connect(reply, &QNetworkReply::readyRead, reply,
                     [state = m_state, reply] { takeAvailable(*state, reply); });
    auto* timer = new QTimer(reply);
    timer->setSingleShot(true);
    timer->setInterval(deadline);
    QObject::connect(timer, &QTimer::timeout, reply, [state = m_state, reply] {
        if (!reply->isFinished()) {
            state->pastDeadline = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, timer, &QTimer::stop);
    if (!reply->isFinished()) {
        timer->start();
    }
}

void BoundedReply::takeAvailable(State& state, QNetworkReply* reply) {
    if (state.tooLarge || state.pastDeadline) {
        return;
    }
    // A body announced too large is given up before any of it is read.
    const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
    const qint64 available = reply->bytesAvailable();
    if ((announced.isValid() && announced.toLongLong() > state.limit) || state.size + available > state.limit) {
        state.tooLarge = true;
        state.pieces.clear();
        reply->abort();
        return;
    }
    if (available > 0) {
        state.pieces.append(reply->read(available));
        state.size += state.pieces.constLast().size();
    }
}

QByteArray BoundedReply::take() {
    takeAvailable(*m_state, m_reply);
    if (m_state->tooLarge || m_state->pastDeadline) {
        return {};
    }
    QByteArray body = m_state->pieces.size() == 1 ? m_state->pieces.constFirst() : m_state->pieces.join();
    m_state->pieces.clear();
    return body;
}

} // namespace fernholm
