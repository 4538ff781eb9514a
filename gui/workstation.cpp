#include "gui/workstation.h"

#include <QIcon>

#include "gui/main_window.h"
#include "gui/qt_ui.h"

namespace orvex::gui {

int runWorkstation(QApplication& app) {
    QApplication::setApplicationName("Orvex");
    QApplication::setWindowIcon(QIcon(":/orvex/orvex.svg"));
    QtUi ui;
    platform::Ui* previous = platform::setUi(&ui);
    int code = 0;
    {
        MainWindow window(ui);
        window.start();
        code = app.exec();
    }
    platform::setUi(previous);
    return code;
}

}  // namespace orvex::gui
