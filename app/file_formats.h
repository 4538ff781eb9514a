#pragma once
// Which readers and writers serve which image file type, and what the grid
// files take from the calibration, the settings and the palette bar.
#include "formats/grid.h"

namespace orvex::app {

class Application;

/// Serves the TIFF, PCX, BMP and grid types of the image store with the
/// readers and writers of the file formats.
void InstallImageFileFormats();

/// Fills the openers of the 24-bit BMP and the grids from the file formats.
void InstallFileOpeners(Application& application);

/// The factor between registration units and grid units: the calibration's
/// microns per stage unit (1 when that is 0 or not a number).
double GridScaleFactor();
/// What grid files read and write with now: the factor, the grid units of the
/// settings and the palette bar's default palette.
formats::GridContext CurrentGridContext();

}  // namespace orvex::app
