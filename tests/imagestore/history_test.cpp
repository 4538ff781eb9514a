#include <gtest/gtest.h>

#include <memory>

#include "imagestore/history.h"
#include "imagestore/orvex_view.h"
#include "imagestore/window_list.h"
#include "platform/clock.h"

namespace orvex {
namespace {

class HistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setClock(&clock);
        windowList().Reset();
        ResetGlobalHistory();
    }
    void TearDown() override {
        windowList().Reset();
        ResetGlobalHistory();
        platform::setClock(nullptr);
    }
    platform::TestClock clock;
};

TEST_F(HistoryTest, TheTimeTextHasFixedWidthFieldsAndANewline) {
    EXPECT_EQ(TimeText({2026, 12, 7, 1, 9, 27, 38}), "Mon Dec 07 09:27:38 2026\n");
    EXPECT_EQ(TimeText({2027, 1, 3, 0, 0, 0, 5}), "Sun Jan 03 00:00:05 2027\n");
    EXPECT_EQ(TimeText({2026, 7, 31, 6, 23, 59, 59}), "Sat Jul 31 23:59:59 2026\n");
    // Out-of-range fields still give a text of the same shape.
    EXPECT_EQ(TimeText({2026, 13, 1, 9, 0, 0, 0}).size(), 25u);
    clock.time = {2026, 12, 8, 2, 10, 30, 0};
    EXPECT_EQ(TimeText(), "Tue Dec 08 10:30:00 2026\n");
}

TEST_F(HistoryTest, LinesGoToTheWindowAndTheGlobalHistory) {
    clock.time = {2026, 12, 7, 1, 9, 27, 38};
    auto view = std::make_unique<OrvexView>();
    view->image = std::make_unique<Image>();
    OrvexView* raw = view.get();
    const ImageHandle window = windowList().Add(std::move(view));
    LogHistory(window, "cropped: ", true);
    LogHistory(window, "  source image: a.tif", false);
    LogHistory(ImageHandle{}, "Orvex started:  ", true);
    EXPECT_EQ(raw->history, "cropped: Mon Dec 07 09:27:38 2026\n  source image: a.tif\n");
    EXPECT_EQ(GlobalHistoryText(), raw->history + "Orvex started:  Mon Dec 07 09:27:38 2026\n");
    windowList().Remove(window);
    LogHistory(window, "late", false);
    EXPECT_EQ(GlobalHistoryText().substr(GlobalHistoryText().size() - 5), "late\n");
}

}  // namespace
}  // namespace orvex
