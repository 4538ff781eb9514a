// orvex-cli acquire: one acquisition on the configured instrument, headless.
#include <algorithm>
#include <filesystem>
#include <ostream>
#include <system_error>

#include "acquisition/acquire_commands.h"
#include "acquisition/channel_tables.h"
#include "app/application.h"
#include "app/headless_session.h"
#include "app/history_file.h"
#include "app/macro.h"
#include "config/software_settings.h"
#include "imagestore/history.h"
#include "imagestore/image_interface.h"
#include "imagestore/orvex_view.h"
#include "imagestore/window_list.h"
#include "platform/ui.h"

namespace orvex::app {

namespace {

// One run of the acquisition command of the mode. Continuous runs get their
// Finish from the message pump once the last requested pass has begun, as an
// operator's press would arrive between two scan points.
bool acquire(const AcquireOptions& o, MacroUi& ui) {
    const bool channels = ChannelsEnabled() != 0;
    const AcquireMenuState& state = acquireMenuState();
    auto previous = ui.onPump;
    if (o.mode == "continuous")
        ui.onPump = [&] {
            if (state.pass + 1 >= o.passes) OnAcquireFinish();
        };
    if (o.mode == "continuous") OnAcquireContinuous();
    else if (o.mode == "average") OnAcquireAverage();
    else OnAcquireSingle();
    ui.onPump = previous;
    return channels;
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
