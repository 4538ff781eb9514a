// Recording macros and running them over many files, as a user runs
// orvex-cli: every command of the menus is recorded, the recording replays to
// the same messages and files, and --each runs a macro once per input.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Result {
    int status = -1;
    std::string out, err;
};

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Root() {
    return (fs::temp_directory_path() / ("orvex_record_" + std::to_string(::getpid()))).string();
}

Result CliIn(const std::string& folder, const std::string& arguments) {
    const std::string errPath = folder + "/.stderr";
    // Each folder is also the program's own: its profile and kept files stay there.
    const std::string command = "cd '" + folder + "' && ORVEX_PROGRAM_FOLDER='" + folder + "' " +
                                std::string(ORVEX_BIN_DIR) + "/orvex-cli " + arguments + " 2>" + errPath;
    Result result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.out.append(buffer, got);
    const int rc = ::pclose(pipe);
    result.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    result.err = Slurp(errPath);
    return result;
}

std::string Data(const std::string& name) { return std::string(ORVEX_TEST_DATA) + "/formats/" + name; }

// A folder with the images the macros open and an empty "out".
std::string Workspace(const std::string& name) {
    const fs::path dir = fs::path(Root()) / name;
    fs::remove_all(dir);
    fs::create_directories(dir / "data");
    fs::create_directories(dir / "out");
    fs::copy_file(Data("pillow-grey8.tif"), dir / "data/grain.tif");
    fs::copy_file(Data("pillow-grey8.bmp"), dir / "data/map.bmp");
    fs::copy_file(Data("tiffcp-strips3.tif"), dir / "data/strips.tif");
    fs::copy_file(Data("pillow-grey8.bmp"), dir / "data/map2.bmp");
    fs::copy_file(Data("pillow-grey16-big-endian.tif"), dir / "data/deep.tif");
    return dir.string();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A recorded macro without its first line (the date and the version).
std::string Body(const std::string& recording) {
    const size_t end = recording.find('\n');
    EXPECT_EQ(recording.rfind("# recorded ", 0), 0u) << recording;
    EXPECT_NE(recording.find("by Orvex 4.0\n"), std::string::npos) << recording;
    return end == std::string::npos ? std::string() : recording.substr(end + 1);
}

// The messages a run showed ("caption: text"), without the reports about the
// macro itself ("MACRO:LINE: ...") and the start-up's reports of a missing
// initialization file, which name no folder of the run.
std::vector<std::string> Messages(const std::string& err) {
    std::vector<std::string> shown;
    for (const auto& line : Lines(err)) {
        if (line.find(".txt:") != std::string::npos) continue;
        shown.push_back(line);
    }
    return shown;
}

// File contents with the date and time texts they carry masked.
std::string Timeless(std::string bytes) {
    static const std::regex kTime("[0-9]{1,2}:[0-9]{2}:[0-9]{2}|[0-9]{4}[:/-][0-9]{2}[:/-][0-9]{2}");
    return std::regex_replace(bytes, kTime, "<time>");
}

std::map<std::string, std::string> OutFiles(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(fs::path(dir) / "out"))
        files[e.path().filename().string()] = Timeless(Slurp(e.path()));
    return files;
}

// One row: what comes before the command, the answers it gets, and what the
// recording must hold for it.
struct Row {
    std::string path;      // as `commands` lists it, without "&"
    std::string before;    // windows and state the command works on
    std::string answers;   // queued before the command
    std::string recorded;  // the line the recording has for it (default: "menu PATH")
    std::string after = "save out/after.tif\n";
};

const std::string kTwo = "open data/grain.tif\nopen data/map.bmp\n";

std::vector<Row> Rows() {
    const std::string ok = "dialog press OK\n";
    return {
        {"File > Open...", "", "file data/grain.tif\n", "open data/grain.tif"},
        {"File > Open...", "", "file data/map.bmp 2\n", "open data/map.bmp"},
        {"File > Open...", "", "file data/map.bmp 3\n", "open data/map.bmp as bmp24", ""},
        {"File > Close", kTwo, "", "close"},
        {"File > Close All", kTwo, "", "close all", ""},
        {"File > Save", kTwo, "", "save"},
        {"File > Save", kTwo + "menu Basic > Duplicate\n", "file out/saved.bmp\n", "save out/saved.bmp"},
        {"File > Save As...", kTwo, "file out/as.bmp\n", "save out/as.bmp"},
        {"File > Save As...", kTwo, "file out/named.tif 1\n", "file out/named.tif 1"},
        {"File > Save History", kTwo, "file out/history.txt\n", "", ""},
        {"File > Recent File 1", kTwo + "open data/strips.tif\nopen data/map2.bmp\n", "", "open data/map2.bmp"},
        {"File > Recent File 2", kTwo + "open data/strips.tif\nopen data/map2.bmp\n", ""},
        {"File > Recent File 3", kTwo + "open data/strips.tif\nopen data/map2.bmp\n", "", "open data/map.bmp"},
        {"File > Recent File 4", kTwo + "open data/strips.tif\nopen data/map2.bmp\n", ""},
        {"File > Exit", kTwo, "", "", ""},
        {"Basic > Duplicate", kTwo, ""},
        {"Basic > Crop", kTwo, "rect 2 1 5 4\n"},
        {"Basic > Rotate/Flip", kTwo, ok},
        {"Basic > Statistics", kTwo, ok},
        {"Basic > Contrast Enhancement > Histogram Equalization", kTwo, ok},
        {"Basic > Contrast Enhancement > Linear Stretch", kTwo, ok},
        {"Basic > Contrast Enhancement > Set Gray Scale", kTwo, ""},
        {"Basic > Contrast Enhancement > Set Color Scale", kTwo, ""},
        {"Basic > Contrast Enhancement > Brightness/Contrast", kTwo, ok},
        {"Basic > Contrast Enhancement > Optimize Palette", kTwo, "cancel\n", "dialog press Cancel\nmenu Basic > Contrast Enhancement > Optimize Palette"},
        {"Basic > Contrast Enhancement > Negate Palette", kTwo, ""},
        {"Basic > Contrast Enhancement > Stretch Palette", kTwo, "pick 1\npick ok\n"},
        {"Basic > Contrast Enhancement > Unstretch Palette", kTwo, "pick 1\npick ok\n"},
        {"Basic > Display Palette", kTwo, ""},
        {"Basic > Normalize(16->8)", "open data/deep.tif\n", ""},
        {"Basic > False Color", kTwo, ok},
        {"Advanced > Burn In", kTwo, ""},
        {"Advanced > Modify Image > Formula", kTwo, "dialog set Formula: = A*2; press OK\npick 1\n"},
        {"Advanced > Modify Image > Make mask", kTwo, "pick 1 3 3\n"},
        {"Advanced > Modify Image > Mask Image", kTwo, "pick 1\npick 2\n"},
        {"Advanced > Histogram-1d", kTwo, "pick 1\n"},
        {"Advanced > Histogram-2d > Calculate", kTwo, "pick 1\npick 2\n"},
        {"Advanced > Histogram-2d > Kill pixel", kTwo, "pick 1 2 2\n"},
        {"Advanced > Histogram-2d > Traceback", kTwo, ""},
        {"Advanced > Special Effects > Negate Data", kTwo, ""},
        {"Advanced > Composite", kTwo, "pick 1\npick 2\npick 1\n"},
        {"Advanced > Modify Image > Resize", kTwo, ok},
        {"Advanced > Concatenate Images > Mosaic", kTwo, "pick 1\npick 2\npick ok\n"},
        {"Advanced > Concatenate Images > Pave", kTwo, "pick 1\npick 2\npick ok\n"},
        {"Advanced > Concatenate Images > Combine", kTwo, "pick 1\npick 2\n"},
        {"Advanced > Modify Image > Convolution", kTwo, ok},
        {"Advanced > Modify Image > Filter", kTwo, ok},
        {"Advanced > Special Effects > Erode", kTwo, ""},
        {"Advanced > Special Effects > Dilate", kTwo, ""},
        {"Advanced > Special Effects > Median", kTwo, ""},
        {"Advanced > Classify", kTwo, "pick 1\npick 2\npick ok\n"},
        {"Advanced > Rectification", kTwo, ok},
        {"Acquire > Single", "", ""},
        {"Acquire > Continuous", "", "passes 2\n", "passes 2\nmenu Acquire > Continuous"},
        {"Acquire > Average", "", ""},
        {"Setup > Analog Inputs...", kTwo, ok},
        {"Setup > Digital Inputs...", kTwo, ok},
        {"Setup > Counter Inputs...", kTwo, ok},
        {"Setup > Magnification...", kTwo, ok},
        {"Setup > Stage Scan Setup...", kTwo, ok},
        {"Setup > Image Size...", kTwo, ok},
        {"Setup > Scan Type...", kTwo, ok},
        {"Setup > Scale Bar Setup...", kTwo, ok},
        {"Setup > Palette Bar Setup...", kTwo, ok},
        {"Setup > Save Setup...", kTwo, "file out/setup.stp\n", "", ""},
        {"Setup > Load Setup...", kTwo, "file data/setup.stp\n"},
        {"Setup > Faraday Setup...", kTwo, ok},
        {"Modes > Pixel Snap", kTwo, "pick 1 4 4\n"},
        {"Modes > Stage Snap", kTwo, "pick 1 4 4\n"},
        {"Modes > Release Beam", kTwo, ""},
        {"Modes > Center", kTwo, ""},
        {"Window > Zoom > In", kTwo, "rect 1 1 6 6\n"},
        {"Window > Zoom > Out", kTwo, ""},
        {"Window > Zoom > Extents", kTwo, ""},
        {"Window > Zoom > Set...", kTwo, "dialog choose 200%; press OK\n"},
        {"Window > Mirror Left-Right", kTwo, ""},
        {"Window > Mirror Top-Bottom", kTwo, ""},
        {"Window > Properties...", kTwo, "dialog set Author: = me; set Description: = a map\\nof grains; press OK\n"},
        {"Window > History...", kTwo, "dialog press Cancel\n"},
        {"Window > Global History...", kTwo, ""},
        {"Help > About Orvex...", kTwo, "answer ok\n"},
    };
}

// Runs the row's macro with --record, replays the recording with --record
// in a fresh workspace, and compares: same messages, same files, the replay
// asks nothing unanswered, and its recording is the recording again.
void RecordAndReplay(const Row& row, int index) {
    SCOPED_TRACE("row " + std::to_string(index) + ": " + row.path);
    const std::string first = Workspace("first" + std::to_string(index));
    const std::string second = Workspace("second" + std::to_string(index));
    // Load Setup reads what Save Setup wrote.
    std::ofstream(first + "/data/setup.stp") << "";
    std::ofstream(second + "/data/setup.stp") << "";
    const std::string macro = row.before + row.answers + "menu " + row.path + "\n" + row.after;
    std::ofstream(first + "/m.txt") << macro;
    Result one = CliIn(first, "run --record rec.txt m.txt");
    ASSERT_EQ(one.status, 0) << macro << one.err;
    const std::string recording = Slurp(first + "/rec.txt");
    const std::string body = Body(recording);
    const std::string expected = row.recorded.empty() ? "menu " + row.path : row.recorded;
    EXPECT_NE(("\n" + body).find("\n" + expected + "\n"), std::string::npos) << body;

    fs::copy_file(first + "/rec.txt", second + "/rec.txt");
    Result two = CliIn(second, "run --record rec2.txt rec.txt");
    ASSERT_EQ(two.status, 0) << body << two.err;
    EXPECT_EQ(two.err.find("not answered"), std::string::npos) << body << two.err;
    EXPECT_EQ(two.err.find("not used"), std::string::npos) << body << two.err;
    EXPECT_EQ(Messages(one.err), Messages(two.err)) << body;
    EXPECT_EQ(one.out, two.out);
    EXPECT_EQ(Body(Slurp(second + "/rec2.txt")), body) << "a recording replays to itself";
    EXPECT_EQ(OutFiles(first), OutFiles(second)) << body;
}

}  // namespace

TEST(MacroRecording, EveryMenuCommandIsRecordedAndReplays) {
    const std::vector<Row> rows = Rows();
    for (size_t i = 0; i < rows.size(); ++i) RecordAndReplay(rows[i], static_cast<int>(i));

    // Every command the macros can run has its row (Finish is covered by the
    // pass count of Continuous; Halt cannot be pressed without windows; the
    // macro commands themselves are not recorded, they are tried below).
    const std::string dir = Workspace("list");
    std::ofstream(dir + "/list.txt") << "commands\n";
    Result list = CliIn(dir, "run list.txt");
    ASSERT_EQ(list.status, 0) << list.err;
    std::set<std::string> covered;
    for (const Row& row : rows) covered.insert(row.path);
    for (std::string path : Lines(list.out)) {
        path = std::regex_replace(path, std::regex(" \\((disabled|checked)\\)"), "");
        std::string plain;
        for (size_t i = 0; i < path.size(); ++i)
            if (path[i] != '&' || (i + 1 < path.size() && path[i + 1] == ' ')) plain += path[i];
        if (plain == "Acquire > Finish" || plain == "Acquire > Halt") continue;
        if (plain == "File > Save Macro..." || plain == "File > Clear Macro") continue;  // below
        EXPECT_TRUE(covered.count(plain)) << "no row for " << plain;
    }
}

TEST(MacroRecording, EachRunsTheMacroOncePerFile) {
    const std::string dir = Workspace("each");
    std::ofstream(dir + "/data/broken.tif") << "not an image at all";
    std::ofstream(dir + "/batch.txt") << "open ${file}\n"
                                         "rect 1 1 6 6\n"
                                         "menu Basic > Crop\n"
                                         "menu Advanced > Special Effects > Median\n"
                                         "save out/${name}-small.tif\n"
                                         "echo ${dir}/${name}\n";
    Result r = CliIn(dir, "run batch.txt --each data/grain.tif data/broken.tif data/strips.tif");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(fs::exists(dir + "/out/grain-small.tif"));
    EXPECT_TRUE(fs::exists(dir + "/out/strips-small.tif"));
    EXPECT_FALSE(fs::exists(dir + "/out/broken-small.tif"));
    const auto out = Lines(r.out);
    ASSERT_EQ(out.size(), 4u) << r.out;
    EXPECT_EQ(out[0], "data/grain");
    EXPECT_EQ(out[1], "data/strips");
    EXPECT_EQ(out[2].rfind("failed: data/broken.tif: batch.txt:1: the input data/broken.tif did not open", 0), 0u)
        << out[2];
    EXPECT_EQ(out[3], "2 passed, 1 failed");
    EXPECT_EQ(r.err.find("[1/3]"), std::string::npos) << "no progress when stderr is no terminal";

    // Each run starts afresh: the same macro gives the same file from the same input.
    Result again = CliIn(dir, "run batch.txt --each data/grain.tif data/grain.tif");
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(Lines(again.out).back(), "2 passed, 0 failed");

    EXPECT_EQ(CliIn(dir, "run --each batch.txt").status, 2);
    EXPECT_EQ(CliIn(dir, "run --record r.txt batch.txt --each data/grain.tif").status, 2);
}

TEST(MacroRecording, RecordNormalisesAHandWrittenMacro) {
    const std::string dir = Workspace("normal");
    std::ofstream(dir + "/m.txt") << "# a hand-written macro\n"
                                     "OPEN data/grain.tif\n"
                                     "Rectangle 2 1 5 4\n"
                                     "menu basic > crop\n"
                                     "values 2\n"
                                     "menu window > zoom > set...\n"
                                     "activate 1\n"
                                     "menu Window > Mirror Left-Right\n"
                                     "menu Window > Mirror Left-Right\n"
                                     "save out/g.tif\n"
                                     "answer no\n"
                                     "close 2\n";
    Result r = CliIn(dir, "run --record rec.txt m.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Body(Slurp(dir + "/rec.txt")),
              "open data/grain.tif\n"
              "rect 2 1 5 4\n"
              "menu Basic > Crop\n"
              "dialog set Percent = 2; press OK\n"
              "menu Window > Zoom > Set...\n"
              "activate 1\n"
              "menu Window > Mirror Left-Right\n"
              "menu Window > Mirror Left-Right\n"
              "save out/g.tif\n"
              "answer no\n"
              "close 2\n");
}

// "Save Macro..." writes what was recorded so far, "Clear Macro" starts afresh;
// neither is part of the recording.
TEST(MacroRecording, SaveMacroAndClearMacro) {
    const std::string dir = Workspace("savemacro");
    std::ofstream(dir + "/m.txt") << "open data/grain.tif\n"
                                     "menu Advanced > Special Effects > Median\n"
                                     "file out/so-far.txt\n"
                                     "menu File > Save Macro...\n"
                                     "menu File > Clear Macro\n"
                                     "menu Basic > Duplicate\n"
                                     "file out/nowhere/x.txt\n"
                                     "menu File > Save Macro...\n"
                                     "expect Save Macro: Unable to write the macro to out/nowhere/x.txt\n";
    Result r = CliIn(dir, "run --record rec.txt m.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Body(Slurp(dir + "/out/so-far.txt")), "open data/grain.tif\nmenu Advanced > Special Effects > Median\n");
    EXPECT_EQ(Body(Slurp(dir + "/rec.txt")), "menu Basic > Duplicate\n");

    // The saved macro runs again.
    Result again = CliIn(dir, "run out/so-far.txt");
    EXPECT_EQ(again.status, 0) << again.err;
}

// The batch example of the documentation runs as it is written.
TEST(MacroRecording, TheDocumentedBatchExampleRuns) {
    const std::string text = Slurp(std::string(ORVEX_TEST_DATA) + "/../../docs/macros.md");
    const size_t batch = text.find("## Batch runs");
    ASSERT_NE(batch, std::string::npos);
    const size_t at = text.find("```\n", batch);
    ASSERT_NE(at, std::string::npos);
    const std::string macro = text.substr(at + 4, text.find("```", at + 4) - at - 4);
    const std::string dir = Workspace("batchdoc");
    std::ofstream(dir + "/stretch.txt") << macro;
    Result r = CliIn(dir, "run stretch.txt --each data/grain.tif data/strips.tif");
    EXPECT_EQ(r.status, 0) << macro << r.err;
    EXPECT_EQ(r.out, "2 passed, 0 failed\n");
    EXPECT_TRUE(fs::exists(dir + "/out/grain-stretched.tif"));
    EXPECT_TRUE(fs::exists(dir + "/out/strips-stretched.tif"));
}
