#include "win32/self_test_runner.h"

#include "firmware/workspace.h"
#include "selftest/self_test_thread.h"
#include "win32/win32_prompts.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace morvanex {
namespace {

constexpr DWORD drainPauseMs = 5;

} // namespace

SelfTestRunner::SelfTestRunner(const Workspace& workspace, FirmwareCatalogue& catalogue, Win32Prompts& prompts)
    : m_workspace(workspace), m_catalogue(catalogue), m_prompts(prompts)
{
}

SelfTestRunner::~SelfTestRunner()
{
    stopAll();
}

void SelfTestRunner::startOne()
{
    SelfTestOptions options;
    options.logFolder = m_workspace.root();
    auto test = std::make_unique<BatchSelfTest>(serialPortFactory(), m_workspace, m_catalogue, m_prompts, options);
    // The window has no place for it, but lost log lines must not go unnoticed.
    test->onCycle([](const CycleReport& report) {
        if (!report.logged)
            std::fprintf(stderr, "Morvanex self-test: cycle %llu: %s\n",
                         static_cast<unsigned long long>(report.number), report.logProblem.c_str());
    });
    auto thread = std::make_unique<SelfTestThread>(std::move(test));
    if (!thread->start()) {
        std::fprintf(stderr, "Morvanex self-test: no thread could be started for it\n");
        return;
    }
    m_threads.push_back(std::move(thread));
}

void SelfTestRunner::stopAll()
{
    if (m_threads.empty())
        return;
    m_prompts.refuseWorkerRequests();
    for (const auto& thread : m_threads)
        thread->requestStop();
    // A worker may be blocked in a prompt sent to this thread; looking at the queue answers it.
    MSG message;
    while (runningCount() > 0) {
        ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
        ::Sleep(drainPauseMs);
    }
    m_threads.clear();
}

std::size_t SelfTestRunner::runningCount() const
{
    return static_cast<std::size_t>(
        std::count_if(m_threads.begin(), m_threads.end(), [](const auto& t) { return t->running(); }));
}

} // namespace morvanex
