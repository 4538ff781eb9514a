#pragma once
// A fresh folder per test, removed afterwards.
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace orvex::config {

class TempFolder {
public:
    TempFolder() {
        static std::atomic<int> serial{0};
        root_ = std::filesystem::temp_directory_path() /
                ("orvex-config-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_);
    }
    ~TempFolder() {
        std::error_code error;
        std::filesystem::remove_all(root_, error);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string root() const { return root_.string(); }
    std::string path(const std::string& name) const { return (root_ / name).string(); }
    std::string write(const std::string& name, const std::string& content) const {
        std::filesystem::create_directories((root_ / name).parent_path());
        std::ofstream(root_ / name, std::ios::binary) << content;
        return path(name);
    }
    std::string read(const std::string& name) const {
        std::ifstream in(root_ / name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::filesystem::path root_;
};

}  // namespace orvex::config
