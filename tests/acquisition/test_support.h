#pragma once
// Shared set-up of the acquisition tests: a headless Ui, a scratch folder and
// the single objects put back to their start-up state.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/headless_ui.h"

namespace orvex::testing {

/// A folder of its own under the system's temporary folder, removed afterwards.
class ScratchFolder {
  public:
    ScratchFolder() {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("orvex-acq-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    /// Writes a file and returns its path.
    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(file(name), std::ios::binary) << text;
        return file(name);
    }
    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

  private:
    std::filesystem::path path_;
};

/// Installs a HeadlessUi for the test's lifetime.
class UiScope {
  public:
    UiScope() { previous_ = platform::setUi(&ui); }
    ~UiScope() { platform::setUi(nullptr); }
    platform::HeadlessUi ui;

  private:
    platform::Ui* previous_ = nullptr;
};

}  // namespace orvex::testing
