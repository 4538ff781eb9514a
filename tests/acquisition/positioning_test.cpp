// Pixel Snap, Stage Snap, Center and Release Beam, and the marker cross, on
// registered, unregistered and file-opened images, with and without DEMO.
#include <filesystem>

#include "acquisition/commands_fixture.h"
#include "acquisition/positioning.h"
#include "app/application.h"
#include "app/file_formats.h"
#include "imagestore/display_mapping.h"
#include "imagestore/image_display.h"
#include "imagestore/orvex_view.h"

namespace orvex {
namespace {

class Positioning : public testing::CommandsTest {
  protected:
    void SetUp() override {
        CommandsTest::SetUp();
        calmag().stageToMicrons = 100.0;
        windowList().hooks.repaint = [this](ImageHandle w) { repaints.push_back(w.number); };
    }
    /// An image without a channel whose pixels span 100..300 um in x and
    /// 200..600 um in y: the frame 1..3 x 2..6 in stage units.
    ImageHandle registered(int width = 11, int height = 21) {
        ImageHandle w = CreateImage(width, height, PaletteCustom, true, 8);
        SetRegistration(w, {100, 200}, {300, 600});
        return w;
    }
    void pick(ImageHandle w, int column, int row) {
        ui.queue(platform::ImagePickEvent{platform::ImagePickEvent::Kind::Picked, w.number,
                                          static_cast<double>(column), static_cast<double>(row)});
    }
    /// A real instrument whose devices are all simulated.
    static void notDemo() { softwareSettings().probeType = kProbeSemq; }
    static void expectFrame(double left, double right, double lower, double upper) {
        EXPECT_DOUBLE_EQ(board().simX.lowCorner, left);
        EXPECT_DOUBLE_EQ(board().simX.highCorner, right);
        EXPECT_DOUBLE_EQ(board().simY.lowCorner, lower);
        EXPECT_DOUBLE_EQ(board().simY.highCorner, upper);
    }
    std::vector<int> repaints;
};

TEST_F(Positioning, UnregisteredImagesEndBothSnapsBeforeAnyHardware) {
    ImageHandle w = CreateImage(8, 8, PaletteCustom, true, 8);
    pick(w, 1, 1);
    mode_pixel_snap();
    pick(w, 1, 1);
    mode_stage_snap();
    EXPECT_EQ(ui.messageLines(),
              (std::vector<std::string>{"mode_pixel_snap(): The chosen image does not contain position information",
                                        "mode_stage_snap(): The chosen image does not contain position information"}));
    EXPECT_EQ(simProbe().control, 0);
    EXPECT_EQ(markerState().markerOn, 0);
    // A cancelled pick does nothing at all.
    mode_pixel_snap();
    EXPECT_EQ(ui.messages.size(), 2u);
}

TEST_F(Positioning, StageSnapMovesToTheFrameFractionsOfThePixel) {
    notDemo();
    ImageHandle w = registered();
    pick(w, 0, 0);
    app::commandTable().run("Modes > Stage Snap");
    expectFrame(1, 3, 2, 6);
    EXPECT_DOUBLE_EQ(board().simX.position, 1.0);  // fraction 0: the left edge
    EXPECT_DOUBLE_EQ(board().simY.position, 6.0);  // fraction 1: the top edge
    EXPECT_EQ(simProbe().control, 0);
    EXPECT_EQ(simProbe().daX, board().GetDAMax() / 2);
    EXPECT_EQ(markerState().markerOn, 1);
    EXPECT_EQ(markerState().markerImage, w);

    StageSnapTo(w, 5, 10);  // the middle pixel
    EXPECT_DOUBLE_EQ(board().simX.position, 2.0);
    EXPECT_DOUBLE_EQ(board().simY.position, 4.0);
    EXPECT_EQ(markerState().column, 5);
    EXPECT_EQ(markerState().row, 10);

    // Reversed registration in x: the left pixel stands at the larger x, the
    // frame is stored the other way round and pixel 0 is fraction 1.
    calmag().registrationXPolarity = 1;
    ImageHandle reversed = CreateImage(11, 21, PaletteCustom, true, 8);
    SetRegistration(reversed, {300, 200}, {100, 600});
    StageSnapTo(reversed, 0, 0);
    expectFrame(1, 3, 2, 6);
    EXPECT_DOUBLE_EQ(board().simX.position, 3.0);
}

TEST_F(Positioning, DemoSnapsRewriteTheFrameAndSetTheMarkerWithoutMoving) {
    ImageHandle w = registered();
    StageSnapTo(w, 3, 4);
    PixelSnapTo(w, 3, 4);
    expectFrame(1, 3, 2, 6);
    EXPECT_DOUBLE_EQ(board().simX.position, 0.0);
    EXPECT_DOUBLE_EQ(board().simY.position, 0.0);
    EXPECT_EQ(markerState().markerOn, 1);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Positioning, OnePixelSidesSnapToTheMiddleOfTheFrame) {
    notDemo();
    ImageHandle w = registered(1, 21);
    StageSnapTo(w, 0, 0);
    EXPECT_DOUBLE_EQ(board().simX.position, (board().simX.lowCorner + board().simX.highCorner) / 2);
    EXPECT_DOUBLE_EQ(board().simY.position, 6.0);
}

TEST_F(Positioning, PixelSnapOnAFileOpenedImageDrivesTheStageToThePixelCentre) {
    notDemo();
    ANALOGCHANNEL& a = enableAnalog(10, 20);
    calmag().scanType = SCAN_STAGE;  // the channel's image says nothing once it is a file
    prepare();
    SetRegistration(a.image, {100, 200}, {300, 600});
    testing::ScratchFolder folder;
    const std::string path = folder.file("snap.tif");
    app::InstallImageFileFormats();
    ASSERT_TRUE(LiveImage(a.image)->Save(path, ImageFileTiff));
    ImageHandle opened = ReadImageFile(path, ImageFileTiff);
    ASSERT_TRUE(opened);
    ASSERT_EQ(OV_Info_GetChanPtr(opened), nullptr);
    pick(opened, 4, 5);
    app::commandTable().run("Modes > Pixel Snap");
    EXPECT_TRUE(ui.messages.empty());
    expectFrame(1, 3, 2, 6);
    EXPECT_NEAR(board().simX.position, 1.0 + 2.0 * 4.5 / 10, 1e-9);
    EXPECT_NEAR(board().simY.position, 6.0 - 4.0 * 5.5 / 20, 1e-9);
    EXPECT_EQ(simProbe().daX, board().GetDAMax() / 2);
    EXPECT_EQ(simProbe().control, 1);  // the beam stays under control
    EXPECT_EQ(markerState().markerImage, opened);
}

TEST_F(Positioning, PixelSnapOnABeamImagePutsTheBeamOnThePixelOfThatImage) {
    ANALOGCHANNEL& a = enableAnalog(16, 12);
    prepare();
    // The present scan is of another size: the codes still follow the image.
    beamScan(64, 48);
    PixelSnapTo(a.image, 3, 2);
    EXPECT_EQ(simProbe().daX, 3u * (65535u / 15));
    EXPECT_EQ(simProbe().daY, (65535u - 65535u / 11 * 11) / 2 + 2u * (65535u / 11));
    calmag().xPolarity = 1;
    PixelSnapTo(a.image, 3, 2);
    EXPECT_EQ(simProbe().daX, 12u * (65535u / 15));
    EXPECT_EQ(markerState().markerImage, a.image);
}

TEST_F(Positioning, HybridAndUnknownScanTypes) {
    ANALOGCHANNEL& a = enableAnalog(16, 12);
    prepare();
    SetRegistration(a.image, {100, 200}, {300, 600});
    a.scanType = SCAN_HYBRID;
    PixelSnapTo(a.image, 1, 1);
    EXPECT_EQ(ui.messageLines().back(), "pixel_snap(): HYBRID mode not imlemented,\nAssuming STAGE mode.");
    EXPECT_EQ(markerState().markerOn, 1);
    resetMarkerState();
    a.scanType = 7;
    PixelSnapTo(a.image, 1, 1);
    EXPECT_EQ(ui.messageLines().back(), "mode_pixel_snap: Unrecognized acquisition mode");
    EXPECT_EQ(simProbe().control, 1);
    EXPECT_EQ(markerState().markerOn, 0);
}

TEST_F(Positioning, TheMarkerMovesBetweenImagesAndIsDrawnOnlyOnItsOwn) {
    ImageHandle first = registered(), second = registered();
    StageSnapTo(first, 2, 3);
    repaints.clear();
    StageSnapTo(second, 4, 6);
    // The old marker image is redrawn to lose its cross, then the new one.
    ASSERT_GE(repaints.size(), 2u);
    EXPECT_EQ(repaints[repaints.size() - 2], first.number);
    EXPECT_EQ(repaints.back(), second.number);

    InstallAcquireHooks();  // a second start: still one cross, or it would erase itself
    platform::RecordingSurface onFirst, onSecond;
    PaintImageWindow(first, onFirst);
    PaintImageWindow(second, onSecond);
    EXPECT_EQ(std::count(onFirst.calls.begin(), onFirst.calls.end(), "xor on"), 0);
    RealPoint at{4, 6};
    PixelToWindow(second, at);
    const int x = static_cast<int>(at.x), y = static_cast<int>(at.y);
    const std::vector<std::string> cross{
        "xor on", "pen ffffff 1 0", "line " + std::to_string(x - 10) + " " + std::to_string(y) + " " +
                                        std::to_string(x + 10) + " " + std::to_string(y),
        "line " + std::to_string(x) + " " + std::to_string(y + 10) + " " + std::to_string(x) + " " +
            std::to_string(y - 10),
        "xor off"};
    auto found = std::search(onSecond.calls.begin(), onSecond.calls.end(), cross.begin(), cross.end());
    EXPECT_NE(found, onSecond.calls.end());
    EXPECT_EQ(std::count(onSecond.calls.begin(), onSecond.calls.end(), "xor on"), 1);

    // Printing goes through the print mapping.
    DisplayMapping print = LiveView(second)->mapping;
    print.pixelsPerUnitX *= 3;
    print.pixelsPerUnitY *= 3;
    platform::RecordingSurface printed;
    ImageEvent e{second, ImageEventPrinted, 0, 0, &printed, &print, nullptr};
    DrawSnapMarker(e);
    RealPoint real{4, 6};
    PixelToReal(second, real);
    const int px = static_cast<int>(print.ToWindowX(real.x)), py = static_cast<int>(print.ToWindowY(real.y));
    ASSERT_EQ(printed.calls.size(), 5u);
    EXPECT_EQ(printed.calls[2], "line " + std::to_string(px - 10) + " " + std::to_string(py) + " " +
                                    std::to_string(px + 10) + " " + std::to_string(py));
}

TEST_F(Positioning, CenterReleaseAndTheLastWindowClosing) {
    ImageHandle w = registered();
    StageSnapTo(w, 2, 3);
    beamScan(40, 30);
    app::commandTable().run("Modes > Center");
    EXPECT_EQ(simProbe().control, 1);
    EXPECT_EQ(simProbe().daX, board().GetDAMax() / 2);
    EXPECT_EQ(markerState().column, 20);
    EXPECT_EQ(markerState().row, 15);
    EXPECT_EQ(markerState().markerOn, 1);
    app::commandTable().run("Modes > Release Beam");
    EXPECT_EQ(simProbe().control, 0);
    EXPECT_EQ(markerState().markerOn, 0);

    app::commandTable().run("Modes > Center");
    LiveImage(w)->SetModified(false);
    ASSERT_TRUE(app::application().CloseImage(w));  // the last window: the beam is released
    EXPECT_EQ(simProbe().control, 0);
}

TEST_F(Positioning, ModesAndStageScanSetupAreGreyedWhileARunGoes) {
    enableAnalog(8, 6);
    std::vector<bool> enabled;
    ui.onPump = [&] {
        for (const char* p : {"Modes > &Pixel Snap", "Modes > &Stage Snap", "Modes > &Release Beam",
                              "Modes > &Center", "Setup > &Stage Scan Setup..."})
            enabled.push_back(app::commandTable().isEnabled(p));
        EXPECT_EQ(app::commandTable().run("Modes > Center"), app::CommandTable::RunResult::Disabled);
    };
    OnAcquireSingle();
    EXPECT_EQ(std::count(enabled.begin(), enabled.end(), true), 0);
    EXPECT_TRUE(app::commandTable().isEnabled("Modes > Center"));
}

}  // namespace
}  // namespace orvex
