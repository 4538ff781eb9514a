#include <gtest/gtest.h>

#include "app/display_mapping.h"

using namespace orvex::app;

TEST(DisplayMapping, RealAndWindowCoordinatesMeetAtPixelCentres) {
    DisplayMapping m;
    // A 100 x 50 image registered from (1000, 2000) bottom-left to (1099, 2049) top-right.
    m.setFromCorners(1000, 2049, 1099, 2000, 100, 50);
    WindowPoint bottomLeft = m.realToWindow({1000, 2000});
    EXPECT_DOUBLE_EQ(bottomLeft.x, 0.5);
    EXPECT_DOUBLE_EQ(bottomLeft.y, 49.5);
    RealPoint back = m.windowToReal({99.5, 0.5});
    EXPECT_DOUBLE_EQ(back.x, 1099);
    EXPECT_DOUBLE_EQ(back.y, 2049);
    EXPECT_EQ(m.imageTarget().right, 100);

    m.setZoom(2);
    EXPECT_EQ(m.zoomPercent(), 200);
    EXPECT_DOUBLE_EQ(m.realToWindowLengthX(10), 20);
    m.mirrorHorizontal = true;
    m.scrollTo(0, 0);
    WindowPoint mirrored = m.realToWindow({1000, 2000});
    EXPECT_DOUBLE_EQ(mirrored.x, 199);
    orvex::platform::Rect target = m.imageTarget();
    EXPECT_EQ(target.left, 200);
    EXPECT_EQ(target.width(), -200);
    RealPoint round = m.windowToReal(m.realToWindow({1042.5, 2010}));
    EXPECT_NEAR(round.x, 1042.5, 1e-9);
    EXPECT_NEAR(round.y, 2010, 1e-9);
}

TEST(DisplayMapping, ZoomCommandsStayInRangeAndExtentsFitsTheView) {
    DisplayMapping m;
    m.setFromCorners(0, 399, 799, 0, 800, 400);
    m.setViewSize(400, 400);
    m.extents();
    EXPECT_DOUBLE_EQ(m.zoom(), 0.5);
    m.zoomToPixels(100, 100, 199, 149);  // 100 x 50 pixels into 400 x 400
    EXPECT_DOUBLE_EQ(m.zoom(), 4);
    EXPECT_EQ(m.scrollX(), 400);
    EXPECT_EQ(m.scrollY(), 400);
    for (int i = 0; i < 20; ++i) m.zoomOut();
    EXPECT_DOUBLE_EQ(m.zoom(), DisplayMapping::kMinZoom);
    m.setZoom(1000);
    EXPECT_DOUBLE_EQ(m.zoom(), DisplayMapping::kMaxZoom);
    m.setZoom(-1);
    EXPECT_DOUBLE_EQ(m.zoom(), DisplayMapping::kMaxZoom);
    DisplayMapping unknownView;
    unknownView.setFromCorners(0, 9, 9, 0, 10, 10);
    unknownView.setZoom(3);
    unknownView.extents();
    EXPECT_DOUBLE_EQ(unknownView.zoom(), 1);
}
