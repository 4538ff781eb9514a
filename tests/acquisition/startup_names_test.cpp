// Start-up names every element channel after the lists, enabled or not, so a
// setup saved before the first acquisition already holds the element names.
#include "acquisition/acquisition_fixture.h"
#include "app/application.h"
#include "config/elmfile.h"
#include "config/profile_file.h"
#include "config/settings_order.h"

namespace orvex {
namespace {

class StartUpNames : public testing::AcquisitionTest {
  protected:
    void TearDown() override {
        config::ResetSettingsHandlers();
        resetElementLists();
        ResetHardware();
        AcquisitionTest::TearDown();
    }
    /// Start-up as the application runs it, up to the element lists.
    void startUp(const std::string& iniText) {
        softwareSettings().iniPath = folder.write("Orvex.ini", iniText);
        app::LifecycleSteps steps = app::DefaultLifecycleSteps();
        steps.prepareTables();
        steps.loadSettings();
        steps.initializeLists();
    }
    /// The channel names a setup saved now holds, digital then counter.
    std::vector<std::string> savedNames() {
        const std::string saved = folder.file("saved.set");
        config::SaveAllSettings(saved);
        std::vector<std::string> names;
        for (const char* section : {"digital", "counter"})
            for (int n = 1; n <= config::ReadProfileInt(saved, section, "max", 0); ++n)
                names.push_back(config::ReadProfileString(saved, section, "ch" + std::to_string(n), "?"));
        return names;
    }

    testing::ScratchFolder folder;
    const std::string elements = folder.write("probe.elm",
                                              "1   \"Fe\"   \"ka\"   \"first line\"\n"
                                              "2   \"Si\"   \"ka\"   \"second line\"\n");
};

TEST_F(StartUpNames, DisabledChannelsTakeTheirElementNamesWithoutAnEdsList) {
    startUp("[software]\nelmfile=" + elements +
            "\n[digital]\nmax=2\nmaxelm=2\nmaxeds=0\n[counter]\nmax=3\nmaxelm=2\nmaxeds=0\nen3=on\n");
    EXPECT_TRUE(ui.messages.empty()) << ui.messageLines()[0];
    EXPECT_EQ(channelTables().EnabledCount(CHANNEL_DIGITAL), 0);
    // The third counter has no element: it keeps its own name.
    EXPECT_EQ(savedNames(), (std::vector<std::string>{"Feka_D", "Sika_D", "Feka_C", "Sika_C", "Counter3"}));
}

TEST_F(StartUpNames, EdsEntriesFollowTheElementsAfterTheBeamChannel) {
    const std::string eds = folder.write("probe.eds", "1   \"Mn\"   \"la\"   \"eds line one\"\n");
    startUp("[software]\nelmfile=" + elements + "\nedsfile=" + eds +
            "\n[digital]\nmax=4\nbeamchannel=true\nmaxelm=2\nmaxeds=1\n[counter]\nmax=2\nmaxelm=2\nmaxeds=0\n");
    EXPECT_TRUE(ui.messages.empty()) << ui.messageLines()[0];
    EXPECT_EQ(savedNames(),
              (std::vector<std::string>{"Digital1", "Feka_D", "Sika_D", "Mnla_D", "Feka_C", "Sika_C"}));
}

TEST_F(StartUpNames, TooManyElementChannelsRenameNothingAndSaySo) {
    startUp("[software]\nelmfile=" + elements + "\n[digital]\nmax=1\nmaxelm=2\nmaxeds=0\n");
    EXPECT_EQ(ui.messageLines(), std::vector<std::string>{"ElmToChannels(): Too many digital channels"});
    EXPECT_EQ(savedNames()[0], "Digital1");
}

}  // namespace
}  // namespace orvex
