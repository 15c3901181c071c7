#include "selftest/selftest_thread.h"

#include "firmware/workspace.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <system_error>

namespace morvanex {
namespace {

// Between two looks whether the runs stopping have ended.
constexpr std::chrono::milliseconds stopPollPause{5};

} // namespace

SelfTestThread::SelfTestThread(std::unique_ptr<BatchSelfTest> test) : m_test(std::move(test)) {}

SelfTestThread::~SelfTestThread()
{
    requestStop();
    join();
}

bool SelfTestThread::start()
{
    if (!m_test || m_running.load())
        return false;
    // A run that ended by itself still has its thread to collect.
    join();
    m_stop = false;
    m_running = true;
    try {
        m_thread = std::thread([this] {
            m_test->run(m_stop);
            m_running = false;
        });
    } catch (const std::system_error&) {
        // The system refuses another thread: an endless run has no place on the caller's thread.
        m_running = false;
        return false;
    }
    return true;
}

std::unique_ptr<SelfTestThread> startDesktopSelfTest(const Workspace& workspace, FirmwareCatalogue& catalogue,
                                                     OperatorPrompts& prompts, SerialChannelFactory channels)
{
    SelfTestOptions options;
    options.logFolder = workspace.root();
    auto test = std::make_unique<BatchSelfTest>(std::move(channels), workspace, catalogue, prompts, options);
    test->onCycle([](const CycleReport& report) {
        if (!report.logged)
            std::fprintf(stderr, "Morvanex self-test: cycle %llu: %s\n",
                         static_cast<unsigned long long>(report.number), report.logProblem.c_str());
    });
    auto thread = std::make_unique<SelfTestThread>(std::move(test));
    if (!thread->start()) {
        std::fprintf(stderr, "Morvanex self-test: no thread could be started for it\n");
        return nullptr;
    }
    return thread;
}

void stopSelfTests(std::vector<std::unique_ptr<SelfTestThread>>& threads,
                   const std::function<void()>& answerPrompts)
{
    for (const auto& thread : threads)
        thread->requestStop();
    while (runningSelfTests(threads) > 0) {
        answerPrompts();
        std::this_thread::sleep_for(stopPollPause);
    }
    threads.clear();
}

std::size_t runningSelfTests(const std::vector<std::unique_ptr<SelfTestThread>>& threads)
{
    return static_cast<std::size_t>(
        std::count_if(threads.begin(), threads.end(), [](const auto& t) { return t->running(); }));
}

void SelfTestThread::requestStop()
{
    m_stop = true;
}

void SelfTestThread::join()
{
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace morvanex
