#include "app/value_entry.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/ui.h"

namespace orvex::app {

using platform::ControlKind;
using platform::DialogControl;

namespace {

std::string defaultText(const ValueField& field) {
    char buffer[64];
    switch (field.kind) {
        case ValueKind::Text: return field.text;
        case ValueKind::YesNo: return field.yes ? "Yes" : "No";
        case ValueKind::Integer:
            std::snprintf(buffer, sizeof buffer, "%ld", field.integer);
            return buffer;
        case ValueKind::Real:
            std::snprintf(buffer, sizeof buffer, "%.3f", field.real);
            return buffer;
    }
    return {};
}

// The whole text must be one number; blanks around it are allowed.
bool completeNumber(const std::string& text, double& value) {
    const char* begin = text.c_str();
    while (std::isspace(static_cast<unsigned char>(*begin))) ++begin;
    if (!*begin) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(begin, &end);
    if (end == begin) return false;
    while (std::isspace(static_cast<unsigned char>(*end))) ++end;
    // Hexadecimal, infinities and NaN are not what a user types as a value.
    for (const char* p = begin; p < end; ++p)
        if (std::isalpha(static_cast<unsigned char>(*p)) && *p != 'e' && *p != 'E') return false;
    return *end == '\0' && std::isfinite(value);
}

bool blank(const std::string& text) {
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c))) return false;
    return true;
}

}  // namespace

ValueEntryDialog::ValueEntryDialog(ValueRequest& request)
    : DialogModel(request.title), request_(request) {
    for (int i = 0; i < ValueRequest::kMaxFields; ++i) {
        DialogControl edit;
        edit.kind = ControlKind::Edit;
        if (i < static_cast<int>(request.fields.size())) {
            edit.label = request.fields[i].label;
            edit.text = defaultText(request.fields[i]);
        } else {
            edit.label = "Field " + std::to_string(i + 1);
            edit.visible = false;
        }
        add(edit);
    }
    add({.label = "OK", .kind = ControlKind::Button});
    add({.label = "Cancel", .kind = ControlKind::Button, .enabled = request.cancelAllowed});
}

std::string ValueEntryDialog::Check(const ValueField& field, const std::string& text) {
    if (blank(text)) {
        if (field.required) return "Value must be filled in";
        return {};
    }
    double value = 0;
    switch (field.kind) {
        case ValueKind::Text: return {};
        case ValueKind::Real:
            if (!completeNumber(text, value)) return "Entry must be numeric";
            return {};
        case ValueKind::Integer:
            if (text.find('.') != std::string::npos || !completeNumber(text, value))
                return "Entry must be a integral number";
            return {};
        case ValueKind::YesNo: {
            size_t first = text.find_first_not_of(" \t");
            char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[first])));
            if (c != 'Y' && c != 'N') return "Entry must be 'Yes' or 'No'";
            return {};
        }
    }
    return {};
}

bool ValueEntryDialog::pressed(DialogControl& control) {
    if (control.label != "OK") return DialogModel::pressed(control);
    size_t count = std::min<size_t>(request_.fields.size(), ValueRequest::kMaxFields);
    for (size_t i = 0; i < count; ++i) {
        const ValueField& field = request_.fields[i];
        std::string problem = Check(field, controls()[i].text);
        if (!problem.empty()) {
            platform::ui().message(problem, field.label, platform::Buttons::Ok,
                                   platform::Icon::Warning);
            return false;
        }
    }
    for (size_t i = 0; i < count; ++i) {
        ValueField& field = request_.fields[i];
        const std::string& text = controls()[i].text;
        double value = 0;
        switch (field.kind) {
            case ValueKind::Text: field.text = text; break;
            case ValueKind::YesNo: {
                size_t first = text.find_first_not_of(" \t");
                field.yes = first != std::string::npos && std::toupper(text[first]) == 'Y';
                break;
            }
            case ValueKind::Integer:
                // An empty optional field keeps its default.
                if (completeNumber(text, value)) {
                    double t = std::trunc(value);
                    field.integer = t >= 2147483647.0    ? 2147483647L
                                    : t <= -2147483648.0 ? -2147483648L
                                                         : static_cast<long>(t);
                }
                break;
            case ValueKind::Real:
                if (completeNumber(text, value)) field.real = value;
                break;
        }
    }
    close(true);
    return true;
}

bool EnterValues(ValueRequest& request) {
    ValueEntryDialog dialog(request);
    return platform::ui().runDialog(dialog) && dialog.accepted();
}

}  // namespace orvex::app
