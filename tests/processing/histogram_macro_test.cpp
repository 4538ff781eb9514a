// The histogram commands as a macro run by orvex-cli: a 2-D histogram of an
// image with itself, a traceback of one cell, the result saved and read back.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/file_formats.h"
#include "imagestore/image_interface.h"
#include "imagestore/window_list.h"

namespace orvex {
namespace {

TEST(HistogramMacro, TracebackOfOneCellFindsItsPixel) {
    const auto dir = std::filesystem::temp_directory_path() / ("orvex_hist_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string trace = (dir / "trace.TIF").string(), macro = (dir / "m.txt").string();
    {
        // Pixel (c, r) of the picture is 16 r + 3 c: all values differ, and
        // 19 lies only at (1, 1).
        std::ofstream m(macro);
        m << "open " << ORVEX_TEST_DATA << "/formats/pillow-grey8.tif\n"
          << "pick 1\nmenu Advanced > Histogram-1d\nexpect nothing\n"
          << "pick 1\npick 1\nmenu Advanced > Histogram-2d > Calculate\nexpect nothing\nexpect-windows 3\n"
          << "dialog set Left = 19; set Top = 236; set Right = 19; set Bottom = 236; press OK\n"
          << "menu Advanced > Histogram-2d > Traceback\nexpect-windows 4\n"
          << "save " << trace << "\nexpect nothing\n";
    }
    const std::string command = "cd " + dir.string() + " && ORVEX_PROGRAM_FOLDER=" + dir.string() + " " +
                                std::string(ORVEX_BIN_DIR) + "/orvex-cli run " + macro + " >/dev/null 2>" +
                                (dir / "err.txt").string();
    const int rc = std::system(command.c_str());
    std::ifstream errors(dir / "err.txt");
    const std::string err((std::istreambuf_iterator<char>(errors)), std::istreambuf_iterator<char>());
    ASSERT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 0) << err;

    windowList().Reset();
    app::InstallImageFileFormats();
    const ImageHandle w = ReadImageFile(trace, ImageFileTiff);
    ASSERT_TRUE(w);
    const Image& image = *LiveImage(w);
    ASSERT_EQ(image.Width(), 12);
    ASSERT_EQ(image.Height(), 10);
    int lit = 0;
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 12; ++c)
            if (image.GetPixel(c, r) == 255) lit += (c == 1 && r == 1) ? 1 : 100;
    EXPECT_EQ(lit, 1);
    windowList().Reset();
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace orvex
