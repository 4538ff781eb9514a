#include "config/profile_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "platform/headless_ui.h"
#include "tests/config/temp_folder.h"

namespace orvex::config {
namespace {

TEST(ProfileText, SectionsAndKeysMatchWithoutCaseAndTheFirstEntryWins) {
    auto profile = ProfileText::parse(
        "[Stage X]\nLow Limit = 10\n[stage x]\nlow limit=20\nspan=5\n[other]\nspan=9\n");
    EXPECT_EQ(profile.find("stage x", "low limit"), "10");
    EXPECT_EQ(profile.find("STAGE X", "LOW LIMIT"), "10");
    EXPECT_EQ(profile.find("stage x", "span"), "5");  // the repeated section is the same section
    EXPECT_EQ(profile.find("other", "span"), "9");
    EXPECT_FALSE(profile.find("stage y", "span"));
    EXPECT_FALSE(profile.find("other", "low limit"));
}

TEST(ProfileText, BlanksAndDoubleQuotesAroundValuesAreDropped) {
    auto profile = ProfileText::parse(
        "[software]\n  author  =  \"Jane Doe\"  \nmake=\t'single'\nmodel=\"half\nempty=\n");
    EXPECT_EQ(profile.find("software", "author"), "Jane Doe");
    EXPECT_EQ(profile.find("software", "make"), "'single'");
    EXPECT_EQ(profile.find("software", "model"), "\"half");
    EXPECT_EQ(profile.find("software", "empty"), "");
}

TEST(ProfileText, ReplacingAValueKeepsEveryOtherByte) {
    const std::string text =
        "; comment kept\r\n[hardware]\r\nprobetype = jeol\r\nunknown key=7\r\n[x]\r\nkey without equals\r\n";
    auto profile = ProfileText::parse(text);
    ASSERT_TRUE(profile.set("HARDWARE", "ProbeType", "DEMO"));
    EXPECT_EQ(profile.text(),
              "; comment kept\r\n[hardware]\r\nprobetype = DEMO\r\nunknown key=7\r\n[x]\r\nkey without equals\r\n");
}

TEST(ProfileText, MissingEntriesAreAddedToTheirSectionOrANewOne) {
    auto profile = ProfileText::parse("[a]\nx=1\n\n[b]\ny=2");
    ASSERT_TRUE(profile.set("a", "z", "3"));
    ASSERT_TRUE(profile.set("c", "w", "4"));
    ASSERT_TRUE(profile.set("b", "v", "5"));
    EXPECT_EQ(profile.text(), "[a]\nx=1\nz=3\n\n[b]\ny=2\nv=5\n\n[c]\nw=4\n");
    EXPECT_EQ(profile.find("a", "z"), "3");
    EXPECT_EQ(profile.find("c", "w"), "4");
    // A value read, then replaced, reads as the new one.
    EXPECT_EQ(profile.find("A", "X"), "1");
    ASSERT_TRUE(profile.set("a", "x", "11"));
    EXPECT_EQ(profile.find("a", "x"), "11");
    // No name holds a line break: asking for one finds nothing.
    auto joined = ProfileText::parse("[a]\nb=1\n");
    EXPECT_FALSE(joined.find("a\nb", ""));
    EXPECT_FALSE(joined.find("a", "b\n"));
}

TEST(ProfileFile, ReadsCutStringsToTheBufferAndNumbersFromTheirStart) {
    TempFolder folder;
    std::string path = folder.write("t.ini",
                                    "[s]\nname=abcdefghij\nint=42abc\nneg=-7\nword=xyz\nempty=\n"
                                    "real= 1.5e2x\nnoreal=abc\nhalfexp=2e\n");
    EXPECT_EQ(ReadProfileString(path, "s", "name", "dflt", 5), "abcd");
    EXPECT_EQ(ReadProfileString(path, "s", "missing", "defaultvalue", 8), "default");
    EXPECT_EQ(ReadProfileString(path, "s", "name", "d", 0), "");
    EXPECT_EQ(ReadProfileInt(path, "s", "int", 3), 42);
    EXPECT_EQ(ReadProfileInt(path, "s", "neg", 3), -7);
    EXPECT_EQ(ReadProfileInt(path, "s", "word", 3), 0);
    EXPECT_EQ(ReadProfileInt(path, "s", "empty", 3), 3);
    EXPECT_EQ(ReadProfileInt(path, "s", "missing", 3), 3);
    EXPECT_DOUBLE_EQ(ReadProfileReal(path, "s", "real", 9), 150.0);
    EXPECT_DOUBLE_EQ(ReadProfileReal(path, "s", "noreal", 9), 0.0);
    EXPECT_DOUBLE_EQ(ReadProfileReal(path, "s", "halfexp", 9), 2.0);
    EXPECT_DOUBLE_EQ(ReadProfileReal(path, "s", "missing", 9), 9.0);
    EXPECT_EQ(ReadProfileString(folder.path("absent.ini"), "s", "name", "d"), "d");
}

TEST(ProfileFile, WritesCreateTheFileAndReplaceInPlace) {
    TempFolder folder;
    std::string path = folder.path("new.ini");
    ASSERT_TRUE(WriteProfileInt(path, "software", "retrace", 10));
    ASSERT_TRUE(WriteProfileReal(path, "counter", "count time", 0.1));
    ASSERT_TRUE(WriteProfileBool(path, "digital", "beamchannel", true, true));
    ASSERT_TRUE(WriteProfileInt(path, "Software", "RETRACE", 12));
    EXPECT_EQ(folder.read("new.ini"),
              "[software]\nretrace=12\n\n[counter]\ncount time=0.1\n\n[digital]\nbeamchannel=TRUE\n");
    // No temporary file is left beside the target.
    int files = 0;
    for (auto& entry : std::filesystem::directory_iterator(folder.root())) (void)entry, ++files;
    EXPECT_EQ(files, 1);
}

TEST(ProfileFile, AFailedWriteLeavesTheFileAlone) {
    TempFolder folder;
    EXPECT_FALSE(WriteProfileString(folder.path("no/such/dir/x.ini"), "s", "k", "v"));
    std::string path = folder.write("keep.ini", "[s]\nk=old\n");
    EXPECT_FALSE(WriteProfileString(path, "s", "bad=key", "v"));
    EXPECT_FALSE(WriteProfileString(path, "bad]section", "k", "v"));
    EXPECT_EQ(folder.read("keep.ini"), "[s]\nk=old\n");
    ASSERT_TRUE(WriteProfileString(path, "s", "k", "two\nlines"));
    EXPECT_EQ(folder.read("keep.ini"), "[s]\nk=two\n");

    // Writing through a link updates the file it points at and keeps the link.
    std::filesystem::create_symlink(path, folder.path("link.ini"));
    ASSERT_TRUE(WriteProfileString(folder.path("link.ini"), "s", "k", "linked"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder.path("link.ini")));
    EXPECT_EQ(folder.read("keep.ini"), "[s]\nk=linked\n");
}

TEST(ProfileText, BadInputGivesDefaultsAndNeverConfusesTheLines) {
    // Lone CRs, CR LF and LF all end lines; the last line needs no ending.
    auto mixed = ProfileText::parse("[a]\rx=1\r\n[b]\ny=2\r\r\nz=3");
    EXPECT_EQ(mixed.find("a", "x"), "1");
    EXPECT_EQ(mixed.find("b", "y"), "2");
    EXPECT_EQ(mixed.find("b", "z"), "3");

    // A header never closed opens nothing; a key without "=" is no entry.
    auto broken = ProfileText::parse("[open\nk=1\n[s]\nkey without equals\n=novalue\nk=2\n[x\nk=3\n");
    EXPECT_FALSE(broken.find("open", "k"));
    EXPECT_EQ(broken.find("s", "k"), "2");
    EXPECT_FALSE(broken.find("s", "key without equals"));
    EXPECT_FALSE(broken.find("x", "k"));
    EXPECT_EQ(broken.find("s", "k"), "2");

    // Entries before any section belong to none.
    EXPECT_FALSE(ProfileText::parse("k=1\n[s]\n").find("", "k"));

    // Binary junk and a line far longer than any buffer.
    std::string junk;
    for (int i = 0; i < 4096; ++i) junk.push_back(static_cast<char>((i * 131) & 0xff));
    std::string longValue(100000, 'v');
    auto noisy = ProfileText::parse(junk + "\n[s]\nlong=" + longValue + "\n" + junk);
    EXPECT_EQ(noisy.find("s", "long"), longValue);
    EXPECT_EQ(noisy.text(), junk + "\n[s]\nlong=" + longValue + "\n" + junk);
}

TEST(ProfileFile, LongValuesAreCutAndJunkFilesStillRewriteCleanly) {
    TempFolder folder;
    std::string junk("\0\x01[\xff]==\r\r[[]]\n\x7f\n", 16);
    std::string path = folder.write("junk.ini", junk + "[s]\nk=" + std::string(5000, 'x'));
    EXPECT_EQ(ReadProfileString(path, "s", "k", "d", 20), std::string(19, 'x'));
    EXPECT_EQ(ReadProfileInt(path, "s", "k", 5), 0);
    ASSERT_TRUE(WriteProfileString(path, "s", "k", "short"));
    ASSERT_TRUE(WriteProfileString(path, "t", "n", "1"));
    EXPECT_EQ(folder.read("junk.ini"), junk + "[s]\nk=short\n\n[t]\nn=1\n");
    EXPECT_EQ(ReadProfileInt(path, "t", "n", 0), 1);
}

TEST(ProfileFile, NumbersAreReadTheWayTheyStart) {
    EXPECT_EQ(LeadingInteger("  12 monkeys"), 12);
    EXPECT_EQ(LeadingInteger("+3"), 3);
    EXPECT_EQ(LeadingInteger("-"), 0);
    EXPECT_EQ(LeadingInteger("99999999999999999999"), 2147483647);
    EXPECT_EQ(LeadingInteger("-99999999999999999999"), -2147483647 - 1);
    EXPECT_DOUBLE_EQ(LeadingReal("-.5e1kg"), -5.0);
    EXPECT_DOUBLE_EQ(LeadingReal("3."), 3.0);
    EXPECT_DOUBLE_EQ(LeadingReal("."), 0.0);
    EXPECT_DOUBLE_EQ(LeadingReal("e5"), 0.0);
    EXPECT_DOUBLE_EQ(LeadingReal("0x10"), 0.0);
    EXPECT_DOUBLE_EQ(LeadingReal("inf"), 0.0);
    EXPECT_DOUBLE_EQ(LeadingReal("1e-999"), 0.0);
    EXPECT_TRUE(std::isinf(LeadingReal("1e999")));
}

TEST(ProfileFile, ABatchWritesTheFileOnceWhenItEnds) {
    TempFolder folder;
    std::string path = folder.write("b.ini", "; kept\n[s]\nk=1\n");
    {
        ProfileBatch outer(path);
        {
            ProfileBatch inner(path);
            ASSERT_TRUE(WriteProfileInt(path, "s", "k", 2));
            ASSERT_TRUE(WriteProfileString(path, "t", "x", "y"));
        }
        EXPECT_EQ(ReadProfileInt(path, "s", "k", 0), 2);  // reads see the writes
        EXPECT_EQ(folder.read("b.ini"), "; kept\n[s]\nk=1\n");
    }
    EXPECT_EQ(folder.read("b.ini"), "; kept\n[s]\nk=2\n\n[t]\nx=y\n");
    EXPECT_EQ(ReadProfileString(path, "t", "x", ""), "y");

    // A path that is no file can be neither read nor written, batch or not.
    std::filesystem::create_directories(folder.path("dir.ini"));
    ProfileBatch onFolder(folder.path("dir.ini"));
    EXPECT_FALSE(WriteProfileInt(folder.path("dir.ini"), "s", "k", 1));
    EXPECT_EQ(ReadProfileInt(folder.path("dir.ini"), "s", "k", 7), 7);
}

TEST(ParseBoolean, WholeWordsWithoutCaseAndAMessageForAnythingElse) {
    platform::HeadlessUi ui;
    platform::setUi(&ui);
    EXPECT_TRUE(ParseBoolean("True"));
    EXPECT_TRUE(ParseBoolean("ON"));
    EXPECT_TRUE(ParseBoolean("yes"));
    EXPECT_FALSE(ParseBoolean("off"));
    EXPECT_FALSE(ParseBoolean("FALSE"));
    EXPECT_FALSE(ParseBoolean("No"));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(ParseBoolean("1"));
    EXPECT_FALSE(ParseBoolean("yess"));
    EXPECT_EQ(ui.count("Expected: 'true, false, yes, no, on, off'", "READINI: bIsOn"), 2);
    platform::setUi(nullptr);
}

}  // namespace
}  // namespace orvex::config
