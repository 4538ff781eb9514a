#pragma once
// The commands of orvex-cli. Every message the system shows is printed on
// stderr as "caption: text"; the exit status is 0 when the command did its
// work, 1 when it failed, 2 for bad usage.
#include <string>

namespace orvex::cli {

enum ExitStatus : int { ExitDone = 0, ExitFailed = 1, ExitUsage = 2 };

/// Runs orvex-cli with its command line.
int Run(int argc, char** argv);

/// The text of --help.
std::string HelpText();

}  // namespace orvex::cli
