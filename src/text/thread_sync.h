#pragma once

#include <mutex>

#ifndef _WIN32
#include <condition_variable>
#endif

namespace morvanex {

#ifdef _WIN32

// Windows' slim reader/writer lock, taken exclusively. The C++ library's mutex and condition variable
// (winpthreads) wait on kernel objects: each wait and wake is a system call, and under Wine a round
// trip to its server, which a batch's threads would make several times per chunk of lines.
class Mutex
{
public:
    Mutex() = default;
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void lock();
    bool try_lock();
    void unlock();

private:
    friend class ConditionVariable;
    void* m_lock = nullptr; // an SRWLOCK, initialised as SRWLOCK_INIT is
};

// Windows' condition variable, over a Mutex.
class ConditionVariable
{
public:
    ConditionVariable() = default;
    ConditionVariable(const ConditionVariable&) = delete;
    ConditionVariable& operator=(const ConditionVariable&) = delete;

    void notify_one() noexcept;
    void notify_all() noexcept;
    void wait(std::unique_lock<Mutex>& lock);
    template <typename Predicate>
    void wait(std::unique_lock<Mutex>& lock, Predicate ready)
    {
        while (!ready())
            wait(lock);
    }

private:
    void* m_variable = nullptr; // a CONDITION_VARIABLE, initialised as CONDITION_VARIABLE_INIT is
};

#else

using Mutex = std::mutex;
using ConditionVariable = std::condition_variable;

#endif

} // namespace morvanex
