#include "app/headless_session.h"

#include <fstream>
#include <ostream>
#include <sstream>

#include "acquisition/acquire_commands.h"

#include "app/application.h"
#include "app/macro.h"
#include "app/macro_recorder.h"
#include "app/palette_bar.h"
#include "app/program_folder.h"
#include "app/scale_bar.h"
#include "config/software_settings.h"
#include "imagestore/history.h"
#include "imagestore/image_info.h"
#include "imagestore/image_window_events.h"
#include "imagestore/window_list.h"
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
    MacroRunOptions options;
    options.macroPath = macroPath;
    options.iniPath = iniPath;
    return RunMacroSession(options, out, err);
}

std::string MacroForFile(const std::string& macro, const std::string& path) {
    std::string folder = FolderOf(path);
    std::string name = DisplayName(path);
    if (size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.resize(dot);
    const std::pair<const char*, std::string> kFields[] = {
        {"${file}", path}, {"${name}", name}, {"${dir}", folder.empty() ? "." : folder}};
    std::string text;
    for (size_t i = 0; i < macro.size();) {
        bool replaced = false;
        for (const auto& [field, value] : kFields) {
            if (macro.compare(i, std::char_traits<char>::length(field), field) == 0) {
                text += value;
                i += std::char_traits<char>::length(field);
                replaced = true;
                break;
            }
        }
        if (!replaced) text += macro[i++];
    }
    return text;
}

namespace {

// Back to the state of a program that has just been started: no windows (the
// next is image 1), empty histories, settings as the program knows them.
void FreshStart() {
    windowList().Reset();
    ResetGlobalHistory();
    OV_Info_Reset();
    imageWindowEventHooks() = ImageWindowEventHooks{};
    resetSoftwareSettings();
    resetAcquireMenuState();
    application().reset();
    palfile().reset();
    scaleBar().reset();
}

bool readText(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::stringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}

}  // namespace

int RunMacroSession(const MacroRunOptions& options, std::ostream& out, std::ostream& err) {
    platform::Ui* previous = &platform::ui();
    if (options.each.empty()) {
        MacroUi ui;
        MacroRunner runner(ui, out, err);  // prints the messages of start-up too
        StartHeadless(ui, options.iniPath);
        MacroRecorder& recorder = macroRecorder();
        if (!options.recordPath.empty()) {
            recorder.Clear();
            recorder.Start();
        }
        bool ok = runner.RunFile(options.macroPath);
        if (!options.recordPath.empty()) {
            recorder.Stop();
            ok = recorder.Save(options.recordPath) && ok;
        }
        EndHeadless(ui);
        platform::setUi(previous);
        return ok ? 0 : 1;
    }

    std::string macro;
    if (!readText(options.macroPath, macro)) {
        err << options.macroPath << ":0: cannot read the macro\n";
        return 1;
    }
    std::vector<std::pair<std::string, std::string>> failed;  // file, first fault
    const size_t count = options.each.size();
    for (size_t i = 0; i < count; ++i) {
        const std::string& file = options.each[i];
        if (options.showProgress) err << "[" << i + 1 << "/" << count << "] " << file << "\n";
        if (i > 0) FreshStart();
        MacroUi ui;
        MacroRunner runner(ui, out, err);
        runner.setInput(file);
        StartHeadless(ui, options.iniPath);
        if (!runner.RunText(MacroForFile(macro, file), options.macroPath))
            failed.emplace_back(file, runner.fault().empty() ? "failed" : runner.fault());
        EndHeadless(ui);
    }
    platform::setUi(previous);
    for (const auto& [file, fault] : failed) out << "failed: " << file << ": " << fault << "\n";
    out << count - failed.size() << " passed, " << failed.size() << " failed\n";
    return failed.empty() ? 0 : 1;
}

}  // namespace orvex::app
