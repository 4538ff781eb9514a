#include "cli/app_commands.h"

#include <cstdlib>
#include <iostream>

#include "app/headless_session.h"

namespace orvex::cli {

namespace {

int usage(const std::string& problem) {
    std::cerr << "orvex-cli: " << problem << "\nTry 'orvex-cli --help'.\n";
    return 2;
}

// --name VALUE options, the rest as operands; false after a usage line.
bool parse(const std::vector<std::string>& args, const std::vector<std::string>& names,
           std::vector<std::pair<std::string, std::string>>& options, std::vector<std::string>& operands,
           int& status) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            std::cout << AppCommandsHelp();
            status = 0;
            return false;
        }
        if (a.rfind("--", 0) == 0) {
            std::string name = a.substr(2);
            bool known = false;
            for (const auto& n : names) known |= n == name;
            if (!known) {
                status = usage("unknown option '" + a + "'");
                return false;
            }
            if (i + 1 >= args.size()) {
                status = usage("option '" + a + "' needs a value");
                return false;
            }
            options.push_back({name, args[++i]});
        } else {
            operands.push_back(a);
        }
    }
    return true;
}

}  // namespace

int RunMacroCommand(const std::vector<std::string>& args) {
    std::vector<std::pair<std::string, std::string>> options;
    std::vector<std::string> operands;
    int status = 0;
    if (!parse(args, {"ini"}, options, operands, status)) return status;
    if (operands.size() != 1) return usage("run takes one MACRO");
    std::string ini;
    for (auto& [name, value] : options) ini = value;
    return app::RunMacroSession(operands[0], ini, std::cout, std::cerr);
}

int AcquireCommand(const std::vector<std::string>& args) {
    std::vector<std::pair<std::string, std::string>> options;
    std::vector<std::string> operands;
    int status = 0;
    if (!parse(args, {"ini", "mode", "passes", "out"}, options, operands, status)) return status;
    if (!operands.empty()) return usage("acquire takes no operands");
    app::AcquireOptions a;
    for (auto& [name, value] : options) {
        if (name == "ini") a.iniPath = value;
        else if (name == "out") a.outDir = value;
        else if (name == "mode") {
            if (value != "single" && value != "continuous" && value != "average")
                return usage("unknown mode '" + value + "' (single, continuous, average)");
            a.mode = value;
        } else if (name == "passes") {
            char* end = nullptr;
            long n = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end || n < 1 || n > 100000) return usage("--passes takes a whole number from 1");
            a.passes = static_cast<int>(n);
        }
    }
    return app::RunAcquireSession(a, std::cout, std::cerr);
}

std::string AppCommandsHelp() {
    return R"(  orvex-cli run [--ini FILE] MACRO
      Starts the system as the workstation does and runs the commands of the
      macro file MACRO, one per line (see docs/macros.md): menu commands by
      their menu path, opening, saving, closing and activating image windows,
      with the answers to what each command asks queued before it.

  orvex-cli acquire [--ini FILE] [--mode single|continuous|average]
                    [--passes N] [--out DIR]
      Starts the system as the workstation does (DEMO when no initialization
      file is found), runs one acquisition (continuous: Finish after N passes,
      default 1), saves one TIFF per enabled channel into DIR (default: the
      current folder) named after the channel, and writes the global history
      file there at the end.
)";
}

}  // namespace orvex::cli
