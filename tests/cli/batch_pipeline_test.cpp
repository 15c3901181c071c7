#include "batch_pipeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace morvanex::cli {
namespace {

// What the calling thread's stages saw, read by the reader thread when it reads.
struct Written
{
    std::mutex mutex;
    std::string out;
    std::size_t lines = 0;
    std::size_t flushedLines = 0; // lines written when the last flush came
    std::size_t flushes = 0;
};

// Input in scripted blocks, each read at once or only after waiting (a pipe run dry). At every read
// that waits it notes how many whole lines it had given and how many were flushed by then.
class ScriptedInput : public ByteSource
{
public:
    struct Block
    {
        std::string bytes;
        bool atHand;
    };

    ScriptedInput(std::vector<Block> blocks, Written& written) : m_blocks(std::move(blocks)), m_written(written) {}

    std::optional<std::size_t> read(std::span<char> buffer, std::string& error) override
    {
        if (m_next == m_failAt) {
            error = "scripted failure";
            return std::nullopt;
        }
        if (m_next == m_blocks.size())
            return 0;
        const Block& block = m_blocks[m_next++];
        if (!block.atHand) {
            std::lock_guard lock(m_written.mutex);
            waits.push_back({m_linesGiven, m_written.flushedLines});
        }
        m_linesGiven += static_cast<std::size_t>(std::count(block.bytes.begin(), block.bytes.end(), '\n'));
        std::copy(block.bytes.begin(), block.bytes.end(), buffer.begin());
        return block.bytes.size();
    }
    bool ready() override { return m_next >= m_blocks.size() || m_blocks[m_next].atHand; }
    void failAt(std::size_t block) { m_failAt = block; }

    // Per read that waited: whole lines given before it, and lines flushed by then.
    std::vector<std::pair<std::size_t, std::size_t>> waits;

private:
    std::vector<Block> m_blocks;
    Written& m_written;
    std::size_t m_next = 0;
    std::size_t m_linesGiven = 0;
    std::size_t m_failAt = SIZE_MAX;
};

// Lines "n<i>" split into blocks of blockSize bytes (the last line of the input, and so a line, can
// span blocks), every waitEvery-th block not at hand.
std::vector<ScriptedInput::Block> blocksOf(std::size_t lines, std::size_t blockSize, std::size_t waitEvery,
                                           std::string* text)
{
    for (std::size_t i = 0; i < lines; ++i)
        *text += "n" + std::to_string(i) + "\n";
    std::vector<ScriptedInput::Block> blocks;
    for (std::size_t at = 0; at < text->size(); at += blockSize)
        blocks.push_back({text->substr(at, blockSize), waitEvery == 0 || blocks.size() % waitEvery != 0});
    return blocks;
}

// A worker's answer to a line: the line again, after some work that differs from line to line, so
// that workers finish out of order.
BatchPipeline::Work echo()
{
    return [](AnswerChunk& chunk) {
        for (const BatchLine& line : chunk.lines) {
            volatile unsigned spin = 0;
            for (unsigned i = 0; i < (std::hash<std::string_view>()(chunk.code(line)) % 5000); ++i)
                spin = spin + i;
            chunk.out.append(chunk.code(line)).append("\n");
            chunk.answers.push_back({chunk.out.size(), 0, chunk.out.size(), Verdict::Valid, std::nullopt});
        }
    };
}

BatchPipeline::Stages stagesOver(Written& written, BatchPipeline::Work work = echo())
{
    return {
        [work] { return work; },
        [&written](AnswerChunk& chunk) {
            std::lock_guard lock(written.mutex);
            written.out += chunk.out;
            written.lines += chunk.answers.size();
            return true;
        },
        [&written] {
            std::lock_guard lock(written.mutex);
            written.flushedLines = written.lines;
            ++written.flushes;
            return true;
        },
    };
}

TEST(BatchPipeline, AnswersInInputOrderAndFlushesBeforeEveryWait)
{
    struct Case
    {
        const char* what;
        unsigned workers;
        std::size_t lines;
        std::size_t blockSize;
        std::size_t waitEvery; // 0: every block at hand, as a file is
    };
    const Case cases[] = {
        {"a file, one worker", 1, 3000, 4096, 0},
        {"a file, four workers", 4, 5000, 1000, 0},
        {"a pipe with a line at a time", 3, 60, 4, 1},
        {"a pipe run dry now and then, lines split across blocks", 2, 4000, 333, 3},
        {"no worker: all on the calling thread", 0, 500, 100, 2},
    };
    for (const Case& c : cases) {
        Written written;
        std::string text;
        std::vector<ScriptedInput::Block> blocks = blocksOf(c.lines, c.blockSize, c.waitEvery, &text);
        const auto waiting = static_cast<std::size_t>(
            std::count_if(blocks.begin(), blocks.end(), [](const auto& b) { return !b.atHand; }));
        ScriptedInput input(std::move(blocks), written);
        LineReader reader(input);
        EXPECT_EQ(BatchPipeline::run(reader, c.workers, stagesOver(written)), BatchPipeline::End::Input) << c.what;
        EXPECT_EQ(written.out, text) << c.what;
        // A wait for input comes only after every line before it was written and flushed; input that
        // is at hand is read on without a flush.
        EXPECT_EQ(input.waits.size(), waiting) << c.what;
        for (const auto& [given, flushed] : input.waits)
            EXPECT_EQ(flushed, given) << c.what;
        EXPECT_EQ(written.flushes, waiting) << c.what;
    }
}

TEST(BatchPipeline, FailuresEndTheBatchWithWhatCameBefore)
{
    for (const unsigned workers : {0u, 1u, 3u}) {
        // A read that fails: every line before it is written.
        {
            Written written;
            std::string text;
            ScriptedInput input(blocksOf(1000, 500, 0, &text), written);
            input.failAt(5);
            LineReader reader(input);
            EXPECT_EQ(BatchPipeline::run(reader, workers, stagesOver(written)), BatchPipeline::End::ReadFailed);
            EXPECT_EQ(written.out, text.substr(0, text.rfind('\n', 5 * 500 - 1) + 1)) << workers;
            EXPECT_EQ(reader.error(), "scripted failure");
        }
        // A write that fails: nothing is written after it, and the batch stops however much input is left.
        {
            Written written;
            std::string text;
            ScriptedInput input(blocksOf(20000, 4000, 0, &text), written);
            LineReader reader(input);
            BatchPipeline::Stages stages = stagesOver(written);
            std::size_t writes = 0;
            stages.write = [&](AnswerChunk& chunk) {
                written.out += chunk.out;
                return ++writes < 3;
            };
            EXPECT_EQ(BatchPipeline::run(reader, workers, stages), BatchPipeline::End::Stopped) << workers;
            EXPECT_EQ(writes, 3u) << workers;
            EXPECT_EQ(written.out, text.substr(0, written.out.size())) << workers;
        }
        // A worker that throws: the batch ends and the caller gets what was thrown.
        {
            Written written;
            std::string text;
            ScriptedInput input(blocksOf(5000, 1000, 0, &text), written);
            LineReader reader(input);
            const BatchPipeline::Work throwing = [work = echo()](AnswerChunk& chunk) {
                for (const BatchLine& line : chunk.lines)
                    if (chunk.code(line) == "n700")
                        throw std::runtime_error("worker failed");
                work(chunk);
            };
            EXPECT_THROW(BatchPipeline::run(reader, workers, stagesOver(written, throwing)), std::runtime_error)
                << workers;
        }
    }
}

} // namespace
} // namespace morvanex::cli
