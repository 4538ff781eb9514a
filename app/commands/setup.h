#pragma once
// The Setup menu: the calibration's, the channels', the stage frame's and the
// beam blanking's dialogs run through the Ui, and what their OK changes.

namespace orvex {

/// The magnification dialog of the configured probe type; OK applies the
/// magnification. Unknown probe types get "Unrecognized Probe Type".
bool OV_DoMagDlg();
/// The image size dialog; OK sets the size and applies the magnification.
bool OV_DoImageSizeDlg();
/// The scan characteristics dialog; OK sets the scan type, the scan values and
/// every channel's maximum passes.
bool OV_DoScanDlg();

/// The setup dialog of the analog inputs; OK prepares the analog images.
bool setup_analog_inputs();
/// The digital inputs; "Number of digital channels is 0" when none are configured.
bool setup_digital_inputs();
/// The counter inputs with the count time; "Number of counter channels is 0" when none.
bool setup_counter_inputs();

/// "Stage Scan Setup..." (setup_resolution): runs the dialog and, on OK,
/// stores the frame in the board unless a pair of corners is equal.
void setup_resolution();

/// The "&Faraday Setup..." command: runs the beam blanking dialog; OK stores
/// the box in defaultBeamBlank (saved with the next save of all settings),
/// Cancel changes nothing.
void OnFaradaySetup();

/// Enters the whole Setup menu in its order, greyed while a run goes.
void RegisterSetupCommands();

}  // namespace orvex
