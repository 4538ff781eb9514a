#pragma once
// Image windows on the headless platform, for the histogram and mask tests:
// clean window list, registry, history and traceback table, and a scripted Ui.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/command_table.h"
#include "imagestore/history.h"
#include "imagestore/image_info.h"
#include "imagestore/image_interface.h"
#include "imagestore/orvex_view.h"
#include "imagestore/window_list.h"
#include "platform/headless_ui.h"
#include "processing/histogram2d.h"

namespace orvex::testing {

class HistogramTest : public ::testing::Test {
public:
    void SetUp() override {
        previous = platform::setUi(&ui);
        windowList().Reset();
        OV_Info_Reset();
        ResetGlobalHistory();
        ResetTracebackTable();
    }
    void TearDown() override {
        windowList().Reset();
        OV_Info_Reset();
        ResetTracebackTable();
        platform::setUi(previous);
    }

    /// An image whose pixel (c, r) is f(c, r).
    template <class F>
    ImageHandle image(int width, int height, int depth, F f) {
        ImageHandle w = CreateImage(width, height, PaletteGrey, true, depth);
        std::vector<uint16_t> row(static_cast<size_t>(width));
        for (int r = 0; r < height; ++r) {
            for (int c = 0; c < width; ++c) row[c] = static_cast<uint16_t>(f(c, r));
            if (depth == 16) {
                WriteLine16(w, r, row.data());
            } else {
                std::vector<uint8_t> bytes(row.begin(), row.end());
                WriteLine8(w, r, bytes.data());
            }
        }
        return w;
    }
    static int pixel(ImageHandle w, int c, int r) { return LiveImage(w) ? LiveImage(w)->GetPixel(c, r) : -1; }
    static std::vector<int> rowOf(ImageHandle w, int r) {
        std::vector<int> out;
        for (int c = 0; LiveImage(w) && c < LiveImage(w)->Width(); ++c) out.push_back(pixel(w, c, r));
        return out;
    }
    void pick(ImageHandle w, double column = 0, double row = 0) {
        ui.queue(platform::ImagePickEvent{platform::ImagePickEvent::Kind::Picked, w.number, column, row});
    }
    static std::string name(ImageHandle w) { return LiveView(w) ? LiveView(w)->name : "<closed>"; }
    static std::string history(ImageHandle w) { return LiveView(w) ? LiveView(w)->history : ""; }

    platform::HeadlessUi ui;
    platform::Ui* previous = nullptr;
};

}  // namespace orvex::testing
