// A stand-in for the motion-control library: every move completes at once and
// each controller keeps one position per axis, in encoder counts. Tests steer
// it through MCStandIn (MCOpen error codes, moves that never stop) and read
// back what the driver commanded.
//
// Built twice: as libmcapi32.so with every entry point, and as
// libmcapi32_partial.so without MCMoveRelative and MCWaitForStop, to exercise
// the driver's report of missing entry points.
#include <cstring>
#include <map>
#include <string>
#include <type_traits>

#include "hardware/dcx/mcapi.h"

namespace {

constexpr uint32_t kStatusAtTarget = 0x400;
constexpr int kAxesPerController = 8;
constexpr int32_t kBadHandle = -1;
constexpr int32_t kAxisOutOfRange = 15;

struct AxisState {
    double counts = 0;
    bool enabled = false;
    int enableCalls = 0;
    int moves = 0;
    double lastTarget = 0;
    bool neverStops = false;  // this axis never reports the end of a move
};

struct State {
    std::map<int, std::map<int, AxisState>> axes;  // controller -> axis
    std::map<int, int> openResults;                // controller -> forced MCOpen result
    std::map<int16_t, int> handles;                // open handle -> controller
    std::map<std::pair<int, int>, int> digital;    // (controller, channel) -> state
    int16_t nextHandle = 0;
    int lastDigitalChannel = -1;
    int lastDigitalState = -1;
    int opens = 0;
    int closes = 0;
    int statusReads = 0;
    int lastOpenMode = -1;
    bool neverStops = false;
};

State& state() {
    static State instance;
    return instance;
}

// Controllers have axes 1..8; calls on other axes do nothing.
AxisState* axisOf(int16_t handle, uint16_t axis) {
    auto found = state().handles.find(handle);
    if (found == state().handles.end() || axis < 1 || axis > kAxesPerController) return nullptr;
    return &state().axes[found->second][axis];
}

}  // namespace

extern "C" {

int16_t MCClose(int16_t handle) {
    ++state().closes;
    return state().handles.erase(handle) ? 0 : -1;
}

int16_t MCOpen(int16_t controller, uint16_t mode, const char* /*name*/) {
    State& s = state();
    ++s.opens;
    s.lastOpenMode = mode;
    auto forced = s.openResults.find(controller);
    if (forced != s.openResults.end() && forced->second < 0) return static_cast<int16_t>(forced->second);
    if (controller < 0 || controller > 15) return -18;
    int16_t handle = s.nextHandle++;
    s.handles[handle] = controller;
    return handle;
}

#ifndef STANDIN_PARTIAL
void MCMoveRelative(int16_t handle, uint16_t axis, double distance) {
    if (AxisState* a = axisOf(handle, axis)) a->counts += distance;
}
#endif

int32_t MCGetPositionEx(int16_t handle, uint16_t axis, double* position) {
    if (!state().handles.count(handle) || !position) return kBadHandle;
    AxisState* a = axisOf(handle, axis);
    if (!a) return kAxisOutOfRange;
    *position = a->counts;
    return 0;
}

void MCEnableAxis(int16_t handle, uint16_t axis, int16_t on) {
    if (AxisState* a = axisOf(handle, axis)) {
        a->enabled = on != 0;
        ++a->enableCalls;
    }
}

uint32_t MCGetStatus(int16_t handle, uint16_t axis) {
    ++state().statusReads;
    AxisState* a = axisOf(handle, axis);
    if (!a) return kStatusAtTarget;  // nothing there that could be moving
    uint32_t status = a->enabled ? orvex::mcapi::kStatusAxisEnabled : 0;
    if (!state().neverStops && !a->neverStops) status |= kStatusAtTarget;
    return status;
}

#ifndef STANDIN_PARTIAL
int32_t MCWaitForStop(int16_t /*handle*/, uint16_t /*axis*/, double /*seconds*/) { return 1; }
#endif

int32_t MCDecodeStatus(int16_t /*handle*/, uint32_t status, int32_t bit) {
    if (bit == orvex::mcapi::kDecodeMoveComplete) return (status & kStatusAtTarget) ? 1 : 0;
    return 0;
}

void MCMoveAbsolute(int16_t handle, uint16_t axis, double position) {
    if (AxisState* a = axisOf(handle, axis)) {
        a->counts = position;
        a->lastTarget = position;
        ++a->moves;
    }
}

void MCEnableDigitalIO(int16_t handle, uint16_t channel, int16_t on) {
    State& s = state();
    auto found = s.handles.find(handle);
    if (found == s.handles.end()) return;
    s.digital[{found->second, channel}] = on;
    s.lastDigitalChannel = channel;
    s.lastDigitalState = on;
}

/// The test entry point. Commands that set take `value`; the others return
/// what they read.
///   "reset"                 forget every controller, handle and setting
///   "open result"           MCOpen of `controller` returns `value` (< 0), 0 restores
///   "never stop"            moves never report completion (value 1) or do (0)
///   "never stop axis"       the same for one axis of `controller`
///   "set counts"            put the axis at `value` counts
///   "counts", "enabled", "enable calls", "moves", "last target"   per axis
///   "digital"               state of output `axis` of `controller` (-1 never set)
///   "last digital channel", "last digital state", "opens", "closes",
///   "open handles", "status reads", "last open mode"
double MCStandIn(const char* command, int controller, int axis, double value) {
    State& s = state();
    const std::string what = command ? command : "";
    if (what == "reset") {
        s = State{};
        return 0;
    }
    if (what == "open result") {
        s.openResults[controller] = static_cast<int>(value);
        return 0;
    }
    if (what == "never stop") {
        s.neverStops = value != 0;
        return 0;
    }
    AxisState& a = s.axes[controller][axis];
    if (what == "never stop axis") {
        a.neverStops = value != 0;
        return 0;
    }
    if (what == "set counts") {
        a.counts = value;
        return 0;
    }
    if (what == "counts") return a.counts;
    if (what == "enabled") return a.enabled ? 1 : 0;
    if (what == "enable calls") return a.enableCalls;
    if (what == "moves") return a.moves;
    if (what == "last target") return a.lastTarget;
    if (what == "digital") {
        auto found = s.digital.find({controller, axis});
        return found == s.digital.end() ? -1 : found->second;
    }
    if (what == "last digital channel") return s.lastDigitalChannel;
    if (what == "last digital state") return s.lastDigitalState;
    if (what == "opens") return s.opens;
    if (what == "closes") return s.closes;
    if (what == "open handles") return static_cast<double>(s.handles.size());
    if (what == "status reads") return s.statusReads;
    if (what == "last open mode") return s.lastOpenMode;
    return -1;
}

}  // extern "C"

static_assert(std::is_same_v<decltype(&MCClose), orvex::mcapi::CloseFn>);
static_assert(std::is_same_v<decltype(&MCOpen), orvex::mcapi::OpenFn>);
static_assert(std::is_same_v<decltype(&MCGetPositionEx), orvex::mcapi::GetPositionExFn>);
static_assert(std::is_same_v<decltype(&MCEnableAxis), orvex::mcapi::EnableAxisFn>);
static_assert(std::is_same_v<decltype(&MCGetStatus), orvex::mcapi::GetStatusFn>);
static_assert(std::is_same_v<decltype(&MCDecodeStatus), orvex::mcapi::DecodeStatusFn>);
static_assert(std::is_same_v<decltype(&MCMoveAbsolute), orvex::mcapi::MoveAbsoluteFn>);
static_assert(std::is_same_v<decltype(&MCEnableDigitalIO), orvex::mcapi::EnableDigitalIOFn>);
#ifndef STANDIN_PARTIAL
static_assert(std::is_same_v<decltype(&MCMoveRelative), orvex::mcapi::MoveRelativeFn>);
static_assert(std::is_same_v<decltype(&MCWaitForStop), orvex::mcapi::WaitForStopFn>);
#endif
