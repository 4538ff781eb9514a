#include "platform/dialog_model.h"

namespace orvex::platform {

namespace {
DialogActionObserver& observer() {
    static DialogActionObserver instance;
    return instance;
}
}  // namespace

DialogActionObserver setDialogActionObserver(DialogActionObserver replacement) {
    DialogActionObserver previous = std::move(observer());
    observer() = std::move(replacement);
    return previous;
}

void reportDialogAction(const DialogModel& dialog, const DialogControl& control) {
    if (observer()) observer()(dialog, control);
}

DialogControl* DialogModel::find(const std::string& label) {
    for (auto& c : controls_)
        if (c.label == label) return &c;
    return nullptr;
}

const DialogControl* DialogModel::find(const std::string& label) const {
    return const_cast<DialogModel*>(this)->find(label);
}

DialogControl& DialogModel::add(DialogControl control) {
    controls_.push_back(std::move(control));
    return controls_.back();
}

bool DialogModel::pressed(DialogControl& control) {
    if (control.label == "OK") {
        close(true);
        return true;
    }
    if (control.label == "Cancel") {
        close(false);
        return true;
    }
    return false;
}

static bool usable(const DialogControl* c) { return c && c->enabled && c->visible; }

bool DialogModel::setText(const std::string& label, const std::string& text) {
    DialogControl* c = find(label);
    if (!usable(c)) return false;
    c->text = text;
    reportDialogAction(*this, *c);
    changed(*c);
    return true;
}

bool DialogModel::setValue(const std::string& label, int value) {
    DialogControl* c = find(label);
    if (!usable(c)) return false;
    if (c->kind == ControlKind::Radio) return choose(label);
    c->value = value;
    reportDialogAction(*this, *c);
    changed(*c);
    return true;
}

bool DialogModel::choose(const std::string& label) {
    DialogControl* c = find(label);
    if (!usable(c) || c->kind != ControlKind::Radio) return false;
    for (auto& other : controls_)
        if (other.kind == ControlKind::Radio && other.group == c->group) other.value = 0;
    c->value = 1;
    reportDialogAction(*this, *c);
    changed(*c);
    return true;
}

bool DialogModel::press(const std::string& label) {
    DialogControl* c = find(label);
    if (!usable(c) || c->kind != ControlKind::Button) return false;
    reportDialogAction(*this, *c);
    return pressed(*c);
}

}  // namespace orvex::platform
