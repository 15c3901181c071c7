#pragma once

#include "register/check_register.h"
#include "register/record_index.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace morvanex {

// Takes every record of source into index; false, with error set, when source cannot be read.
bool indexRecords(CheckRegister& source, RecordIndex& index, std::string* error);

// The registers at locations (as openCheckRegister takes them) indexed together: what their clones
// and shared printers are across all of them. Nothing, with error set, when one cannot be opened or
// read.
std::optional<RecordIndex> indexRegisters(std::span<const std::string> locations, const RegisterWarning& warn,
                                          std::string* error);

struct MergeResult
{
    std::size_t appended = 0; // records target did not hold
    // The documents seen with more than one CNPJ once the registers are together, where target alone
    // lacked one of those CNPJs: clones that the merge brings to light.
    std::vector<ClonedDocument> revealed;
};

// Appends to target, in order, each record of the sources it lacks (one already there is skipped),
// so that the registers of several desks come together. Nothing, with error set, when a register
// cannot be read or target written; what was appended until then stays.
std::optional<MergeResult> mergeRegisters(CheckRegister& target, std::span<CheckRegister* const> sources,
                                          std::string* error);

} // namespace morvanex
