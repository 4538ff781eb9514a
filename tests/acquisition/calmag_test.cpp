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

TEST(Calmag, BeamStepsAndOffsetsPerDaType) {
    UiScope scope;
    CALMAG c;
    c.SetXSize(256);
    c.SetYSize(100);
    c.SetScanFor(1, 0, 0, 0, 0);
    EXPECT_EQ(c.stepX, 257u);
    EXPECT_EQ(c.offsetX, 0u);
    EXPECT_EQ(c.stepY, 661u);
    EXPECT_EQ(c.offsetY, 48u);  // centred: 48 counts spare at both ends
    EXPECT_EQ(65535u - (c.offsetY + 99 * c.stepY), 48u);
    c.SetScanFor(0, 0, 0, 0, 0);
    EXPECT_EQ(c.stepX, 10u);
    EXPECT_EQ(c.offsetY, 1000u);
    EXPECT_EQ(c.daFullScale, 1000.0);
    EXPECT_EQ(c.umPerPixelX, 1.0);
    EXPECT_EQ(c.fieldWidth, 100.0);
    EXPECT_TRUE(scope.ui.messages.empty());
    CALMAG d;
    d.SetScanFor(5, 0, 0, 0, 0);
    EXPECT_EQ(scope.ui.count("CALMAG::SetScan()", "unrecognized DA_TYPE"), 1);
    EXPECT_EQ(d.stepX, 10u);
    d.SetXSize(1);
    d.SetYSize(5000);
    EXPECT_EQ(d.xsize, 2u);
    EXPECT_EQ(d.ysize, 4096u);
}

TEST(Calmag, MagnificationIsQuantisedBySemqAndDemoOnly) {
    UiScope scope;
    CALMAG c;
    struct Case {
        int probe, daType, mag;
        double effective;
    } cases[] = {
        {kProbeSemq, 1, 333, 12700.0 / 38}, {kProbeDemo, 0, 250, 254.0},
        {kProbeDemo, 1, 60, 1270.0 / 21},   {kProbeSemq, 2, 5000, 5080.0},
        {kProbeSemq, 2, 20000, 1270000.0 / 63}, {kProbeJeol, 1, 333, 333.0},
        {kProbeCameca, 0, 333, 333.0},      {kProbeSemq, 0, 333, 1.0},
        {9, 1, 333, 50.0},  // unknown probe: minMag
    };
    for (const Case& k : cases) {
        c.SetMagnification(k.mag);
        c.ApplyMagnificationFor(k.probe, k.daType);
        EXPECT_DOUBLE_EQ(c.effectiveMag, k.effective) << k.probe << " " << k.mag;
        EXPECT_DOUBLE_EQ(c.fieldWidth, c.calMicronsX * c.calMag / k.effective);
        EXPECT_DOUBLE_EQ(c.umPerPixelY, c.fieldHeight / (c.ysize - 1.0));
        EXPECT_DOUBLE_EQ(c.umPerCountX, c.fieldWidth / c.calCountsX);
    }
    EXPECT_TRUE(scope.ui.messages.empty());
    c.ApplyMagnificationFor(kProbeSemq, 4);
    EXPECT_EQ(scope.ui.count("SetMag_SEMQ", "bad d/a type"), 1);
    EXPECT_EQ(c.effectiveMag, 1.0);

    // No quantum (0 or beyond the last step): the field is computed at 1.
    c.minMag = 0;
    c.maxMag = 100000000;
    for (int mag : {20000000, 0}) {
        c.SetMagnification(mag);
        c.ApplyMagnificationFor(kProbeDemo, 1);
        EXPECT_EQ(c.effectiveMag, 0.0);
        EXPECT_DOUBLE_EQ(c.fieldWidth, c.calMicronsX * c.calMag);
    }
}

TEST(Calmag, StageStartAndStepForEveryPolarity) {
    for (int pol = 0; pol < 4; ++pol) {
        const int xPol = pol & 1, yPol = pol >> 1;
        CALMAG c;
        c.stageToMicrons = 100;
        c.SetXSize(100);
        c.SetYSize(50);
        c.scanType = SCAN_STAGE;
        c.stageXPolarity = xPol;
        c.stageYPolarity = yPol;
        c.SetScanFor(1, 10, -10, 15, -5);  // corners in any order
        SCOPED_TRACE(pol);
        EXPECT_EQ(c.stageFrame.xLow, -1000.0);
        EXPECT_EQ(c.stageFrame.yHigh, 1500.0);
        EXPECT_DOUBLE_EQ(c.stagePixelY, 40.0);
        // Half a pixel inside the limit it starts from, toward the other one.
        EXPECT_DOUBLE_EQ(c.startX, xPol ? 990.0 : -990.0);
        EXPECT_DOUBLE_EQ(c.startY, yPol ? -480.0 : 1480.0);
        EXPECT_DOUBLE_EQ(c.stepFracX, xPol ? -0.01 : 0.01);
        EXPECT_DOUBLE_EQ(c.stepFracY, yPol ? 0.02 : -0.02);
        EXPECT_NEAR(c.startFracX + 99 * c.stepFracX, xPol ? 0.005 : 0.995, 1e-12);
        EXPECT_NEAR(c.startFracY + 49 * c.stepFracY, yPol ? 0.99 : 0.01, 1e-12);
    }
    CALMAG flat;  // a frame without extent gives fractions, not NaN
    flat.scanType = SCAN_STAGE;
    flat.SetScanFor(1, 0, 0, 0, 0);
    EXPECT_EQ(flat.stepFracX, 0.0);
}

// A beam frame of 1000 microns (101 pixels of 10 microns) on a stage frame.
CALMAG hybridScan(double widthSU, double heightSU, int pol = 0) {
    CALMAG c;
    c.calMicronsX = c.calMicronsY = 1000;
    c.calMag = 100;
    c.stageToMicrons = 100;
    c.SetXSize(101);
    c.SetYSize(101);
    c.SetFieldOfView(100);
    c.scanType = SCAN_HYBRID;
    c.stageXPolarity = c.stageYPolarity = pol;
    c.SetScanFor(1, 0, widthSU, 0, heightSU);
    return c;
}

TEST(Calmag, HybridTilesAreCentredOnTheFrame) {
    CALMAG one = hybridScan(10, 10);  // exactly one beam frame wide
    EXPECT_EQ(one.tilesX, 2);
    EXPECT_DOUBLE_EQ(one.tilePitchX, 500.0);
    CALMAG wide = hybridScan(25, 4);
    EXPECT_EQ(wide.tilesX, 3);
    EXPECT_EQ(wide.tilesY, 1);
    EXPECT_NEAR(wide.startX, 2500.0 / 6, 1e-9);
    EXPECT_DOUBLE_EQ(wide.startY, 200.0);
    EXPECT_EQ(wide.stepX, 1u);  // SetXPixel passes hybrid codes on unchanged
    EXPECT_EQ(wide.offsetX, 0u);
    CALMAG reversed = hybridScan(25, 40, 1);
    EXPECT_NEAR(reversed.startX, 2500 - 2500.0 / 6, 1e-9);
    EXPECT_NEAR(reversed.stepFracX, -1.0 / 3, 1e-12);
    EXPECT_EQ(reversed.tilesY, 5);
    EXPECT_NEAR(reversed.startY, 400.0, 1e-9);
    EXPECT_NEAR(reversed.stepFracY, 0.2, 1e-12);
}

// Windows meet without gaps; a boundary on half a pixel is taken by both tiles.
TEST(Calmag, HybridTileWindowsCoverEveryPixel) {
    for (double w : {10.0, 25.0, 33.3, 71.0}) {
        for (int pol = 0; pol < 2; ++pol) {
            CALMAG c = hybridScan(w, w * 0.7, pol);
            std::vector<int> columns(c.xsize), rows(c.ysize);
            for (int t = 0; t < std::max(c.tilesX, c.tilesY); ++t) {
                c.SetTileX(std::min(t, c.tilesX - 1));
                c.SetTileY(std::min(t, c.tilesY - 1));
                c.SetTileWindow();
                if (t < c.tilesX)
                    for (uint32_t x = c.tileWindow.firstColumn; x <= c.tileWindow.lastColumn; ++x)
                        ++columns[x];
                if (t < c.tilesY)
                    for (uint32_t y = c.tileWindow.firstRow; y <= c.tileWindow.lastRow; ++y) ++rows[y];
            }
            SCOPED_TRACE(::testing::Message() << "width " << w << " polarity " << pol);
            EXPECT_EQ(*std::min_element(columns.begin(), columns.end()), 1);
            EXPECT_EQ(*std::min_element(rows.begin(), rows.end()), 1);
            EXPECT_LE(*std::max_element(columns.begin(), columns.end()), 2);
            EXPECT_LE(*std::max_element(rows.begin(), rows.end()), 2);
        }
    }
}

TEST(Calmag, HybridBeamCodesAroundTheTileCentre) {
    UiScope scope;
    CALMAG c;
    c.stageFrame = {0, 2000, 2000, 0};
    c.stagePixelX = c.stagePixelY = 20;
    c.tileCentreX = c.tileCentreY = 1000;
    c.umPerCountX = c.umPerCountY = 0.5;
    EXPECT_EQ(c.CalculateXOffsetFor(1, 10), 34348u);  // X is inverted
    EXPECT_EQ(c.CalculateXOffsetFor(2, 99), 30788u);
    EXPECT_EQ(c.CalculateYOffsetFor(1, 10), 34348u);
    EXPECT_EQ(c.CalculateYOffsetFor(1, 99), 30788u);
    c.umPerCountX = 0.3;  // truncated toward zero on both sides
    EXPECT_EQ(c.CalculateXOffsetFor(1, 10), 32768u + 2633u);
    EXPECT_EQ(c.CalculateXOffsetFor(1, 89), 32768u - 2633u);
    c.umPerCountX = c.umPerCountY = 0.01;  // limited to the D/A range
    EXPECT_EQ(c.CalculateXOffsetFor(1, 0), 65535u);
    EXPECT_EQ(c.CalculateXOffsetFor(1, 99), 0u);
    EXPECT_EQ(c.CalculateYOffsetFor(1, 0), 65535u);
    EXPECT_EQ(c.CalculateYOffsetFor(1, 99), 0u);
    EXPECT_EQ(c.CalculateXOffsetFor(0, 17), 17u);
    EXPECT_TRUE(scope.ui.messages.empty());
    EXPECT_EQ(c.CalculateYOffsetFor(3, 17), 17u);
    EXPECT_EQ(scope.ui.count("CALMAG::CalculateYOffset()", "unrecognized DA_TYPE"), 1);
    EXPECT_EQ(c.stepY, 10u);  // the default scan was set up
}

TEST(Calmag, CheckHybridAsksAboutImplausibleFrames) {
    UiScope scope;
    const std::string tail = "efficient.\nContinue Hybrid Scan?";
    EXPECT_FALSE(hybridScan(25, 25).CheckHybrid());
    EXPECT_TRUE(scope.ui.messages.empty());
    CALMAG large = hybridScan(5, 5);  // one tile covers the frame
    EXPECT_TRUE(large.CheckHybrid());  // unanswered: No
    EXPECT_EQ(scope.ui.count("Hybrid Scan Setup", "Beam Frame is larger than Stage Frame.\n"
                                                  "Pure Beam Scan would be more " + tail),
              1);
    scope.ui.queue(platform::Answer::Yes);
    EXPECT_FALSE(large.CheckHybrid());
    CALMAG tiny = hybridScan(5, 5);
    tiny.SetXSize(2);  // stage pixels larger than the whole beam frame
    tiny.SetYSize(2);
    tiny.SetFieldOfView(1e6);
    tiny.SetScanFor(1, 0, 5000, 0, 5000);
    EXPECT_TRUE(tiny.CheckHybrid());
    EXPECT_EQ(scope.ui.count("Hybrid Scan Setup", "Beam Frame is smaller than a Stage Pixel.\n"
                                                  "Pure Stage Scan would be more " + tail),
              1);
}

TEST(Calmag, KeysLoadWithTheirRulesAndSaveBack) {
    ScratchFolder folder;
    CALMAG c;
    c.LoadCalibration(folder.write("Orvex.ini",
                                   "[software]\nxsize=1\nX polarity=1\nmin=300\nmax=1000\n"
                                   "magnification=50\n[hardware]\ncal microns=500\n"
                                   "cal y counts=1000\nunits=mm\n"));
    EXPECT_EQ(c.xsize, 2u);
    EXPECT_EQ(c.ysize, 128u);
    EXPECT_EQ(c.xPolarity, 1);
    EXPECT_EQ(c.magnification, 300);  // clamped to min..max
    EXPECT_EQ(c.calMicronsY, 500.0);  // absent: equal to X
    EXPECT_EQ(c.calCountsX, 4096.0);
    EXPECT_EQ(c.calCountsY, 1000.0);
    EXPECT_EQ(c.calMag, 200.0);
    EXPECT_EQ(c.units, "mm");

    c.calMag = 123.456789012345;
    c.stageXPolarity = 5;  // any set flag is written as 1
    std::string path = folder.file("out.set");
    c.SaveCalibration(path);
    std::string text = ScratchFolder::read(path);
    EXPECT_EQ(text.find("cal y microns"), std::string::npos);
    EXPECT_NE(text.find("cal y counts=1000"), std::string::npos);
    EXPECT_NE(text.find("cal mag=123.456789"), std::string::npos);  // ten digits
    EXPECT_EQ(text.find("cal mag=123.4567890"), std::string::npos);
    CALMAG back;
    back.LoadCalibration(path);
    EXPECT_EQ(back.stageXPolarity, 1);
    EXPECT_EQ(back.minMag, 300);
    EXPECT_EQ(back.magnification, 300);
    EXPECT_EQ(back.calMicronsY, 500.0);
    EXPECT_EQ(back.units, "mm");
}

}  // namespace
}  // namespace orvex
