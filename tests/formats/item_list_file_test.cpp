#include "formats/item_list_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "formats/scan_string.h"

namespace orvex::formats {
namespace {

std::string tempPath(const std::string& name) {
    auto dir = std::filesystem::temp_directory_path() /
               ("orvex_items_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(ScanString, ConvertsLikeScanf) {
    int a = 0, b = 0;
    long c = 0;
    std::string rest;
    EXPECT_EQ(KTvsscanf("12 -7 123456789012 red and blue\r\n", "%d %d %ld %[^\r\n]", &a, &b, &c,
                        &rest),
              4);
    EXPECT_EQ(a, 12);
    EXPECT_EQ(b, -7);
    EXPECT_EQ(c, 123456789012L);
    EXPECT_EQ(rest, "red and blue");

    int x = 0, y = 0;
    double u = 0, v = 0;
    EXPECT_EQ(KTvsscanf("  3 4 -1.5e3 .25", "%d %d %lf %lf", &x, &y, &u, &v), 4);
    EXPECT_EQ(x, 3);
    EXPECT_EQ(y, 4);
    EXPECT_DOUBLE_EQ(u, -1500.0);
    EXPECT_DOUBLE_EQ(v, 0.25);

    float r[3] = {};
    EXPECT_EQ(KTvsscanf("1 2.5 -3", "%f %f %f", &r[0], &r[1], &r[2]), 3);
    EXPECT_FLOAT_EQ(r[1], 2.5f);
    EXPECT_FLOAT_EQ(r[2], -3.0f);

    int left = 0, top = 0, right = 0, bottom = 0;
    EXPECT_EQ(KTvsscanf("1, 2,3 ,  4", "%d, %d, %d, %d", &left, &top, &right, &bottom), 3)
        << "a blank before the comma does not match the literal comma";
    EXPECT_EQ(right, 3);
    EXPECT_EQ(bottom, 0);
}

TEST(ScanString, FailuresLeaveTargetsUnchanged) {
    int a = 5, b = 6;
    EXPECT_EQ(KTvsscanf("x 2", "%d %d", &a, &b), 0);
    EXPECT_EQ(a, 5);
    EXPECT_EQ(KTvsscanf("", "%d", &a), -1);
    EXPECT_EQ(KTvsscanf("   ", "%d", &a), -1);
    EXPECT_EQ(KTvsscanf("7", "%d %d", &a, &b), 1);
    EXPECT_EQ(a, 7);
    EXPECT_EQ(b, 6);
    // A target of the wrong kind stops the parse instead of corrupting memory.
    double d = 1.0;
    EXPECT_EQ(KTvsscanf("9 10", "%d %d", &a, &d), 1);
    EXPECT_EQ(d, 1.0);
    // Too few targets.
    EXPECT_EQ(KTvsscanf("1 2", "%d %d", &a), 1);
}

TEST(ScanString, WidthsSetsAndSuppression) {
    std::string word, tail;
    int n = 0, value = 0, hex = 0, octal = 0;
    EXPECT_EQ(KTvsscanf("abcdef 42", "%3s%*s %d%n", &word, &value, &n), 2);
    EXPECT_EQ(word, "abc");
    EXPECT_EQ(value, 42);
    EXPECT_EQ(n, 9);
    EXPECT_EQ(KTvsscanf("0x1F 017", "%i %i", &hex, &octal), 2);
    EXPECT_EQ(hex, 31);
    EXPECT_EQ(octal, 15);
    EXPECT_EQ(KTvsscanf("]a-b]z", "%[]a-]%s", &word, &tail), 2);
    EXPECT_EQ(word, "]a-");
    EXPECT_EQ(tail, "b]z");
    char c = 0;
    EXPECT_EQ(KTvsscanf("  q", "%c", &c), 1);
    EXPECT_EQ(c, ' ');
    EXPECT_EQ(KTvsscanf("50%", "%d%%", &value), 1);
}

TEST(ItemListFile, FalseColourFileByteForByte) {
    std::string path = tempPath("last.fc");
    {
        ItemListFile file;
        ASSERT_TRUE(file.Open(path, ItemListFile::Direction::Write));
        file.WriteTitle(kFalseColourList.title);
        file.BeginSection(kFalseColourList.section);
        file.WriteInt("Interpolate", 1);
        file.WriteValue("Item", "%d %d %ld %s", 0, 127, 255L, "low band");
        file.EndSection();
        EXPECT_TRUE(file.Close());
    }
    EXPECT_EQ(slurp(path),
              "False color description for Orvex\n\n\r\n"
              "\r\n"
              "BEGIN Items\r\n"
              " Interpolate=1\r\n"
              " Item=0 127 255 low band\r\n"
              "END Items\r\n"
              "\r\n");

    ItemListFile file;
    ASSERT_TRUE(file.Open(path, ItemListFile::Direction::Read));
    ASSERT_TRUE(file.BeginSection("items"));
    int interpolate = 0;
    EXPECT_TRUE(file.ReadInt("Interpolate", interpolate));
    EXPECT_EQ(interpolate, 1);
    int low = 0, high = 0;
    long colour = 0;
    std::string name;
    EXPECT_TRUE(file.ReadValue("Item", true, "%d %d %ld %[^\r\n]", &low, &high, &colour, &name));
    EXPECT_EQ(high, 127);
    EXPECT_EQ(colour, 255);
    EXPECT_EQ(name, "low band");
    EXPECT_FALSE(file.ReadValue("Item", true, name));
    EXPECT_TRUE(file.EndSection());
    EXPECT_EQ(file.Depth(), 0);
}

TEST(ItemListFile, NestedSectionsIndentAndEveryTypedValueRoundTrips) {
    std::string path = tempPath("last.cy");
    {
        ItemListFile file;
        ASSERT_TRUE(file.Open(path, ItemListFile::Direction::Write));
        file.WriteTitle(kClassificationList.title);
        file.BeginSection("Items");
        file.WriteYesNo("IsMinimum", true);
        file.WriteLong("Minimum", -40000L);
        file.BeginSection("Class");
        file.WriteText("  ItemName  ", "quartz grain");
        file.WriteRect("ItemLoc", {1, 2, 30, 40});
        file.EndSection();
        file.WriteYesNo("Done", false);
        file.EndSection();
    }  // the destructor saves
    EXPECT_EQ(slurp(path),
              "Image Classification description for Pixmerel\n\n\r\n\r\nBEGIN Items\r\n"
              " IsMinimum=Yes\r\n Minimum=-40000\r\n\r\n BEGIN Class\r\n"
              "  ItemName=quartz grain\r\n  ItemLoc=1, 2, 30, 40\r\n END Class\r\n\r\n"
              " Done=No\r\nEND Items\r\n\r\n");

    ItemListFile file;
    ASSERT_TRUE(file.Open(path, ItemListFile::Direction::Read));
    ASSERT_TRUE(file.BeginSection("Items"));
    bool isMinimum = false, done = true;
    long minimum = 0;
    EXPECT_TRUE(file.ReadYesNo("IsMinimum", isMinimum));
    EXPECT_TRUE(isMinimum);
    EXPECT_TRUE(file.ReadLong("Minimum", minimum));
    EXPECT_EQ(minimum, -40000L);
    // A sequential read stops at the nested section start.
    EXPECT_FALSE(file.ReadYesNo("Done", done));
    ASSERT_TRUE(file.BeginSection("CLASS"));
    std::string name;
    platform::PixelRect rect;
    EXPECT_TRUE(file.ReadText("itemname", name));
    EXPECT_EQ(name, "quartz grain");
    EXPECT_TRUE(file.ReadRect("ItemLoc", rect));
    EXPECT_EQ(rect.left, 1);
    EXPECT_EQ(rect.bottom, 40);
    EXPECT_TRUE(file.EndSection());
    EXPECT_TRUE(file.ReadYesNo("Done", done));
    EXPECT_FALSE(done);
}

TEST(ItemListFile, ReadingRules) {
    ItemListFile file;
    file.OpenText(
        "title\n\n\r\n\r\nBEGIN Items\r\n  interpolate =3\r\n Item=1\r\n Item=2\r\n"
        " Minimum=9\r\n BEGIN Inner\r\n  Other=inner\r\n  Minimum=99\r\n END Inner\r\n"
        " Other=outer\r\nEND Items\r\n\r\nBEGIN More\r\n Item=3\r\nEND More\r\n"
        "BEGIN Points\r\n Tag=a\r\nEND Points\r\n");
    // Opening a section that is not next fails and leaves the position alone.
    EXPECT_FALSE(file.BeginSection("Points"));
    ASSERT_TRUE(file.BeginSection("Items"));

    int value = 0;
    EXPECT_TRUE(file.ReadInt("Interpolate", value));
    EXPECT_EQ(value, 3);
    std::vector<int> items;
    while (file.ReadInt("Item", value)) items.push_back(value);
    EXPECT_EQ(items, (std::vector<int>{1, 2}));

    // Past "Minimum": a non-sequential read goes round the section.
    EXPECT_TRUE(file.ReadInt("Minimum", value));
    EXPECT_EQ(value, 9);
    value = 0;
    EXPECT_TRUE(file.ReadInt("Minimum", value, false));
    EXPECT_EQ(value, 9) << "the nested Minimum must be ignored";
    std::string other;
    EXPECT_TRUE(file.ReadText("Other", other, false));
    EXPECT_EQ(other, "outer");
    EXPECT_TRUE(file.ReadInt("Interpolate", value, false));
    EXPECT_EQ(value, 3);
    EXPECT_FALSE(file.ReadText("Tag", other, false));

    ASSERT_TRUE(file.EndSection());
    EXPECT_FALSE(file.BeginSection("Points"));
    ASSERT_TRUE(file.BeginSection("More"));
    EXPECT_TRUE(file.ReadInt("Item", value));
    EXPECT_EQ(value, 3);
    ASSERT_TRUE(file.EndSection());
    ASSERT_TRUE(file.BeginSection("Points"));
    EXPECT_TRUE(file.ReadText("Tag", other));
    ASSERT_TRUE(file.EndSection());
    EXPECT_FALSE(file.BeginSection("Points"));
}

TEST(ItemListFile, OddInputNeitherFailsNorOverruns) {
    ItemListFile file;
    std::string longValue(20000, 'x');
    file.OpenText("BEGIN A\nKey=" + longValue + "\nNext=1\nno line end at all=2");
    ASSERT_TRUE(file.BeginSection("A"));
    std::string text;
    EXPECT_TRUE(file.ReadText("Key", text));
    EXPECT_EQ(text.size(), 4999u - 4u) << "the value keeps what the line buffer holds";
    int next = 0;
    EXPECT_TRUE(file.ReadInt("Next", next)) << "the rest of a long line is not a line";
    EXPECT_EQ(next, 1);
    EXPECT_TRUE(file.ReadInt("no line end at all", next));
    EXPECT_EQ(next, 2);
    EXPECT_FALSE(file.EndSection()) << "no END line";
    EXPECT_FALSE(file.ReadInt("Next", next, false));

    ItemListFile missing;
    EXPECT_FALSE(missing.Open(tempPath("does-not-exist.cl"), ItemListFile::Direction::Read));
    EXPECT_FALSE(missing.BeginSection("Items"));
}

TEST(ItemListFile, SaveReplacesTargetWithoutLeavingTemporaries) {
    std::string path = tempPath("formulas.txt");
    {
        std::ofstream(path) << "old";
    }
    {
        ItemListFile file;
        ASSERT_TRUE(file.Open(path, ItemListFile::Direction::Write));
        EXPECT_EQ(slurp(path), "old") << "the target is untouched until the file is closed";
        file.BeginSection(kFormulaList.section);
        file.WriteText("Name", "ratio");
        file.WriteText("Formula", "a/b");
        file.EndSection();
        EXPECT_TRUE(file.Close());
    }
    EXPECT_EQ(slurp(path), "\r\nBEGIN Formulas\r\n Name=ratio\r\n Formula=a/b\r\nEND Formulas\r\n\r\n");
    int files = 0;
    for (auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(path).parent_path())) {
        files += entry.path().filename().string().find("formulas.txt") == 0;
    }
    EXPECT_EQ(files, 1);
}

}  // namespace
}  // namespace orvex::formats
