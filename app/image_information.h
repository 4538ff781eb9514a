#pragma once
// The dialogs that show and edit an image's texts and registrations, and the
// Zoom Set dialog.
#include <functional>
#include <string>

#include "imagestore/display_mapping.h"
#include "imagestore/image.h"
#include "imagestore/image_handle.h"
#include "platform/dialog_model.h"

namespace orvex::app {

/// The technical values of an image as the properties dialog shows them.
struct ImagePropertyTexts {
    std::string width, height, colours;
    std::string depth;    // "%d bit"
    std::string memory;   // "%dk"
    std::string storage;  // "RAM" or "Disk"
    std::string scale;    // "%.2f Units/Pixel" or "Not Registered"
    std::string zUnits;   // the units or "Not Registered"
};
ImagePropertyTexts DescribeImageProperties(const Image& image);

/// "Image Information": the file name, the texts (author and description
/// editable), the technical values, and the two registration buttons.
class ImageInformationDialog : public platform::DialogModel {
public:
    explicit ImageInformationDialog(ImageHandle window);
    bool pressed(platform::DialogControl& control) override;
    /// Fills every field from the image again.
    void refresh();

private:
    ImageHandle window_;
};

/// "Register Image": two points tying pixels to real positions, with a preview
/// of the image at one screen pixel per image pixel.
class RegisterImageDialog : public platform::DialogModel {
public:
    static constexpr int kPreviewSize = 256;

    explicit RegisterImageDialog(ImageHandle window);
    /// Opening: the image shows the default registration while the dialog is open.
    void initialize() override;
    bool pressed(platform::DialogControl& control) override;
    void changed(platform::DialogControl& control) override;
    /// The focus in a point's Raster X or Y field arms the preview for that point.
    void focused(platform::DialogControl& control) override;
    void paint(platform::DialogControl& canvas, platform::Surface& surface) override;
    void mouse(platform::DialogControl& canvas, const platform::CanvasMouse& event) override;

    /// Which point the preview writes to: the point whose Raster field was
    /// last given the focus (1 or 2), 0 for none.
    void focusPoint(int point) { focusedPoint_ = point; }
    int focusedPoint() const { return focusedPoint_; }
    /// Puts the registration back as it was when the dialog opened.
    void restore();

private:
    ImageHandle window_;
    PositionRegistration saved_;
    bool savedRegistered_ = false;
    bool savedModified_ = false;
    bool opened_ = false;
    int focusedPoint_ = 0;
    bool dragging_ = false;
};

/// "Z Registration": the real values of the lowest and highest pixel value and the unit.
class ZRegistrationDialog : public platform::DialogModel {
public:
    explicit ZRegistrationDialog(ImageHandle window);
    bool pressed(platform::DialogControl& control) override;

private:
    ImageHandle window_;
};

/// "Zoom Set": a percentage for the active window or for every window.
class ZoomSetDialog : public platform::DialogModel {
public:
    ZoomSetDialog();
    bool pressed(platform::DialogControl& control) override;
    /// The percentage chosen (the typed one for "Set").
    int percentage() const;
    bool allWindows() const;
};

/// "&Properties...": the information dialog for a window.
void ShowImageInformation(ImageHandle window);
/// The sub-dialogs; true when the user confirmed.
bool ShowRegisterImage(ImageHandle window);
bool ShowZRegistration(ImageHandle window);
/// "&Set..." of the zoom commands; `tile` is called after "All Windows && Tile".
void ShowZoomSet(const std::function<void()>& tile = nullptr);

}  // namespace orvex::app
