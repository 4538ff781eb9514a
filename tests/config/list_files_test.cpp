#include <gtest/gtest.h>

#include <sstream>

#include "config/corfile.h"
#include "config/elmfile.h"
#include "config/list_file_settings.h"
#include "config/software_settings.h"
#include "platform/headless_ui.h"
#include "tests/config/temp_folder.h"

namespace orvex {
namespace {

using config::TempFolder;

class Lists : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setUi(&ui);
        resetSoftwareSettings();
        resetElementLists();
        resetCorFile();
    }
    void TearDown() override { platform::setUi(nullptr); }

    ELMFILE read(const std::string& text, int capacity = 16) {
        ELMFILE list;
        list.capacity = capacity;
        std::istringstream in(text);
        list.Read(in);
        return list;
    }

    platform::HeadlessUi ui;
    TempFolder folder;
};

TEST_F(Lists, EntriesGiveTheirFieldsAndChannelNames) {
    ELMFILE list = read("1   \"Fe\"   \"ka\"   \"1\"\n2   \"  Si ka\"   \"\"   \"2\"\r\n"
                        "3   \"   \"   \" \"   \"3\"\n");
    EXPECT_EQ(list.count, 3);
    EXPECT_EQ(list.valid, 1);
    EXPECT_EQ(list.textA[0], "Fe");
    EXPECT_EQ(list.textB[0], "ka");
    EXPECT_EQ(list.textC[0], "1");
    EXPECT_EQ(list.quote, '"');
    EXPECT_EQ(list.ChannelName(0), "Feka");
    EXPECT_EQ(list.ChannelName(1), "Si_ka");
    EXPECT_EQ(list.ChannelName(2), "ov_blank");
    EXPECT_EQ(list.ChannelName(3), "noname");
    EXPECT_EQ(list.ChannelName(-1), "noname");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Lists, ReadingStopsAtABadNumberAShortLineOrTheCapacity) {
    const std::string lines = "1   \"Fe\"   \"ka\"   \"1\"\n2   \"Mg\"   \"ka\"   \"2\"\n"
                              "17   \"Al\"   \"ka\"   \"3\"\n3   \"Ca\"   \"ka\"   \"4\"\n";
    ELMFILE list = read(lines);
    EXPECT_EQ(list.count, 2);
    EXPECT_EQ(list.textA[1], "Mg");
    EXPECT_TRUE(list.textA[2].empty());

    EXPECT_EQ(read("1   \"Fe\"   \"ka\"   \"1\"\n\n2   \"Mg\"   \"ka\"   \"2\"\n").count, 1);
    EXPECT_EQ(read(lines, 1).count, 1);
    EXPECT_EQ(read("                         7 \"late\" \"number\" \"x\"\n").valid, 0);
    EXPECT_EQ(read("no number at all in this line, \"a\" \"b\" \"c\"\n").count, -1);
    EXPECT_EQ(read("").valid, 0);
    EXPECT_EQ(read(lines, 0).valid, 0);
}

TEST_F(Lists, QuoteFaultsAreReportedAndLeaveTheFieldsEmpty) {
    ELMFILE list = read("1   \"Fe\"   \"ka\"   no more quotes here\n"
                        "2   'Mg   and the line ends without a close\n"
                        "3   no quotes in this line at all\n" +
                        std::string("4") + std::string(98, ' ') + "\"" + std::string(50, 'x') + "\n");
    EXPECT_EQ(list.count, 4);
    EXPECT_EQ(list.textA[0], "Fe");
    EXPECT_EQ(list.textB[0], "ka");
    EXPECT_TRUE(list.textC[0].empty());
    EXPECT_TRUE(list.textA[1].empty());
    EXPECT_TRUE(list.textA[3].empty());
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{
                                     "reading elmfile: can't find first quote",
                                     "reading elmfile: can't find closing quote",
                                     "reading elmfile: can't find first quote",
                                     "reading elmfile: line too long"}));
}

TEST_F(Lists, TheQuoteOfTheFirstLineIsUsedForWriting) {
    ELMFILE list = read("1   'Fe'   'ka'   '1'\n2   \"Mg\"   \"ka\"   \"2\"\n");
    EXPECT_EQ(list.quote, '\'');
    EXPECT_EQ(list.textA[1], "Mg");
    list.path = folder.path("out.elm");
    ASSERT_TRUE(list.Write());
    EXPECT_EQ(folder.read("out.elm"), "1   'Fe'   'ka'   '1'\n2   'Mg'   'ka'   '2'\n");
    EXPECT_EQ(read("1   \"it's\"   \"ka\"   \"1\"\n").quote, '"');

    ELMFILE nowhere;
    nowhere.SetCount(1);
    EXPECT_TRUE(nowhere.Write());  // no path: nothing at all
    nowhere.path = folder.path("missing/dir/x.elm");
    EXPECT_FALSE(nowhere.Write());
    EXPECT_EQ(ui.count("write_elm_menu", "Error opening ELMFILE object"), 1);
}

TEST_F(Lists, AWrittenListReadsBackTheSame) {
    ELMFILE list;
    list.path = folder.path("round.elm");
    list.capacity = 16;
    list.SetCount(20);  // kept within the 16 entries
    EXPECT_EQ(list.count, 16);
    for (int i = 0; i < 16; ++i) list.SetEntry(i, "El" + std::to_string(i), "ka", std::to_string(i * 3));
    list.SetEntry(16, "beyond", "the", "list");
    ASSERT_TRUE(list.Write());
    ELMFILE back;
    back.path = list.path;
    back.capacity = 16;
    back.Read();
    EXPECT_EQ(back.count, 16);
    EXPECT_EQ(back.textA, list.textA);
    EXPECT_EQ(back.textB, list.textB);
    EXPECT_EQ(back.textC, list.textC);
}

TEST_F(Lists, StartUpWritesDefaultListsWhenNoneCanBeRead) {
    folder.write("cwd/placeholder", "");
    auto old = std::filesystem::current_path();
    std::filesystem::current_path(folder.path("cwd"));
    SoftwareSettings& s = softwareSettings();
    s.digitalMaxElm = 3;
    s.counterMaxEds = 2;
    std::string ini = folder.write("o.ini", "[software]\nelmfile=missing.elm\n");
    config::ReadListFileSettings(ini);
    config::InitializeElementLists();
    std::filesystem::current_path(old);

    EXPECT_EQ(elmFile().path, "./tarnak.elm");
    EXPECT_EQ(elmFile().count, 3);
    EXPECT_EQ(elmFile().ChannelName(2), "elm2");
    EXPECT_EQ(folder.read("cwd/tarnak.elm"),
              "1   \"elm\"   \"0\"   \"elm\"\n2   \"elm\"   \"1\"   \"elm\"\n3   \"elm\"   \"2\"   \"elm\"\n");
    EXPECT_EQ(edsFile().path, "./tarnak.eds");
    EXPECT_EQ(folder.read("cwd/tarnak.eds"), "1   \"eds\"   \"0\"   \"eds\"\n2   \"eds\"   \"1\"   \"eds\"\n");
    EXPECT_EQ(ui.messageLines(),
              (std::vector<std::string>{
                  "ElmFile Initialization: File not found - writing default file to .\\tarnak.elm",
                  "EdsFile Initialization: File not found - writing default file to .\\tarnak.eds"}));
}

TEST_F(Lists, TheEdsListFollowsTheElementFileAndIsSkippedWithoutEdsChannels) {
    std::string elm = folder.write("sets/probe.elm", "1   \"Fe\"   \"ka\"   \"1\"\n");
    folder.write("sets/probe.eds", "1   \"Ni\"   \"ka\"   \"x\"\n");
    SoftwareSettings& s = softwareSettings();
    s.digitalMaxEds = 1;
    std::string ini = folder.write("o.ini", "[software]\nelmfile=" + elm + "\nedsfile=gone.eds\n");
    config::ReadListFileSettings(ini);
    config::InitializeElementLists();
    EXPECT_EQ(elmFile().ChannelName(0), "Feka");
    EXPECT_EQ(edsFile().path, folder.path("sets/probe.eds"));
    EXPECT_EQ(edsFile().ChannelName(0), "Nika");
    EXPECT_TRUE(ui.messages.empty());

    resetElementLists();
    s.digitalMaxEds = 0;
    config::ReadListFileSettings(ini);
    config::InitializeElementLists();
    EXPECT_EQ(edsFile().path, "gone.eds");
    EXPECT_EQ(edsFile().valid, 0);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Lists, CorrespondenceNumbersGiveTheOffsetsWithoutSigns) {
    CORFILE cor;
    cor.path = folder.write("m.cor", "10 20\n-0.5, 1.5 junk 99");
    cor.Read(2);
    EXPECT_EQ(cor.motorCount, 2);
    EXPECT_DOUBLE_EQ(cor.first[0], 10);
    EXPECT_DOUBLE_EQ(cor.first[1], 20);
    EXPECT_DOUBLE_EQ(cor.GetOffset(0), 0.5);
    EXPECT_DOUBLE_EQ(cor.GetOffset(1), 1.5);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_DOUBLE_EQ(cor.GetOffset(2), 0.0);
    EXPECT_DOUBLE_EQ(cor.GetOffset(-1), 0.0);
    EXPECT_EQ(ui.count("GetOffset", "bad motor number"), 2);

    // Only the first 990 bytes and 32 numbers count.
    std::string many;
    for (int i = 1; i <= 40; ++i) many += std::to_string(i) + " ";
    cor.ReadText(many, 16);
    EXPECT_DOUBLE_EQ(cor.offset[15], 32);
    cor.ReadText(std::string(989, ' ') + "12 34", 1);
    EXPECT_DOUBLE_EQ(cor.first[0], 1);
    EXPECT_DOUBLE_EQ(cor.offset[0], 0);
}

TEST_F(Lists, CorrespondenceMotorCountsAreChecked) {
    CORFILE cor;
    cor.Read(3);  // no path: no file, offsets 0 without faults
    EXPECT_DOUBLE_EQ(cor.GetOffset(2), 0.0);
    EXPECT_TRUE(ui.messages.empty());

    cor.path = folder.write("m.cor", "1 2 3 4");
    cor.Read(0);
    cor.Read(18);
    cor.path = folder.path("absent.cor");
    cor.Read(2);
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{"CORFILE: 0 motors!", "CORFILE: too many motors!",
                                                           "read_cor_menu: Error opening CorFile"}));
}

TEST_F(Lists, SeventeenMotorsKeepTheLayoutButOnlySixteenAreKept) {
    std::string numbers;
    for (int i = 0; i < 34; ++i) numbers += std::to_string(i) + "\n";
    CORFILE cor;
    cor.path = folder.write("m.cor", numbers);
    cor.Read(17);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(cor.motorCount, 16);
    EXPECT_DOUBLE_EQ(cor.first[15], 15);
    EXPECT_DOUBLE_EQ(cor.GetOffset(0), 17);   // the offsets start after 17 first values
    EXPECT_DOUBLE_EQ(cor.GetOffset(14), 31);
    EXPECT_DOUBLE_EQ(cor.GetOffset(15), 0);   // beyond the 32 numbers taken
    EXPECT_DOUBLE_EQ(cor.GetOffset(16), 0);
    EXPECT_EQ(ui.count("GetOffset", "bad motor number"), 1);
}

TEST_F(Lists, FilesNamedWithBackslashesOpen) {
    folder.write("sub/m.cor", "1 2");
    CORFILE cor;
    cor.path = folder.root() + "\\sub\\m.cor";
    cor.Read(1);
    EXPECT_DOUBLE_EQ(cor.GetOffset(0), 2);
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace orvex
