#pragma once
// The setup dialogs of the scan calibration, as models: magnification, image
// size (with its free-size confirmation) and scan characteristics.
#include <cstdint>
#include <string>

#include "acquisition/calmag.h"
#include "platform/dialog_model.h"

namespace orvex {

/// The caption of the magnification dialog for a probe type; empty when the
/// probe type has none.
std::string MagnificationCaption(int probeType);

/// Accelerating voltage, magnification and the nine preset magnifications of
/// the probe type. OK with a magnification outside minMag..maxMag stays open.
class MagnificationDialog : public platform::DialogModel {
  public:
    MagnificationDialog(CALMAG& calibration, int probeType);
    void initialize() override;
    bool pressed(platform::DialogControl& control) override;

    /// The preset magnifications of a probe type (nine values, none when unknown).
    static const int* Presets(int probeType);

    int32_t magnification = 0;  // chosen on OK
    double kilovolts = 0.0;

  private:
    CALMAG& calibration_;
    int probeType_;
};

/// Confirms a free image size: width and height.
class CPictDlg : public platform::DialogModel {
  public:
    CPictDlg(uint32_t width, uint32_t height);
    bool pressed(platform::DialogControl& control) override;
    int64_t width = 0;
    int64_t height = 0;
};

/// Preset square sizes, or a free size confirmed through CPictDlg.
class ImageSizeDialog : public platform::DialogModel {
  public:
    explicit ImageSizeDialog(const CALMAG& calibration);
    void changed(platform::DialogControl& control) override;

    static constexpr int kPresets[8] = {32, 64, 128, 256, 512, 1024, 2048, 4096};
    /// The label of a preset size's radio button ("512 x 512").
    static std::string PresetLabel(int size);

    int64_t width = 0;  // the size chosen
    int64_t height = 0;

  private:
    void showSize();
    std::string lastChoice_;
};

/// Scan type (beam, stage or both) and the scan values: maximum scans,
/// samples to discard and to average.
class ScanCharacteristicsDialog : public platform::DialogModel {
  public:
    /// hasMotionController false shows "Use Stage" undetermined and disabled.
    ScanCharacteristicsDialog(int32_t scanType, bool hasMotionController, int maximumScans,
                              int pixelDiscard, int pixelAverage);
    bool pressed(platform::DialogControl& control) override;

    int32_t scanType = 0;  // results on OK
    int maximumScans = 0;
    int pixelDiscard = 0;
    int pixelAverage = 1;

  private:
    bool hasMotionController_;
};

}  // namespace orvex
