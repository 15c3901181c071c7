#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace morvanex::test {

// A program whose standard input and output are pipes held by the test, so that it can be fed line
// by line and each answer awaited before the next line is sent. Its stderr goes to /dev/null.
class PipedProcess
{
public:
    PipedProcess(const std::string& program, const std::vector<std::string>& args);
    ~PipedProcess();
    PipedProcess(const PipedProcess&) = delete;
    PipedProcess& operator=(const PipedProcess&) = delete;

    bool send(std::string_view text);
    // Whether everything the program wrote so far ends with text, within limit.
    bool waitForOutputEnding(std::string_view text, std::chrono::milliseconds limit);
    // Closes its standard input and awaits its exit status (-1 when it had to be killed).
    int finish(std::chrono::milliseconds limit);
    const std::string& out() const { return m_out; }

private:
    pid_t m_pid = -1;
    int m_in = -1;
    int m_outFd = -1;
    std::string m_out;
};

} // namespace morvanex::test
