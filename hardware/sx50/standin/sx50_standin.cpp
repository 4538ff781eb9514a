// A stand-in for the SX50 stage library: one connection for the instrument,
// relative moves that complete when started, and a position per axis in stage
// units. Tests steer it through SXStandIn (a failing initialization, failing
// calls, readings that disagree, an axis that never comes to rest) and read
// back what the driver passed.
//
// Built twice: as libsx50_32.so with every entry point, and as
// libsx50_32_partial.so without SX_GetError and SX_SetFaraday.
#include <array>
#include <deque>
#include <map>
#include <string>
#include <type_traits>

#include "hardware/sx50/sx50_api.h"

namespace {

constexpr uint32_t kConnection = 0x5350;

struct AxisState {
    double position = 0;
    double pending = 0;
    bool loaded = false;
    int starts = 0;
    double lastRelative = 0;
    bool busy = false;            // this axis never comes to rest
    std::deque<double> readings;  // queued readings given out before the true position
};

struct State {
    std::map<int, AxisState> axes;
    std::array<int32_t, orvex::sx50api::kParameterCount> parameters{};
    std::string semDevice, wdsDevice;
    uint32_t connection = 0;
    bool initializeFails = false;
    bool startFails = false;
    bool loadFails = false;
    bool readFails = false;
    bool statusFails = false;
    bool busy = false;
    int initializations = 0;
    int closes = 0;
    int loadAbsCalls = 0;
    int loadAbsFirst = -1, loadAbsSecond = -1;
    int errorCalls = 0;
    int reads = 0;
    int statusReads = 0;
    int faraday = -1;
    int faradayCalls = 0;
};

State& state() {
    static State instance;
    return instance;
}

bool connected(uint32_t connection) { return connection != 0 && connection == state().connection; }

}  // namespace

extern "C" {

int32_t SX_LoadStageAbs(int32_t first, int32_t second) {
    ++state().loadAbsCalls;
    state().loadAbsFirst = first;
    state().loadAbsSecond = second;
    return 1;
}

uint32_t SX_Initialize(const int32_t* parameters, const char* semDevice, const char* wdsDevice) {
    State& s = state();
    ++s.initializations;
    if (parameters)
        for (int i = 0; i < orvex::sx50api::kParameterCount; ++i) s.parameters[i] = parameters[i];
    s.semDevice = semDevice ? semDevice : "";
    s.wdsDevice = wdsDevice ? wdsDevice : "";
    if (s.initializeFails || !parameters || parameters[0] != 40) return 0;
    s.connection = kConnection;
    return s.connection;
}

int32_t SX_StartStage(uint32_t connection, int32_t axis) {
    State& s = state();
    if (!connected(connection) || s.startFails) return 0;
    AxisState& a = s.axes[axis];
    ++a.starts;
    if (a.loaded) a.position += a.pending;
    a.pending = 0;
    a.loaded = false;
    return 1;
}

int32_t SX_LoadStageRel(int32_t axis, double distance) {
    State& s = state();
    if (s.loadFails) return 0;
    AxisState& a = s.axes[axis];
    a.pending = distance;
    a.loaded = true;
    a.lastRelative = distance;
    return 1;
}

int32_t SX_ReadStagePos(uint32_t connection, int32_t axis, double* position) {
    State& s = state();
    ++s.reads;
    if (!connected(connection) || s.readFails || !position) return 0;
    AxisState& a = s.axes[axis];
    if (!a.readings.empty()) {
        *position = a.readings.front();
        a.readings.pop_front();
    } else {
        *position = a.position;
    }
    return 1;
}

#ifndef STANDIN_PARTIAL
int32_t SX_GetError() {
    ++state().errorCalls;
    return 0;
}
#endif

int32_t SX_ReadStageStatus(uint32_t connection, int32_t axis, int32_t /*which*/, uint32_t* status) {
    State& s = state();
    ++s.statusReads;
    if (!connected(connection) || s.statusFails || !status) return 0;
    const bool busy = s.busy || s.axes[axis].busy;
    // The high half carries flags the driver ignores; only the low half says busy.
    *status = 0x80000000u | (busy ? 0x0001u : 0u);
    return 1;
}

int32_t SX_Close(uint32_t connection) {
    State& s = state();
    ++s.closes;
    if (!connected(connection)) return 0;
    s.connection = 0;
    return 1;
}

#ifndef STANDIN_PARTIAL
int32_t SX_SetFaraday(uint32_t connection, int32_t on) {
    State& s = state();
    ++s.faradayCalls;
    if (!connected(connection)) return 0;
    s.faraday = on;
    return 1;
}
#endif

/// The test entry point. Commands that set take `value`; the others return
/// what they read.
///   "reset"                       forget everything
///   "fail initialize", "fail start", "fail load", "fail read", "fail status",
///   "busy"                        switch a fault on (1) or off (0)
///   "busy axis"                   only `axis` never comes to rest (1) or does (0)
///   "set position"                put `axis` at `value` SU
///   "queue reading"               the next read of `axis` gives `value`
///   "position", "starts", "last relative", "queued"                    per axis
///   "initializations", "closes", "load abs calls", "load abs first",
///   "load abs second", "error calls", "reads", "status reads", "faraday",
///   "faraday calls", "connection"
///   "parameter"                   entry `axis` of the last initialization block
double SXStandIn(const char* command, int axis, double value) {
    State& s = state();
    const std::string what = command ? command : "";
    const bool on = value != 0;
    if (what == "reset") {
        s = State{};
        return 0;
    }
    struct Switch {
        const char* name;
        bool& flag;
    };
    for (const Switch& fault : {Switch{"fail initialize", s.initializeFails}, Switch{"fail start", s.startFails},
                            Switch{"fail load", s.loadFails}, Switch{"fail read", s.readFails},
                            Switch{"fail status", s.statusFails}, Switch{"busy", s.busy}}) {
        if (what == fault.name) {
            fault.flag = on;
            return 0;
        }
    }
    if (what == "parameter")
        return axis >= 0 && axis < orvex::sx50api::kParameterCount ? s.parameters[axis] : -1;
    AxisState& a = s.axes[axis];
    if (what == "busy axis") {
        a.busy = on;
        return 0;
    }
    if (what == "set position") {
        a.position = value;
        return 0;
    }
    if (what == "queue reading") {
        a.readings.push_back(value);
        return 0;
    }
    if (what == "position") return a.position;
    if (what == "starts") return a.starts;
    if (what == "last relative") return a.lastRelative;
    if (what == "queued") return static_cast<double>(a.readings.size());
    if (what == "initializations") return s.initializations;
    if (what == "closes") return s.closes;
    if (what == "load abs calls") return s.loadAbsCalls;
    if (what == "load abs first") return s.loadAbsFirst;
    if (what == "load abs second") return s.loadAbsSecond;
    if (what == "error calls") return s.errorCalls;
    if (what == "reads") return s.reads;
    if (what == "status reads") return s.statusReads;
    if (what == "faraday") return s.faraday;
    if (what == "faraday calls") return s.faradayCalls;
    if (what == "connection") return s.connection;
    return -1;
}

/// The device names passed to the last SX_Initialize: `which` 0 SEM, 1 WDS.
const char* SXStandInText(int which) {
    return which == 0 ? state().semDevice.c_str() : state().wdsDevice.c_str();
}

}  // extern "C"

static_assert(std::is_same_v<decltype(&SX_LoadStageAbs), orvex::sx50api::LoadStageAbsFn>);
static_assert(std::is_same_v<decltype(&SX_Initialize), orvex::sx50api::InitializeFn>);
static_assert(std::is_same_v<decltype(&SX_StartStage), orvex::sx50api::StartStageFn>);
static_assert(std::is_same_v<decltype(&SX_LoadStageRel), orvex::sx50api::LoadStageRelFn>);
static_assert(std::is_same_v<decltype(&SX_ReadStagePos), orvex::sx50api::ReadStagePosFn>);
static_assert(std::is_same_v<decltype(&SX_ReadStageStatus), orvex::sx50api::ReadStageStatusFn>);
static_assert(std::is_same_v<decltype(&SX_Close), orvex::sx50api::CloseFn>);
#ifndef STANDIN_PARTIAL
static_assert(std::is_same_v<decltype(&SX_GetError), orvex::sx50api::GetErrorFn>);
static_assert(std::is_same_v<decltype(&SX_SetFaraday), orvex::sx50api::SetFaradayFn>);
#endif
