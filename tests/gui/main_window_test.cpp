// The main window over the core's window list: image windows appear as the
// core creates them, show their pixels through the palette, follow the mirror
// settings and line writes, report what is under the mouse, and close
// through the core.
#include <QDir>
#include <QDockWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QFile>
#include <QPainter>
#include <QTimer>
#include <QMdiArea>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <optional>
#include <vector>

#include "app/application.h"
#include "app/command_table.h"
#include "config/profile_file.h"
#include "gui/image_view.h"
#include "gui/info_bar.h"
#include "gui/main_window.h"
#include "gui/printing.h"
#include "gui/qt_ui.h"
#include "gui_test_support.h"
#include "imagestore/image_interface.h"
#include "imagestore/orvex_view.h"
#include "imagestore/window_list.h"
#include "platform/dialog_model.h"

using namespace orvex;
using namespace orvex::gui;

namespace {

// Saves what the window looks like when ORVEX_SCREENSHOTS names a folder.
void screenshot(QWidget& w, const char* name) {
    const char* folder = std::getenv("ORVEX_SCREENSHOTS");
    if (folder) w.grab().save(QString(folder) + "/" + name + ".png");
}

// A 64 x 32 grey image whose pixel (c, r) holds 4 c (left to right ramp),
// with the top row marked 255.
ImageHandle makeRamp() {
    ImageHandle w = CreateImage(64, 32, PaletteGrey, true, 8);
    std::vector<uint8_t> row(64);
    for (int r = 0; r < 32; ++r) {
        for (int c = 0; c < 64; ++c) row[c] = r == 0 ? 255 : uint8_t(4 * c);
        WriteLine8(w, r, row.data());
    }
    return w;
}

// A dialog whose "Pick" button asks for a pixel of an image, as "Pick High"
// of the grey-level filter does.
class PickingDialog : public orvex::platform::DialogModel {
public:
    explicit PickingDialog(int imageNumber) : DialogModel("Picking"), imageNumber_(imageNumber) {
        orvex::platform::DialogControl pick;
        pick.label = "Pick";
        pick.kind = orvex::platform::ControlKind::Button;
        add(pick);
        orvex::platform::DialogControl ok;
        ok.label = "OK";
        ok.kind = orvex::platform::ControlKind::Button;
        add(ok);
    }
    bool pressed(orvex::platform::DialogControl& control) override {
        if (control.label == "Pick") {
            picked = orvex::platform::ui().pickPixel(imageNumber_, "Pick High Value");
            return false;
        }
        return DialogModel::pressed(control);
    }
    std::optional<orvex::platform::PixelPoint> picked;

private:
    int imageNumber_;
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private:
    QtUi* ui = nullptr;
    MainWindow* window = nullptr;
    QTemporaryDir dir;
    QString previousFolder;

private slots:
    void initTestCase() {
        // The run's folder holds an initialization file for the DEMO instrument.
        QFile ini(dir.filePath("Orvex.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[hardware]\nprobetype = DEMO\n");
        ini.close();
        previousFolder = QDir::currentPath();
        QDir::setCurrent(dir.path());
    }
    void cleanupTestCase() { QDir::setCurrent(previousFolder); }

    void init() {
        QVERIFY(orvex::gui::testing::StartWorkstation(ui, window, dir.path()));
    }
    void cleanup() {
        orvex::gui::testing::StopWorkstation(ui, window);
    }

    void mainWindowHasItsTitleBarsAndInformationBar() {
        QCOMPARE(window->windowTitle(), QString("Orvex"));
        QVERIFY(window->mdiArea());
        QCOMPARE(window->infoDock()->windowTitle(), QString("Histogram/Info"));
        QCOMPARE(window->standardBar()->windowTitle(), QString("Tool Bar"));
        QCOMPARE(window->zoomBar()->windowTitle(), QString("Zoom Bar"));
        QCOMPARE(window->acquisitionBar()->windowTitle(), QString("Acquisition Bar"));
        QCOMPARE(window->paletteBar()->windowTitle(), QString("Color Palette"));
        // The bar toggles carry check marks that follow the bars.
        QAction* toggle = window->action("Window > Zoom Bar");
        QVERIFY(toggle);
        QVERIFY(toggle->isCheckable());
        QVERIFY(toggle->isChecked());
        QVERIFY(window->trigger("Window > Zoom Bar"));
        QVERIFY(!window->zoomBar()->isVisible());
        window->refreshCommandState();
        QVERIFY(!toggle->isChecked());
        // Commands on images are grey while no image window is open.
        QVERIFY(!window->action("File > &Print...")->isEnabled());
    }

    void createdImageGetsAWindowThatShowsItsPixels() {
        const ImageHandle image = makeRamp();
        QTRY_VERIFY(window->frameOf(image.number));
        ImageFrame* frame = window->frameOf(image.number);
        QCOMPARE(frame->windowTitle(), QString("UNTLD%1.TIF").arg(image.number));
        QCOMPARE(windowList().Active(), image);
        ImageView* view = frame->imageView();
        QTest::qWait(20);
        const QRectF picture = view->pictureRect();
        QCOMPARE(picture.width(), 64.0);
        const QImage shot = view->viewport()->grab().toImage();
        auto grey = [&](int c, int r) {
            return qRed(shot.pixel(int(picture.left()) + c, int(picture.top()) + r));
        };
        QCOMPARE(grey(10, 5), 40);
        QCOMPARE(grey(63, 31), 252);
        QCOMPARE(grey(5, 0), 255);
        window->action("File > &Print...");  // exists
        window->refreshCommandState();
        QVERIFY(window->action("File > &Print...")->isEnabled());
        screenshot(*window, "main-window-image");

        // Mirrored left to right, the bright column is drawn on the left.
        LiveView(image)->mapping.mirrorHorizontal = true;
        Redraw(image, false);
        QTest::qWait(20);
        const QImage mirrored = view->viewport()->grab().toImage();
        QCOMPARE(qRed(mirrored.pixel(int(picture.left()), int(picture.top()) + 5)), 252);
        QCOMPARE(view->imagePosition(QPoint(int(picture.left()), int(picture.top()) + 5))->x() >= 63, true);
    }

    void writtenLinesAreRedrawnAndTheMouseReadsPixels() {
        const ImageHandle image = makeRamp();
        QTRY_VERIFY(window->frameOf(image.number));
        ImageView* view = window->frameOf(image.number)->imageView();
        QTest::qWait(20);
        std::vector<uint8_t> row(64, 200);
        WriteLine8(image, 10, row.data());
        QTest::qWait(20);
        const QRectF picture = view->pictureRect();
        QCOMPARE(qRed(view->viewport()->grab().toImage().pixel(int(picture.left()) + 3,
                                                                int(picture.top()) + 10)),
                 200);
        QTest::mouseMove(view->viewport(), QPoint(int(picture.left()) + 7, int(picture.top()) + 20));
        QTRY_COMPARE(window->infoBar()->pane(2), QString("x:  7 y: 20 v: 28"));
        QCOMPARE(window->infoBar()->pane(0), QString("UNTLD%1.TIF at 100% (64x32x256)").arg(image.number));
        QCOMPARE(window->infoBar()->pane(1), QString("Not Registered"));
        // Registered, the read-out gives the real position (y grows upward).
        SetRegistration(image, RealPoint{1000, 2000}, RealPoint{1063, 2031});
        QCOMPARE(view->pictureRect(), picture);  // still a margin in from the corner
        QTest::mouseMove(view->viewport(), QPoint(int(picture.left()) + 7, int(picture.top()) + 21));
        QTest::mouseMove(view->viewport(), QPoint(int(picture.left()) + 7, int(picture.top()) + 20));
        QTRY_VERIFY2(window->infoBar()->pane(1).startsWith("X:1007 Y:2011 "),
                     qPrintable(window->infoBar()->pane(1)));
    }

    void closingTheFrameClosesTheCoreWindowAndBack() {
        const ImageHandle first = makeRamp();
        const ImageHandle second = makeRamp();
        QTRY_VERIFY(window->frameOf(second.number));
        QCOMPARE(window->frames().size(), 2);
        // The image was written, so closing asks; No closes without saving.
        orvex::gui::testing::onNextModal([](QWidget* w) {
            qobject_cast<QMessageBox*>(w)->button(QMessageBox::No)->click();
        });
        window->frameOf(first.number)->close();
        QTRY_COMPARE(window->frames().size(), 1);
        QVERIFY(!LiveView(first));
        // Closed by the core, the frame goes too.
        CloseImageWindow(second);
        QTRY_COMPARE(window->frames().size(), 0);
        QVERIFY(!window->frameOf(second.number));
    }

    void pickingAPixelOnARealWindow() {
        const ImageHandle image = makeRamp();
        QTRY_VERIFY(window->frameOf(image.number));
        ImageView* view = window->frameOf(image.number)->imageView();
        QTest::qWait(20);
        const QRectF picture = view->pictureRect();
        QTimer::singleShot(10, [&] {
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                              QPoint(int(picture.left()) + 12, int(picture.top()) + 9));
        });
        const auto pixel = ui->pickPixel(image.number, "Pick a point");
        QVERIFY(pixel.has_value());
        QCOMPARE(pixel->column, 12);
        QCOMPARE(pixel->row, 9);
    }

    void pickingFromInsideADialogReachesTheImage() {
        const ImageHandle image = makeRamp();
        QTRY_VERIFY(window->frameOf(image.number));
        ImageView* view = window->frameOf(image.number)->imageView();
        QTest::qWait(20);
        const QRectF picture = view->pictureRect();
        PickingDialog dialog(image.number);
        bool stepsAside = false, cameBack = false;
        orvex::gui::testing::onNextModal([&](QWidget* shown) {
            QPointer<QWidget> modal = shown;
            auto* poll = new QTimer;
            poll->setInterval(10);
            int stage = 0, tries = 0;
            QObject::connect(poll, &QTimer::timeout, [=, &stepsAside, &cameBack]() mutable {
                if (!modal || ++tries > 3000) {
                    poll->stop();
                    poll->deleteLater();
                    if (modal) modal->close();  // fail rather than hang
                    return;
                }
                if (stage == 0 && !modal->isVisible()) {
                    // The pick runs with the dialog out of the way; a click
                    // the dialog's modality blocked would never end it.
                    stepsAside = true;
                    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                                      QPoint(int(picture.left()) + 20, int(picture.top()) + 5));
                    stage = 1;
                } else if (stage == 1 && modal->isVisible()) {
                    cameBack = true;
                    poll->stop();
                    poll->deleteLater();
                    modal->findChild<QPushButton*>("OK")->click();
                }
            });
            poll->start();
            modal->findChild<QPushButton*>("Pick")->click();
        });
        QVERIFY(ui->runDialog(dialog));
        QVERIFY(stepsAside);
        QVERIFY(cameBack);
        QVERIFY(dialog.picked.has_value());
        QCOMPARE(dialog.picked->column, 20);
        QCOMPARE(dialog.picked->row, 5);
    }

    void printedPageHoldsThePicture() {
        const ImageHandle image = makeRamp();
        QImage page(800, 600, QImage::Format_RGB32);
        page.fill(Qt::white);
        {
            QPainter painter(&page);
            ImagePrinting::renderPage(image, painter, page.size());
        }
        // Fitted to 80 % of the page and centred: 10 x 10 page pixels per image pixel.
        QCOMPARE(qRed(page.pixel(400, 300)), 128);  // column 32
        QCOMPARE(qRed(page.pixel(400, 145)), 255);  // the top row
        QCOMPARE(page.pixel(10, 10), qRgb(255, 255, 255));
    }

    void barLayoutIsKeptInTheProfileFile() {
        window->zoomBar()->hide();
        window->saveLayout();
        const std::string state =
            config::ReadProfileString(window->profilePath, "bars", "state", "", 8192);
        QVERIFY(!state.empty());
        window->zoomBar()->show();
        window->restoreLayout();
        QVERIFY(!window->zoomBar()->isVisible());
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
