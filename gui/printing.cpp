#include "gui/printing.h"

#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <algorithm>

#include "gui/qt_surface.h"
#include "imagestore/image_display.h"
#include "imagestore/image_interface.h"
#include "imagestore/orvex_view.h"

namespace orvex::gui {

ImagePrinting::ImagePrinting() : printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}

ImagePrinting::~ImagePrinting() = default;

void ImagePrinting::renderPage(ImageHandle window, QPainter& painter, QSize page) {
    OrvexView* view = LiveView(window);
    if (!view || !view->image || page.isEmpty()) return;
    const Image& image = *view->image;
    // The picture takes 80 % of the page's smaller fit, centred, leaving room
    // for the palette bar and scale-bar labels around it.
    const double fit = 0.8 * std::min(double(page.width()) / image.Width(),
                                      double(page.height()) / image.Height());
    DisplayMapping print = view->mapping;
    print.ShowExtents(image, fit);
    const double offsetX = (page.width() - fit * image.Width()) / 2;
    const double offsetY = (page.height() - fit * image.Height()) / 2;
    print.originX = print.ToRealX(-offsetX);
    print.originY = print.ToRealY(-offsetY);

    QtSurface surface(painter, QRect(QPoint(0, 0), page));
    // The picture is drawn through the window's own drawing with the print
    // mapping in place of the screen's, then put back.
    const DisplayMapping screen = view->mapping;
    view->mapping = print;
    DrawImageWindow(window, surface);
    view->mapping = screen;
    ImageEvent event;
    event.code = ImageEventPrinted;
    event.surface = &surface;
    event.printMapping = &print;
    NotifyImageListeners(window, event);
}

void ImagePrinting::print(ImageHandle window, QWidget* parent) {
    if (!LiveView(window)) return;
    QPrintDialog dialog(printer_.get(), parent);
    if (dialog.exec() != QDialog::Accepted) return;
    QPainter painter(printer_.get());
    renderPage(window, painter, printer_->pageLayout().paintRectPixels(printer_->resolution()).size());
}

void ImagePrinting::preview(ImageHandle window, QWidget* parent) {
    if (!LiveView(window)) return;
    QPrintPreviewDialog dialog(printer_.get(), parent);
    dialog.setObjectName("PrintPreview");
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, [window](QPrinter* printer) {
        QPainter painter(printer);
        renderPage(window, painter, printer->pageLayout().paintRectPixels(printer->resolution()).size());
    });
    dialog.resize(900, 700);
    dialog.exec();
}

void ImagePrinting::setup(QWidget* parent) {
    QPageSetupDialog dialog(printer_.get(), parent);
    dialog.exec();
}

}  // namespace orvex::gui
