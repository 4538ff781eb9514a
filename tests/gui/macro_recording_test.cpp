// The workstation records what a user does through its menus and dialogs as
// a macro; orvex-cli runs the saved macro and makes the same files.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QAbstractButton>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/application.h"
#include "app/command_table.h"
#include "app/macro_recorder.h"
#include "gui/dialog_renderer.h"
#include "gui/image_view.h"
#include "gui/main_window.h"
#include "gui/qt_ui.h"
#include "gui_test_support.h"
#include "imagestore/image_interface.h"
#include "imagestore/window_list.h"

using namespace orvex;
using namespace orvex::gui;
using orvex::gui::testing::onNextModal;

namespace {

void answerFileDialog(const QString& path) {
    onNextModal([path](QWidget* w) {
        QVERIFY(orvex::gui::testing::answerFileDialog(qobject_cast<QFileDialog*>(w), path));
    });
}

QByteArray contents(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

// A file's bytes with the date and time texts it carries masked.
QByteArray timeless(QByteArray bytes) {
    static const QRegularExpression time("[0-9]{1,2}:[0-9]{2}:[0-9]{2}|[0-9]{4}[:/-][0-9]{2}[:/-][0-9]{2}");
    QString text = QString::fromLatin1(bytes);
    text.replace(time, "<time>");
    return text.toLatin1();
}

// Drags a rectangle over pixels of a view, from one corner to the other.
void dragRectangle(ImageView* view, QPoint from, QPoint to) {
    auto at = [view](QPoint pixel) { return view->widgetPosition(QPointF(pixel.x() + 0.5, pixel.y() + 0.5)).toPoint(); };
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, at(from));
    QTest::mouseMove(view->viewport(), at(to));
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at(to));
}

// Accepts the next `count` modal windows in turn: OK of a message box or of a dialog.
void acceptModals(int count, QWidget* after, int& accepted) {
    if (count == 0) return;
    onNextModal([count, &accepted](QWidget* w) {
        ++accepted;
        acceptModals(count - 1, w, accepted);
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            if (QAbstractButton* ok = box->button(QMessageBox::Ok)) ok->click();
        } else if (auto* ok = w->findChild<QPushButton*>("OK")) {
            ok->click();
        }
    }, after);
}

}  // namespace

class MacroRecordingTest : public QObject {
    Q_OBJECT
private:
    QtUi* ui = nullptr;
    MainWindow* window = nullptr;
    QTemporaryDir dir;
    QString previousFolder;

    QString run(const QString& name) const { return dir.filePath("run/" + name); }

private slots:
    void initTestCase() { previousFolder = QDir::currentPath(); }

    void init() {
        QDir(dir.path()).mkpath("run/data");
        QDir(dir.path()).mkpath("run/out");
        QDir::setCurrent(dir.filePath("run"));
        QFile ini("Orvex.ini");
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[hardware]\nprobetype = DEMO\n");
        ini.close();
        QVERIFY(QFile::copy(ORVEX_TEST_DATA "/formats/tiffcp-strips3.tif", run("data/grain.tif")));
        QVERIFY(orvex::gui::testing::StartWorkstation(ui, window, dir.filePath("run")));
        QVERIFY(app::macroRecorder().recording());
    }

    void cleanup() {
        delete window;
        window = nullptr;
        QVERIFY(!app::macroRecorder().recording());
        windowList().Reset();
        app::application().reset();
        platform::setUi(nullptr);
        delete ui;
        ui = nullptr;
        QDir::setCurrent(previousFolder);
        QDir(dir.filePath("run")).removeRecursively();
        QDir(dir.filePath("replay")).removeRecursively();
    }

    void whatTheUserDidRunsAgainAndMakesTheSameFiles() {
        // Open a file.
        answerFileDialog(run("data/grain.tif"));
        QVERIFY(window->trigger("File > &Open..."));
        QTRY_COMPARE(window->frames().size(), 1);

        // Crop with a rectangle dragged on the image.
        ImageView* view = window->frames().front()->imageView();
        QTimer::singleShot(50, [view] { dragRectangle(view, QPoint(5, 4), QPoint(2, 1)); });
        QVERIFY(window->trigger("Basic > &Crop"));
        QTRY_COMPARE(window->frames().size(), 2);

        QVERIFY(window->trigger("Advanced > Special Effects > &Median"));

        // A linear stretch through its dialog: the range typed, as a user types.
        bool stretched = false;
        onNextModal([&](QWidget* w) {
            auto* dialog = qobject_cast<DialogRenderer*>(w);
            QVERIFY(dialog);
            auto* percentage = dialog->findChild<QCheckBox*>("Use Percentage");
            if (percentage && percentage->isChecked()) percentage->click();
            auto* starting = dialog->findChild<QLineEdit*>("Starting");
            auto* ending = dialog->findChild<QLineEdit*>("Ending");
            QVERIFY(starting && ending);
            starting->selectAll();
            QTest::keyClicks(starting, "20");
            ending->selectAll();
            QTest::keyClicks(ending, "120");
            dialog->findChild<QRadioButton*>("Transform Image")->click();
            dialog->findChild<QPushButton*>("OK")->click();
            stretched = true;
        });
        QVERIFY(window->trigger("Basic > Contrast Enhancement > &Linear Stretch"));
        QVERIFY(stretched);

        // False colour: the new definition confirmed, made, then its dialog's OK.
        int falseColourModals = 0;
        acceptModals(3, nullptr, falseColourModals);
        QVERIFY(window->trigger("Basic > &False Color"));
        QCOMPARE(falseColourModals, 3);

        answerFileDialog(run("out/coloured.tif"));
        QVERIFY(window->trigger("File > Save &As..."));
        QVERIFY(QFileInfo::exists(run("out/coloured.tif")));

        // The macro, saved.
        answerFileDialog(run("macro.txt"));
        QVERIFY(window->trigger("File > Save &Macro..."));
        const QString macro = QString::fromUtf8(contents(run("macro.txt")));
        QVERIFY2(macro.startsWith("# recorded "), qPrintable(macro));
        QVERIFY2(macro.contains("\nopen " + run("data/grain.tif") + "\n"), qPrintable(macro));
        QVERIFY2(macro.contains(QRegularExpression("\nrect [0-9]+ [0-9]+ [0-9]+ [0-9]+\nmenu Basic > Crop\n")),
                 qPrintable(macro));
        QVERIFY2(macro.contains("set Starting = 20; set Ending = 120"), qPrintable(macro));
        QVERIFY2(macro.contains("\nsave " + run("out/coloured.tif") + "\n"), qPrintable(macro));

        // Run again without windows: the same file.
        const QByteArray saved = timeless(contents(run("out/coloured.tif")));
        QVERIFY(!saved.isEmpty());
        QVERIFY(QFile::remove(run("out/coloured.tif")));
        // orvex-cli from a program folder as the workstation's was when it
        // started: what commands keep there (the last false-colour
        // definition) is not there yet.
        const QString replay = dir.filePath("replay");
        QVERIFY(QDir(dir.path()).mkpath("replay"));
        QVERIFY(QFile::copy(run("Orvex.ini"), replay + "/Orvex.ini"));
        QProcess cli;
        cli.setWorkingDirectory(replay);
        cli.start(ORVEX_BIN_DIR "/orvex-cli", {"run", "--program-folder", replay, run("macro.txt")});
        QVERIFY(cli.waitForFinished(60000));
        const QString err = QString::fromUtf8(cli.readAllStandardError());
        QVERIFY2(cli.exitCode() == 0, qPrintable(macro + err));
        QVERIFY2(!err.contains("not answered") && !err.contains("not used"), qPrintable(macro + err));
        QCOMPARE(timeless(contents(run("out/coloured.tif"))), saved);
    }

    void closingAWindowByItsFrameIsRecorded() {
        app::macroRecorder().Clear();
        const ImageHandle image = CreateImage(16, 8, PaletteGrey, true, 8);
        QTRY_VERIFY(window->frameOf(image.number));
        {
            orvex::gui::testing::Acknowledger no;  // not saved
            window->frameOf(image.number)->close();
            QTRY_VERIFY(!window->frameOf(image.number));
        }
        QCOMPARE(QString::fromStdString(app::macroRecorder().Text()), QString("activate 1\nanswer no\nclose\n"));
        // A bar of this window: a comment, not a command a run of the macro would fail on.
        QVERIFY(window->trigger("Window > Zoom Bar"));
        QVERIFY(QString::fromStdString(app::macroRecorder().Text()).endsWith("# menu Window > Zoom Bar (runs only in the workstation)\n"));
        QVERIFY(window->trigger("Window > Zoom Bar"));
    }
};

QTEST_MAIN(MacroRecordingTest)
#include "macro_recording_test.moc"
