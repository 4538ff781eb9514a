#pragma once
// A simulated stage axis: positions are set at once, without motion, backlash
// move or range check.
#include "hardware/stagemot.h"

namespace orvex {

class SIMMOT : public STAGEMOT {
public:
    /// Sets the position at once; returns 1.
    int SetPosition(double position) {
        this->position = position;
        return 1;
    }
    /// Sets the position to the given fraction of the scan window at once.
    void MoveToPosition(double fraction) { position = PositionOf(fraction); }
    double GetPosition() const { return position; }
    /// Fraction of the present position within the scan window.
    double GetPositionHL() const { return FractionOf(position); }
    /// There is no motion to wait for.
    void WaitForPosition() {}

    double position = 0.0;
};

}  // namespace orvex
