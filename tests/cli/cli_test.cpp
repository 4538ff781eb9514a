// orvex-cli as a user runs it: a program on the command line, JSON on
// stdout, messages on stderr, exit status 0, 1 or 2.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Result {
    int status = -1;
    std::string out, err;
};

std::string TempDir() {
    auto dir = std::filesystem::temp_directory_path() / ("orvex_cli_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir.string();
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs orvex-cli, in `folder` when one is given.
Result Cli(const std::string& arguments, const std::string& folder = "") {
    const std::string errPath = TempDir() + "/stderr.txt";
    // The run keeps its profile file in a folder of its own, never beside the program.
    const std::string home = TempDir() + "/program";
    std::filesystem::create_directories(home);
    const std::string command = (folder.empty() ? "" : "cd '" + folder + "' && ") + "ORVEX_PROGRAM_FOLDER='" + home +
                                "' " + std::string(ORVEX_BIN_DIR) + "/orvex-cli " + arguments + " 2>" + errPath;
    Result result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, got);
    int rc = ::pclose(pipe);
    result.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    result.err = Slurp(errPath);
    return result;
}

std::string Data(const std::string& name) {
    return std::string(ORVEX_TEST_DATA) + "/formats/" + name;
}

// The text of one JSON field as printed ("key": value up to the line end).
std::string Field(const std::string& json, const std::string& key) {
    size_t at = json.find("\"" + key + "\": ");
    if (at == std::string::npos) return "<missing>";
    at += key.size() + 4;
    size_t end = json.find('\n', at);
    std::string value = json.substr(at, end - at);
    if (!value.empty() && value.back() == ',') value.pop_back();
    return value;
}

TEST(OrvexCli, InfoDescribesATiffOfAnotherProgram) {
    Result r = Cli(Data("pillow-palette8.tif"));
    EXPECT_EQ(r.status, 2) << "no command is bad usage";

    r = Cli("info " + Data("pillow-palette8.tif"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(Field(r.out, "width"), "12");
    EXPECT_EQ(Field(r.out, "height"), "10");
    EXPECT_EQ(Field(r.out, "depth"), "8");
    EXPECT_EQ(Field(r.out, "palette_count"), "256");
    EXPECT_EQ(Field(r.out, "palette_kind"), "4");
    EXPECT_EQ(Field(r.out, "registered"), "false");
    EXPECT_EQ(Field(r.out, "foreign_data_bytes"), "0");
    EXPECT_EQ(Field(r.out, "units"), "\"PERCENT\"");
    // Entries 0 and 1 are (0, 255, 0) and (1, 254, 0), as 0x00BBGGRR.
    EXPECT_EQ(Field(r.out, "palette").substr(0, 15), "[65280, 65025, ");
    EXPECT_EQ(r.out.find("\"pixels\""), std::string::npos);
    EXPECT_EQ(r.out.front(), '{');

    r = Cli("info --pixels --type tif " + Data("tiffcp-strips3.tif"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"pixels\": [\n    [0, 3, 6, 9, 12, 15, 18, 21, 24, 27, 30, 33],\n"
                         "    [16, 19,"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("[144, 147, 150, 153, 156, 159, 162, 165, 168, 171, 174, 177]\n  ]"),
              std::string::npos);
}

TEST(OrvexCli, InfoOfEveryTypeAndTheColourSplit) {
    Result r = Cli("info --type bmp24 --pixels " + Data("pillow-rgb24.bmp"));
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.out.front(), '[');
    // Red, green, blue: the red image first, with the red palette (kind 0).
    size_t first = r.out.find("\"palette_kind\": 0");
    size_t second = r.out.find("\"palette_kind\": 1");
    size_t third = r.out.find("\"palette_kind\": 2");
    ASSERT_NE(first, std::string::npos);
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);
    EXPECT_NE(r.out.find("[255, 252, 249,"), std::string::npos) << "green = 255 - pattern";

    r = Cli("info " + Data("pillow-palette8.pcx"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Field(r.out, "depth"), "8");
    r = Cli("info " + Data("pillow-bits.bmp"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Field(r.out, "depth"), "1");
    EXPECT_EQ(Field(r.out, "palette_count"), "2");
    r = Cli("info " + Data("gdal-pattern.grd"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Field(r.out, "depth"), "8");
    EXPECT_EQ(Field(r.out, "registered"), "true");
    EXPECT_EQ(Field(r.out, "high"), "177");
    r = Cli("info --type grd16 " + Data("gdal-pattern.grd"));
    EXPECT_EQ(Field(r.out, "depth"), "16");
    r = Cli("info --type=raw " + Data("pillow-grey8.bmp"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Field(r.out, "width"), "512");
}

TEST(OrvexCli, ConvertWritesWithTheSystemsWriters) {
    const std::string dir = TempDir();
    Result r = Cli("convert " + Data("pillow-grey16-big-endian.tif") + " " + dir + "/out.tif");
    ASSERT_EQ(r.status, 0) << r.err;
    Result back = Cli("info --pixels " + dir + "/out.tif");
    ASSERT_EQ(back.status, 0);
    EXPECT_EQ(Field(back.out, "depth"), "16");
    EXPECT_NE(back.out.find("[0, 771, 1542,"), std::string::npos);
    EXPECT_EQ(Field(back.out, "registered"), "true")
        << "every TIFF the workstation writes carries its registration";

    r = Cli("convert --out-type bmp " + Data("pillow-palette8.pcx") + " " + dir + "/out.img");
    ASSERT_EQ(r.status, 0) << r.err;
    back = Cli("info --type bmp --pixels " + dir + "/out.img");
    EXPECT_EQ(back.status, 0);
    EXPECT_NE(back.out.find("[0, 3, 6, 9,"), std::string::npos);

    // Grid to TIFF to grid keeps the registration and Z registration.
    r = Cli("convert --in-type grd16 " + Data("gdal-pattern.grd") + " " + dir + "/grid.tif");
    ASSERT_EQ(r.status, 0) << r.err;
    r = Cli("convert " + dir + "/grid.tif " + dir + "/grid.grd");
    ASSERT_EQ(r.status, 0) << r.err;
    back = Cli("info " + dir + "/grid.grd");
    EXPECT_EQ(Field(back.out, "low"), "0");
    EXPECT_EQ(Field(back.out, "high"), "177");
    Result original = Cli("info " + Data("gdal-pattern.grd"));
    EXPECT_EQ(Field(back.out, "x1"), Field(original.out, "x1"));
    EXPECT_EQ(Field(back.out, "y2"), Field(original.out, "y2"));
}

// A folder of its own, empty, as a fresh checkout gives: no initialization file.
std::string FreshDir(const std::string& name) {
    const auto dir = std::filesystem::path(TempDir()) / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

Result CliIn(const std::string& dir, const std::string& arguments) { return Cli(arguments, dir); }

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(OrvexCli, AcquireOnAFreshCheckoutSavesRegisteredTiffsAndTheHistory) {
    const std::string dir = FreshDir("acquire");
    Result r = CliIn(dir, "acquire --out out");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "out/Analog1.tif\n");  // DEMO enables the first analog channel
    EXPECT_NE(r.err.find("Read INI: Orvex.ini not found - fatal error"), std::string::npos);

    Result back = CliIn(dir, "info out/Analog1.tif");
    ASSERT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(Field(back.out, "registered"), "true");
    EXPECT_EQ(Field(back.out, "depth"), "16");
    EXPECT_EQ(Field(back.out, "px1"), "0");
    EXPECT_EQ(Field(back.out, "py1"), std::to_string(std::stoi(Field(back.out, "height")) - 1));
    EXPECT_LT(std::stod(Field(back.out, "x1")), std::stod(Field(back.out, "x2")));
    EXPECT_EQ(Field(back.out, "units"), "\"volts\"");

    // The history file lies beside the images: start first, the write last.
    std::vector<std::string> history;
    for (const auto& e : std::filesystem::directory_iterator(dir + "/out"))
        if (e.path().filename().string().rfind("OV_History_", 0) == 0) history = Lines(Slurp(e.path().string()));
    ASSERT_GE(history.size(), 4u);
    EXPECT_EQ(history.front().rfind("Orvex started:  ", 0), 0u);
    EXPECT_EQ(history.back().rfind("Write Global History: ", 0), 0u);
    size_t started = 0, finished = 0;
    for (size_t i = 0; i < history.size(); ++i) {
        if (history[i].rfind("started acquire|single: ", 0) == 0) started = i;
        if (history[i].rfind("finished scan: ", 0) == 0) finished = i;
    }
    EXPECT_GT(started, 0u);
    EXPECT_GT(finished, started);

    r = CliIn(dir, "acquire --mode continuous --passes 2 --out cont");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir + "/cont/Analog1.tif"));
    EXPECT_EQ(CliIn(dir, "acquire --mode sideways").status, 2);
}

// Macros as a user runs them: a file of commands, messages on stderr.
TEST(OrvexCli, RunOpensProcessesSavesAndChecksMessages) {
    const std::string dir = FreshDir("macro");
    std::filesystem::create_directories(dir + "/out");
    {
        std::ofstream m(dir + "/m.txt");
        m << "open " << Data("tiffcp-strips3.tif") << "\n"
          << "rect 2 1 5 4\nmenu Basic > Crop\nexpect-windows 2\n"
          << "menu Advanced > Special Effects > Negate Data\n"
          << "save out/part.tif\nexpect nothing\n"
          << "open out/none.tif\nexpect Warning: Unable to find out/none.tif\n"
          << "menu Window > Zoom > Set...\n"  // not answered: reported, nothing changes
          << "echo done\n";
    }
    Result r = CliIn(dir, "run m.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "done\n");
    EXPECT_NE(r.err.find("Warning: Unable to find out/none.tif\n"), std::string::npos);
    EXPECT_NE(r.err.find("m.txt:10: not answered: dialog: Zoom Set"), std::string::npos) << r.err;
    // Columns 2..5 of rows 1..4 of 16 r + 3 c, negated.
    Result back = CliIn(dir, "info --pixels out/part.tif");
    ASSERT_EQ(back.status, 0) << back.err;
    EXPECT_NE(back.out.find("[233, 230, 227, 224],\n    [217, 214, 211, 208],"), std::string::npos) << back.out;

    // A failed check stops the macro with its line.
    std::ofstream(dir + "/bad.txt") << "open out/none.tif\nexpect nothing\necho never\n";
    r = CliIn(dir, "run bad.txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("bad.txt:2: expected no message"), std::string::npos) << r.err;
}

// Every example of the macro language's documentation runs as it is written.
TEST(OrvexCli, TheDocumentedMacroExamplesRun) {
    const std::string text = Slurp(std::string(ORVEX_TEST_DATA) + "/../../docs/macros.md");
    const size_t examples = text.find("## Examples");
    ASSERT_NE(examples, std::string::npos);
    int count = 0;
    for (size_t at = text.find("```\n", examples); at != std::string::npos; at = text.find("```\n", at)) {
        const size_t end = text.find("```", at + 4);
        ASSERT_NE(end, std::string::npos);
        const std::string macro = text.substr(at + 4, end - at - 4);
        at = end + 4;
        const std::string dir = FreshDir("example" + std::to_string(++count));
        std::filesystem::create_directories(dir + "/data");
        std::filesystem::create_directories(dir + "/out");
        std::filesystem::copy_file(Data("pillow-grey8.tif"), dir + "/data/grain.tif");
        std::filesystem::copy_file(Data("pillow-grey8.bmp"), dir + "/data/map.bmp");
        std::ofstream(dir + "/example.txt") << macro;
        Result r = CliIn(dir, "run example.txt");
        EXPECT_EQ(r.status, 0) << "example " << count << ":\n" << macro << "\n" << r.err;
        if (macro.find("save out/map.tif") != std::string::npos) {
            Result back = CliIn(dir, "info out/map.tif");
            EXPECT_EQ(Field(back.out, "x2"), "1011");
            EXPECT_EQ(Field(back.out, "py1"), "9");
        }
    }
    EXPECT_EQ(count, 4);
}

TEST(OrvexCli, FailuresAndBadUsage) {
    const std::string dir = TempDir();
    Result r = Cli("info " + Data("tiffcp-lzw.tif"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')),
              "Error During Tiff Translation: Unrecognized compression format.");

    // A message with a line break inside is still one line.
    r = Cli("convert " + Data("gdal-pattern.grd") + " --out-type bmp " + dir + "/x.bmp");
    EXPECT_EQ(r.status, 0) << r.err;
    r = Cli("convert --in-type grd16 " + Data("gdal-pattern.grd") + " " + dir + "/deep.bmp");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1), "Warning: Cannot save a 16 bit image to BMP!\\n\n");
    EXPECT_FALSE(std::filesystem::exists(dir + "/deep.bmp"));

    r = Cli("convert " + Data("pillow-grey8.tif") + " " + dir + "/plain.grd");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Not Z registered?: write_grd_menu"), std::string::npos);

    r = Cli("info " + dir + "/does-not-exist.tif");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("does-not-exist.tif"), std::string::npos);

    EXPECT_EQ(Cli("info").status, 2);
    EXPECT_EQ(Cli("info a.tif b.tif").status, 2);
    EXPECT_EQ(Cli("info --type gif " + Data("pillow-grey8.tif")).status, 2);
    EXPECT_EQ(Cli("info " + Data("README.md")).status, 2) << "no type from the extension";
    EXPECT_EQ(Cli("info --bogus " + Data("pillow-grey8.tif")).status, 2);
    EXPECT_EQ(Cli("frobnicate").status, 2);
    EXPECT_EQ(Cli("convert " + Data("pillow-grey8.tif")).status, 2);
    EXPECT_EQ(Cli("convert " + Data("pillow-grey8.tif") + " out.png").status, 2);
    EXPECT_EQ(Cli("convert --in-type bmp24 " + Data("pillow-rgb24.bmp") + " " + dir + "/a.tif").status, 2);

    // Every subcommand reads its options the same way.
    EXPECT_EQ(Cli("info --type=tif " + Data("pillow-grey8.tif")).status, 0);
    EXPECT_EQ(Cli("info --type tif -- " + Data("pillow-grey8.tif")).status, 0);
    r = Cli("acquire --passes");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("option '--passes' needs a value"), std::string::npos) << r.err;
    r = Cli("run --pixels m.mac");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unknown option '--pixels'"), std::string::npos) << r.err;
    EXPECT_EQ(Cli("acquire --passes 0").status, 2);
    EXPECT_EQ(Cli("acquire --mode sometimes").status, 2);
    EXPECT_EQ(Cli("acquire extra").status, 2);
    EXPECT_EQ(Cli("run").status, 2);
    EXPECT_EQ(Cli("run --help").status, 0);

    r = Cli("--help");
    EXPECT_EQ(r.status, 0);
    for (const char* word : {"info", "convert", "--type", "--pixels", "--in-type", "--out-type",
                             "bmp24", "grd16", "raw", "caption: text", "Exit status"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
    EXPECT_EQ(Cli("info --help").status, 0);
}

}  // namespace

// The program's folder: given on the command line or by ORVEX_PROGRAM_FOLDER,
// it receives the profile file; nothing beside orvex-cli is touched.
TEST(OrvexCli, TheProgramFolderIsTheOneGivenAndTheHelpSaysSo) {
    Result help = Cli("--help");
    ASSERT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--program-folder DIR"), std::string::npos);
    EXPECT_NE(help.out.find("ORVEX_PROGRAM_FOLDER"), std::string::npos);
    EXPECT_NE(help.out.find("$XDG_CONFIG_HOME/orvex"), std::string::npos);

    const std::string dir = FreshDir("folder");
    const std::string own = dir + "/own";
    std::filesystem::create_directories(own);
    std::ofstream(dir + "/Orvex.ini") << "[hardware]\nprobetype=DEMO\n";
    std::ofstream(dir + "/m.txt") << "menu Window > Mirror Left-Right\necho mirrored\n";
    const std::string beside = std::string(ORVEX_BIN_DIR) + "/Orvex.ini";
    const bool hadBeside = std::filesystem::exists(beside);
    const std::string besideBefore = hadBeside ? Slurp(beside) : "";

    Result r = CliIn(dir, "run --program-folder '" + own + "' m.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "mirrored\n");
    EXPECT_NE(Slurp(own + "/Orvex.ini").find("MirrorLeftRight=true"), std::string::npos);
    EXPECT_EQ(std::filesystem::exists(beside), hadBeside);
    if (hadBeside) EXPECT_EQ(Slurp(beside), besideBefore);
    EXPECT_EQ(CliIn(dir, "run --program-folder= m.txt").status, 2);
}
