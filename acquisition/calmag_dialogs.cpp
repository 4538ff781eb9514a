#include "acquisition/calmag_dialogs.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "config/software_settings.h"
#include "platform/ui.h"

namespace orvex {

using platform::ControlKind;
using platform::DialogControl;

namespace {

const int kSemqPresets[9] = {100, 200, 500, 1000, 2000, 5000, 10000, 20000, 50000};
const int kJeolPresets[9] = {40, 100, 200, 400, 1000, 2000, 4000, 10000, 20000};
const int kCamecaPresets[9] = {100, 200, 400, 800, 2000, 4000, 8000, 20000, 40000};

const char* const kKilovolts = "Kilovolts:";
const char* const kMagnification = "Magnification:";

// A whole number typed into an edit field; nothing when the text is not one.
bool parseInteger(const std::string& text, int64_t& value) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(begin, &end, 10);
    if (end == begin || errno == ERANGE) return false;
    while (*end == ' ' || *end == '\t') ++end;
    if (*end != '\0') return false;
    value = v;
    return true;
}

bool parseReal(const std::string& text, double& value) {
    const char* begin = text.c_str();
    char* end = nullptr;
    double v = std::strtod(begin, &end);
    if (end == begin) return false;
    while (*end == ' ' || *end == '\t') ++end;
    if (*end != '\0') return false;
    value = v;
    return true;
}

DialogControl control(std::string label, ControlKind kind, std::string text = {}, int value = 0) {
    DialogControl c;
    c.label = std::move(label);
    c.kind = kind;
    c.text = std::move(text);
    c.value = value;
    return c;
}

DialogControl button(std::string label) {
    return control(std::move(label), ControlKind::Button);
}

}  // namespace

std::string MagnificationCaption(int probeType) {
    switch (probeType) {
        case kProbeSemq:
            return "SEMQ Magnification";
        case kProbeJeol:
            return "JEOL Magnification";
        case kProbeCameca:
            return "CAMECA Magnification";
        case kProbeDemo:
            return "DEMO Magnification";
        default:
            return {};
    }
}

const int* MagnificationDialog::Presets(int probeType) {
    switch (probeType) {
        case kProbeSemq:
        case kProbeDemo:
            return kSemqPresets;
        case kProbeJeol:
            return kJeolPresets;
        case kProbeCameca:
            return kCamecaPresets;
        default:
            return nullptr;
    }
}

MagnificationDialog::MagnificationDialog(CALMAG& calibration, int probeType)
    : DialogModel(MagnificationCaption(probeType)),
      calibration_(calibration),
      probeType_(probeType) {
    initialize();
}

void MagnificationDialog::initialize() {
    controls().clear();
    char text[64];
    std::snprintf(text, sizeof text, "%.5g", calibration_.userKilovolts);
    add(control(kKilovolts, ControlKind::RealEdit, text));
    DialogControl mag =
        control(kMagnification, ControlKind::IntEdit, std::to_string(calibration_.magnification));
    mag.min = calibration_.minMag;
    mag.max = calibration_.maxMag;
    add(mag);
    if (const int* presets = Presets(probeType_))
        for (int i = 0; i < 9; ++i) add(button(std::to_string(presets[i])));
    add(button("OK"));
    add(button("Cancel"));
}

bool MagnificationDialog::pressed(DialogControl& pressedControl) {
    const std::string& label = pressedControl.label;
    if (label == "OK") {
        int64_t mag = 0;
        if (!parseInteger(find(kMagnification)->text, mag)) return false;
        if (mag < calibration_.minMag || mag > calibration_.maxMag) return false;
        double kv = calibration_.userKilovolts;
        parseReal(find(kKilovolts)->text, kv);
        magnification = static_cast<int32_t>(mag);
        kilovolts = kv;
        close(true);
        return true;
    }
    if (label == "Cancel") return DialogModel::pressed(pressedControl);
    // A preset puts its value in the magnification field.
    find(kMagnification)->text = label;
    return false;
}

CPictDlg::CPictDlg(uint32_t w, uint32_t h) : DialogModel("Picture Size"), width(w), height(h) {
    DialogControl wc = control("Width:", ControlKind::IntEdit, std::to_string(w));
    wc.min = 2;
    wc.max = 4096;
    add(wc);
    DialogControl hc = control("Height:", ControlKind::IntEdit, std::to_string(h));
    hc.min = 2;
    hc.max = 4096;
    add(hc);
    add(button("OK"));
    add(button("Cancel"));
}

bool CPictDlg::pressed(DialogControl& pressedControl) {
    if (pressedControl.label == "OK") {
        int64_t w = 0, h = 0;
        if (!parseInteger(find("Width:")->text, w) || !parseInteger(find("Height:")->text, h))
            return false;
        if (w < 1 || h < 1) return false;
        width = w;
        height = h;
    }
    return DialogModel::pressed(pressedControl);
}

std::string ImageSizeDialog::PresetLabel(int size) {
    return std::to_string(size) + " x " + std::to_string(size);
}

ImageSizeDialog::ImageSizeDialog(const CALMAG& calibration)
    : DialogModel("Image Size"), width(calibration.xsize), height(calibration.ysize) {
    bool preset = false;
    for (int size : kPresets) {
        DialogControl radio = control(PresetLabel(size), ControlKind::Radio);
        radio.group = "size";
        if (calibration.xsize == calibration.ysize && calibration.xsize == uint32_t(size)) {
            radio.value = 1;
            preset = true;
            lastChoice_ = radio.label;
        }
        add(radio);
    }
    DialogControl other = control("Other size", ControlKind::Radio);
    other.group = "size";
    other.value = preset ? 0 : 1;
    if (!preset) lastChoice_ = other.label;
    add(other);
    add(control("Size", ControlKind::ReadOut));
    add(button("OK"));
    add(button("Cancel"));
    showSize();
}

void ImageSizeDialog::showSize() {
    find("Size")->text = std::to_string(width) + " x " + std::to_string(height);
}

void ImageSizeDialog::changed(DialogControl& changedControl) {
    if (changedControl.kind != ControlKind::Radio) return;
    if (changedControl.label == "Other size") {
        CPictDlg confirm(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
        if (platform::ui().runDialog(confirm)) {
            width = confirm.width;
            height = confirm.height;
            lastChoice_ = changedControl.label;
        } else {
            // Not confirmed: the previous choice stands.
            for (auto& c : controls())
                if (c.kind == ControlKind::Radio) c.value = c.label == lastChoice_ ? 1 : 0;
        }
    } else {
        for (int size : kPresets)
            if (changedControl.label == PresetLabel(size)) width = height = size;
        lastChoice_ = changedControl.label;
    }
    showSize();
}

ScanCharacteristicsDialog::ScanCharacteristicsDialog(int32_t type, bool hasMotionController,
                                                     int scans, int discard, int average)
    : DialogModel("Scan Characteristics"),
      scanType(type),
      maximumScans(scans),
      pixelDiscard(discard),
      pixelAverage(average),
      hasMotionController_(hasMotionController) {
    bool beam = type == SCAN_BEAM || type == SCAN_HYBRID || type < 0 || type > 2;
    bool stage = type == SCAN_STAGE || type == SCAN_HYBRID;
    DialogControl useBeam = control("Use Beam", ControlKind::CheckBox, {}, beam ? 1 : 0);
    add(useBeam);
    DialogControl useStage = control("Use Stage", ControlKind::CheckBox, {}, stage ? 1 : 0);
    if (!hasMotionController) {
        useStage.value = 2;  // shown undetermined: there is no stage to use
        useStage.enabled = false;
    }
    add(useStage);
    add(control("Maximum scans to average:", ControlKind::IntEdit, std::to_string(scans)));
    add(control("Samples to discard:", ControlKind::IntEdit, std::to_string(discard)));
    add(control("Samples to average:", ControlKind::IntEdit, std::to_string(average)));
    add(button("OK"));
    add(button("Cancel"));
}

bool ScanCharacteristicsDialog::pressed(DialogControl& pressedControl) {
    if (pressedControl.label == "OK") {
        int64_t scans = 0, discard = 0, average = 0;
        if (!parseInteger(find("Maximum scans to average:")->text, scans) ||
            !parseInteger(find("Samples to discard:")->text, discard) ||
            !parseInteger(find("Samples to average:")->text, average))
            return false;
        // Counts below their least sensible value would size buffers
        // negatively or divide by zero.
        if (scans < 0 || discard < 0 || average < 0) return false;
        if (scans > 65535 || discard > 4096 || average > 4096) return false;
        if (average == 0) average = 1;
        bool beam = find("Use Beam")->value == 1;
        bool stage = hasMotionController_ && find("Use Stage")->value == 1;
        scanType = stage ? (beam ? SCAN_HYBRID : SCAN_STAGE) : SCAN_BEAM;
        maximumScans = static_cast<int>(scans);
        pixelDiscard = static_cast<int>(discard);
        pixelAverage = static_cast<int>(average);
    }
    return DialogModel::pressed(pressedControl);
}

}  // namespace orvex
