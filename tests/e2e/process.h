#pragma once

#include <string>
#include <vector>

namespace morvanex::test {

struct ProcessResult
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs program with args in workingDir (empty: the current one), feeding input on its standard input.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& input = {}, const std::string& workingDir = {});

// The morvanex-cli the tests run: MORVANEX_CLI_UNDER_TEST when set (another build of it, such as one
// under ThreadSanitizer), else the one built beside them.
std::string cliUnderTest();

inline ProcessResult runCli(const std::vector<std::string>& args, const std::string& input = {},
                            const std::string& workingDir = {})
{
    return runProcess(cliUnderTest(), args, input, workingDir);
}

} // namespace morvanex::test
