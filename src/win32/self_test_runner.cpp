#include "win32/self_test_runner.h"

#include "selftest/self_test_thread.h"
#include "win32/win32_prompts.h"

#include <algorithm>
#include <windows.h>

namespace morvanex {
namespace {

constexpr DWORD drainPauseMs = 5;

} // namespace

SelfTestRunner::SelfTestRunner(const Workspace& workspace, FirmwareCatalogue& catalogue,
                               Win32Prompts& prompts)
    : m_workspace(workspace), m_catalogue(catalogue), m_prompts(prompts)
{
}

SelfTestRunner::~SelfTestRunner()
{
    stopAll();
}

void SelfTestRunner::startOne()
{
    if (auto thread = startDesktopSelfTest(m_workspace, m_catalogue, m_prompts, serialPortFactory()))
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
