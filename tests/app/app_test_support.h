#pragma once
// A fresh application for each test: headless answers, a clock that stands
// still, and a folder of its own for the profile, the image data and the
// history files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/application.h"
#include "app/palette_bar.h"
#include "app/scale_bar.h"
#include "config/software_settings.h"
#include "imagestore/history.h"
#include "imagestore/image_info.h"
#include "imagestore/image_interface.h"
#include "imagestore/image_window_events.h"
#include "imagestore/orvex_view.h"
#include "imagestore/window_list.h"
#include "platform/clock.h"
#include "platform/headless_ui.h"

namespace orvex::testing {

class AppTest : public ::testing::Test {
protected:
    platform::HeadlessUi ui;
    platform::TestClock clock;
    std::filesystem::path dir;
    std::vector<std::string> steps;  // the lifecycle steps in the order they ran

    void SetUp() override {
        platform::setUi(&ui);
        platform::setClock(&clock);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() /
              (std::string("orvex_app_") + info->test_suite_name() + "_" + info->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        windowList().Reset();
        ResetGlobalHistory();
        OV_Info_Reset();
        imageWindowEventHooks() = ImageWindowEventHooks{};
        resetSoftwareSettings();
        softwareSettings().imageDataDirectory = (dir / "ImageData").string();
        app::application().reset();
        app::palfile().reset();
        app::scaleBar().reset();
        auto& s = app::application().steps;
        s.locateIni = [this] { steps.push_back("locate"); return true; };
        s.prepareTables = [this] { steps.push_back("tables"); };
        s.loadSettings = [this] { steps.push_back("settings"); };
        s.initializeLists = [this] { steps.push_back("lists"); };
        s.initializeHardware = [this] { steps.push_back("hardware"); };
        s.startUp = [this] { steps.push_back("startup"); };
        s.saveSettingsOnExit = [this] { steps.push_back("save settings"); };
        s.shutDownInstrument = [this] { steps.push_back("shutdown"); };
    }

    void TearDown() override {
        windowList().Reset();
        imageWindowEventHooks() = ImageWindowEventHooks{};
        app::application().reset();
        platform::setUi(nullptr);
        platform::setClock(nullptr);
        std::filesystem::remove_all(dir);
    }

    void start() { app::application().Start(dir.string()); }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    static std::string readFile(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    static std::vector<std::string> lines(const std::string& text) {
        std::vector<std::string> out;
        std::stringstream s(text);
        for (std::string line; std::getline(s, line);) out.push_back(line);
        return out;
    }

    /// Whether this build can write TIFF files yet (the writer lives in formats/).
    bool canSaveTiff() {
        Image probe;
        probe.Allocate(4, 4, 8);
        return probe.Save(path("probe.tif"), ImageFileTiff) != 0;
    }

    /// Writes a value into a pixel so the image counts as modified.
    static void touch(ImageHandle w) {
        std::vector<uint8_t> row(static_cast<size_t>(LiveImage(w)->Width()), 7);
        WriteLine8(w, 0, row.data());
    }
};

}  // namespace orvex::testing
