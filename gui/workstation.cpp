#include "gui/workstation.h"

#include <QIcon>

#include "config/ini_location.h"
#include "config/profile_file.h"
#include "gui/main_window.h"
#include "gui/qt_ui.h"

namespace orvex::gui {

namespace {

// On a machine that has never run the program there is no initialization
// file anywhere the search looks: one for the DEMO instrument is put beside
// the program, so the workstation starts on the simulated instrument rather
// than with a fatal-error box.
void ensureDemoIniFile(const std::string& programFolder) {
    for (const std::string& candidate : config::IniCandidates())
        if (!config::ReadProfileString(candidate, "hardware", "probetype", "", 20).empty()) return;
    config::WriteProfileString(programFolder + "/Orvex.ini", "hardware", "probetype", "DEMO");
}

}  // namespace

int runWorkstation(QApplication& app) {
    QApplication::setApplicationName("Orvex");
    QApplication::setWindowIcon(QIcon(":/orvex/orvex.svg"));
    const std::string folder = QCoreApplication::applicationDirPath().toStdString();
    ensureDemoIniFile(folder);
    QtUi ui;
    platform::Ui* previous = platform::setUi(&ui);
    int code = 0;
    {
        MainWindow window(ui);
        window.start(folder);
        code = app.exec();
    }
    platform::setUi(previous);
    return code;
}

}  // namespace orvex::gui
