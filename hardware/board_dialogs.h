#pragma once
// The beam-blanking setup of the device dispatch, as a dialog model.
#include "hardware/board.h"
#include "platform/dialog_model.h"

namespace orvex {

/// "Beam Blanking": one check box, "Unblank/Blank for acquisition", showing
/// whether the beam is blanked at the end of an acquisition.
class BeamBlankingDialog : public platform::DialogModel {
public:
    explicit BeamBlankingDialog(BOARD& board);
    bool pressed(platform::DialogControl& control) override;

private:
    BOARD& board_;
};

}  // namespace orvex
