#pragma once

#include "selftest/batch_self_test.h"

#include <memory>
#include <vector>

namespace morvanex {

class FirmwareCatalogue;
class GuiPrompts;
class SelfTestThread;
class Workspace;

// The self-test threads of the TESTE button: one more for every press, all stopped and joined
// when the window goes instead of being cut off by the process's end.
class SelfTestRunner
{
public:
    SelfTestRunner(const Workspace& workspace, FirmwareCatalogue& catalogue, GuiPrompts& prompts,
                   SerialChannelFactory channels = serialPortFactory());
    ~SelfTestRunner();

    SelfTestRunner(const SelfTestRunner&) = delete;
    SelfTestRunner& operator=(const SelfTestRunner&) = delete;

    void startOne();
    // Asks every thread to stop and waits for them. Runs on the GUI thread, which keeps answering
    // (with "nothing chosen") any prompt a worker sent before it saw the request.
    void stopAll();
    std::size_t count() const { return m_threads.size(); }
    std::size_t runningCount() const;

private:
    const Workspace& m_workspace;
    FirmwareCatalogue& m_catalogue;
    GuiPrompts& m_prompts;
    SerialChannelFactory m_channels;
    std::vector<std::unique_ptr<SelfTestThread>> m_threads;
};

} // namespace morvanex
