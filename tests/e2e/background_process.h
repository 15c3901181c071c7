#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace morvanex::test {

// A program left running while a test goes on, its output going to two files. It is sent SIGTERM
// and awaited (SIGKILL if it does not end) when the object goes.
class BackgroundProcess
{
public:
    BackgroundProcess(const std::string& program, const std::vector<std::string>& args,
                      const std::filesystem::path& outputFolder, const std::string& label);
    ~BackgroundProcess();
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    bool started() const { return m_pid > 0; }
    pid_t pid() const { return m_pid; }
    bool stillRunning();
    // Whether stderr came to hold text within limit.
    bool waitForError(const std::string& text, std::chrono::milliseconds limit);
    // Whether stdout came to hold text within limit.
    bool waitForOutput(const std::string& text, std::chrono::milliseconds limit);
    // SIGTERM, then the exit status (128 + signal when killed); -1 when it had to be killed.
    int terminate(std::chrono::milliseconds limit);

    std::string out() const;
    std::string err() const;

private:
    bool waitFor(const std::filesystem::path& path, const std::string& text, std::chrono::milliseconds limit);

    pid_t m_pid = -1;
    int m_status = -1;
    std::filesystem::path m_outPath;
    std::filesystem::path m_errPath;
};

// Whether program can be found on PATH.
bool onPath(const std::string& program);

} // namespace morvanex::test
