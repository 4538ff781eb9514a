#include "gui/qt_ui.h"

#include <QApplication>
#include <QColorDialog>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include "gui/dialog_renderer.h"
#include "gui/image_picker.h"
#include "gui/pickable_view.h"
#include "gui/qt_surface.h"
#include "gui/view_pick.h"
#include "platform/dialog_model.h"

namespace orvex::gui {

using platform::Answer;
using platform::Buttons;

QtUi::QtUi() {
    qApp->installEventFilter(this);
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { setQuitting(); });
}

QtUi::~QtUi() {
    if (qApp) qApp->removeEventFilter(this);
    if (waitCursor_) QApplication::restoreOverrideCursor();
    delete picker_;
}

Answer QtUi::message(const std::string& text, const std::string& caption, Buttons buttons,
                     platform::Icon icon) {
    QMessageBox box(parent_);
    box.setObjectName("MessageBox");
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
    box.setTextFormat(Qt::PlainText);
    switch (icon) {
        case platform::Icon::Information: box.setIcon(QMessageBox::Information); break;
        case platform::Icon::Warning: box.setIcon(QMessageBox::Warning); break;
        case platform::Icon::Error: box.setIcon(QMessageBox::Critical); break;
        case platform::Icon::Question: box.setIcon(QMessageBox::Question); break;
        case platform::Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    }
    switch (buttons) {
        case Buttons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            box.setEscapeButton(QMessageBox::Ok);
            break;
        case Buttons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case Buttons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            break;
        case Buttons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Yes);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
    }
    // A message shown while the wait cursor is on must still be answerable.
    if (waitCursor_) QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int pressed = box.exec();
    if (waitCursor_) QApplication::restoreOverrideCursor();
    switch (pressed) {
        case QMessageBox::Ok: return Answer::Ok;
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        case QMessageBox::Cancel: return Answer::Cancel;
        default: return platform::neutralAnswer(buttons);
    }
}

QString QtUi::filterText(const std::pair<std::string, std::string>& filter) {
    // Qt takes the patterns from the last parenthesis of a filter, and the
    // system's descriptions have parentheses of their own ("TIFF (2, 16, 256
    // colors )"), so the patterns always go last. Several patterns are
    // separated by ";" in the system's form and by blanks in Qt's.
    QString patterns = QString::fromStdString(filter.second);
    patterns.replace(';', ' ');
    const QString description = QString::fromStdString(filter.first);
    if (description.endsWith("(" + patterns + ")")) return description;
    return description + " (" + patterns + ")";
}

std::optional<platform::FileAnswer> QtUi::chooseFile(const platform::FileRequest& request) {
    QFileDialog dialog(parent_, QString::fromStdString(request.title));
    dialog.setObjectName(request.save ? "SaveFileDialog" : "OpenFileDialog");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    QStringList filters;
    for (const auto& f : request.filters) filters << filterText(f);
    if (filters.isEmpty()) filters << "All Files (*)";
    dialog.setNameFilters(filters);
    if (request.filterIndex >= 0 && request.filterIndex < filters.size())
        dialog.selectNameFilter(filters[request.filterIndex]);
    QString suffix = QString::fromStdString(request.defaultExtension);
    while (suffix.startsWith('*') || suffix.startsWith('.')) suffix.remove(0, 1);
    if (!suffix.isEmpty()) dialog.setDefaultSuffix(suffix);
    QString folder = QString::fromStdString(request.folder);
    folder.replace('\\', '/');
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) dialog.setDirectory(folder);
    if (!request.name.empty()) {
        QString name = QString::fromStdString(request.name);
        name.replace('\\', '/');
        dialog.selectFile(name);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    platform::FileAnswer answer;
    answer.path = dialog.selectedFiles().front().toStdString();
    answer.filterIndex = std::max(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())));
    return answer;
}

std::optional<uint32_t> QtUi::chooseColour(uint32_t initial) {
    const QColor chosen = QColorDialog::getColor(toQColor(initial), parent_, QString(),
                                                 QColorDialog::DontUseNativeDialog);
    if (!chosen.isValid()) return std::nullopt;
    return fromQColor(chosen);
}

std::optional<int> QtUi::chooseFromList(const std::string& caption,
                                        const std::vector<std::string>& items) {
    QStringList list;
    for (const auto& item : items) list << QString::fromStdString(item);
    if (list.isEmpty()) return std::nullopt;
    bool ok = false;
    const QString chosen = QInputDialog::getItem(parent_, QString::fromStdString(caption),
                                                 QString::fromStdString(caption), list, 0, false, &ok);
    if (!ok) return std::nullopt;
    const int index = static_cast<int>(list.indexOf(chosen));
    if (index < 0) return std::nullopt;
    return index;
}

bool QtUi::runDialog(platform::DialogModel& dialog) {
    dialog.initialize();
    DialogRenderer renderer(dialog, parent_);
    if (waitCursor_) QApplication::setOverrideCursor(Qt::ArrowCursor);
    // A loop of our own rather than exec(): a dialog that steps aside for a
    // pick is hidden, and hiding would end exec() as if it had been closed.
    renderer.setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    QObject::connect(&renderer, &QDialog::finished, &loop, &QEventLoop::quit);
    renderer.show();
    loop.exec(QEventLoop::DialogExec);
    if (waitCursor_) QApplication::restoreOverrideCursor();
    return dialog.closed() && dialog.accepted();
}

ImagePicker& QtUi::picker() {
    if (!picker_) picker_ = new ImagePicker(parent_);
    else if (picker_->parentWidget() != parent_.data()) {
        delete picker_.data();
        picker_ = new ImagePicker(parent_);
    }
    return *picker_;
}

namespace {

// A pick asked for from inside a dialog ("Pick Low", a statistics rectangle)
// must reach the image windows, which the dialog's modality blocks: the
// dialog steps aside for the length of the pick and comes back after it.
class DialogAside {
public:
    DialogAside() : dialog_(qobject_cast<DialogRenderer*>(QApplication::activeModalWidget())) {
        if (dialog_) dialog_->hide();
    }
    ~DialogAside() {
        if (!dialog_) return;
        dialog_->show();
        dialog_->raise();
        dialog_->activateWindow();
    }
    DialogAside(const DialogAside&) = delete;
    DialogAside& operator=(const DialogAside&) = delete;

private:
    QPointer<DialogRenderer> dialog_;
};

}  // namespace

platform::ImagePickEvent QtUi::awaitImagePick(const platform::PickPrompt& prompt) {
    if (quitting_) return {};
    // One pick at a time: a second one from inside the first's loop would
    // hold the first until it ended, and answer the wrong command.
    if (ViewPick::active() || (picker_ && picker_->waiting())) return {};
    DialogAside aside;
    // Told once the wait has begun, so that the commands grey for it.
    QTimer::singleShot(0, this, [this] {
        if (onPickChanged) onPickChanged();
    });
    platform::ImagePickEvent event = picker().await(prompt);
    if (onPickChanged) onPickChanged();
    return event;
}

bool QtUi::pickPending() const { return ViewPick::active() || (picker_ && picker_->waiting()); }

void QtUi::windowClosing(int imageNumber) {
    if (ViewPick* pick = ViewPick::active(); pick && pick->imageNumber() == imageNumber) pick->cancel();
    // The picker's entries may hold the closing window, and its requirements
    // compare with it: the command ends as cancelled rather than guess.
    if (picker_ && picker_->waiting()) picker_->cancel();
}

namespace {

template <class Result>
std::optional<Result> runPick(QtUi& ui, int imageNumber, const std::string& prompt,
                              ViewPick::Mode mode, Result (*read)(const ViewPick&)) {
    if (ui.quitting() || ui.pickPending()) return std::nullopt;
    if (!findPickableView(imageNumber)) return std::nullopt;
    if (ui.onPrompt) ui.onPrompt(prompt);
    DialogAside aside;
    ViewPick pick(imageNumber, mode);
    QTimer::singleShot(0, &ui, [&ui] {
        if (ui.onPickChanged) ui.onPickChanged();
    });
    const bool done = pick.run();
    if (ui.onPrompt) ui.onPrompt("");
    if (ui.onPickChanged) ui.onPickChanged();
    if (!done) return std::nullopt;
    return read(pick);
}

}  // namespace

std::optional<platform::PixelPoint> QtUi::pickPixel(int imageNumber, const std::string& prompt) {
    return runPick<platform::PixelPoint>(*this, imageNumber, prompt, ViewPick::Mode::Pixel,
                                         [](const ViewPick& p) { return p.from(); });
}

std::optional<platform::PixelRect> QtUi::pickRectangle(int imageNumber, const std::string& prompt) {
    return runPick<platform::PixelRect>(*this, imageNumber, prompt, ViewPick::Mode::Rectangle,
                                        [](const ViewPick& p) { return p.rect(); });
}

std::optional<platform::PixelLine> QtUi::pickLine(int imageNumber, const std::string& prompt) {
    return runPick<platform::PixelLine>(*this, imageNumber, prompt, ViewPick::Mode::Line,
                                        [](const ViewPick& p) {
                                            return platform::PixelLine{p.from(), p.to()};
                                        });
}

void QtUi::setWaitCursor(bool on) {
    if (on == waitCursor_) return;
    waitCursor_ = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void QtUi::setStatusText(int pane, const std::string& text) {
    status_[pane] = text;
    if (onStatus) onStatus(pane, text);
}

void QtUi::setProgress(int percent, const std::string& text) {
    if (onProgress) onProgress(percent, text);
}

bool QtUi::pumpMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (onPump) onPump();
    return !quitting_;
}

bool QtUi::takeEscape() {
    if (!escapePending_ && PaintScope::paintDepth() == 0) {
        // Look at what arrived without letting other input start anything:
        // the program is busy, as a loop polling the key would be.
        holdInput_ = true;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        holdInput_ = false;
    }
    const bool pending = escapePending_;
    escapePending_ = false;
    return pending;
}

void QtUi::setQuitting() {
    quitting_ = true;
    if (picker_) picker_->cancel();
    if (ViewPick* pick = ViewPick::active()) pick->cancel();
}

bool QtUi::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            // An Esc that closes a dialog or a menu is theirs, not a request
            // to stop the work.
            if (key->key() == Qt::Key_Escape && !key->isAutoRepeat() &&
                !QApplication::activeModalWidget() && !QApplication::activePopupWidget()) {
                escapePending_ = true;
                if (holdInput_) return true;
            }
            return holdInput_;
        }
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
            return holdInput_;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace orvex::gui
