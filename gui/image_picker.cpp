#include "gui/image_picker.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QVBoxLayout>

#include "gui/pickable_view.h"

namespace orvex::gui {

ImagePicker::ImagePicker(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setObjectName("ImagePicker");
    auto* layout = new QVBoxLayout(this);
    title_ = new QLabel(this);
    title_->setObjectName("PickerPrompt");
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    layout->addWidget(title_);
    text_ = new QLabel(this);
    text_->setObjectName("PickerText");
    text_->setMinimumWidth(260);
    text_->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(text_);
    auto* buttons = new QHBoxLayout;
    ok_ = new QPushButton("OK", this);
    ok_->setObjectName("OK");
    cancelButton_ = new QPushButton("Cancel", this);
    cancelButton_->setObjectName("Cancel");
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancelButton_);
    layout->addLayout(buttons);

    connect(ok_, &QPushButton::clicked, this, [this] {
        finish({platform::ImagePickEvent::Kind::Ok, 0, 0, 0});
    });
    connect(cancelButton_, &QPushButton::clicked, this, [this] { cancel(); });
    hover_.setInterval(50);
    connect(&hover_, &QTimer::timeout, this, [this] { examine(QCursor::pos()); });
    // Hiding waits for the event loop so that the next entry's wait, which
    // usually follows at once, finds the picker still open and in place.
    hide_.setSingleShot(true);
    hide_.setInterval(0);
    connect(&hide_, &QTimer::timeout, this, [this] {
        if (!loop_) {
            lastPosition_ = pos();
            hide();
        }
    });
}

ImagePicker::~ImagePicker() {
    restoreCursor();
    if (loop_) loop_->quit();
}

platform::ImagePickEvent ImagePicker::await(const platform::PickPrompt& prompt) {
    hide_.stop();
    prompt_ = &prompt;
    result_ = {};
    setWindowTitle(QString::fromStdString(prompt.prompt));
    title_->setText(windowTitle());
    ok_->setEnabled(prompt.okEnabled);
    if (!isVisible()) {
        text_->clear();
        if (placed_) move(lastPosition_);
        show();
        if (!placed_ && parentWidget()) {
            QWidget* top = parentWidget()->window();
            move(top->geometry().topRight() - QPoint(width() + 40, -80));
        }
        placed_ = true;
    }
    raise();
    qApp->installEventFilter(this);
    hover_.start();
    QEventLoop loop;
    loop_ = &loop;
    ++waitsBegun_;
    loop.exec();
    loop_ = nullptr;
    hover_.stop();
    qApp->removeEventFilter(this);
    restoreCursor();
    prompt_ = nullptr;
    lastPosition_ = pos();
    hide_.start();
    return result_;
}

void ImagePicker::examine(QPoint globalPosition) {
    if (!prompt_) return;
    QWidget* under = QApplication::widgetAt(globalPosition);
    PickableView* view = pickableViewOf(under);
    if (!view) {
        text_->clear();
        restoreCursor();
        return;
    }
    const int number = view->imageNumber();
    text_->setText(prompt_->hoverText ? QString::fromStdString(prompt_->hoverText(number)) : QString());
    const bool fits = !prompt_->acceptable || prompt_->acceptable(number);
    QWidget* picture = view->pictureWidget();
    if (cursorWidget_ && cursorWidget_ != picture) restoreCursor();
    picture->setCursor(fits ? pickCursor() : refusalCursor());
    cursorWidget_ = picture;
}

void ImagePicker::cancel() { finish({platform::ImagePickEvent::Kind::Cancel, 0, 0, 0}); }

void ImagePicker::finish(platform::ImagePickEvent event) {
    result_ = event;
    if (loop_) loop_->quit();
}

void ImagePicker::restoreCursor() {
    if (cursorWidget_) cursorWidget_->unsetCursor();
    cursorWidget_ = nullptr;
}

bool ImagePicker::eventFilter(QObject* watched, QEvent* event) {
    if (!loop_ || !watched->isWidgetType()) return false;
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    PickableView* view = pickableViewOf(static_cast<QWidget*>(watched));
    if (!view || mouse->button() != Qt::LeftButton) return false;
    const QPoint local = view->pictureWidget()->mapFromGlobal(mouse->globalPosition().toPoint());
    const auto at = view->imagePosition(local);
    if (!at) return true;  // a click beside the picture picks nothing
    finish({platform::ImagePickEvent::Kind::Picked, view->imageNumber(), at->x(), at->y()});
    return true;  // the click belongs to the picker, not to the window
}

void ImagePicker::closeEvent(QCloseEvent* event) {
    if (loop_) {
        cancel();
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

}  // namespace orvex::gui
