#pragma once

#include "register/check_register.h"

#include <filesystem>
#include <memory>
#include <string>

namespace morvanex {

// The register of a desk: a plain-text file (register_format.h), made when absent, owner-only. Any
// number of processes may share it: each block of records is appended whole under the file's lock,
// and before every answer the records others appended meanwhile are read. Lines are never rewritten;
// a torn or damaged line is skipped with a warning naming its line number. The file is read when the
// first check or merge needs it, so opening it to list its records reads it once.
// Nothing, with error set, when the file cannot be read or is not a register of this format.
std::unique_ptr<CheckRegister> openFileRegister(const std::filesystem::path& path,
                                                const RegisterWarning& warn, std::string* error);

} // namespace morvanex
