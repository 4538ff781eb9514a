#pragma once
// Helpers for answering the workstation's modal windows from a test: the
// answer is queued before the call that opens the window and runs as soon as
// the window is up.
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "app/application.h"
#include "gui/main_window.h"
#include "gui/qt_ui.h"
#include "imagestore/window_list.h"
#include "platform/ui.h"

namespace orvex::gui::testing {

/// Runs `answer` on the next modal window (message box, file dialog, dialog
/// model) once it is shown; gives up after about five seconds.
inline void onNextModal(std::function<void(QWidget*)> answer, QWidget* after = nullptr) {
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, answer, after] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != after && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            answer(modal);
            return;
        }
        if (++*tries > 6000) {  // a minute, for a loaded machine
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

/// Answers a file dialog with a path as a user would: typed into the name
/// field, then accepted. QFileDialog::selectFile leaves the field alone once
/// it has the focus, and whether it has depends on when the window system
/// activated the dialog; the answer must not.
inline bool answerFileDialog(QFileDialog* dialog, const QString& path) {
    auto* name = dialog ? dialog->findChild<QLineEdit*>("fileNameEdit") : nullptr;
    if (!name) return false;
    name->setText(path);
    QMetaObject::invokeMethod(dialog, "accept");
    return true;
}

}  // namespace orvex::gui::testing

#include <QAbstractButton>
#include <QMessageBox>
#include <QStringList>

namespace orvex::gui::testing {

/// Presses OK on every message box shown while it lives, and keeps their
/// texts: a fresh folder makes the start-up report its missing files.
class Acknowledger {
public:
    Acknowledger() {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            seen << box->windowTitle() + ": " + box->text();
            if (QAbstractButton* ok = box->button(QMessageBox::Ok)) ok->click();
            else if (QAbstractButton* no = box->button(QMessageBox::No)) no->click();
        });
        timer_.start();
    }
    QStringList seen;

private:
    QTimer timer_;
};

/// Starts the workstation on `folder` from a fresh window list and
/// application, answering the start-up's messages (kept in `messages` when
/// given); true once the main window is shown.
inline bool StartWorkstation(QtUi*& ui, MainWindow*& window, const QString& folder,
                             const std::vector<std::string>& files = {},
                             QStringList* messages = nullptr) {
    windowList().Reset();
    app::application().reset();
    ui = new QtUi;
    platform::setUi(ui);
    window = new MainWindow(*ui);
    {
        Acknowledger acknowledge;
        window->start(folder.toStdString(), files);
        if (messages) {
            QCoreApplication::processEvents();
            *messages = acknowledge.seen;
        }
    }
    return QTest::qWaitForWindowExposed(window);
}

/// Closes what StartWorkstation made and goes back to the start-up state.
inline void StopWorkstation(QtUi*& ui, MainWindow*& window) {
    delete window;
    window = nullptr;
    windowList().Reset();
    app::application().reset();
    platform::setUi(nullptr);
    delete ui;
    ui = nullptr;
}

}  // namespace orvex::gui::testing
