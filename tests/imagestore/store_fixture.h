#pragma once
// Puts the image store, the window list, the registry and the history back to
// their start-up state around each test, with a headless Ui and a test clock.
#include <gtest/gtest.h>

#include "imagestore/history.h"
#include "imagestore/image.h"
#include "imagestore/image_info.h"
#include "imagestore/image_window_events.h"
#include "imagestore/window_list.h"
#include "platform/clock.h"
#include "platform/headless_ui.h"

namespace orvex {

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setUi(&ui);
        platform::setClock(&clock);
        ResetAll();
    }
    void TearDown() override {
        ResetAll();
        platform::setUi(nullptr);
        platform::setClock(nullptr);
    }
    static void ResetAll() {
        windowList().Reset();
        OV_Info_Reset();
        imageWindowEventHooks() = ImageWindowEventHooks{};
        ResetGlobalHistory();
        Image::SetMaxStripBytes(0);
    }

    platform::HeadlessUi ui;
    platform::TestClock clock;
};

}  // namespace orvex
