#pragma once
// Lays any dialog model out with widgets and forwards what the user does to
// the model; after every change the widgets are brought back in line with
// the model's controls (texts, values, enabled, shown). Each widget is named
// by its control's label, so tests find it with findChild.
#include <QDialog>
#include <vector>

#include "platform/dialog_model.h"

namespace orvex::gui {

class DialogRenderer : public QDialog {
    Q_OBJECT
public:
    DialogRenderer(platform::DialogModel& model, QWidget* parent = nullptr);

    /// The widget of the control at this index of the model.
    QWidget* widgetFor(size_t index) const;
    /// The widget of the first control with this label.
    QWidget* widgetFor(const std::string& label) const;
    /// Brings every widget in line with the model.
    void sync();

    platform::DialogModel& model() { return model_; }

protected:
    void reject() override;  // Esc and the close box press "Cancel" (or "&Cancel") when there is one
    /// The focus entering an edit field is told to the model.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void pressButton(size_t index);
    void changed(size_t index);
    void closeIfDone();

    platform::DialogModel& model_;
    std::vector<QWidget*> widgets_;   // one per control, same order
    std::vector<QWidget*> captions_;  // the label beside an edit, or null
    bool syncing_ = false;
};

}  // namespace orvex::gui
