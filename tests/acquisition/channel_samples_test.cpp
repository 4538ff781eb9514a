// How each kind turns readings into pixels, on line buffers alone.
#include <gtest/gtest.h>

#include "acquisition/channel.h"
#include "acquisition/test_support.h"

namespace orvex {
namespace {

// A channel with a line buffer of the given width that holds row 0, so stores
// go to the buffer without an image.
template <class Channel>
void giveBuffer(Channel& c, int width, bool sixteen) {
    c.enabled = 1;
    c.width = width;
    c.height = 4;
    c.is16Bit = sixteen ? 1 : 0;
    ASSERT_TRUE(c.MakeLineBuffer());
    c.currentLine = 0;
}

TEST(AnalogSamples, EachChannelAveragesItsOwnSamplesAfterTheDiscarded) {
    // Two channels, 2 discarded and 3 averaged readings each: 10 samples,
    // channel 0 at 0, 2, 4, 6, 8 and channel 1 at 1, 3, 5, 7, 9.
    const uint16_t buffer[10] = {9000, 9001, 9002, 9003, 100, 300, 200, 600, 300, 1200};
    AnalogSamples samples{buffer, 2, 2, 3};
    ANALOGCHANNEL first, second;
    first.enabled = second.enabled = 1;
    first.listIndex = 0;
    second.listIndex = 1;
    first.ReadSample(samples);
    second.ReadSample(samples);
    EXPECT_EQ(first.value, 200u);   // (100 + 200 + 300) / 3
    EXPECT_EQ(second.value, 700u);  // (300 + 600 + 1200) / 3

    const uint16_t odd[3] = {1, 1, 2};
    ANALOGCHANNEL c;
    c.enabled = 1;
    c.ReadSample({odd, 1, 0, 3});
    EXPECT_EQ(c.value, 1u);  // the remainder is dropped
    c.ReadSample({odd + 2, 1, 0, 1});
    EXPECT_EQ(c.value, 2u);  // a single reading is taken as it is
    c.ReadSample({odd, 1, 3, 0});
    EXPECT_EQ(c.value, 0u);  // nothing averaged

    ANALOGCHANNEL outside;
    outside.enabled = 1;
    outside.listIndex = 16;  // not in the read list
    outside.value = 5;
    outside.ReadSample(samples);
    EXPECT_EQ(outside.value, 0u);
}

TEST(AnalogSamples, NegativePolarityInvertsAndDepthTakesTheHighByte) {
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

    narrow.polarity = 1;
    narrow.ReadSample({sample, 1, 0, 1});
    narrow.StoreSample(3, 0);
    EXPECT_EQ(narrow.lineBuffer8[3], 0x12);
}

TEST(AnalogSamples, AccumulateKeepsARunningMean) {
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

    ANALOGCHANNEL narrow;
    giveBuffer(narrow, 2, false);
    narrow.value = 0xFF00;
    narrow.StoreSample(1, 0);
    narrow.passCount = 3;
    narrow.value = 0x0100;  // high byte 1
    narrow.AccumulateSample(1, 0);
    EXPECT_EQ(narrow.lineBuffer8[1], (1 + 3 * 255) / 4);
}

TEST(CounterSamples, StoreClipsAndAccumulateSaturates) {
    COUNTERCHANNEL wide, narrow;
    giveBuffer(wide, 3, true);
    giveBuffer(narrow, 3, false);
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

TEST(DigitalSamples, BitsStoreAsOneAndCountPassesUpToTheDepth) {
    DIGITALCHANNEL c;
    giveBuffer(c, 3, false);
    c.hwIndex = 5;
    c.ReadSample(0x20);
    EXPECT_EQ(c.value, 1u);
    c.StoreSample(0, 0);
    c.ReadSample(0xDF);
    EXPECT_EQ(c.value, 0u);
    c.StoreSample(1, 0);
    EXPECT_EQ(c.lineBuffer8[0], 1);
    EXPECT_EQ(c.lineBuffer8[1], 0);
    EXPECT_EQ(c.rangeLow, 0u);
    EXPECT_EQ(c.rangeHigh, 1u);

    c.ReadSample(0x20);
    c.lineBuffer8[2] = 254;
    c.AccumulateSample(2, 0);
    c.AccumulateSample(2, 0);
    EXPECT_EQ(c.lineBuffer8[2], 255);  // never past the depth
    c.ReadSample(0);
    c.AccumulateSample(1, 0);
    EXPECT_EQ(c.lineBuffer8[1], 0);

    DIGITALCHANNEL wide;
    giveBuffer(wide, 1, true);
    wide.hwIndex = 31;
    wide.ReadSample(0x80000000u);
    wide.lineBuffer16[0] = 65534;
    wide.AccumulateSample(0, 0);
    wide.AccumulateSample(0, 0);
    EXPECT_EQ(wide.lineBuffer16[0], 65535);

    DIGITALCHANNEL unwired;  // hwIndex 65535: no bit of the word
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
    c.ReadSample(9);
    EXPECT_EQ(c.value, 7u);

    c.enabled = 1;
    c.StoreSample(5, 0);  // beyond the buffer: ignored
    c.FreeLineBuffer();
    EXPECT_EQ(c.currentLine, -1);
    c.StoreSample(0, 0);  // no buffer: nothing, no message
    EXPECT_EQ(c.SelectLine(0), 0);
}

TEST(ChannelSamples, RangesAndPasses) {
    ANALOGCHANNEL a;
    DIGITALCHANNEL d;
    COUNTERCHANNEL wide, narrow;
    narrow.is16Bit = 0;
    a.ResetRange();
    d.maxPasses = 7;
    d.ResetRange();
    wide.ResetRange();
    narrow.ResetRange();
    EXPECT_EQ(a.rangeLow, 65535u);
    EXPECT_EQ(d.rangeLow, 7u);
    EXPECT_EQ(wide.rangeLow, 65535u);
    EXPECT_EQ(narrow.rangeLow, 255u);
    EXPECT_EQ(narrow.rangeHigh, 0u);

    a.maxPasses = 2;
    EXPECT_TRUE(a.PassesComplete());  // disabled
    a.enabled = 1;
    EXPECT_FALSE(a.PassesComplete());
    a.IncrementPass();
    a.IncrementPass();
    a.IncrementPass();
    EXPECT_EQ(a.passCount, 2u);
    EXPECT_TRUE(a.PassesComplete());
}

TEST(ChannelSamples, KindDefaults) {
    ANALOGCHANNEL a;
    DIGITALCHANNEL d;
    COUNTERCHANNEL c;
    EXPECT_EQ(a.kind, CHANNEL_ANALOG);
    EXPECT_EQ(a.zUnit, "volts");
    EXPECT_EQ(a.zHigh, 10.0);
    EXPECT_EQ(a.polarity, 1);
    EXPECT_EQ(d.kind, CHANNEL_DIGITAL);
    EXPECT_EQ(d.zHigh, 255.0);
    EXPECT_EQ(c.kind, CHANNEL_COUNTER);
    EXPECT_EQ(c.is16Bit, 1);
    EXPECT_EQ(c.zHigh, 65535.0);
    EXPECT_EQ(c.hwIndex, 65535);
    EXPECT_EQ(c.maxPasses, 5u);
    // Names are the serial numbers until configured.
    EXPECT_EQ(c.name, std::to_string(c.serial));
    EXPECT_EQ(d.serial + 1, c.serial);
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
    d.passCount = 1;  // 0.4 + 0.25
    d.SimulateSample(0.4);
    EXPECT_EQ(d.value, 1u);
    c.maxPasses = 4;
    c.passCount = 2;
    c.SimulateSample(0.25);
    EXPECT_EQ(c.value, 4915u);  // 0.75 x 6553.5
    c.is16Bit = 0;
    c.SimulateSample(0.25);
    EXPECT_EQ(c.value, 19u);  // 0.75 x 25.5
    c.maxPasses = 0;
    c.SimulateSample(1.0);
    EXPECT_EQ(c.value, 25u);
}

}  // namespace
}  // namespace orvex
