#include <gtest/gtest.h>

#include "app/history_viewer.h"

using namespace orvex::app;

static std::string numberedLines(int n) {
    std::string text;
    for (int i = 1; i <= n; ++i) text += "line " + std::to_string(i) + "\n";
    return text;
}

TEST(HistoryViewer, FortyFiveLinesPageTwentyAtATimeAndTheLastPageIsFull) {
    HistoryViewer v("Global History List", numberedLines(45));
    EXPECT_EQ(v.caption(), "Global History List");
    EXPECT_EQ(v.lineCount(), 45);
    EXPECT_EQ(v.find("Lines:")->text, "1 to 20 of 45");
    EXPECT_TRUE(v.find("Next")->enabled);
    v.press("Next");
    EXPECT_EQ(v.find("Lines:")->text, "21 to 40 of 45");
    v.press("Next");
    EXPECT_EQ(v.find("Lines:")->text, "26 to 45 of 45");
    EXPECT_EQ(v.shownText().substr(0, 7), "line 26");
    v.press("Next");
    EXPECT_EQ(v.find("Lines:")->text, "26 to 45 of 45");
    v.press("Previous");
    EXPECT_EQ(v.find("Lines:")->text, "6 to 25 of 45");
    v.press("Previous");
    EXPECT_EQ(v.find("Lines:")->text, "1 to 20 of 45");
    EXPECT_FALSE(v.press("Previous"));  // paging never closes the viewer
    EXPECT_TRUE(v.press("Cancel"));
}

TEST(HistoryViewer, SpinControlPagesLikeTheButtons) {
    HistoryViewer v("a.tif", numberedLines(45));
    v.setValue("Page", 2);
    EXPECT_EQ(v.find("Lines:")->text, "21 to 40 of 45");
    EXPECT_EQ(v.find("Page")->value, 21);
    v.setValue("Page", 20);
    EXPECT_EQ(v.find("Lines:")->text, "1 to 20 of 45");
}

TEST(HistoryViewer, ShortHistoriesShowEverythingWithPagingDisabled) {
    HistoryViewer v("a.tif", numberedLines(20));
    EXPECT_EQ(v.find("Lines:")->text, "1 to 20 of 20");
    EXPECT_FALSE(v.find("Previous")->enabled);
    EXPECT_FALSE(v.find("Next")->enabled);
    HistoryViewer empty("b.tif", "");
    EXPECT_EQ(empty.find("Lines:")->text, "0 to 0 of 0");
    HistoryViewer unterminated("c.tif", "one\ntwo");
    EXPECT_EQ(unterminated.lineCount(), 2);
    EXPECT_EQ(unterminated.shownText(), "one\ntwo");
}

TEST(HistoryViewer, VeryLongHistoriesShowTheirLatestLines) {
    HistoryViewer v("Global History List", numberedLines(1000));
    EXPECT_EQ(v.lineCount(), 256);
    for (int i = 0; i < 20; ++i) v.next();
    EXPECT_EQ(v.find("Lines:")->text, "237 to 256 of 256");
    EXPECT_NE(v.shownText().find("line 1000"), std::string::npos);
}
