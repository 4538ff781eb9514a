#pragma once
// The floating image picker: a small tool window that prompts for each image
// in turn, tells what lies under the mouse every 50 ms and takes a left click
// on an image window. It runs its own event loop, so the rest of the program
// stays usable for looking at images while a command waits for the pick.
#include <QEventLoop>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include "platform/ui.h"

namespace orvex::gui {

class ImagePicker : public QWidget {
    Q_OBJECT
public:
    explicit ImagePicker(QWidget* parent = nullptr);
    ~ImagePicker() override;

    /// Shows the picker with this entry's prompt and waits for a click on an
    /// image window, OK or Cancel.
    platform::ImagePickEvent await(const platform::PickPrompt& prompt);

    /// One look at what lies under a global screen position: text line and
    /// cursor. The 50 ms timer calls it with the mouse position.
    void examine(QPoint globalPosition);

    /// Ends a pending wait as Cancel (the application is quitting).
    void cancel();

    QString textLine() const { return text_->text(); }
    QString promptLine() const { return title_->text(); }
    /// How many waits have begun, and whether one is going on now.
    int waitsBegun() const { return waitsBegun_; }
    bool waiting() const { return loop_ != nullptr; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancelButton_; }

    static Qt::CursorShape pickCursor() { return Qt::CrossCursor; }
    static Qt::CursorShape refusalCursor() { return Qt::ForbiddenCursor; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void finish(platform::ImagePickEvent event);
    void restoreCursor();

    QLabel* title_;  // the prompt, also inside the window: not every desktop shows titles
    QLabel* text_;
    QPushButton* ok_;
    QPushButton* cancelButton_;
    QTimer hover_;
    QTimer hide_;
    QEventLoop* loop_ = nullptr;
    const platform::PickPrompt* prompt_ = nullptr;
    platform::ImagePickEvent result_;
    QPointer<QWidget> cursorWidget_;  // the picture whose cursor we changed
    QPoint lastPosition_;
    bool placed_ = false;
    int waitsBegun_ = 0;
};

}  // namespace orvex::gui
