#pragma once
// Toolkit commands headless: scripted picks and dialogs, images filled from
// a function of (column, row), a program folder of the test's own.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/command_table.h"
#include "imagestore/history.h"
#include "imagestore/image_interface.h"
#include "imagestore/window_list.h"
#include "platform/headless_ui.h"

namespace orvex::testing {

class ToolkitTest : public ::testing::Test {
protected:
    platform::HeadlessUi ui;
    platform::Ui* previous = nullptr;
    std::filesystem::path dir;
    std::string savedFolder;

    void SetUp() override {
        previous = platform::setUi(&ui);
        windowList().Reset();
        ResetGlobalHistory();
        app::commandTable().clear();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() /
              (std::string("orvex_toolkit_") + info->test_suite_name() + "_" + info->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        savedFolder = app::application().programFolder;
        app::application().programFolder = dir.string();
    }
    void TearDown() override {
        app::application().programFolder = savedFolder;
        app::commandTable().clear();
        windowList().Reset();
        platform::setUi(previous);
        std::filesystem::remove_all(dir);
    }

    /// The windows made since `before` (by image number).
    static std::vector<ImageHandle> newWindows(int before) {
        std::vector<ImageHandle> out;
        for (int n = before + 1; n < before + 64; ++n)
            if (ImageHandle w = FindImageWindow(n)) out.push_back(w);
        return out;
    }
    std::string path(const std::string& file) const { return (dir / file).string(); }
    static std::string readFile(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    /// A new window whose pixel (column, row) holds value(column, row).
    static ImageHandle image(int width, int height, int depth, const std::function<int(int, int)>& value) {
        ImageHandle w = CreateImage(width, height, PaletteCustom, true, depth);
        std::vector<uint16_t> row(static_cast<size_t>(width));
        std::vector<uint8_t> row8(static_cast<size_t>(width));
        for (int r = 0; r < height; ++r) {
            for (int c = 0; c < width; ++c) {
                row[c] = static_cast<uint16_t>(value(c, r));
                row8[c] = static_cast<uint8_t>(value(c, r));
            }
            if (depth == 16) WriteLine16(w, r, row.data());
            else WriteLine8(w, r, row8.data());
        }
        windowList().SetActive(w);
        return w;
    }
    static std::vector<int> row(ImageHandle w, int r) {
        const int width = LiveImage(w)->Width();
        std::vector<int> out(static_cast<size_t>(width));
        if (LiveImage(w)->Depth() == 16) {
            std::vector<uint16_t> b(static_cast<size_t>(width));
            ReadLine16(w, r, b.data());
            for (int c = 0; c < width; ++c) out[c] = b[c];
        } else {
            std::vector<uint8_t> b(static_cast<size_t>(width));
            ReadLine8(w, r, b.data());
            for (int c = 0; c < width; ++c) out[c] = b[c];
        }
        return out;
    }
    static std::vector<uint32_t> palette(ImageHandle w) {
        std::vector<uint32_t> p;
        GetPalette(w, p);
        return p;
    }
    static std::string name(ImageHandle w) {
        ImageSummary s;
        GetImageSummary(w, s);
        return s.name;
    }
    void pick(ImageHandle w) {
        ui.queue(platform::ImagePickEvent{platform::ImagePickEvent::Kind::Picked, w.number, 0, 0});
    }
    void dialog(std::vector<platform::DialogStep> steps) {
        ui.queue(platform::DialogScript{std::move(steps), {}});
    }
    static platform::DialogStep setText(const std::string& label, const std::string& text) {
        return {platform::DialogStep::Op::SetText, label, text, 0};
    }
    static platform::DialogStep setValue(const std::string& label, int value) {
        return {platform::DialogStep::Op::SetValue, label, "", value};
    }
    static platform::DialogStep choose(const std::string& label) {
        return {platform::DialogStep::Op::Choose, label, "", 0};
    }
    static platform::DialogStep press(const std::string& label) {
        return {platform::DialogStep::Op::Press, label, "", 0};
    }
    /// The last operation starting with `first` in the global history: its first
    /// line (without the time) and the indented or "--" lines after it.
    static std::vector<std::string> historyLines(const std::string& first) {
        std::vector<std::string> lines;
        const std::string& text = GlobalHistoryText();
        size_t at = text.rfind(first);
        if (at == std::string::npos) return lines;
        size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, first.size()));
        for (at = end + 1; at < text.size(); at = end + 1) {
            end = text.find('\n', at);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(at, end - at);
            if (line.rfind("  ", 0) != 0 && line.rfind("--", 0) != 0) break;
            lines.push_back(line);
        }
        return lines;
    }
};

}  // namespace orvex::testing
