#pragma once
// The shared value-entry form: up to ten labelled fields of four kinds, each
// checked on OK before the values are handed back to the operation.
#include <string>
#include <vector>

#include "platform/dialog_model.h"

namespace orvex::app {

enum class ValueKind { Text = 0, YesNo = 1, Integer = 2, Real = 3 };

struct ValueField {
    std::string label;
    ValueKind kind = ValueKind::Text;
    bool required = false;
    // The default going in, the answer coming out (only the member of the kind counts).
    std::string text;
    bool yes = false;
    long integer = 0;
    double real = 0;
};

struct ValueRequest {
    static constexpr int kMaxFields = 10;
    std::string title;
    bool cancelAllowed = true;
    std::vector<ValueField> fields;  // at most kMaxFields are shown
};

/// The dialog model behind EnterValues: one edit per field labelled by the
/// field's label, "OK" and "Cancel".
class ValueEntryDialog : public platform::DialogModel {
public:
    explicit ValueEntryDialog(ValueRequest& request);
    bool pressed(platform::DialogControl& control) override;

    /// The first failing field's message, or empty when every field passes
    /// (checks only; nothing is shown or stored).
    static std::string Check(const ValueField& field, const std::string& text);

private:
    ValueRequest& request_;
};

/// Asks for the values; true when accepted with every field valid, the answers
/// then written back into the fields.
bool EnterValues(ValueRequest& request);

}  // namespace orvex::app
