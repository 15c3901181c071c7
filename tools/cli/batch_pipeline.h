#pragma once

#include "line_reader.h"

#include "validation/validation_flow.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvanex::cli {

// One line of a batch as the reader kept it: where its text lies in its chunk's.
struct BatchLine
{
    std::size_t at = 0;
    std::size_t size = 0;
    std::size_t charactersCut = 0; // as LineReader::charactersCut gave it
};

// What a worker made of one line: where its text ends in its chunk's out and err, and what is left
// for the thread that writes it.
struct LineAnswer
{
    std::size_t outEnd = 0;
    std::size_t errEnd = 0;
    std::size_t registerAt = 0; // where in out the register's part of the answer goes
    Verdict verdict = Verdict::InvalidString;
    std::optional<CodeCheck> toRecord; // the check the register records, when there is one
};

// Consecutive lines of a batch and, once a worker has been at them, their answers.
struct AnswerChunk
{
    // The lines' text one after another: a chunk's lines take no memory of their own, which each line
    // would take from the heap and give back on another thread.
    std::string text;
    std::vector<BatchLine> lines;
    std::string out;
    std::string err;
    std::vector<LineAnswer> answers;

    void add(std::string_view code, std::size_t charactersCut);
    std::string_view code(const BatchLine& line) const
    {
        return std::string_view(text).substr(line.at, line.size);
    }
    // Empty again, keeping the memory for the next lines.
    void clear();
};

// Lines answered on worker threads and written in their order: a reader thread takes what input is
// at hand in chunks, workers answer chunks side by side, and the calling thread writes each chunk
// once it and all before it are answered. Before the reader waits for input, everything read so far
// is written and flushed, so a line that arrives alone is answered before the next one is awaited,
// while a stream that keeps coming never stops the workers.
class BatchPipeline
{
public:
    using Work = std::function<void(AnswerChunk&)>;
    struct Stages
    {
        // Called once on each worker thread; what it gives answers chunks there alone.
        std::function<Work()> makeWorker;
        // On the calling thread, each answered chunk in input order; false stops the batch.
        std::function<bool(AnswerChunk&)> write;
        // On the calling thread, once every chunk read so far is written, before the reader waits for
        // more input; false stops the batch.
        std::function<bool()> flush;
    };
    enum class End {
        Input,      // the input ended and every line was written
        ReadFailed, // every line before the failure was written; the reader's error says why
        Stopped,    // write or flush failed
    };

    // Runs the batch over reader's lines with workers threads. When not even one worker and the
    // reader can be started, the calling thread does it all, line after line. Whatever a stage throws
    // is thrown here once the threads have ended.
    static End run(LineReader& reader, unsigned workers, const Stages& stages);

    // Lines a chunk holds at most: few enough that every worker gets some of a short input.
    static constexpr std::size_t chunkLines = 64;
    // Chunks read and not yet written, per worker: the memory a fast input may take ahead.
    static constexpr std::size_t chunksPerWorker = 4;
};

} // namespace morvanex::cli
