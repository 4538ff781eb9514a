#pragma once
// The image window as the core knows it. The window list owns every
// OrvexView; the rest of the system holds ImageHandles.
#include <memory>
#include <string>
#include <vector>

#include "imagestore/display_mapping.h"
#include "imagestore/image.h"
#include "imagestore/image_handle.h"
#include "platform/surface.h"

namespace orvex {

/// The image an image window holds: it shows progress on the main window
/// and keeps its registration in its files.
class ViewImage : public Image {
public:
    void ReportProgress(int percent) override;
    bool KeepsRegistration() const override { return true; }
};

class OrvexView {
public:
    ImageHandle Handle() const { return {imageNumber}; }

    std::string name;                 // the file path, or "UNTLD%d.TIF"
    std::unique_ptr<Image> image;
    DisplayMapping mapping;
    int imageNumber = 0;
    bool neverSaved = true;
    bool readFromFile = false;
    bool closing = false;             // code 6 has been raised
    std::string history;
    std::vector<ImageListener> listeners;
    std::vector<platform::Rect> imageRectangles;
    std::vector<uint8_t> displayBuffer;  // 8-bit view of a 16-bit strip while drawing
};

}  // namespace orvex
