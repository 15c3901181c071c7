#pragma once

#include "batch_pipeline.h"
#include "cli_prompts.h"
#include "progress_line.h"

#include "validation/validation_flow.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvanex {
class KeptImageStore;
class Workspace;
} // namespace morvanex

namespace morvanex::cli {

class CommandRegister;

// How validate answers, as its command line asks.
struct ValidateOptions
{
    bool json = false;
    bool batch = false;   // codes from standard input: in text form every failure also names itself on stdout
    bool suggest = false; // a code that is not Valid also lists the valid codes one edit away
    bool recording = false; // --register: checks that decode to a CNPJ are handed to the register
    CheckOptions check;
};

// Checks codes and writes their answers, text or JSON, into a chunk, without the register's part
// (AnswerWriter adds it in input order). One per thread: its flow and the lines it makes for each
// catalogue row are its own; the catalogue, the workspace and the kept images' store are shared.
class CodeAnswerer
{
public:
    // keptImages: the batch's store of prepared images; null reads each code's image afresh.
    CodeAnswerer(FirmwareCatalogue& catalogue, const Workspace& workspace, const ValidateOptions& options,
                 KeptImageStore* keptImages);

    CodeAnswerer(const CodeAnswerer&) = delete;
    CodeAnswerer& operator=(const CodeAnswerer&) = delete;

    // Answers every line of the chunk.
    void answer(AnswerChunk& chunk);
    // Answers one code, of which charactersCut more up to its last non-blank were not kept.
    void answer(std::string_view code, std::size_t charactersCut, AnswerChunk& into);

private:
    void appendText(const CodeCheck& check, const std::vector<Suggestion>& suggestions, AnswerChunk& into,
                    LineAnswer& answer);
    void appendJson(const CodeCheck& check, const std::vector<Suggestion>& suggestions, AnswerChunk& into,
                    LineAnswer& answer);
    // A catalogue row's five result rows as text lines, and the row as JSON, each made once.
    const std::string& firmwareLines(int row);
    const std::string& firmwareObject(int row);

    const ValidateOptions& m_options;
    const FirmwareCatalogue& m_catalogue;
    CliPrompts m_prompts; // the flow's; a check asks nothing
    ValidationFlow m_flow;
    std::vector<std::string> m_firmwareLines; // by catalogue row, empty until first needed
    std::vector<std::string> m_firmwareObjects;
};

// Writes answered chunks in input order: asks the register (when there is one) about each check to
// record, puts its part in the answer and keeps what the exit status needs. On the thread that
// writes, which alone uses the register and the standard streams.
class AnswerWriter
{
public:
    AnswerWriter(const ValidateOptions& options, const FirmwareCatalogue& catalogue, CommandRegister* checks);

    // Shows the lines done and the rate on standard error from now on, as ProgressLine paces it.
    void showProgress(std::string_view command);
    // Writes the chunk's answers; false once standard output has failed.
    bool write(const AnswerChunk& chunk);

    bool allValid() const { return m_allValid; }
    bool anyUnreadable() const { return m_anyUnreadable; }
    // Of the last code written.
    Verdict lastVerdict() const { return m_lastVerdict; }
    bool lastCloned() const { return m_lastCloned; }

private:
    const ValidateOptions& m_options;
    const FirmwareCatalogue& m_catalogue;
    CommandRegister* m_register; // null without --register
    std::optional<ProgressLine> m_progress;
    std::uint64_t m_lines = 0;
    std::string m_text; // one answer with the register's part, reused
    bool m_allValid = true;
    bool m_anyUnreadable = false;
    Verdict m_lastVerdict = Verdict::InvalidString;
    bool m_lastCloned = false;
};

} // namespace morvanex::cli
