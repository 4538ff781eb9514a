#pragma once
// Acquisition commands on the DEMO instrument, headless: the commands and
// their hooks installed, a base palette on the bar, and a record of what the
// beam was doing whenever the board waited for blanking.
#include <string>
#include <vector>

#include "acquisition/acquire_commands.h"
#include "acquisition/acquisition_fixture.h"
#include "acquisition/positioning.h"
#include "app/command_table.h"
#include "app/commands/acquire.h"
#include "app/shell_commands.h"

namespace orvex::testing {

/// A clock that notes, at every blanking wait, the beam's control state and X code.
class BlankingClock : public platform::TestClock {
  public:
    struct Wait {
        uint32_t milliseconds;
        int control;
        uint32_t daX;
    };
    void sleep(uint32_t milliseconds) override {
        waits.push_back({milliseconds, simProbe().control, simProbe().daX});
        TestClock::sleep(milliseconds);
    }
    std::vector<Wait> waits;
};

class CommandsTest : public AcquisitionTest {
  protected:
    void SetUp() override {
        AcquisitionTest::SetUp();
        platform::setClock(&blanking);
        resetAcquireMenuState();
        resetMarkerState();
        app::commandTable().clear();
        app::RegisterShellCommands();  // the Setup menu
        InstallAcquireCommands();
        for (int i = 0; i < 256; ++i) basePalette.push_back(0x010000u * (255 - i) + i);
        imageWindowEventHooks().currentPalette = [this] { return std::optional(basePalette); };
        // Blanking acts (automatic blanking on) with waits that tell in from out.
        board().defaultBeamBlank = 1;
        board().faradayWaitIn = 0.3;
        board().faradayWaitOut = 0.7;
        for (SIMMOT* axis : {&board().simX, &board().simY}) {
            axis->lowLimit = -1e6;
            axis->highLimit = 1e6;
        }
    }
    void TearDown() override {
        app::commandTable().clear();
        AcquisitionTest::TearDown();
    }

    /// The first analog channel, enabled, on a small beam scan.
    ANALOGCHANNEL& enableAnalog(uint32_t width = 16, uint32_t height = 12) {
        ANALOGCHANNEL& a = channelTables().analog[0];
        a.enabled = 1;
        beamScan(width, height);
        return a;
    }
    /// The run's lines of the global history: starts, passes and ends.
    static std::vector<std::string> runLines() {
        std::vector<std::string> lines;
        const std::string& text = GlobalHistoryText();
        const std::string time = TimeText().substr(0, TimeText().size() - 1);
        size_t at = 0;
        while (at < text.size()) {
            size_t end = text.find('\n', at);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(at, end - at);
            at = end + 1;
            for (const char* prefix : {"started acquire", "    pass: ", "  Pass number:", "finished scan: ",
                                       "halted early: "}) {
                if (line.rfind(prefix, 0) != 0) continue;
                // Lines that end with the time show it as "@".
                if (line.size() >= time.size() && line.compare(line.size() - time.size(), time.size(), time) == 0)
                    line = line.substr(0, line.size() - time.size()) + "@";
                lines.push_back(line);
            }
        }
        return lines;
    }

    BlankingClock blanking;
    std::vector<uint32_t> basePalette;
};

}  // namespace orvex::testing
