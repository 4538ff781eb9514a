// Rectification: the fit, the ranking of points, the resampled pixels and
// their registration, the ".cp" files and the dialog driven as a user would.
#include "processing/rectify.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include "app/commands/rectify.h"
#include "imagestore/orvex_view.h"
#include "processing/toolkit_fixture.h"

namespace orvex {
namespace {

class Rectify : public testing::ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        RegisterRectifyCommands();
    }
    // Points at the corners whose real position is the pixel with y flipped.
    static std::vector<ControlPoint> corners(int w, int h) {
        std::vector<ControlPoint> points;
        for (auto [c, r] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}})
            points.push_back({"c", c, r, double(c), double(h - 1 - r), false});
        return points;
    }
};

TEST_F(Rectify, CornerPointsOnTheirOwnPixelsReproduceTheImage) {
    ImageHandle source = image(7, 5, 8, [](int c, int r) { return 10 * r + c; });
    ImageHandle result = RectifyImage(source, 7, RectifyInterpolation::NearestNeighbour, corners(7, 5));
    ASSERT_TRUE(result);
    ASSERT_EQ(LiveImage(result)->Height(), 5);
    for (int r = 0; r < 5; ++r) EXPECT_EQ(row(result, r), row(source, r)) << r;
    RealPoint ll, ur;
    GetCorners(result, ll, ur);
    EXPECT_NEAR(ll.x, 0, 1e-9);
    EXPECT_NEAR(ll.y, 0, 1e-9);
    EXPECT_NEAR(ur.x, 6, 1e-9);
    EXPECT_NEAR(ur.y, 4, 1e-9);
    const auto lines = historyLines("Rectification:  ");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "  source image;  " + name(source));
    EXPECT_EQ(lines[2], "  new image:  " + name(result));

    // Twice the width: whole positions keep their pixel, the others are the
    // inverse-distance mean of their four neighbours.
    ImageHandle fine = RectifyImage(source, 13, RectifyInterpolation::InverseDistance, corners(7, 5));
    ASSERT_TRUE(fine);
    ASSERT_EQ(LiveImage(fine)->Height(), 9);
    const auto top = row(fine, 0);
    EXPECT_EQ(top[2], 1);
    EXPECT_EQ(top[3], 1);  // halfway between 1 and 2, no row above: 1.5 truncated
    const auto between = row(fine, 1);
    EXPECT_EQ(between[1], 5);  // the mean of 0, 1, 10, 11 at equal distances
    EXPECT_EQ(row(fine, 8)[12], 46);
    EXPECT_EQ(row(fine, 8)[11], 43);  // 45 and 46 at 0.5, 35 and 36 at sqrt(1.25)
}

TEST_F(Rectify, ARotatedSetGivesALargerImageWithEmptyCorners) {
    // The real axes turned by 45 degrees against the pixels.
    const int w = 20, h = 20;
    ImageHandle source = image(w, h, 8, [](int, int) { return 200; });
    std::vector<ControlPoint> points;
    for (auto [c, r] : {std::pair{0, 0}, {19, 0}, {0, 19}, {19, 19}, {10, 5}}) {
        const double b = h - 1 - r;
        points.push_back({"p", c, r, (c - b) / std::sqrt(2.0), (c + b) / std::sqrt(2.0), false});
    }
    ImageHandle result = RectifyImage(source, 28, RectifyInterpolation::NearestNeighbour, points);
    ASSERT_TRUE(result);
    EXPECT_GE(LiveImage(result)->Height(), 27);  // larger than the source
    EXPECT_EQ(row(result, 0)[0], 0);
    EXPECT_EQ(row(result, 0)[27], 0);
    EXPECT_EQ(row(result, 27)[0], 0);
    EXPECT_EQ(row(result, 14)[14], 200);
    EXPECT_EQ(row(result, 0)[14], 200);  // the top corner of the diamond
}

TEST_F(Rectify, PreconditionsStopTheOperation) {
    ImageHandle source = image(5, 5, 8, [](int, int) { return 1; });
    const int before = LiveView(source)->imageNumber;
    auto three = corners(5, 5);
    three.pop_back();
    EXPECT_FALSE(RectifyImage(source, 5, RectifyInterpolation::NearestNeighbour, three));
    EXPECT_EQ(ui.count("RectifyImage()", "You need at least 4 points in order to rectify an image"), 1);
    auto outside = corners(5, 5);
    outside[1].pixelX = 5;
    EXPECT_FALSE(RectifyImage(source, 5, RectifyInterpolation::NearestNeighbour, outside));
    EXPECT_EQ(ui.messages.size(), 1u);  // no message for a point off the image
    auto line = corners(5, 5);
    for (auto& p : line) p.realY = p.realX;  // real positions on one line
    EXPECT_FALSE(RectifyImage(source, 5, RectifyInterpolation::NearestNeighbour, line));
    EXPECT_TRUE(newWindows(before).empty());
}

TEST_F(Rectify, TheRankingDropsTheWorstUnlockedPointsFirst) {
    auto points = corners(50, 50);
    points.push_back({"mid", 26, 25, 25, 24, false});  // one pixel off
    points.push_back({"bad", 10, 10, 30, 10, false});  // far off the others' fit
    auto ranking = RankPoints(points, 50);
    EXPECT_EQ(ranking.kept, 4);
    EXPECT_EQ(ranking.order, (std::vector<int>{0, 1, 2, 3, 4, 5}));  // "bad" went first, so it comes last
    EXPECT_GT(ranking.residualSums[6], ranking.residualSums[5]);
    EXPECT_NEAR(ranking.residualSums[4], 0, 1e-9);
    EXPECT_NEAR(FitRms(std::vector<ControlPoint>(points.begin(), points.begin() + 4), 50), 0, 1e-9);
    EXPECT_GT(FitRms(std::vector<ControlPoint>(points.begin(), points.begin() + 5), 50), 0.1);

    points[5].locked = true;  // never dropped, however bad
    ranking = RankPoints(points, 50);
    ASSERT_EQ(ranking.order.size(), 6u);
    EXPECT_NE(std::find(ranking.order.begin(), ranking.order.begin() + 4, 5), ranking.order.begin() + 4);
}

TEST_F(Rectify, ControlPointFilesRoundTripAndStopAtABadPoint) {
    std::vector<ControlPoint> points = {{"A", 1, 2, 3.5, -4.25, true}, {"B two", 10, 20, 1e5, 0.125, false}};
    ASSERT_TRUE(WriteControlPoints(path("p.cp"), points));
    EXPECT_EQ(readFile(path("p.cp")),
              "Control points for Pixmerel Rectification \n\n\r\n\r\nBEGIN Points \r\n Tag=A\r\n"
              " Point=1 2 3.500000 -4.250000\r\n Tag=B two\r\n Point=10 20 100000.000000 0.125000\r\n"
              "END Points \r\n\r\n");
    std::vector<ControlPoint> back;
    ASSERT_TRUE(ReadControlPoints(path("p.cp"), back));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1].tag, "B two");
    EXPECT_EQ(back[1].pixelY, 20);
    EXPECT_DOUBLE_EQ(back[0].realY, -4.25);

    std::ofstream(path("bad.cp"), std::ios::binary)
        << "t\r\n\r\nBEGIN Points\r\n Tag=A\r\n Point=1 2 3 4\r\n Tag=B\r\n Point=1 x 3 4\r\n"
           " Tag=C\r\n Point=5 6 7 8\r\nEND Points\r\n";
    ASSERT_TRUE(ReadControlPoints(path("bad.cp"), back));
    EXPECT_EQ(back.size(), 1u);
}

TEST_F(Rectify, TheDialogCollectsPointsAndRectifiesTheActiveImage) {
    ImageHandle source = image(7, 5, 8, [](int c, int r) { return 10 * r + c; });
    const int before = LiveView(source)->imageNumber;
    // Three points from last time, a fourth added with a click on the image.
    auto points = corners(7, 5);
    points.pop_back();
    WriteControlPoints(path("last.cp"), points);
    std::vector<std::string> used, available;
    ui.queue(platform::DialogScript{
        {press("Edit..."), press("Add..."), setValue(RectificationDialog::kUsed, 0), press("Edit..."),
         setValue(RectificationDialog::kCount, 4), press("OK")},
        [&](platform::DialogModel& d) {
            used = d.find(RectificationDialog::kUsed)->items;
            available = d.find(RectificationDialog::kAvailable)->items;
        }});
    ui.queue(platform::DialogScript{{setText("Tag", "D"), setText("Real X", "6"), setText("Real Y", "zero"),
                                     press("OK"), setText("Real Y", "0"), press("Choose..."), press("OK")},
                                    {}});
    ui.queue(platform::PixelPoint{6, 4});
    ui.queue(platform::DialogScript{{setValue("Use Point for sure", 1), press("OK")}, {}});
    ASSERT_EQ(app::commandTable().run("Advanced > &Rectification"), app::CommandTable::RunResult::Done);
    EXPECT_TRUE(ui.unanswered.empty()) << ui.unanswered.front();
    EXPECT_EQ(ui.count("Rectification", "No item selected!"), 1);
    EXPECT_EQ(ui.count("Real Y", "Entry must be numeric"), 1);
    EXPECT_EQ(used.size(), 4u);
    EXPECT_TRUE(available.empty());
    EXPECT_EQ(used[3], "No\tD\t6\t4\t6\t0");

    const auto made = newWindows(before);
    ASSERT_EQ(made.size(), 1u);
    for (int r = 0; r < 5; ++r) EXPECT_EQ(row(made[0], r), row(source, r)) << r;
    std::vector<ControlPoint> saved;
    ASSERT_TRUE(ReadControlPoints(path("last.cp"), saved));
    ASSERT_EQ(saved.size(), 4u);
    EXPECT_EQ(saved[3].tag, "D");
    EXPECT_EQ(saved[3].pixelX, 6);
}

TEST_F(Rectify, FewerPointsToUseMovesTheRestToAvailable) {
    ImageHandle source = image(50, 50, 8, [](int, int) { return 0; });
    auto points = corners(50, 50);
    points.push_back({"bad", 10, 10, 30, 10, false});
    RectificationDialog dialog(source, points);
    EXPECT_EQ(dialog.find(RectificationDialog::kUsed)->items.size(), 5u);
    EXPECT_NE(dialog.find(RectificationDialog::kRms)->text, "0.0000");
    dialog.setValue(RectificationDialog::kCount, 4);
    EXPECT_EQ(dialog.find(RectificationDialog::kUsed)->items.size(), 4u);
    ASSERT_EQ(dialog.find(RectificationDialog::kAvailable)->items.size(), 1u);
    EXPECT_EQ(dialog.find(RectificationDialog::kAvailable)->items[0].substr(0, 7), "No\tbad\t");
    EXPECT_EQ(dialog.find(RectificationDialog::kRms)->text, "0.0000");
    EXPECT_EQ(dialog.usedPoints().size(), 4u);

    ui.queue(platform::Answer::Ok);
    dialog.press("New");
    EXPECT_EQ(ui.count("Verify", "This will clear all your points"), 1);
    EXPECT_TRUE(dialog.points().empty());
}

}  // namespace
}  // namespace orvex
