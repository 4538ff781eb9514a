#pragma once
// Printing of the active image window with its overlays: the picture is
// fitted to the page, the listeners draw their overlays through the print
// mapping (code 5).
#include <QWidget>
#include <memory>

#include "imagestore/image_handle.h"

class QPrinter;
class QPainter;

namespace orvex::gui {

class ImagePrinting {
public:
    ImagePrinting();
    ~ImagePrinting();

    /// "&Print...": the print dialog, then the page.
    void print(ImageHandle window, QWidget* parent);
    /// "Print Pre&view": the preview dialog of the same page.
    void preview(ImageHandle window, QWidget* parent);
    /// "P&rint Setup...": paper and orientation for later prints.
    void setup(QWidget* parent);

    /// Renders the window's picture and overlays onto a painter whose device
    /// has the given page size in device pixels (also used by the tests).
    static void renderPage(ImageHandle window, QPainter& painter, QSize page);

    QPrinter& printer() { return *printer_; }

private:
    std::unique_ptr<QPrinter> printer_;
};

}  // namespace orvex::gui
