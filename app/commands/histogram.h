#pragma once
// The menu commands of the histograms, the traceback, the masks and Negate Data.
#include "imagestore/image_handle.h"

namespace orvex {

/// Advanced > Histogram-1d: the histogram picture of a picked image in a new
/// 256 x 256 window. Returns the new window (none when cancelled).
ImageHandle histo1();

/// Advanced > Histogram-2d > Calculate: the 256 x 256 histogram of a picked
/// x-axis and y-axis image pair. Returns the new window (none when cancelled).
ImageHandle histo2();

/// Advanced > Histogram-2d > Traceback: a two-valued image of the x-axis
/// image's size, 255 where the pair of a source pixel lies in a rectangle
/// chosen on one of the recorded histograms. Returns the new window.
ImageHandle chi_traceback();

/// Advanced > Histogram-2d > Kill pixel: sets one picked pixel to 0.
void OVP_KillPixel();

/// Advanced > Modify Image > Make mask: the threshold of a picked image at
/// the value of the picked pixel. Returns the mask (none when cancelled).
ImageHandle MakeMask();

/// Advanced > Modify Image > Mask Image: a copy of a picked source that keeps
/// its values where a picked mask of the same size is non-zero and is 0
/// elsewhere. Returns the result (none when cancelled or of another size).
ImageHandle MaskImage();

/// Advanced > Special Effects > Negate Data on the active image.
void NegateData();

/// Adds the commands to the workstation's command table.
void RegisterHistogramCommands();

}  // namespace orvex
