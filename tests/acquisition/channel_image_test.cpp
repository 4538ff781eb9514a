// Channel images: made, kept, replaced and registered before each scan, and
// line buffers moving between rows.
#include "acquisition/acquisition_fixture.h"
#include "acquisition/channel_registration.h"

namespace orvex {
namespace {

class ChannelImage : public testing::AcquisitionTest {};

TEST_F(ChannelImage, PreparingMakesARegisteredImageOfTheCalibration) {
    ANALOGCHANNEL& a = channelTables().analog[0];
    a.enabled = 1;
    a.want16Bit = 1;
    a.zUnit = "mV";
    a.zHigh = 5000;
    softwareSettings().make = "Maker";
    softwareSettings().author = "Me";
    beamScan(40, 20);
    prepare();
    ASSERT_TRUE(FindImageWindow(a.image.number));
    ImageSummary s;
    ASSERT_EQ(GetImageSummary(a.image, s), ImageDone);
    EXPECT_EQ(s.width, 40);
    EXPECT_EQ(s.height, 20);
    EXPECT_EQ(s.depth, 16);
    EXPECT_EQ(s.name, "Analog1");
    EXPECT_EQ(s.make, "Maker");
    EXPECT_EQ(s.artist, "Me");
    EXPECT_EQ(s.model, "Microprobe Model");
    EXPECT_EQ(s.positionRegistered, 1);
    EXPECT_EQ(OV_Info_GetType(a.image), IMAGETYPE_ANALOG);
    EXPECT_EQ(OV_Info_GetChanPtr(a.image), &a);
    ZRegistration z;
    GetZRegistration(a.image, z);
    EXPECT_EQ(z.flag, 1);
    EXPECT_EQ(z.high, 5000.0);
    EXPECT_EQ(z.units, "mV");
    EXPECT_NE(GlobalHistoryText().find("  channel rename:  Analog1"), std::string::npos);
    ASSERT_TRUE(a.lineBuffer16);
    EXPECT_FALSE(a.lineBuffer8);
    EXPECT_EQ(a.listIndex, 0);
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
    EXPECT_EQ(OV_Info_Find(first.number), kImageInfoCapacity);  // no stale registry entry
    EXPECT_EQ(a.width, 33);
    EXPECT_EQ(a.enabled, 1);  // replacing the window does not disable the channel

    const ImageHandle second = a.image;
    a.want16Bit = 1;
    prepare();
    EXPECT_NE(a.image, second);
    ImageSummary s;
    GetImageSummary(a.image, s);
    EXPECT_EQ(s.depth, 16);
    EXPECT_TRUE(a.lineBuffer16);

    // Many replacements never fill the registry.
    for (int i = 0; i < 120; ++i) {
        beamScan(10 + i % 2, 10);
        prepare();
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ChannelImage, ClosingTheWindowDisablesTheChannel) {
    ChannelTables& t = channelTables();
    t.analog[0].enabled = 1;
    t.counter[0].enabled = 1;
    beamScan(16, 16);
    prepare();
    EXPECT_EQ(ChannelsEnabled(), 2);
    CloseImageWindow(t.counter[0].image);
    EXPECT_EQ(t.counter[0].enabled, 0);
    EXPECT_FALSE(t.counter[0].image);
    EXPECT_FALSE(t.counter[0].lineBuffer16);
    EXPECT_EQ(ChannelsEnabled(), 1);
    EXPECT_EQ(t.analog[0].enabled, 1);
}

TEST_F(ChannelImage, DigitalAndCounterZRangeFollowsTheDepth) {
    ChannelTables& t = channelTables();
    t.digital[0].enabled = 1;
    t.digital[0].want16Bit = 1;
    t.digital[0].zHigh = 3;
    t.counter[0].enabled = 1;
    t.counter[0].want16Bit = 0;
    beamScan(8, 8);
    prepare();
    ZRegistration z;
    GetZRegistration(t.digital[0].image, z);
    EXPECT_EQ(z.high, 65535.0);
    GetZRegistration(t.counter[0].image, z);
    EXPECT_EQ(z.high, 255.0);
    EXPECT_EQ(z.units, "counts");
    EXPECT_EQ(t.enabledCounterCount, 1);
    EXPECT_EQ(OV_Info_GetType(t.counter[0].image), IMAGETYPE_COUNTER);
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
    EXPECT_EQ(t.enabledAnalogCount, 2u);
    EXPECT_EQ(t.BurstLength(), 10);
    EXPECT_EQ(t.analog[1].listIndex, 0);
    EXPECT_EQ(t.analog[3].listIndex, 1);
    // A count far beyond reason does not size a huge buffer.
    softwareSettings().pixelAverage = 2000000000;
    t.BuildReadList();
    EXPECT_EQ(t.BurstLength(), 2 * (1 + ChannelTables::kMaxReadings));
}

TEST_F(ChannelImage, BeamRegistrationIsCentredOnTheStage) {
    CALMAG c;
    c.SetXSize(11);
    c.SetYSize(5);
    c.umPerPixelX = 2;
    c.umPerPixelY = 3;
    c.stageToMicrons = 10;
    StageReadings stage;
    stage.x = 1;
    stage.y = -2;
    RegistrationRectangle r = ChannelRegistration(c, 11, 5, stage);
    EXPECT_EQ(r.left, 0.0);
    EXPECT_EQ(r.right, 20.0);
    EXPECT_EQ(r.bottom, -26.0);
    EXPECT_EQ(r.top, -14.0);
    c.registrationXPolarity = 1;
    r = ChannelRegistration(c, 11, 5, stage);
    EXPECT_EQ(r.left, 20.0);
    EXPECT_EQ(r.right, 0.0);

    c.scanType = SCAN_STAGE;
    c.registrationXPolarity = 0;
    c.registrationYPolarity = 1;
    stage = {-3, 4, 1, 2, 0, 0};
    r = ChannelRegistration(c, 11, 5, stage);
    EXPECT_EQ(r.left, -30.0);
    EXPECT_EQ(r.right, 40.0);
    EXPECT_EQ(r.bottom, 20.0);
    EXPECT_EQ(r.top, 10.0);
}

TEST_F(ChannelImage, ImageRegistrationFollowsTheScanType) {
    ANALOGCHANNEL& a = channelTables().analog[0];
    a.enabled = 1;
    for (SIMMOT* axis : {&board().simX, &board().simY}) {
        axis->lowLimit = -100;
        axis->highLimit = 100;
        axis->lowCorner = -5;
        axis->highCorner = 5;
    }
    calmag().scanType = SCAN_STAGE;
    calmag().stageToMicrons = 2;
    calmag().SetXSize(20);
    calmag().SetYSize(10);
    calmag().SetScan();
    prepare();
    RealPoint lowerLeft, upperRight;
    GetCorners(a.image, lowerLeft, upperRight);
    EXPECT_DOUBLE_EQ(lowerLeft.x, -10.0);
    EXPECT_DOUBLE_EQ(upperRight.y, 10.0);
    // Back to a beam scan: the same image, registered around the stage.
    calmag().scanType = SCAN_BEAM;
    calmag().SetScan();
    const ImageHandle kept = a.image;
    prepare();
    EXPECT_EQ(a.image, kept);
    GetCorners(a.image, lowerLeft, upperRight);
    EXPECT_NEAR(lowerLeft.x, -19 * calmag().umPerPixelX / 2, 1e-9);
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
    EXPECT_EQ(row8(a, 2)[0], 42);

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

TEST_F(ChannelImage, RenameAndPaletteReachTheImage) {
    ANALOGCHANNEL& a = channelTables().analog[0];
    a.enabled = 1;
    beamScan(4, 4);
    std::vector<uint32_t> palette(256, 0x00010203);
    channelTables().PrepareAllImages(calmag(), &palette);
    std::vector<uint32_t> colours;
    GetPalette(a.image, colours);
    ASSERT_EQ(colours.size(), 256u);
    EXPECT_EQ(colours[9], 0x00010203u);
    a.Rename("BSE");
    ImageSummary s;
    GetImageSummary(a.image, s);
    EXPECT_EQ(s.name, "BSE");
    palette.assign(256, 0x00FFFFFF);
    a.enabled = 0;  // also for a disabled channel that has an image
    a.SetChannelPalette(palette.data());
    GetPalette(a.image, colours);
    EXPECT_EQ(colours[0], 0x00FFFFFFu);
}

}  // namespace
}  // namespace orvex
