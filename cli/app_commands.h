#pragma once
// The orvex-cli commands that start the whole system: "run" (macros) and
// "acquire".
#include <string>
#include <vector>

namespace orvex::cli {

/// orvex-cli run [--ini FILE] MACRO
int RunMacroCommand(const std::vector<std::string>& args);
/// orvex-cli acquire [--ini FILE] [--mode single|continuous|average] [--passes N] [--out DIR]
int AcquireCommand(const std::vector<std::string>& args);
/// Their part of --help.
std::string AppCommandsHelp();

}  // namespace orvex::cli
