// The Qt side of the system's questions: message boxes, file dialogs, dialog
// models driven through their widgets, the image picker and the picks on a
// window, the pump and the Esc key.
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "gui/dialog_renderer.h"
#include "gui/image_picker.h"
#include "gui/pickable_view.h"
#include "gui/qt_ui.h"
#include "gui/view_pick.h"
#include "gui_test_support.h"
#include "platform/dialog_model.h"

using namespace orvex;
using namespace orvex::gui;
using orvex::gui::testing::onNextModal;

namespace {

// A picture of w x h pixels shown at 2 screen pixels per pixel, offset by 10.
class FakeView : public QWidget, public PickableView {
public:
    FakeView(int number, int w, int h) : number_(number), size_(w, h), reg_(this) {
        resize(2 * w + 20, 2 * h + 20);
    }
    int imageNumber() const override { return number_; }
    QWidget* pictureWidget() override { return this; }
    std::optional<QPointF> imagePosition(QPoint p) const override {
        const QPointF at((p.x() - 10) / 2.0, (p.y() - 10) / 2.0);
        if (at.x() < 0 || at.y() < 0 || at.x() >= size_.width() || at.y() >= size_.height())
            return std::nullopt;
        return at;
    }
    QPointF widgetPosition(QPointF i) const override { return {i.x() * 2 + 10, i.y() * 2 + 10}; }
    QSize imageSize() const override { return size_; }
    QPoint at(int column, int row) const { return QPoint(10 + 2 * column + 1, 10 + 2 * row + 1); }

private:
    int number_;
    QSize size_;
    PickableRegistration reg_;
};

// A dialog model as the core writes them: a percentage choice, a typed field
// that the model checks itself, a check box that greys the field, a counter.
class ZoomLikeModel : public platform::DialogModel {
public:
    ZoomLikeModel() : DialogModel("Zoom Set") {
        add({.label = "25%", .kind = platform::ControlKind::Radio, .group = "Zoom", .value = 0});
        add({.label = "100%", .kind = platform::ControlKind::Radio, .group = "Zoom", .value = 1});
        add({.label = "Set", .kind = platform::ControlKind::Radio, .group = "Zoom"});
        add({.label = "Percent", .kind = platform::ControlKind::IntEdit, .text = "100", .enabled = false});
        add({.label = "Lock", .kind = platform::ControlKind::CheckBox});
        add({.label = "Steps", .kind = platform::ControlKind::Spin, .value = 2, .min = 1, .max = 9});
        add({.label = "Where", .kind = platform::ControlKind::DropDown, .value = 0,
             .items = {"Active Window", "All Windows && Tile"}});
        add({.label = "Shown", .kind = platform::ControlKind::ReadOut});
        add({.label = "OK", .kind = platform::ControlKind::Button});
        add({.label = "Cancel", .kind = platform::ControlKind::Button});
    }
    void changed(platform::DialogControl& c) override {
        ++changes;
        if (c.group == "Zoom") find("Percent")->enabled = find("Set")->value == 1;
        if (c.label == "Lock") find("Steps")->enabled = c.value == 0;
        find("Shown")->text = "steps " + std::to_string(find("Steps")->value);
    }
    bool pressed(platform::DialogControl& c) override {
        if (c.label == "OK" && find("Set")->value == 1 && find("Percent")->text.empty()) {
            platform::ui().message("Value must be filled in", "Percent");
            return false;
        }
        return DialogModel::pressed(c);
    }
    int changes = 0;
};

}  // namespace

class UiTest : public QObject {
    Q_OBJECT
private:
    QtUi* ui = nullptr;

private slots:
    void init() {
        ui = new QtUi;
        platform::setUi(ui);
    }
    void cleanup() {
        platform::setUi(nullptr);
        delete ui;
        ui = nullptr;
    }

    void messageBoxShowsCaptionTextAndButtons() {
        QString caption, text;
        int buttonCount = 0;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        onNextModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            caption = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttonCount = int(box->buttons().size());
            box->button(QMessageBox::No)->click();
        });
        const auto answer = ui->message("\"UNTLD1.TIF\" has been modified.  Do you wish to save the changes?",
                                        "Wait", platform::Buttons::YesNoCancel, platform::Icon::Warning);
        QCOMPARE(answer, platform::Answer::No);
        QCOMPARE(caption, QString("Wait"));
        QCOMPARE(text, QString("\"UNTLD1.TIF\" has been modified.  Do you wish to save the changes?"));
        QCOMPARE(icon, QMessageBox::Warning);
        QCOMPARE(buttonCount, 3);

        onNextModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        QCOMPARE(ui->message("Really?", "Verify", platform::Buttons::OkCancel, platform::Icon::Question),
                 platform::Answer::Cancel);
    }

    void filterTextKeepsTheSystemsDescriptions() {
        QCOMPARE(QtUi::filterText({"TIFF (2, 16, 256 colors )", "*.tif"}),
                 QString("TIFF (2, 16, 256 colors ) (*.tif)"));
        QCOMPARE(QtUi::filterText({"TIFF Files (*.tif)", "*.tif"}), QString("TIFF Files (*.tif)"));
        QCOMPARE(QtUi::filterText({"Images", "*.tif;*.bmp"}), QString("Images (*.tif *.bmp)"));
    }

    void saveDialogAddsTheDefaultExtensionAndTellsTheFilter() {
        QTemporaryDir dir;
        platform::FileRequest request;
        request.save = true;
        request.filters = {{"TIFF", "*.tif"}, {"BMP", "*.bmp"}, {"GRID", "*.grd"}};
        request.filterIndex = 2;
        request.defaultExtension = "*.grd";
        request.folder = dir.path().toStdString();
        request.name = "UNTLD3.GRD";
        QString shownFilter, shownName;
        onNextModal([&](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            QVERIFY(dialog);
            shownFilter = dialog->selectedNameFilter();
            shownName = dialog->findChild<QLineEdit*>("fileNameEdit")->text();
            QVERIFY(orvex::gui::testing::answerFileDialog(dialog, "grain"));
        });
        const auto answer = ui->chooseFile(request);
        QVERIFY(answer.has_value());
        QCOMPARE(shownFilter, QString("GRID (*.grd)"));
        QCOMPARE(shownName, QString("UNTLD3.GRD"));
        QCOMPARE(answer->filterIndex, 2);
        QCOMPARE(QString::fromStdString(answer->path), dir.filePath("grain.grd"));

        onNextModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
        QVERIFY(!ui->chooseFile(request).has_value());
    }

    void dialogModelIsDrivenThroughItsWidgets() {
        ZoomLikeModel model;
        bool sawGreyField = false, refusedEmpty = false;
        QString readOut;
        onNextModal([&](QWidget* w) {
            auto* dialog = qobject_cast<DialogRenderer*>(w);
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QString("Zoom Set"));
            auto* percent = dialog->findChild<QLineEdit*>("Percent");
            QVERIFY(percent);
            sawGreyField = !percent->isEnabled();
            dialog->findChild<QRadioButton*>("Set")->click();
            QVERIFY(percent->isEnabled());
            QVERIFY(!dialog->findChild<QRadioButton*>("100%")->isChecked());
            percent->clear();
            QTest::keyClicks(percent, "");
            model.find("Percent")->text.clear();
            // OK with the field empty: the model refuses with its own message.
            onNextModal([&](QWidget* box) {
                refusedEmpty = qobject_cast<QMessageBox*>(box)->text() == "Value must be filled in";
                qobject_cast<QMessageBox*>(box)->accept();
            }, w);
            dialog->findChild<QPushButton*>("OK")->click();
            QVERIFY(dialog->isVisible());
            QTest::keyClicks(percent, "150");
            auto* spin = dialog->findChild<QSpinBox*>("Steps");
            spin->setValue(5);
            readOut = dialog->findChild<QLabel*>("Shown")->text();
            dialog->findChild<QCheckBox*>("Lock")->click();
            QVERIFY(!spin->isEnabled());
            dialog->findChild<QComboBox*>("Where")->setCurrentIndex(1);
            dialog->findChild<QPushButton*>("OK")->click();
        });
        QVERIFY(ui->runDialog(model));
        QVERIFY(sawGreyField);
        QVERIFY(refusedEmpty);
        QCOMPARE(readOut, QString("steps 5"));
        QCOMPARE(model.find("Set")->value, 1);
        QCOMPARE(model.find("100%")->value, 0);
        QCOMPARE(model.find("Percent")->text, std::string("150"));
        QCOMPARE(model.find("Steps")->value, 5);
        QCOMPARE(model.find("Where")->value, 1);
        QCOMPARE(model.find("Lock")->value, 1);
    }

    void escapeInADialogPressesCancel() {
        ZoomLikeModel model;
        onNextModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        QVERIFY(!ui->runDialog(model));
        QVERIFY(model.closed());
        QVERIFY(!model.accepted());
    }

    void pickerTakesAClickAndShowsWhatIsUnderTheMouse() {
        FakeView small(1, 20, 10), large(2, 40, 30);
        small.move(0, 400);  // clear of the picker, which opens top left without a main window
        small.show();
        large.move(300, 400);
        large.show();
        QVERIFY(QTest::qWaitForWindowExposed(&large));
        platform::PickPrompt prompt;
        prompt.prompt = "Pick RED band";
        prompt.acceptable = [](int n) { return n == 2; };
        prompt.hoverText = [](int n) { return n == 1 ? std::string("UNTLD1.TIF (20x10x256)") : std::string("big"); };

        QString title, hover;
        Qt::CursorShape refused = Qt::ArrowCursor, accepted = Qt::ArrowCursor;
        bool okWasEnabled = true;
        QTimer::singleShot(20, [&] {
            ImagePicker& picker = ui->picker();
            title = picker.windowTitle();
            okWasEnabled = picker.okButton()->isEnabled();
            picker.examine(small.mapToGlobal(small.at(3, 3)));
            hover = picker.textLine();
            refused = small.cursor().shape();
            picker.examine(large.mapToGlobal(large.at(3, 3)));
            accepted = large.cursor().shape();
            QTest::mouseClick(&large, Qt::LeftButton, {}, large.at(7, 4));
        });
        const auto event = ui->awaitImagePick(prompt);
        QCOMPARE(title, QString("Pick RED band"));
        QVERIFY(!okWasEnabled);
        QCOMPARE(hover, QString("UNTLD1.TIF (20x10x256)"));
        QCOMPARE(refused, ImagePicker::refusalCursor());
        QCOMPARE(accepted, ImagePicker::pickCursor());
        QCOMPARE(event.kind, platform::ImagePickEvent::Kind::Picked);
        QCOMPARE(event.imageNumber, 2);
        QCOMPARE(std::floor(event.column), 7.0);
        QCOMPARE(std::floor(event.row), 4.0);
        QCOMPARE(large.cursor().shape(), Qt::ArrowCursor);  // restored

        // The next entry: OK is enabled now and ends the picking early.
        prompt.okEnabled = true;
        QTimer::singleShot(20, [&] { ui->picker().okButton()->click(); });
        QCOMPARE(ui->awaitImagePick(prompt).kind, platform::ImagePickEvent::Kind::Ok);
        QTimer::singleShot(20, [&] { ui->picker().cancelButton()->click(); });
        QCOMPARE(ui->awaitImagePick(prompt).kind, platform::ImagePickEvent::Kind::Cancel);
    }

    void rectangleAndLinePicksFollowTheDrag() {
        FakeView view(5, 50, 40);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTimer::singleShot(10, [&] {
            QTest::mousePress(&view, Qt::LeftButton, {}, view.at(30, 20));
            QTest::mouseMove(&view, view.at(12, 25));
            QTest::mouseRelease(&view, Qt::LeftButton, {}, view.at(10, 5));
        });
        const auto rect = ui->pickRectangle(5, "Drag Zoom Rectangle");
        QVERIFY(rect.has_value());
        QCOMPARE(rect->left, 10);
        QCOMPARE(rect->top, 5);
        QCOMPARE(rect->right, 30);
        QCOMPARE(rect->bottom, 20);

        QTimer::singleShot(10, [&] {
            QTest::mousePress(&view, Qt::LeftButton, {}, view.at(2, 3));
            // Dragged beyond the picture, the end keeps to its edge.
            QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(500, 500));
        });
        const auto line = ui->pickLine(5, "Draw transect");
        QVERIFY(line.has_value());
        QCOMPARE(line->from.column, 2);
        QCOMPARE(line->from.row, 3);
        QCOMPARE(line->to.column, 49);
        QCOMPARE(line->to.row, 39);

        QTimer::singleShot(10, [&] { QTest::mouseClick(&view, Qt::LeftButton, {}, view.at(44, 1)); });
        const auto pixel = ui->pickPixel(5, "Pick a pixel");
        QVERIFY(pixel.has_value());
        QCOMPARE(pixel->column, 44);
        QCOMPARE(pixel->row, 1);

        QTimer::singleShot(10, [&] { QTest::mouseClick(&view, Qt::RightButton, {}, view.at(4, 4)); });
        QVERIFY(!ui->pickRectangle(5, "Drag Zoom Rectangle").has_value());
        QVERIFY(!ui->pickPixel(77, "no such window").has_value());
    }

    void escapeIsTakenOnceAndQuittingStopsThePump() {
        QWidget w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(!ui->takeEscape());
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(ui->takeEscape());
        QVERIFY(!ui->takeEscape());
        QVERIFY(ui->pumpMessages());
        ui->setQuitting();
        QVERIFY(!ui->pumpMessages());
    }
};

QTEST_MAIN(UiTest)
#include "ui_test.moc"
