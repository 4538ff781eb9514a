#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "imagestore/image_info.h"
#include "imagestore/image_interface.h"
#include "imagestore/image_window_events.h"
#include "imagestore/orvex_view.h"
#include "store_fixture.h"

namespace orvex {
namespace {

// Stands in for an acquisition channel: the registry only keeps its address.
struct FakeChannel {
    int lineBuffersFreed = 0;
    CHANNEL* address() { return reinterpret_cast<CHANNEL*>(this); }
};

using Registry = StoreTest;

TEST_F(Registry, TheHundredAndFirstImageFindsNoRoomAndTheFirstHundredStay) {
    for (int i = 1; i <= 100; ++i) OV_Info_AddHandle(i);
    EXPECT_EQ(ui.messages.size(), 0u);
    OV_Info_AddHandle(101);
    EXPECT_EQ(ui.count("OV_Info_AddHandle()", "out of INFO space"), 1);
    for (int i = 1; i <= 100; ++i) EXPECT_EQ(OV_Info_Find(i), i - 1);
    EXPECT_EQ(OV_Info_Find(101), 100);
    EXPECT_EQ(OV_Info_Capacity(), 100);

    // With the table full, SetType on a new image stores nothing.
    windowList().Reset();
    const ImageHandle a = CreateImage(2, 2, PaletteGrey, true, 8);
    for (int i = 0; i < 100; ++i) OV_Info_Clear(i);
    for (int i = 1000; i < 1100; ++i) OV_Info_AddHandle(i);
    OV_Info_SetType(a, IMAGETYPE_TIFF);
    EXPECT_EQ(ui.count("OV_Info_AddHandle()", "out of INFO space"), 2);
    EXPECT_EQ(OV_Info_GetType(a), 0);
}

TEST_F(Registry, AnImageRegisteredTwiceKeepsOneEntry) {
    const ImageHandle a = CreateImage(2, 2, PaletteGrey, true, 8);
    OV_Info_AddImage(a);
    OV_Info_AddImage(a);
    OV_Info_SetType(a, IMAGETYPE_ANALOG);
    EXPECT_EQ(OV_Info_Find(a.number), 0);
    EXPECT_EQ(OV_Info_Slot(1).image, 0);
    EXPECT_EQ(OV_Info_Find(0), 1);
}

TEST_F(Registry, SetChanPtrNeverRegistersButSetTypeDoes) {
    const ImageHandle a = CreateImage(2, 2, PaletteGrey, true, 8);
    FakeChannel channel;
    OV_Info_SetChanPtr(a, channel.address());
    EXPECT_EQ(OV_Info_Find(a.number), 100);
    EXPECT_EQ(OV_Info_GetChanPtr(a), nullptr);
    OV_Info_SetOwnsChannel(a, 1);
    EXPECT_EQ(OV_Info_Find(a.number), 100);
    OV_Info_SetType(a, IMAGETYPE_COUNTER);
    EXPECT_EQ(OV_Info_Find(a.number), 0);
    OV_Info_SetOwnsChannel(a, 0);
    OV_Info_SetChanPtr(a, channel.address());
    EXPECT_EQ(OV_Info_GetChanPtr(a), channel.address());
    EXPECT_EQ(OV_Info_GetType(a), IMAGETYPE_COUNTER);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Registry, TypesOutsideOneToFourteenAndDeadWindowsAreReported) {
    const ImageHandle a = CreateImage(2, 2, PaletteGrey, true, 8);
    OV_Info_SetType(a, 0);
    OV_Info_SetType(a, 15);
    EXPECT_EQ(ui.count("OV_Info_SetType()", "Bad IMAGETYPE"), 2);
    EXPECT_EQ(OV_Info_Find(a.number), 100);
    OV_Info_SetType(a, 14);
    EXPECT_EQ(OV_Info_GetType(a), 14);
    const ImageHandle dead{77};
    OV_Info_SetType(dead, 3);
    OV_Info_AddImage(dead);
    FakeChannel channel;
    OV_Info_SetChanPtr(dead, channel.address());
    OV_Info_SetOwnsChannel(dead, 1);
    EXPECT_EQ(ui.messageLines(),
              (std::vector<std::string>{"OV_Info_SetType(): Bad IMAGETYPE",
                                        "OV_Info_SetType(): Bad IMAGETYPE",
                                        "OV_Info_SetType(): Bad Image Handle",
                                        "OV_Info_AddImage(): Bad Image",
                                        "OV_Info_SetChanPtr(): Bad Image"}));
    EXPECT_EQ(OV_Info_GetChanPtr(dead), nullptr);
    OV_Info_Clear(100);
    OV_Info_Clear(-1);
    OV_Info_Remove(dead);
}

TEST_F(Registry, ListByTypeLooksOnlyAtTheFirstSlots) {
    for (int i = 1; i <= 6; ++i) {
        const ImageHandle h = CreateImage(2, 2, PaletteGrey, true, 8);
        OV_Info_SetType(h, i % 2 ? IMAGETYPE_ANALOG : IMAGETYPE_DIGITAL);
    }
    ImageHandle found[100];
    ASSERT_EQ(OV_Info_ListByType(3, found, IMAGETYPE_ANALOG), 2);
    EXPECT_EQ(found[0].number, 1);
    EXPECT_EQ(found[1].number, 3);
    EXPECT_EQ(OV_Info_ListByType(1000, found, IMAGETYPE_ANALOG), 3);
    EXPECT_EQ(OV_Info_ListByType(-4, found, IMAGETYPE_ANALOG), 0);
    EXPECT_EQ(OV_Info_ListByType(100, found, 0), 0);
    EXPECT_EQ(OV_Info_ListByType(100, nullptr, IMAGETYPE_ANALOG), 0);
}

TEST_F(Registry, RemovingDestroysOnlyChannelsTheEntryOwns) {
    std::vector<CHANNEL*> destroyed;
    imageInfoHooks().destroyChannel = [&](CHANNEL* c) { destroyed.push_back(c); };
    FakeChannel kept, owned;
    const ImageHandle a = CreateImage(2, 2, PaletteGrey, true, 8);
    const ImageHandle b = CreateImage(2, 2, PaletteGrey, true, 8);
    OV_Info_SetType(a, IMAGETYPE_ANALOG);
    OV_Info_SetOwnsChannel(a, 0);
    OV_Info_SetChanPtr(a, kept.address());
    OV_Info_SetType(b, IMAGETYPE_GRID);
    OV_Info_SetChanPtr(b, owned.address());
    OV_Info_SetOwnsChannel(b, 1);
    OV_Info_Remove(a);
    EXPECT_TRUE(destroyed.empty());
    EXPECT_EQ(OV_Info_Find(a.number), 100);
    // Removal works from the number alone, even after the window has gone.
    CloseImageWindow(b);
    OV_Info_Remove(b);
    EXPECT_EQ(destroyed, (std::vector<CHANNEL*>{owned.address()}));
    EXPECT_EQ(OV_Info_Find(b.number), 100);
}

using WindowEvents = StoreTest;

TEST_F(WindowEvents, CreationRegistersAttachesAndTypesFilesByExtension) {
    InstallImageWindowEventHandler();
    InstallImageWindowEventHandler();
    std::vector<uint32_t> bar(256, 0x00FF0000u);
    imageWindowEventHooks().currentPalette = [&] { return std::optional(bar); };
    const ImageHandle created = CreateImage(2, 2, PaletteGrey, true, 8);
    EXPECT_EQ(OV_Info_Find(created.number), 0);
    EXPECT_EQ(OV_Info_GetType(created), 0);
    ASSERT_EQ(LiveView(created)->listeners.size(), 1u);
    EXPECT_EQ(LiveImage(created)->GetPaletteKind(), PaletteCustom);
    EXPECT_EQ(LiveImage(created)->GetPaletteEntry(9).blue, 255);

    // Windows read from files, by their names.
    const struct {
        const char* name;
        int type;
    } cases[] = {{"C:\\data\\a.tif", IMAGETYPE_TIFF}, {"b.Bmp", IMAGETYPE_BMP},
                 {"c.PCX", IMAGETYPE_PCX}, {"d.grd", 0}, {"tif", 0}};
    for (const auto& c : cases) {
        const ImageHandle h = CreateImage(2, 2, PaletteGrey, true, 8);
        LiveView(h)->name = c.name;
        LiveImage(h)->ApplyPaletteKind(PaletteGrey);
        ImageEvent event;
        event.window = h;
        event.code = ImageEventCreated;
        event.first = 1;
        ImageWindowEventHandler(event);
        EXPECT_EQ(OV_Info_GetType(h), c.type) << c.name;
        EXPECT_EQ(LiveView(h)->listeners.size(), 1u);
        // Only an unrecognised file takes the palette bar's colours.
        EXPECT_EQ(LiveImage(h)->GetPaletteKind(), c.type ? PaletteGrey : PaletteCustom) << c.name;
    }
}

TEST_F(WindowEvents, DestructionUnhooksTheChannelAndRemovesTheEntry) {
    InstallImageWindowEventHandler();
    FakeChannel channel;
    std::vector<int> order;
    imageWindowEventHooks().detachChannelImage = [&](ImageHandle h) {
        order.push_back(1);
        EXPECT_TRUE(LiveImage(h));
    };
    imageWindowEventHooks().freeLineBuffer = [&](CHANNEL* c) {
        order.push_back(2);
        ++reinterpret_cast<FakeChannel*>(c)->lineBuffersFreed;
    };
    const ImageHandle a = CreateImage(4, 4, PaletteGrey, true, 8);
    OV_Info_SetType(a, IMAGETYPE_ANALOG);
    OV_Info_SetOwnsChannel(a, 0);
    OV_Info_SetChanPtr(a, channel.address());
    CloseImageWindow(a);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_EQ(channel.lineBuffersFreed, 1);
    EXPECT_EQ(OV_Info_Find(a.number), 100);
}


}  // namespace
}  // namespace orvex
