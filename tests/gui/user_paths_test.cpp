// The workstation as a new user meets it: picks that cannot be tangled or
// pulled from under a command, the menus with their texts and mnemonics, the
// image information dialogs as laid out, the palette bar's settings, and
// files named on the command line.
#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <cstdlib>
#include <functional>
#include <vector>

#include "app/application.h"
#include "app/command_table.h"
#include "app/image_picker.h"
#include "gui/dialog_renderer.h"
#include "gui/image_picker.h"
#include "gui/image_view.h"
#include "gui/info_bar.h"
#include "gui/main_window.h"
#include "gui/qt_ui.h"
#include "gui/view_pick.h"
#include "gui/workstation.h"
#include "gui_test_support.h"
#include "imagestore/history.h"
#include "imagestore/image_interface.h"
#include "imagestore/orvex_view.h"
#include "imagestore/window_list.h"

using namespace orvex;
using namespace orvex::gui;
using orvex::gui::testing::onNextModal;

namespace {

void screenshot(QWidget& w, const char* name) {
    if (const char* folder = std::getenv("ORVEX_SCREENSHOTS")) w.grab().save(QString(folder) + "/" + name + ".png");
}

ImageHandle makeImage(int w, int h, uint8_t base) {
    ImageHandle window = CreateImage(w, h, PaletteGrey, true, 8);
    std::vector<uint8_t> row(w);
    for (int r = 0; r < h; ++r) {
        for (int c = 0; c < w; ++c) row[c] = uint8_t(base + c + r);
        WriteLine8(window, r, row.data());
    }
    return window;
}

// Runs `act` once `ready` holds, looked at every 10 ms from the event loop
// (which a pick runs as well).
void when(std::function<bool()> ready, std::function<void()> act) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, ready, act, tries] {
        if (!ready() && ++*tries < 3000) return;
        poll->stop();
        poll->deleteLater();
        act();
    });
    poll->start();
}

// The entry of a menu path: the menus above compared without "&", the entry
// with its "&" exactly as the user sees it.
QAction* menuEntry(QMenuBar* bar, const QStringList& path) {
    QList<QAction*> actions = bar->actions();
    for (int i = 0; i < path.size(); ++i) {
        const bool last = i + 1 == path.size();
        QAction* found = nullptr;
        for (QAction* a : actions) {
            if (a->isSeparator()) continue;
            const bool matches = last ? a->text() == path[i] && !a->menu()
                                      : QString(a->text()).remove('&') == QString(path[i]).remove('&') && a->menu();
            if (matches) {
                found = a;
                break;
            }
        }
        if (!found) return nullptr;
        if (last) return found;
        actions = found->menu()->actions();
    }
    return nullptr;
}

}  // namespace

class UserPathsTest : public QObject {
    Q_OBJECT
private:
    QtUi* ui = nullptr;
    MainWindow* window = nullptr;
    QTemporaryDir dir;
    QString previousFolder;
    QStringList messages;  // message boxes answered while the window started

    // A fresh folder with a DEMO initialization file (and whatever else the
    // test adds to it), and the workstation started there.
    void begin(const QByteArray& moreIni = {}, const std::vector<std::string>& files = {}) {
        QDir(dir.path()).mkpath("run");
        QDir::setCurrent(dir.filePath("run"));
        QFile ini("Orvex.ini");
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[hardware]\nprobetype = DEMO\n" + moreIni);
        ini.close();
        QVERIFY(orvex::gui::testing::StartWorkstation(ui, window, dir.filePath("run"), files, &messages));
    }

    void end() {
        orvex::gui::testing::StopWorkstation(ui, window);
        QDir::setCurrent(previousFolder);
        QDir(dir.filePath("run")).removeRecursively();
    }

private slots:
    void initTestCase() { previousFolder = QDir::currentPath(); }
    void cleanup() {
        if (window) end();
    }

    void closingTheWindowOfACropPickCancelsTheCrop() {
        begin();
        const ImageHandle image = makeImage(48, 32, 0);
        LiveImage(image)->SetModified(false);  // it closes without a question
        QTRY_VERIFY(window->frameOf(image.number));
        QTRY_COMPARE(windowList().Active(), image);
        const int windowsBefore = windowList().Count();
        bool pending = false, secondRefused = false, histogramGrey = false, tileOffered = false;
        when([] { return ViewPick::active() != nullptr; }, [&] {
            pending = ui->pickPending();
            // A second picking command, and one that closes windows, wait.
            secondRefused = !window->trigger("Advanced > Histogram-&1d") && !window->trigger("File > &Close");
            histogramGrey = !window->action("Advanced > Histogram-&1d")->isEnabled();
            tileOffered = window->action("Window > &Tile")->isEnabled();
            // The user closes the image being picked on, then presses Esc.
            window->frameOf(image.number)->close();
            QTest::keyClick(window, Qt::Key_Escape);
        });
        QVERIFY(window->trigger("Basic > &Crop"));  // returns: the pick ended
        QVERIFY(pending);
        QVERIFY(secondRefused);
        QVERIFY(histogramGrey);
        QVERIFY(tileOffered);
        QVERIFY(!LiveView(image));
        QCOMPARE(windowList().Count(), windowsBefore - 1);  // no cropped window
        QVERIFY(!ViewPick::active());
        QVERIFY(!ui->pickPending());
        QTRY_COMPARE(window->frames().size(), 0);
        // Afterwards the commands are offered again.
        makeImage(16, 16, 0);
        QTRY_COMPARE(window->frames().size(), 1);
        window->refreshCommandState();
        QVERIFY(window->action("Advanced > Histogram-&1d")->isEnabled());
    }

    void closingAPickedWindowDuringTheImagePickerCancelsTheCommand() {
        begin();
        const ImageHandle first = makeImage(32, 32, 0);
        const ImageHandle second = makeImage(32, 32, 40);
        LiveImage(first)->SetModified(false);
        QTRY_VERIFY(window->frameOf(second.number));
        window->mdiArea()->tileSubWindows();
        QTest::qWait(30);
        ImagePicker& picker = ui->picker();
        const int waitsBefore = picker.waitsBegun();
        bool secondRefused = false;
        when([&] { return picker.waiting() && picker.waitsBegun() == waitsBefore + 1; }, [&] {
            // Histogram-1d from inside the pick is refused rather than nested.
            secondRefused = !window->trigger("Advanced > Histogram-&1d");
            ImageView* view = window->frameOf(first.number)->imageView();
            const QRectF picture = view->pictureRect();
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                              QPoint(int(picture.left()) + 3, int(picture.top()) + 3));
        });
        when([&] { return picker.waiting() && picker.waitsBegun() == waitsBefore + 2; },
             [&] { window->frameOf(first.number)->close(); });
        const int windowsBefore = windowList().Count();
        QVERIFY(window->trigger("Advanced > Histogram-2d > Calculate"));
        QVERIFY(secondRefused);
        QVERIFY(!LiveView(first));
        QVERIFY(LiveView(second));
        QCOMPARE(windowList().Count(), windowsBefore - 1);  // nothing made
        QVERIFY(!picker.waiting());
        QVERIFY(!ui->pickPending());
    }

    void everyMenuEntryIsInItsMenuWithItsMnemonic() {
        begin();
        const QList<QStringList> entries = {
            {"&File", "&Open..."}, {"&File", "&Close"}, {"&File", "Close &All"}, {"&File", "&Save"},
            {"&File", "Save &As..."}, {"&File", "Save &History"}, {"&File", "&Print..."},
            {"&File", "Print Pre&view"}, {"&File", "P&rint Setup..."}, {"&File", "E&xit"},
            {"&Basic", "&Duplicate"}, {"&Basic", "&Crop"}, {"&Basic", "&Rotate/Flip"}, {"&Basic", "&Statistics"},
            {"&Basic", "Contrast Enhancement", "Histogram &Equalization"},
            {"&Basic", "Contrast Enhancement", "&Linear Stretch"},
            {"&Basic", "Contrast Enhancement", "Set &Gray Scale"},
            {"&Basic", "Contrast Enhancement", "Set &Color Scale"},
            {"&Basic", "Contrast Enhancement", "&Brightness/Contrast"},
            {"&Basic", "Contrast Enhancement", "&Optimize Palette"},
            {"&Basic", "Contrast Enhancement", "&Negate Palette"},
            {"&Basic", "Contrast Enhancement", "Stretch Palette"},
            {"&Basic", "Contrast Enhancement", "Unstretch Palette"}, {"&Basic", "&False Color"},
            {"&Basic", "Display &Palette"}, {"&Basic", "&Normalize(16->8)"},
            {"&Advanced", "Modify Image", "M&ake mask"}, {"&Advanced", "Modify Image", "&Mask Image"},
            {"&Advanced", "Modify Image", "&Formula"}, {"&Advanced", "Modify Image", "&Convolution"},
            {"&Advanced", "Modify Image", "&Filter"}, {"&Advanced", "Modify Image", "R&esize"},
            {"&Advanced", "&Rectification"}, {"&Advanced", "Clas&sify"}, {"&Advanced", "&Composite"},
            {"&Advanced", "Histogram-&1d"}, {"&Advanced", "Histogram-2d", "Calculate"},
            {"&Advanced", "Histogram-2d", "&Kill pixel"}, {"&Advanced", "Histogram-2d", "&Traceback"},
            {"&Advanced", "Concatenate Images", "&Mosaic"}, {"&Advanced", "Concatenate Images", "&Pave"},
            {"&Advanced", "Concatenate Images", "&Combine"}, {"&Advanced", "Special Effects", "&Erode"},
            {"&Advanced", "Special Effects", "&Dilate"}, {"&Advanced", "Special Effects", "&Median"},
            {"&Advanced", "Special Effects", "&Negate Data"}, {"&Advanced", "&Burn In"},
            {"&Acquire", "&Single"}, {"&Acquire", "&Continuous"}, {"&Acquire", "&Average"},
            {"&Acquire", "&Finish"}, {"&Acquire", "&Halt"},
            {"&Setup", "&Analog Inputs..."}, {"&Setup", "&Digital Inputs..."}, {"&Setup", "&Counter Inputs..."},
            {"&Setup", "&Magnification..."}, {"&Setup", "&Stage Scan Setup..."}, {"&Setup", "&Image Size..."},
            {"&Setup", "Scan &Type..."}, {"&Setup", "S&cale &Bar Setup..."}, {"&Setup", "&Palette Bar Setup..."},
            {"&Setup", "&Load Setup..."}, {"&Setup", "Sa&ve Setup..."}, {"&Setup", "&Faraday Setup..."},
            {"&Modes", "&Pixel Snap"}, {"&Modes", "&Stage Snap"}, {"&Modes", "&Release Beam"},
            {"&Modes", "&Center"},
            {"&Window", "Zoom", "&In"}, {"&Window", "Zoom", "&Out"}, {"&Window", "Zoom", "&Extents"},
            {"&Window", "Zoom", "&Set..."}, {"&Window", "&Properties..."}, {"&Window", "&History..."},
            {"&Window", "&Global History..."}, {"&Window", "&Cascade"}, {"&Window", "&Tile"},
            {"&Window", "&Arrange Icons"}, {"&Window", "Tool Bar"}, {"&Window", "Status Bar"},
            {"&Window", "Histogram/Info"}, {"&Window", "Color Palette"}, {"&Window", "Zoom Bar"},
            {"&Window", "Acquisition Bar"},
            {"&Help", "&Help on Orvex"}, {"&Help", "&About Orvex..."},
        };
        for (const QStringList& path : entries) QVERIFY2(menuEntry(window->menuBar(), path), qPrintable(path.join(" > ")));
        // The top menus carry their mnemonics, in the menu bar's order.
        QStringList tops;
        for (QAction* a : window->menuBar()->actions()) tops << a->text();
        QCOMPARE(tops, QStringList({"&File", "&Basic", "&Advanced", "&Acquire", "&Setup", "&Modes", "&Window", "&Help"}));
        // A ">" inside an entry never opens a submenu.
        for (QAction* a : window->menuBar()->actions().at(1)->menu()->actions())
            QVERIFY2(!(a->menu() && a->text().startsWith("&Normalize")), "Normalize(16->8) split");
        // The Finish button has a picture of its own.
        QAction* finish = window->action("Acquire > &Finish");
        const QImage icon = finish->icon().pixmap(24, 24).toImage();
        int drawn = 0;
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x) drawn += qAlpha(icon.pixel(x, y)) > 128;
        QVERIFY(drawn > 40);

        // The Basic menu, open, for the record.
        makeImage(40, 30, 0);
        QTRY_COMPARE(window->frames().size(), 1);
        window->refreshCommandState();
        QMenu* basic = window->menuBar()->actions().at(1)->menu();
        basic->popup(window->mapToGlobal(QPoint(60, 30)));
        QTRY_VERIFY(basic->isVisible());
        screenshot(*basic, "basic-menu");
        basic->hide();
    }

    void imageInformationAndRegistrationDialogsAsLaidOut() {
        begin();
        const ImageHandle image = makeImage(300, 280, 0);
        LiveImage(image)->SetText(TextDateTime, "2026:12:09 03:30:00\n");
        LiveImage(image)->SetText(TextImageDescription, "Grain boundary\nsecond line");
        QTRY_VERIFY(window->frameOf(image.number));
        QTRY_COMPARE(windowList().Active(), image);
        const PositionRegistration before = LiveImage(image)->GetPositionRegistration();
        int descriptionLines = 0;
        QString date, point1Title, armedX, armedY, unarmedX;
        bool groups = false, verticalBar = false, horizontalBar = false, strayCaption = false, escClosed = false;
        onNextModal([&](QWidget* w) {
            auto* info = qobject_cast<DialogRenderer*>(w);
            QVERIFY(info);
            auto* description = info->findChild<QPlainTextEdit*>("Description:");
            QVERIFY(description);
            descriptionLines = description->height() / description->fontMetrics().lineSpacing();
            date = info->findChild<QLabel*>("Date:")->text();
            screenshot(*w, "image-information");
            onNextModal(
                [&](QWidget* r) {
                    auto* reg = qobject_cast<DialogRenderer*>(r);
                    QVERIFY(reg);
                    auto* p1 = reg->findChild<QGroupBox*>("Point 1");
                    auto* p2 = reg->findChild<QGroupBox*>("Point 2");
                    groups = p1 && p2 && p1->title() == "Point 1" && p2->title() == "Point 2";
                    if (p1) point1Title = p1->title();
                    auto* vertical = reg->findChild<QScrollBar*>("Vertical");
                    auto* horizontal = reg->findChild<QScrollBar*>("Horizontal");
                    verticalBar = vertical && vertical->orientation() == Qt::Vertical;
                    horizontalBar = horizontal && horizontal->orientation() == Qt::Horizontal;
                    for (QLabel* label : reg->findChildren<QLabel*>())
                        strayCaption |= label->text() == "Vertical" || label->text() == "Horizontal";
                    QWidget* preview = reg->findChild<QWidget*>("Preview");
                    auto* rasterX = reg->findChild<QLineEdit*>("Point 2 Raster X");
                    auto* rasterY = reg->findChild<QLineEdit*>("Point 2 Raster Y");
                    auto* vectorX = reg->findChild<QLineEdit*>("Point 1 Vector X");
                    // The focus coming into a Raster field arms the preview, with nothing typed.
                    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
                    QApplication::sendEvent(rasterX, &in);
                    QTest::mouseClick(preview, Qt::LeftButton, {}, QPoint(12, 34));
                    armedX = rasterX->text();
                    armedY = rasterY->text();
                    // Into a Vector field, the preview writes nowhere.
                    QApplication::sendEvent(vectorX, &in);
                    QTest::mouseClick(preview, Qt::LeftButton, {}, QPoint(50, 60));
                    unarmedX = rasterX->text();
                    screenshot(*r, "register-image");
                    // Esc presses Cancel: the registration stays as it was.
                    QTest::keyClick(r, Qt::Key_Escape);
                    escClosed = !r->isVisible();
                },
                info);
            info->findChild<QPushButton*>("Change Registration...")->click();
            info->findChild<QPushButton*>("Cancel")->click();
        });
        QVERIFY(window->trigger("Window > &Properties..."));
        QVERIFY2(descriptionLines >= 3, qPrintable(QString::number(descriptionLines)));
        QCOMPARE(date, QString("2026:12:09 03:30:00"));
        QVERIFY(groups);
        QCOMPARE(point1Title, QString("Point 1"));
        QVERIFY(verticalBar);
        QVERIFY(horizontalBar);
        QVERIFY(!strayCaption);
        QCOMPARE(armedX, QString("12"));
        QCOMPARE(armedY, QString("34"));
        QCOMPARE(unarmedX, QString("12"));
        QVERIFY(escClosed);
        const PositionRegistration after = LiveImage(image)->GetPositionRegistration();
        QCOMPARE(after.px2, before.px2);
        QCOMPARE(after.x2, before.x2);
    }

    void aBadPaletteBarPositionIsToldOnceNeverFromARepaint() {
        begin("[palettebar]\nposition=9\n");
        QCOMPARE(messages.filter("Bad Palette Position").size(), 1);
        QCOMPARE(messages.filter("PALFILE::GetValues(): Bad Palette Position").size(), 1);
        // A Z-registered image with a palette of its own shows the bar, at
        // the fallback position, repaint after repaint without a word.
        orvex::gui::testing::Acknowledger acknowledge;
        const ImageHandle image = makeImage(60, 40, 0);
        ZRegistration z;
        z.flag = 1;
        z.low = 0;
        z.high = 10;
        SetZRegistration(image, z);
        std::vector<uint32_t> colours(256);
        for (int i = 0; i < 256; ++i) colours[i] = uint32_t(i) << 8;
        SetPalette(image, colours.data(), 256, PaletteCustom);
        QTRY_VERIFY(window->frameOf(image.number));
        ImageView* view = window->frameOf(image.number)->imageView();
        for (int i = 0; i < 5; ++i) view->repaintNow();
        QTest::qWait(60);
        QCOMPARE(acknowledge.seen.size(), 0);
    }

    void filesOnTheCommandLineOpenAsFileOpenWould() {
        const std::string tif = std::string(ORVEX_TEST_DATA) + "/formats/pillow-grey8.tif";
        begin({}, {tif});
        QTRY_COMPARE(window->frames().size(), 1);
        QCOMPARE(window->frames().front()->windowTitle(), QString("pillow-grey8.tif"));
        QCOMPARE(app::application().recentFiles.front().path, tif);
        QCOMPARE(QString::fromStdString(app::application().imageDataDirectory),
                 QString::fromStdString(std::string(ORVEX_TEST_DATA) + "/formats"));

        const WorkstationArguments parsed =
            ParseWorkstationArguments({"--program-folder", "/tmp/p", "a.tif", "--", "--odd.tif"});
        QCOMPARE(QString::fromStdString(parsed.programFolder), QString("/tmp/p"));
        QCOMPARE(parsed.files.size(), size_t(2));
        QCOMPARE(QString::fromStdString(parsed.files[1]), QString("--odd.tif"));
        QVERIFY(!ParseWorkstationArguments({"--bogus"}).problem.empty());
        QVERIFY(!ParseWorkstationArguments({"--program-folder"}).problem.empty());
        QVERIFY(ParseWorkstationArguments({"--help"}).help);

        // The program itself says how it is started.
        QProcess orvex;
        orvex.start(QString(ORVEX_BIN_DIR) + "/orvex", {"--help"});
        QVERIFY(orvex.waitForFinished(20000));
        QCOMPARE(orvex.exitCode(), 0);
        QVERIFY(orvex.readAllStandardOutput().contains("--program-folder"));
    }

    void escPressesCancelHoweverItIsSpelledAndTextsShowWithoutCaptions() {
        struct SaveChanges : platform::DialogModel {
            std::string pressedLabel;
            SaveChanges() : DialogModel("Save Changes") {
                add({.label = "Prompt", .kind = platform::ControlKind::ReadOut, .text = "Save \"a.tif\"?\n",
                     .captioned = false});
                add({.label = "&Yes", .kind = platform::ControlKind::Button});
                add({.label = "&Cancel", .kind = platform::ControlKind::Button});
            }
            bool pressed(platform::DialogControl& c) override {
                pressedLabel = c.label;
                close(false);
                return true;
            }
        } model;
        DialogRenderer renderer(model);
        renderer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&renderer));
        for (QLabel* label : renderer.findChildren<QLabel*>()) QVERIFY(label->text() != "Prompt");
        QCOMPARE(renderer.findChild<QLabel*>("Prompt")->text(), QString("Save \"a.tif\"?"));
        QTest::keyClick(&renderer, Qt::Key_Escape);
        QCOMPARE(QString::fromStdString(model.pressedLabel), QString("&Cancel"));
    }

    void theInformationBarKeepsItsHeightSmallerOrLarger() {
        for (int height : {22, 90}) {
            begin("[HistogramPalette]\nHeight=" + QByteArray::number(height) + "\n");
            QTRY_COMPARE(window->infoBar()->height(), height);
            end();
        }
    }
};

QTEST_MAIN(UserPathsTest)
#include "user_paths_test.moc"
