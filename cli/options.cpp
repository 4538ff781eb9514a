#include "cli/options.h"

#include <algorithm>
#include <iostream>

namespace orvex::cli {

namespace {

bool listed(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

std::optional<std::string> CommandLine::value(const std::string& name) const {
    auto it = values.find(name);
    if (it == values.end()) return std::nullopt;
    return it->second;
}

bool CommandLine::flag(const std::string& name) const { return listed(flags, name); }

bool ParseCommandLine(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                      const std::vector<std::string>& flags, CommandLine& line, std::string& problem) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            line.operands.insert(line.operands.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                 args.end());
            break;
        }
        if (arg == "--help" || arg == "-h") {
            line.help = true;
            continue;
        }
        if (arg.rfind("--", 0) != 0 || arg.size() == 2) {
            line.operands.push_back(arg);
            continue;
        }
        std::string name = arg.substr(2);
        if (listed(flags, name)) {
            if (!line.flag(name)) line.flags.push_back(name);
            continue;
        }
        std::optional<std::string> value;
        if (size_t eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        if (!listed(valued, name)) {
            problem = "unknown option '" + arg + "'";
            return false;
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                problem = "option '--" + name + "' needs a value";
                return false;
            }
            value = args[++i];
        }
        line.values[name] = *value;
    }
    return true;
}

int Usage(const std::string& problem) {
    std::cerr << "orvex-cli: " << problem << "\n"
              << "Try 'orvex-cli --help'.\n";
    return 2;
}

}  // namespace orvex::cli
