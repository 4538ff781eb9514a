#include "acquisition/acquire_commands.h"

#include <optional>
#include <vector>

#include "acquisition/calmag.h"
#include "acquisition/channel_tables.h"
#include "acquisition/positioning.h"
#include "acquisition/run_state.h"
#include "acquisition/scan_engine.h"
#include "config/elmfile.h"
#include "config/software_settings.h"
#include "hardware/board.h"
#include "hardware/win30/win30pg.h"
#include "imagestore/history.h"
#include "imagestore/image_info.h"
#include "imagestore/image_interface.h"
#include "imagestore/image_window_events.h"
#include "platform/ui.h"

namespace orvex {

AcquireMenuState& acquireMenuState() {
    static AcquireMenuState state;
    return state;
}

void resetAcquireMenuState() { acquireMenuState() = AcquireMenuState(); }

bool AcquisitionMenusEnabled() { return !acquireMenuState().menusGreyed; }

bool AcquisitionRunning() { return runState().runState != RUN_IDLE; }

bool AcquisitionCommandsEnabled() { return !AcquisitionRunning() && !runState().commandBusy; }

namespace {

void log(const std::string& text, bool withTime) { LogHistory(ImageHandle{}, text, withTime); }

std::optional<std::vector<uint32_t>> barPalette() {
    auto& hook = imageWindowEventHooks().currentPalette;
    if (!hook) return std::nullopt;
    auto palette = hook();
    if (palette && palette->size() < 256) return std::nullopt;
    return palette;
}

bool knownProbe() {
    const int p = softwareSettings().probeType;
    return p == kProbeSemq || p == kProbeJeol || p == kProbeCameca || p == kProbeDemo;
}

void rereadElementLists() {
    if (!elmFile().path.empty()) elmFile().Read();
    if (!edsFile().path.empty()) edsFile().Read();
}

void redrawChannelImages() {
    channelTables().ForEach([](CHANNEL& c) {
        if (c.enabled && c.image) Redraw(c.image, false);
    });
}

void setRunning(int mode) {
    RunState& run = runState();
    run.runState = RUN_RUNNING;
    run.acquireMode = mode;
    run.acquisitionInProgress = 1;
}

void setIdle() {
    acquireMenuState().singleChecked = false;
    RunState& run = runState();
    run.acquireMode = ACQUIRE_NONE;
    run.runState = RUN_IDLE;
    run.acquisitionInProgress = 0;
}

void greyMenus(bool grey) { acquireMenuState().menusGreyed = grey; }

// On a real probe the analog channels never hold a made-up picture unannounced:
// a warning at every start of a run and a line in every analog image's history.
// Measured when there is nothing to say.
AnalogInputs analogInputsToAnnounce() {
    const int probe = softwareSettings().probeType;
    if (probe != kProbeSemq && probe != kProbeJeol && probe != kProbeCameca) return AnalogInputs::Measured;
    if (board().adType != devicetype::Win30pg || channelTables().EnabledCount(CHANNEL_ANALOG) == 0)
        return AnalogInputs::Measured;
    return win30pg().inputs();
}

void noteAnalogInputsInHistory() {
    const AnalogInputs inputs = analogInputsToAnnounce();
    if (inputs == AnalogInputs::Measured) return;
    const std::string line =
        inputs == AnalogInputs::Disabled ? kAnalogBoardFailedHistory : kAnalogBoardMissingHistory;
    for (int i = 0; i < channelTables().analogMax; ++i) {
        const CHANNEL& c = channelTables().analog[i];
        if (c.enabled && c.image) LogHistory(c.image, line, false);
    }
}

// Steps every command begins with: a channel to acquire, no run active, the
// beam unblanked and under control.
bool begin(const char* caption) {
    if (ChannelsEnabled() == 0) {
        platform::showMessage("No Channels Enabled!", caption);
        return false;
    }
    if (runState().runState != RUN_IDLE) return false;
    // Said before the beam is unblanked, so it does not wait on the sample.
    const AnalogInputs analog = analogInputsToAnnounce();
    if (analog != AnalogInputs::Measured)
        platform::ui().message(analog == AnalogInputs::Disabled ? kAnalogBoardFailedWarning : kAnalogBoardMissingWarning,
                               caption, platform::Buttons::Ok, platform::Icon::Warning);
    // A stage axis given up in an earlier run or move is tried again.
    board().RetryStage();
    board().Blank(0);
    board().Control(1);
    return true;
}

// The end of Continuous and Average: beam centred and given back, menus back,
// the result logged, the beam blanked.
void endRepeatedRun(bool finished) {
    mode_center();
    board().Control(0);
    greyMenus(false);
    acquireMenuState().continuousChecked = false;
    acquireMenuState().averageChecked = false;
    acquireMenuState().pass = -1;
    log(finished ? "finished scan: " : "halted early: ", true);
    setIdle();
    board().Blank(1);
    board().Control(0);
}

}  // namespace

void PrepareAcquisition() {
    rereadElementLists();
    ElmToChannels(0);
    auto palette = barPalette();
    channelTables().PrepareAllImages(calmag(), palette ? &*palette : nullptr);
}

PaletteStretch& acquisitionPaletteStretch() {
    static PaletteStretch stretch;
    return stretch;
}

void StretchAcquiredPalettes() {
    const PaletteStretch& stretch = acquisitionPaletteStretch();
    if (!stretch) return;
    auto palette = barPalette();
    if (!palette) return;
    const ChannelTables& t = channelTables();
    const struct {
        int on;
        int type;
    } kinds[] = {{t.analogAutostretch, IMAGETYPE_ANALOG},
                 {t.counterAutostretch, IMAGETYPE_COUNTER},
                 {t.digitalAutostretch, IMAGETYPE_DIGITAL}};
    std::vector<ImageHandle> images(static_cast<size_t>(OV_Info_Capacity()));
    for (const auto& kind : kinds) {
        if (!kind.on) continue;
        const int n = OV_Info_ListByType(OV_Info_Capacity(), images.data(), kind.type);
        for (int i = 0; i < n; ++i)
            if (LiveImage(images[i])) stretch(images[i], palette->data());
    }
}

void acquire_single() {
    if (!begin("acquire_single")) return;
    platform::ui().setStatusText(0, "Acquisition running - single");
    PrepareAcquisition();
    noteAnalogInputsInHistory();
    board().ReportErrors();
    log("started acquire|single: ", true);
    setRunning(ACQUIRE_STORE);
    acquireMenuState().singleChecked = true;
    greyMenus(true);
    rereadElementLists();
    if (knownProbe()) ScanPass();
    StretchAcquiredPalettes();
    board().Control(0);
    greyMenus(false);
    runState().acquireMode = ACQUIRE_NONE;
    // Registration and line buffers again; the images stay as size and depth are unchanged.
    PrepareAcquisition();
    board().ReportErrors();
    log(runState().runState == RUN_RUNNING ? "finished scan: " : "halted early: ", true);
    setIdle();
    redrawChannelImages();
    board().Blank(1);
    board().Control(0);
}

void acquire_continuous() {
    if (!begin("acquire_continuous")) return;
    PrepareAcquisition();
    noteAnalogInputsInHistory();
    log("started acquire|continuous: ", true);
    setRunning(ACQUIRE_STORE_EVERY);
    acquireMenuState().continuousChecked = true;
    greyMenus(true);
    rereadElementLists();
    for (int pass = 0; runState().runState == RUN_RUNNING; ++pass) {
        acquireMenuState().pass = pass;
        log("    pass: " + std::to_string(pass) + "  ", false);
        if (knownProbe()) ScanPass();
        if (ChannelsEnabled() == 0) break;
        StretchAcquiredPalettes();
        redrawChannelImages();
    }
    endRepeatedRun(runState().runState == RUN_FINISH);
}

void acquire_average() {
    if (!begin("acquire_average")) return;
    PrepareAcquisition();
    noteAnalogInputsInHistory();
    log("started acquire|average: ", true);
    setRunning(ACQUIRE_STORE);
    acquireMenuState().averageChecked = true;
    greyMenus(true);
    rereadElementLists();

    auto announce = [](int pass) {
        acquireMenuState().pass = pass;
        platform::ui().setStatusText(0, "Pass number:" + std::to_string(pass));
        log("  Pass number:" + std::to_string(pass) + "  ", false);
    };
    announce(1);
    if (knownProbe()) ScanPass();
    StretchAcquiredPalettes();
    redrawChannelImages();

    bool complete = false;
    if (runState().runState == RUN_RUNNING) {
        runState().acquireMode = ACQUIRE_ACCUMULATE;
        for (int pass = 2; runState().runState == RUN_RUNNING; ++pass) {
            announce(pass);
            const int probe = softwareSettings().probeType;
            if (probe == kProbeDemo)
                SimulatedPass();
            else if (knownProbe())
                ScanPass();
            if (ChannelsEnabled() == 0) break;
            StretchAcquiredPalettes();
            // A pass cut short by Halt (or a stage given up) is no finished
            // last pass, even though it counted; a Finish ends as finished.
            if (runState().runState != RUN_RUNNING) break;
            if (channelTables().AllComplete()) {
                complete = true;
                break;
            }
            redrawChannelImages();
        }
    }
    endRepeatedRun(complete || runState().runState == RUN_FINISH);
}

namespace {

void runGuarded(void (*command)()) {
    RunState& run = runState();
    if (run.commandBusy) return;
    run.commandBusy = 1;
    calmag().SetScan();
    command();
    run.commandBusy = 0;
}

}  // namespace

void OnAcquireSingle() { runGuarded(&acquire_single); }
void OnAcquireContinuous() { runGuarded(&acquire_continuous); }
void OnAcquireAverage() { runGuarded(&acquire_average); }

void OnAcquireFinish() {
    int& s = runState().runState;
    if (s == RUN_RUNNING || s == RUN_HALT) s = RUN_FINISH;
}

void OnAcquireHalt() {
    int& s = runState().runState;
    if (s == RUN_RUNNING || s == RUN_FINISH) s = RUN_HALT;
}

bool ConfirmCloseDuringAcquisition(ImageHandle window) {
    if (!runState().acquisitionInProgress) return true;
    // Windows the run does not write into close as usual.
    if (window && !channelTables().ChannelOfImage(window)) return true;
    const platform::Answer answer =
        platform::ui().message("Do You Wish to Terminate Acquisition?", "Close During Acquisition",
                               platform::Buttons::YesNo, platform::Icon::Question);
    if (answer != platform::Answer::Yes) return false;
    OnAcquireHalt();
    return true;
}

}  // namespace orvex
