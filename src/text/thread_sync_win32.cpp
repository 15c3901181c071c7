#include "text/thread_sync.h"

#include <windows.h>

#include <system_error>

namespace morvanex {

static_assert(sizeof(SRWLOCK) == sizeof(void*) && sizeof(CONDITION_VARIABLE) == sizeof(void*));

namespace {

PSRWLOCK srw(void*& lock)
{
    return reinterpret_cast<PSRWLOCK>(&lock);
}

} // namespace

void Mutex::lock()
{
    AcquireSRWLockExclusive(srw(m_lock));
}

bool Mutex::try_lock()
{
    return TryAcquireSRWLockExclusive(srw(m_lock)) != 0;
}

void Mutex::unlock()
{
    ReleaseSRWLockExclusive(srw(m_lock));
}

void ConditionVariable::notify_one() noexcept
{
    WakeConditionVariable(reinterpret_cast<PCONDITION_VARIABLE>(&m_variable));
}

void ConditionVariable::notify_all() noexcept
{
    WakeAllConditionVariable(reinterpret_cast<PCONDITION_VARIABLE>(&m_variable));
}

void ConditionVariable::wait(std::unique_lock<Mutex>& lock)
{
    // Without a timeout it fails only on a broken lock.
    if (!SleepConditionVariableSRW(reinterpret_cast<PCONDITION_VARIABLE>(&m_variable),
                                   srw(lock.mutex()->m_lock), INFINITE, 0))
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "condition wait");
}

} // namespace morvanex
