#pragma once
// The scan calibration: turns image size, magnification, scan type and stage
// frame into the D/A codes of every beam pixel, the stage positions of a stage
// scan and the tiles of a hybrid scan, and knows the real size of a pixel.
#include <cstdint>
#include <string>

namespace orvex {

struct RegistrationPolarity;

/// The stage frame in microns, kept ordered: xLow <= xHigh, yLow <= yHigh.
struct StageFrame {
    double xLow = 0.0;
    double yHigh = 0.0;
    double xHigh = 0.0;
    double yLow = 0.0;
    double width() const { return xHigh - xLow; }
    double height() const { return yHigh - yLow; }
};

/// Image pixels covered by the current hybrid tile, inclusive.
struct TileWindow {
    uint32_t firstColumn = 0;
    uint32_t firstRow = 0;
    uint32_t lastColumn = 0;
    uint32_t lastRow = 0;
};

/// Scan types.
enum : int32_t { SCAN_BEAM = 0, SCAN_STAGE = 1, SCAN_HYBRID = 2 };

class CALMAG {
  public:
    CALMAG();

    // Calibration of the beam deflection.
    double calMicronsX = 1260.0, calMicronsY = 1260.0;
    double calCountsX = 4095.0, calCountsY = 4095.0;
    double calMag = 100.0;
    double calKilovolts = 15.0, userKilovolts = 15.0;
    int32_t minMag = 50, maxMag = 50000;
    double stageToMicrons = 100.0;
    int32_t xPolarity = 0, yPolarity = 0;
    int32_t stageXPolarity = 0, stageYPolarity = 0;
    int32_t displayXPolarity = 0, displayYPolarity = 0;
    int32_t registrationXPolarity = 0, registrationYPolarity = 0;
    /// The registration polarities as the board's stage frame takes them.
    RegistrationPolarity RegistrationPolarities() const;
    std::string units;
    int32_t scanType = SCAN_BEAM;

    // Hybrid scan geometry.
    double beamWidth = 0.0, beamHeight = 0.0;
    double tilePitchX = 0.0, tilePitchY = 0.0;
    double tileLeft = 0.0, tileTop = 0.0, tileRight = 0.0, tileBottom = 0.0;
    StageFrame stageFrame;
    double umPerPixelX = 0.0, umPerPixelY = 0.0;
    double stagePixelX = 0.0, stagePixelY = 0.0;
    int32_t tilesX = 1, tilesY = 1;
    double startX = 0.0, startY = 0.0;
    double startFracX = 0.0, startFracY = 0.0;
    double stepFracX = 0.0, stepFracY = 0.0;
    double tileCentreX = 0.0, tileCentreY = 0.0;
    double tileFracX = 0.0, tileFracY = 0.0;
    TileWindow tileWindow;

    // Magnification and beam scan.
    int32_t magnification = 200;
    double effectiveMag = 1.0;
    double daFullScale = 65535.0;
    double fieldWidth = 0.0, fieldHeight = 0.0;
    double umPerCountX = 0.0, umPerCountY = 0.0;
    uint32_t xsize = 128, ysize = 128;
    uint32_t stepX = 1, stepY = 1;
    uint32_t offsetX = 0, offsetY = 0;

    /// Image size, clamped to 2..4096.
    void SetXSize(int64_t n);
    void SetYSize(int64_t n);
    /// Requested magnification, clamped to minMag..maxMag.
    void SetMagnification(int64_t m);
    /// The magnification in force for the configured probe and D/A type, then
    /// the field of view at it.
    void ApplyMagnification();
    /// ApplyMagnification with the probe and D/A type given.
    void ApplyMagnificationFor(int probeType, int daType);
    /// Field of view, pixel and count sizes at the magnification given.
    void SetFieldOfView(double mag);

    /// Prepares the scan of scanType from the board's D/A type and stage corners.
    void SetScan();
    /// SetScan with the D/A type and the stage corners (stage units) given.
    void SetScanFor(int daType, double xCornerA, double xCornerB, double yCornerA, double yCornerB);

    /// Beam to a pixel column / row: offset + index x step to the board.
    void SetXPixel(uint32_t column);
    void SetYPixel(uint32_t row);
    /// A D/A code to the board unchanged.
    void SetXRaw(uint32_t value);
    void SetYRaw(uint32_t value);
    /// The D/A codes last sent.
    uint32_t GetXRaw() const;
    uint32_t GetYRaw() const;

    /// Hybrid beam D/A code of an image column / row within the current tile.
    uint32_t CalculateXOffset(uint32_t column);
    uint32_t CalculateYOffset(uint32_t row);
    /// CalculateXOffset / CalculateYOffset for a D/A type given.
    uint32_t CalculateXOffsetFor(int daType, uint32_t column);
    uint32_t CalculateYOffsetFor(int daType, uint32_t row);

    /// Centre and stage target of hybrid tile column i / row j; true while inside.
    bool SetTileX(int32_t i);
    bool SetTileY(int32_t j);
    /// The image pixels of the current tile.
    void SetTileWindow();
    /// Asks whether an implausible hybrid scan should go on; true = do not scan.
    bool CheckHybrid();

    /// Reads or writes the calibration's keys.
    void LoadCalibration(const std::string& file);
    void SaveCalibration(const std::string& file) const;

    /// Copies the calibration, units, scan type, magnification and image size.
    void CopyTo(CALMAG& other) const;

    /// The quantised magnification of the SEMQ and DEMO instruments.
    static double QuantisedMagnification(int32_t magnification, int32_t minMag, int32_t maxMag);

  private:
    void SetDefaultScan();
    void ReadStageFrame(double xCornerA, double xCornerB, double yCornerA, double yCornerB);
    void SetStageStart();
    void SetHybridStart();
};

/// The one calibration of the system.
CALMAG& calmag();
/// Puts the calibration back to its start-up state (tests).
void resetCalmag();
/// Plugs the calibration's keys into the load and save order.
void installCalibrationSettings();

}  // namespace orvex
