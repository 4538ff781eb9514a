#pragma once
// The application's list of image windows, the image counter, the active
// window and the application-wide listeners, without any window system.
// The front end tells it which window is active and reacts to its hooks.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imagestore/image_handle.h"

namespace orvex {

class OrvexView;

/// What the image store asks of the front end. Every hook may be empty
/// (headless: nothing is shown).
struct ShellHooks {
    std::function<void(ImageHandle)> repaint;                 // invalidate the whole window
    std::function<void(ImageHandle, int strip)> repaintStrip; // redraw one strip now
    std::function<void()> refreshStatus;                      // the bars for the active image
    std::function<void(ImageHandle)> titleChanged;            // the window's name changed
    std::function<void(int percent)> reportProgress;          // the main window's progress
};

class WindowList {
public:
    /// Gives the view the next image number, enters it at the end of the list
    /// and makes it the active window.
    ImageHandle Add(std::unique_ptr<OrvexView> view);
    /// Takes a window out of the list (its image goes with the returned view).
    std::unique_ptr<OrvexView> Remove(ImageHandle window);
    /// The live window with that number, or null.
    OrvexView* Find(ImageHandle window) const;
    OrvexView* Find(int imageNumber) const { return Find(ImageHandle{imageNumber}); }
    /// Every window, in creation order.
    std::vector<ImageHandle> Windows() const;
    int Count() const { return static_cast<int>(views_.size()); }

    /// The program-wide image counter: the number the last window received.
    int ImageCounter() const { return imageCounter_; }

    /// The window activated last; none when all are closed.
    ImageHandle Active() const;
    /// Called by the front end whenever a window is activated.
    void SetActive(ImageHandle window);

    /// The application-wide listeners (codes 0, 2 and 3).
    void AddApplicationListener(ImageListener listener);
    void RemoveApplicationListener(ImageListener listener);
    /// Calls every application-wide listener with the event.
    void NotifyApplication(const ImageEvent& event);

    /// Back to the start-up state: no windows (dropped without events),
    /// counter 0, no listeners, no hooks.
    void Reset();

    ShellHooks hooks;

private:
    std::vector<std::unique_ptr<OrvexView>> views_;
    std::vector<int> activation_;  // image numbers, most recently activated last
    std::vector<ImageListener> applicationListeners_;
    int imageCounter_ = 0;
};

/// The one window list of the application.
WindowList& windowList();

/// The progress step of every long operation: the front end's progress
/// display when it installed one, else the bare percentage on the Ui.
void ReportProgress(int percent);

}  // namespace orvex
