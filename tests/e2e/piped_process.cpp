#include "piped_process.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace morvanex::test {

PipedProcess::PipedProcess(const std::string& program, const std::vector<std::string>& args)
{
    std::signal(SIGPIPE, SIG_IGN);
    int in[2], out[2];
    if (::pipe(in) != 0)
        return;
    if (::pipe(out) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return;
    }
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 2);
        for (const int fd : {in[0], in[1], out[0], out[1], null})
            ::close(fd);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    m_in = in[1];
    m_outFd = out[0];
}

PipedProcess::~PipedProcess()
{
    finish(std::chrono::milliseconds(5000));
    if (m_outFd >= 0)
        ::close(m_outFd);
}

bool PipedProcess::send(std::string_view text)
{
    while (!text.empty()) {
        const ssize_t n = ::write(m_in, text.data(), text.size());
        if (n <= 0)
            return false;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool PipedProcess::waitForOutputEnding(std::string_view text, std::chrono::milliseconds limit)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!std::string_view(m_out).ends_with(text)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        pollfd fd{m_outFd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0)
            return false;
        char buffer[4096];
        const ssize_t n = ::read(m_outFd, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        m_out.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

int PipedProcess::finish(std::chrono::milliseconds limit)
{
    if (m_in >= 0)
        ::close(m_in);
    m_in = -1;
    if (m_pid <= 0)
        return -1;
    const auto until = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(m_pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > until) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace morvanex::test
