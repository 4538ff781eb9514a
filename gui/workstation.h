#pragma once
// Starts the workstation in a QApplication: installs the Qt services, builds
// the main window, runs the start-up order and the event loop.
#include <QApplication>
#include <QStringList>
#include <string>
#include <vector>

namespace orvex::gui {

/// What the workstation's command line asks for:
/// "orvex [--program-folder DIR] [FILE...]".
struct WorkstationArguments {
    /// The folder the program searches for "Orvex.ini" and keeps its files in
    /// (empty: ORVEX_PROGRAM_FOLDER, else the program's own folder).
    std::string programFolder;
    /// Images to open at start, each as "&Open..." would.
    std::vector<std::string> files;
    bool help = false;
    /// Not empty: the command line could not be understood.
    std::string problem;
};

/// Reads the arguments after the program's name (Qt's own already taken out).
WorkstationArguments ParseWorkstationArguments(const QStringList& arguments);

/// The text of "orvex --help".
std::string WorkstationHelp();

/// Runs the workstation until it ends; returns the exit code.
int runWorkstation(QApplication& app);

}  // namespace orvex::gui
