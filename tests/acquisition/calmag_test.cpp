#include "acquisition/calmag.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "acquisition/test_support.h"
#include "config/software_settings.h"

namespace orvex {
namespace {

using testing::ScratchFolder;
using testing::UiScope;

TEST(CalmagBeamScan, SixteenBitStepsUseTheFullRangeOfEachAxis) {
    CALMAG c;
    c.SetXSize(256);
    c.SetYSize(100);
    c.SetScanFor(1, 0, 0, 0, 0);
    EXPECT_EQ(c.stepX, 257u);
    EXPECT_EQ(c.offsetX, 0u);
    EXPECT_EQ(c.stepY, 661u);
    EXPECT_EQ(c.offsetY, 48u);
    EXPECT_EQ(c.daFullScale, 65535.0);
    // The last pixel stays inside the D/A range and the scan is centred.
    EXPECT_LE(c.offsetY + 99 * c.stepY, 65535u);
    EXPECT_EQ(65535u - (c.offsetY + 99 * c.stepY), c.offsetY);

    c.SetXSize(512);
    c.SetScanFor(2, 0, 0, 0, 0);
    EXPECT_EQ(c.stepX, 128u);
    EXPECT_EQ(c.offsetX, 63u);
}

TEST(CalmagBeamScan, DefaultScanForDaTypeZeroAndUnknownTypes) {
    UiScope scope;
    CALMAG c;
    c.SetScanFor(0, 0, 0, 0, 0);
    EXPECT_EQ(c.stepX, 10u);
    EXPECT_EQ(c.stepY, 10u);
    EXPECT_EQ(c.offsetX, 1000u);
    EXPECT_EQ(c.offsetY, 1000u);
    EXPECT_EQ(c.daFullScale, 1000.0);
    EXPECT_EQ(c.umPerPixelX, 1.0);
    EXPECT_EQ(c.fieldWidth, 100.0);
    EXPECT_EQ(c.umPerCountY, 0.1);
    EXPECT_TRUE(scope.ui.messages.empty());

    CALMAG d;
    d.SetScanFor(5, 0, 0, 0, 0);
    EXPECT_EQ(scope.ui.count("CALMAG::SetScan()", "unrecognized DA_TYPE"), 1);
    EXPECT_EQ(d.stepX, 10u);
    EXPECT_EQ(d.offsetY, 1000u);
}

TEST(CalmagSizes, ClampedToTwoThrough4096) {
    CALMAG c;
    c.SetXSize(1);
    c.SetYSize(5000);
    EXPECT_EQ(c.xsize, 2u);
    EXPECT_EQ(c.ysize, 4096u);
    c.SetXSize(-7);
    EXPECT_EQ(c.xsize, 2u);
}

TEST(CalmagMagnification, QuantisedBySemqAndDemoOnly) {
    UiScope scope;
    CALMAG c;
    c.minMag = 50;
    c.maxMag = 50000;
    c.SetMagnification(333);
    c.ApplyMagnificationFor(kProbeSemq, 1);
    EXPECT_NEAR(c.effectiveMag, 12700.0 / 38.0, 1e-9);
    c.SetMagnification(250);
    c.ApplyMagnificationFor(kProbeDemo, 0);
    EXPECT_EQ(c.effectiveMag, 254.0);
    c.SetMagnification(60);
    c.ApplyMagnificationFor(kProbeDemo, 1);
    EXPECT_EQ(c.effectiveMag, 1270.0 / 21);
    c.SetMagnification(5000);
    c.ApplyMagnificationFor(kProbeSemq, 2);
    EXPECT_EQ(c.effectiveMag, 5080.0);
    c.SetMagnification(20000);
    c.ApplyMagnificationFor(kProbeSemq, 2);
    EXPECT_EQ(c.effectiveMag, 1270000.0 / 63);

    c.SetMagnification(333);
    c.ApplyMagnificationFor(kProbeJeol, 1);
    EXPECT_EQ(c.effectiveMag, 333.0);
    c.ApplyMagnificationFor(kProbeCameca, 0);
    EXPECT_EQ(c.effectiveMag, 333.0);
    c.ApplyMagnificationFor(kProbeSemq, 0);
    EXPECT_EQ(c.effectiveMag, 1.0);
    c.ApplyMagnificationFor(9, 1);
    EXPECT_EQ(c.effectiveMag, 50.0);
    EXPECT_TRUE(scope.ui.messages.empty());

    c.ApplyMagnificationFor(kProbeSemq, 4);
    EXPECT_EQ(scope.ui.count("SetMag_SEMQ", "bad d/a type"), 1);
    EXPECT_EQ(c.effectiveMag, 1.0);
}

TEST(CalmagMagnification, FieldOfViewFollowsTheEffectiveMagnification) {
    CALMAG c;
    c.calMicronsX = 630;
    c.calMicronsY = 500;
    c.calCountsX = 4096;
    c.calCountsY = 2048;
    c.calMag = 200;
    c.SetXSize(64);
    c.SetYSize(33);
    c.SetMagnification(400);
    c.ApplyMagnificationFor(kProbeJeol, 1);
    EXPECT_DOUBLE_EQ(c.fieldWidth, 315.0);
    EXPECT_DOUBLE_EQ(c.fieldHeight, 250.0);
    EXPECT_DOUBLE_EQ(c.umPerPixelX, 315.0 / 63);
    EXPECT_DOUBLE_EQ(c.umPerPixelY, 250.0 / 32);
    EXPECT_DOUBLE_EQ(c.umPerCountX, 315.0 / 4096);
    EXPECT_DOUBLE_EQ(c.umPerCountY, 250.0 / 2048);
}

TEST(CalmagMagnification, NoQuantumFallsBackToOneInsteadOfDividingByZero) {
    CALMAG c;
    c.minMag = 0;
    c.maxMag = 100000000;
    c.calMicronsX = 10;
    c.calMag = 3;
    c.SetMagnification(20000000);  // beyond the last step: K / m is 0
    c.ApplyMagnificationFor(kProbeDemo, 1);
    EXPECT_EQ(c.effectiveMag, 0.0);
    EXPECT_DOUBLE_EQ(c.fieldWidth, 30.0);
    c.SetMagnification(0);
    c.ApplyMagnificationFor(kProbeSemq, 1);
    EXPECT_EQ(c.effectiveMag, 0.0);
    EXPECT_DOUBLE_EQ(c.fieldWidth, 30.0);
}

// A frame of -1000..1000 microns in X and -500..1500 in Y, 100 x 50 pixels.
CALMAG stageScan(int xPol, int yPol) {
    CALMAG c;
    c.stageToMicrons = 100;
    c.SetXSize(100);
    c.SetYSize(50);
    c.scanType = SCAN_STAGE;
    c.stageXPolarity = xPol;
    c.stageYPolarity = yPol;
    c.SetScanFor(1, 10, -10, 15, -5);  // corners in any order
    return c;
}

TEST(CalmagStageScan, StartAndStepForEveryPolarity) {
    for (int xPol = 0; xPol < 2; ++xPol) {
        for (int yPol = 0; yPol < 2; ++yPol) {
            SCOPED_TRACE(::testing::Message() << "x " << xPol << " y " << yPol);
            CALMAG c = stageScan(xPol, yPol);
            EXPECT_EQ(c.stageFrame.xLow, -1000.0);
            EXPECT_EQ(c.stageFrame.xHigh, 1000.0);
            EXPECT_EQ(c.stageFrame.yLow, -500.0);
            EXPECT_EQ(c.stageFrame.yHigh, 1500.0);
            EXPECT_DOUBLE_EQ(c.stagePixelX, 20.0);
            EXPECT_DOUBLE_EQ(c.stagePixelY, 40.0);
            // X runs from the low limit unless reversed; Y from the top unless reversed.
            double firstX = xPol ? 990.0 : -990.0;
            double firstY = yPol ? -480.0 : 1480.0;
            EXPECT_DOUBLE_EQ(c.startX, firstX);
            EXPECT_DOUBLE_EQ(c.startY, firstY);
            EXPECT_DOUBLE_EQ(c.stepFracX, xPol ? -0.01 : 0.01);
            EXPECT_DOUBLE_EQ(c.stepFracY, yPol ? 0.02 : -0.02);
            EXPECT_DOUBLE_EQ(c.startFracX, (firstX + 1000) / 2000);
            EXPECT_DOUBLE_EQ(c.startFracY, (firstY + 500) / 2000);
            // The last pixel lies half a pixel inside the opposite limit.
            EXPECT_NEAR(c.startFracX + 99 * c.stepFracX, xPol ? 0.005 : 0.995, 1e-12);
            EXPECT_NEAR(c.startFracY + 49 * c.stepFracY, yPol ? 0.99 : 0.01, 1e-12);
        }
    }
}

TEST(CalmagStageScan, AFrameWithoutExtentGivesFractionsInsteadOfNaN) {
    CALMAG c;
    c.scanType = SCAN_STAGE;
    c.SetScanFor(1, 0, 0, 0, 0);
    EXPECT_EQ(c.stepFracX, 0.0);
    EXPECT_EQ(c.startFracY, 0.0);
}

// Beam frame of 1000 microns: 101 pixels of 10 microns.
CALMAG hybridScan(double frameWidthSU, double frameHeightSU, int xPol = 0, int yPol = 0) {
    CALMAG c;
    c.calMicronsX = c.calMicronsY = 1000;
    c.calMag = 100;
    c.calCountsX = c.calCountsY = 4000;
    c.stageToMicrons = 100;
    c.SetXSize(101);
    c.SetYSize(101);
    c.SetFieldOfView(100);
    c.scanType = SCAN_HYBRID;
    c.stageXPolarity = xPol;
    c.stageYPolarity = yPol;
    c.SetScanFor(1, 0, frameWidthSU, 0, frameHeightSU);
    return c;
}

TEST(CalmagHybrid, TileCountsAndPitch) {
    CALMAG one = hybridScan(10, 10);  // exactly one beam frame
    EXPECT_DOUBLE_EQ(one.beamWidth, 1000.0);
    EXPECT_EQ(one.tilesX, 2);
    EXPECT_EQ(one.tilesY, 2);
    EXPECT_DOUBLE_EQ(one.tilePitchX, 500.0);

    CALMAG wide = hybridScan(25, 4);
    EXPECT_EQ(wide.tilesX, 3);
    EXPECT_EQ(wide.tilesY, 1);
    EXPECT_NEAR(wide.startX, 2500.0 / 6, 1e-9);  // first tile centred in its pitch
    EXPECT_NEAR(wide.stepFracX, 1.0 / 3, 1e-12);
    EXPECT_DOUBLE_EQ(wide.startY, 200.0);
    EXPECT_EQ(wide.offsetX, 0u);
    EXPECT_EQ(wide.stepX, 1u);
    EXPECT_EQ(wide.stepY, 1u);

    CALMAG reversed = hybridScan(25, 40, 1, 1);
    EXPECT_NEAR(reversed.startX, 2500 - 2500.0 / 6, 1e-9);
    EXPECT_NEAR(reversed.stepFracX, -1.0 / 3, 1e-12);
    EXPECT_EQ(reversed.tilesY, 5);
    EXPECT_NEAR(reversed.startY, 400.0, 1e-9);  // Y reversed starts at the bottom
    EXPECT_NEAR(reversed.stepFracY, 0.2, 1e-12);
}

// Windows meet without gaps; a boundary falling on half a pixel is taken by
// both tiles.
TEST(CalmagHybrid, TileWindowsCoverEveryPixel) {
    for (double w : {10.0, 25.0, 33.3, 71.0}) {
        for (int pol = 0; pol < 2; ++pol) {
            CALMAG c = hybridScan(w, w * 0.7, pol, pol);
            std::vector<int> columns(c.xsize, 0), rows(c.ysize, 0);
            for (int t = 0; t < c.tilesX; ++t) {
                EXPECT_TRUE(c.SetTileX(t));
                EXPECT_TRUE(c.SetTileY(0));
                c.SetTileWindow();
                for (uint32_t x = c.tileWindow.firstColumn; x <= c.tileWindow.lastColumn; ++x)
                    ++columns[x];
            }
            for (int t = 0; t < c.tilesY; ++t) {
                c.SetTileX(0);
                c.SetTileY(t);
                c.SetTileWindow();
                for (uint32_t y = c.tileWindow.firstRow; y <= c.tileWindow.lastRow; ++y) ++rows[y];
            }
            SCOPED_TRACE(::testing::Message() << "width " << w << " polarity " << pol);
            EXPECT_EQ(std::count(columns.begin(), columns.end(), 0), 0);
            EXPECT_EQ(std::count(rows.begin(), rows.end(), 0), 0);
            EXPECT_LE(*std::max_element(columns.begin(), columns.end()), 2);
            EXPECT_LE(*std::max_element(rows.begin(), rows.end()), 2);
        }
    }
}

TEST(CalmagHybrid, TileOutsideTheCountTakesTheStart) {
    CALMAG c = hybridScan(25, 4);
    EXPECT_FALSE(c.SetTileX(3));
    EXPECT_EQ(c.tileCentreX, c.startX);
    EXPECT_DOUBLE_EQ(c.tileFracX, c.startX / 2500);
    EXPECT_TRUE(c.SetTileX(2));
    EXPECT_NEAR(c.tileCentreX, 2500 - 2500.0 / 6, 1e-9);
    EXPECT_NEAR(c.tileFracX, 5.0 / 6, 1e-12);
}

TEST(CalmagHybrid, BeamOffsetsAroundTheTileCentre) {
    UiScope scope;
    CALMAG c;
    c.stageFrame = {0, 2000, 2000, 0};
    c.stagePixelX = c.stagePixelY = 20;
    c.tileCentreX = c.tileCentreY = 1000;
    c.umPerCountX = c.umPerCountY = 0.5;
    // X is inverted: columns left of the centre get codes above 32768.
    EXPECT_EQ(c.CalculateXOffsetFor(1, 10), 34348u);
    EXPECT_EQ(c.CalculateXOffsetFor(2, 99), 30788u);
    EXPECT_EQ(c.CalculateYOffsetFor(1, 10), 34348u);
    EXPECT_EQ(c.CalculateYOffsetFor(1, 99), 30788u);
    c.umPerCountX = c.umPerCountY = 0.3;  // truncated toward zero on both sides
    EXPECT_EQ(c.CalculateXOffsetFor(1, 10), 32768u + 2633u);
    EXPECT_EQ(c.CalculateXOffsetFor(1, 89), 32768u - 2633u);
    c.umPerCountX = c.umPerCountY = 0.01;  // far outside: limited to the range
    EXPECT_EQ(c.CalculateXOffsetFor(1, 0), 65535u);
    EXPECT_EQ(c.CalculateXOffsetFor(1, 99), 0u);
    EXPECT_EQ(c.CalculateYOffsetFor(1, 0), 65535u);
    EXPECT_EQ(c.CalculateYOffsetFor(1, 99), 0u);
    c.umPerCountX = 0;  // no calibration: no undefined conversion
    EXPECT_EQ(c.CalculateXOffsetFor(1, 0), 65535u);

    EXPECT_EQ(c.CalculateXOffsetFor(0, 17), 17u);
    EXPECT_TRUE(scope.ui.messages.empty());
    EXPECT_EQ(c.CalculateYOffsetFor(3, 17), 17u);
    EXPECT_EQ(scope.ui.count("CALMAG::CalculateYOffset()", "unrecognized DA_TYPE"), 1);
    EXPECT_EQ(c.stepY, 10u);  // the default scan was set up
}

TEST(CalmagHybrid, CheckHybridAsksAboutImplausibleFrames) {
    UiScope scope;
    const std::string small =
        "Beam Frame is smaller than a Stage Pixel.\nPure Stage Scan would be more "
        "efficient.\nContinue Hybrid Scan?";
    const std::string large =
        "Beam Frame is larger than Stage Frame.\nPure Beam Scan would be more "
        "efficient.\nContinue Hybrid Scan?";
    CALMAG plausible = hybridScan(25, 25);
    EXPECT_FALSE(plausible.CheckHybrid());
    EXPECT_TRUE(scope.ui.messages.empty());

    CALMAG tooLarge = hybridScan(5, 5);   // one tile covers the frame
    EXPECT_TRUE(tooLarge.CheckHybrid());  // unanswered: No
    EXPECT_EQ(scope.ui.count("Hybrid Scan Setup", large), 1);
    scope.ui.queue(platform::Answer::Yes);
    EXPECT_FALSE(tooLarge.CheckHybrid());

    CALMAG tiny = hybridScan(5, 5);
    tiny.SetXSize(2);  // stage pixels larger than the whole beam frame
    tiny.SetYSize(2);
    tiny.SetFieldOfView(1e6);
    tiny.SetScanFor(1, 0, 5000, 0, 5000);
    scope.ui.clear();
    EXPECT_TRUE(tiny.CheckHybrid());
    EXPECT_EQ(scope.ui.count("Hybrid Scan Setup", small), 1);

    tiny.scanType = SCAN_STAGE;
    scope.ui.clear();
    EXPECT_FALSE(tiny.CheckHybrid());
    EXPECT_TRUE(scope.ui.messages.empty());
}

TEST(CalmagSettings, LoadsKeysWithTheirDefaultsAndRules) {
    ScratchFolder folder;
    std::string ini = folder.write("Orvex.ini",
                                   "[software]\nxsize=1\nysize=9000\nX polarity=1\n"
                                   "Stage Y polarity=1\nRegistration X polarity=1\n"
                                   "min=300\nmax=1000\nmagnification=50\n"
                                   "[hardware]\ncal microns=500\ncal counts=2000\n"
                                   "cal y counts=1000\nunits=mm\n");
    CALMAG c;
    c.LoadCalibration(ini);
    EXPECT_EQ(c.xsize, 2u);
    EXPECT_EQ(c.ysize, 4096u);
    EXPECT_EQ(c.xPolarity, 1);
    EXPECT_EQ(c.yPolarity, 0);
    EXPECT_EQ(c.stageYPolarity, 1);
    EXPECT_EQ(c.registrationXPolarity, 1);
    EXPECT_EQ(c.minMag, 300);
    EXPECT_EQ(c.maxMag, 1000);
    EXPECT_EQ(c.magnification, 300);  // clamped
    EXPECT_EQ(c.calMicronsX, 500.0);
    EXPECT_EQ(c.calMicronsY, 500.0);  // absent: equal to X
    EXPECT_EQ(c.calCountsY, 1000.0);
    EXPECT_EQ(c.calMag, 200.0);
    EXPECT_EQ(c.stageToMicrons, 100.0);
    EXPECT_EQ(c.calKilovolts, 15.0);
    EXPECT_EQ(c.units, "mm");

    CALMAG empty;
    empty.LoadCalibration(folder.file("missing.ini"));
    EXPECT_EQ(empty.xsize, 128u);
    EXPECT_EQ(empty.minMag, 100);
    EXPECT_EQ(empty.magnification, 200);
    EXPECT_EQ(empty.calMicronsX, 630.0);
    EXPECT_EQ(empty.calCountsX, 4096.0);
    EXPECT_EQ(empty.units, "microns");
}

TEST(CalmagSettings, SavesWhatLoadsBackAndLeavesEqualYValuesOut) {
    ScratchFolder folder;
    CALMAG c;
    c.SetXSize(300);
    c.SetYSize(200);
    c.stageXPolarity = 5;  // any non-zero flag is written as 1
    c.calMag = 123.456789012345;
    c.calMicronsX = c.calMicronsY = 630;
    c.calCountsX = 4096;
    c.calCountsY = 1024;
    c.units = "microns";
    c.magnification = 777;
    std::string path = folder.file("out.set");
    c.SaveCalibration(path);
    std::string text = ScratchFolder::read(path);
    EXPECT_EQ(text.find("cal y microns"), std::string::npos);
    EXPECT_NE(text.find("cal y counts=1024"), std::string::npos);
    EXPECT_NE(text.find("cal mag=123.456789"), std::string::npos);
    EXPECT_EQ(text.find("cal mag=123.4567890123"), std::string::npos);
    EXPECT_NE(text.find("Stage X polarity=1"), std::string::npos);

    CALMAG back;
    back.LoadCalibration(path);
    EXPECT_EQ(back.xsize, 300u);
    EXPECT_EQ(back.ysize, 200u);
    EXPECT_EQ(back.stageXPolarity, 1);
    EXPECT_EQ(back.magnification, 777);
    EXPECT_NEAR(back.calMag, 123.456789, 1e-6);
    EXPECT_EQ(back.calCountsY, 1024.0);
    EXPECT_EQ(back.calMicronsY, 630.0);
}

TEST(CalmagCopy, CopiesTheCalibrationButNotTheScanValues) {
    CALMAG a;
    a.calMicronsX = 1;
    a.units = "mm";
    a.scanType = SCAN_HYBRID;
    a.magnification = 999;
    a.effectiveMag = 1000;
    a.SetXSize(33);
    a.registrationYPolarity = 1;
    a.stepX = 77;
    a.tilesX = 9;
    a.startFracX = 0.25;
    CALMAG b;
    a.CopyTo(b);
    EXPECT_EQ(b.calMicronsX, 1.0);
    EXPECT_EQ(b.units, "mm");
    EXPECT_EQ(b.scanType, SCAN_HYBRID);
    EXPECT_EQ(b.magnification, 999);
    EXPECT_EQ(b.effectiveMag, 1000.0);
    EXPECT_EQ(b.xsize, 33u);
    EXPECT_EQ(b.registrationYPolarity, 1);
    EXPECT_EQ(b.umPerPixelX, a.umPerPixelX);
    EXPECT_EQ(b.stepX, 1u);
    EXPECT_EQ(b.tilesX, 1);
    EXPECT_EQ(b.startFracX, 0.0);
}

}  // namespace
}  // namespace orvex
