#include "acquisition/channel.h"

#include <cmath>
#include <new>

#include "acquisition/calmag.h"
#include "acquisition/channel_registration.h"
#include "config/software_settings.h"
#include "imagestore/history.h"
#include "imagestore/image_info.h"
#include "imagestore/image_interface.h"
#include "imagestore/image_window_events.h"
#include "platform/ui.h"

namespace orvex {

namespace {
int32_t nextSerial = 0;
}  // namespace

void ResetChannelSerials() {
    nextSerial = 0;
}

CHANNEL::CHANNEL(int32_t channelKind) : kind(channelKind), serial(++nextSerial) {
    name = std::to_string(serial);
}

CHANNEL::~CHANNEL() = default;

bool CHANNEL::MakeLineBuffer() {
    if (!enabled) return false;
    FreeLineBuffer();
    const size_t n = width > 0 ? static_cast<size_t>(width) : 0;
    if (is16Bit) {
        lineBuffer16.reset(new (std::nothrow) uint16_t[n > 0 ? n : 1]());
        if (!lineBuffer16) {
            platform::showMessage("Memory allocation failure.", "CHANNEL::MakeLineBuffer(word)");
            return false;
        }
    } else {
        lineBuffer8.reset(new (std::nothrow) uint8_t[n > 0 ? n : 1]());
        if (!lineBuffer8) {
            platform::showMessage("Memory allocation failure.", "CHANNEL::MakeLineBuffer(byte)");
            return false;
        }
    }
    return true;
}

void CHANNEL::FreeLineBuffer() {
    lineBuffer8.reset();
    lineBuffer16.reset();
    currentLine = -1;
}

bool CHANNEL::LoadLineBuffer(int32_t row) {
    if (!enabled) return false;
    if (!image) {
        platform::showMessage("Image handle is NULL", "LoadLineBuffer");
        return false;
    }
    if (!lineBuffer8 && !lineBuffer16) {
        platform::showMessage("Buffer pointers both null.", "LoadLineBuffer");
        return false;
    }
    if (row < 0 || row >= height) {
        platform::showMessage("Bad line number.", "LoadLineBuffer");
        return false;
    }
    if (is16Bit && lineBuffer16)
        ReadLine16(image, row, lineBuffer16.get());
    else if (lineBuffer8)
        ReadLine8(image, row, lineBuffer8.get());
    currentLine = row;
    return true;
}

void CHANNEL::SaveLineBuffer() {
    if (!enabled || !image || currentLine == -1 || (!lineBuffer8 && !lineBuffer16)) return;
    if (currentLine < 0 || currentLine >= height) {
        platform::showMessage("Bad line number", "SaveLineBuffer");
        return;
    }
    if (is16Bit && lineBuffer16)
        WriteLine16(image, currentLine, lineBuffer16.get());
    else if (lineBuffer8)
        WriteLine8(image, currentLine, lineBuffer8.get());
    UpdateRows(image, currentLine);
}

int CHANNEL::SelectLine(int32_t row) {
    if (!lineBuffer8 && !lineBuffer16) return 0;
    if (row == currentLine) return 1;
    SaveLineBuffer();
    LoadLineBuffer(row);
    return 0;
}

void CHANNEL::IncrementPass() {
    if (!enabled) return;
    if (passCount < maxPasses) ++passCount;
}

bool CHANNEL::PassesComplete() const {
    return !enabled || passCount >= maxPasses;
}

void CHANNEL::SetChannelPalette(const uint32_t* palette) {
    if (image && palette) SetPalette(image, palette, 256, PaletteCustom);
}

void CHANNEL::Rename(const std::string& text) {
    name = text;
    if (image) SetImageName(image, text);
}

void CHANNEL::DetachImage() {
    image = {};
    enabled = 0;
}

bool CHANNEL::NeedsNewImage(const CALMAG& calibration) const {
    if (!image) return true;
    if (calibration.xsize != static_cast<uint32_t>(width) ||
        calibration.ysize != static_cast<uint32_t>(height) || want16Bit != is16Bit)
        return true;
    ImageSummary summary;
    if (GetImageSummary(image, summary) != ImageDone) return true;
    return summary.depth != (is16Bit ? 16 : 8) || summary.width != width ||
           summary.height != height;
}

void CHANNEL::CloseImage() {
    FreeLineBuffer();
    ImageHandle old = image;
    if (!old) return;
    // The channel lets go first, so the window's closing does not disable it;
    // the registry entry goes with the handler that would have removed it.
    image = {};
    RemoveImageListener(old, ImageWindowEventHandler);
    OV_Info_Remove(old);
    CloseImageWindow(old);
}

void CHANNEL::WriteZRegistration() {
    if (!image) return;
    ZRegistration z;
    z.flag = 1;
    z.low = zLow;
    z.high = zHigh;
    z.units = zUnit.substr(0, ZRegistration::kUnitsLength - 1);
    SetZRegistration(image, z);
}

void CHANNEL::UpdateRegistration(const CALMAG& calibration) {
    Image* picture = LiveImage(image);
    if (!picture) return;
    RegistrationRectangle r =
        ChannelRegistration(calibration, width, height, ReadStageForRegistration());
    if (picture->IsPositionRegistered()) {
        const PositionRegistration& present = picture->GetPositionRegistration();
        if (std::fabs(present.x1 - r.left) <= 1e-6 && std::fabs(present.y1 - r.bottom) <= 1e-6 &&
            std::fabs(present.x2 - r.right) <= 1e-6 && std::fabs(present.y2 - r.top) <= 1e-6 &&
            present.px1 == 0 && present.py1 == height - 1 && present.px2 == width - 1 &&
            present.py2 == 0)
            return;
    }
    SetRegistration(image, RealPoint{r.left, r.bottom}, RealPoint{r.right, r.top});
}

void CHANNEL::MakeImage(const CALMAG& calibration, const std::vector<uint32_t>* palette) {
    CloseImage();
    width = static_cast<int32_t>(calibration.xsize);
    height = static_cast<int32_t>(calibration.ysize);
    is16Bit = want16Bit;
    ImageHandle created = CreateImage(width, height, PaletteGrey, true, is16Bit ? 16 : 8);
    if (!created) return;
    image = created;
    LogHistory(image, "  channel rename:  " + name, false);
    RemoveImageListener(image, ImageWindowEventHandler);
    AddImageListener(image, ImageWindowEventHandler);
    OV_Info_SetType(image, kind);
    OV_Info_SetOwnsChannel(image, 0);
    OV_Info_SetChanPtr(image, this);
    WriteZRegistration();
    MakeLineBuffer();

    ImageSummary summary;
    if (GetImageSummary(image, summary) == ImageDone) {
        const SoftwareSettings& s = softwareSettings();
        summary.name = name;
        summary.make = s.make;
        summary.model = s.model;
        summary.artist = s.author;
        summary.hostComputer = s.hostComputer;
        SetImageSummary(image, summary);
    }
    UpdateRegistration(calibration);
    if (palette && palette->size() >= 256) SetPalette(image, palette->data(), 256, PaletteCustom);
}

void CHANNEL::PrepareImageCommon(const CALMAG& calibration, const std::vector<uint32_t>* palette) {
    scanType = calibration.scanType;
    if (image) UpdateRegistration(calibration);
    if (NeedsNewImage(calibration)) {
        MakeImage(calibration, palette);
    } else if (!lineBuffer8 && !lineBuffer16) {
        MakeLineBuffer();
    }
}

ANALOGCHANNEL::ANALOGCHANNEL() : CHANNEL(CHANNEL_ANALOG) {
    is16Bit = 0;
    zUnit = "volts";
    zLow = 0.0;
    zHigh = 10.0;
}

DIGITALCHANNEL::DIGITALCHANNEL() : CHANNEL(CHANNEL_DIGITAL) {
    is16Bit = 0;
    zUnit = "counts";
    zLow = 0.0;
    zHigh = 255.0;
}

COUNTERCHANNEL::COUNTERCHANNEL() : CHANNEL(CHANNEL_COUNTER) {
    is16Bit = 1;
    zUnit = "counts";
    zLow = 0.0;
    zHigh = 65535.0;
}

namespace {
// The share of the run's passes already made, for the simulated signals.
double passShare(uint32_t passCount, uint32_t maxPasses) {
    return maxPasses ? static_cast<double>(passCount) / maxPasses : 0.0;
}
bool inUnitRange(double f) {
    return f >= 0.0 && f <= 1.0;
}
}  // namespace

void ANALOGCHANNEL::SimulateSample(double f) {
    if (!enabled) return;
    value = inUnitRange(f) ? static_cast<uint32_t>(std::trunc(f * 65535.0)) : 0u;
    simTotal += value;
}

void DIGITALCHANNEL::SimulateSample(double f) {
    if (!enabled) return;
    value = inUnitRange(f) && f + passShare(passCount, maxPasses) > 0.5 ? 1u : 0u;
}

void COUNTERCHANNEL::SimulateSample(double f) {
    if (!enabled) return;
    if (!inUnitRange(f)) {
        value = 0;
        return;
    }
    double scale = is16Bit ? 6553.5 : 25.5;
    value = static_cast<uint32_t>(std::trunc((f + passShare(passCount, maxPasses)) * scale));
}

void ANALOGCHANNEL::PrepareImage(const CALMAG& calibration, const std::vector<uint32_t>* palette,
                                 const int* readList) {
    SetBoardGain(hwIndex, gain);
    PrepareImageCommon(calibration, palette);
    listIndex = 16;
    for (int i = 0; readList && i < 16 && readList[i] < 16; ++i) {
        if (readList[i] == hwIndex) {
            listIndex = i;
            break;
        }
    }
}

void DIGITALCHANNEL::PrepareImage(const CALMAG& calibration, const std::vector<uint32_t>* palette) {
    PrepareImageCommon(calibration, palette);
    zLow = 0.0;
    zHigh = is16Bit ? 65535.0 : 255.0;
    WriteZRegistration();
}

void COUNTERCHANNEL::PrepareImage(const CALMAG& calibration, const std::vector<uint32_t>* palette) {
    PrepareImageCommon(calibration, palette);
    zLow = 0.0;
    zHigh = is16Bit ? 65535.0 : 255.0;
    WriteZRegistration();
}

}  // namespace orvex
