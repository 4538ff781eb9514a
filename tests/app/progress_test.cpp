#include <gtest/gtest.h>

#include "app/progress.h"
#include "app/status_text.h"
#include "platform/clock.h"
#include "platform/headless_ui.h"

using namespace orvex;
using namespace orvex::app;

TEST(Progress, EstimatesOfTheExamplesAndTheRoundingSteps) {
    EXPECT_EQ(ProgressDisplay::Text(50, ProgressDisplay::RemainingSeconds(50, 30000)), "50% (Est. 00:30)");
    EXPECT_EQ(ProgressDisplay::Text(10, ProgressDisplay::RemainingSeconds(10, 500000)), "10% (Est. 75:00)");
    EXPECT_EQ(ProgressDisplay::RemainingSeconds(0, 99999), 0);
    // 1% after 7 s: total 700 s, 693 s left -> whole minutes.
    EXPECT_EQ(ProgressDisplay::RemainingSeconds(1, 7000), 660);
    // 10% after 15 s: 150 s total, 135 left -> 30 s steps.
    EXPECT_EQ(ProgressDisplay::RemainingSeconds(10, 15000), 120);
    // 25% after 25 s: 100 total, 75 left -> 10 s steps.
    EXPECT_EQ(ProgressDisplay::RemainingSeconds(25, 25000), 70);
    // 50% after 59 s: 118 total, 59 left, kept to the second.
    EXPECT_EQ(ProgressDisplay::RemainingSeconds(50, 59000), 59);
}

TEST(Progress, ReportRestartsTheClockWhenThePercentageGoesDown) {
    platform::HeadlessUi ui;
    platform::TestClock clock;
    platform::setUi(&ui);
    platform::setClock(&clock);
    ProgressDisplay p;
    clock.tick = 1000000;
    ui.status[2] = "x:  1 y:  1 v:  1";
    p.Report(0);  // below the 100 it starts at: a new operation
    EXPECT_EQ(ui.status[2], "");
    clock.advance(30000);
    ui.status[2] = "busy";
    p.Report(50);
    EXPECT_EQ(ui.progressText, "50% (Est. 00:30)");
    EXPECT_EQ(ui.status[2], "busy");
    p.Report(100);
    EXPECT_EQ(ui.status[2], "");
    EXPECT_EQ(ui.progress, (std::vector<int>{0, 50, 100}));
    // The tick count wrapping during an operation does not upset the estimate.
    clock.tick = 0xFFFFFFFFu - 5000;
    p.Report(0);
    clock.tick = 25000 - 5000;
    p.Report(50);
    EXPECT_EQ(ui.progressText, "50% (Est. 00:25)");
    platform::setUi(nullptr);
    platform::setClock(nullptr);
}

TEST(Progress, StripIsBlackForTheDonePartInsideItsMargin) {
    platform::RecordingSurface s;
    ProgressDisplay::DrawStrip(s, {0, 0, 206, 26}, 50, "50% (Est. 00:30)");
    ASSERT_EQ(s.calls.size(), 4u);
    EXPECT_EQ(s.calls[0], "fill 3 3 103 23 000000");
    EXPECT_EQ(s.calls[1], "fill 103 3 203 23 c0c0c0");
    EXPECT_EQ(s.calls[2], "textcolour ffffff");
    EXPECT_EQ(s.calls[3], "text 39 5 50% (Est. 00:30)");
}

TEST(StatusText, PanesReadAsTheUserSeesThem) {
    EXPECT_EQ(ImagePaneText("UNTLD1.TIF", 100, 512, 480, 256), "UNTLD1.TIF at 100% (512x480x256)");
    EXPECT_EQ(PositionPaneText(true, 1000, 2000, false, 0), "X:1000 Y:2000 ");
    EXPECT_EQ(PositionPaneText(true, 1.5, -2.25, true, 42.125), "X:1.5 Y:-2.25 Z: 42.125");
    EXPECT_EQ(PositionPaneText(false, 0, 0, true, 3), "Z: 3");
    EXPECT_EQ(PositionPaneText(false, 0, 0, false, 0), "Not Registered");
    EXPECT_EQ(PixelPaneText(5, 12, 7), "x:  5 y: 12 v:  7");
    EXPECT_EQ(BinIndexText(12, false, 0), "Index: 12");
    EXPECT_EQ(BinIndexText(12, true, 4.7059), "Index: 12, Real: 4.7059");
}

TEST(StatusText, HistogramCountsEveryKthRowAndScalesBySecondLargestInnerBin) {
    // 512 rows: every second row is read. Rows alternate in content so the
    // skipped ones would change the result if they were counted.
    std::vector<int> rowsRead;
    auto h = InfoHistogram::Compute(4, 512, [&](int row, uint8_t* v) {
        rowsRead.push_back(row);
        uint8_t fill = row % 2 ? 200 : (row < 256 ? 0 : 10);
        for (int i = 0; i < 4; ++i) v[i] = fill;
        v[3] = 20;
        return true;
    });
    EXPECT_EQ(rowsRead.size(), 256u);
    EXPECT_DOUBLE_EQ(h.percent[200], 0.0);
    EXPECT_DOUBLE_EQ(h.percent[0], 37.5);
    EXPECT_DOUBLE_EQ(h.percent[10], 37.5);
    EXPECT_DOUBLE_EQ(h.percent[20], 25.0);
    // Bin 0 is left out; of the inner bins 10 is largest, 20 second.
    EXPECT_DOUBLE_EQ(h.Scale(), 25.0);
    EXPECT_EQ(h.PixelsText(20), "Pixels: 512 (25.00%)");
    EXPECT_EQ(InfoHistogram::BinAt({0, 0, 512, 30}, 41), 20);
    EXPECT_EQ(InfoHistogram::BinAt({0, 0, 512, 30}, 600), -1);

    platform::RecordingSurface s;
    std::vector<uint32_t> palette(256, 0x00FF00);
    h.Draw(s, {0, 0, 256, 30}, palette);
    // Bin 10 is cut at the top of the area, bin 20 reaches it exactly.
    EXPECT_NE(std::find(s.calls.begin(), s.calls.end(), "line 10 29 10 -1"), s.calls.end());
    EXPECT_NE(std::find(s.calls.begin(), s.calls.end(), "line 20 29 20 -1"), s.calls.end());
}
