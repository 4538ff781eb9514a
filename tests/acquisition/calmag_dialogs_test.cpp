#include "acquisition/calmag_dialogs.h"

#include <gtest/gtest.h>

#include "acquisition/test_support.h"
#include "config/software_settings.h"

namespace orvex {
namespace {

using platform::DialogScript;
using platform::DialogStep;

TEST(CalmagDialogs, MagnificationOutsideTheRangeKeepsTheDialogOpen) {
    CALMAG c;
    c.minMag = 100;
    c.maxMag = 20000;
    c.userKilovolts = 15.123456;
    MagnificationDialog dialog(c, kProbeJeol);
    EXPECT_EQ(dialog.caption(), "JEOL Magnification");
    EXPECT_EQ(dialog.find("Kilovolts:")->text, "15.123");
    EXPECT_EQ(dialog.find("50000"), nullptr);  // not a JEOL preset
    dialog.press("40");
    EXPECT_EQ(dialog.find("Magnification:")->text, "40");
    EXPECT_FALSE(dialog.press("OK"));
    dialog.setText("Magnification:", "abc");
    EXPECT_FALSE(dialog.press("OK"));
    dialog.press("4000");
    dialog.setText("Kilovolts:", "20");
    EXPECT_TRUE(dialog.press("OK"));
    EXPECT_EQ(dialog.magnification, 4000);
    EXPECT_EQ(dialog.kilovolts, 20.0);
}

TEST(CalmagDialogs, ImageSizeFromPresetsOrConfirmedFreeSize) {
    testing::UiScope scope;
    CALMAG c;
    c.SetYSize(300);
    ImageSizeDialog dialog(c);
    EXPECT_EQ(dialog.find("128 x 128")->value, 0);
    EXPECT_EQ(dialog.find("Other size")->value, 1);
    dialog.choose("512 x 512");
    EXPECT_EQ(dialog.height, 512);
    scope.ui.queue(DialogScript{{{DialogStep::Op::SetText, "Width:", "640", 0},
                                 {DialogStep::Op::Press, "OK", {}, 0}}});
    dialog.choose("Other size");
    EXPECT_EQ(dialog.width, 640);
    EXPECT_EQ(dialog.find("Size")->text, "640 x 512");
    // Not confirmed: the previous choice stands.
    dialog.choose("256 x 256");
    dialog.choose("Other size");
    EXPECT_EQ(dialog.find("256 x 256")->value, 1);
    EXPECT_EQ(dialog.width, 256);
    EXPECT_EQ(scope.ui.dialogsRun, (std::vector<std::string>{"Picture Size", "Picture Size"}));
}

TEST(CalmagDialogs, ScanCharacteristics) {
    const int expected[2][2] = {{SCAN_BEAM, SCAN_STAGE}, {SCAN_BEAM, SCAN_HYBRID}};
    for (int beam = 0; beam < 2; ++beam) {
        for (int stage = 0; stage < 2; ++stage) {
            ScanCharacteristicsDialog dialog(SCAN_BEAM, true, 10, 0, 1);
            dialog.setValue("Use Beam", beam);
            dialog.setValue("Use Stage", stage);
            EXPECT_TRUE(dialog.press("OK"));
            EXPECT_EQ(dialog.scanType, expected[beam][stage]);
        }
    }
    ScanCharacteristicsDialog values(SCAN_BEAM, true, 10, 2, 3);
    values.setText("Samples to average:", "0");
    values.setText("Samples to discard:", "-1");
    EXPECT_FALSE(values.press("OK"));
    values.setText("Samples to discard:", "5");
    EXPECT_TRUE(values.press("OK"));
    EXPECT_EQ(values.pixelAverage, 1);  // 0 becomes 1
    EXPECT_EQ(values.pixelDiscard, 5);
}

}  // namespace
}  // namespace orvex
