// The setup commands: the calibration's, the channels', the stage frame's and
// the beam blanking's dialogs run through the Ui, and what their OK changes;
// and the Setup menu.
#include "app/commands/setup.h"

#include <functional>
#include <optional>
#include <string>

#include "acquisition/acquire_commands.h"
#include "acquisition/calmag.h"
#include "acquisition/calmag_dialogs.h"
#include "acquisition/channel_dialogs.h"
#include "acquisition/stage_scan_dialog.h"
#include "app/bar_setup.h"
#include "app/command_table.h"
#include "config/setup_files.h"
#include "config/software_settings.h"
#include "hardware/board.h"
#include "hardware/board_dialogs.h"
#include "imagestore/image_window_events.h"
#include "platform/ui.h"

namespace orvex {

bool OV_DoMagDlg() {
    CALMAG& c = calmag();
    const int probe = softwareSettings().probeType;
    if (MagnificationCaption(probe).empty()) {
        platform::showMessage("Unrecognized Probe Type", "OV_DoMagDlg");
        return false;
    }
    MagnificationDialog dialog(c, probe);
    if (!platform::ui().runDialog(dialog)) return false;
    c.userKilovolts = dialog.kilovolts;
    c.SetMagnification(dialog.magnification);
    c.ApplyMagnification();
    return true;
}

bool OV_DoImageSizeDlg() {
    CALMAG& c = calmag();
    ImageSizeDialog dialog(c);
    if (!platform::ui().runDialog(dialog)) return false;
    c.SetXSize(dialog.width);
    c.SetYSize(dialog.height);
    c.ApplyMagnification();
    return true;
}

bool OV_DoScanDlg() {
    SoftwareSettings& s = softwareSettings();
    ScanCharacteristicsDialog dialog(calmag().scanType, board().mcType != 0, s.maximumScans,
                                     s.pixelDiscard, s.pixelAverage);
    if (!platform::ui().runDialog(dialog)) return false;
    calmag().scanType = dialog.scanType;
    s.maximumScans = dialog.maximumScans;
    s.pixelDiscard = dialog.pixelDiscard;
    s.pixelAverage = dialog.pixelAverage;
    channelTables().SetAllMaxPasses(static_cast<uint32_t>(dialog.maximumScans));
    return true;
}

namespace {

std::optional<std::vector<uint32_t>> barPalette() {
    auto& hook = imageWindowEventHooks().currentPalette;
    if (!hook) return std::nullopt;
    auto palette = hook();
    if (palette && palette->size() < 256) return std::nullopt;
    return palette;
}

bool runChannelSetup(int32_t kind) {
    ChannelTables& t = channelTables();
    SoftwareSettings& s = softwareSettings();
    if (kind != CHANNEL_ANALOG) ElmToChannels(0);
    ChannelSetupDialog dialog(t, kind, s.countTime);
    if (!platform::ui().runDialog(dialog)) return false;
    dialog.Apply();
    if (kind == CHANNEL_COUNTER) s.countTime = dialog.countTime;
    if (kind != CHANNEL_ANALOG) ElmToChannels(0);
    auto palette = barPalette();
    const std::vector<uint32_t>* p = palette ? &*palette : nullptr;
    if (kind == CHANNEL_ANALOG) t.PrepareAnalogImages(calmag(), p);
    if (kind == CHANNEL_DIGITAL) t.PrepareDigitalImages(calmag(), p);
    if (kind == CHANNEL_COUNTER) t.PrepareCounterImages(calmag(), p);
    return true;
}

}  // namespace

bool setup_analog_inputs() {
    if (channelTables().analogMax == 0) return false;
    return runChannelSetup(CHANNEL_ANALOG);
}

bool setup_digital_inputs() {
    if (channelTables().digitalMax == 0) {
        platform::showMessage("Number of digital channels is 0", "setup_digital_inputs");
        return false;
    }
    return runChannelSetup(CHANNEL_DIGITAL);
}

bool setup_counter_inputs() {
    if (channelTables().counterMax == 0) {
        platform::showMessage("Number of counter channels is 0", "setup_counter_inputs");
        return false;
    }
    return runChannelSetup(CHANNEL_COUNTER);
}

void setup_resolution() {
    StageScanSetupDialog dialog;
    if (!platform::ui().runDialog(dialog)) return;
    if (dialog.x1 == dialog.x2) {
        platform::showMessage("Left X = Right X - Coordinates not changed", "setup_resolution()");
        return;
    }
    if (dialog.y1 == dialog.y2) {
        platform::showMessage("Upper Y = Lower Y - Coordinates not changed", "setup_resolution()");
        return;
    }
    board().SetScanBoundsSU(dialog.x1, dialog.y1, dialog.x2, dialog.y2,
                            calmag().RegistrationPolarities());
}

void OnFaradaySetup() {
    BeamBlankingDialog dialog(board());
    platform::ui().runDialog(dialog);
}

void RegisterSetupCommands() {
    // The acquisition's entries among the rest; greyed as the acquisition
    // greys them while a run goes.
    auto setup = [](const std::string& text, std::function<void()> run, const char* status,
                    bool separator = false) {
        app::Command c;
        c.path = "Setup > " + text;
        c.run = std::move(run);
        c.status = status;
        c.enabled = AcquisitionMenusEnabled;
        c.separatorBefore = separator;
        app::commandTable().add(std::move(c));
    };
    setup("&Analog Inputs...", [] { setup_analog_inputs(); }, "Set up the analog input channels");
    setup("&Digital Inputs...", [] { setup_digital_inputs(); }, "Set up the digital input channels");
    setup("&Counter Inputs...", [] { setup_counter_inputs(); }, "Set up the counter input channels");
    setup("&Magnification...", [] { OV_DoMagDlg(); }, "Set the magnification", true);
    setup("&Stage Scan Setup...", [] { setup_resolution(); },
          "Set the stage frame of stage and hybrid scans");
    setup("&Image Size...", [] { OV_DoImageSizeDlg(); }, "Set the size of acquired images");
    setup("Scan &Type...", [] { OV_DoScanDlg(); }, "Set the scan type and the scan values");
    setup("S&cale &Bar Setup...", [] { app::ScaleBarSetup(); }, "Set up the scale bar", true);
    setup("&Palette Bar Setup...", [] { app::PaletteBarSetup(); }, "Set up the palette bar");
    setup(config::kLoadSetupMenu, [] { config::LoadSetup(); }, config::kLoadSetupStatus, true);
    setup(config::kSaveSetupMenu, [] { config::SaveSetup(); }, config::kSaveSetupStatus);
    setup("&Faraday Setup...", [] { OnFaradaySetup(); }, "Control automatic beam blanking", true);
}

}  // namespace orvex
