#pragma once

#include "FernholmKit/platform/SingleInstance.h"

#include <QPointer>

#include <memory>

namespace fernholm::test {

// The single instance held in memory: instances made over one Claims stand for launches by one
// user. A launch finds the holder listening and hands over (the holder hears it from the event
// loop), finds it quitting and is told busy (nothing here waits), or takes the free claim.
class MemorySingleInstance final : public SingleInstance {
public:
    struct Claims {
        QPointer<MemorySingleInstance> holder;
        bool listening = false;
    };

    explicit MemorySingleInstance(std::shared_ptr<Claims> claims) : m_claims(std::move(claims)) {}
    ~MemorySingleInstance() override {
        if (m_claims->holder == this) {
            m_claims->holder = nullptr;
            m_claims->listening = false;
        }
    }

    Claim claim(const QString& token, std::chrono::milliseconds) override {
        if (!m_claims->holder || m_claims->holder == this) {
            m_claims->holder = this;
            m_claims->listening = true;
            return Claim::first;
        }
        if (!m_claims->listening) {
            return Claim::busy;
        }
        QMetaObject::invokeMethod(
            m_claims->holder.data(),
            [holder = m_claims->holder, token] {
                if (holder) {
                    Q_EMIT holder->activationRequested(token);
                }
            },
            Qt::QueuedConnection);
        return Claim::handedOver;
    }

    void stopListening() override {
        ++stops;
        if (m_claims->holder == this) {
            m_claims->listening = false;
        }
    }

    QString failure() const override { return {}; }

    int stops = 0;

private:
    std::shared_ptr<Claims> m_claims;
};

} // namespace fernholm::test
