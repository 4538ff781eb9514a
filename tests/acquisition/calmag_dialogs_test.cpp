#include "acquisition/calmag_dialogs.h"

#include <gtest/gtest.h>

#include "acquisition/test_support.h"
#include "config/software_settings.h"

namespace orvex {
namespace {

using platform::DialogScript;
using platform::DialogStep;
using testing::UiScope;

DialogStep setText(const std::string& label, const std::string& text) {
    return {DialogStep::Op::SetText, label, text, 0};
}
DialogStep press(const std::string& label) {
    return {DialogStep::Op::Press, label, {}, 0};
}

TEST(MagnificationDialog, CaptionAndPresetsFollowTheProbeType) {
    CALMAG c;
    MagnificationDialog jeol(c, kProbeJeol);
    EXPECT_EQ(jeol.caption(), "JEOL Magnification");
    EXPECT_NE(jeol.find("40"), nullptr);
    EXPECT_NE(jeol.find("20000"), nullptr);
    EXPECT_EQ(jeol.find("50000"), nullptr);
    MagnificationDialog cameca(c, kProbeCameca);
    EXPECT_EQ(cameca.caption(), "CAMECA Magnification");
    EXPECT_NE(cameca.find("800"), nullptr);
    EXPECT_EQ(MagnificationDialog(c, kProbeDemo).caption(), "DEMO Magnification");
    EXPECT_EQ(MagnificationDialog(c, kProbeSemq).caption(), "SEMQ Magnification");
    EXPECT_NE(MagnificationDialog(c, kProbeSemq).find("50000"), nullptr);
    EXPECT_EQ(MagnificationCaption(7), "");
}

TEST(MagnificationDialog, OkOutsideTheRangeStaysOpen) {
    CALMAG c;
    c.minMag = 100;
    c.maxMag = 20000;
    c.userKilovolts = 15.123456;
    MagnificationDialog dialog(c, kProbeSemq);
    EXPECT_EQ(dialog.find("Kilovolts:")->text, "15.123");
    EXPECT_EQ(dialog.find("Magnification:")->text, "200");

    dialog.press("50000");
    EXPECT_EQ(dialog.find("Magnification:")->text, "50000");
    EXPECT_FALSE(dialog.press("OK"));
    EXPECT_FALSE(dialog.closed());
    dialog.setText("Magnification:", "abc");
    EXPECT_FALSE(dialog.press("OK"));
    dialog.press("5000");
    dialog.setText("Kilovolts:", "20");
    EXPECT_TRUE(dialog.press("OK"));
    EXPECT_TRUE(dialog.accepted());
    EXPECT_EQ(dialog.magnification, 5000);
    EXPECT_EQ(dialog.kilovolts, 20.0);
    EXPECT_EQ(c.magnification, 200);  // the caller applies it
}

TEST(ImageSizeDialog, PresetPreselectedOnlyForSquareSizes) {
    CALMAG c;
    c.SetXSize(512);
    c.SetYSize(512);
    ImageSizeDialog square(c);
    EXPECT_EQ(square.find("512 x 512")->value, 1);
    EXPECT_EQ(square.find("Other size")->value, 0);
    c.SetYSize(300);
    ImageSizeDialog free(c);
    EXPECT_EQ(free.find("512 x 512")->value, 0);
    EXPECT_EQ(free.find("Other size")->value, 1);
    EXPECT_EQ(free.find("Size")->text, "512 x 300");
    free.choose("64 x 64");
    EXPECT_EQ(free.width, 64);
    EXPECT_EQ(free.height, 64);
}

TEST(ImageSizeDialog, FreeSizeIsConfirmedThroughThePictureDialog) {
    UiScope scope;
    CALMAG c;
    ImageSizeDialog dialog(c);
    EXPECT_EQ(dialog.find("128 x 128")->value, 1);
    scope.ui.queue(
        DialogScript{{setText("Width:", "640"), setText("Height:", "480"), press("OK")}});
    dialog.choose("Other size");
    EXPECT_EQ(dialog.width, 640);
    EXPECT_EQ(dialog.height, 480);
    EXPECT_EQ(dialog.find("Size")->text, "640 x 480");

    // Cancelled: the previous choice stands.
    dialog.choose("256 x 256");
    scope.ui.queue(DialogScript{{setText("Width:", "10"), press("Cancel")}});
    dialog.choose("Other size");
    EXPECT_EQ(dialog.find("256 x 256")->value, 1);
    EXPECT_EQ(dialog.find("Other size")->value, 0);
    EXPECT_EQ(dialog.width, 256);
    EXPECT_EQ(scope.ui.dialogsRun.size(), 2u);
}

TEST(ScanCharacteristicsDialog, BoxesGiveTheScanType) {
    struct Case {
        int beam, stage, type;
    } cases[] = {{1, 0, SCAN_BEAM}, {0, 1, SCAN_STAGE}, {1, 1, SCAN_HYBRID}, {0, 0, SCAN_BEAM}};
    for (const Case& k : cases) {
        ScanCharacteristicsDialog dialog(SCAN_BEAM, true, 10, 0, 1);
        dialog.setValue("Use Beam", k.beam);
        dialog.setValue("Use Stage", k.stage);
        EXPECT_TRUE(dialog.press("OK"));
        EXPECT_EQ(dialog.scanType, k.type);
    }
    ScanCharacteristicsDialog hybrid(SCAN_HYBRID, true, 10, 0, 1);
    EXPECT_EQ(hybrid.find("Use Beam")->value, 1);
    EXPECT_EQ(hybrid.find("Use Stage")->value, 1);
}

TEST(ScanCharacteristicsDialog, WithoutMotionControllerTheStageIsUndetermined) {
    ScanCharacteristicsDialog dialog(SCAN_HYBRID, false, 10, 0, 1);
    EXPECT_EQ(dialog.find("Use Stage")->value, 2);
    EXPECT_FALSE(dialog.find("Use Stage")->enabled);
    EXPECT_FALSE(dialog.setValue("Use Stage", 1));
    EXPECT_TRUE(dialog.press("OK"));
    EXPECT_EQ(dialog.scanType, SCAN_BEAM);
}

TEST(ScanCharacteristicsDialog, ScanValuesAreChecked) {
    ScanCharacteristicsDialog dialog(SCAN_BEAM, true, 10, 2, 3);
    EXPECT_EQ(dialog.find("Samples to discard:")->text, "2");
    dialog.setText("Samples to average:", "0");
    dialog.setText("Maximum scans to average:", "4");
    dialog.setText("Samples to discard:", "-1");
    EXPECT_FALSE(dialog.press("OK"));
    dialog.setText("Samples to discard:", "5");
    EXPECT_TRUE(dialog.press("OK"));
    EXPECT_EQ(dialog.pixelAverage, 1);
    EXPECT_EQ(dialog.pixelDiscard, 5);
    EXPECT_EQ(dialog.maximumScans, 4);
}

}  // namespace
}  // namespace orvex
