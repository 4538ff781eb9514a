#include "acquisition/positioning.h"

#include "acquisition/calmag.h"
#include "acquisition/channel.h"
#include "config/software_settings.h"
#include "hardware/board.h"
#include "imagestore/display_mapping.h"
#include "imagestore/image_info.h"
#include "imagestore/image_interface.h"
#include "platform/surface.h"
#include "platform/ui.h"

namespace orvex {

MarkerState& markerState() {
    static MarkerState state;
    return state;
}

void resetMarkerState() { markerState() = MarkerState(); }

namespace {

bool demo() { return softwareSettings().probeType == kProbeDemo; }

void redrawMarkerImage() {
    if (markerState().markerImage) Redraw(markerState().markerImage, false);
}

void parkBeam() {
    BOARD& b = board();
    b.SetX(b.GetDAMax() / 2);
    b.SetY(b.GetDAMax() / 2);
}

// The tie points of an image: (x1, y1) real position of pixel (0, height - 1),
// (x2, y2) of pixel (width - 1, 0).
struct TiePoints {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

TiePoints tiePoints(const Image& image) {
    RealPoint lowerLeft, upperRight;
    image.GetLowerLeftUpperRight(lowerLeft, upperRight);
    return {lowerLeft.x, lowerLeft.y, upperRight.x, upperRight.y};
}

// The board's stage frame from a rectangle in microns.
void writeStageFrame(const TiePoints& t) {
    const CALMAG& c = calmag();
    const double s = c.stageToMicrons != 0 ? c.stageToMicrons : 1.0;
    board().SetScanBoundsSU(t.x1 / s, t.y2 / s, t.x2 / s, t.y1 / s, c.RegistrationPolarities());
}

// Picks the pixel a snap goes to; false when cancelled or not a live window.
bool pickPosition(ImageHandle& image, int& column, int& row) {
    platform::PickPrompt prompt;
    prompt.prompt = "Pick new position";
    for (;;) {
        const platform::ImagePickEvent e = platform::ui().awaitImagePick(prompt);
        if (e.kind == platform::ImagePickEvent::Kind::Cancel) return false;
        if (e.kind != platform::ImagePickEvent::Kind::Picked) continue;
        image = FindImageWindow(e.imageNumber);
        if (!image) continue;
        column = static_cast<int>(e.column);
        row = static_cast<int>(e.row);
        return true;
    }
}

void setMarker(ImageHandle image, int column, int row) {
    MarkerState& m = markerState();
    m.markerOn = 1;
    m.column = column;
    m.row = row;
    if (m.markerImage != image) {
        ImageHandle previous = m.markerImage;
        m.markerImage = image;
        if (previous) Redraw(previous, false);
    }
    Redraw(image, false);
}

// Starts the moves of both axes, lets the window system through, then waits.
// Each move the user asks for tries an axis given up before once more.
void moveStage(double fractionX, double fractionY) {
    BOARD& b = board();
    b.RetryStage();
    b.MoveToPositionY(fractionY);
    b.MoveToPositionX(fractionX);
    platform::ui().pumpMessages();
    b.WaitForPositionY();
    b.WaitForPositionX();
}

}  // namespace

void CentreBeam() {
    parkBeam();
    MarkerState& m = markerState();
    m.column = static_cast<int>(calmag().xsize / 2);
    m.row = static_cast<int>(calmag().ysize / 2);
    redrawMarkerImage();
}

void mode_center() {
    board().Control(1);
    CentreBeam();
}

void mode_release_beam() {
    CentreBeam();
    board().Control(0);
    markerState().markerOn = 0;
    redrawMarkerImage();
}

void PixelSnapTo(ImageHandle window, int c, int r) {
    const Image* image = LiveImage(window);
    if (!image) return;
    if (!image->IsPositionRegistered()) {
        platform::showMessage("The chosen image does not contain position information",
                              "mode_pixel_snap()");
        return;
    }
    const CHANNEL* channel = OV_Info_GetChanPtr(window);
    int scanType = channel ? channel->scanType : SCAN_STAGE;
    const int width = image->Width(), height = image->Height();
    const TiePoints t = tiePoints(*image);

    // The scan of the picked image: its own size over the live calibration.
    CALMAG copy;
    calmag().CopyTo(copy);
    copy.xsize = static_cast<uint32_t>(width);
    copy.ysize = static_cast<uint32_t>(height);
    BOARD& b = board();
    b.Control(1);

    if (scanType == SCAN_HYBRID) {
        platform::showMessage("HYBRID mode not imlemented,\nAssuming STAGE mode.", "pixel_snap()");
        scanType = SCAN_STAGE;
    }
    if (scanType == SCAN_STAGE) {
        // The image's frame in stage units; the calibration keeps it ordered
        // and takes the pixel size from it.
        const double s = copy.stageToMicrons != 0 ? copy.stageToMicrons : 1.0;
        copy.scanType = SCAN_STAGE;
        copy.SetScanFor(b.daType, t.x1 / s, t.x2 / s, t.y1 / s, t.y2 / s);
        writeStageFrame(t);
        if (!demo())
            moveStage(c * copy.stepFracX + copy.startFracX, r * copy.stepFracY + copy.startFracY);
        parkBeam();
    } else if (scanType == SCAN_BEAM) {
        writeStageFrame(t);
        if (!demo()) moveStage(0.5, 0.5);
        copy.scanType = SCAN_BEAM;
        copy.SetScan();
        // The beam codes of the picked image's own size, so a pixel of an
        // image smaller or larger than the present scan lands where it was
        // measured.
        copy.SetYPixel(static_cast<uint32_t>(copy.yPolarity ? height - r - 1 : r));
        copy.SetXPixel(static_cast<uint32_t>(copy.xPolarity ? width - c - 1 : c));
    } else {
        platform::showMessage("Unrecognized acquisition mode", "mode_pixel_snap");
        return;
    }
    setMarker(window, c, r);
}

void StageSnapTo(ImageHandle window, int c, int r) {
    const Image* image = LiveImage(window);
    if (!image) return;
    if (!image->IsPositionRegistered()) {
        platform::showMessage("The chosen image does not contain position information",
                              "mode_stage_snap()");
        return;
    }
    const int width = image->Width(), height = image->Height();
    const CALMAG& cal = calmag();
    // A one-pixel side has no step: its pixel stands for the middle of the frame.
    double fx = 0.5, fy = 0.5;
    if (width > 1) {
        const double dx = 1.0 / (width - 1);
        fx = cal.registrationXPolarity ? 1.0 - c * dx : c * dx;
    }
    if (height > 1) {
        const double dy = 1.0 / (height - 1);
        fy = cal.registrationYPolarity ? r * dy : 1.0 - r * dy;
    }
    writeStageFrame(tiePoints(*image));
    if (!demo()) moveStage(fx, fy);
    CentreBeam();
    board().Control(1);
    parkBeam();
    board().Control(0);
    setMarker(window, c, r);
}

void mode_pixel_snap() {
    ImageHandle image;
    int c = 0, r = 0;
    if (pickPosition(image, c, r)) PixelSnapTo(image, c, r);
}

void mode_stage_snap() {
    ImageHandle image;
    int c = 0, r = 0;
    if (pickPosition(image, c, r)) StageSnapTo(image, c, r);
}

void DrawSnapMarker(const ImageEvent& e) {
    const MarkerState& m = markerState();
    if (!e.surface || !m.markerOn || e.window != m.markerImage) return;
    RealPoint at{static_cast<double>(m.column), static_cast<double>(m.row)};
    if (e.code == ImageEventPrinted && e.printMapping) {
        const Image* image = LiveImage(e.window);
        if (!image) return;
        const auto* mapping = static_cast<const DisplayMapping*>(e.printMapping);
        at = mapping->PixelToWindow(*image, at.x, at.y);
    } else if (e.code == ImageEventPainted || e.code == ImageEventPrinted) {
        if (PixelToWindow(e.window, at) != ImageDone) return;
    } else {
        return;
    }
    const int x = static_cast<int>(at.x), y = static_cast<int>(at.y);
    platform::Surface& s = *e.surface;
    s.setXorMode(true);
    s.setPen(platform::Pen{0xFFFFFF, 1, platform::PenStyle::Solid});
    s.line(x - 10, y, x + 10, y);
    s.line(x, y + 10, x, y - 10);
    s.setXorMode(false);
}

}  // namespace orvex
