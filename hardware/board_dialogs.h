#pragma once
// The beam-blanking setup of the device dispatch, as a dialog model.
#include "hardware/board.h"
#include "platform/dialog_model.h"

namespace orvex {

/// The menu text and status text of the beam-blanking setup command.
inline constexpr const char* kFaradaySetupMenuText = "&Faraday Setup...";
inline constexpr const char* kFaradaySetupStatusText = "Control automatic beam blanking";

/// "Beam Blanking": one check box, "Unblank/Blank for acquisition", showing
/// whether the beam is blanked at the end of an acquisition.
class BeamBlankingDialog : public platform::DialogModel {
public:
    explicit BeamBlankingDialog(BOARD& board);
    bool pressed(platform::DialogControl& control) override;

private:
    BOARD& board_;
};

/// The "&Faraday Setup..." command: runs the dialog; OK stores the box in
/// defaultBeamBlank (saved with the next save of all settings), Cancel
/// changes nothing.
void OnFaradaySetup();

}  // namespace orvex
