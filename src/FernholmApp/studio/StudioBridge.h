#pragma once

#include <QObject>
#include <QVariant>

#include <functional>

namespace fernholm {

// The object the studio page's script talks to over the web channel, as "studio". It has one
// method and nothing else the page could read or call back through.
class StudioBridge : public QObject {
    Q_OBJECT
public:
    using Receive = std::function<void(const QVariant& nonce, const QVariant& body)>;

    explicit StudioBridge(Receive receive, QObject* parent = nullptr)
        : QObject(parent), m_receive(std::move(receive)) {}

    Q_INVOKABLE void post(const QVariant& nonce, const QVariant& body) { m_receive(nonce, body); }

private:
    Receive m_receive;
};

} // namespace fernholm
