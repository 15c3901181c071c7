#include "background_process.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace morvanex::test {
namespace {

std::string slurp(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

constexpr std::chrono::milliseconds pollStep{10};

} // namespace

BackgroundProcess::BackgroundProcess(const std::string& program, const std::vector<std::string>& args,
                                     const std::filesystem::path& outputFolder, const std::string& label)
    : m_outPath(outputFolder / (label + ".out")), m_errPath(outputFolder / (label + ".err"))
{
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, m_outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, m_errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = -1;
    if (::posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0)
        m_pid = pid;
    posix_spawn_file_actions_destroy(&actions);
}

BackgroundProcess::~BackgroundProcess()
{
    terminate(std::chrono::milliseconds(5000));
}

bool BackgroundProcess::stillRunning()
{
    if (m_pid <= 0)
        return false;
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        m_pid = -1;
        return false;
    }
    return true;
}

bool BackgroundProcess::waitFor(const std::filesystem::path& path, const std::string& text,
                                std::chrono::milliseconds limit)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (slurp(path).find(text) == std::string::npos) {
        if (!stillRunning() || std::chrono::steady_clock::now() > until)
            return slurp(path).find(text) != std::string::npos;
        std::this_thread::sleep_for(pollStep);
    }
    return true;
}

bool BackgroundProcess::waitForError(const std::string& text, std::chrono::milliseconds limit)
{
    return waitFor(m_errPath, text, limit);
}

bool BackgroundProcess::waitForOutput(const std::string& text, std::chrono::milliseconds limit)
{
    return waitFor(m_outPath, text, limit);
}

int BackgroundProcess::terminate(std::chrono::milliseconds limit)
{
    if (m_pid <= 0)
        return m_status;
    ::kill(m_pid, SIGTERM);
    const auto until = std::chrono::steady_clock::now() + limit;
    while (stillRunning()) {
        if (std::chrono::steady_clock::now() > until) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
            m_status = -1;
            break;
        }
        std::this_thread::sleep_for(pollStep);
    }
    return m_status;
}

std::string BackgroundProcess::out() const
{
    return slurp(m_outPath);
}

std::string BackgroundProcess::err() const
{
    return slurp(m_errPath);
}

bool onPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    if (path == nullptr)
        return false;
    std::stringstream dirs(path);
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (!dir.empty() && ::access((std::filesystem::path(dir) / program).c_str(), X_OK) == 0)
            return true;
    return false;
}

} // namespace morvanex::test
