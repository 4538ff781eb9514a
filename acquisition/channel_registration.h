#pragma once
// Where a channel image lies on the specimen: the stage frame for stage and
// hybrid scans, the beam field around the present stage position otherwise.
#include "acquisition/calmag.h"

namespace orvex {

/// The stage as the registration needs it, in stage units.
struct StageReadings {
    double xLow = 0, xHigh = 0, yLow = 0, yHigh = 0;  // the scan window's corners
    double x = 0, y = 0;                              // the present position
};

/// The real rectangle of a channel image, in microns: left and right are the
/// x of columns 0 and width - 1, bottom and top the y of rows height - 1 and 0.
struct RegistrationRectangle {
    double left = 0, right = 0, bottom = 0, top = 0;
};

/// The registration of a width x height image of the calibration's scan.
RegistrationRectangle ChannelRegistration(const CALMAG& calibration, int width, int height,
                                          const StageReadings& stage);

/// The stage corners and position from the device dispatch.
StageReadings ReadStageForRegistration();

/// The board's programmable gain of an analog input.
void SetBoardGain(int channel, int gain);

}  // namespace orvex
