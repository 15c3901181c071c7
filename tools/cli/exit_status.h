#pragma once

#include "validation/validation_flow.h"

namespace morvanex::cli {

// The process's exit statuses, each written once: the commands return them and their help lists them.
// An outcome of the work is told apart from a usage error, a missing input and an input/output failure.
namespace exit_status {

inline constexpr int done = 0;

// validate: the verdict on one code (of).
inline constexpr int valid = 0;
inline constexpr int invalidString = 1;
inline constexpr int firmwareNotFound = 2;
inline constexpr int checksumMismatch = 3;
inline constexpr int ambiguous = 4;
inline constexpr int cnpjMismatch = 5;
inline constexpr int implausible = 6;
// 7 is free, kept for the verdict of a register of checked documents.
// validate -: some line was not Valid.
inline constexpr int someLineNotValid = 10;

// selftest and printer-sim.
inline constexpr int deviceUnavailable = 1;
inline constexpr int cyclesFailed = 3;

inline constexpr int usageError = 64;
// The workspace folder is not there; validate: its catalogue is empty.
inline constexpr int noInput = 66;
inline constexpr int internalFailure = 70;
// Standard input cannot be read, standard output cannot be written, a folder or file cannot be read.
inline constexpr int ioFailure = 74;

// The status of a verdict. ImageUnreadable is no verdict on the document: a file could not be read.
constexpr int of(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Valid:
        return valid;
    case Verdict::InvalidString:
        return invalidString;
    case Verdict::FirmwareNotFound:
        return firmwareNotFound;
    case Verdict::ChecksumMismatch:
        return checksumMismatch;
    case Verdict::Ambiguous:
        return ambiguous;
    case Verdict::CnpjMismatch:
        return cnpjMismatch;
    case Verdict::Implausible:
        return implausible;
    case Verdict::ImageUnreadable:
        return ioFailure;
    }
    return internalFailure;
}

} // namespace exit_status
} // namespace morvanex::cli
