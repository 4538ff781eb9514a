#include "acquisition/calmag.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "config/software_settings.h"
#include "platform/ui.h"

namespace orvex {

namespace {

uint32_t clampSize(int64_t n) {
    return static_cast<uint32_t>(std::clamp<int64_t>(n, 2, 4096));
}

// A fraction of a frame axis; a frame of no extent has every point at 0.
double fractionOf(double distance, double extent) {
    return extent != 0.0 ? distance / extent : 0.0;
}

// Tile counts come from a ratio of real sizes; a beam frame of no size or a
// huge frame must not overflow the counter.
int32_t tileCount(double ratio) {
    if (!(ratio >= 1.0)) return 1;
    if (ratio > 65535.0) return 65535;
    return static_cast<int32_t>(std::trunc(ratio));
}

// The rounding of the tile window: floor, then +1 (first) or -1 (last) on the
// fraction, as a signed value so that -1 can be seen as "too large" later.
int64_t firstIndex(double position) {
    double whole = std::floor(position);
    if (!std::isfinite(whole) || std::fabs(whole) > 1e9) return -1;
    return static_cast<int64_t>(whole) + (position - whole > 0.5 ? 1 : 0);
}

int64_t lastIndex(double position, bool atLeastHalf) {
    double whole = std::floor(position);
    if (!std::isfinite(whole) || std::fabs(whole) > 1e9) return -1;
    double fraction = position - whole;
    bool keep = atLeastHalf ? fraction >= 0.5 : fraction > 0.5;
    return static_cast<int64_t>(whole) - (keep ? 0 : 1);
}

// The unsigned window value of a signed index: -1 and below become huge.
uint32_t asWindowValue(int64_t index) {
    if (index < 0 || index > 0xFFFFFFFFLL) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(index);
}

}  // namespace

CALMAG::CALMAG() {
    SetFieldOfView(1.0);
}

void CALMAG::SetXSize(int64_t n) {
    xsize = clampSize(n);
}
void CALMAG::SetYSize(int64_t n) {
    ysize = clampSize(n);
}

void CALMAG::SetMagnification(int64_t m) {
    if (m > maxMag) m = maxMag;
    if (m < minMag) m = minMag;
    magnification = static_cast<int32_t>(m);
}

double CALMAG::QuantisedMagnification(int32_t magnification, int32_t minMag, int32_t maxMag) {
    int64_t m = magnification;
    if (m > maxMag) m = maxMag;
    if (m < minMag) m = minMag;
    int64_t k;
    if (m < 100)
        k = 1270;
    else if (m < 1000)
        k = 12700;
    else if (m <= 9999)
        k = 127000;
    else if (m <= 50000)
        k = 1270000;
    else
        k = 12700000;
    // A magnification of 0 or below, or one beyond the last step, has no
    // quantum: report 0 and let the caller fall back to 1.
    if (m <= 0) return 0.0;
    int64_t d = k / m;
    if (d == 0) return 0.0;
    return static_cast<double>(k) / static_cast<double>(d);
}

void CALMAG::ApplyMagnificationFor(int probeType, int daType) {
    switch (probeType) {
        case kProbeSemq:
            if (daType == 0) {
                effectiveMag = 1.0;
            } else if (daType == 1 || daType == 2) {
                effectiveMag = QuantisedMagnification(magnification, minMag, maxMag);
            } else {
                platform::showMessage("bad d/a type", "SetMag_SEMQ");
                effectiveMag = 1.0;
            }
            break;
        case kProbeJeol:
        case kProbeCameca:
            effectiveMag = magnification;
            break;
        case kProbeDemo:
            effectiveMag = QuantisedMagnification(magnification, minMag, maxMag);
            break;
        default:
            effectiveMag = minMag;
            break;
    }
    SetFieldOfView(effectiveMag != 0.0 ? effectiveMag : 1.0);
}

void CALMAG::SetFieldOfView(double mag) {
    if (mag == 0.0) mag = 1.0;
    fieldWidth = calMicronsX * calMag / mag;
    fieldHeight = calMag * calMicronsY / mag;
    umPerPixelX = fieldWidth / (static_cast<double>(xsize) - 1.0);
    umPerPixelY = fieldHeight / (static_cast<double>(ysize) - 1.0);
    umPerCountX = fieldWidth / calCountsX;
    umPerCountY = fieldHeight / calCountsY;
}

void CALMAG::SetDefaultScan() {
    stepX = stepY = 10;
    offsetX = offsetY = 1000;
    daFullScale = 1000.0;
    umPerPixelX = umPerPixelY = 1.0;
    fieldWidth = fieldHeight = 100.0;
    umPerCountX = umPerCountY = 0.1;
}

void CALMAG::ReadStageFrame(double xCornerA, double xCornerB, double yCornerA, double yCornerB) {
    double xa = xCornerA * stageToMicrons, xb = xCornerB * stageToMicrons;
    double ya = yCornerA * stageToMicrons, yb = yCornerB * stageToMicrons;
    stageFrame.xLow = std::min(xa, xb);
    stageFrame.xHigh = std::max(xa, xb);
    stageFrame.yLow = std::min(ya, yb);
    stageFrame.yHigh = std::max(ya, yb);
    stagePixelX = stageFrame.width() / xsize;
    stagePixelY = stageFrame.height() / ysize;
}

void CALMAG::SetStageStart() {
    const StageFrame& f = stageFrame;
    double width = f.width(), height = f.height();
    if (stageXPolarity) {
        startX = f.xHigh - stagePixelX / 2;
        stepFracX = -fractionOf(stagePixelX, width);
    } else {
        startX = f.xLow + stagePixelX / 2;
        stepFracX = fractionOf(stagePixelX, width);
    }
    if (stageYPolarity) {
        startY = f.yLow + stagePixelY / 2;
        stepFracY = fractionOf(stagePixelY, height);
    } else {
        startY = f.yHigh - stagePixelY / 2;
        stepFracY = -fractionOf(stagePixelY, height);
    }
    startFracX = fractionOf(startX - f.xLow, width);
    startFracY = fractionOf(startY - f.yLow, height);
}

void CALMAG::SetHybridStart() {
    const StageFrame& f = stageFrame;
    double width = f.width(), height = f.height();
    beamWidth = (xsize - 1.0) * umPerPixelX;
    beamHeight = (ysize - 1.0) * umPerPixelY;
    tilesX = tileCount(beamWidth > 0 ? width / beamWidth + 1 : 1.0);
    tilesY = tileCount(beamHeight > 0 ? height / beamHeight + 1 : 1.0);
    tilePitchX = width / tilesX;
    tilePitchY = height / tilesY;
    if (stageXPolarity) {
        startX = (f.xHigh + f.xLow + (tilesX - 1) * tilePitchX) / 2;
        stepFracX = -fractionOf(tilePitchX, width);
    } else {
        startX = (f.xHigh + f.xLow) / 2 - (tilesX - 1) * tilePitchX / 2;
        stepFracX = fractionOf(tilePitchX, width);
    }
    if (stageYPolarity) {
        startY = (f.yHigh + f.yLow) / 2 - (tilesY - 1) * tilePitchY / 2;
        stepFracY = fractionOf(tilePitchY, height);
    } else {
        startY = (f.yHigh + f.yLow + (tilesY - 1) * tilePitchY) / 2;
        stepFracY = -fractionOf(tilePitchY, height);
    }
    startFracX = fractionOf(startX - f.xLow, width);
    startFracY = fractionOf(startY - f.yLow, height);
}

void CALMAG::SetScanFor(int daType, double xCornerA, double xCornerB, double yCornerA,
                        double yCornerB) {
    switch (scanType) {
        case SCAN_BEAM:
            if (daType == 1 || daType == 2) {
                daFullScale = 65535.0;
                stepX = 65535u / (xsize - 1);
                stepY = 65535u / (ysize - 1);
                offsetX = (65535u - stepX * (xsize - 1)) / 2;
                offsetY = (65535u - stepY * (ysize - 1)) / 2;
            } else if (daType == 0) {
                SetDefaultScan();
            } else {
                platform::showMessage("unrecognized DA_TYPE", "CALMAG::SetScan()");
                SetDefaultScan();
            }
            break;
        case SCAN_STAGE:
            ReadStageFrame(xCornerA, xCornerB, yCornerA, yCornerB);
            SetStageStart();
            break;
        case SCAN_HYBRID:
            ReadStageFrame(xCornerA, xCornerB, yCornerA, yCornerB);
            SetHybridStart();
            // The hybrid beam codes are computed per pixel, so SetXPixel must
            // pass them on unchanged.
            offsetX = offsetY = 0;
            stepX = stepY = 1;
            break;
        default:
            break;
    }
}

bool CALMAG::SetTileX(int32_t i) {
    double width = stageFrame.width();
    if (i < tilesX) {
        tileFracX = stepFracX * i + startFracX;
        tileCentreX = startX + i * width * stepFracX;
        return true;
    }
    tileCentreX = startX;
    tileFracX = fractionOf(startX - stageFrame.xLow, width);
    return false;
}

bool CALMAG::SetTileY(int32_t j) {
    double height = stageFrame.height();
    if (j < tilesY) {
        tileFracY = stepFracY * j + startFracY;
        tileCentreY = startY + j * height * stepFracY;
        return true;
    }
    tileCentreY = startY;
    tileFracY = fractionOf(startY - stageFrame.yLow, height);
    return false;
}

void CALMAG::SetTileWindow() {
    const StageFrame& f = stageFrame;
    tileLeft = std::max(tileCentreX - tilePitchX / 2, f.xLow);
    tileRight = std::min(tileCentreX + tilePitchX / 2, f.xHigh);
    tileTop = std::min(tileCentreY + tilePitchY / 2, f.yHigh);
    tileBottom = std::max(tileCentreY - tilePitchY / 2, f.yLow);

    TileWindow w;
    w.firstColumn = asWindowValue(firstIndex((tileLeft - f.xLow) / stagePixelX));
    w.lastColumn = asWindowValue(lastIndex((tileRight - f.xLow) / stagePixelX, false));
    w.firstRow = asWindowValue(firstIndex((f.yHigh - tileTop) / stagePixelY));
    w.lastRow = asWindowValue(lastIndex((f.yHigh - tileBottom) / stagePixelY, true));
    if (w.firstColumn >= xsize) w.firstColumn = 0;
    if (w.lastColumn >= xsize) w.lastColumn = xsize - 1;
    if (w.firstRow >= ysize) w.firstRow = 0;
    if (w.lastRow >= ysize) w.lastRow = ysize - 1;
    if (w.lastColumn < w.firstColumn) w.firstColumn = 0;
    if (w.lastRow < w.firstRow) w.firstRow = 0;
    tileWindow = w;
}

namespace {
// 32768 -/+ b, with b truncated toward zero and the result kept in 0..65535.
uint32_t centredCode(double b, bool inverted) {
    if (std::isnan(b)) return 32768;
    if (inverted) b = -b;
    if (b <= 0) return 32768 - static_cast<uint32_t>(std::min(-b, 32768.0));
    return 32768 + static_cast<uint32_t>(std::min(b, 32767.0));
}
}  // namespace

uint32_t CALMAG::CalculateXOffsetFor(int daType, uint32_t column) {
    if (daType == 1 || daType == 2) {
        double b = ((column + 0.5) * stagePixelX + stageFrame.xLow - tileCentreX) / umPerCountX;
        return centredCode(b, true);
    }
    if (daType != 0) {
        platform::showMessage("unrecognized DA_TYPE", "CALMAG::CalculateXOffset()");
        SetDefaultScan();
    }
    return column;
}

uint32_t CALMAG::CalculateYOffsetFor(int daType, uint32_t row) {
    if (daType == 1 || daType == 2) {
        double b = (stageFrame.yHigh - (row + 0.5) * stagePixelY - tileCentreY) / umPerCountY;
        return centredCode(b, false);
    }
    if (daType != 0) {
        platform::showMessage("unrecognized DA_TYPE", "CALMAG::CalculateYOffset()");
        SetDefaultScan();
    }
    return row;
}

bool CALMAG::CheckHybrid() {
    if (scanType != SCAN_HYBRID) return false;
    const std::string caption = "Hybrid Scan Setup";
    if (tilePitchX <= stagePixelX && tilePitchY <= stagePixelY) {
        auto answer = platform::ui().message(
            "Beam Frame is smaller than a Stage Pixel.\nPure Stage Scan would be more "
            "efficient.\nContinue Hybrid Scan?",
            caption, platform::Buttons::YesNo, platform::Icon::Question);
        if (answer == platform::Answer::No) return true;
    }
    if (stageFrame.width() <= tilePitchX && stageFrame.height() <= tilePitchY) {
        auto answer = platform::ui().message(
            "Beam Frame is larger than Stage Frame.\nPure Beam Scan would be more "
            "efficient.\nContinue Hybrid Scan?",
            caption, platform::Buttons::YesNo, platform::Icon::Question);
        if (answer == platform::Answer::No) return true;
    }
    return false;
}

void CALMAG::CopyTo(CALMAG& other) const {
    other.calMicronsX = calMicronsX;
    other.calMicronsY = calMicronsY;
    other.calCountsX = calCountsX;
    other.calCountsY = calCountsY;
    other.calMag = calMag;
    other.calKilovolts = calKilovolts;
    other.userKilovolts = userKilovolts;
    other.minMag = minMag;
    other.maxMag = maxMag;
    other.stageToMicrons = stageToMicrons;
    other.xPolarity = xPolarity;
    other.yPolarity = yPolarity;
    other.stageXPolarity = stageXPolarity;
    other.stageYPolarity = stageYPolarity;
    other.displayXPolarity = displayXPolarity;
    other.displayYPolarity = displayYPolarity;
    other.registrationXPolarity = registrationXPolarity;
    other.registrationYPolarity = registrationYPolarity;
    other.units = units;
    other.scanType = scanType;
    other.magnification = magnification;
    other.effectiveMag = effectiveMag;
    other.daFullScale = daFullScale;
    other.xsize = xsize;
    other.ysize = ysize;
    // The pixel size follows from what was copied; a copy that registers an
    // image must know it.
    other.fieldWidth = fieldWidth;
    other.fieldHeight = fieldHeight;
    other.umPerPixelX = umPerPixelX;
    other.umPerPixelY = umPerPixelY;
    other.umPerCountX = umPerCountX;
    other.umPerCountY = umPerCountY;
}

CALMAG& calmag() {
    static CALMAG instance;
    return instance;
}

void resetCalmag() {
    calmag() = CALMAG();
}

}  // namespace orvex
