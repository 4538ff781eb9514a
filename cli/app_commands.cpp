#include "cli/app_commands.h"

#include <cstdlib>
#include <iostream>

#include <unistd.h>

#include "app/headless_session.h"
#include "app/program_folder.h"
#include "cli/options.h"

namespace orvex::cli {

namespace {

// Parses a subcommand's options; false (after the help or a usage line) when
// the command should not run.
bool parse(const std::vector<std::string>& args, const std::vector<std::string>& names,
           const std::vector<std::string>& flags, CommandLine& line, int& status) {
    std::string problem;
    if (!ParseCommandLine(args, names, flags, line, problem)) {
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
    if (!parse(args, {"ini", "program-folder", "record"}, {"each"}, line, status)) return status;
    app::MacroRunOptions options;
    options.iniPath = line.value("ini").value_or("");
    options.recordPath = line.value("record").value_or("");
    if (line.flag("each")) {
        // run MACRO --each FILE...: the first operand is the macro, the others its inputs.
        if (line.operands.size() < 2) return Usage("run --each takes a MACRO and at least one FILE");
        if (!options.recordPath.empty()) return Usage("--record records one run: it does not go with --each");
        options.each.assign(line.operands.begin() + 1, line.operands.end());
        options.showProgress = ::isatty(STDERR_FILENO) != 0;
    } else if (line.operands.size() != 1) {
        return Usage("run takes one MACRO");
    } else if (options.recordPath.empty() && line.values.count("record")) {
        return Usage("--record needs a FILE");
    }
    options.macroPath = line.operands[0];
    return app::RunMacroSession(options, std::cout, std::cerr);
}

int AcquireCommand(const std::vector<std::string>& args) {
    CommandLine line;
    int status = 0;
    if (!parse(args, {"ini", "program-folder", "mode", "passes", "out"}, {}, line, status)) return status;
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
    return R"(  orvex-cli run [--ini FILE] [--program-folder DIR] [--record FILE] MACRO
  orvex-cli run [--ini FILE] [--program-folder DIR] MACRO --each FILE...
      Starts the system as the workstation does and runs the commands of the
      macro file MACRO, one per line (see docs/macros.md): menu commands by
      their menu path, opening, saving, closing and activating image windows,
      with the answers to what each command asks queued before it.
      --record FILE writes the macro the run executed, normalised, to FILE.
      --each runs MACRO once per FILE, each from a fresh start, with ${file}
      (the path as given), ${name} (its name without folder and extension)
      and ${dir} (its folder) replaced in every line; it ends with
      "N passed, M failed" and exits 1 when any run failed.

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
