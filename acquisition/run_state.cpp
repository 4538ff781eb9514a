#include "acquisition/run_state.h"

namespace orvex {

RunState& runState() {
    static RunState state;
    return state;
}

void resetRunState() {
    runState() = RunState();
}

}  // namespace orvex
