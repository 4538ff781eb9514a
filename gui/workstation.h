#pragma once
// Starts the workstation in a QApplication: installs the Qt services, builds
// the main window, runs the start-up order and the event loop.
#include <QApplication>

namespace orvex::gui {

/// Runs the workstation until it ends; returns the exit code.
int runWorkstation(QApplication& app);

}  // namespace orvex::gui
