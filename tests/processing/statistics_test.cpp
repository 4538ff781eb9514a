// Area and transect statistics, their read-outs and their log.
#include "processing/statistics.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/commands/statistics.h"
#include "geometry_fixture.h"
#include "platform/surface.h"
#include "processing/statistics_dialogs.h"

namespace orvex {
namespace {

class Statistics : public testing::ProcessingTest {
protected:
    void SetUp() override {
        ProcessingTest::SetUp();
        RegisterStatisticsCommands();
    }
};

TEST_F(Statistics, AreaValuesComeFromThePercentageHistogramOfTheRectangle) {
    const ImageHandle flat = imageOf(std::vector<std::vector<int>>(4, std::vector<int>(5, 100)));
    AreaStatistics s;
    ASSERT_TRUE(ComputeAreaStatistics(flat, {0, 0, 4, 3}, false, s));
    EXPECT_DOUBLE_EQ(s.average, 100);
    EXPECT_EQ(s.deviation, 0.0f);
    EXPECT_EQ(s.min, 100);
    EXPECT_EQ(s.max, 100);
    EXPECT_FLOAT_EQ(s.percent[100], 100.0f);

    // Only black and white, excluded: nothing is left in the range.
    const ImageHandle bw = imageOf({{0, 255, 0}, {255, 255, 0}});
    ASSERT_TRUE(ComputeAreaStatistics(bw, {0, 0, 2, 1}, true, s));
    EXPECT_EQ(s.min, -1);
    EXPECT_EQ(s.max, -1);

    // Only the rectangle counts; geometry through both registrations.
    const ImageHandle mixed = randomImage(12, 10, 8);
    std::vector<uint8_t> patch = {10, 20, 30, 40, 50, 60};
    WriteBlock8(mixed, 3, 2, 3, 2, patch.data());
    SetRegistration(mixed, {0, 0}, {22, 18});  // 2 units per pixel
    SetZRegistration(mixed, {1, 0.0, 510.0, "ppm"});
    ASSERT_TRUE(ComputeAreaStatistics(mixed, {5, 3, 3, 2}, false, s));  // ends given either way round
    EXPECT_NEAR(s.average, 35.0, 1e-4);
    EXPECT_NEAR(s.deviation, 17.078, 1e-3);
    EXPECT_EQ(s.width, 2);
    EXPECT_EQ(s.height, 1);
    EXPECT_EQ(s.centerX, 4);
    EXPECT_EQ(s.centerY, 2);
    EXPECT_EQ(s.area, 2);
    EXPECT_NEAR(s.realWidth, 4, 1e-9);
    EXPECT_NEAR(s.realHeight, 2, 1e-9);
    EXPECT_NEAR(s.realCenterX, 8, 1e-9);
    EXPECT_NEAR(s.realCenterY, 13, 1e-9);  // rows 2..3 stand at y 14..12
    EXPECT_NEAR(s.realMin, 20, 1e-4);      // 2 units per grey level
    EXPECT_NEAR(s.realAverage, 70, 1e-3);
    EXPECT_NEAR(s.realDeviation, 2 * s.deviation, 1e-3);
}

TEST_F(Statistics, TransectsWalkTheLineWithoutItsEndPoint) {
    EXPECT_EQ(TransectPoints({10, 4}, {20, 4}).size(), 10u);
    const auto diagonal = TransectPoints({0, 0}, {4, 2});
    ASSERT_EQ(diagonal.size(), 4u);
    EXPECT_EQ(diagonal[1].column, 1);
    EXPECT_EQ(diagonal[1].row, 1);  // 0.5 rounds up
    EXPECT_EQ(diagonal[3].row, 2);
    EXPECT_TRUE(TransectPoints({3, 3}, {3, 3}).empty());

    const ImageHandle w = imageOf({{5, 10, 15, 20, 25}, {0, 0, 0, 0, 0}}, 16);  // high bytes 0
    std::vector<uint16_t> line = {256 * 5, 256 * 10, 256 * 15, 256 * 20, 256 * 25};
    WriteLine16(w, 0, line.data());
    TransectStatistics s;
    ASSERT_TRUE(ComputeTransectStatistics(w, {{4, 0}, {0, 0}}, s));
    EXPECT_EQ(s.profile, (std::vector<float>{25, 20, 15, 10}));
    EXPECT_DOUBLE_EQ(s.average, 17.5);
    EXPECT_EQ(s.min, 10);
    EXPECT_EQ(s.max, 25);
    EXPECT_DOUBLE_EQ(s.length, 4);
    EXPECT_NEAR(s.deviation, 5.5902, 1e-4);
}

TEST_F(Statistics, TheDialogShowsLogsAndRelabelsItsReadOuts) {
    const ImageHandle w = imageOf({{0, 100, 100, 255}, {100, 100, 200, 200}, {1, 2, 3, 4}});
    SetZRegistration(w, {1, 0.0, 100.0, "wt%"});
    const auto file = std::filesystem::temp_directory_path() / "orvex_geom_stats.log";
    std::filesystem::remove(file);
    StatisticsDialog dialog;
    EXPECT_EQ(dialog.find("Real Z Values")->text, "Real wt% values");
    dialog.setValue("Log to File", 1);
    dialog.setText("Log File", file.string());
    dialog.setValue("Exclude B && W", 1);
    ui.queue(platform::PixelRect{0, 0, 3, 1});
    dialog.press("Choose Area");
    EXPECT_EQ(dialog.find("Width")->text, "3");
    EXPECT_EQ(dialog.find("Area")->text, "3");
    EXPECT_EQ(dialog.find("Min")->text, "100");
    EXPECT_EQ(dialog.find("Max")->text, "200");
    EXPECT_EQ(dialog.find("Average")->text, "100.000");  // 0 and 255 still count in the percentages
    EXPECT_EQ(dialog.find("St. Deviation")->text, "70.711");
    EXPECT_EQ(dialog.find("Real Max")->text, "78.431");

    dialog.setText("Label:", "grain 4");
    ui.queue(platform::PixelLine{{0, 2}, {3, 2}});
    dialog.press("Choose Transect");
    EXPECT_FALSE(dialog.find("Width")->visible);
    EXPECT_TRUE(dialog.find("Start X")->visible);
    EXPECT_EQ(dialog.find("End X")->text, "3");
    EXPECT_EQ(dialog.find("Length")->text, "3.000");
    EXPECT_EQ(dialog.find("Real Start Y")->text, "0.000");
    EXPECT_EQ(dialog.find("Average")->text, "2.000");
    platform::RecordingSurface surface;
    dialog.paint(*dialog.find("Graph"), surface);
    EXPECT_GT(surface.calls.size(), 2u);

    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    std::filesystem::remove(file);
    const std::string time = TimeText();
    const std::string expected =
        "--- AREA Stats ------ " + time +
        "Label: No Label\n"
        "Width:    3, 3\n"
        "Height:   1, 1\n"
        "Center X: 1, 1.5\n"
        "Center Y: 0, 1.5\n"
        "Area:     3, 3\n"
        "--------- Histogram -----------------\n"
        "Min, Max, Avg, Sdev: 100, 200, 100, 70.7107\n"
        "12.5000 0.0000 ";
    ASSERT_EQ(text.str().substr(0, expected.size()), expected);
    const std::string transect = "--- TRANSECT Stats ------ " + time +
                                 "Label: grain 4\n"
                                 "Start X:  0, 0\n"
                                 "Start Y:  2, 0\n"
                                 "End X:    3, 3\n"
                                 "End Y:    2, 0\n"
                                 "Length:   3, 3\n"
                                 "--------- Transect -----------------\n"
                                 "Min, Max, Avg: 1, 3, 2, 0.816497\n"
                                 "    1    2    3\n";
    const size_t at = text.str().find("--- TRANSECT");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(text.str().substr(at), transect);
    // 256 percentages, eight to a line.
    const std::string histogram = text.str().substr(0, at);
    EXPECT_EQ(std::count(histogram.begin(), histogram.end(), '\n'), 9 + 32);

    // Back to an area, the rows take their own names again.
    ui.queue(platform::PixelRect{1, 1, 2, 2});
    dialog.press("Choose Area");
    EXPECT_TRUE(dialog.find("Center Y")->visible);
    EXPECT_FALSE(dialog.find("Start X")->visible);
}

TEST_F(Statistics, TheCommandNeedsAnImageAndReportsALogThatCannotBeWritten) {
    EXPECT_FALSE(app::commandTable().isEnabled("Basic > &Statistics"));
    imageOf({{1, 2}, {3, 4}});
    EXPECT_TRUE(app::commandTable().isEnabled("Basic > &Statistics"));
    ui.queue(script({setValue("Log to File", 1), setText("Log File", "/nonexistent/dir/stats.log"),
                     press("Choose Area"), press("OK")}));
    ui.queue(platform::PixelRect{0, 0, 1, 1});
    app::commandTable().run("Basic > &Statistics");
    EXPECT_EQ(ui.count("Statistics", "Unable to open log file /nonexistent/dir/stats.log"), 1);
    EXPECT_EQ(ui.dialogsRun, (std::vector<std::string>{"Statistics"}));
}

}  // namespace
}  // namespace orvex
