#include "hardware/board_dialogs.h"

namespace orvex {

namespace {
const char* const kCheckBox = "Unblank/Blank for acquisition";
}

BeamBlankingDialog::BeamBlankingDialog(BOARD& board) : DialogModel("Beam Blanking"), board_(board) {
    platform::DialogControl box;
    box.label = kCheckBox;
    box.kind = platform::ControlKind::CheckBox;
    box.value = board.defaultBeamBlank ? 1 : 0;
    add(box);
    platform::DialogControl ok;
    ok.label = "OK";
    ok.kind = platform::ControlKind::Button;
    add(ok);
    platform::DialogControl cancel;
    cancel.label = "Cancel";
    cancel.kind = platform::ControlKind::Button;
    add(cancel);
}

bool BeamBlankingDialog::pressed(platform::DialogControl& control) {
    // The dispatch changes only on OK, so a cancelled dialog leaves it as it was.
    if (control.label == "OK") board_.defaultBeamBlank = find(kCheckBox)->value ? 1 : 0;
    return DialogModel::pressed(control);
}

}  // namespace orvex
