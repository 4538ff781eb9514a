#include "hardware/sx50/sx50mot.h"

#include "config/profile_file.h"
#include "config/settings_order.h"
#include "hardware/sx50/sx50_library.h"
#include "imagestore/history.h"
#include "platform/clock.h"
#include "platform/ui.h"

namespace orvex {

namespace {

// The library and the connection are declared before the axes so that they
// outlive them: the axes end the connection through the library at exit.
struct Sx50Family {
    Sx50Library library;
    SX50Connection connection;
    SX50MOT x{1};
    SX50MOT y{2};
};

Sx50Family& family() {
    static Sx50Family instance;
    return instance;
}

}  // namespace

Sx50Library& sx50Library() { return family().library; }
SX50Connection& sx50Connection() { return family().connection; }
SX50MOT& sx50AxisX() { return family().x; }
SX50MOT& sx50AxisY() { return family().y; }

void resetSx50Axes() {
    Sx50Family& f = family();
    f.x.Close();
    f.x = SX50MOT(1);
    f.y = SX50MOT(2);
    f.connection = SX50Connection();
    f.library.Unload();
    f.library.name = Sx50Library::kLibraryName;
    ResetStageFailureReport();
}

SX50MOT::~SX50MOT() { Close(); }

bool SX50MOT::Check(int32_t status, const char* text, const char* caption) {
    SX50Connection& shared = sx50Connection();
    shared.lastStatus = status;
    if (shared.lastStatus != 1 && shared.interfaceType != 0) {
        platform::showMessage(text, caption);
        shared.lastStatus = 1;
    }
    return status == 1;
}

int SX50MOT::Initialize() {
    Sx50Library& library = sx50Library();
    library.Load();
    SX50Connection& shared = sx50Connection();
    if (shared.initialized) return 0;
    if (!library.Ready()) return -1;  // reported by the load
    const int32_t parameters[sx50api::kParameterCount] = {
        40, shared.interfaceType, 0, 0, 20000, 30000, 60000, 100000, 5, 2};
    shared.connection = library.initialize(parameters, semDeviceName.c_str(), wdsDeviceName.c_str());
    if (shared.connection == 0) {
        platform::showMessage("SX50 Initialization Error", "SX50MOT::Initialize()");
        return -1;
    }
    library.loadStageAbs(1, 0);
    shared.initialized = 1;
    return 0;
}

void SX50MOT::Close() {
    SX50Connection& shared = sx50Connection();
    if (shared.connection != 0 && sx50Library().Ready()) sx50Library().close(shared.connection);
    shared.connection = 0;
    shared.initialized = 0;
}

void SX50MOT::ReadIni(const std::string& path, const std::string& section) {
    STAGEMOT::ReadIni(path, section);
    semDeviceName = config::ReadProfileString(path, "hardware", "SX50SEMDeviceName", "iomapper5", 100);
    wdsDeviceName = config::ReadProfileString(path, "hardware", "SX50WDSDeviceName", "iomapper6", 100);
    const std::string type = config::ReadProfileString(path, "hardware", "SX50InterfaceBoardType", "0");
    int interfaceType = 0;
    if (type == "2") {
        interfaceType = 2;
    } else if (type == "1") {
        interfaceType = 1;
    } else if (type != "0") {
        platform::ui().message("Warning - SX50:Unrecognized Interface Type\nMust be '0' or '1'",
                               "SX50MOT::ReadIni()", platform::Buttons::Ok, platform::Icon::Warning);
    }
    sx50Connection().interfaceType = interfaceType;
}

void SX50MOT::WriteIni(const std::string& path, const std::string& section) const {
    config::WriteProfileString(path, section, "low limit", FormatSignificant(lowLimit, 10));
    config::WriteProfileString(path, section, "high limit", FormatSignificant(highLimit, 10));
    config::WriteProfileString(path, section, "span", FormatSignificant(Span(), 10));
    const int type = sx50Connection().interfaceType;
    config::WriteProfileString(path, "hardware", "SX50InterfaceBoardType",
                               type == 2 ? "2" : type == 1 ? "1" : "0");
}

// Without a connection nothing is called: Initialize has reported why.

double SX50MOT::GetPosition() {
    const uint32_t connection = sx50Connection().connection;
    if (connection == 0) return 0.0;
    Sx50Library& library = sx50Library();
    double position = 0;
    const int32_t status = library.readStagePos(connection, axisNumber, &position);
    library.getError();
    Check(status, "error - SX_ReadStagePos()", "SX50MOT::GetPosition()");
    return position;
}

double SX50MOT::GetPositionHL() { return FractionOf(GetPosition()); }

int SX50MOT::SetPosition(double target) {
    if (failed) return 0;
    const uint32_t connection = sx50Connection().connection;
    if (connection == 0) {
        // Nothing can move the stage: given up (said once), so a scan stops
        // rather than measure the same spot at every pixel.
        GiveUp("The " + axisName + " axis has no connection to the SX50\n" + kGivenUpText, "SX50MOT::SetPosition()");
        return 0;
    }
    Sx50Library& library = sx50Library();
    // The library only moves relatively: the distance is taken from the
    // present position. A move is never loaded from a failed read, nor a
    // stale one started after a failed load: either would send the stage to
    // the wrong place.
    double present = 0;
    const int32_t status = library.readStagePos(connection, axisNumber, &present);
    library.getError();
    if (!Check(status, "error - SX_ReadStagePos()", "SX50MOT::SetPosition()")) return 0;
    if (!Check(library.loadStageRel(axisNumber, target - present), "error - SX_LoadStageRel()",
               "SX50MOT::SetPosition"))
        return 0;
    if (!Check(library.startStage(connection, axisNumber), "error - SX_StartStage()", "SX50MOT::SetPosition"))
        return 0;
    if (dumpHistory) {
        history += axisName + " posSU: " + FormatSignificant(target, 10);
        LogHistory(ImageHandle{}, history, false);
        history.clear();
    }
    return 1;
}

void SX50MOT::MoveWithBacklash(double target) {
    if (failed) return;
    STAGEMOT::MoveWithBacklash(
        target, [this] { return GetPosition(); }, [this](double to) { SetPosition(to); },
        [this] { WaitForPosition(); });
}

void SX50MOT::MoveToPosition(double fraction) { MoveWithBacklash(PositionOf(fraction)); }

void SX50MOT::WaitForPosition() {
    const uint32_t connection = sx50Connection().connection;
    if (connection == 0 || failed) return;
    Sx50Library& library = sx50Library();
    const uint32_t start = platform::clock().ticks();
    while (true) {
        uint32_t status = 0;
        // An unreadable status says nothing about the axis: the wait ends
        // rather than polling a failing library without end.
        if (!Check(library.readStageStatus(connection, axisNumber, 0, &status), "error - SX_ReadStageStatus()",
                   "SX50MOT::WaitForPosition()"))
            return;
        if ((status & 0xFFFFu) == 0) return;
        platform::clock().sleep(kPollPauseMs);
        if (platform::clock().ticks() - start > kMoveTimeoutMs) {
            GiveUp("The " + axisName + " axis did not come to rest\n" + kGivenUpText,
                   "SX50MOT::WaitForPosition()");
            return;
        }
    }
}

void SX50MOT::Blank(int on) {
    const uint32_t connection = sx50Connection().connection;
    if (connection != 0) sx50Library().setFaraday(connection, on);
}

void installSx50Settings() {
    // Written by the device dispatch with its other hardware keys, only when
    // the SX50 stage is the configured one.
    config::SetSettingsHandlers(
        config::SettingsSlot::Sx50Axes,
        [](const std::string& path) {
            sx50AxisX().axisNumber = 1;
            sx50AxisY().axisNumber = 2;
            sx50AxisX().ReadIni(path, "stage x");
            sx50AxisY().ReadIni(path, "stage y");
        },
        nullptr);
}

}  // namespace orvex
