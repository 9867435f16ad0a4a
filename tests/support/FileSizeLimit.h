#pragma once

#include <csignal>
#include <sys/resource.h>

namespace fernholm::test {

// While it lives, no file of this process can grow past `bytes`: a write beyond fails with
// EFBIG instead of raising SIGXFSZ. Root is bound by it too, unlike by file permissions, so it
// makes a write fail midway for any user.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_before);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_before;
        limited.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool active() const { return m_active; }

private:
    rlimit m_before{};
    void (*m_handler)(int) = SIG_DFL;
    bool m_active = false;
};

} // namespace fernholm::test
