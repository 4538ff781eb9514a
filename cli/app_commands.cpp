#include "cli/app_commands.h"

#include <cstdlib>
#include <iostream>

#include "app/headless_session.h"
#include "app/program_folder.h"
#include "cli/options.h"

namespace orvex::cli {

namespace {

// Parses a subcommand's options; false (after the help or a usage line) when
// the command should not run.
bool parse(const std::vector<std::string>& args, const std::vector<std::string>& names, CommandLine& line,
           int& status) {
    std::string problem;
    if (!ParseCommandLine(args, names, {}, line, problem)) {
        status = Usage(problem);
        return false;
    }
    if (line.help) {
        std::cout << AppCommandsHelp();
        status = 0;
        return false;
    }
    if (auto folder = line.value("program-folder")) {
        if (folder->empty()) {
            status = Usage("--program-folder needs a folder");
            return false;
        }
        app::UseProgramFolder(*folder);
    }
    return true;
}

}  // namespace

int RunMacroCommand(const std::vector<std::string>& args) {
    CommandLine line;
    int status = 0;
    if (!parse(args, {"ini", "program-folder"}, line, status)) return status;
    if (line.operands.size() != 1) return Usage("run takes one MACRO");
    return app::RunMacroSession(line.operands[0], line.value("ini").value_or(""), std::cout, std::cerr);
}

int AcquireCommand(const std::vector<std::string>& args) {
    CommandLine line;
    int status = 0;
    if (!parse(args, {"ini", "program-folder", "mode", "passes", "out"}, line, status)) return status;
    if (!line.operands.empty()) return Usage("acquire takes no operands");
    app::AcquireOptions a;
    if (auto ini = line.value("ini")) a.iniPath = *ini;
    if (auto out = line.value("out")) a.outDir = *out;
    if (auto mode = line.value("mode")) {
        if (*mode != "single" && *mode != "continuous" && *mode != "average")
            return Usage("unknown mode '" + *mode + "' (single, continuous, average)");
        a.mode = *mode;
    }
    if (auto passes = line.value("passes")) {
        char* end = nullptr;
        long n = std::strtol(passes->c_str(), &end, 10);
        if (passes->empty() || *end || n < 1 || n > 100000) return Usage("--passes takes a whole number from 1");
        a.passes = static_cast<int>(n);
    }
    return app::RunAcquireSession(a, std::cout, std::cerr);
}

std::string AppCommandsHelp() {
    return R"(  orvex-cli run [--ini FILE] [--program-folder DIR] MACRO
      Starts the system as the workstation does and runs the commands of the
      macro file MACRO, one per line (see docs/macros.md): menu commands by
      their menu path, opening, saving, closing and activating image windows,
      with the answers to what each command asks queued before it.

  orvex-cli acquire [--ini FILE] [--program-folder DIR]
                    [--mode single|continuous|average] [--passes N] [--out DIR]
      Starts the system as the workstation does (DEMO when no initialization
      file is found), runs one acquisition (continuous: Finish after N passes,
      default 1), saves one TIFF per enabled channel into DIR (default: the
      current folder) named after the channel, and writes the global history
      file there at the end.

  The program's folder: these two commands search "Orvex.ini" in ./Orvex.ini,
  ./modules/Orvex.ini, /ov/modules/Orvex.ini, then in the program's folder,
  then in the per-user configuration folder ($XDG_CONFIG_HOME/orvex, else
  ~/.config/orvex); the profile file and the files the dialogs keep
  ("last.cp", "last.cy", "last.fc", ...) go to the program's folder, or to the
  per-user folder when the program's folder cannot be written. The program's
  folder is the folder of orvex-cli unless --program-folder DIR or the
  environment variable ORVEX_PROGRAM_FOLDER=DIR gives another (tests give
  each run a folder of its own this way; the workstation takes the same).
)";
}

}  // namespace orvex::cli
