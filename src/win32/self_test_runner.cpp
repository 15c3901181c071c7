#include "win32/self_test_runner.h"

#include "selftest/self_test_thread.h"
#include "win32/win32_prompts.h"

#include <windows.h>

namespace morvanex {

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
    // A prompt a worker sent to this thread is answered when the thread looks at its queue.
    stopSelfTests(m_threads, [] {
        MSG message;
        ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    });
}

std::size_t SelfTestRunner::runningCount() const
{
    return runningSelfTests(m_threads);
}

} // namespace morvanex
