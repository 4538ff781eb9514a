// The setup commands: the calibration's and the channels' dialogs run through
// the Ui, and what their OK changes.
#include <optional>

#include "acquisition/calmag_dialogs.h"
#include "acquisition/channel_dialogs.h"
#include "config/software_settings.h"
#include "hardware/board.h"
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

}  // namespace orvex
