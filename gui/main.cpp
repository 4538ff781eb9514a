#include <QApplication>

#include "gui/workstation.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return orvex::gui::runWorkstation(app);
}
