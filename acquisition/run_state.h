#pragma once
// The shared state of an acquisition run: whether a run is going and how the
// passes store their pixels. Halt and Finish change it from inside the
// message pump; the scan engine looks at it between pixels.
namespace orvex {

/// runState values.
enum : int { RUN_IDLE = 0, RUN_RUNNING = 1, RUN_HALT = 2, RUN_FINISH = 3 };
/// acquireMode values.
enum : int {
    ACQUIRE_NONE = 0,
    ACQUIRE_STORE = 1,        // single run and the first averaging pass
    ACQUIRE_STORE_EVERY = 2,  // continuous: every pass overwrites
    ACQUIRE_ACCUMULATE = 3,   // averaging passes after the first
};

struct RunState {
    int runState = RUN_IDLE;
    int acquireMode = ACQUIRE_NONE;
    int commandBusy = 0;
    /// Set from the start of a run to its end: closing a channel window or
    /// the program meanwhile asks whether to terminate the acquisition.
    int acquisitionInProgress = 0;
};

/// The run state of the program.
RunState& runState();
/// Back to idle (tests).
void resetRunState();

}  // namespace orvex
