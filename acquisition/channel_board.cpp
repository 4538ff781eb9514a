// The channels' traffic with the device dispatch and the image windows.
#include "acquisition/channel_registration.h"
#include "acquisition/channel_tables.h"
#include "config/settings_order.h"
#include "config/software_settings.h"
#include "hardware/board.h"
#include "imagestore/image_window_events.h"

namespace orvex {

StageReadings ReadStageForRegistration() {
    BOARD& b = board();
    StageReadings s;
    s.xLow = b.GetXLoSU();
    s.xHigh = b.GetXHiSU();
    s.yLow = b.GetYLoSU();
    s.yHigh = b.GetYHiSU();
    s.x = b.GetStageXPosition();
    s.y = b.GetStageYPosition();
    return s;
}

void SetBoardGain(int channel, int gain) {
    board().SetADGain(channel, gain);
}

void ChannelTables::ReadDigitalSamples(BOARD& b) {
    for (int i = 0; i < digitalMax; ++i)
        if (digital[i].enabled) digital[i].ReadSample(b.ReadDigital());
}

void ChannelTables::ReadCounterSamples(BOARD& b) {
    for (int i = 0; i < counterMax; ++i)
        if (counter[i].enabled) counter[i].ReadSample(b.ReadCounter(counter[i].hwIndex));
}

namespace {

// The registry hands back channel pointers; only those of the tables are ours.
CHANNEL* tableChannel(CHANNEL* candidate) {
    CHANNEL* found = nullptr;
    for (auto& c : channelTables().analog)
        if (&c == candidate) found = &c;
    for (auto& c : channelTables().digital)
        if (&c == candidate) found = &c;
    for (auto& c : channelTables().counter)
        if (&c == candidate) found = &c;
    return found;
}

}  // namespace

void installChannelSettings() {
    config::SetSettingsHandlers(
        config::SettingsSlot::Channels,
        [](const std::string& path) { channelTables().ReadIni(path); },
        [](const std::string& path) { channelTables().WriteIni(path); });
    // A DEMO acquisition always has a channel.
    config::SetSettingsHandlers(
        config::SettingsSlot::DemoChannel,
        [](const std::string&) {
            if (softwareSettings().demo && channelTables().analogMax > 0)
                channelTables().analog[0].enabled = 1;
        },
        nullptr);

    ImageWindowEventHooks& hooks = imageWindowEventHooks();
    hooks.detachChannelImage = [](ImageHandle window) {
        if (CHANNEL* c = channelTables().ChannelOfImage(window)) {
            c->DetachImage();
            channelTables().RefreshCounterNumbers();
        }
    };
    hooks.freeLineBuffer = [](CHANNEL* channel) {
        if (CHANNEL* c = tableChannel(channel)) c->FreeLineBuffer();
    };

    board().links.enabledCounters = [](int* numbers, int capacity) {
        ChannelTables& t = channelTables();
        int n = 0;
        for (int i = 0; i < ChannelTables::kTableSize && n < capacity; ++i)
            if (t.counter[i].enabled) numbers[n++] = t.counter[i].hwIndex;
        return n;
    };
}

}  // namespace orvex
