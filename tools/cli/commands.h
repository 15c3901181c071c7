#pragma once

namespace morvanex::cli {

struct Arguments;

// Each command takes its arguments, parsed against its options in the command table, and returns the
// process's exit status.
int encodeCommand(const Arguments& args);
int catalogueCommand(const Arguments& args);
int validateCommand(const Arguments& args);
int printerSimCommand(const Arguments& args);
int selfTestCommand(const Arguments& args);

} // namespace morvanex::cli
