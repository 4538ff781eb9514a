#include "hardware/board.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <new>

#include "config/corfile.h"
#include "config/profile_file.h"
#include "config/software_settings.h"
#include "hardware/dcc20ax/dcc20ax.h"
#include "hardware/dcx/dcxmot.h"
#include "hardware/sim/simprobe.h"
#include "hardware/sx50/sx50mot.h"
#include "hardware/win30/win30pg.h"
#include "imagestore/history.h"
#include "platform/clock.h"
#include "platform/ui.h"

namespace orvex {

namespace {

using platform::showMessage;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool Contains(const std::string& text, const char* word) {
    return text.find(word) != std::string::npos;
}

const char* BoolText(int value) { return value ? "true" : "false"; }

// Settling waits come from the file or the dialog; a value outside 0..100 s
// (or not a number at all) must not turn into an endless or undefined sleep.
uint32_t WaitMilliseconds(double seconds) {
    if (!(seconds > 0)) return 0;
    if (seconds > 100) seconds = 100;
    return static_cast<uint32_t>(seconds * 1000.0);
}

double ClampWait(double seconds) {
    if (seconds < 0) return 0;
    if (seconds > 100) return 100;
    return seconds;
}

void LogLine(const std::string& text);

}  // namespace

// The driver axes are the drivers' own single objects; the dispatch reaches
// them through its accessors so every route names the pair it commands.
DCXMOT& BOARD::dcxX() { return dcxAxisX(); }
DCXMOT& BOARD::dcxY() { return dcxAxisY(); }
SX50MOT& BOARD::sx50X() { return sx50AxisX(); }
SX50MOT& BOARD::sx50Y() { return sx50AxisY(); }

BOARD& board() {
    static BOARD instance;
    return instance;
}

void ResetBoard() {
    // Rebuilt in place so references held elsewhere stay valid.
    BOARD& instance = board();
    instance.~BOARD();
    new (&instance) BOARD();
}

void ResetHardware() {
    ResetBoard();
    ResetSimProbe();
    ResetWin30pg();
    resetDcxAxes();
    resetSx50Axes();
    resetDcc20ax();
    ResetStageFailureReport();
}

bool BOARD::Demo() const { return softwareSettings().demo != 0; }

bool BOARD::BadMcType(const char* operation) const {
    showMessage("Bad MC_Type", std::string("BOARD::") + operation + "()");
    return true;
}

// --- type words ---------------------------------------------------------------

int BOARD::ParseType(const std::string& value, DeviceClass deviceClass, int previous) {
    const std::string text = Lower(value.substr(0, std::min<size_t>(value.size(), 199)));
    if (Contains(text, "none")) return devicetype::None;
    if (Contains(text, "simulate")) return devicetype::Simulate;
    switch (deviceClass) {
        case DeviceClass::AD:
        case DeviceClass::DA:
        case DeviceClass::IO:
            if (Contains(text, "win30pg")) return devicetype::Win30pg;
            break;
        case DeviceClass::CounterTimer:
            if (Contains(text, "dcc20ax")) return devicetype::Dcc20ax;
            break;
        case DeviceClass::MotorController:
            if (Contains(text, "dcx")) return devicetype::Dcx;
            if (Contains(text, "sx50")) return devicetype::Sx50;
            break;
    }
    return previous;
}

std::string BOARD::TypeName(int code, DeviceClass deviceClass) {
    switch (code) {
        case devicetype::None: return "none";
        case devicetype::Simulate: return "simulate";
        case 2:
            switch (deviceClass) {
                case DeviceClass::CounterTimer: return "dcc20ax";
                case DeviceClass::MotorController: return "dcx";
                default: return "win30pg";
            }
        case 3:
            if (deviceClass == DeviceClass::MotorController) return "sx50";
            break;
    }
    // Parsing never produces other codes; a name that parses to nothing
    // keeps the reader's previous code.
    return "unknown";
}

// --- configuration --------------------------------------------------------------

void BOARD::ReadIni(const std::string& path) {
    const std::string hw = "hardware";
    testPattern = config::ParseBoolean(config::ReadProfileString(path, hw, "test_DH", "false"));
    testBlock = config::ReadProfileInt(path, hw, "test_N", 1);
    controlLogic = config::ParseBoolean(config::ReadProfileString(path, hw, "control logic", "true"));
    auto type = [&](const char* key, const char* fallback, DeviceClass deviceClass, int previous) {
        return ParseType(config::ReadProfileString(path, hw, key, fallback, 200), deviceClass,
                         previous);
    };
    adType = type("adtype", "AD_SIMULATE", DeviceClass::AD, adType);
    // daMax follows the D/A type only when the value names one.
    const int parsedDa = type("datype", "DA_SIMULATE", DeviceClass::DA, -1);
    if (parsedDa >= 0) {
        daType = parsedDa;
        daMax = daType == devicetype::None ? 0u : 65535u;
    }
    ioType = type("iotype", "IO_SIMULATE", DeviceClass::IO, ioType);
    ctType = type("cttype", "CT_SIMULATE", DeviceClass::CounterTimer, ctType);
    mcType = type("mctype", "MC_SIMULATE", DeviceClass::MotorController, mcType);

    defaultBeamBlank =
        config::ParseBoolean(config::ReadProfileString(path, "faraday", "DefaultBeamBlankFlag", "false"));
    faradayWaitIn = ClampWait(config::ReadProfileReal(path, "faraday", "FaradayWaitInTime", .5));
    faradayWaitOut = ClampWait(config::ReadProfileReal(path, "faraday", "FaradayWaitOutTime", .5));

    counterDeviceName = config::ReadProfileString(path, hw, "dcc20ax_DeviceName", "iomapper0", 40);
    dcc20ax().SetDeviceName(counterDeviceName);
    spectrometerMotors = config::ReadProfileInt(path, hw, "spectrometer motors", 0);
    stageMotors = config::ReadProfileInt(path, hw, "stage motors", 0);
}

void BOARD::WriteIni(const std::string& path) {
    const std::string hw = "hardware";
    config::WriteProfileString(path, hw, "control logic", BoolText(controlLogic));
    config::WriteProfileString(path, hw, "adtype", TypeName(adType, DeviceClass::AD));
    config::WriteProfileString(path, hw, "datype", TypeName(daType, DeviceClass::DA));
    config::WriteProfileString(path, hw, "iotype", TypeName(ioType, DeviceClass::IO));
    config::WriteProfileString(path, hw, "cttype", TypeName(ctType, DeviceClass::CounterTimer));
    config::WriteProfileString(path, hw, "mctype", TypeName(mcType, DeviceClass::MotorController));
    if (!Demo()) {
        if (adType == devicetype::Win30pg || daType == devicetype::Win30pg ||
            ioType == devicetype::Win30pg)
            win30pg().WriteIni(path);
        if (ctType == devicetype::Dcc20ax) {
            config::WriteProfileString(path, hw, "CounterTimerDeviceName", dcc20ax().GetDeviceNames());
            dcc20ax().WriteIni(path);
        }
    }
    if (mcType != devicetype::None) {
        config::WriteProfileString(path, hw, "spectrometer motors", std::to_string(spectrometerMotors));
        config::WriteProfileString(path, hw, "stage motors", std::to_string(stageMotors));
        switch (mcType) {
            case devicetype::Simulate:
                simX.WriteIni(path, "Stage X");
                simY.WriteIni(path, "Stage Y");
                break;
            case devicetype::Dcx:
                dcxX().WriteIni(path, "Stage X");
                dcxY().WriteIni(path, "Stage Y");
                break;
            case devicetype::Sx50:
                sx50X().WriteIni(path, "Stage X");
                sx50Y().WriteIni(path, "Stage Y");
                break;
            default: break;
        }
    }
    config::WriteProfileString(path, "faraday", "DefaultBeamBlankFlag", BoolText(defaultBeamBlank));
    config::WriteProfileString(path, "faraday", "FaradayWaitInTime", FormatSignificant(faradayWaitIn, 7));
    config::WriteProfileString(path, "faraday", "FaradayWaitOutTime", FormatSignificant(faradayWaitOut, 7));
}

int BOARD::Initialize() {
    simProbe().Initialize();
    if (Demo()) return 0;
    if (adType == devicetype::Win30pg || daType == devicetype::Win30pg || ioType == devicetype::Win30pg)
        win30pg().Initialize();
    dcc20ax().Initialize();
    if (mcType > 3) {
        showMessage("Bad MC_Type", "BOARD::Initialize()");
        return 0;
    }
    if (mcType == devicetype::Dcx) {
        // The stage axes follow the spectrometer axes, eight axes per controller.
        const int s = std::max(spectrometerMotors, 0);
        dcxX().axisNumber = static_cast<int16_t>(s % 8 + 1);
        const int xOpen = dcxX().Open(s / 8);
        if (xOpen < 0) {
            showMessage("DCX Stage X open error(DCX)", "BOARD::Initialize()");
            return xOpen;
        }
        dcxY().axisNumber = static_cast<int16_t>(s % 8 + 2);
        const int yOpen = dcxY().Open((s + 1) / 8);
        if (yOpen < 0) {
            showMessage("DCX Stage Y open error(DCX)", "BOARD::Initialize()");
            return yOpen;
        }
    } else if (mcType == devicetype::Sx50) {
        sx50X().Initialize();
        sx50Y().Initialize();
    }
    return 0;
}

void BOARD::StartUpMotors() {
    if (stageMotors > 4) showMessage("Warning: more than 4 stage motors!", "init_software_3()");
    double xOffset = 0, yOffset = 0;
    corFile().Read(spectrometerMotors + stageMotors);
    if (stageMotors >= 2) {
        xOffset = corFile().GetOffset(spectrometerMotors);
        yOffset = corFile().GetOffset(spectrometerMotors + 1);
    }
    SetXYOffset(xOffset, yOffset);
}

void BOARD::StartUpCentre() {
    const uint32_t centre = daMax / 2;
    pixelX = pixelY = centre;
    SetX(centre);
    SetY(centre);
    Control(0);
    SetXSUDirect(GetStageXPosition());
    SetYSUDirect(GetStageYPosition());
}

void BOARD::StartUp() {
    StartUpMotors();
    StartUpCentre();
}

// --- D/A, A/D and I/O ----------------------------------------------------------

void BOARD::WriteTestPattern() {
    // N x N blocks: a checkerboard on bit 4, stripes on bits 5 and 6. A block
    // side below 1 from the file would divide by zero; it counts as 1.
    const uint32_t n = testBlock > 0 ? static_cast<uint32_t>(testBlock) : 1u;
    const uint32_t bx = (pixelX / n) % 2;
    const uint32_t by = (pixelY / n) % 2;
    win30pg().SetTestPattern(((bx + by) % 2) | (bx << 1) | (by << 2));
}

int BOARD::SetX(unsigned int code) {
    simProbe().SetDA(SIMPROBE::Axis::X, code);
    if (Demo()) return 0;
    switch (daType) {
        case devicetype::None:
        case devicetype::Simulate: return 0;
        case devicetype::Win30pg:
            win30pg().SetX(code);
            if (testPattern) WriteTestPattern();
            return 0;
        default: showMessage("Unsupported D/A Type", "BOARD::SetX()"); return 0;
    }
}

int BOARD::SetY(unsigned int code) {
    simProbe().SetDA(SIMPROBE::Axis::Y, code);
    if (Demo()) return 0;
    switch (daType) {
        case devicetype::None:
        case devicetype::Simulate: return 0;
        case devicetype::Win30pg: win30pg().SetY(code); return 0;
        default: showMessage("Unsupported D/A Type", "BOARD::SetY()"); return 0;
    }
}

unsigned int BOARD::GetX() const { return simProbe().GetDA(SIMPROBE::Axis::X); }
unsigned int BOARD::GetY() const { return simProbe().GetDA(SIMPROBE::Axis::Y); }

int BOARD::SetADGain(int channel, int gain) {
    if (Demo()) return 0;
    switch (adType) {
        case devicetype::None:
        case devicetype::Simulate: return 0;
        case devicetype::Win30pg: win30pg().SetGain(channel, gain); return 1;
        default: showMessage("Unsupported A/D Type", "BOARD::SetADGain()"); return 0;
    }
}

int BOARD::Control(int on) {
    if (!controlLogic) on = !on;
    simProbe().SetControl(on);
    if (Demo()) return 0;
    switch (ioType) {
        case devicetype::None:
        case devicetype::Simulate: return 0;
        case devicetype::Win30pg: win30pg().Control(on); return 1;
        default: showMessage("Unsupported I/O Type", "BOARD::Control()"); return 0;
    }
}

unsigned int BOARD::ReadDigital() {
    if (Demo()) return simProbe().ReadDigital();
    switch (ioType) {
        case devicetype::Simulate: return simProbe().ReadDigital();
        case devicetype::Win30pg: return static_cast<unsigned int>(win30pg().ReadDigital());
        default: return 0;
    }
}

// --- counter/timer ---------------------------------------------------------------

int BOARD::SetCountTime(float seconds) {
    if (Demo() || ctType == devicetype::Simulate) return simProbe().SetCountTime(seconds);
    switch (ctType) {
        case devicetype::None: return 0;
        case devicetype::Dcc20ax: return dcc20ax().SetCountTime(seconds);
        default: showMessage("Bad CT_Type", "BOARD::SetCountTime()"); return 0;
    }
}

void BOARD::Start() {
    int numbers[kCounterChannels];
    const int count = links.enabledCounters ? links.enabledCounters(numbers, kCounterChannels) : 0;
    Start(numbers, std::clamp(count, 0, kCounterChannels));
}

void BOARD::Start(const int* counterNumbers, int count) {
    if (Demo() || ctType == devicetype::Simulate) {
        for (int i = 0; i < count; ++i) simProbe().StartCounter(counterNumbers[i]);
        return;
    }
    switch (ctType) {
        case devicetype::None: return;
        case devicetype::Dcc20ax:
            for (int i = 0; i < count; ++i) dcc20ax().Start(counterNumbers[i]);
            return;
        default: showMessage("Bad CT_Type", "BOARD::Start()"); return;
    }
}

int BOARD::IsCounting() {
    if (Demo() || ctType == devicetype::Simulate) return simProbe().IsCounting();
    switch (ctType) {
        case devicetype::None: return 0;
        case devicetype::Dcc20ax: return dcc20ax().IsCounting();
        default: showMessage("Bad CT_Type", "BOARD::IsCounting()"); return 0;
    }
}

int BOARD::ReadCounter(int n) {
    if (Demo() || ctType == devicetype::Simulate) return simProbe().ReadCounter(n);
    switch (ctType) {
        case devicetype::None: return 0;
        case devicetype::Dcc20ax: return dcc20ax().Read(n);
        default: showMessage("Unknown Counter Type", "BOARD::ReadCounter()"); return 0;
    }
}

// --- motor controller --------------------------------------------------------------
//
// Corner and window operations: the simulated axis first, then DEMO stops,
// then the axis of the configured family.

#define BOARD_AXIS_ROUTE(sim, dcx, sx50, name, call) \
    sim.call;                                        \
    if (Demo()) return;                              \
    switch (mcType) {                                \
        case devicetype::None:                       \
        case devicetype::Simulate: return;           \
        case devicetype::Dcx: dcx.call; return;      \
        case devicetype::Sx50: sx50.call; return;    \
        default: BadMcType(name); return;            \
    }

void BOARD::SetXSUDirect(double centre) { BOARD_AXIS_ROUTE(simX, dcxX(), sx50X(), "SetXSUDirect", SetSUDirect(centre)) }
void BOARD::SetYSUDirect(double centre) { BOARD_AXIS_ROUTE(simY, dcxY(), sx50Y(), "SetYSUDirect", SetSUDirect(centre)) }
void BOARD::SetXHiSU(double value) { BOARD_AXIS_ROUTE(simX, dcxX(), sx50X(), "SetXHiSU", SetHiSU(value)) }
void BOARD::SetXLoSU(double value) { BOARD_AXIS_ROUTE(simX, dcxX(), sx50X(), "SetXLoSU", SetLoSU(value)) }
void BOARD::SetYHiSU(double value) { BOARD_AXIS_ROUTE(simY, dcxY(), sx50Y(), "SetYHiSU", SetHiSU(value)) }
void BOARD::SetYLoSU(double value) { BOARD_AXIS_ROUTE(simY, dcxY(), sx50Y(), "SetYLoSU", SetLoSU(value)) }
void BOARD::CheckXPolarity() { BOARD_AXIS_ROUTE(simX, dcxX(), sx50X(), "CheckXPolarity", CheckPolarity()) }
void BOARD::CheckYPolarity() { BOARD_AXIS_ROUTE(simY, dcxY(), sx50Y(), "CheckYPolarity", CheckPolarity()) }

void BOARD::SetBacklashDirection(double xDirection, double yDirection) {
    simX.SetBacklashDirection(xDirection);
    simY.SetBacklashDirection(yDirection);
    if (Demo()) return;
    switch (mcType) {
        case devicetype::None:
        case devicetype::Simulate: return;
        case devicetype::Dcx:
            dcxX().SetBacklashDirection(xDirection);
            dcxY().SetBacklashDirection(yDirection);
            return;
        case devicetype::Sx50:
            sx50X().SetBacklashDirection(xDirection);
            sx50Y().SetBacklashDirection(yDirection);
            return;
        default: BadMcType("SetBacklashDirection"); return;
    }
}

// Real controllers take the final approach from the backlash side.
void BOARD::SetPositionX(double position) {
    simX.SetPosition(position);
    if (Demo()) return;
    switch (mcType) {
        case devicetype::None:
        case devicetype::Simulate: return;
        case devicetype::Dcx: dcxX().MoveWithBacklash(position); return;
        case devicetype::Sx50: sx50X().MoveWithBacklash(position); return;
        default: BadMcType("SetPositionX"); return;
    }
}

void BOARD::SetPositionY(double position) {
    simY.SetPosition(position);
    if (Demo()) return;
    switch (mcType) {
        case devicetype::None:
        case devicetype::Simulate: return;
        case devicetype::Dcx: dcxY().MoveWithBacklash(position); return;
        case devicetype::Sx50: sx50Y().MoveWithBacklash(position); return;
        default: BadMcType("SetPositionY"); return;
    }
}

#undef BOARD_AXIS_ROUTE

// Corner getters answer from the simulated axis in DEMO and simulation.
#define BOARD_CORNER_GET(sim, dcx, sx50, name, call) \
    if (Demo()) return sim.call;                     \
    switch (mcType) {                                \
        case devicetype::None: return 0.0;           \
        case devicetype::Simulate: return sim.call;  \
        case devicetype::Dcx: return dcx.call;       \
        case devicetype::Sx50: return sx50.call;     \
        default: BadMcType(name); return 0.0;        \
    }

double BOARD::GetXLoSU() { BOARD_CORNER_GET(simX, dcxX(), sx50X(), "GetXLoSU", GetLoSU()) }
double BOARD::GetXHiSU() { BOARD_CORNER_GET(simX, dcxX(), sx50X(), "GetXHiSU", GetHiSU()) }
double BOARD::GetYLoSU() { BOARD_CORNER_GET(simY, dcxY(), sx50Y(), "GetYLoSU", GetLoSU()) }
double BOARD::GetYHiSU() { BOARD_CORNER_GET(simY, dcxY(), sx50Y(), "GetYHiSU", GetHiSU()) }

#undef BOARD_CORNER_GET

void BOARD::MoveToPositionX(double fraction) {
    if (Demo()) return simX.MoveToPosition(fraction);
    switch (mcType) {
        case devicetype::None: return;
        case devicetype::Simulate: simX.MoveToPosition(fraction); return;
        case devicetype::Dcx: dcxX().MoveToPosition(fraction); return;
        case devicetype::Sx50: sx50X().MoveToPosition(fraction); return;
        default: BadMcType("MoveToPositionX"); return;
    }
}

void BOARD::MoveToPositionY(double fraction) {
    if (Demo()) return simY.MoveToPosition(fraction);
    switch (mcType) {
        case devicetype::None: return;
        case devicetype::Simulate: simY.MoveToPosition(fraction); return;
        case devicetype::Dcx: dcxY().MoveToPosition(fraction); return;
        case devicetype::Sx50: sx50Y().MoveToPosition(fraction); return;
        default: BadMcType("MoveToPositionY"); return;
    }
}

double BOARD::AgreedSx50Fraction(SX50MOT& axis, const char* operation, bool isX) {
    // Single SX50 readings can differ: take a value two readings agree on.
    const double a = axis.GetPositionHL();
    const double b = axis.GetPositionHL();
    if (a == b) return a;
    LogLine(std::string(operation) + " error, 3rd opinion");
    const double c = axis.GetPositionHL();
    if (c == b) return b;
    if (isX) {
        if (c == a) return c;
        LogLine(std::string(operation) + " error, 4rd opinion");
        return axis.GetPositionHL();
    }
    if (c != a) LogLine(std::string(operation) + " error, 4rd opinion");
    return c;
}

double BOARD::GetPositionXHL() {
    if (Demo()) return simX.GetPositionHL();
    switch (mcType) {
        case devicetype::None: return 0.0;
        case devicetype::Simulate: return simX.GetPositionHL();
        case devicetype::Dcx: return dcxX().GetPositionHL();
        case devicetype::Sx50: return AgreedSx50Fraction(sx50X(), "GetPositionXHL()", true);
        default: BadMcType("GetPositionXHL"); return 0.0;
    }
}

double BOARD::GetPositionYHL() {
    if (Demo()) return simY.GetPositionHL();
    switch (mcType) {
        case devicetype::None: return 0.0;
        case devicetype::Simulate: return simY.GetPositionHL();
        case devicetype::Dcx: return dcxY().GetPositionHL();
        case devicetype::Sx50: return AgreedSx50Fraction(sx50Y(), "GetPositionYHL()", false);
        default: BadMcType("GetPositionYHL"); return 0.0;
    }
}

void BOARD::WaitForPositionX() {
    if (Demo()) return;
    switch (mcType) {
        case devicetype::None:
        case devicetype::Simulate: return;
        case devicetype::Dcx: dcxX().WaitForPosition(); return;
        case devicetype::Sx50: sx50X().WaitForPosition(); return;
        default: BadMcType("WaitForPositionX"); return;
    }
}

void BOARD::WaitForPositionY() {
    if (Demo()) return;
    switch (mcType) {
        case devicetype::None:
        case devicetype::Simulate: return;
        case devicetype::Dcx: dcxY().WaitForPosition(); return;
        case devicetype::Sx50: sx50Y().WaitForPosition(); return;
        default: BadMcType("WaitForPositionY"); return;
    }
}

void BOARD::DisableX() {
    if (Demo()) return;
    switch (mcType) {
        case devicetype::Dcx: dcxX().Disable(); return;
        case devicetype::None:
        case devicetype::Simulate:
        case devicetype::Sx50: return;
        default: BadMcType("DisableX"); return;
    }
}

void BOARD::DisableY() {
    if (Demo()) return;
    switch (mcType) {
        case devicetype::Dcx: dcxY().Disable(); return;
        case devicetype::None:
        case devicetype::Simulate:
        case devicetype::Sx50: return;
        default: BadMcType("DisableY"); return;
    }
}

double BOARD::GetStageXPosition() {
    if (Demo()) return simProbe().GetStagePosition(SIMPROBE::Axis::X);
    switch (mcType) {
        case devicetype::None: return 0.0;
        case devicetype::Simulate: return simProbe().GetStagePosition(SIMPROBE::Axis::X);
        case devicetype::Dcx: return dcxX().GetPositionEx();
        case devicetype::Sx50: return sx50X().GetPosition();
        default: BadMcType("GetStageXPosition"); return 0.0;
    }
}

double BOARD::GetStageYPosition() {
    if (Demo()) return simProbe().GetStagePosition(SIMPROBE::Axis::Y);
    switch (mcType) {
        case devicetype::None: return 0.0;
        case devicetype::Simulate: return simProbe().GetStagePosition(SIMPROBE::Axis::Y);
        case devicetype::Dcx: return dcxY().GetPositionEx();
        case devicetype::Sx50: return sx50Y().GetPosition();
        default: BadMcType("GetStageYPosition"); return 0.0;
    }
}

void BOARD::SetXYOffset(double xOffset, double yOffset) {
    if (Demo()) return;
    switch (mcType) {
        case devicetype::Dcx:
            dcxX().offset = xOffset;
            dcxY().offset = yOffset;
            return;
        case devicetype::None:
        case devicetype::Simulate:
        case devicetype::Sx50: return;
        default: BadMcType("SetXYOffset"); return;
    }
}

bool BOARD::StageFailed() {
    if (Demo()) return false;
    switch (mcType) {
        case devicetype::Dcx: return dcxX().failed || dcxY().failed;
        case devicetype::Sx50: return sx50X().failed || sx50Y().failed;
        default: return false;
    }
}

void BOARD::RetryStage() {
    dcxX().failed = dcxY().failed = 0;
    sx50X().failed = sx50Y().failed = 0;
    ResetStageFailureReport();
}

void BOARD::ReportErrors() {
    if (Demo()) return;
    switch (mcType) {
        case devicetype::None:
        case devicetype::Simulate: return;
        case devicetype::Dcx:
        case devicetype::Sx50:
            dcxX().ReportErrors();
            dcxY().ReportErrors();
            return;
        default: BadMcType("ReportErrors"); return;
    }
}

void BOARD::Blank(int on) {
    if (on == 1 && !defaultBeamBlank) return;
    // DEMO is not consulted here: blanking acts by the configured controller.
    switch (mcType) {
        case devicetype::None: return;
        case devicetype::Simulate: break;
        case devicetype::Dcx: dcxX().Blank(on); break;
        case devicetype::Sx50: sx50X().Blank(on); break;
        default: BadMcType("Blank"); return;
    }
    platform::clock().sleep(WaitMilliseconds(on ? faradayWaitIn : faradayWaitOut));
}

void BOARD::SetScanBoundsSU(double leftX, double upperY, double rightX, double lowerY,
                            RegistrationPolarity polarity) {
    const bool xPolarity = polarity.x;
    const bool yPolarity = polarity.y;
    if (!xPolarity) {
        SetXLoSU(leftX);
        SetXHiSU(rightX);
    } else {
        SetXHiSU(leftX);
        SetXLoSU(rightX);
    }
    CheckXPolarity();
    if (!yPolarity) {
        SetYHiSU(upperY);
        SetYLoSU(lowerY);
    } else {
        SetYLoSU(upperY);
        SetYHiSU(lowerY);
    }
    CheckYPolarity();
}

ScanBoundsSU BOARD::GetScanBoundsSU(RegistrationPolarity polarity) {
    const bool xPolarity = polarity.x;
    const bool yPolarity = polarity.y;
    ScanBoundsSU bounds;
    bounds.leftX = xPolarity ? GetXHiSU() : GetXLoSU();
    bounds.rightX = xPolarity ? GetXLoSU() : GetXHiSU();
    bounds.upperY = yPolarity ? GetYLoSU() : GetYHiSU();
    bounds.lowerY = yPolarity ? GetYHiSU() : GetYLoSU();
    return bounds;
}

namespace {
// Lines of the operation history that belong to no image window.
void LogLine(const std::string& text) { LogHistory(ImageHandle{}, text, false); }
}  // namespace

}  // namespace orvex
