#include "app/headless_session.h"

#include <ostream>

#include "app/application.h"
#include "app/macro.h"
#include "app/program_folder.h"
#include "config/software_settings.h"
#include "platform/ui.h"

namespace orvex::app {

void StartHeadless(MacroUi& ui, const std::string& iniPath) {
    platform::setUi(&ui);
    Application& a = application();
    a.steps = DefaultLifecycleSteps();
    if (!iniPath.empty()) {
        a.steps.locateIni = [iniPath] {
            softwareSettings().iniPath = iniPath;
            return true;
        };
    }
    a.Start(ProgramFolder());
}

void EndHeadless(MacroUi& ui) {
    Application& a = application();
    if (a.running) {
        ui.answers.clear();
        ui.queue(platform::DialogScript{{{platform::DialogStep::Op::Press, "Close &All"}}});
        a.Exit();
        ui.answers.clear();
    }
    platform::setUi(nullptr);
}

int RunMacroSession(const std::string& macroPath, const std::string& iniPath, std::ostream& out,
                    std::ostream& err) {
    MacroUi ui;
    MacroRunner runner(ui, out, err);  // prints the messages of start-up too
    platform::Ui* previous = platform::setUi(&ui);
    StartHeadless(ui, iniPath);
    bool ok = runner.RunFile(macroPath);
    EndHeadless(ui);
    platform::setUi(previous);
    return ok ? 0 : 1;
}

}  // namespace orvex::app
