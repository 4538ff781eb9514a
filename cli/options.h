#pragma once
// The command line of every orvex-cli subcommand: "--name VALUE" and
// "--name=VALUE" options, flags, "--help"/"-h", and operands ("--" ends the
// options).
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace orvex::cli {

struct CommandLine {
    std::vector<std::string> operands;
    std::map<std::string, std::string> values;  // the last value given wins
    std::vector<std::string> flags;
    bool help = false;

    std::optional<std::string> value(const std::string& name) const;
    bool flag(const std::string& name) const;
};

/// Parses the arguments after the subcommand; false with a one-line problem
/// for an unknown option or a value that is missing.
bool ParseCommandLine(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                      const std::vector<std::string>& flags, CommandLine& line, std::string& problem);

/// Prints the problem and the hint to stderr; returns the usage exit status 2.
int Usage(const std::string& problem);

}  // namespace orvex::cli
