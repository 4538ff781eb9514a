#pragma once
// The system without windows, started and ended as the workstation does:
// what orvex-cli's "run" and "acquire" stand on.
#include <iosfwd>
#include <string>

namespace orvex::app {

class MacroUi;

/// Starts the system on the given Ui in the program's folder (ProgramFolder()):
/// the initialization file is searched for as usual, or `iniPath` is taken as
/// it (DEMO when none is found).
void StartHeadless(MacroUi& ui, const std::string& iniPath);
/// Ends as "E&xit" with "Close &All": nothing is asked, nothing saved.
void EndHeadless(MacroUi& ui);

/// orvex-cli run: 0 when every line ran, 1 at a fault.
int RunMacroSession(const std::string& macroPath, const std::string& iniPath, std::ostream& out,
                    std::ostream& err);

struct AcquireOptions {
    std::string iniPath;
    std::string mode = "single";  // single, continuous or average
    int passes = 1;               // continuous: Finish after this many passes
    std::string outDir = ".";
};

/// orvex-cli acquire: runs the acquisition, saves one TIFF per enabled channel
/// into outDir named after the channel, and writes the global history file
/// there at the end. 0 when every image was saved.
int RunAcquireSession(const AcquireOptions& options, std::ostream& out, std::ostream& err);

}  // namespace orvex::app
