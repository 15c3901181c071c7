#pragma once

#include "selftest/batch_self_test.h"

#include <memory>
#include <vector>

namespace morvanex {

class FirmwareCatalogue;
class SelfTestThread;
class Win32Prompts;
class Workspace;

// The self-test threads of the TESTE button: one more for every press, all stopped and joined when
// the window goes instead of being cut off by the process's end.
class SelfTestRunner
{
public:
    SelfTestRunner(const Workspace& workspace, FirmwareCatalogue& catalogue, Win32Prompts& prompts);
    ~SelfTestRunner();

    SelfTestRunner(const SelfTestRunner&) = delete;
    SelfTestRunner& operator=(const SelfTestRunner&) = delete;

    void startOne();
    // Asks every thread to stop and waits for them, answering meanwhile (with "nothing chosen") any
    // prompt a worker sent to this thread before it saw the request.
    void stopAll();
    std::size_t runningCount() const;

private:
    const Workspace& m_workspace;
    FirmwareCatalogue& m_catalogue;
    Win32Prompts& m_prompts;
    std::vector<std::unique_ptr<SelfTestThread>> m_threads;
};

} // namespace morvanex
