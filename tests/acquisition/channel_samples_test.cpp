// How each kind turns readings into pixels, on line buffers alone.
#include <gtest/gtest.h>

#include "acquisition/channel.h"

namespace orvex {
namespace {

// An enabled channel whose line buffer holds row 0, so stores need no image.
template <class Channel>
void giveBuffer(Channel& c, int width, bool sixteen) {
    c.enabled = 1;
    c.width = width;
    c.is16Bit = sixteen ? 1 : 0;
    ASSERT_TRUE(c.MakeLineBuffer());
    c.currentLine = 0;
}

TEST(ChannelSamples, AnalogAveragesItsOwnSamplesAfterTheDiscarded) {
    // Two channels, 2 discarded and 3 averaged readings each: channel 1 takes
    // entries 5, 7 and 9.
    const uint16_t buffer[10] = {9000, 9001, 9002, 9003, 100, 300, 200, 600, 300, 1200};
    ANALOGCHANNEL first, second;
    first.enabled = second.enabled = 1;
    second.listIndex = 1;
    first.ReadSample({buffer, 2, 2, 3});
    second.ReadSample({buffer, 2, 2, 3});
    EXPECT_EQ(first.value, 200u);
    EXPECT_EQ(second.value, 700u);
    const uint16_t odd[3] = {1, 1, 2};
    first.ReadSample({odd, 1, 0, 3});
    EXPECT_EQ(first.value, 1u);  // the remainder is dropped
    first.ReadSample({odd + 2, 1, 0, 1});
    EXPECT_EQ(first.value, 2u);  // one reading is taken as it is

    const uint16_t sample[1] = {0x1234};
    ANALOGCHANNEL wide, narrow;
    giveBuffer(wide, 4, true);
    giveBuffer(narrow, 4, false);
    wide.polarity = narrow.polarity = 0;
    wide.ReadSample({sample, 1, 0, 1});
    narrow.ReadSample({sample, 1, 0, 1});
    wide.StoreSample(2, 0);
    narrow.StoreSample(2, 0);
    EXPECT_EQ(wide.lineBuffer16[2], 0xEDCB);
    EXPECT_EQ(narrow.lineBuffer8[2], 0xED);
}

TEST(ChannelSamples, AnalogAccumulatesARunningMean) {
    ANALOGCHANNEL c;
    giveBuffer(c, 2, true);
    c.value = 100;
    c.StoreSample(0, 0);
    c.passCount = 1;
    c.value = 200;
    c.AccumulateSample(0, 0);
    EXPECT_EQ(c.lineBuffer16[0], 150);
    c.passCount = 2;
    c.value = 30;
    c.AccumulateSample(0, 0);
    EXPECT_EQ(c.lineBuffer16[0], 110);
    EXPECT_EQ(c.rangeHigh, 150u);
}

TEST(ChannelSamples, CounterStoreClipsAndAccumulateSaturates) {
    COUNTERCHANNEL wide, narrow;
    giveBuffer(wide, 2, true);
    giveBuffer(narrow, 2, false);
    wide.ReadSample(70000);
    narrow.ReadSample(70000);
    wide.StoreSample(0, 0);
    narrow.StoreSample(0, 0);
    EXPECT_EQ(wide.lineBuffer16[0], 65535);
    EXPECT_EQ(narrow.lineBuffer8[0], 255);
    wide.lineBuffer16[1] = 10;
    wide.AccumulateSample(1, 0);
    EXPECT_EQ(wide.lineBuffer16[1], 10 + 4464);  // 70000 modulo 65536
    wide.value = 65000;
    wide.AccumulateSample(1, 0);
    EXPECT_EQ(wide.lineBuffer16[1], 65535);
    narrow.lineBuffer8[1] = 10;
    narrow.value = 300;  // 44 modulo 256
    narrow.AccumulateSample(1, 0);
    EXPECT_EQ(narrow.lineBuffer8[1], 54);
    narrow.value = 250;
    narrow.AccumulateSample(1, 0);
    EXPECT_EQ(narrow.lineBuffer8[1], 255);
}

TEST(ChannelSamples, DigitalBitsStoreAsOneAndCountPassesUpToTheDepth) {
    DIGITALCHANNEL c;
    giveBuffer(c, 3, false);
    c.hwIndex = 5;
    c.ReadSample(0x20);
    c.StoreSample(0, 0);
    c.ReadSample(0xDF);
    c.StoreSample(1, 0);
    EXPECT_EQ(c.lineBuffer8[0], 1);
    EXPECT_EQ(c.lineBuffer8[1], 0);
    c.ReadSample(0x20);
    c.lineBuffer8[2] = 254;
    c.AccumulateSample(2, 0);
    c.AccumulateSample(2, 0);
    EXPECT_EQ(c.lineBuffer8[2], 255);  // never past the depth
    DIGITALCHANNEL wide;
    giveBuffer(wide, 1, true);
    wide.hwIndex = 31;
    wide.ReadSample(0x80000000u);
    wide.lineBuffer16[0] = 65534;
    wide.AccumulateSample(0, 0);
    wide.AccumulateSample(0, 0);
    EXPECT_EQ(wide.lineBuffer16[0], 65535);
    DIGITALCHANNEL unwired;  // hwIndex 65535 names no bit of the word
    unwired.enabled = 1;
    unwired.ReadSample(0xFFFFFFFFu);
    EXPECT_EQ(unwired.value, 0u);
}

TEST(ChannelSamples, DisabledChannelsAndMissingBuffersStoreNothing) {
    COUNTERCHANNEL c;
    giveBuffer(c, 2, true);
    c.enabled = 0;
    c.value = 7;
    c.StoreSample(0, 0);
    c.AccumulateSample(0, 0);
    EXPECT_EQ(c.lineBuffer16[0], 0);
    c.enabled = 1;
    c.StoreSample(5, 0);  // beyond the buffer: ignored
    c.FreeLineBuffer();
    c.StoreSample(0, 0);  // no buffer: nothing, and no message
    EXPECT_EQ(c.SelectLine(0), 0);
}

TEST(ChannelSamples, SimulatedReadings) {
    ANALOGCHANNEL a;
    DIGITALCHANNEL d;
    COUNTERCHANNEL c;
    a.enabled = d.enabled = c.enabled = 1;
    a.SimulateSample(0.5);
    EXPECT_EQ(a.value, 32767u);
    a.SimulateSample(1.5);
    EXPECT_EQ(a.value, 0u);
    EXPECT_EQ(a.simTotal, 32767.0);
    d.maxPasses = 4;
    d.SimulateSample(0.4);
    EXPECT_EQ(d.value, 0u);
    d.passCount = 1;  // 0.4 + 1/4 passes
    d.SimulateSample(0.4);
    EXPECT_EQ(d.value, 1u);
    c.maxPasses = 4;
    c.passCount = 2;
    c.SimulateSample(0.25);
    EXPECT_EQ(c.value, 4915u);  // 0.75 x 6553.5
    c.is16Bit = 0;
    c.SimulateSample(0.25);
    EXPECT_EQ(c.value, 19u);  // 0.75 x 25.5
    c.maxPasses = 0;  // no division by zero
    c.SimulateSample(1.0);
    EXPECT_EQ(c.value, 25u);
}

}  // namespace
}  // namespace orvex
