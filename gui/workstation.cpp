#include "gui/workstation.h"

#include <QIcon>
#include <cstdio>

#include "app/program_folder.h"
#include "config/profile_file.h"
#include "gui/main_window.h"
#include "gui/qt_ui.h"

namespace orvex::gui {

namespace {

// On a machine that has never run the program there is no initialization
// file anywhere the search looks: one for the DEMO instrument is put where
// the program keeps its files, so the workstation starts on the simulated
// instrument rather than with a fatal-error box.
void ensureDemoIniFile(const std::string& programFolder) {
    for (const std::string& candidate : app::IniSearch(programFolder))
        if (!config::ReadProfileString(candidate, "hardware", "probetype", "", 20).empty()) return;
    config::WriteProfileString(app::KeptFilesFolder(programFolder) + "/Orvex.ini", "hardware", "probetype",
                               "DEMO");
}

}  // namespace

WorkstationArguments ParseWorkstationArguments(const QStringList& arguments) {
    WorkstationArguments parsed;
    bool optionsEnded = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded || !argument.startsWith("-") || argument == "-") {
            parsed.files.push_back(argument.toStdString());
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            parsed.help = true;
        } else if (argument == "--program-folder") {
            if (i + 1 >= arguments.size()) {
                parsed.problem = "--program-folder needs a folder";
                break;
            }
            parsed.programFolder = arguments[++i].toStdString();
        } else if (argument.startsWith("--program-folder=")) {
            parsed.programFolder = argument.mid(int(sizeof("--program-folder=")) - 1).toStdString();
        } else {
            parsed.problem = "unknown option '" + argument.toStdString() + "'";
            break;
        }
    }
    return parsed;
}

std::string WorkstationHelp() {
    return R"(Usage: orvex [--program-folder DIR] [FILE...]

The Qt workstation of Orvex. Each FILE is opened as File > Open would, its
type taken from its extension (.tif, .pcx, .bmp, .grd, .fc).

  --program-folder DIR  search "Orvex.ini" in DIR (after ./Orvex.ini,
                        ./modules/Orvex.ini and /ov/modules/Orvex.ini) and keep
                        the profile file and the files the dialogs keep there;
                        ORVEX_PROGRAM_FOLDER does the same. Default: the
                        program's folder, or $XDG_CONFIG_HOME/orvex (else
                        ~/.config/orvex) when that cannot be written.
  --help, -h            this text
)";
}

int runWorkstation(QApplication& app) {
    QApplication::setApplicationName("Orvex");
    QApplication::setWindowIcon(QIcon(":/orvex/orvex.svg"));
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty()) arguments.removeFirst();
    const WorkstationArguments parsed = ParseWorkstationArguments(arguments);
    if (parsed.help) {
        std::fputs(WorkstationHelp().c_str(), stdout);
        return 0;
    }
    if (!parsed.problem.empty()) {
        std::fprintf(stderr, "orvex: %s (try orvex --help)\n", parsed.problem.c_str());
        return 2;
    }
    if (!parsed.programFolder.empty()) app::UseProgramFolder(parsed.programFolder);
    const std::string folder = app::ProgramFolder();
    ensureDemoIniFile(folder);
    QtUi ui;
    platform::Ui* previous = platform::setUi(&ui);
    int code = 0;
    {
        MainWindow window(ui);
        window.start(folder, parsed.files);
        code = app.exec();
    }
    platform::setUi(previous);
    return code;
}

}  // namespace orvex::gui
