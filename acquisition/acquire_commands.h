#pragma once
// The acquisition commands of the Acquire menu (Single, Continuous, Average,
// Finish, Halt) and Burn In: the frame each puts around the scan engine
// (beam unblanked and under control, channel images prepared, history lines,
// greyed menus) and what is given back at the end.
#include <cstdint>
#include <functional>
#include <string>

#include "imagestore/image_handle.h"

namespace orvex {

/// What the front ends show of a run: whether the Setup and Modes menus are
/// greyed and which acquisition command carries a check mark.
struct AcquireMenuState {
    bool menusGreyed = false;
    bool singleChecked = false;
    bool continuousChecked = false;
    bool averageChecked = false;
    /// The pass being scanned (Continuous from 0, Average from 1); -1 between runs.
    int pass = -1;
};
AcquireMenuState& acquireMenuState();
/// Back to the start-up state (tests).
void resetAcquireMenuState();
/// Whether the Setup and Modes menus are enabled.
bool AcquisitionMenusEnabled();
/// Whether a run is going (started and not yet back to idle): Finish and Halt
/// are offered only then.
bool AcquisitionRunning();
/// Whether Single, Continuous and Average may start: no run and no
/// acquisition command in progress.
bool AcquisitionCommandsEnabled();

/// The warning at the start of a run on a real probe whose analog board
/// cannot measure, and the line it leaves in each analog image's history.
inline constexpr const char* kAnalogBoardFailedWarning =
    "The WIN-30 board failed its self-test: the analog inputs are disabled.\n"
    "The analog channels will hold 0 at every pixel, not measurements.";
inline constexpr const char* kAnalogBoardFailedHistory =
    "  analog inputs disabled (WIN-30 self-test failed): every pixel 0";
inline constexpr const char* kAnalogBoardMissingWarning =
    "The WIN-30 library cannot read the analog inputs: they are disabled.\n"
    "The analog channels will hold a simulated test ramp, not measurements.";
inline constexpr const char* kAnalogBoardMissingHistory =
    "  analog inputs disabled (no WIN-30 library): simulated test ramp";

/// Re-reads the named element lists, names the channels after them and
/// prepares every channel's image (analog, digital, counter).
void PrepareAcquisition();
/// Fits a base palette onto an image's data; returns an ImageResult.
using PaletteStretch = std::function<int(ImageHandle image, const uint32_t* base)>;
/// The stretch the runs use after each pass, handed in by the composition (the
/// toolkit's palette stretch); while it is empty no palette is stretched.
PaletteStretch& acquisitionPaletteStretch();
/// Stretches the palette of every registered image of each channel kind whose
/// autostretch is on (analog, counter, digital) onto its data.
void StretchAcquiredPalettes();

/// The commands themselves (no busy flag, no SetScan).
void acquire_single();
void acquire_continuous();
void acquire_average();
/// The menu entries: ignored while an acquisition command runs; otherwise the
/// busy flag brackets SetScan and the command.
void OnAcquireSingle();
void OnAcquireContinuous();
void OnAcquireAverage();
/// Finish: running or halting becomes finishing. Halt: running or finishing
/// becomes halting.
void OnAcquireFinish();
void OnAcquireHalt();

/// Burn In: a new 8-bit image of the active window's picture (with its
/// overlays) whose pixels are the palette indices of the colours shown.
ImageHandle BurnIn();

/// A close request during an acquisition: for a channel window, or for every
/// window at once (no window), asks "Do You Wish to Terminate Acquisition?".
/// Yes requests a halt and lets the close go ahead; No keeps the windows.
/// True when the close may go ahead.
bool ConfirmCloseDuringAcquisition(ImageHandle window);

}  // namespace orvex
