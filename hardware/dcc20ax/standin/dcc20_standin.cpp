// A stand-in for the counter/timer library: devices are opened by name for a
// number of boards (five counters each), and every count finishes as soon as
// it is started. A count is
//     10000 × (order in which its device was opened, from 0)
//   +   100 × (counter on the device)
//   +         pattern (0..99)
// where the pattern is (x + y) mod 100 for the beam position last given by a
// test through DCCStandIn("beam", ...), or, before any, the number of counts
// that counter has started so far mod 100. Tests switch on failing opens,
// failing master resets and counters that never finish.
//
// Built twice: as libdcc20z32.so with every entry point, and as
// libdcc20z32_partial.so without DCC20AX_StopCounter and DCC20AX_Status.
#include <map>
#include <string>
#include <type_traits>
#include <vector>

#include "hardware/dcc20ax/dcc20_api.h"

namespace {

struct Counter {
    bool running = false;
    int starts = 0;
    int reads = 0;
    float lastSeconds = 0;
    int32_t lastCount = 0;
};

struct Device {
    std::string name;
    int boards = 0;
    int order = 0;
    int resets = 0;
    std::vector<Counter> counters;
};

struct State {
    std::vector<Device> open;              // handle n is open[n - 1]
    std::map<std::string, int32_t> resetResults;
    std::map<std::string, bool> openFails;
    std::map<std::string, int> openedBoards; // boards asked for, by name
    bool beamKnown = false;
    unsigned beamX = 0, beamY = 0;
    bool neverFinish = false;
    int opens = 0;
    int statusCalls = 0;
};

State& state() {
    static State instance;
    return instance;
}

Device* deviceOf(int32_t handle) {
    State& s = state();
    if (handle < 1 || handle > static_cast<int32_t>(s.open.size())) return nullptr;
    return &s.open[handle - 1];
}

Counter* counterOf(int32_t handle, int32_t counter) {
    Device* d = deviceOf(handle);
    if (!d || counter < 0 || counter >= static_cast<int32_t>(d->counters.size())) return nullptr;
    return &d->counters[counter];
}

int32_t countFor(const Device& device, int counter, const Counter& c) {
    const State& s = state();
    int pattern = s.beamKnown ? static_cast<int>((s.beamX + s.beamY) % 100) : (c.starts - 1) % 100;
    if (pattern < 0) pattern = 0;
    return 10000 * device.order + 100 * counter + pattern;
}

Device* deviceNamed(const std::string& name) {
    for (auto& d : state().open)
        if (d.name == name) return &d;
    return nullptr;
}

}  // namespace

extern "C" {

int32_t DCC20AX_MasterReset(int32_t handle) {
    Device* d = deviceOf(handle);
    if (!d) return 0x2;
    ++d->resets;
    auto forced = state().resetResults.find(d->name);
    return forced == state().resetResults.end() ? 0 : forced->second;
}

int32_t DCC20AX_Open(const char* deviceName, int32_t boards) {
    State& s = state();
    ++s.opens;
    std::string name = deviceName ? deviceName : "";
    s.openedBoards[name] = boards;
    if (name.empty() || boards < 1 || boards > 4 || s.openFails[name]) return 0;
    Device d;
    d.name = name;
    d.boards = boards;
    d.order = static_cast<int>(s.open.size());
    d.counters.resize(static_cast<size_t>(boards) * 5);
    s.open.push_back(std::move(d));
    return static_cast<int32_t>(s.open.size());
}

int32_t DCC20AX_LoadStart(int32_t handle, int32_t counter, float seconds) {
    Device* d = deviceOf(handle);
    Counter* c = counterOf(handle, counter);
    if (!d || !c) return 0x10;
    c->running = true;
    c->lastSeconds = seconds;
    ++c->starts;
    c->lastCount = countFor(*d, counter, *c);
    return 0;
}

#ifndef STANDIN_PARTIAL
int32_t DCC20AX_StopCounter(int32_t handle, int32_t counter) {
    Counter* c = counterOf(handle, counter);
    if (!c) return 0x10;
    c->running = false;
    return 0;
}
#endif

int32_t DCC20AX_ReadCount(int32_t handle, int32_t counter) {
    Counter* c = counterOf(handle, counter);
    if (!c) return 0;
    ++c->reads;
    return c->lastCount;
}

#ifndef STANDIN_PARTIAL
int32_t DCC20AX_Status(int32_t handle, int32_t counter) {
    ++state().statusCalls;
    Counter* c = counterOf(handle, counter);
    if (!c) return 1;
    if (state().neverFinish) return 0;
    c->running = false;
    return 1;
}
#endif

/// The test entry point. Commands that set take `value`; the others return
/// what they read. `device` names a device, `index` a counter on it.
///   "reset"             forget every device and setting
///   "reset result"      DCC20AX_MasterReset of `device` returns `value`
///   "fail open"         DCC20AX_Open of `device` fails (value 1) or not (0)
///   "never finish"      counts never finish (value 1) or finish at once (0)
///   "beam"              the beam is at x = `index`, y = `value`
///   "opened boards"     boards asked for when `device` was opened (-1 never)
///   "is open", "resets", "order"           per device
///   "starts", "reads", "last seconds"      per counter of a device
///   "opens", "open devices", "status calls"
double DCCStandIn(const char* command, const char* device, int index, double value) {
    State& s = state();
    const std::string what = command ? command : "";
    const std::string name = device ? device : "";
    if (what == "reset") {
        s = State{};
        return 0;
    }
    if (what == "reset result") {
        s.resetResults[name] = static_cast<int32_t>(value);
        return 0;
    }
    if (what == "fail open") {
        s.openFails[name] = value != 0;
        return 0;
    }
    if (what == "never finish") {
        s.neverFinish = value != 0;
        return 0;
    }
    if (what == "beam") {
        s.beamKnown = true;
        s.beamX = static_cast<unsigned>(index);
        s.beamY = static_cast<unsigned>(value);
        return 0;
    }
    if (what == "opened boards") {
        auto found = s.openedBoards.find(name);
        return found == s.openedBoards.end() ? -1 : found->second;
    }
    if (what == "opens") return s.opens;
    if (what == "open devices") return static_cast<double>(s.open.size());
    if (what == "status calls") return s.statusCalls;
    Device* d = deviceNamed(name);
    if (what == "is open") return d ? 1 : 0;
    if (!d) return -1;
    if (what == "resets") return d->resets;
    if (what == "order") return d->order;
    if (index < 0 || index >= static_cast<int>(d->counters.size())) return -1;
    const Counter& c = d->counters[index];
    if (what == "starts") return c.starts;
    if (what == "reads") return c.reads;
    if (what == "last seconds") return c.lastSeconds;
    return -1;
}

}  // extern "C"

static_assert(std::is_same_v<decltype(&DCC20AX_MasterReset), orvex::dcc20api::MasterResetFn>);
static_assert(std::is_same_v<decltype(&DCC20AX_Open), orvex::dcc20api::OpenFn>);
static_assert(std::is_same_v<decltype(&DCC20AX_LoadStart), orvex::dcc20api::LoadStartFn>);
static_assert(std::is_same_v<decltype(&DCC20AX_ReadCount), orvex::dcc20api::ReadCountFn>);
#ifndef STANDIN_PARTIAL
static_assert(std::is_same_v<decltype(&DCC20AX_StopCounter), orvex::dcc20api::StopCounterFn>);
static_assert(std::is_same_v<decltype(&DCC20AX_Status), orvex::dcc20api::StatusFn>);
#endif
