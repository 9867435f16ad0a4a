#pragma once

#include <QObject>
#include <QString>

#include <chrono>

namespace fernholm {

// One running instance per user. The first launch holds the claim for the life of its process and
// hears later launches; a later launch hands its activation over and leaves without touching
// anything else. An instance that is quitting stops listening first, so that a launch made during
// its quit waits for the claim and then starts, instead of handing over to an instance that is
// going away.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Claim {
        first,      // this process holds the claim and hears later launches
        handedOver, // the running instance took the activation
        busy,       // an instance holds the claim and took nothing within the wait
        failed,     // the claim could not be made at all (see failure())
    };

    using QObject::QObject;

    // Takes the claim, or hands the activation (with the launcher's activation token, which may be
    // empty) to the instance that holds it, waiting up to `wait` for one that is quitting to let go.
    // Blocks the calling thread: made before the event loop runs.
    virtual Claim claim(const QString& token, std::chrono::milliseconds wait) = 0;

    // Later launches are no longer heard: they wait for the claim instead. The claim itself is kept
    // until the process ends.
    virtual void stopListening() = 0;

    // What went wrong with the last claim that failed, for the terminal.
    virtual QString failure() const = 0;

Q_SIGNALS:
    // A later launch asked for the window; `token` is its activation token, or empty.
    void activationRequested(const QString& token);
};

} // namespace fernholm
