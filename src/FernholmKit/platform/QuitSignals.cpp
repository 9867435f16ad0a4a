#include "FernholmKit/platform/QuitSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace fernholm {

namespace {

int g_pipe[2] = {-1, -1};
constexpr int handled[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void onQuitSignal(int signal) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    // A full pipe already holds a wake-up: dropping this byte loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

QuitSignals::QuitSignals(QObject* parent) : QObject(parent) {
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignals::drain);
    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : handled) {
        ::sigaction(signal, &action, nullptr);
    }
}

QuitSignals::~QuitSignals() {
    if (!m_notifier) {
        return;
    }
    for (const int signal : handled) {
        ::signal(signal, SIG_DFL);
    }
    delete m_notifier;
    m_notifier = nullptr;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void QuitSignals::drain() {
    unsigned char bytes[16];
    ssize_t count = 0;
    while ((count = ::read(g_pipe[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < count; ++i) {
            Q_EMIT received(bytes[i]);
        }
    }
}

} // namespace fernholm
