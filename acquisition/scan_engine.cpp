#include "acquisition/scan_engine.h"

#include <cmath>
#include <cstdio>

#include "acquisition/calmag.h"
#include "acquisition/channel_tables.h"
#include "acquisition/run_state.h"
#include "config/software_settings.h"
#include "hardware/board.h"
#include "hardware/win30/win30pg.h"
#include "imagestore/history.h"
#include "imagestore/window_list.h"
#include "platform/ui.h"

namespace orvex {

namespace {

bool halted() {
    return runState().runState == RUN_HALT;
}

// After a stage wait: an axis whose move never ended has been given up (and
// reported) by its driver, so the pass stops where it stands rather than
// measuring at positions the stage never reached. True when it stopped.
bool stageGaveUp() {
    if (!board().StageFailed()) return false;
    runState().runState = RUN_HALT;
    return true;
}

// What one pixel touches, looked up once per pass rather than per pixel.
struct PixelPath {
    ChannelTables& t = channelTables();
    BOARD& b = board();
    WIN30PG& analogBoard = win30pg();
    RunState& run = runState();

    void acquire() {
        const bool counters = t.counterNumberCount > 0;
        if (counters) b.Start(t.counterNumbers.data(), t.counterNumberCount);
        // One burst over the read list for all analog channels together; the
        // counters count meanwhile.
        analogBoard.ReadAnalogBlock(t.readList.data(), t.BurstLength(), t.sampleBuffer.data());
        t.ReadAnalogSamples();
        t.ReadDigitalSamples(b);
        if (counters) {
            while (b.IsCounting()) {
            }
            t.ReadCounterSamples(b);
        }
    }
    void store(uint32_t x, uint32_t y) {
        switch (run.acquireMode) {
            case ACQUIRE_STORE:
            case ACQUIRE_STORE_EVERY:
                t.StoreAll(x, y);
                break;
            case ACQUIRE_ACCUMULATE:
                t.AccumulateAll(x, y);
                break;
            default:
                break;
        }
    }
    bool halted() const { return run.runState == RUN_HALT; }
};

void reportProgress(double percent) {
    ReportProgress(static_cast<int>(static_cast<float>(percent)));
}

int retraceReadings() {
    int r = softwareSettings().retrace;
    return r > 0 ? r : 0;
}

void BeamScan() {
    CALMAG& c = calmag();
    ChannelTables& t = channelTables();
    const uint32_t rawX = c.GetXRaw(), rawY = c.GetYRaw();
    t.SetAllTiles(1, 1);
    const uint32_t xs = c.xsize, ys = c.ysize;
    const int retrace = retraceReadings();
    PixelPath p;
    for (uint32_t i = 0; i < ys; ++i) {
        c.SetYPixel(c.yPolarity ? ys - 1 - i : i);
        c.SetXPixel(c.xPolarity ? xs - 1 : 0);          // the start of the line
        for (int r = 0; r < retrace; ++r) p.acquire();  // the beam settles after the flyback
        for (uint32_t j = 0; j < xs; ++j) {
            c.SetXPixel(c.xPolarity ? xs - 1 - j : j);
            p.acquire();
            // The polarities change where the beam goes, never where the value lands.
            p.store(j, i);
            if (p.halted()) break;
        }
        reportProgress((i + 1.0) / ys * 100.0);
        if (!LineDone() || i == ys - 1) break;
    }
    c.SetXRaw(rawX);
    c.SetYRaw(rawY);
}

void StageScan() {
    CALMAG& c = calmag();
    BOARD& b = board();
    ChannelTables& t = channelTables();
    const uint32_t rawX = c.GetXRaw(), rawY = c.GetYRaw();
    c.SetXRaw(b.GetDAMax() / 2);
    c.SetYRaw(b.GetDAMax() / 2);
    const double stageX = b.GetStageXPosition(), stageY = b.GetStageYPosition();
    t.SetAllTiles(1, 1);
    const uint32_t xs = c.xsize, ys = c.ysize;
    PixelPath p;
    for (uint32_t i = 0; i < ys; ++i) {
        b.MoveToPositionY(c.startFracY + i * c.stepFracY);
        b.WaitForPositionY();
        const bool rowMissed = stageGaveUp();
        PumpMessages();
        for (uint32_t j = 0; j < xs && !rowMissed; ++j) {
            b.MoveToPositionX(c.startFracX + j * c.stepFracX);
            PumpMessages();
            b.WaitForPositionX();
            stageGaveUp();
            if (p.halted()) break;
            p.acquire();
            p.store(j, i);
        }
        reportProgress((i + 1.0) / ys * 100.0);
        if (!LineDone() || halted() || i == ys - 1) break;
    }
    c.SetXRaw(rawX);
    c.SetYRaw(rawY);
    b.SetPositionX(stageX);
    b.WaitForPositionX();
    b.SetPositionY(stageY);
    b.WaitForPositionY();
    b.DisableX();
    b.DisableY();
}

void logStageReport(int tileColumn, int tileRow, double target, double actual, double step) {
    std::string text = StageReportText(tileColumn, tileRow, target, actual, step);
    // LogHistory ends the entry with its own newline.
    if (!text.empty() && text.back() == '\n') text.pop_back();
    LogHistory(ImageHandle{}, text, false);
}

// One tile: a beam scan of the image pixels the tile covers, around the
// tile's centre. Rows move by SelectLine; the caller saves the last one.
void ScanTile(int32_t tileRow, int32_t tileColumn) {
    CALMAG& c = calmag();
    c.SetTileY(tileRow);
    c.SetTileX(tileColumn);
    c.SetTileWindow();
    const TileWindow w = c.tileWindow;
    const int retrace = retraceReadings();
    PixelPath p;
    for (uint32_t y = w.firstRow; y <= w.lastRow; ++y) {
        c.SetYPixel(c.CalculateYOffset(c.yPolarity ? y : w.lastRow + w.firstRow - y));
        c.SetXPixel(c.CalculateXOffset(c.xPolarity ? w.firstColumn : w.lastColumn));
        for (int r = 0; r < retrace; ++r) p.acquire();
        for (uint32_t x = w.firstColumn; x <= w.lastColumn; ++x) {
            c.SetXPixel(c.CalculateXOffset(c.xPolarity ? x : w.lastColumn + w.firstColumn - x));
            p.acquire();
            p.store(x, y);
            PumpMessages();
            if (p.halted()) return;
        }
    }
}

void HybridScan() {
    CALMAG& c = calmag();
    BOARD& b = board();
    ChannelTables& t = channelTables();
    const double stageX = b.GetStageXPosition(), stageY = b.GetStageYPosition();
    const uint32_t rawX = c.GetXRaw(), rawY = c.GetYRaw();
    if (c.CheckHybrid()) {
        // Declined: no pass was made, so the run cannot end as finished, and a
        // continuous run must not ask again and again.
        runState().runState = RUN_HALT;
        return;
    }
    t.SetAllTiles(c.tilesX, c.tilesY);
    const double tolY = std::fabs(c.stepFracY * 0.5), tolX = std::fabs(c.stepFracX * 0.5);
    for (int32_t tr = 0; tr < c.tilesY; ++tr) {
        const int32_t row = c.stageYPolarity ? c.tilesY - 1 - tr : tr;
        const double targetY = row * c.stepFracY + c.startFracY;
        b.MoveToPositionY(targetY);
        PumpMessages();
        b.WaitForPositionY();
        const bool rowMissed = stageGaveUp();
        const double actualY = b.GetPositionYHL();
        if (std::fabs(targetY - actualY) > tolY)
            logStageReport(0, tr, targetY, actualY, c.stepFracY);
        for (int32_t tc = 0; tc < c.tilesX && !rowMissed; ++tc) {
            const int32_t column = c.stageXPolarity ? c.tilesX - 1 - tc : tc;
            const double targetX = column * c.stepFracX + c.startFracX;
            b.MoveToPositionX(targetX);
            PumpMessages();
            b.WaitForPositionX();
            const bool tileMissed = stageGaveUp();
            const double actualX = b.GetPositionXHL();
            if (std::fabs(targetX - actualX) > tolX)
                logStageReport(tc, tr, targetX, actualX, c.stepFracX);
            if (tileMissed) break;
            // The tile scanned is the one the stage stands on, so its pixels
            // land where they were measured whatever the stage polarities.
            ScanTile(row, column);
            if (halted()) break;
            PumpMessages();
        }
        reportProgress((tr + 1.0) / c.tilesY * 100.0);
        if (!LineDone() || halted() || tr == c.tilesY - 1) break;
    }
    c.SetXRaw(rawX);
    c.SetYRaw(rawY);
    b.SetPositionX(stageX);
    b.SetPositionY(stageY);
    b.WaitForPositionX();
    b.WaitForPositionY();
    b.DisableX();
    b.DisableY();
}

}  // namespace

std::string StageReportText(int tileColumn, int tileRow, double target, double actual,
                            double step) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "X Axis: %d      Y Axis:  %d\nMoveTo position: %f\nActual position: %f\n"
                  "Stage Step: %f\n",
                  tileColumn, tileRow, target, actual, step);
    return text;
}

void AcquirePixel() {
    PixelPath().acquire();
}

void StorePixel(uint32_t x, uint32_t y) {
    PixelPath().store(x, y);
}

bool LineDone() {
    channelTables().SaveAllLineBuffers();
    PumpMessages();
    return !halted();
}

bool PumpMessages() {
    if (platform::ui().pumpMessages()) return true;
    runState().runState = RUN_HALT;  // the application is quitting
    return false;
}

void ScanPass() {
    CALMAG& c = calmag();
    ChannelTables& t = channelTables();
    BOARD& b = board();
    t.ResetAllRanges();
    if (runState().acquireMode == ACQUIRE_STORE) t.ZeroAllPassCounts();
    t.RefreshCounterNumbers();
    b.SetCountTime(static_cast<float>(softwareSettings().countTime));
    b.SetBacklashDirection(c.stepFracX, c.stepFracY);
    switch (c.scanType) {
        case SCAN_BEAM:
            BeamScan();
            break;
        case SCAN_STAGE:
            StageScan();
            break;
        case SCAN_HYBRID:
            HybridScan();
            break;
        default:
            break;
    }
    t.IncrementAllPasses();
}

void SimulatedPass() {
    CALMAG& c = calmag();
    ChannelTables& t = channelTables();
    t.ResetAllRanges();
    if (runState().acquireMode == ACQUIRE_STORE) t.ZeroAllPassCounts();
    const uint32_t xs = c.xsize, ys = c.ysize;
    for (uint32_t i = 0; i < ys; ++i) {
        const double v = 2.0 * i / ys - 1.0;
        for (uint32_t j = 0; j < xs; ++j) {
            const double u = 2.0 * j / xs - 1.0;
            for (int k = 0; k < t.analogMax; ++k)
                t.analog[k].SimulateSample((std::cos(5.0 * (k + 1) * u * v) + 1.0) / 2.0);
            for (int k = 0; k < t.digitalMax; ++k)
                t.digital[k].SimulateSample((std::sin(5.0 * (k + 1) * u * v) + 1.0) / 2.0);
            for (int k = 0; k < t.counterMax; ++k) {
                const double w = 5.0 * (k + 1) * u * v;
                t.counter[k].SimulateSample(((i < j ? std::cos(w) : std::sin(w)) + 1.0) / 2.0);
            }
            t.AccumulateAll(j, i);
        }
        t.SaveAllLineBuffers();
        reportProgress(static_cast<double>(i) / ys * 100.0);
        PumpMessages();
        if (halted()) return;
    }
    t.IncrementAllPasses();
}

}  // namespace orvex
