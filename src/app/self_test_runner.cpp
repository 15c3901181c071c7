#include "app/self_test_runner.h"

#include "app/gui_prompts.h"
#include "selftest/self_test_thread.h"
#include "selftest/serial_channel.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>

namespace morvanex {
namespace {

constexpr unsigned long drainPauseMs = 5;

} // namespace

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
    for (const auto& thread : m_threads)
        thread->requestStop();
    // A worker may be blocked in a prompt queued to this thread; joining before answering it
    // would never end.
    while (runningCount() > 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::msleep(drainPauseMs);
    }
    m_threads.clear();
}

std::size_t SelfTestRunner::runningCount() const
{
    return static_cast<std::size_t>(
        std::count_if(m_threads.begin(), m_threads.end(), [](const auto& t) { return t->running(); }));
}

} // namespace morvanex
