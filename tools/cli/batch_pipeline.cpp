#include "batch_pipeline.h"

#include "text/thread_sync.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <tuple>
#include <utility>

namespace morvanex::cli {

void AnswerChunk::add(std::string_view code, std::size_t charactersCut)
{
    lines.push_back({text.size(), code.size(), charactersCut});
    text += code;
}

void AnswerChunk::clear()
{
    text.clear();
    lines.clear();
    out.clear();
    err.clear();
    answers.clear();
}

namespace {

using End = BatchPipeline::End;

struct Slot
{
    std::unique_ptr<AnswerChunk> chunk;
    bool answered = false;
};

// What the three kinds of thread share, under one mutex.
class Shared
{
public:
    explicit Shared(std::size_t chunkLimit) : m_chunkLimit(chunkLimit) {}

    // The reader's side.
    std::unique_ptr<AnswerChunk> emptyChunk();
    bool dispatch(std::unique_ptr<AnswerChunk> chunk);
    bool awaitFlush();
    void endInput(End end);

    // A worker's side: the next chunk to answer with its number, null once there is none to come.
    std::pair<AnswerChunk*, std::uint64_t> take();
    void answered(std::uint64_t number);

    // The calling thread's side.
    End write(const BatchPipeline::Stages& stages);

    // Ends the batch early: every thread stops at its next step. With a failure, the first is kept.
    void stop(std::exception_ptr failure = nullptr);
    std::exception_ptr failure() const { return m_failure; }

private:
    std::size_t m_chunkLimit;
    Mutex m_mutex;
    ConditionVariable m_workReady; // workers wait here
    ConditionVariable m_toWrite;   // the calling thread waits here
    ConditionVariable m_readerMay; // the reader waits here: room for a chunk, or a flush done
    std::deque<std::pair<AnswerChunk*, std::uint64_t>> m_queue; // read, not yet taken by a worker
    std::deque<Slot> m_inFlight; // read and not yet taken to be written, in input order, from number m_written
    std::vector<std::unique_ptr<AnswerChunk>> m_spare;
    std::uint64_t m_dispatched = 0;
    std::uint64_t m_written = 0;
    bool m_flushWanted = false;
    std::uint64_t m_flushedAt = 0; // every chunk before this number was flushed
    std::optional<End> m_inputEnd;
    bool m_stopped = false;
    std::exception_ptr m_failure;
};

std::unique_ptr<AnswerChunk> Shared::emptyChunk()
{
    std::lock_guard lock(m_mutex);
    if (m_spare.empty())
        return std::make_unique<AnswerChunk>();
    auto chunk = std::move(m_spare.back());
    m_spare.pop_back();
    return chunk;
}

bool Shared::dispatch(std::unique_ptr<AnswerChunk> chunk)
{
    std::unique_lock lock(m_mutex);
    m_readerMay.wait(lock, [&] { return m_stopped || m_inFlight.size() < m_chunkLimit; });
    if (m_stopped)
        return false;
    m_queue.emplace_back(chunk.get(), m_dispatched++);
    m_inFlight.push_back({std::move(chunk), false});
    m_workReady.notify_one();
    return true;
}

bool Shared::awaitFlush()
{
    std::unique_lock lock(m_mutex);
    m_flushWanted = true;
    m_toWrite.notify_one();
    m_readerMay.wait(lock, [&] { return m_stopped || (!m_flushWanted && m_flushedAt == m_dispatched); });
    return !m_stopped;
}

void Shared::endInput(End end)
{
    std::lock_guard lock(m_mutex);
    m_inputEnd = end;
    m_workReady.notify_all();
    m_toWrite.notify_one();
}

std::pair<AnswerChunk*, std::uint64_t> Shared::take()
{
    std::unique_lock lock(m_mutex);
    m_workReady.wait(lock, [&] { return m_stopped || !m_queue.empty() || m_inputEnd; });
    if (m_stopped || m_queue.empty())
        return {nullptr, 0};
    const auto next = m_queue.front();
    m_queue.pop_front();
    return next;
}

void Shared::answered(std::uint64_t number)
{
    std::lock_guard lock(m_mutex);
    m_inFlight[static_cast<std::size_t>(number - m_written)].answered = true;
    if (number == m_written)
        m_toWrite.notify_one();
}

End Shared::write(const BatchPipeline::Stages& stages)
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_toWrite.wait(lock, [&] {
            return m_stopped || (!m_inFlight.empty() && m_inFlight.front().answered) ||
                   (m_written == m_dispatched && (m_flushWanted || m_inputEnd));
        });
        if (m_stopped)
            return End::Stopped;
        if (!m_inFlight.empty() && m_inFlight.front().answered) {
            // Counted as written at once, so that the slots keep their numbers for the workers.
            std::unique_ptr<AnswerChunk> chunk = std::move(m_inFlight.front().chunk);
            m_inFlight.pop_front();
            ++m_written;
            lock.unlock();
            const bool written = stages.write(*chunk);
            chunk->clear();
            lock.lock();
            m_spare.push_back(std::move(chunk));
            m_readerMay.notify_one();
            if (!written)
                break;
        } else if (m_flushWanted) {
            lock.unlock();
            const bool flushed = stages.flush();
            lock.lock();
            m_flushWanted = false;
            m_flushedAt = m_written;
            m_readerMay.notify_one();
            if (!flushed)
                break;
        } else {
            return *m_inputEnd;
        }
    }
    lock.unlock();
    stop();
    return End::Stopped;
}

void Shared::stop(std::exception_ptr failure)
{
    std::lock_guard lock(m_mutex);
    if (failure && !m_failure)
        m_failure = failure;
    m_stopped = true;
    m_workReady.notify_all();
    m_toWrite.notify_all();
    m_readerMay.notify_all();
}

// Chunks of the lines at hand; before waiting for input, every chunk so far written and flushed.
void readLines(Shared& shared, LineReader& reader)
{
    std::unique_ptr<AnswerChunk> chunk = shared.emptyChunk();
    const std::function<bool()> beforeWaiting = [&shared] { return shared.awaitFlush(); };
    std::string line;
    for (;;) {
        // What is at hand goes to the workers before more is read.
        if (!reader.lineReady() && !chunk->lines.empty()) {
            if (!shared.dispatch(std::move(chunk)))
                return;
            chunk = shared.emptyChunk();
        }
        const LineReader::Result result = reader.next(line, beforeWaiting);
        if (result == LineReader::Result::Stopped)
            return;
        if (result != LineReader::Result::Line) {
            if (!chunk->lines.empty() && !shared.dispatch(std::move(chunk)))
                return;
            shared.endInput(result == LineReader::Result::End ? End::Input : End::ReadFailed);
            return;
        }
        chunk->add(line, reader.charactersCut());
        if (chunk->lines.size() == BatchPipeline::chunkLines) {
            if (!shared.dispatch(std::move(chunk)))
                return;
            chunk = shared.emptyChunk();
        }
    }
}

void answerChunks(Shared& shared, const BatchPipeline::Stages& stages)
{
    const BatchPipeline::Work work = stages.makeWorker();
    for (auto [chunk, number] = shared.take(); chunk; std::tie(chunk, number) = shared.take()) {
        work(*chunk);
        shared.answered(number);
    }
}

// Runs body on a thread; what it throws stops the batch and is kept for the caller.
std::thread guarded(Shared& shared, std::function<void()> body)
{
    return std::thread([&shared, body = std::move(body)] {
        try {
            body();
        } catch (...) {
            shared.stop(std::current_exception());
        }
    });
}

// The whole batch on the calling thread, one line at a time.
End runHere(LineReader& reader, const BatchPipeline::Stages& stages)
{
    const BatchPipeline::Work work = stages.makeWorker();
    AnswerChunk chunk;
    std::string line;
    for (;;) {
        const LineReader::Result result = reader.next(line, stages.flush);
        if (result == LineReader::Result::Stopped)
            return End::Stopped;
        if (result != LineReader::Result::Line)
            return result == LineReader::Result::End ? End::Input : End::ReadFailed;
        chunk.clear();
        chunk.add(line, reader.charactersCut());
        work(chunk);
        if (!stages.write(chunk))
            return End::Stopped;
    }
}

} // namespace

BatchPipeline::End BatchPipeline::run(LineReader& reader, unsigned workers, const Stages& stages)
{
    Shared shared(std::max(1u, workers) * chunksPerWorker);
    std::vector<std::thread> threads;
    const auto joinAll = [&] {
        shared.stop();
        for (std::thread& thread : threads)
            thread.join();
        threads.clear();
    };
    // A process may be allowed fewer threads than it asks for: it goes on with the workers it got, and
    // without a thread for the reader, on this one alone.
    bool reading = false;
    try {
        for (unsigned i = 0; i < workers; ++i)
            threads.push_back(guarded(shared, [&shared, &stages] { answerChunks(shared, stages); }));
    } catch (const std::system_error&) {
    }
    if (!threads.empty()) {
        try {
            threads.push_back(guarded(shared, [&shared, &reader] { readLines(shared, reader); }));
            reading = true;
        } catch (const std::system_error&) {
        }
    }
    if (!reading) {
        joinAll();
        return runHere(reader, stages);
    }
    End end = End::Stopped;
    try {
        end = shared.write(stages);
    } catch (...) {
        shared.stop(std::current_exception());
    }
    joinAll();
    if (const std::exception_ptr failure = shared.failure())
        std::rethrow_exception(failure);
    return end;
}

} // namespace morvanex::cli
