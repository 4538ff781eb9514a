#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <cstring>
#include <string>
#include <vector>

#include "imagestore/history.h"
#include "imagestore/image_interface.h"
#include "imagestore/orvex_view.h"
#include "imagestore/window_list.h"
#include "store_fixture.h"

namespace orvex {
namespace {

std::vector<ImageEvent> g_events;
void Record(const ImageEvent& event) { g_events.push_back(event); }
void RecordAgain(const ImageEvent& event) { g_events.push_back(event); }
void CloseOnLine(const ImageEvent& event) {
    if (event.code == ImageEventLine) CloseImageWindow(event.window);
}

class ImageInterface : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        g_events.clear();
    }
};

TEST_F(ImageInterface, CreatedImagesAreNumberedNamedAndLogged) {
    clock.time = {2026, 12, 7, 1, 9, 27, 38};
    const ImageHandle a = CreateImage(100, 50, PaletteGrey, true, 8);
    const ImageHandle b = CreateImage(10, 10, PaletteRed, false, 16);
    ASSERT_TRUE(a);
    ASSERT_TRUE(b);
    EXPECT_EQ(a.number, 1);
    EXPECT_EQ(b.number, 2);
    ImageSummary s;
    ASSERT_EQ(GetImageSummary(b, s), ImageDone);
    EXPECT_EQ(s.name, "UNTLD2.TIF");
    EXPECT_EQ(s.depth, 16);
    EXPECT_EQ(s.paletteCount, 256);
    EXPECT_EQ(s.paletteKind, PaletteRed);
    EXPECT_EQ(s.hostComputer, "IBM Compatible");
    EXPECT_EQ(s.software, "Orvex 4.0");
    EXPECT_EQ(s.dateTime, "Mon Dec 07 09:27:38 2026\n");
    EXPECT_EQ(s.positionRegistered, 0);
    EXPECT_EQ(s.imageNumber, 2);
    EXPECT_EQ(LiveView(a)->history, "new image created:  Mon Dec 07 09:27:38 2026\n  name: UNTLD1.TIF\n");
    EXPECT_EQ(GlobalHistoryText(),
              LiveView(a)->history + "new image created:  Mon Dec 07 09:27:38 2026\n  name: UNTLD2.TIF\n");
    EXPECT_TRUE(LiveView(a)->neverSaved);
    EXPECT_TRUE(LiveImage(a)->IsModified());
    EXPECT_EQ(ActiveImageWindow(), b);
    EXPECT_EQ(windowList().ImageCounter(), 2);
}

TEST_F(ImageInterface, RefusedSizesMakeNoWindowAndUseNoNumber) {
    EXPECT_FALSE(CreateImage(0, 10, PaletteGrey, true, 8));
    EXPECT_FALSE(CreateImage(70000, 70000, PaletteGrey, true, 8));
    EXPECT_EQ(windowList().Count(), 0);
    EXPECT_EQ(windowList().ImageCounter(), 0);
    EXPECT_EQ(CreateImage(2, 2, PaletteGrey, true, 8).number, 1);
}

TEST_F(ImageInterface, ClosedWindowsAnswerOneToEveryOperation) {
    const ImageHandle a = CreateImage(4, 4, PaletteGrey, true, 8);
    ASSERT_EQ(CloseImageWindow(a), ImageDone);
    EXPECT_EQ(CloseImageWindow(a), ImageNotLive);
    uint8_t row[4] = {};
    uint16_t wide[4] = {};
    ImageSummary s;
    ZRegistration z;
    RealPoint p, q;
    std::vector<uint32_t> colours;
    EXPECT_EQ(GetImageSummary(a, s), ImageNotLive);
    EXPECT_EQ(SetImageSummary(a, s), ImageNotLive);
    EXPECT_EQ(ReadLine8(a, 0, row), ImageNotLive);
    EXPECT_EQ(WriteLine16(a, 0, wide), ImageNotLive);
    EXPECT_EQ(WriteBlock8(a, 0, 0, 1, 1, row), ImageNotLive);
    EXPECT_EQ(GetPalette(a, colours), ImageNotLive);
    EXPECT_EQ(SetPalette(a, nullptr, 0, PaletteGrey), ImageNotLive);
    EXPECT_EQ(GetCorners(a, p, q), ImageNotLive);
    EXPECT_EQ(SetRegistration(a, p, q), ImageNotLive);
    EXPECT_EQ(SetZRegistration(a, z), ImageNotLive);
    EXPECT_EQ(PixelToReal(a, p), ImageNotLive);
    EXPECT_EQ(PixelToWindow(a, p), ImageNotLive);
    EXPECT_EQ(UpdateRows(a, 0), ImageNotLive);
    EXPECT_EQ(Redraw(a, true), ImageNotLive);
    EXPECT_EQ(AddImageListener(a, &Record), ImageNotLive);
    EXPECT_FALSE(DuplicateImage(a, true, true));
    EXPECT_FALSE(FindImageWindow(a.number));
    EXPECT_FALSE(SameSize(a, a));
    EXPECT_FALSE(ActiveImageWindow());
    EXPECT_EQ(ReadLine8(ImageHandle{}, 0, row), ImageNotLive);
    EXPECT_EQ(ReadLine8(ImageHandle{-5}, 0, row), ImageNotLive);
    // A later window never takes the closed one's number.
    EXPECT_EQ(CreateImage(4, 4, PaletteGrey, true, 8).number, 2);
}

TEST_F(ImageInterface, RowsAndBlocksOutsideTheImageAnswerTwoAndRaiseNothing) {
    const ImageHandle a = CreateImage(8, 4, PaletteGrey, true, 8);
    AddImageListener(a, &Record);
    uint8_t row[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(WriteLine8(a, 4, row), ImageRefused);
    EXPECT_EQ(WriteLine8(a, -1, row), ImageRefused);
    EXPECT_EQ(ReadLine8(a, INT_MAX, row), ImageRefused);
    EXPECT_EQ(WriteBlock8(a, 7, 0, 2, 1, row), ImageRefused);
    EXPECT_EQ(ReadBlock8(a, 0, 3, 1, INT_MAX, row), ImageRefused);
    EXPECT_EQ(UpdateRows(a, 4), ImageRefused);
    EXPECT_TRUE(g_events.empty());
    EXPECT_EQ(SetPalette(a, reinterpret_cast<const uint32_t*>(row), 0, PaletteGrey), ImageRefused);
    EXPECT_EQ(SetPalette(a, reinterpret_cast<const uint32_t*>(row), 257, PaletteGrey), ImageRefused);
}

TEST_F(ImageInterface, WritesNotifyTheirRowsAndPackedBlocks) {
    const ImageHandle a = CreateImage(300, 200, PaletteGrey, true, 16);
    AddImageListener(a, &Record);
    std::vector<uint16_t> wide(300, 0x4321);
    ASSERT_EQ(WriteLine16(a, 7, wide.data()), ImageDone);
    std::vector<uint8_t> block(5 * 3, 0xAB);
    ASSERT_EQ(WriteBlock8(a, 260, 190, 5, 3, block.data()), ImageDone);
    ASSERT_EQ(g_events.size(), 2u);
    EXPECT_EQ(g_events[0].code, ImageEventLine);
    EXPECT_EQ(g_events[0].first, 7);
    EXPECT_EQ(g_events[0].window, a);
    EXPECT_EQ(g_events[1].code, ImageEventBlock);
    EXPECT_EQ(g_events[1].first, (190 << 16) | 260);
    EXPECT_EQ(g_events[1].second, (3 << 16) | 5);
    uint16_t back[5] = {};
    ASSERT_EQ(ReadBlock16(a, 260, 190, 5, 1, back), ImageDone);
    EXPECT_EQ(back[4], 0xAB00);
    uint8_t narrow[300] = {};
    ASSERT_EQ(ReadLine8(a, 7, narrow), ImageDone);
    EXPECT_EQ(narrow[299], 0x43);
}

TEST_F(ImageInterface, ListenersAreRemovedByFirstOccurrenceAndMayCloseTheirWindow) {
    const ImageHandle a = CreateImage(4, 4, PaletteGrey, true, 8);
    AddImageListener(a, &Record);
    AddImageListener(a, &RecordAgain);
    AddImageListener(a, &Record);
    RemoveImageListener(a, &Record);
    ASSERT_EQ(LiveView(a)->listeners.size(), 2u);
    EXPECT_EQ(LiveView(a)->listeners[0], &RecordAgain);

    const ImageHandle b = CreateImage(4, 4, PaletteGrey, true, 8);
    AddImageListener(b, &CloseOnLine);
    AddImageListener(b, &Record);
    const uint8_t row[4] = {};
    EXPECT_EQ(WriteLine8(b, 0, row), ImageDone);
    EXPECT_FALSE(FindImageWindow(b.number));
    // The second listener saw the destruction, not the line of a dead window.
    ASSERT_EQ(g_events.size(), 1u);
    EXPECT_EQ(g_events[0].code, ImageEventDestroying);
    EXPECT_EQ(ActiveImageWindow(), a);
}

TEST_F(ImageInterface, PaletteChangesKeepTheCustomPaletteForLater) {
    const ImageHandle a = CreateImage(4, 4, PaletteGrey, true, 8);
    std::vector<uint32_t> custom(16);
    for (int i = 0; i < 16; ++i) custom[i] = 0x000000FFu - i;  // reds
    ASSERT_EQ(SetPalette(a, custom.data(), 16, PaletteCustom), ImageDone);
    std::vector<uint32_t> colours;
    GetPalette(a, colours);
    ASSERT_EQ(colours.size(), 16u);
    EXPECT_EQ(colours[3], 0x000000FCu);
    ASSERT_EQ(SetPalette(a, nullptr, 0, PaletteGrey), ImageDone);
    GetPalette(a, colours);
    EXPECT_EQ(colours[3], 0x00030303u);
    LiveImage(a)->ApplyPaletteKind(PaletteCustom);
    GetPalette(a, colours);
    EXPECT_EQ(colours[3], 0x000000FCu);
}

TEST_F(ImageInterface, RegistrationThroughTheHandleAndTheMirrorSettings) {
    const ImageHandle a = CreateImage(11, 6, PaletteGrey, true, 8);
    AddImageListener(a, &Record);
    RealPoint p{3, 1};
    ASSERT_EQ(PixelToReal(a, p), ImageDone);
    EXPECT_DOUBLE_EQ(p.x, 3);  // unregistered: only the row flips
    EXPECT_DOUBLE_EQ(p.y, 4);
    ASSERT_EQ(SetRegistration(a, {100, 200}, {150, 225}), ImageDone);
    ASSERT_EQ(g_events.size(), 1u);
    EXPECT_EQ(g_events[0].code, ImageEventRegistration);
    RealPoint lowerLeft, upperRight;
    GetCorners(a, lowerLeft, upperRight);
    EXPECT_DOUBLE_EQ(lowerLeft.x, 100);
    EXPECT_DOUBLE_EQ(upperRight.y, 225);
    p = {0, 0};
    PixelToReal(a, p);
    EXPECT_DOUBLE_EQ(p.x, 100);
    EXPECT_DOUBLE_EQ(p.y, 225);
    LiveView(a)->mapping.mirrorHorizontal = true;
    LiveView(a)->mapping.mirrorVertical = true;
    p = {0, 0};
    PixelToReal(a, p);
    EXPECT_DOUBLE_EQ(p.x, 150);
    EXPECT_DOUBLE_EQ(p.y, 200);
    LiveView(a)->mapping.mirrorHorizontal = false;
    LiveView(a)->mapping.mirrorVertical = false;
    RealPoint real{125, 212.5};
    RealToPixel(a, real);
    EXPECT_DOUBLE_EQ(real.x, 5);
    EXPECT_DOUBLE_EQ(real.y, 2.5);
    // The mapping shows the whole picture from the window's top-left corner.
    RealPoint corner{0, 0};
    PixelToWindow(a, corner);
    EXPECT_DOUBLE_EQ(corner.x, 0.5);
    EXPECT_DOUBLE_EQ(corner.y, 0.5);
    ZRegistration z;
    z.flag = 1;
    z.units = "counts";
    ASSERT_EQ(SetZRegistration(a, z), ImageDone);
    EXPECT_EQ(g_events.back().code, ImageEventZRegistration);
    ZRegistration back;
    GetZRegistration(a, back);
    EXPECT_EQ(back.units, "counts");
}

TEST_F(ImageInterface, DuplicatesCopyPixelsPaletteRegistrationTextsAndHistory) {
    const ImageHandle a = CreateImage(5, 3, PaletteGrey, true, 16);
    const uint16_t row[5] = {1, 2, 3, 4, 65535};
    WriteLine16(a, 2, row);
    std::vector<uint32_t> colours(256, 0x00102030u);
    SetPalette(a, colours.data(), 256, PaletteBlue);
    SetRegistration(a, {1, 2}, {9, 4});
    ZRegistration z;
    z.flag = 1;
    z.high = 7;
    SetZRegistration(a, z);
    ImageSummary s;
    GetImageSummary(a, s);
    s.artist = "the operator";
    s.make = "maker";
    s.name = "specimen.tif";
    SetImageSummary(a, s);

    ResetGlobalHistory();
    const ImageHandle b = DuplicateImage(a, true, true);
    ASSERT_TRUE(b);
    const Image& copy = *LiveImage(b);
    EXPECT_EQ(copy.Depth(), 16);
    EXPECT_EQ(copy.GetPixel(4, 2), 65535);
    EXPECT_EQ(copy.GetPixel(0, 2), 1);
    EXPECT_EQ(copy.GetPaletteKind(), PaletteBlue);
    EXPECT_EQ(std::memcmp(copy.SavedPaletteBytes(), LiveImage(a)->SavedPaletteBytes(), 1024), 0);
    EXPECT_TRUE(copy.IsPositionRegistered());
    RealPoint lowerLeft, upperRight;
    GetCorners(b, lowerLeft, upperRight);
    EXPECT_DOUBLE_EQ(upperRight.x, 9);
    EXPECT_EQ(copy.GetZRegistration().high, 7);
    EXPECT_EQ(copy.GetText(TextArtist), "the operator");
    EXPECT_EQ(copy.GetText(TextMake), "maker");
    EXPECT_EQ(LiveView(b)->name, "UNTLD2.TIF");
    const std::string time = TimeText();
    EXPECT_EQ(LiveView(b)->history, "new image created:  " + time + "  name: UNTLD2.TIF\n" +
                                        "duplicate: " + time + "  old image: specimen.tif\n" +
                                        "  new image: UNTLD2.TIF\n");
    EXPECT_EQ(GlobalHistoryText(), LiveView(b)->history);

    const ImageHandle c = DuplicateImage(a, false, false);
    EXPECT_EQ(LiveImage(c)->GetZRegistration().high, 100);
    EXPECT_TRUE(SameSize(a, c));
}

TEST_F(ImageInterface, ClosingLogsAndRaisesDestructionBeforeTheImageGoes) {
    const ImageHandle a = CreateImage(4, 4, PaletteGrey, true, 8);
    AddImageListener(a, [](const ImageEvent& event) {
        // The window is still whole while its listeners hear of the closing.
        g_events.push_back(event);
        EXPECT_TRUE(LiveImage(event.window));
    });
    ResetGlobalHistory();
    ASSERT_EQ(CloseImageWindow(a), ImageDone);
    ASSERT_EQ(g_events.size(), 1u);
    EXPECT_EQ(g_events[0].code, ImageEventDestroying);
    EXPECT_EQ(GlobalHistoryText(), "image closed: " + TimeText() + "  image name: UNTLD1.TIF\n");
}

void RecordApplication(const ImageEvent& event) { g_events.push_back(event); }

TEST_F(ImageInterface, ImagesReadFromFilesKeepTheirPathAndStartUnmodified) {
    const auto path = std::filesystem::temp_directory_path() / "orvex-interface-read.raw";
    {
        std::ofstream out(path, std::ios::binary);
        std::vector<char> bytes(512 * 512, 5);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    windowList().AddApplicationListener(&RecordApplication);
    const ImageHandle a = ReadImageFile(path.string(), ImageFileRaw);
    std::filesystem::remove(path);
    ASSERT_TRUE(a);
    const OrvexView& view = *LiveView(a);
    EXPECT_EQ(view.name, path.string());
    EXPECT_TRUE(view.readFromFile);
    EXPECT_FALSE(view.neverSaved);
    EXPECT_FALSE(view.image->IsModified());
    EXPECT_EQ(view.image->GetPaletteKind(), PaletteCustom);
    EXPECT_EQ(view.image->GetPixel(100, 100), 5);
    EXPECT_EQ(view.image->GetText(TextSoftware), "Orvex 4.0");
    RealPoint p{0, 511};
    PixelToReal(a, p);
    EXPECT_DOUBLE_EQ(p.y, 0);
    ASSERT_EQ(g_events.size(), 1u);
    EXPECT_EQ(g_events[0].code, ImageEventCreated);
    EXPECT_EQ(g_events[0].first, 1);
    // A file that cannot be read leaves no window and uses no number.
    EXPECT_FALSE(ReadImageFile(path.string(), ImageFileRaw));
    EXPECT_EQ(windowList().Count(), 1);
    EXPECT_EQ(windowList().ImageCounter(), 1);
}


TEST_F(ImageInterface, TheCancelStepLooksAtEscEveryTwentyRowsAndAsksOnlyWhenItIsPending) {
    const ImageHandle a = CreateImage(4, 40, PaletteGrey, true, 8);
    ui.progress.clear();
    EXPECT_FALSE(RowProgressStep(a, 0, 40));
    EXPECT_FALSE(RowProgressStep(a, 9, 40));
    EXPECT_TRUE(ui.messages.empty());
    // Between the looks a pending Esc waits for the next one.
    ui.pendingEscapes = 1;
    ui.queue(platform::Answer::No);
    EXPECT_FALSE(RowProgressStep(a, 10, 40));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(RowProgressStep(a, 20, 40));
    ASSERT_EQ(ui.messages.size(), 1u);
    ui.pendingEscapes = 1;
    ui.queue(platform::Answer::Yes);
    EXPECT_TRUE(RowProgressStep(a, 39, 40));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].caption, "Verify");
    EXPECT_EQ(ui.messages[1].text, "Do you wish to cancel this operation?");
    EXPECT_EQ(ui.messages[1].buttons, platform::Buttons::YesNo);
    EXPECT_EQ(ui.progress, (std::vector<int>{2, 52, 100}));
}

TEST_F(ImageInterface, UpdateRowsRedrawsAStripOnlyAtItsLastRow) {
    Image::SetMaxStripBytes(8 * 4);
    const ImageHandle a = CreateImage(8, 10, PaletteGrey, true, 8);
    std::vector<int> redrawn;
    windowList().hooks.repaintStrip = [&](ImageHandle, int strip) { redrawn.push_back(strip); };
    for (int row = 0; row < 10; ++row) UpdateRows(a, row);
    EXPECT_EQ(redrawn, (std::vector<int>{0, 1, 2}));
}

TEST_F(ImageInterface, TheStepsOfALoopFromTheLastRowUpRedrawEachStripWhenItsFirstRowIsDone) {
    // Strips of 4 rows: 0-3, 4-7, 8-9.
    Image::SetMaxStripBytes(8 * 4);
    const ImageHandle a = CreateImage(8, 10, PaletteGrey, true, 8);
    std::vector<int> redrawn;
    windowList().hooks.repaintStrip = [&](ImageHandle, int strip) { redrawn.push_back(strip); };
    ui.progress.clear();
    // Runs end on the steps that look: the first, every 20th and the last.
    EXPECT_EQ(NextLookingStep(0, 10), 0);
    EXPECT_EQ(NextLookingStep(1, 10), 9);
    EXPECT_EQ(NextLookingStep(1, 45), 20);
    EXPECT_EQ(NextLookingStep(40, 45), 40);
    EXPECT_EQ(NextLookingStep(41, 45), 44);
    EXPECT_FALSE(RowProgressStepsUp(a, 0, 0, 10));
    EXPECT_FALSE(RowProgressStepsUp(a, 1, 9, 10));
    EXPECT_EQ(redrawn, (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(ui.progress, (std::vector<int>{10, 100}));
    Image::SetMaxStripBytes(0);

    // Esc is looked at on the same steps as going down, and Yes stops.
    ui.pendingEscapes = 1;
    ui.queue(platform::Answer::Yes);
    EXPECT_FALSE(RowProgressStepsUp(a, 5, 5, 10));
    EXPECT_TRUE(RowProgressStepsUp(a, 6, 9, 10));
    EXPECT_EQ(ui.count("Verify", "Do you wish to cancel this operation?"), 1);
}

}  // namespace
}  // namespace orvex
