#include "acquisition/channel_dialogs.h"

#include <cstdio>
#include <cstdlib>

namespace orvex {

using platform::ControlKind;
using platform::DialogControl;

namespace {

const char* captionOf(int32_t kind) {
    switch (kind) {
        case CHANNEL_ANALOG:
            return "Analog Inputs";
        case CHANNEL_DIGITAL:
            return "Digital Inputs";
        default:
            return "Counter Inputs";
    }
}

DialogControl makeControl(std::string label, ControlKind kind, std::string text, int value) {
    DialogControl c;
    c.label = std::move(label);
    c.kind = kind;
    c.text = std::move(text);
    c.value = value;
    return c;
}

CHANNEL& channelOf(ChannelTables& t, int32_t kind, int i) {
    if (kind == CHANNEL_ANALOG) return t.analog[i];
    if (kind == CHANNEL_DIGITAL) return t.digital[i];
    return t.counter[i];
}

int countOf(const ChannelTables& t, int32_t kind) {
    if (kind == CHANNEL_ANALOG) return t.analogMax;
    if (kind == CHANNEL_DIGITAL) return t.digitalMax;
    return t.counterMax;
}

int& autostretchOf(ChannelTables& t, int32_t kind) {
    if (kind == CHANNEL_ANALOG) return t.analogAutostretch;
    if (kind == CHANNEL_DIGITAL) return t.digitalAutostretch;
    return t.counterAutostretch;
}

const char* const kCountTime = "Count time (seconds):";

}  // namespace

ChannelSetupDialog::ChannelSetupDialog(ChannelTables& tables, int32_t kind, double time)
    : DialogModel(captionOf(kind)),
      countTime(time),
      tables_(tables),
      kind_(kind),
      count_(countOf(tables, kind)) {
    for (int i = 0; i < count_; ++i) {
        CHANNEL& c = channelOf(tables_, kind_, i);
        add(makeControl(NameLabel(i), ControlKind::Edit, c.name, 0));
        add(makeControl(EnabledLabel(i), ControlKind::CheckBox, {}, c.enabled ? 1 : 0));
        if (kind_ == CHANNEL_ANALOG)
            add(makeControl(PolarityLabel(i), ControlKind::CheckBox, {},
                            tables_.analog[i].polarity ? 1 : 0));
        else
            add(makeControl(DepthLabel(i), ControlKind::CheckBox, {}, c.want16Bit ? 1 : 0));
    }
    add(makeControl("Autostretch", ControlKind::CheckBox, {},
                    autostretchOf(tables_, kind_) ? 1 : 0));
    if (kind_ == CHANNEL_COUNTER) {
        char text[64];
        std::snprintf(text, sizeof text, "%g", time);
        add(makeControl(kCountTime, ControlKind::RealEdit, text, 0));
    }
    add(makeControl("OK", ControlKind::Button, {}, 0));
    add(makeControl("Cancel", ControlKind::Button, {}, 0));
}

bool ChannelSetupDialog::pressed(DialogControl& control) {
    if (control.label == "OK" && kind_ == CHANNEL_COUNTER) {
        const std::string& text = find(kCountTime)->text;
        char* end = nullptr;
        double t = std::strtod(text.c_str(), &end);
        if (end == text.c_str() || !(t >= 0.0) || t > 3600.0) return false;
        countTime = t;
    }
    return DialogModel::pressed(control);
}

void ChannelSetupDialog::Apply() {
    int& autostretch = autostretchOf(tables_, kind_);
    autostretch = find("Autostretch")->value == 1 ? 1 : 0;
    for (int i = 0; i < count_; ++i) {
        CHANNEL& c = channelOf(tables_, kind_, i);
        const std::string& name = find(NameLabel(i))->text;
        if (name != c.name) c.Rename(name);
        c.enabled = find(EnabledLabel(i))->value == 1 ? 1 : 0;
        c.autostretch = autostretch;
        if (kind_ == CHANNEL_ANALOG)
            tables_.analog[i].polarity = find(PolarityLabel(i))->value == 1 ? 1 : 0;
        else
            c.want16Bit = find(DepthLabel(i))->value == 1 ? 1 : 0;
    }
}

}  // namespace orvex
