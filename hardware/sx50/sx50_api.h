#pragma once
// The entry points of the stage library "sx50_32.dll" as the SX50 axes call
// them. Calls that report a status return 1 on success. The stand-in library
// checks its exports against these types.
#include <cstdint>

namespace orvex::sx50api {

using LoadStageAbsFn = int32_t (*)(int32_t first, int32_t second);
using InitializeFn = uint32_t (*)(const int32_t* parameters, const char* semDevice,
                                  const char* wdsDevice);
using StartStageFn = int32_t (*)(uint32_t connection, int32_t axis);
using LoadStageRelFn = int32_t (*)(int32_t axis, double distance);
using ReadStagePosFn = int32_t (*)(uint32_t connection, int32_t axis, double* position);
using GetErrorFn = int32_t (*)();
using ReadStageStatusFn = int32_t (*)(uint32_t connection, int32_t axis, int32_t which,
                                      uint32_t* status);
using CloseFn = int32_t (*)(uint32_t connection);
using SetFaradayFn = int32_t (*)(uint32_t connection, int32_t on);

/// The initialization block: its size in bytes first, then the interface
/// board type and the library's fixed timing values.
constexpr int kParameterCount = 10;

constexpr const char* kEntryPointNames[] = {
    "SX_LoadStageAbs", "SX_Initialize", "SX_StartStage",      "SX_LoadStageRel", "SX_ReadStagePos",
    "SX_GetError",     "SX_ReadStageStatus", "SX_Close",      "SX_SetFaraday",
};

}  // namespace orvex::sx50api
