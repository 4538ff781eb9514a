// Channel images: made, kept, replaced and registered before each scan, and
// line buffers moving between rows.
#include "acquisition/acquisition_fixture.h"

namespace orvex {
namespace {

class ChannelImage : public testing::AcquisitionTest {};

TEST_F(ChannelImage, PreparingMakesARegisteredImageOfTheCalibration) {
    ChannelTables& t = channelTables();
    ANALOGCHANNEL& a = t.analog[0];
    a.enabled = a.want16Bit = 1;
    a.zUnit = "mV";
    a.zHigh = 5000;
    t.counter[0].enabled = 1;  // 8 bits: its Z range follows the depth
    softwareSettings().author = "Me";
    beamScan(40, 20);
    prepare();
    ImageSummary s;
    ASSERT_EQ(GetImageSummary(a.image, s), ImageDone);
    EXPECT_EQ(s.width, 40);
    EXPECT_EQ(s.height, 20);
    EXPECT_EQ(s.depth, 16);
    EXPECT_EQ(s.name, "Analog1");
    EXPECT_EQ(s.artist, "Me");
    EXPECT_EQ(s.make, "Microprobe Vendor");
    EXPECT_EQ(OV_Info_GetType(a.image), IMAGETYPE_ANALOG);
    EXPECT_EQ(OV_Info_GetChanPtr(a.image), &a);
    ZRegistration z;
    GetZRegistration(a.image, z);
    EXPECT_EQ(z.flag, 1);
    EXPECT_EQ(z.high, 5000.0);
    EXPECT_EQ(z.units, "mV");
    GetZRegistration(t.counter[0].image, z);
    EXPECT_EQ(z.high, 255.0);
    EXPECT_EQ(OV_Info_GetType(t.counter[0].image), IMAGETYPE_COUNTER);
    EXPECT_EQ(t.enabledCounterCount, 1);
    EXPECT_NE(GlobalHistoryText().find("  channel rename:  Analog1"), std::string::npos);
    EXPECT_TRUE(a.lineBuffer16 && !a.lineBuffer8);
    // Registered around the present stage position (0 on the simulated stage).
    RealPoint lowerLeft, upperRight;
    GetCorners(a.image, lowerLeft, upperRight);
    EXPECT_DOUBLE_EQ(lowerLeft.x, -39 * calmag().umPerPixelX / 2);
    EXPECT_DOUBLE_EQ(upperRight.y, 19 * calmag().umPerPixelY / 2);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ChannelImage, KeptWhileSizeAndDepthStayReplacedWhenTheyChange) {
    ANALOGCHANNEL& a = channelTables().analog[0];
    a.enabled = 1;
    beamScan(32, 32);
    prepare();
    const ImageHandle first = a.image;
    WriteLine8(first, 4, std::vector<uint8_t>(32, 99).data());
    prepare();
    EXPECT_EQ(a.image, first);
    EXPECT_EQ(row8(a, 4)[0], 99);  // the previous pixels remain
    beamScan(33, 32);
    prepare();
    EXPECT_NE(a.image, first);
    EXPECT_FALSE(FindImageWindow(first.number));
    EXPECT_EQ(OV_Info_Find(first.number), kImageInfoCapacity);  // no stale entry
    EXPECT_EQ(a.enabled, 1);  // replacing the window does not disable the channel
    const ImageHandle second = a.image;
    a.want16Bit = 1;
    prepare();
    EXPECT_NE(a.image, second);
    EXPECT_TRUE(a.lineBuffer16);
    for (int i = 0; i < 120; ++i) {  // replacements never fill the registry
        beamScan(10 + i % 2, 10);
        prepare();
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ChannelImage, ClosingTheWindowDisablesTheChannel) {
    ChannelTables& t = channelTables();
    t.analog[0].enabled = t.counter[0].enabled = 1;
    beamScan(16, 16);
    prepare();
    EXPECT_EQ(ChannelsEnabled(), 2);
    CloseImageWindow(t.counter[0].image);
    EXPECT_EQ(t.counter[0].enabled, 0);
    EXPECT_FALSE(t.counter[0].image);
    EXPECT_FALSE(t.counter[0].lineBuffer16);
    EXPECT_EQ(ChannelsEnabled(), 1);
}

TEST_F(ChannelImage, ReadListAndSampleBuffer) {
    ChannelTables& t = channelTables();
    t.analogMax = 4;
    t.analog[1].enabled = t.analog[3].enabled = 1;
    softwareSettings().pixelDiscard = 1;
    softwareSettings().pixelAverage = 4;
    beamScan(8, 8);
    t.PrepareAnalogImages(calmag(), nullptr);
    EXPECT_EQ(t.readList[0], 1);
    EXPECT_EQ(t.readList[1], 3);
    EXPECT_EQ(t.readList[2], 255);
    EXPECT_EQ(t.BurstLength(), 10);
    EXPECT_EQ(t.analog[3].listIndex, 1);
    softwareSettings().pixelAverage = 2000000000;  // no huge buffer
    t.BuildReadList();
    EXPECT_EQ(t.BurstLength(), 2 * (1 + ChannelTables::kMaxReadings));
}

TEST_F(ChannelImage, StageScansRegisterTheFrame) {
    ANALOGCHANNEL& a = channelTables().analog[0];
    a.enabled = 1;
    for (SIMMOT* axis : {&board().simX, &board().simY}) {
        axis->lowLimit = -100;
        axis->highLimit = 100;
        axis->lowCorner = -5;
        axis->highCorner = 5;
    }
    CALMAG& c = calmag();
    c.scanType = SCAN_STAGE;
    c.stageToMicrons = 2;
    c.registrationXPolarity = 1;
    c.SetXSize(20);
    c.SetYSize(10);
    c.SetScan();
    prepare();
    RealPoint lowerLeft, upperRight;
    GetCorners(a.image, lowerLeft, upperRight);
    EXPECT_DOUBLE_EQ(lowerLeft.x, 10.0);  // left and right exchanged
    EXPECT_DOUBLE_EQ(upperRight.x, -10.0);
    EXPECT_DOUBLE_EQ(lowerLeft.y, -10.0);
}

TEST_F(ChannelImage, LineBufferMovesBetweenRows) {
    ANALOGCHANNEL& a = channelTables().analog[0];
    a.enabled = 1;
    beamScan(6, 4);
    prepare();
    WriteLine8(a.image, 2, std::vector<uint8_t>(6, 42).data());
    EXPECT_EQ(a.SelectLine(2), 0);
    EXPECT_EQ(a.lineBuffer8[0], 42);
    // The row already held touches no image data.
    WriteLine8(a.image, 2, std::vector<uint8_t>(6, 7).data());
    EXPECT_EQ(a.SelectLine(2), 1);
    EXPECT_EQ(a.lineBuffer8[0], 42);
    a.lineBuffer8[1] = 5;
    a.SelectLine(3);  // writes row 2 back
    EXPECT_EQ(row8(a, 2)[1], 5);
    a.LoadLineBuffer(4);
    EXPECT_EQ(ui.count("LoadLineBuffer", "Bad line number."), 1);
    a.currentLine = 9;
    a.SaveLineBuffer();
    EXPECT_EQ(ui.count("SaveLineBuffer", "Bad line number"), 1);
    a.FreeLineBuffer();
    a.LoadLineBuffer(0);
    EXPECT_EQ(ui.count("LoadLineBuffer", "Buffer pointers both null."), 1);
    ANALOGCHANNEL lone;
    lone.enabled = 1;
    lone.MakeLineBuffer();
    lone.LoadLineBuffer(0);
    EXPECT_EQ(ui.count("LoadLineBuffer", "Image handle is NULL"), 1);
}

}  // namespace
}  // namespace orvex
