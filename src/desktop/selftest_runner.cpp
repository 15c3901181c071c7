#include "desktop/selftest_runner.h"

#include "desktop/view_prompts.h"
#include "selftest/selftest_thread.h"

namespace morvanex {

SelftestRunner::SelftestRunner(const Workspace& workspace, FirmwareCatalogue& catalogue, ViewPrompts& prompts,
                               std::function<void()> pumpEvents, SerialChannelFactory channels)
    : m_workspace(workspace), m_catalogue(catalogue), m_prompts(prompts), m_pumpEvents(std::move(pumpEvents)),
      m_channels(std::move(channels))
{
}

SelftestRunner::~SelftestRunner()
{
    stopAll();
}

void SelftestRunner::startOne()
{
    if (auto thread = startDesktopSelfTest(m_workspace, m_catalogue, m_prompts, m_channels))
        m_threads.push_back(std::move(thread));
}

void SelftestRunner::stopAll()
{
    if (m_threads.empty())
        return;
    m_prompts.refuseWorkerRequests();
    stopSelfTests(m_threads, m_pumpEvents);
}

std::size_t SelftestRunner::runningCount() const
{
    return runningSelfTests(m_threads);
}

} // namespace morvanex
