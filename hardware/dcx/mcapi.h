#pragma once
// The entry points of the motion-control library "mcapi32.dll" as the DCX
// axis calls them. Only plain C types cross the library boundary; the
// stand-in library checks its exports against these types.
#include <cstdint>

namespace orvex::mcapi {

using CloseFn = int16_t (*)(int16_t handle);
using OpenFn = int16_t (*)(int16_t controller, uint16_t mode, const char* name);
using MoveRelativeFn = void (*)(int16_t handle, uint16_t axis, double distance);
using GetPositionExFn = int32_t (*)(int16_t handle, uint16_t axis, double* position);
using EnableAxisFn = void (*)(int16_t handle, uint16_t axis, int16_t state);
using GetStatusFn = uint32_t (*)(int16_t handle, uint16_t axis);
using WaitForStopFn = int32_t (*)(int16_t handle, uint16_t axis, double seconds);
using DecodeStatusFn = int32_t (*)(int16_t handle, uint32_t status, int32_t bit);
using MoveAbsoluteFn = void (*)(int16_t handle, uint16_t axis, double position);
using EnableDigitalIOFn = void (*)(int16_t handle, uint16_t channel, int16_t state);

/// MCOpen's mode for the binary command interface, the one the axes use.
constexpr uint16_t kOpenMode = 2;
/// Status bit 1 (value 2): the axis is enabled.
constexpr uint32_t kStatusAxisEnabled = 2;
/// MCDecodeStatus bit asking whether the move is complete.
constexpr int32_t kDecodeMoveComplete = 3;

/// Names in the order they are resolved.
constexpr const char* kEntryPointNames[] = {
    "MCClose",        "MCOpen",         "MCMoveRelative", "MCGetPositionEx", "MCEnableAxis",
    "MCGetStatus",    "MCWaitForStop",  "MCDecodeStatus", "MCMoveAbsolute",  "MCEnableDigitalIO",
};

}  // namespace orvex::mcapi
