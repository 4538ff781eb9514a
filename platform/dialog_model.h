#pragma once
// A dialog as data: its controls named by their labels, the state of each, and
// what its buttons do. One renderer in gui/ lays any model out with widgets;
// tests and macros drive the same model by label.
#include <functional>
#include <string>
#include <vector>

namespace orvex::platform {

class Surface;

enum class ControlKind {
    Button,
    CheckBox,
    Radio,     // one of a group: `group` names it, `value` is 1 for the chosen one
    Edit,      // free text in `text`
    IntEdit,   // whole number typed as `text`, range min..max
    RealEdit,  // real number typed as `text`
    List,      // `items`, chosen index in `value` (-1 none)
    DropDown,  // `items`, chosen index in `value`
    Spin,      // `value` in min..max
    ScrollBar, // `value` in min..max
    ReadOut,   // text shown, not edited
    Label,
    Canvas,    // painted by the model through a Surface, takes mouse events
};

struct DialogControl {
    std::string label;
    ControlKind kind = ControlKind::Label;
    std::string group;
    std::string text;
    int value = 0;
    int min = 0;
    int max = 0;
    std::vector<std::string> items;
    bool enabled = true;
    bool visible = true;
    int width = 0;   // canvas size in pixels; a scroll bar's length along its
    int height = 0;  // width (horizontal) or height (vertical); a multi-line edit's lines
    /// The label is shown beside the control; false where the dialog shows
    /// none (a message text, a page control).
    bool captioned = true;
};

/// A control with its label and kind, everything else at its default.
inline DialogControl LabelledControl(const std::string& label, ControlKind kind) {
    DialogControl c;
    c.label = label;
    c.kind = kind;
    return c;
}

struct CanvasMouse {
    enum class Kind { Down, Move, Up, DoubleClick } kind = Kind::Down;
    int x = 0;
    int y = 0;
    bool left = true;
};

class DialogModel {
public:
    explicit DialogModel(std::string caption) : caption_(std::move(caption)) {}
    virtual ~DialogModel() = default;

    const std::string& caption() const { return caption_; }
    /// Dialogs whose title tells their state retitle themselves.
    void setCaption(std::string caption) { caption_ = std::move(caption); }
    std::vector<DialogControl>& controls() { return controls_; }
    const std::vector<DialogControl>& controls() const { return controls_; }

    /// The control with this label (the first when labels repeat), or null.
    DialogControl* find(const std::string& label);
    const DialogControl* find(const std::string& label) const;

    /// Called once before the dialog is shown.
    virtual void initialize() {}
    /// Called after the user changed a control's text or value.
    virtual void changed(DialogControl& /*control*/) {}
    /// Called when the keyboard focus enters an edit control.
    virtual void focused(DialogControl& /*control*/) {}
    /// Called when a button is pressed; returns true when the dialog closes.
    /// "OK" and "Cancel" close by default, setting `accepted`.
    virtual bool pressed(DialogControl& control);
    /// Canvas controls paint through a surface and take mouse events.
    virtual void paint(DialogControl& /*canvas*/, Surface& /*surface*/) {}
    virtual void mouse(DialogControl& /*canvas*/, const CanvasMouse& /*event*/) {}

    // Drive the model as the user would: set a control, then notify the model.
    // Return false when the label is unknown, hidden or disabled.
    bool setText(const std::string& label, const std::string& text);
    bool setValue(const std::string& label, int value);
    bool choose(const std::string& label);  // a radio button by its label
    bool press(const std::string& label);   // true when the press closed the dialog

    bool accepted() const { return accepted_; }
    bool closed() const { return closed_; }

protected:
    DialogControl& add(DialogControl control);
    void close(bool accepted) {
        closed_ = true;
        accepted_ = accepted;
    }

private:
    std::string caption_;
    std::vector<DialogControl> controls_;
    bool accepted_ = false;
    bool closed_ = false;
};

/// Told of every change a user makes to a dialog's control (after the control
/// holds it, before the model reacts) and of every button pressed (before the
/// press): how a recorder writes down what was done. Null: nobody listens.
using DialogActionObserver = std::function<void(const DialogModel& dialog, const DialogControl& control)>;
/// Installs the observer; returns the previous one.
DialogActionObserver setDialogActionObserver(DialogActionObserver observer);
/// What every driver of a dialog (the models' own setters, the Qt renderer) calls.
void reportDialogAction(const DialogModel& dialog, const DialogControl& control);

}  // namespace orvex::platform
