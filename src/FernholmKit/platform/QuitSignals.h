#pragma once

#include <QObject>

class QSocketNotifier;

namespace fernholm {

// SIGTERM, SIGINT and SIGHUP delivered as a Qt signal on the GUI thread. The handler only writes
// the signal's number into a pipe (the one thing a handler may safely do); a socket notifier on
// the other end emits received() from the event loop. One instance per process.
//
//     QuitSignals signals;
//     connect(&signals, &QuitSignals::received, app, [app] { app->quit(); });
class QuitSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(QObject* parent = nullptr);
    // Puts the default handlers back.
    ~QuitSignals() override;

    // Whether the handlers are in place (false when the pipe could not be made).
    bool isListening() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void received(int signal);

private:
    void drain();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace fernholm
