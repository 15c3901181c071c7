#include "arguments.h"
#include "command_help.h"
#include "commands.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <ios>
#include <new>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace {

using morvanex::cli::CommandHelp;
using morvanex::cli::ExitStatusHelp;
using morvanex::cli::ioFailure;
using morvanex::cli::noInput;
using morvanex::cli::OptionHelp;
using morvanex::cli::usageError;
// Exit status when a command failed in a way it did not foresee.
constexpr int internalFailure = 70;

constexpr std::string_view program = "morvanex-cli";

constexpr OptionHelp workspaceOption{"dir", "DIR",
                                     "the workspace: the folder holding TXT and Bin (default: .)"};
constexpr ExitStatusHelp usageStatus{usageError, "usage error"};
constexpr ExitStatusHelp noWorkspaceStatus{noInput, "DIR is no folder"};
constexpr ExitStatusHelp outputStatus{ioFailure, "input/output failure"};
constexpr ExitStatusHelp internalStatus{internalFailure, "an unforeseen internal failure"};

constexpr OptionHelp catalogueOptions[] = {
    workspaceOption,
    {"json", "", "a JSON array of rows instead of tab-separated lines"},
};
constexpr ExitStatusHelp unreadableFolderStatus{ioFailure, "a folder of the workspace cannot be read, or output failure"};
constexpr ExitStatusHelp catalogueStatuses[] = {
    {0, "listed (an empty catalogue, or rows whose image cannot be read, too, with a warning)"},
    usageStatus,
    noWorkspaceStatus,
    internalStatus,
    unreadableFolderStatus};

constexpr OptionHelp validateOptions[] = {
    workspaceOption,
    {"row", "N", "the catalogue row to use when several images match the code's checksum"},
    {"expect-cnpj", "C", "the CNPJ printed on the document (20 characters); another one is CnpjMismatch"},
    {"json", "", "one JSON object per code instead of label and value lines"},
};
constexpr ExitStatusHelp validateStatuses[] = {
    {0, "Valid"},
    {1, "InvalidString: the code is malformed"},
    {2, "FirmwareNotFound: no approved image has the code's checksum"},
    {3, "ChecksumMismatch: the image's CRC-16 is no longer the one the catalogue read"},
    {4, "Ambiguous: several rows match; choose one with --row"},
    {5, "CnpjMismatch: the decoded CNPJ is not the one of --expect-cnpj"},
    {6, "Implausible: the code decodes, but no genuine printer makes it"},
    {10, "reading codes from standard input: some line was not Valid"},
    usageStatus,
    {noInput, "no such workspace, or its catalogue is empty"},
    internalStatus,
    {ioFailure, "ImageUnreadable: no readable approved image has the code's checksum and some could not "
                "be read (also for one line of standard input); a folder of the workspace cannot be read; "
                "or input/output failure"},
};

constexpr OptionHelp encodeOptions[] = {
    {"image", "FILE", "the firmware image whose checksum and key the code carries", true},
    {"swap", "", "swap the image's byte pairs first, as for the byte-swapped models"},
    {"coo", "N", "the document counter, 0 to 999999", true},
    {"serial", "S", "the serial excerpt: 6 characters of \"0123456789ABC./\"", true},
    {"time", "SECONDS", "the moment of issue in seconds since 1970, decimal or 0x-hexadecimal", true},
    {"cnpj", "C", "the CNPJ: 20 characters of \"0123456789ABC./\"", true},
};
constexpr ExitStatusHelp encodeStatuses[] = {
    {0, "the code was printed"},
    usageStatus,
    internalStatus,
    {ioFailure, "the image cannot be read, or output failure"},
};

constexpr OptionHelp selfTestOptions[] = {
    {"dir", "DIR", "the workspace, where TestEncript.txt is appended to (default: .)"},
    {"device", "NAME", "the printer's serial device: COM1: to COM256:, or a path (default: COM1:)"},
    {"cycles", "N", "cycles to run; 0 runs until interrupted (default: 0)"},
    {"open-attempts", "N",
     "attempts to open the device before giving up; 0 never gives up (default: 3 "
     "for a bounded run, else 0)"},
};
constexpr ExitStatusHelp selfTestStatuses[] = {
    {0, "the cycles ran (with --cycles N: every reply decoded to the data sent), or the run was interrupted"},
    {1, "the device could not be opened"},
    {3, "with --cycles N: a cycle got no full reply, or its reply did not decode to the data sent"},
    usageStatus,
    noWorkspaceStatus,
    internalStatus,
    {ioFailure, "log lines were lost (ahead of 1 and 3), a folder of the workspace cannot be read, or "
                "output failure"},
};

constexpr OptionHelp printerSimOptions[] = {
    {"device", "NAME", "the serial device to answer on: COM1: to COM256:, or a path", true},
    workspaceOption,
    {"row", "N", "the catalogue row whose image the simulated printer runs (default: 0)"},
};
constexpr ExitStatusHelp printerSimStatuses[] = {
    {0, "stopped by SIGINT or SIGTERM"},
    {1, "the device cannot be opened at start, or the row or its image cannot be used"},
    usageStatus,
    noWorkspaceStatus,
    internalStatus,
    unreadableFolderStatus,
};

struct Command
{
    int (*run)(const std::vector<std::string>&);
    CommandHelp help;
};

const Command commands[] = {
    {morvanex::cli::catalogueCommand,
     {"catalogue", "list the approved firmware images of a workspace", "",
      "Lists the catalogue that the descriptors in TXT and the images in Bin make, one row per descriptor.",
      catalogueOptions, catalogueStatuses}},
    {morvanex::cli::validateCommand,
     {"validate", "check a FooterCode against the approved firmware", "CODE|-",
      "Decodes the 48-character FooterCode CODE with the approved image its checksum names and prints the\n"
      "document's data. With -, checks one code per line of standard input, answering line by line.",
      validateOptions, validateStatuses}},
    {morvanex::cli::encodeCommand,
     {"encode", "make the FooterCode a printer running an image would print", "",
      "Prints the FooterCode of the given document data, enciphered with the key of the image.",
      encodeOptions, encodeStatuses}},
    {morvanex::cli::selfTestCommand,
     {"selftest", "run the batch self-test against a printer on a serial line", "",
      "Sends random document data to the printer, decodes the code it returns, compares the two and\n"
      "appends the comparison to TestEncript.txt; one line per cycle on standard output.",
      selfTestOptions, selfTestStatuses}},
    {morvanex::cli::printerSimCommand,
     {"printer-sim", "answer self-test requests on a serial line as a printer would", "",
      "Simulates a fiscal printer for selftest: answers every request frame with the FooterCode of its\n"
      "data, made with the image of one catalogue row, until SIGINT or SIGTERM.",
      printerSimOptions, printerSimStatuses}},
};

std::string toolHelp()
{
    std::string text =
        "usage: " + std::string(program) + " COMMAND [options]\n       " + std::string(program) +
        " --help | --version\n\nChecks the FooterCodes of fiscal documents against the approved "
        "firmware images.\n\ncommands:\n";
    for (const Command& c : commands) {
        std::string name(c.help.name);
        name.resize(14, ' ');
        text += "  " + name + std::string(c.help.summary) + "\n";
    }
    return text + "\nRun '" + std::string(program) +
           " COMMAND --help' for a command's options and exit statuses.\n";
}

void printUsage()
{
    std::fprintf(stderr, "usage: %s COMMAND [options]\n", program.data());
    for (const Command& c : commands)
        std::fprintf(stderr, "  %s %s\n", program.data(), morvanex::cli::synopsis(c.help).c_str());
    std::fprintf(stderr, "  %s --help | --version\n", program.data());
}

int usage(const std::string& problem)
{
    std::fprintf(stderr, "%s: %s\n", program.data(), problem.c_str());
    printUsage();
    return usageError;
}

// Help and version go to standard output; writing them is the whole job, so a failure is reported.
int printOut(const std::string& text)
{
    return morvanex::cli::writeOut(text) && morvanex::cli::flushOut() ? 0 : ioFailure;
}

// Runs a command to its end: whatever it throws ends it with one line, never an abort, and output it
// left unflushed is checked too.
int runCommand(const Command& c, const std::vector<std::string>& args)
{
    int status = internalFailure;
    const auto failed = [&c](const char* what) {
        std::fprintf(stderr, "%s %.*s: %s\n", program.data(), static_cast<int>(c.help.name.size()),
                     c.help.name.data(), what);
    };
    try {
        status = c.run(args);
    } catch (const std::bad_alloc&) {
        failed("not enough memory");
    } catch (const std::ios_base::failure& e) {
        failed(e.what());
        status = ioFailure;
    } catch (const std::filesystem::filesystem_error& e) {
        failed(e.what());
        status = ioFailure;
    } catch (const std::exception& e) {
        failed(e.what());
    } catch (...) {
        failed("unexpected failure");
    }
    return morvanex::cli::flushOut() ? status : ioFailure;
}

} // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    // The same bytes as on Linux: no CR added before LF, and UTF-8 texts shown as such in a console.
    _setmode(_fileno(stdout), _O_BINARY);
    ::SetConsoleOutputCP(CP_UTF8);
#endif
    if (argc < 2) {
        printUsage();
        return usageError;
    }
    const std::string_view first = argv[1];
    if (first == "--help")
        return printOut(toolHelp());
    if (first == "--version")
        return printOut(std::string(program) + " " + MORVANEX_VERSION + "\n");
    if (first.starts_with("-"))
        return usage("unknown option '" + std::string(first) + "'");
    const std::vector<std::string> args(argv + 2, argv + argc);
    for (const Command& c : commands) {
        if (c.help.name != first)
            continue;
        if (morvanex::cli::asksForHelp(args, c.help))
            return printOut(morvanex::cli::helpText(c.help));
        return runCommand(c, args);
    }
    return usage("unknown command '" + std::string(first) + "'");
}
