#include "secret_arguments.h"

#include <cstring>

namespace morvanex::cli {

// What ps and /proc/PID/cmdline show is read from the memory argv points into.
void hideFromProcessList(int argc, char** argv, const std::vector<std::string>& secrets)
{
    if (secrets.empty())
        return;
    for (int i = 0; i < argc; ++i)
        maskSecrets(std::span(argv[i], std::strlen(argv[i])), secrets);
}

} // namespace morvanex::cli
