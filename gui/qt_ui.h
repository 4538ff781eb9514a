#pragma once
// The system's window-system services with Qt: message boxes, file dialogs,
// the colour chooser, dialog models, the pickers, cursors, status and
// progress, the message pump and the Esc key.
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>

#include "platform/ui.h"

namespace orvex::gui {

class ImagePicker;

class QtUi : public QObject, public platform::Ui {
    Q_OBJECT
public:
    QtUi();
    ~QtUi() override;

    platform::Answer message(const std::string& text, const std::string& caption,
                             platform::Buttons buttons, platform::Icon icon) override;
    std::optional<platform::FileAnswer> chooseFile(const platform::FileRequest& request) override;
    std::optional<uint32_t> chooseColour(uint32_t initial) override;
    std::optional<int> chooseFromList(const std::string& caption,
                                      const std::vector<std::string>& items) override;
    bool runDialog(platform::DialogModel& dialog) override;
    platform::ImagePickEvent awaitImagePick(const platform::PickPrompt& prompt) override;
    std::optional<platform::PixelPoint> pickPixel(int imageNumber, const std::string& prompt) override;
    std::optional<platform::PixelRect> pickRectangle(int imageNumber, const std::string& prompt) override;
    std::optional<platform::PixelLine> pickLine(int imageNumber, const std::string& prompt) override;
    bool pickPending() const override;
    void setWaitCursor(bool on) override;
    void setStatusText(int pane, const std::string& text) override;
    void setProgress(int percent, const std::string& text) override;
    bool pumpMessages() override;
    bool takeEscape() override;

    /// The window dialogs are centred on (the main window).
    void setParentWindow(QWidget* parent) { parent_ = parent; }
    QWidget* parentWindow() const { return parent_; }

    /// Where status texts and progress go (the main window's bars).
    std::function<void(int pane, const std::string& text)> onStatus;
    std::function<void(int percent, const std::string& text)> onProgress;
    /// The prompt of an interactive pick goes to the status bar through this.
    std::function<void(const std::string& prompt)> onPrompt;
    /// Called after every pump of a long command (a scan pumps between its
    /// lines), once the waiting events are handled: the main window brings
    /// its menus and tool bars in line with a run there.
    std::function<void()> onPump;

    /// Called when a pick begins and when it ends: the main window greys the
    /// commands that wait for it.
    std::function<void()> onPickChanged;

    /// An image window is closing: a pick on it ends as cancelled, and so
    /// does a wait of the image picker.
    void windowClosing(int imageNumber);

    /// Marks the application as quitting: the pump returns false from now on
    /// and pending picks end as cancelled.
    void setQuitting();
    bool quitting() const { return quitting_; }

    /// The floating image picker (made on first use).
    ImagePicker& picker();

    /// Last texts set, for the bars to read back.
    const std::map<int, std::string>& statusTexts() const { return status_; }

    /// Marks a paint in progress: the Esc poll then looks at no events, so a
    /// repaint never runs inside another.
    struct PaintScope {
        PaintScope() { ++paintDepth(); }
        ~PaintScope() { --paintDepth(); }
        static int& paintDepth() {
            static int depth = 0;
            return depth;
        }
    };

    /// The Qt filter string for one of the system's filters: "TIFF (*.tif)".
    static QString filterText(const std::pair<std::string, std::string>& filter);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> parent_;
    QPointer<ImagePicker> picker_;  // a child of the main window, which may go first
    std::map<int, std::string> status_;
    bool waitCursor_ = false;
    bool quitting_ = false;
    bool escapePending_ = false;
    bool holdInput_ = false;  // while the Esc key is polled, other input waits
};

}  // namespace orvex::gui
