// The workstation as a user drives it: the start order, commands from the
// menus and tool bars with their dialogs answered, acquisition on the DEMO
// instrument, Halt from the tool bar, picks on real image windows.
#include <QDir>
#include <QFile>
#include <QScreen>
#include <QFileDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QAbstractButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <cstdlib>
#include <vector>

#include "acquisition/acquire_commands.h"
#include "acquisition/calmag.h"
#include "acquisition/channel_tables.h"
#include "app/application.h"
#include "app/command_table.h"
#include "app/image_picker.h"
#include "app/progress.h"
#include "gui/image_picker.h"
#include "gui/image_view.h"
#include "gui/info_bar.h"
#include "gui/main_window.h"
#include "gui/qt_ui.h"
#include "gui_test_support.h"
#include "imagestore/history.h"
#include "imagestore/image_interface.h"
#include "imagestore/orvex_view.h"
#include "imagestore/value_range.h"
#include "imagestore/window_list.h"

using namespace orvex;
using namespace orvex::gui;
using orvex::gui::testing::onNextModal;

namespace {

void screenshot(QWidget& w, const char* name) {
    if (const char* folder = std::getenv("ORVEX_SCREENSHOTS")) w.grab().save(QString(folder) + "/" + name + ".png");
}

// The whole screen, floating windows included (under a real X server).
void screenshotScreen(const char* name) {
    const char* folder = std::getenv("ORVEX_SCREENSHOTS");
    if (!folder || QGuiApplication::platformName() != "xcb") return;
    QGuiApplication::primaryScreen()->grabWindow(0).save(QString(folder) + "/" + name + ".png");
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

// Answers the file dialog that opens next with a path.
void answerFileDialog(const QString& path) {
    onNextModal([path](QWidget* w) {
        QVERIFY(orvex::gui::testing::answerFileDialog(qobject_cast<QFileDialog*>(w), path));
    });
}

}  // namespace

class WorkstationTest : public QObject {
    Q_OBJECT
private:
    QtUi* ui = nullptr;
    MainWindow* window = nullptr;
    QTemporaryDir dir;
    QString previousFolder;

private slots:
    void initTestCase() { previousFolder = QDir::currentPath(); }

    void init() {
        // A fresh folder per test: the profile file, the image data folder
        // and the history file land there.
        QDir(dir.path()).mkpath("run");
        QDir::setCurrent(dir.filePath("run"));
        QFile ini("Orvex.ini");
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[hardware]\nprobetype = DEMO\n");
        ini.close();
        QVERIFY(orvex::gui::testing::StartWorkstation(ui, window, dir.filePath("run")));
    }

    void cleanup() {
        orvex::gui::testing::StopWorkstation(ui, window);
        QDir::setCurrent(previousFolder);
        QDir(dir.filePath("run")).removeRecursively();
    }

    void windowAndHelpEntriesWithTheirChecksAndMnemonics() {
        // Greyed while there is no image window to arrange.
        window->refreshCommandState();
        QVERIFY(!window->action("Window > &Tile")->isEnabled());
        QCOMPARE(window->action("Window > &Arrange Icons")->text(), QString("&Arrange Icons"));
        QCOMPARE(window->action("File > Print Pre&view")->text(), QString("Print Pre&view"));
        // A bar's check mark follows the bar however it was hidden.
        QAction* zoomBar = window->action("Window > Zoom Bar");
        QVERIFY(zoomBar->isChecked());
        QVERIFY(window->trigger("Window > Zoom Bar"));
        QVERIFY(!window->zoomBar()->isVisible());
        QVERIFY(!zoomBar->isChecked());
        window->infoDock()->close();
        window->refreshCommandState();
        QVERIFY(!window->action("Window > Histogram/Info")->isChecked());
        QVERIFY(window->trigger("Window > Histogram/Info"));
        QVERIFY(window->infoDock()->isVisible());
        // Help shows a text of its own.
        QAction* help = window->action("Help > &Help on Orvex");
        QVERIFY(help);
        QCOMPARE(help->text(), QString("&Help on Orvex"));
        QVERIFY(window->trigger("Help > &Help on Orvex"));
        QTRY_VERIFY(window->helpWindow() && window->helpWindow()->isVisible());
        auto* text = window->helpWindow()->findChild<QTextBrowser*>("HelpText");
        QVERIFY(text && text->toPlainText().contains("Acquisition"));
    }

    void startShowsTheMenusOfTheCommandsThatExist() {
        QVERIFY(app::application().running);
        QVERIFY(window->action("File > &Open..."));
        QVERIFY(window->action("File > E&xit"));
        // Every menu entry stands for a command of the table: no dead entries.
        for (QAction* top : window->menuBar()->actions()) {
            QVERIFY(top->menu());
            for (QAction* entry : top->menu()->actions())
                if (!entry->isSeparator() && !entry->menu())
                    QVERIFY2(app::commandTable().find(entry->objectName().toStdString()),
                             qPrintable(entry->text()));
        }
        QCOMPARE(window->menuBar()->actions().front()->text(), QString("&File"));
        // Recent-file entries are hidden while there are none.
        QAction* recent = window->action("File > Recent File &1");
        QVERIFY(recent);
        QVERIFY(!recent->isVisible());
    }

    void openSaveAndCloseWithTheirDialogs() {
        const ImageHandle image = makeImage(40, 30, 10);
        QTRY_VERIFY(window->frameOf(image.number));
        // The saved file carries its format's extension, as typed.
        answerFileDialog(dir.filePath("run/grain.tif"));
        QVERIFY(window->trigger("File > Save &As..."));
        const QString path = dir.filePath("run/grain.tif");
        QVERIFY(QFileInfo::exists(path));
        QTRY_COMPARE(window->frameOf(image.number)->windowTitle(), QString("grain.tif"));
        // Saved, it closes without a question.
        QVERIFY(window->trigger("File > &Close"));
        QTRY_VERIFY(!window->frameOf(image.number));

        answerFileDialog(path);
        QVERIFY(window->trigger("File > &Open..."));
        QTRY_COMPARE(window->frames().size(), 1);
        ImageFrame* opened = window->frames().front();
        QCOMPARE(opened->windowTitle(), QString("grain.tif"));
        Image* read = LiveImage(opened->imageView()->handle());
        QVERIFY(read);
        QCOMPARE(read->Width(), 40);
        QCOMPARE(read->GetPixel(5, 7), 22);
        window->refreshCommandState();
        QVERIFY(window->action("File > Recent File &1")->isVisible());
        QVERIFY(window->action("File > Recent File &1")->text().endsWith("grain.tif"));

        // A modified image asks before it closes; No closes without saving.
        std::vector<uint8_t> row(40, 99);
        WriteLine8(opened->imageView()->handle(), 0, row.data());
        QString caption, text;
        onNextModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            caption = box->windowTitle();
            text = box->text();
            box->button(QMessageBox::No)->click();
        });
        opened->close();
        QTRY_COMPARE(window->frames().size(), 0);
        QCOMPARE(caption, QString("Wait"));
        QCOMPARE(text, QString("\"grain.tif\" has been modified.  Do you wish to save the changes?"));
    }

    void histogramFollowsLineWritesPassByPassWithoutTouchingTheProgress() {
        const ImageHandle image = makeImage(64, 40, 0);
        QTRY_VERIFY(window->frameOf(image.number));
        QTRY_COMPARE(windowList().Active(), image);
        window->refreshStatus();
        app::Application& a = app::application();
        QCOMPARE(a.histogramWindow, image);
        QCOMPARE(a.histogram.percent[200], 0.0);
        // A scan under way: 40 %, and its estimate must keep its start.
        app::ReportProgress(40);
        const QString progress = window->infoBar()->progressText();
        std::vector<uint8_t> row(64, 200);
        for (int r = 0; r < 39; ++r) WriteLine8(image, r, row.data());
        // Not yet counted while the pass runs (the count waits for a pause).
        QCOMPARE(a.histogram.percent[200], 0.0);
        QCOMPARE(window->linesSinceCount(), 39);
        WriteLine8(image, 39, row.data());
        // The pass is complete: counted at once, quietly.
        QCOMPARE(window->linesSinceCount(), 0);
        QCOMPARE(a.histogram.percent[200], 100.0);
        QCOMPARE(window->infoBar()->progressPercent(), 40);
        QCOMPARE(window->infoBar()->progressText(), progress);
        app::ReportProgress(100);
    }

    void pickAcceptedAndRefusedWithItsMessage() {
        const ImageHandle first = makeImage(32, 32, 0);
        const ImageHandle other = makeImage(20, 10, 0);
        const ImageHandle same = makeImage(32, 32, 50);
        QTRY_VERIFY(window->frameOf(same.number));
        window->mdiArea()->tileSubWindows();
        QTest::qWait(30);
        auto clickOn = [this](ImageHandle h) {
            ImageView* view = window->frameOf(h.number)->imageView();
            const QRectF picture = view->pictureRect();
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                              QPoint(int(picture.left()) + 3, int(picture.top()) + 3));
        };
        app::PickRequest request;
        request.title = "Mosaic";
        request.entries = {{"Pick first image", 0, {}, {}}, {"Pick second image", app::PickSameSize, {}, {}}};
        QString refusal, refusalCaption;
        // Each click waits until the picker waits for it.
        ImagePicker& picker = ui->picker();
        auto whenWaiting = [&picker](int waits, std::function<void()> act) {
            auto* poll = new QTimer;
            poll->setInterval(10);
            QObject::connect(poll, &QTimer::timeout, [poll, &picker, waits, act] {
                if (picker.waitsBegun() < waits || !picker.waiting()) return;
                poll->stop();
                poll->deleteLater();
                act();
            });
            poll->start();
        };
        whenWaiting(1, [&] { clickOn(first); });
        whenWaiting(2, [&] {
            screenshotScreen("picker");
            onNextModal([&](QWidget* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                refusal = box->text();
                refusalCaption = box->windowTitle();
                box->button(QMessageBox::Ok)->click();
            });
            clickOn(other);
        });
        whenWaiting(3, [&] { clickOn(same); });
        QCOMPARE(app::PickImages(request), 2);
        QCOMPARE(refusalCaption, QString("Error"));
        QCOMPARE(refusal, QString("Image needs to be the same dimensions as the previous image. (32 x 32)"));
        QCOMPARE(request.entries[0].window, first);
        QCOMPARE(request.entries[1].window, same);
    }

    void zoomSetDialogFromTheMenu() {
        const ImageHandle image = makeImage(100, 80, 0);
        QTRY_VERIFY(window->frameOf(image.number));
        if (!window->action("Window > Zoom > &Set...")) QSKIP("no zoom dialog");
        QString title;
        onNextModal([&](QWidget* w) {
            title = w->windowTitle();
            screenshot(*w, "zoom-set-dialog");
            screenshotScreen("zoom-set-dialog-screen");
            // 200 % for the active window, chosen through the widgets.
            if (auto* choice = w->findChild<QAbstractButton*>("200%")) choice->click();
            if (auto* ok = w->findChild<QPushButton*>("OK")) ok->click();
        });
        QVERIFY(window->trigger("Window > Zoom > &Set..."));
        QCOMPARE(title, QString("Zoom Set"));
        QTRY_COMPARE(window->frameOf(image.number)->imageView()->pictureRect().width(), 200.0);
    }

    // A 512 x 512 DEMO scan keeps the workstation live: the run pumps the
    // event loop after every line and the channel window is repainted while
    // the lines come in, not only at the end. The figures go to the log.
    void a512ScanRedrawsLineByLineWhileItRuns() {
        calmag().SetXSize(512);
        calmag().SetYSize(512);
        int pumps = 0, paintsDuringRun = 0;
        qint64 longestGap = 0, last = 0;
        QElapsedTimer clock;
        struct PaintCounter : QObject {
            int* paints;
            explicit PaintCounter(int* p) : paints(p) {}
            bool eventFilter(QObject* o, QEvent* e) override {
                if (e->type() == QEvent::Paint && qobject_cast<ImageView*>(o->parent())) ++*paints;
                return false;
            }
        } counter(&paintsDuringRun);
        qApp->installEventFilter(&counter);
        auto previous = ui->onPump;
        ui->onPump = [&] {
            if (previous) previous();
            ++pumps;
            const qint64 now = clock.elapsed();
            longestGap = std::max(longestGap, now - last);
            last = now;
        };
        clock.start();
        QVERIFY(window->trigger("Acquire > &Single"));
        const qint64 total = clock.elapsed();
        ui->onPump = previous;
        qApp->removeEventFilter(&counter);
        QVERIFY(GlobalHistoryText().find("finished scan: ") != std::string::npos);
        qInfo("512 x 512 DEMO Single: %lld ms, %d pumps, longest gap between pumps %lld ms, %d repaints of "
              "the channel window during the run", total, pumps, longestGap, paintsDuringRun);
        QVERIFY(pumps >= 512);             // at least once a line
        QVERIFY(paintsDuringRun >= 2);     // drawn while it grows, not once at the end
    }

    void acquireSingleFromTheMenuMakesTheChannelWindows() {
        QAction* single = window->action("Acquire > &Single");
        QVERIFY(single);
        QVERIFY(single->isEnabled());
        // The status bar shows the prompt, the tool button the short tip.
        QCOMPARE(single->statusTip(), QString("Acquire a single set of images"));
        QCOMPARE(single->toolTip(), QString("Single"));
        QVERIFY(!window->action("Acquire > &Halt")->isEnabled());
        // A small image, shown whole at 100 % in its window.
        calmag().SetXSize(48);
        calmag().SetYSize(32);
        QVERIFY(window->frames().isEmpty());
        QVERIFY(window->trigger("Acquire > &Single"));  // returns when the pass is done
        QVERIFY(GlobalHistoryText().find("finished scan: ") != std::string::npos);
        // The DEMO set-up acquires one analog channel, named by the element list.
        window->syncWindows();
        QCOMPARE(window->frames().size(), 1);
        ImageFrame* frame = window->frames().front();
        QCOMPARE(frame->windowTitle(), QString("Analog1"));
        OrvexView* view = frame->imageView()->view();
        QVERIFY(view);
        QCOMPARE(view->Handle(), channelTables().analog[0].image);
        const Image& image = *view->image;
        QCOMPARE(image.Width(), 48);
        QCOMPARE(image.Height(), 32);
        unsigned lo = 0, hi = 0;
        OV_ScanForMinMax(view->image.get(), lo, hi);
        QVERIFY(lo < hi);  // a scanned picture, not a blank one
        // The window shows the acquired pixels through the image's palette.
        ImageView* shown = frame->imageView();
        QTRY_COMPARE(shown->pictureRect().size(), QSizeF(48, 32));
        const QRectF picture = shown->pictureRect();
        const QImage shot = shown->viewport()->grab().toImage();
        std::vector<uint8_t> row(image.Width());
        for (int y : {0, 13, 31}) {
            ReadLine8(view->Handle(), y, row.data());
            for (int x = 0; x < image.Width(); x += 5) {
                const PaletteColour colour = image.GetPaletteEntry(row[x]);
                const QRgb p = shot.pixel(int(picture.left()) + x, int(picture.top()) + y);
                QCOMPARE(qRed(p), int(colour.red));
                QCOMPARE(qGreen(p), int(colour.green));
                QCOMPARE(qBlue(p), int(colour.blue));
            }
        }
        QVERIFY(single->isEnabled());
        QVERIFY(!single->isChecked());
        screenshot(*window, "after-acquisition");
    }

    void haltFromTheToolBarStopsAContinuousRun() {
        QAction* single = window->action("Acquire > &Single");
        QAction* continuous = window->action("Acquire > &Continuous");
        QAction* halt = window->action("Acquire > &Halt");
        QVERIFY(single && continuous && halt);
        QVERIFY(!halt->isEnabled());
        calmag().SetXSize(24);
        calmag().SetYSize(16);
        auto* button = qobject_cast<QToolButton*>(window->acquisitionBar()->widgetForAction(halt));
        QVERIFY(button);
        // The channel window made and shown first, so that nothing but the run
        // itself changes what the menus should show.
        QVERIFY(window->trigger("Acquire > &Single"));
        QTRY_COMPARE(window->frames().size(), 1);
        QCoreApplication::processEvents();
        // Nor the periodic refresh of the tool bars.
        auto* periodic = window->findChild<QTimer*>("commandRefresh");
        QVERIFY(periodic);
        periodic->stop();
        // The press comes from the run's own pump during the second pass; the
        // window must by then show what the run allows without being told.
        bool pressed = false, haltWasEnabled = false, singleWasGrey = false, continuousWasChecked = false,
             setupWasGrey = false;
        int pumpsAfterPress = 0;
        auto previous = ui->onPump;
        ui->onPump = [&] {
            if (previous) previous();
            if (pressed) {
                // A press that did not take would leave the run going.
                if (++pumpsAfterPress == 1000) OnAcquireHalt();
                return;
            }
            if (acquireMenuState().pass < 1) return;
            pressed = true;
            haltWasEnabled = halt->isEnabled() && button->isEnabled();
            singleWasGrey = !single->isEnabled();
            continuousWasChecked = continuous->isChecked();
            setupWasGrey = !window->action("Setup > &Stage Scan Setup...")->isEnabled();
            QTest::mouseClick(button, Qt::LeftButton);
        };
        QVERIFY(window->trigger("Acquire > &Continuous"));  // returns when the run has stopped
        ui->onPump = previous;
        QVERIFY(pressed);
        QVERIFY(haltWasEnabled);
        QVERIFY(singleWasGrey);
        QVERIFY(continuousWasChecked);
        QVERIFY(setupWasGrey);
        QVERIFY(pumpsAfterPress < 1000);
        const std::string& history = GlobalHistoryText();
        QVERIFY(history.find("    pass: 1  ") != std::string::npos);
        QVERIFY(history.find("    pass: 2  ") == std::string::npos);
        QVERIFY(history.find("halted early: ") != std::string::npos);
        // Back to idle, shown as such.
        QVERIFY(!halt->isEnabled());
        QVERIFY(continuous->isEnabled());
        QVERIFY(!continuous->isChecked());
        QVERIFY(window->action("Setup > &Stage Scan Setup...")->isEnabled());
    }
};

QTEST_MAIN(WorkstationTest)
#include "workstation_test.moc"
