#pragma once
// Headless image windows for the geometry, filter and statistics commands:
// scripted answers, a still clock, an empty command table and history, and
// images filled with seeded random values.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "app/command_table.h"
#include "imagestore/history.h"
#include "imagestore/image_interface.h"
#include "imagestore/orvex_view.h"
#include "imagestore/window_list.h"
#include "platform/clock.h"
#include "processing/geometry.h"
#include "platform/headless_ui.h"

namespace orvex::testing {

class ProcessingTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousUi = platform::setUi(&ui);
        platform::setClock(&clock);
        windowList().Reset();
        ResetGlobalHistory();
        app::commandTable().clear();
    }
    void TearDown() override {
        app::commandTable().clear();
        windowList().Reset();
        platform::setClock(nullptr);
        platform::setUi(previousUi);
    }

    /// An active image window of random values below `limit` (0: the depth's full range).
    ImageHandle randomImage(int width, int height, int depth, unsigned limit = 0) {
        const ImageHandle w = CreateImage(width, height, PaletteCustom, true, depth);
        const unsigned top = limit ? limit : (depth == 16 ? 65536u : 256u);
        std::uniform_int_distribution<unsigned> value(0, top - 1);
        if (depth == 16) {
            std::vector<uint16_t> row(static_cast<size_t>(width));
            for (int r = 0; r < height; ++r) {
                for (auto& v : row) v = static_cast<uint16_t>(value(random));
                WriteLine16(w, r, row.data());
            }
        } else {
            std::vector<uint8_t> row(static_cast<size_t>(width));
            for (int r = 0; r < height; ++r) {
                for (auto& v : row) v = static_cast<uint8_t>(value(random));
                WriteLine8(w, r, row.data());
            }
        }
        windowList().SetActive(w);
        return w;
    }
    /// An active 8-bit window holding the rows given.
    ImageHandle imageOf(const std::vector<std::vector<int>>& rows, int depth = 8) {
        const int width = static_cast<int>(rows[0].size()), height = static_cast<int>(rows.size());
        const ImageHandle w = CreateImage(width, height, PaletteCustom, true, depth);
        for (int r = 0; r < height; ++r) {
            std::vector<uint16_t> line(rows[r].begin(), rows[r].end());
            if (depth == 16) {
                WriteLine16(w, r, line.data());
            } else {
                std::vector<uint8_t> narrow(line.begin(), line.end());
                WriteLine8(w, r, narrow.data());
            }
        }
        windowList().SetActive(w);
        return w;
    }
    static int pixel(ImageHandle w, int column, int row) { return LiveImage(w)->GetPixel(column, row); }
    static std::vector<int> row(ImageHandle w, int r) {
        std::vector<int> out;
        for (int c = 0; c < LiveImage(w)->Width(); ++c) out.push_back(pixel(w, c, r));
        return out;
    }
    /// The lines of the window's history, the time text cut off the lines that carry it.
    static std::vector<std::string> historyLines(ImageHandle w) {
        std::string text = LiveView(w)->history;
        for (size_t at; (at = text.find(TimeText())) != std::string::npos;) text.replace(at, TimeText().size(), "\n");
        std::vector<std::string> lines;
        for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
            lines.push_back(text.substr(at, end - at));
        return lines;
    }
    static platform::DialogScript script(std::vector<platform::DialogStep> steps) {
        platform::DialogScript s;
        s.steps = std::move(steps);
        return s;
    }
    static platform::DialogStep choose(const std::string& label) {
        return {platform::DialogStep::Op::Choose, label, "", 0};
    }
    static platform::DialogStep press(const std::string& label) {
        return {platform::DialogStep::Op::Press, label, "", 0};
    }
    static platform::DialogStep setText(const std::string& label, const std::string& text) {
        return {platform::DialogStep::Op::SetText, label, text, 0};
    }
    static platform::DialogStep setValue(const std::string& label, int value) {
        return {platform::DialogStep::Op::SetValue, label, "", value};
    }

    /// The table of the turns and flips: the source pixel that result pixel
    /// (c, r) takes, for a source of w x h.
    static void sourcePixel(RotateFlip choice, int w, int h, int c, int r, int& column, int& row) {
        switch (choice) {
            case RotateFlip::Clockwise90: column = r; row = h - 1 - c; break;
            case RotateFlip::Half: column = w - 1 - c; row = h - 1 - r; break;
            case RotateFlip::CounterClockwise90: column = w - 1 - r; row = c; break;
            case RotateFlip::TopToBottom: column = c; row = h - 1 - r; break;
            case RotateFlip::LeftToRight: column = w - 1 - c; row = r; break;
        }
    }

    platform::HeadlessUi ui;
    platform::Ui* previousUi = nullptr;
    platform::TestClock clock;
    std::mt19937 random{20261208};
};

}  // namespace orvex::testing
