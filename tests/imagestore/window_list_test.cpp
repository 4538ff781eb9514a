#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "imagestore/orvex_view.h"
#include "imagestore/window_list.h"

namespace orvex {
namespace {

std::vector<int> g_codes;
void First(const ImageEvent& e) { g_codes.push_back(100 + e.code); }
void Second(const ImageEvent& e) { g_codes.push_back(200 + e.code); }
void RemovesFirst(const ImageEvent&) { windowList().RemoveApplicationListener(&First); }

class WindowListTest : public ::testing::Test {
protected:
    void SetUp() override {
        windowList().Reset();
        g_codes.clear();
    }
    void TearDown() override { windowList().Reset(); }
    static ImageHandle AddView() {
        auto view = std::make_unique<OrvexView>();
        view->image = std::make_unique<Image>();
        return windowList().Add(std::move(view));
    }
};

TEST_F(WindowListTest, NumbersGrowAndAreNeverReused) {
    const ImageHandle a = AddView();
    const ImageHandle b = AddView();
    EXPECT_EQ(a.number, 1);
    EXPECT_EQ(b.number, 2);
    EXPECT_TRUE(windowList().Remove(a));
    EXPECT_FALSE(windowList().Remove(a));
    EXPECT_EQ(windowList().Find(a), nullptr);
    EXPECT_EQ(AddView().number, 3);
    EXPECT_EQ(windowList().ImageCounter(), 3);
    EXPECT_EQ(windowList().Windows(), (std::vector<ImageHandle>{{2}, {3}}));
    EXPECT_EQ(windowList().Find(ImageHandle{}), nullptr);
    EXPECT_FALSE(windowList().Add(nullptr));
}

TEST_F(WindowListTest, TheActiveWindowFallsBackToTheOneActivatedBefore) {
    const ImageHandle a = AddView();
    const ImageHandle b = AddView();
    const ImageHandle c = AddView();
    EXPECT_EQ(windowList().Active(), c);
    windowList().SetActive(a);
    windowList().SetActive(ImageHandle{42});  // not a window: ignored
    EXPECT_EQ(windowList().Active(), a);
    windowList().Remove(a);
    EXPECT_EQ(windowList().Active(), c);
    windowList().Remove(c);
    EXPECT_EQ(windowList().Active(), b);
    windowList().Remove(b);
    EXPECT_FALSE(windowList().Active());
}

TEST_F(WindowListTest, ApplicationListenersHearEveryEventInOrder) {
    windowList().AddApplicationListener(&First);
    windowList().AddApplicationListener(&Second);
    windowList().AddApplicationListener(&First);
    windowList().AddApplicationListener(nullptr);
    ImageEvent event;
    event.code = 2;
    windowList().NotifyApplication(event);
    EXPECT_EQ(g_codes, (std::vector<int>{102, 202, 102}));
    g_codes.clear();
    windowList().RemoveApplicationListener(&First);
    windowList().AddApplicationListener(&RemovesFirst);
    windowList().NotifyApplication(event);
    windowList().NotifyApplication(event);
    EXPECT_EQ(g_codes, (std::vector<int>{202, 102, 202}));
}

}  // namespace
}  // namespace orvex
