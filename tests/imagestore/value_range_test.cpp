#include "imagestore/value_range.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/headless_ui.h"

namespace orvex {
namespace {

struct ValueRange : ::testing::Test {
    void SetUp() override { previous = platform::setUi(&ui); }
    void TearDown() override { platform::setUi(previous); }
    platform::HeadlessUi ui;
    platform::Ui* previous = nullptr;
};

TEST_F(ValueRange, ScansEightAndSixteenBitImages) {
    Image eight;
    ASSERT_TRUE(eight.Allocate(7, 5, 8));
    std::vector<uint8_t> row(7, 100);
    for (int r = 0; r < 5; ++r) eight.WriteLine(r, row.data(), 8);
    row[6] = 3;
    eight.WriteLine(4, row.data(), 8);  // the last column of the last row
    row[6] = 100;
    row[0] = 201;
    eight.WriteLine(0, row.data(), 8);
    EXPECT_EQ(OV_ScanForMin(&eight), 3u);
    EXPECT_EQ(OV_ScanForMax(&eight), 201u);
    unsigned lo = 1, hi = 1;
    OV_ScanForMinMax(&eight, lo, hi);
    EXPECT_EQ(lo, 3u);
    EXPECT_EQ(hi, 201u);

    Image deep;
    ASSERT_TRUE(deep.Allocate(3, 2, 16));
    std::vector<uint16_t> values = {40000, 65535, 7, 300, 256, 9};
    deep.WriteLine(0, values.data(), 16);
    deep.WriteLine(1, values.data() + 3, 16);
    OV_ScanForMinMax(&deep, lo, hi);
    EXPECT_EQ(lo, 7u);
    EXPECT_EQ(hi, 65535u);
    EXPECT_EQ(OV_ScanForMin(&deep), 7u);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ValueRange, BadImagesAndDepths) {
    unsigned lo = 11, hi = 12;
    EXPECT_EQ(OV_ScanForMin(ImageHandle{12345}), 0u) << "a window that is not live";
    ui.clear();
    EXPECT_EQ(OV_ScanForMin(nullptr), 0u);
    EXPECT_EQ(OV_ScanForMax(nullptr), 0u);
    OV_ScanForMinMax(nullptr, lo, hi);
    EXPECT_EQ(lo, 11u);
    EXPECT_EQ(hi, 12u);
    EXPECT_EQ(ui.messageLines(),
              (std::vector<std::string>{"OV_ScanForMin(): Bad Image", "OV_ScanForMax(): Bad Image",
                                        "OV_ScanForMinMax(): Bad Image"}));
    ui.clear();
    Image four;
    ASSERT_TRUE(four.Allocate(4, 4, 4));
    EXPECT_EQ(OV_ScanForMin(&four), 0u);
    EXPECT_EQ(OV_ScanForMax(&four), 65535u);
    OV_ScanForMinMax(&four, lo, hi);
    EXPECT_EQ(lo, 0u);
    EXPECT_EQ(hi, 65535u);
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{
                                     "OV_ScanForMin(): unimplemented image depth",
                                     "OV_ScanForMax(): unimplemented image depth",
                                     "OV_ScanForMax(): unimplemented image depth"}));
}

}  // namespace
}  // namespace orvex
