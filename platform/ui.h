#pragma once
// What the system asks of the window system. The workstation implements it
// with Qt; HeadlessUi answers from a script for tests, macros and orvex-cli.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orvex::platform {

class DialogModel;

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { None, Information, Warning, Error, Question };
enum class Answer { Ok, Cancel, Yes, No };

/// The answer that changes nothing for a set of buttons: Cancel where there
/// is one, otherwise No, otherwise OK.
Answer neutralAnswer(Buttons buttons);

struct FileRequest {
    bool save = false;
    std::string title;
    /// Filters as pairs of description and patterns: {"TIFF Files (*.tif)", "*.tif"}.
    std::vector<std::pair<std::string, std::string>> filters;
    int filterIndex = 0;  // 0-based index of the filter shown first
    std::string defaultExtension;  // without the dot, added when the name has none
    std::string folder;            // start folder
    std::string name;              // suggested file name
};

struct FileAnswer {
    std::string path;
    int filterIndex = 0;  // 0-based index of the filter chosen
};

/// One step of the image picker: the user clicked an image window, pressed
/// OK early, or cancelled.
struct ImagePickEvent {
    enum class Kind { Picked, Ok, Cancel } kind = Kind::Cancel;
    int imageNumber = 0;
    double column = 0;  // pixel position of the click
    double row = 0;
};

struct PixelPoint {
    int column = 0;
    int row = 0;
};

struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;  // inclusive
    int bottom = 0;
};

struct PixelLine {
    PixelPoint from;
    PixelPoint to;
};

struct PickPrompt {
    std::string prompt;  // the picker's title while this entry is awaited
    bool okEnabled = false;
    /// Whether an image meets the entry's requirements (asked while hovering,
    /// without messages) and the text shown over it.
    std::function<bool(int imageNumber)> acceptable;
    std::function<std::string(int imageNumber)> hoverText;
};

class Ui {
public:
    virtual ~Ui() = default;

    /// A modal message box; returns the button pressed.
    virtual Answer message(const std::string& text, const std::string& caption,
                           Buttons buttons = Buttons::Ok, Icon icon = Icon::None) = 0;

    /// Open or save file dialog; nothing when cancelled.
    virtual std::optional<FileAnswer> chooseFile(const FileRequest& request) = 0;

    /// The system colour chooser, colours as 0x00BBGGRR; nothing when cancelled.
    virtual std::optional<uint32_t> chooseColour(uint32_t initial) = 0;

    /// Chooses one entry of a list (the area chooser over windows, and the like).
    virtual std::optional<int> chooseFromList(const std::string& caption,
                                              const std::vector<std::string>& items) = 0;

    /// Runs a dialog model modally; true when it closed accepted.
    virtual bool runDialog(DialogModel& dialog) = 0;

    /// Waits for one step of the image picker.
    virtual ImagePickEvent awaitImagePick(const PickPrompt& prompt) = 0;

    /// Interactive picks on one image window; nothing when cancelled.
    virtual std::optional<PixelPoint> pickPixel(int imageNumber, const std::string& prompt) = 0;
    virtual std::optional<PixelRect> pickRectangle(int imageNumber, const std::string& prompt) = 0;
    virtual std::optional<PixelLine> pickLine(int imageNumber, const std::string& prompt) = 0;
    /// Whether one of the picks above is waiting for the user right now (a
    /// front end whose picks run their own event loop). Commands that would
    /// start another pick or close windows wait for it.
    virtual bool pickPending() const { return false; }

    virtual void setWaitCursor(bool on) = 0;

    /// A status-bar pane's text (pane numbers as the main window lays them out).
    virtual void setStatusText(int pane, const std::string& text) = 0;
    /// The progress strip; percent < 0 hides it.
    virtual void setProgress(int percent, const std::string& text) = 0;

    /// Lets pending window messages through (repaints, Halt, Finish); returns
    /// false when the application is quitting.
    virtual bool pumpMessages() = 0;

    /// Takes a pending press of the Esc key, if any.
    virtual bool takeEscape() = 0;
};

/// The Ui the system talks to. A HeadlessUi until a front end installs its own.
Ui& ui();
/// Installs a Ui (null restores the built-in headless one); returns the previous one.
Ui* setUi(Ui* ui);

/// Shorthand for the common OK box.
inline void showMessage(const std::string& text, const std::string& caption) {
    ui().message(text, caption, Buttons::Ok, Icon::None);
}

}  // namespace orvex::platform
