// orvex-cli acquire: one acquisition on the configured instrument, headless.
#include <algorithm>
#include <filesystem>
#include <ostream>
#include <system_error>

#include "acquisition/calmag.h"
#include "acquisition/channel_tables.h"
#include "acquisition/run_state.h"
#include "acquisition/scan_engine.h"
#include "app/application.h"
#include "app/headless_session.h"
#include "app/history.h"
#include "app/history_file.h"
#include "app/macro.h"
#include "app/window_list.h"
#include "config/software_settings.h"
#include "hardware/board.h"
#include "imagestore/image_interface.h"
#include "imagestore/image_window_events.h"
#include "imagestore/orvex_view.h"
#include "platform/ui.h"

namespace orvex::app {

namespace {

std::optional<std::vector<uint32_t>> barPalette() {
    auto& hook = imageWindowEventHooks().currentPalette;
    return hook ? hook() : std::nullopt;
}

// The frame the acquisition commands put around the scan engine: the beam
// unblanked and under control, the channel images prepared, the history lines,
// the passes, and everything given back at the end.
bool acquire(const AcquireOptions& o, MacroUi& ui) {
    const char* caption = o.mode == "continuous" ? "acquire_continuous"
                          : o.mode == "average"  ? "acquire_average"
                                                 : "acquire_single";
    if (ChannelsEnabled() == 0) {
        platform::ui().message("No Channels Enabled!", caption, platform::Buttons::Ok, platform::Icon::None);
        return false;
    }
    RunState& run = runState();
    if (run.runState != RUN_IDLE) return false;
    calmag().SetScan();
    board().Blank(0);
    board().Control(1);
    auto palette = barPalette();
    channelTables().PrepareAllImages(calmag(), palette ? &*palette : nullptr);
    LogHistory(ImageHandle{}, std::string("started acquire|") + o.mode + ": ", true);
    run.runState = RUN_RUNNING;
    bool finished = false;
    if (o.mode == "continuous") {
        run.acquireMode = ACQUIRE_STORE_EVERY;
        // Finish is pressed during pass N, so the run ends after it.
        for (int pass = 0; run.runState == RUN_RUNNING; ++pass) {
            LogHistory(ImageHandle{}, "    pass: " + std::to_string(pass) + "  ", false);
            if (pass + 1 >= o.passes) run.runState = RUN_FINISH;
            ScanPass();
            if (ChannelsEnabled() == 0) break;
        }
        finished = run.runState == RUN_FINISH;
    } else if (o.mode == "average") {
        run.acquireMode = ACQUIRE_STORE;
        channelTables().SetAllMaxPasses(static_cast<uint32_t>(std::max(1, softwareSettings().maximumScans)));
        LogHistory(ImageHandle{}, "  Pass number:1  ", false);
        ScanPass();
        if (run.runState == RUN_RUNNING) {
            run.acquireMode = ACQUIRE_ACCUMULATE;
            for (int pass = 2; run.runState == RUN_RUNNING; ++pass) {
                LogHistory(ImageHandle{}, "  Pass number:" + std::to_string(pass) + "  ", false);
                if (softwareSettings().demo) SimulatedPass();
                else ScanPass();
                if (ChannelsEnabled() == 0) break;
                if (channelTables().AllComplete()) {
                    finished = true;
                    break;
                }
            }
        }
        finished = finished || run.runState == RUN_FINISH;
    } else {
        run.acquireMode = ACQUIRE_STORE;
        ScanPass();
        finished = run.runState == RUN_RUNNING;
    }
    run.acquireMode = ACQUIRE_NONE;
    channelTables().PrepareAllImages(calmag(), palette ? &*palette : nullptr);
    LogHistory(ImageHandle{}, finished ? "finished scan: " : "halted early: ", true);
    run.runState = RUN_IDLE;
    board().Blank(1);
    board().Control(0);
    (void)ui;
    return true;
}

}  // namespace

int RunAcquireSession(const AcquireOptions& o, std::ostream& out, std::ostream& err) {
    MacroUi ui;
    MacroRunner printer(ui, out, err);  // prints every message as "caption: text"
    platform::Ui* previous = platform::setUi(&ui);
    StartHeadless(ui, o.iniPath);
    std::error_code error;
    std::filesystem::create_directories(o.outDir, error);
    bool ok = acquire(o, ui);
    int saved = 0;
    std::vector<std::string> used;
    if (ok) {
        channelTables().ForEach([&](CHANNEL& c) {
            if (!c.enabled || !LiveView(c.image)) return;
            // Channel names come from the element lists: keep them to one file name.
            std::string name = c.name.empty() ? "channel" : c.name;
            for (char& ch : name)
                if (ch == '/' || ch == '\\' || ch == '\0') ch = '_';
            // Two channels of one name keep both images.
            std::string base = name;
            for (int n = 2; std::find(used.begin(), used.end(), name) != used.end(); ++n)
                name = base + "_" + std::to_string(n);
            used.push_back(name);
            std::string path = (std::filesystem::path(o.outDir) / (name + ".tif")).string();
            Image* image = LiveImage(c.image);
            int kind = image->GetPaletteKind();
            image->ApplyPaletteKind(PaletteCustom);
            if (image->Save(path, ImageFileTiff)) {
                image->SetModified(false);
                out << path << '\n';
                ++saved;
            } else {
                ok = false;
            }
            image->ApplyPaletteKind(kind);
        });
    }
    // The history file goes beside the images.
    application().imageDataDirectory = o.outDir;
    WriteGlobalHistory();
    EndHeadless(ui);
    platform::setUi(previous);
    return ok && saved > 0 ? 0 : 1;
}

}  // namespace orvex::app
