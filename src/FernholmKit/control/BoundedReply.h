#pragma once

#include <QByteArray>
#include <QByteArrayList>

#include <chrono>
#include <memory>

class QNetworkReply;

namespace fernholm {

// Takes a reply's body in as it arrives, so that neither the network layer's buffer nor this one
// ever holds much more than `limit` bytes of it, and gives the reply up at a deadline however busy
// the line is: a request's own time-out only fires once the line goes idle. Either way the reply
// is aborted and ends as a failed exchange.
//
// Made right after the request is sent, on the reply's thread; the reply must outlive it.
class BoundedReply {
public:
    // The most of a body the network layer keeps before it is taken in here; past it, the layer
    // stops reading from the connection.
    static constexpr qint64 readBufferSize = 64 * 1024;

    BoundedReply(QNetworkReply* reply, qint64 limit, std::chrono::milliseconds deadline);

    bool tooLarge() const { return m_state->tooLarge; }
    bool pastDeadline() const { return m_state->pastDeadline; }

    // Once the reply has finished: the whole body, or nothing when it was given up.
    QByteArray take();

private:
    struct State {
        qint64 limit = 0;
        // Pieces as they came, joined once the reply is whole: a growing array would copy itself
        // over and over, and hold twice the body at times.
        QByteArrayList pieces;
        qint64 size = 0;
        bool tooLarge = false;
        bool pastDeadline = false;
    };
    static void takeAvailable(State& state, QNetworkReply* reply);

    std::shared_ptr<State> m_state;
    QNetworkReply* m_reply;
};

} // namespace fernholm
