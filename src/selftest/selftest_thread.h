#pragma once

#include "selftest/batch_selftest.h"

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace morvanex {

// Runs a BatchSelfTest on a worker thread of its own. The thread ends when stop is requested and is
// joined when this object goes, so it never runs into the process's teardown.
class SelfTestThread
{
public:
    explicit SelfTestThread(std::unique_ptr<BatchSelfTest> test);
    ~SelfTestThread();

    SelfTestThread(const SelfTestThread&) = delete;
    SelfTestThread& operator=(const SelfTestThread&) = delete;

    // Starts a run from a fresh generator; false, starting nothing, while a run is still going
    // (a second run could not open the device the first one holds) or when the system refuses a thread.
    bool start();
    void requestStop();
    // Waits for the run to end.
    void join();
    bool running() const { return m_running.load(); }

private:
    std::unique_ptr<BatchSelfTest> m_test;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};
};

// A run for a desktop's TESTE button, started: cycles without end until stopped, the printer on
// COM1:, the log in the workspace folder, and a lost log line said on standard error, since the window
// has no place for it. Null, said on standard error too, when no thread could be started.
std::unique_ptr<SelfTestThread> startDesktopSelfTest(const Workspace& workspace, FirmwareCatalogue& catalogue,
                                                     OperatorPrompts& prompts, SerialChannelFactory channels);
// Asks every run to stop, waits for all of them to end and lets them go. A worker may be blocked in a
// prompt sent to the calling thread, which would never answer it while it only waited: answerPrompts,
// called between looks, lets that thread answer it.
void stopSelfTests(std::vector<std::unique_ptr<SelfTestThread>>& threads,
                   const std::function<void()>& answerPrompts);
// How many of the runs are still going.
std::size_t runningSelfTests(const std::vector<std::unique_ptr<SelfTestThread>>& threads);

} // namespace morvanex
