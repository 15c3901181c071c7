#include "app/self_test_runner.h"

#include "app/gui_prompts.h"
#include "selftest/self_test_thread.h"
#include "selftest/serial_channel.h"

#include <QCoreApplication>

namespace morvanex {

SelfTestRunner::SelfTestRunner(const Workspace& workspace, FirmwareCatalogue& catalogue, GuiPrompts& prompts,
                               SerialChannelFactory channels)
    : m_workspace(workspace), m_catalogue(catalogue), m_prompts(prompts), m_channels(std::move(channels))
{
}

SelfTestRunner::~SelfTestRunner()
{
    stopAll();
}

void SelfTestRunner::startOne()
{
    if (auto thread = startDesktopSelfTest(m_workspace, m_catalogue, m_prompts, m_channels))
        m_threads.push_back(std::move(thread));
}

void SelfTestRunner::stopAll()
{
    if (m_threads.empty())
        return;
    m_prompts.refuseWorkerRequests();
    // A prompt a worker queued to this thread is answered by running its events.
    stopSelfTests(m_threads, [] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
}

std::size_t SelfTestRunner::runningCount() const
{
    return runningSelfTests(m_threads);
}

} // namespace morvanex
