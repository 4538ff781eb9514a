#include "gui/dialog_renderer.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QTextDocument>
#include <cmath>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "gui/qt_surface.h"

namespace orvex::gui {

using platform::ControlKind;
using platform::DialogControl;

namespace {

// A canvas control: the model paints it and takes its mouse events.
class CanvasWidget : public QWidget {
public:
    CanvasWidget(DialogRenderer& renderer, size_t index, QWidget* parent)
        : QWidget(parent), renderer_(renderer), index_(index) {
        const DialogControl& c = renderer_.model().controls()[index_];
        setFixedSize(std::max(16, c.width), std::max(16, c.height));
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        QtSurface surface(painter, event->rect());
        renderer_.model().paint(renderer_.model().controls()[index_], surface);
    }
    void mousePressEvent(QMouseEvent* e) override { forward(platform::CanvasMouse::Kind::Down, e); }
    void mouseMoveEvent(QMouseEvent* e) override { forward(platform::CanvasMouse::Kind::Move, e); }
    void mouseReleaseEvent(QMouseEvent* e) override { forward(platform::CanvasMouse::Kind::Up, e); }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        forward(platform::CanvasMouse::Kind::DoubleClick, e);
    }

private:
    void forward(platform::CanvasMouse::Kind kind, QMouseEvent* e) {
        platform::CanvasMouse m;
        m.kind = kind;
        m.x = static_cast<int>(e->position().x());
        m.y = static_cast<int>(e->position().y());
        m.left = (e->buttons() | e->button()) & Qt::LeftButton;
        renderer_.model().mouse(renderer_.model().controls()[index_], m);
        renderer_.sync();
    }

    DialogRenderer& renderer_;
    size_t index_;
};

QString qs(const std::string& s) { return QString::fromStdString(s); }

// A button's label as it reads, without the "&" that marks its mnemonic.
QString withoutMnemonic(const std::string& label) {
    QString text = qs(label);
    text.replace("&&", QString(QChar(0x1)));
    text.remove('&');
    text.replace(QChar(0x1), '&');
    return text;
}

// What a read-out shows: the text without the line end a stored text may
// carry ("Date:" holds the TIFF date with its newline).
QString readOutText(const std::string& text) {
    QString shown = qs(text);
    while (shown.endsWith('\n') || shown.endsWith('\r')) shown.chop(1);
    return shown;
}

// The caption of a control inside its group box: its label without the
// group's name in front ("Point 1 Vector X" in "Point 1" reads "Vector X").
QString captionIn(const DialogControl& c) {
    if (!c.group.empty() && c.label.size() > c.group.size() + 1 && c.label.compare(0, c.group.size(), c.group) == 0 &&
        c.label[c.group.size()] == ' ')
        return qs(c.label.substr(c.group.size() + 1));
    return qs(c.label);
}

bool isEdit(ControlKind kind) {
    return kind == ControlKind::Edit || kind == ControlKind::IntEdit || kind == ControlKind::RealEdit;
}

bool needsCaption(ControlKind kind) {
    switch (kind) {
        case ControlKind::Edit:
        case ControlKind::IntEdit:
        case ControlKind::RealEdit:
        case ControlKind::List:
        case ControlKind::DropDown:
        case ControlKind::Spin:
        case ControlKind::ScrollBar:
        case ControlKind::ReadOut: return true;
        default: return false;
    }
}

}  // namespace

DialogRenderer::DialogRenderer(platform::DialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setWindowTitle(qs(model_.caption()));
    setObjectName(qs(model_.caption()));
    build();
    sync();
}

void DialogRenderer::build() {
    auto& controls = model_.controls();
    widgets_.assign(controls.size(), nullptr);
    captions_.assign(controls.size(), nullptr);

    auto* outer = new QVBoxLayout(this);
    QGridLayout* form = nullptr;
    QHBoxLayout* buttonRow = nullptr;
    QGroupBox* group = nullptr;
    QVBoxLayout* groupLayout = nullptr;
    std::string groupName;
    int formRow = 0;
    bool firstEdit = true;
    // A group of fields ("Point 1": its Vector and Raster fields) in a box of
    // its own, laid out as a form inside it.
    QGroupBox* fieldBox = nullptr;
    QGridLayout* fieldForm = nullptr;
    std::string fieldGroup;
    int fieldRow = 0;
    // A canvas keeps the scroll bars that follow it at its edges.
    QGridLayout* canvasGrid = nullptr;

    auto endGroup = [&] {
        group = nullptr;
        groupName.clear();
    };
    auto ensureForm = [&] {
        if (!form) {
            form = new QGridLayout;
            outer->addLayout(form);
            formRow = 0;
        }
        buttonRow = nullptr;
    };
    auto openFieldBox = [&](const std::string& name) {
        ensureForm();
        fieldBox = new QGroupBox(qs(name), this);
        fieldForm = new QGridLayout(fieldBox);
        fieldGroup = name;
        fieldRow = 0;
        form->addWidget(fieldBox, formRow++, 0, 1, 2);
    };

    for (size_t i = 0; i < controls.size(); ++i) {
        DialogControl& c = controls[i];
        QWidget* w = nullptr;
        if (c.kind != ControlKind::Radio || c.group != groupName) endGroup();
        const bool inFieldGroup = c.kind != ControlKind::Radio && c.kind != ControlKind::Button && !c.group.empty();
        if (!inFieldGroup || c.group != fieldGroup) {
            fieldBox = nullptr;
            fieldGroup.clear();
        }
        if (c.kind != ControlKind::ScrollBar) canvasGrid = nullptr;

        // A label naming the group of fields that follows is that group's title.
        if (c.kind == ControlKind::Label && i + 1 < controls.size() && controls[i + 1].group == c.label &&
            controls[i + 1].kind != ControlKind::Radio && controls[i + 1].kind != ControlKind::Button) {
            openFieldBox(c.label);
            fieldBox->setObjectName(qs(c.label));
            widgets_[i] = fieldBox;
            continue;
        }
        if (inFieldGroup && !fieldBox) openFieldBox(c.group);

        switch (c.kind) {
            case ControlKind::Button: {
                if (!buttonRow) {
                    buttonRow = new QHBoxLayout;
                    buttonRow->addStretch();
                    outer->addLayout(buttonRow);
                    form = nullptr;
                }
                auto* b = new QPushButton(qs(c.label), this);
                b->setAutoDefault(false);
                if (c.label == "OK") b->setDefault(true);
                connect(b, &QPushButton::clicked, this, [this, i] { pressButton(i); });
                buttonRow->addWidget(b);
                w = b;
                break;
            }
            case ControlKind::Radio: {
                if (!group) {
                    ensureForm();
                    group = new QGroupBox(qs(c.group), this);
                    groupLayout = new QVBoxLayout(group);
                    groupName = c.group;
                    form->addWidget(group, formRow++, 0, 1, 2);
                }
                auto* r = new QRadioButton(qs(c.label), group);
                r->setAutoExclusive(false);  // the model decides which one is on
                connect(r, &QRadioButton::toggled, this, [this, i](bool on) {
                    if (syncing_) return;
                    auto& all = model_.controls();
                    if (!on) {
                        sync();  // a radio button is not switched off by clicking it
                        return;
                    }
                    for (auto& other : all)
                        if (other.kind == ControlKind::Radio && other.group == all[i].group)
                            other.value = 0;
                    all[i].value = 1;
                    changed(i);
                });
                groupLayout->addWidget(r);
                w = r;
                break;
            }
            default: {
                ensureForm();
                switch (c.kind) {
                    case ControlKind::CheckBox: {
                        auto* box = new QCheckBox(qs(c.label), this);
                        connect(box, &QCheckBox::toggled, this, [this, i](bool on) {
                            if (syncing_) return;
                            model_.controls()[i].value = on ? 1 : 0;
                            changed(i);
                        });
                        w = box;
                        break;
                    }
                    case ControlKind::Edit:
                    case ControlKind::IntEdit:
                    case ControlKind::RealEdit: {
                        if (c.kind == ControlKind::Edit && c.height > 1) {
                            auto* edit = new QPlainTextEdit(this);
                            // The model gives the height in lines of text.
                            const QFontMetrics metrics(edit->font());
                            const int margins = 2 * edit->frameWidth() +
                                                2 * int(std::ceil(edit->document()->documentMargin())) + 2;
                            edit->setFixedHeight(c.height * metrics.lineSpacing() + margins);
                            edit->setTabChangesFocus(true);
                            connect(edit, &QPlainTextEdit::textChanged, this, [this, i, edit] {
                                if (syncing_) return;
                                model_.controls()[i].text = edit->toPlainText().toStdString();
                                changed(i);
                            });
                            w = edit;
                        } else {
                            auto* edit = new QLineEdit(this);
                            if (c.kind != ControlKind::Edit) edit->setAlignment(Qt::AlignRight);
                            connect(edit, &QLineEdit::textEdited, this, [this, i](const QString& t) {
                                model_.controls()[i].text = t.toStdString();
                                changed(i);
                            });
                            if (firstEdit) {
                                // The first edit field takes the focus, its text selected.
                                edit->setFocus();
                                edit->selectAll();
                                firstEdit = false;
                            }
                            w = edit;
                        }
                        break;
                    }
                    case ControlKind::List: {
                        auto* list = new QListWidget(this);
                        connect(list, &QListWidget::currentRowChanged, this, [this, i](int row) {
                            if (syncing_) return;
                            model_.controls()[i].value = row;
                            changed(i);
                        });
                        if (c.height > 0) list->setFixedHeight(c.height);
                        w = list;
                        break;
                    }
                    case ControlKind::DropDown: {
                        auto* combo = new QComboBox(this);
                        connect(combo, &QComboBox::currentIndexChanged, this, [this, i](int row) {
                            if (syncing_) return;
                            model_.controls()[i].value = row;
                            changed(i);
                        });
                        w = combo;
                        break;
                    }
                    case ControlKind::Spin: {
                        auto* spin = new QSpinBox(this);
                        connect(spin, &QSpinBox::valueChanged, this, [this, i](int v) {
                            if (syncing_) return;
                            model_.controls()[i].value = v;
                            changed(i);
                        });
                        w = spin;
                        break;
                    }
                    case ControlKind::ScrollBar: {
                        // The model gives the orientation by the length it sets.
                        auto* bar = new QScrollBar(c.height > c.width ? Qt::Vertical : Qt::Horizontal, this);
                        if (c.width > 0 && c.width >= c.height) bar->setFixedWidth(c.width);
                        if (c.height > 0 && c.height > c.width) bar->setFixedHeight(c.height);
                        connect(bar, &QScrollBar::valueChanged, this, [this, i](int v) {
                            if (syncing_) return;
                            model_.controls()[i].value = v;
                            changed(i);
                        });
                        w = bar;
                        break;
                    }
                    case ControlKind::ReadOut: {
                        auto* out = new QLabel(this);
                        out->setFrameShape(QFrame::StyledPanel);
                        out->setFrameShadow(QFrame::Sunken);
                        out->setTextInteractionFlags(Qt::TextSelectableByMouse);
                        w = out;
                        break;
                    }
                    case ControlKind::Canvas: {
                        w = new CanvasWidget(*this, i, this);
                        // The scroll bars that follow go along its right and bottom edges.
                        if (i + 1 < controls.size() && controls[i + 1].kind == ControlKind::ScrollBar) {
                            canvasGrid = new QGridLayout;
                            canvasGrid->setSpacing(0);
                            canvasGrid->addWidget(w, 0, 0);
                            form->addLayout(canvasGrid, formRow++, 0, 1, 2);
                        }
                        break;
                    }
                    default: {
                        auto* label = new QLabel(this);
                        label->setTextFormat(Qt::PlainText);
                        label->setWordWrap(true);
                        w = label;
                        break;
                    }
                }
                if (c.kind == ControlKind::Canvas && canvasGrid) {
                    // placed with its scroll bars above
                } else if (c.kind == ControlKind::ScrollBar && canvasGrid) {
                    auto* bar = static_cast<QScrollBar*>(w);
                    if (bar->orientation() == Qt::Vertical)
                        canvasGrid->addWidget(bar, 0, 1);
                    else
                        canvasGrid->addWidget(bar, 1, 0);
                } else {
                    QGridLayout* into = fieldBox ? fieldForm : form;
                    int& row = fieldBox ? fieldRow : formRow;
                    if (needsCaption(c.kind) && c.captioned) {
                        auto* caption = new QLabel(fieldBox ? captionIn(c) : qs(c.label), this);
                        if (c.kind != ControlKind::ReadOut) caption->setBuddy(w);
                        into->addWidget(caption, row, 0);
                        into->addWidget(w, row++, 1);
                        captions_[i] = caption;
                    } else {
                        into->addWidget(w, row++, 0, 1, 2);
                    }
                }
                if (isEdit(c.kind)) w->installEventFilter(this);
                break;
            }
        }
        w->setObjectName(qs(c.label));
        w->setAccessibleName(qs(c.label));
        widgets_[i] = w;
    }
}

QWidget* DialogRenderer::widgetFor(size_t index) const {
    return index < widgets_.size() ? widgets_[index] : nullptr;
}

QWidget* DialogRenderer::widgetFor(const std::string& label) const {
    const auto& controls = model_.controls();
    for (size_t i = 0; i < controls.size() && i < widgets_.size(); ++i)
        if (controls[i].label == label) return widgets_[i];
    return nullptr;
}

void DialogRenderer::sync() {
    syncing_ = true;
    if (windowTitle() != qs(model_.caption())) setWindowTitle(qs(model_.caption()));
    auto& controls = model_.controls();
    for (size_t i = 0; i < controls.size() && i < widgets_.size(); ++i) {
        const DialogControl& c = controls[i];
        QWidget* w = widgets_[i];
        if (qobject_cast<QGroupBox*>(w) && c.kind == ControlKind::Label) {
            // A group's title: shown and enabled with the label.
            w->setVisible(c.visible);
            w->setEnabled(c.enabled);
            continue;
        }
        QSignalBlocker block(w);
        w->setVisible(c.visible);
        w->setEnabled(c.enabled);
        if (captions_[i]) {
            captions_[i]->setVisible(c.visible);
            captions_[i]->setEnabled(c.enabled);
        }
        const QString text = qs(c.text);
        switch (c.kind) {
            case ControlKind::CheckBox:
                static_cast<QCheckBox*>(w)->setChecked(c.value != 0);
                break;
            case ControlKind::Radio:
                static_cast<QRadioButton*>(w)->setChecked(c.value != 0);
                break;
            case ControlKind::Edit:
            case ControlKind::IntEdit:
            case ControlKind::RealEdit:
                if (auto* line = qobject_cast<QLineEdit*>(w)) {
                    if (line->text() != text) line->setText(text);
                } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
                    if (plain->toPlainText() != text) plain->setPlainText(text);
                }
                break;
            case ControlKind::List: {
                auto* list = static_cast<QListWidget*>(w);
                if (list->count() != static_cast<int>(c.items.size())) {
                    list->clear();
                    for (const auto& item : c.items) list->addItem(qs(item));
                } else {
                    for (size_t k = 0; k < c.items.size(); ++k)
                        if (list->item(int(k))->text() != qs(c.items[k]))
                            list->item(int(k))->setText(qs(c.items[k]));
                }
                list->setCurrentRow(c.value);
                break;
            }
            case ControlKind::DropDown: {
                auto* combo = static_cast<QComboBox*>(w);
                QStringList items;
                for (const auto& item : c.items) items << qs(item);
                QStringList present;
                for (int k = 0; k < combo->count(); ++k) present << combo->itemText(k);
                if (present != items) {
                    combo->clear();
                    combo->addItems(items);
                }
                combo->setCurrentIndex(c.value);
                break;
            }
            case ControlKind::Spin: {
                auto* spin = static_cast<QSpinBox*>(w);
                spin->setRange(c.min, std::max(c.min, c.max));
                spin->setValue(c.value);
                break;
            }
            case ControlKind::ScrollBar: {
                auto* bar = static_cast<QScrollBar*>(w);
                bar->setRange(c.min, std::max(c.min, c.max));
                bar->setValue(c.value);
                break;
            }
            case ControlKind::ReadOut:
                static_cast<QLabel*>(w)->setText(readOutText(c.text));
                break;
            case ControlKind::Label:
                static_cast<QLabel*>(w)->setText(c.text.empty() ? qs(c.label) : text);
                break;
            case ControlKind::Canvas: w->update(); break;
            case ControlKind::Button: break;
        }
    }
    syncing_ = false;
}

void DialogRenderer::changed(size_t index) {
    if (syncing_) return;
    platform::reportDialogAction(model_, model_.controls()[index]);
    model_.changed(model_.controls()[index]);
    sync();
    closeIfDone();
}

void DialogRenderer::pressButton(size_t index) {
    auto& c = model_.controls()[index];
    if (!c.enabled || !c.visible) return;
    platform::reportDialogAction(model_, c);
    model_.pressed(c);
    if (!model_.closed()) sync();
    closeIfDone();
}

void DialogRenderer::closeIfDone() {
    if (model_.closed()) done(model_.accepted() ? QDialog::Accepted : QDialog::Rejected);
}

void DialogRenderer::reject() {
    if (model_.closed()) {
        QDialog::reject();
        return;
    }
    const auto& controls = model_.controls();
    for (size_t i = 0; i < controls.size(); ++i)
        if (controls[i].kind == ControlKind::Button && withoutMnemonic(controls[i].label) == "Cancel") {
            pressButton(i);
            return;
        }
    // A dialog without Cancel closes only through its own buttons.
}

bool DialogRenderer::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && !syncing_) {
        for (size_t i = 0; i < widgets_.size(); ++i) {
            if (widgets_[i] != watched) continue;
            model_.focused(model_.controls()[i]);
            sync();
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace orvex::gui
