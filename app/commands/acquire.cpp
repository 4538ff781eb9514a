// The acquisition commands and positioning modes in the command table, and
// their hooks on the image windows.
#include "app/commands/acquire.h"

#include "acquisition/acquire_commands.h"
#include "acquisition/positioning.h"
#include "acquisition/run_state.h"
#include "app/command_table.h"
#include "imagestore/image_interface.h"
#include "imagestore/image_window_events.h"
#include "processing/contrast.h"

namespace orvex {

namespace {

void add(const char* path, std::function<void()> run, const char* status,
         std::function<bool()> enabled = nullptr, std::function<bool()> checked = nullptr,
         bool separator = false) {
    app::Command c;
    c.path = path;
    c.run = std::move(run);
    c.status = status;
    c.enabled = std::move(enabled);
    c.checked = std::move(checked);
    c.separatorBefore = separator;
    app::commandTable().add(std::move(c));
}

}  // namespace

void RegisterAcquireCommands() {
    // While a run goes the three starts are greyed with the running one
    // checked, and only Finish and Halt are offered.
    const AcquireMenuState& state = acquireMenuState();
    add("Acquire > &Single", OnAcquireSingle, "Acquire a single set of images\nSingle",
        AcquisitionCommandsEnabled, [&state] { return state.singleChecked; });
    add("Acquire > &Continuous", OnAcquireContinuous, "Continuously acquire a set of images\nContinuous",
        AcquisitionCommandsEnabled, [&state] { return state.continuousChecked; });
    add("Acquire > &Average", OnAcquireAverage, "Acquire the average of N images\nAverage",
        AcquisitionCommandsEnabled, [&state] { return state.averageChecked; });
    add("Acquire > &Finish", OnAcquireFinish, "Stop after current image scan\nFinish", AcquisitionRunning,
        nullptr, true);
    add("Acquire > &Halt", OnAcquireHalt, "Stop at end of current scan line\nHalt", AcquisitionRunning);

    add("Modes > &Pixel Snap", mode_pixel_snap, "Move the beam or the stage to a pixel of an image",
        AcquisitionMenusEnabled);
    add("Modes > &Stage Snap", mode_stage_snap, "Move the stage to a pixel of an image",
        AcquisitionMenusEnabled);
    add("Modes > &Release Beam", mode_release_beam, "Give the beam back to the instrument",
        AcquisitionMenusEnabled, nullptr, true);
    add("Modes > &Center", mode_center, "Park the beam in the middle of its range",
        AcquisitionMenusEnabled);

    add("Advanced > &Burn In", [] { BurnIn(); }, "Make a new image of what the active window shows",
        app::HasActiveImage);
}

void InstallAcquireHooks() {
    auto& hooks = imageWindowEventHooks();
    // Once only: an exclusive-or cross drawn twice would erase itself.
    using Overlay = void (*)(const ImageEvent&);
    bool drawn = false;
    for (const auto& overlay : hooks.overlays) {
        const Overlay* f = overlay.target<Overlay>();
        drawn = drawn || (f && *f == &DrawSnapMarker);
    }
    if (!drawn) hooks.overlays.push_back(&DrawSnapMarker);
    hooks.allWindowsClosed = mode_release_beam;
    hooks.closeRequested = [](ImageHandle window, int* flag) {
        if (flag && *flag == 1 && !ConfirmCloseDuringAcquisition(window)) *flag = 0;
    };
    acquisitionPaletteStretch() = StretchPalette;
}

void InstallAcquireCommands() {
    RegisterAcquireCommands();
    InstallAcquireHooks();
}

}  // namespace orvex
