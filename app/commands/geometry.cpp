#include "app/commands/geometry.h"

#include "app/command_table.h"
#include "imagestore/image_interface.h"
#include "platform/ui.h"
#include "processing/geometry_dialogs.h"

namespace orvex {

ImageHandle OnRotateFlip() {
    const ImageHandle source = ActiveImageWindow();
    if (!LiveImage(source)) {
        platform::showMessage("No image active", "Rotate");
        return {};
    }
    RotateFlipDialog dialog;
    if (!platform::ui().runDialog(dialog)) return {};
    return RotateFlipImage(source, dialog.choice());
}

ImageHandle OnResize() {
    const ImageHandle source = ActiveImageWindow();
    const Image* image = LiveImage(source);
    if (!image) {
        platform::showMessage("No image active", "Resample");
        return {};
    }
    ResizeDialog dialog(image->Width(), image->Height());
    if (!platform::ui().runDialog(dialog)) return {};
    return ResampleImage(source, dialog.newWidth(), dialog.newHeight(), dialog.method());
}

ImageHandle OnCrop() {
    const ImageHandle source = ActiveImageWindow();
    if (!LiveImage(source)) return {};
    const auto rect = platform::ui().pickRectangle(source.number, "Draw a rectangle of the area");
    if (!rect) return {};
    return CropImage(source, *rect);
}

void RegisterGeometryCommands() {
    auto add = [](const char* path, void (*run)(), const char* status) {
        app::AddImageCommand(path, run, status);
    };
    add("Basic > &Crop", [] { OnCrop(); }, "Cut a rectangle out of the active image");
    add("Basic > &Rotate/Flip", [] { OnRotateFlip(); }, "Turn or mirror the active image");
    add("Advanced > Modify Image > R&esize", [] { OnResize(); }, "Resample the active image to a new size");
}

}  // namespace orvex
