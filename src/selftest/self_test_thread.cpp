#include "selftest/self_test_thread.h"

#include <system_error>

namespace morvanex {

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
