#include "app_test_support.h"

#include "app/image_information.h"
#include "app/image_picker.h"
#include "app/zoom.h"

#include <cstring>

using namespace orvex;
using namespace orvex::app;
using orvex::testing::AppTest;
using platform::DialogScript;
using platform::DialogStep;
using platform::ImagePickEvent;

namespace {
ImagePickEvent pick(ImageHandle w, double column = 0, double row = 0) {
    return {ImagePickEvent::Kind::Picked, w.number, column, row};
}
DialogStep set(const std::string& label, const std::string& text) {
    return {DialogStep::Op::SetText, label, text};
}
DialogStep press(const std::string& label) { return {DialogStep::Op::Press, label}; }
}  // namespace

TEST_F(AppTest, PickerRefusesImagesThatDoNotFitWithTheirMessages) {
    ImageHandle a = CreateImage(20, 10, PaletteGrey, true, 8);
    ImageHandle other = CreateImage(30, 10, PaletteGrey, true, 8);
    ImageHandle b = CreateImage(20, 10, PaletteGrey, true, 8);
    PickRequest r;
    r.entries = {{"Pick first"}, {"Pick second", PickSameSize}};
    ui.queue(pick(a, 3, 4));
    ui.queue(pick(other));
    ui.queue(pick(b));
    EXPECT_EQ(PickImages(r), 2);
    EXPECT_EQ(ui.messageLines(),
              (std::vector<std::string>{"Error: Image needs to be the same dimensions as the previous image. (20 x 10)"}));
    EXPECT_EQ(r.entries[0].window, a);
    EXPECT_EQ(r.entries[1].window, b);
    // The click's real position: default registration, x = column, y = height - 1 - row.
    EXPECT_DOUBLE_EQ(r.entries[0].position.x, 3);
    EXPECT_DOUBLE_EQ(r.entries[0].position.y, 5);
}

TEST_F(AppTest, PickerChecksGreyColoursAndDepthInOrder) {
    ImageHandle grey8 = CreateImage(8, 8, PaletteGrey, true, 8);
    ImageHandle grey16 = CreateImage(8, 8, PaletteGrey, true, 16);
    ImageHandle coloured = CreateImage(8, 8, PaletteGrey, true, 8);
    std::vector<uint32_t> fc(256);
    for (uint32_t i = 0; i < 256; ++i) fc[i] = i << 8 | (255 - i);
    SetPalette(coloured, fc.data(), 256, PaletteCustom);

    PickRequest r;
    r.entries = {{"Pick A", PickNeedsGrey}, {"Pick B", PickSameDepth | PickSamePaletteCount}};
    EXPECT_FALSE(MeetsRequirements(r, 0, coloured, true));
    EXPECT_EQ(ui.messageLines().back(), "Error: Image needs to be a gray scale");
    SetPalette(coloured, nullptr, 256, PaletteGrey);  // the grey ramp kind is grey again
    EXPECT_TRUE(MeetsRequirements(r, 0, coloured, false));

    ui.clear();
    r.entries[0].window = grey8;
    EXPECT_FALSE(MeetsRequirements(r, 1, grey16, true));
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{"Error: Image needs to have the same depth as the previous image (8)"}));
    ui.clear();
    EXPECT_FALSE(MeetsRequirements(r, 1, grey16, false));
    EXPECT_TRUE(ui.messages.empty());  // hovering asks quietly

    SetPalette(grey16, fc.data(), 16, PaletteCustom);
    r.entries[1].requirements = PickSamePaletteCount | PickNeeds256Colours;
    EXPECT_FALSE(MeetsRequirements(r, 1, grey16, true));
    EXPECT_EQ(ui.messageLines().back(), "Error: Image needs to have 256 colors");
    r.entries[1].requirements = PickSamePaletteCount;
    EXPECT_FALSE(MeetsRequirements(r, 1, grey16, true));
    EXPECT_EQ(ui.messageLines().back(),
              "Error: Image needs to have the same number of colors as the previous image (256)");
    EXPECT_EQ(PickHoverText(grey16), "UNTLD2.TIF (8x8x16)");
}

TEST_F(AppTest, PickerOkEarlyAndCancel) {
    ImageHandle a = CreateImage(8, 8, PaletteGrey, true, 8);
    PickRequest r;
    r.entries = {{"Pick RED band"}, {"Pick GREEN band"}, {"Pick BLUE band"}};
    ui.queue(ImagePickEvent{ImagePickEvent::Kind::Ok});  // OK before anything is picked: ignored
    ui.queue(pick(a));
    ui.queue(ImagePickEvent{ImagePickEvent::Kind::Ok});
    EXPECT_EQ(PickImages(r), 1);
    EXPECT_EQ(r.entries[0].window, a);

    ui.queue(pick(a));
    ui.queue(ImagePickEvent{ImagePickEvent::Kind::Cancel});
    EXPECT_EQ(PickImages(r), 0);
    EXPECT_FALSE(r.entries[0].window);
    // A closed window's number picks nothing.
    int gone = a.number;
    CloseImageWindow(a);
    ui.queue(ImagePickEvent{ImagePickEvent::Kind::Picked, gone});
    EXPECT_EQ(PickImages(r), 0);
}

TEST_F(AppTest, RegisterImageStoresTwoPointsAndRefusesDuplicates) {
    start();
    ImageHandle w = CreateImage(100, 50, PaletteGrey, true, 8);
    DialogScript script;
    script.steps = {set("Point 1 Vector X", "1000.0"), set("Point 1 Vector Y", "2000.0"),
                    set("Point 1 Raster X", "0"),      set("Point 1 Raster Y", "49"),
                    set("Point 2 Vector X", "1099.0"), set("Point 2 Vector Y", "2049.0"),
                    set("Point 2 Raster X", "0"),      set("Point 2 Raster Y", "0"),
                    press("OK")};
    bool stillOpen = false;
    script.inspect = [&](platform::DialogModel& d) { stillOpen = !d.closed(); };
    ui.queue(script);
    EXPECT_FALSE(ShowRegisterImage(w));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{"Warning: Duplicate control point detected!"}));
    // The refused dialog went away with Cancel: the registration is as before.
    EXPECT_DOUBLE_EQ(LiveImage(w)->GetPositionRegistration().x2, 99);

    script.steps[6] = set("Point 2 Raster X", "99");
    ui.queue(script);
    ASSERT_TRUE(ShowRegisterImage(w));
    EXPECT_DOUBLE_EQ(LiveImage(w)->UnitsPerPixelX(), 1.0);
    EXPECT_DOUBLE_EQ(LiveImage(w)->UnitsPerPixelY(), 1.0);
    application().MouseOverImage(w, 0, 49);
    EXPECT_EQ(ui.status[1], "X:1000 Y:2000 ");
}

TEST_F(AppTest, CancellingRegisterImageAfterAPreviewClickChangesNothing) {
    ImageHandle w = CreateImage(300, 280, PaletteGrey, true, 8);
    PositionRegistration before{5.5, 6.5, 105.5, 206.5, 10, 200, 110, 20};
    LiveImage(w)->SetPositionRegistration(before);
    LiveImage(w)->SetModified(false);
    RegisterImageDialog d(w);
    d.initialize();
    // While open, positions read as pixels.
    EXPECT_DOUBLE_EQ(LiveImage(w)->GetPositionRegistration().x2, 299);
    EXPECT_EQ(d.find("Point 1 Vector X")->text, "5.500");
    EXPECT_EQ(d.find("Point 2 Raster Y")->text, "20");
    EXPECT_EQ(d.find("Preview")->width, 256);
    EXPECT_EQ(d.find("Horizontal")->max, 44);
    d.setText("Point 2 Raster X", "7");  // the focus is in point 2's raster fields
    d.setValue("Horizontal", 30);
    auto* canvas = d.find("Preview");
    d.mouse(*canvas, {platform::CanvasMouse::Kind::Down, 12, 40});
    EXPECT_EQ(d.find("Point 2 Raster X")->text, "42");
    EXPECT_EQ(d.find("Point 2 Raster Y")->text, "40");
    d.mouse(*canvas, {platform::CanvasMouse::Kind::Move, 13, 41});
    EXPECT_EQ(d.find("Point 2 Raster X")->text, "43");
    EXPECT_TRUE(d.press("Cancel"));
    const PositionRegistration& after = LiveImage(w)->GetPositionRegistration();
    EXPECT_EQ(std::memcmp(&after, &before, sizeof before), 0);
    EXPECT_TRUE(LiveImage(w)->IsPositionRegistered());
    EXPECT_FALSE(LiveImage(w)->IsModified());
}

TEST_F(AppTest, ZRegistrationMakesPixelsReadAsRealValues) {
    start();
    ImageHandle w = CreateImage(4, 4, PaletteGrey, true, 8);
    ZRegistrationDialog d(w);
    EXPECT_EQ(d.find("Low")->text, "0.000");
    EXPECT_EQ(d.find("High")->text, "100.000");
    EXPECT_EQ(d.find("Description")->text, "PERCENT");
    ui.queue(DialogScript{{set("Low", "10"), set("High", "10"), set("Description", "ppm"), press("OK")}});
    ASSERT_TRUE(ShowZRegistration(w));
    const ZRegistration& z = LiveImage(w)->GetZRegistration();
    EXPECT_EQ(z.flag, 1);
    EXPECT_DOUBLE_EQ(z.low, 10);  // low equal to high is taken as typed
    EXPECT_EQ(z.units, "ppm");
    application().MouseOverImage(w, 1, 1);
    EXPECT_EQ(ui.status[1], "Z: 10");  // a created image has no position registration

    ui.queue(DialogScript{{set("Low", "99"), press("Cancel")}});
    EXPECT_FALSE(ShowZRegistration(w));
    EXPECT_DOUBLE_EQ(LiveImage(w)->GetZRegistration().low, 10);
}

TEST_F(AppTest, ImageInformationShowsValuesAndStoresAuthorAndDescription) {
    start();
    ImageHandle w = CreateImage(1001, 1000, PaletteGrey, true, 16);
    LiveImage(w)->SetPositionRegistration({0, 0, 2000, 3000, 0, 999, 1000, 0});
    ImageInformationDialog d(w);
    EXPECT_EQ(d.caption(), "Image Information");
    EXPECT_EQ(d.find("Depth:")->text, "16 bit");
    EXPECT_EQ(d.find("Memory:")->text, "2004k");  // rows padded to 2004 bytes
    EXPECT_EQ(d.find("Storage:")->text, "Disk");
    EXPECT_EQ(d.find("Scale:")->text, "2.50 Units/Pixel");  // 2 across, 3 down
    EXPECT_EQ(d.find("Z Units:")->text, "Not Registered");
    EXPECT_EQ(d.find("Software:")->text, "Orvex 4.0");
    ImageHandle small = CreateImage(10, 10, PaletteGrey, true, 8);
    ImageInformationDialog s(small);
    EXPECT_EQ(s.find("Storage:")->text, "RAM");
    EXPECT_EQ(s.find("Scale:")->text, "Not Registered");

    ui.queue(DialogScript{{set("Author:", "J. Smith"), set("Description:", "olivine grain"), press("OK")}});
    ShowImageInformation(w);
    EXPECT_EQ(LiveImage(w)->GetText(TextArtist), "J. Smith");
    EXPECT_EQ(LiveImage(w)->GetText(TextImageDescription), "olivine grain");
    ui.queue(DialogScript{{set("Author:", "nobody"), press("Cancel")}});
    ShowImageInformation(w);
    EXPECT_EQ(LiveImage(w)->GetText(TextArtist), "J. Smith");
}

TEST_F(AppTest, ZoomSetAppliesToTheActiveOrEveryWindow) {
    start();
    ImageHandle a = CreateImage(64, 64, PaletteGrey, true, 8);
    ImageHandle b = CreateImage(64, 64, PaletteGrey, true, 8);
    ui.queue(DialogScript{{{DialogStep::Op::Choose, "200%"}, press("OK")}});
    ShowZoomSet();
    EXPECT_DOUBLE_EQ(LiveView(b)->mapping.zoom, 2.0);
    EXPECT_DOUBLE_EQ(LiveView(a)->mapping.zoom, 1.0);
    int tiles = 0;
    ui.queue(DialogScript{{{DialogStep::Op::Choose, "Set"}, set("Percent", "150"),
                           {DialogStep::Op::Choose, "All Windows && Tile"}, press("OK")}});
    ShowZoomSet([&] { ++tiles; });
    EXPECT_DOUBLE_EQ(LiveView(a)->mapping.zoom, 1.5);
    EXPECT_DOUBLE_EQ(LiveView(b)->mapping.zoom, 1.5);
    EXPECT_EQ(tiles, 1);
    ZoomSetDialog d;  // opens on the active window's zoom
    EXPECT_EQ(d.find("150%")->value, 1);
    EXPECT_EQ(d.find("Set")->value, 0);
}

TEST_F(AppTest, ZoomCommandsScaleTheWindowMapping) {
    start();
    ImageHandle w = CreateImage(800, 400, PaletteGrey, true, 8);
    SetViewSize(w, 400, 400);
    ZoomExtents(w);
    EXPECT_DOUBLE_EQ(LiveView(w)->mapping.zoom, 0.5);
    ui.queue(platform::PixelRect{100, 100, 199, 149});
    ZoomIn(w);
    const DisplayMapping& m = LiveView(w)->mapping;
    EXPECT_DOUBLE_EQ(m.zoom, 4.0);
    // The rectangle's top-left edge is at the window's top-left.
    EXPECT_NEAR(m.ToWindowX(99.5), 0, 1e-9);
    EXPECT_NEAR(m.ToWindowY(399 - 99.5), 0, 1e-9);
    for (int i = 0; i < 12; ++i) ZoomOut(w);
    EXPECT_DOUBLE_EQ(LiveView(w)->mapping.zoom, DisplayMapping::kMinZoom);
    EXPECT_EQ(SetZoom(w, 0), ImageRefused);
    EXPECT_EQ(SetZoom(ImageHandle{999}, 2), ImageNotLive);
    application().RefreshStatus();
    EXPECT_EQ(ui.status[0], "UNTLD1.TIF at 6% (800x400x256)");
}

namespace {
// The user closes the first picked window while the picker waits for the second.
struct ClosingUi : platform::HeadlessUi {
    ImageHandle first, second;
    int waits = 0;
    ImagePickEvent awaitImagePick(const platform::PickPrompt&) override {
        if (++waits == 1) return pick(first);
        CloseImageWindow(first);
        return pick(second);
    }
};
}  // namespace

TEST_F(AppTest, APickedWindowClosedDuringThePickCancelsIt) {
    ClosingUi closing;
    platform::setUi(&closing);
    closing.first = CreateImage(20, 10, PaletteGrey, true, 8);
    closing.second = CreateImage(20, 10, PaletteGrey, true, 8);
    PickRequest r;
    r.entries = {{"Pick first", 0, {}, {}}, {"Pick second", PickSameSize, {}, {}}};
    EXPECT_EQ(PickImages(r), 0);
    EXPECT_FALSE(r.entries[0].window);
    EXPECT_FALSE(r.entries[1].window);
    EXPECT_TRUE(closing.messages.empty());  // cancelled, not refused
    platform::setUi(&ui);
}
