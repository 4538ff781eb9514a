#pragma once
// The entry points of the counter/timer library "dcc20z32.dll" as the
// DCC20AX driver calls them. A device handle of 0 means the open failed. The
// stand-in library checks its exports against these types.
#include <cstdint>

namespace orvex::dcc20api {

using MasterResetFn = int32_t (*)(int32_t handle);
using OpenFn = int32_t (*)(const char* deviceName, int32_t boards);
using LoadStartFn = int32_t (*)(int32_t handle, int32_t counter, float seconds);
using StopCounterFn = int32_t (*)(int32_t handle, int32_t counter);
using ReadCountFn = int32_t (*)(int32_t handle, int32_t counter);
using StatusFn = int32_t (*)(int32_t handle, int32_t counter);

constexpr const char* kEntryPointNames[] = {
    "DCC20AX_MasterReset", "DCC20AX_Open",      "DCC20AX_LoadStart",
    "DCC20AX_StopCounter", "DCC20AX_ReadCount", "DCC20AX_Status",
};

}  // namespace orvex::dcc20api
