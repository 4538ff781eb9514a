#pragma once
// The scan engine: one pass over the sample by beam, stage or hybrid scan,
// one reading of every enabled channel at every pixel. The pass runs on the
// user-interface thread and drains the message queue at fixed points, which
// is how Halt, Finish and repaints get through.
#include <cstdint>
#include <string>

namespace orvex {

/// One pass of the calibration's scan type; every channel counts the pass.
void ScanPass();
/// One reading of every enabled channel at the present beam and stage position.
void AcquirePixel();
/// The readings as pixel (x, y): stored or accumulated by the acquire mode.
void StorePixel(uint32_t x, uint32_t y);
/// Saves the line buffers and drains the messages; false when a halt is requested.
bool LineDone();
/// Takes and dispatches pending messages; false (and a halt) when the
/// application is quitting.
bool PumpMessages();
/// The synthetic pass of the DEMO instrument for averaging passes after the first.
void SimulatedPass();

/// The four lines the history receives when the stage missed its target.
std::string StageReportText(int tileColumn, int tileRow, double target, double actual, double step);

}  // namespace orvex
