#pragma once

#include "selftest/batch_selftest.h"

#include <functional>
#include <memory>
#include <vector>

namespace morvanex {

class FirmwareCatalogue;
class SelfTestThread;
class ViewPrompts;
class Workspace;

// The self-test threads of the TESTE button: one more for every press, all stopped and joined when the
// window goes instead of being cut off by the process's end.
class SelftestRunner
{
public:
    // pumpEvents runs what other threads sent the window's thread, which waits in stopAll: a worker
    // may be waiting there for a prompt's answer.
    SelftestRunner(const Workspace& workspace, FirmwareCatalogue& catalogue, ViewPrompts& prompts,
                   std::function<void()> pumpEvents, SerialChannelFactory channels = serialPortFactory());
    ~SelftestRunner();

    SelftestRunner(const SelftestRunner&) = delete;
    SelftestRunner& operator=(const SelftestRunner&) = delete;

    void startOne();
    // Asks every thread to stop and waits for them, answering meanwhile (with "nothing chosen") any
    // prompt a worker sent to the window's thread before it saw the request.
    void stopAll();
    std::size_t count() const { return m_threads.size(); }
    std::size_t runningCount() const;

private:
    const Workspace& m_workspace;
    FirmwareCatalogue& m_catalogue;
    ViewPrompts& m_prompts;
    std::function<void()> m_pumpEvents;
    SerialChannelFactory m_channels;
    std::vector<std::unique_ptr<SelfTestThread>> m_threads;
};

} // namespace morvanex
