#include "command_table.h"

#include "commands.h"
#include "exit_status.h"

#include <algorithm>

namespace morvanex::cli {
namespace {

namespace status = exit_status;

constexpr Option workspaceOption{"dir", "DIR", "the workspace: the folder holding TXT and Bin (default: .)"};
constexpr ExitStatusHelp usageStatus{status::usageError, "usage error"};
constexpr ExitStatusHelp noWorkspaceStatus{status::noInput, "DIR is no folder"};
constexpr ExitStatusHelp internalStatus{status::internalFailure, "an unforeseen internal failure"};
constexpr ExitStatusHelp unreadableFolderStatus{status::ioFailure,
                                                "a folder of the workspace cannot be read, or output failure"};

constexpr Option catalogueOptions[] = {
    workspaceOption,
    {"json", "", "a JSON array of rows instead of tab-separated lines"},
};
constexpr ExitStatusHelp catalogueStatuses[] = {
    {status::done, "listed (an empty catalogue, or rows whose image cannot be read, too, with a warning)"},
    usageStatus,
    noWorkspaceStatus,
    internalStatus,
    unreadableFolderStatus,
};

constexpr Option validateOptions[] = {
    workspaceOption,
    {"row", "N", "the catalogue row to use when several images match the code's checksum"},
    {"expect-cnpj", "C", "the CNPJ printed on the document (20 characters); another one is CnpjMismatch"},
    {"json", "", "one JSON object per code instead of label and value lines"},
    {"suggest", "", "for a code that is not Valid, also list the valid codes one edit away from it"},
    {"register", "LOCATION",
     "record each code decoded to a CNPJ in this register of checked documents (a file, made when absent, "
     "or odbc:CONNECTION) and say if its document is new, a repeat or a clone"},
    {"jobs", "N",
     "with -, check this many codes at once, answering in input order all the same (default: the processors "
     "this process may use)"},
};
constexpr ExitStatusHelp validateStatuses[] = {
    {status::of(Verdict::Valid), "Valid"},
    {status::of(Verdict::InvalidString), "InvalidString: the code is malformed"},
    {status::of(Verdict::FirmwareNotFound), "FirmwareNotFound: no approved image has the code's checksum"},
    {status::of(Verdict::ChecksumMismatch),
     "ChecksumMismatch: the image's CRC-16 is no longer the one the catalogue read"},
    {status::of(Verdict::Ambiguous), "Ambiguous: several rows match; choose one with --row"},
    {status::of(Verdict::CnpjMismatch), "CnpjMismatch: the decoded CNPJ is not the one of --expect-cnpj"},
    {status::of(Verdict::Implausible), "Implausible: the code decodes, but no genuine printer makes it"},
    {status::cloned, "Cloned: with --register, the document was checked before with another CNPJ; one of the "
                     "two is forged"},
    {status::someLineNotValid, "reading codes from standard input: some line was not Valid, or was a clone"},
    usageStatus,
    {status::noInput, "no such workspace, or its catalogue is empty"},
    internalStatus,
    {status::of(Verdict::ImageUnreadable),
     "ImageUnreadable: no readable approved image has the code's checksum and some could not be read (also "
     "for one line of standard input); a folder of the workspace cannot be read; the register cannot be "
     "opened, read or written (the codes are answered all the same); or input/output failure"},
};

constexpr Option encodeOptions[] = {
    {"image", "FILE", "the firmware image whose checksum and key the code carries", true},
    {"swap", "", "swap the image's byte pairs first, as for the byte-swapped models"},
    {"coo", "N", "the document counter, 0 to 999999", true},
    {"serial", "S", "the serial excerpt: 6 characters of \"0123456789ABC./\"", true},
    {"time", "SECONDS", "the moment of issue in seconds since 1970, decimal or 0x-hexadecimal", true},
    {"cnpj", "C", "the CNPJ: 20 characters of \"0123456789ABC./\"", true},
};
constexpr ExitStatusHelp encodeStatuses[] = {
    {status::done, "the code was printed"},
    usageStatus,
    internalStatus,
    {status::ioFailure, "the image cannot be read, or output failure"},
};

constexpr Option selfTestOptions[] = {
    {"dir", "DIR", "the workspace, where TestEncript.txt is appended to (default: .)"},
    {"device", "NAME", "the printer's serial device: COM1: to COM256:, or a path (default: COM1:)"},
    {"cycles", "N", "cycles to run; 0 runs until interrupted (default: 0)"},
    {"open-attempts", "N",
     "attempts to open the device before giving up; 0 never gives up (default: 3 for a bounded run, else 0)"},
};
constexpr ExitStatusHelp selfTestStatuses[] = {
    {status::done, "the cycles ran (with --cycles N: every reply decoded to the data sent), or the run was "
                   "interrupted"},
    {status::deviceUnavailable, "the device could not be opened"},
    {status::cyclesFailed, "with --cycles N: a cycle got no full reply, or its reply did not decode to the data sent"},
    usageStatus,
    noWorkspaceStatus,
    internalStatus,
    {status::ioFailure,
     "log lines were lost (ahead of 1 and 3), a folder of the workspace cannot be read, or output failure"},
};

constexpr Option printerSimOptions[] = {
    {"device", "NAME", "the serial device to answer on: COM1: to COM256:, or a path", true},
    workspaceOption,
    {"row", "N", "the catalogue row whose image the simulated printer runs (default: 0)"},
};
constexpr ExitStatusHelp printerSimStatuses[] = {
    {status::done, "stopped by SIGINT or SIGTERM"},
    {status::deviceUnavailable, "the device cannot be opened at start, or the row or its image cannot be used"},
    usageStatus,
    noWorkspaceStatus,
    internalStatus,
    unreadableFolderStatus,
};

constexpr ExitStatusHelp noRegisterStatus{status::noInput, "a register file named is not there"};
constexpr ExitStatusHelp unreadableRegisterStatus{status::ioFailure,
                                                  "a register cannot be opened or read, or output failure"};

constexpr Option registerListOptions[] = {
    {"json", "", "one JSON object per record instead of tab-separated lines"},
};
constexpr ExitStatusHelp registerListStatuses[] = {
    {status::done, "listed"}, usageStatus, noRegisterStatus, internalStatus, unreadableRegisterStatus,
};

constexpr Option registerClonesOptions[] = {
    {"printers", "", "also list the printers seen issuing documents for more than one CNPJ (a notice, not proof)"},
};
constexpr ExitStatusHelp registerClonesStatuses[] = {
    {status::done, "no document was seen with more than one CNPJ"},
    {status::cloned, "some document was seen with more than one CNPJ: one of its copies is forged"},
    usageStatus,
    noRegisterStatus,
    internalStatus,
    unreadableRegisterStatus,
};

constexpr Option registerMergeOptions[] = {
    {"into", "LOCATION", "the register to append to (a file, made when absent, or odbc:CONNECTION)", true},
};
constexpr ExitStatusHelp registerMergeStatuses[] = {
    {status::done, "merged, and no clone came to light"},
    {status::cloned, "merged, and documents were then seen with more than one CNPJ that the target did not show"},
    usageStatus,
    noRegisterStatus,
    internalStatus,
    {status::ioFailure, "a register cannot be opened or read, the target cannot be written, or output failure "
                        "(what was appended until then stays)"},
};

constexpr Command commands[] = {
    {"catalogue", "list the approved firmware images of a workspace", "",
     "Lists the catalogue that the descriptors in TXT and the images in Bin make, one row per descriptor.",
     catalogueOptions, catalogueStatuses, catalogueCommand},
    {"validate", "check a FooterCode against the approved firmware", "CODE|-",
     "Decodes the 48-character FooterCode CODE with the approved image its checksum names and prints the\n"
     "document's data. With -, checks one code per line of standard input, answering line by line.",
     validateOptions, validateStatuses, validateCommand},
    {"encode", "make the FooterCode a printer running an image would print", "",
     "Prints the FooterCode of the given document data, enciphered with the key of the image.", encodeOptions,
     encodeStatuses, encodeCommand},
    {"selftest", "run the batch self-test against a printer on a serial line", "",
     "Sends random document data to the printer, decodes the code it returns, compares the two and\n"
     "appends the comparison to TestEncript.txt; one line per cycle on standard output.",
     selfTestOptions, selfTestStatuses, selfTestCommand},
    {"printer-sim", "answer self-test requests on a serial line as a printer would", "",
     "Simulates a fiscal printer for selftest: answers every request frame with the FooterCode of its\n"
     "data, made with the image of one catalogue row, until SIGINT or SIGTERM.",
     printerSimOptions, printerSimStatuses, printerSimCommand},
    {"register list", "list the checks a register of checked documents holds", "LOCATION",
     "Lists the records of the register at LOCATION (a file, or odbc:CONNECTION for a database server),\n"
     "in the register's order: when (UTC), station, user, verdict, CNPJ, COO, serial, moment of issue,\n"
     "firmware checksum, firmware file and code.",
     registerListOptions, registerListStatuses, registerListCommand},
    {"register clones", "list the documents registers saw with more than one CNPJ", "LOCATION...",
     "Reads the registers together and lists each document (firmware checksum, serial, COO and moment\n"
     "of issue) checked with more than one CNPJ: one line per CNPJ with its latest check.",
     registerClonesOptions, registerClonesStatuses, registerClonesCommand},
    {"register merge", "append to a register the checks other registers hold", "OTHER...",
     "Appends to the register of --into each record of every OTHER register that it lacks (one already\n"
     "there is skipped) and lists the clones the merge brings to light, as register clones does.",
     registerMergeOptions, registerMergeStatuses, registerMergeCommand},
};

} // namespace

std::span<const Command> commandTable()
{
    return commands;
}

const Command* findCommand(std::string_view name)
{
    const auto it = std::find_if(std::begin(commands), std::end(commands),
                                 [name](const Command& c) { return c.name == name; });
    return it != std::end(commands) ? &*it : nullptr;
}

bool isCommandGroup(std::string_view name)
{
    return std::any_of(std::begin(commands), std::end(commands), [name](const Command& c) {
        return c.name.size() > name.size() && c.name.starts_with(name) && c.name[name.size()] == ' ';
    });
}

} // namespace morvanex::cli
