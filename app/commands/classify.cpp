#include "app/commands/classify.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "app/application.h"
#include "app/command_table.h"
#include "app/image_picker.h"
#include "app/value_entry.h"
#include "formats/item_list_file.h"
#include "imagestore/image_interface.h"
#include "platform/surface.h"
#include "platform/ui.h"
#include "processing/colour_list.h"

namespace orvex {

using platform::ControlKind;

namespace {

constexpr const char* kCaption = "Classify";

// Running numbers of the class names and the automatic parameters, kept for
// the whole run so new names do not repeat old ones.
struct ClassifyMemory {
    int trainNumber = 0;
    int autoNumber = 0;
    long autoClasses = 15;
    long autoSpectral = 15;
    long autoMerge = 30;
};
ClassifyMemory& memory() {
    static ClassifyMemory m;
    return m;
}

const ClassifyDialog* openDialog = nullptr;

void trainingOverlay(const ImageEvent& event) {
    if (event.code == ImageEventPainted && event.surface && openDialog)
        openDialog->drawTrainings(event.window, *event.surface);
}

std::string lastClassSetPath() { return app::application().programFolder + "/last.cy"; }

std::string colourText(uint32_t c) {
    char text[32];
    std::snprintf(text, sizeof text, "%u, %u, %u", c & 0xFF, c >> 8 & 0xFF, c >> 16 & 0xFF);
    return text;
}

platform::FileRequest classFileRequest(bool save) {
    platform::FileRequest request;
    request.save = save;
    request.title = save ? "Save Classification" : "Load Classification";
    request.filters = {{"Classify Items", "*.cy"}};
    request.defaultExtension = "cy";
    request.name = "*.cy";
    return request;
}

}  // namespace

void ResetClassifyMemory() { memory() = ClassifyMemory{}; }

std::vector<ImageHandle>& lastClassifyBands() {
    static std::vector<ImageHandle> bands;
    return bands;
}

std::vector<ImageHandle> PickClassifyBands(int exactly) {
    app::PickRequest request;
    request.title = "Pick Band #1";
    const int count = exactly > 0 ? std::min(exactly, kMaxClassBands) : kMaxClassBands;
    for (int i = 0; i < count; ++i) {
        app::PickEntry entry;
        entry.prompt = "Pick Band #" + std::to_string(i + 1);
        // Bands of another size could not be classified together.
        if (i > 0) entry.requirements = app::PickSameSize;
        request.entries.push_back(entry);
    }
    const int picked = app::PickImages(request);
    if (picked <= 0 || (exactly > 0 && picked != count)) return {};
    std::vector<ImageHandle> bands;
    for (int i = 0; i < picked; ++i) bands.push_back(request.entries[static_cast<size_t>(i)].window);
    return bands;
}

ClassifyDialog::ClassifyDialog(std::vector<ImageHandle> bands, const ClassSet& set)
    : DialogModel("Classify: " + std::to_string(bands.size()) + " band"), classes_(set.classes) {
    add({.label = kClasses, .kind = ControlKind::List, .value = -1});
    for (const char* b : {"Add...", "Delete", "Retrain...", "Name...", "Change color", "Automatic...",
                          "Load...", "Save...", "New...", "Apply"})
        add({.label = b, .kind = ControlKind::Button});
    add({.label = kMinimum, .kind = ControlKind::CheckBox, .value = set.isMinimum ? 1 : 0});
    add({.label = kDistance, .kind = ControlKind::IntEdit, .text = std::to_string(set.minimum), .min = 0,
         .max = 9999999});
    add({.label = kLog, .kind = ControlKind::CheckBox, .value = 0});
    add({.label = kLabel, .kind = ControlKind::Edit});
    add({.label = "OK", .kind = ControlKind::Button});
    add({.label = "Cancel", .kind = ControlKind::Button});
    setBands(std::move(bands));
    openDialog = this;
    refresh();
}

ClassifyDialog::~ClassifyDialog() {
    if (openDialog == this) openDialog = nullptr;
    for (ImageHandle b : bands_) {
        RemoveImageListener(b, &trainingOverlay);
        Redraw(b, false);
    }
}

void ClassifyDialog::setBands(std::vector<ImageHandle> bands) {
    for (ImageHandle b : bands_) {
        RemoveImageListener(b, &trainingOverlay);
        Redraw(b, false);
    }
    bands_ = std::move(bands);
    lastClassifyBands() = bands_;
    setCaption("Classify: " + std::to_string(bands_.size()) + " band");
    for (ImageHandle b : bands_) AddImageListener(b, &trainingOverlay);
}

void ClassifyDialog::refresh() {
    platform::DialogControl* list = find(kClasses);
    list->items.clear();
    for (const ClassItem& c : classes_) {
        std::string values;
        for (size_t b = 0; b < c.means.size(); ++b) values += (b ? ", " : "") + std::to_string(c.means[b]);
        list->items.push_back(c.name + "\t" + colourText(c.colour) + "\t" + values);
    }
    if (list->value >= static_cast<int>(classes_.size())) list->value = static_cast<int>(classes_.size()) - 1;
    for (ImageHandle b : bands_) Redraw(b, false);
}

int ClassifyDialog::selected() const {
    const int v = find(kClasses)->value;
    return v >= 0 && v < static_cast<int>(classes_.size()) ? v : -1;
}

long ClassifyDialog::limit() const {
    if (!find(kMinimum)->value) return 9999;
    return std::strtol(find(kDistance)->text.c_str(), nullptr, 10);
}

ClassSet ClassifyDialog::classSet() const {
    ClassSet set;
    set.isMinimum = find(kMinimum)->value != 0;
    set.minimum = std::strtol(find(kDistance)->text.c_str(), nullptr, 10);
    set.bands = static_cast<int>(bands_.size());
    set.classes = classes_;
    return set;
}

void ClassifyDialog::drawTrainings(ImageHandle band, platform::Surface& surface) const {
    if (std::find(bands_.begin(), bands_.end(), band) == bands_.end()) return;
    for (const ClassItem& c : classes_) {
        const auto& a = c.area;
        if (a.left == 0 && a.top == 0 && a.right == 0 && a.bottom == 0) continue;
        // The rectangle goes round the outer edges of its pixels.
        RealPoint from{std::min(a.left, a.right) - 0.5, std::min(a.top, a.bottom) - 0.5};
        RealPoint to{std::max(a.left, a.right) + 0.5, std::max(a.top, a.bottom) + 0.5};
        if (PixelToWindow(band, from) != ImageDone || PixelToWindow(band, to) != ImageDone) return;
        surface.setPen({c.colour, 3, platform::PenStyle::Solid});
        surface.setBrush({0, true});
        surface.rectangle({static_cast<int>(std::min(from.x, to.x)), static_cast<int>(std::min(from.y, to.y)),
                           static_cast<int>(std::max(from.x, to.x)), static_cast<int>(std::max(from.y, to.y))});
    }
}

bool ClassifyDialog::train(ClassItem& item) {
    if (bands_.empty()) return false;
    auto area = platform::ui().pickRectangle(bands_[0].number, "Draw a rectangle for this class");
    if (!area) return false;
    item.area = *area;
    item.means = TrainClass(bands_, item.area);
    return true;
}

std::optional<std::string> ClassifyDialog::askLog(bool& cancelled) {
    cancelled = false;
    if (!find(kLog)->value) return std::string();
    platform::FileRequest request;
    request.save = true;
    request.title = "Log File";
    request.filters = {{"Log File", "*.log"}};
    request.defaultExtension = "log";
    request.name = "*.log";
    auto answer = platform::ui().chooseFile(request);
    if (!answer) {
        cancelled = true;
        return std::nullopt;
    }
    return answer->path;
}

void ClassifyDialog::apply(const std::optional<platform::Rect>& area) {
    bool cancelled = false;
    const auto log = askLog(cancelled);
    if (cancelled) return;
    ClassifyImages(bands_, classes_, static_cast<double>(limit()), area, *log, find(kLabel)->text);
}

void ClassifyDialog::load() {
    auto answer = platform::ui().chooseFile(classFileRequest(false));
    if (!answer) return;
    ClassSet set;
    if (!ReadClassSet(answer->path, set)) {
        platform::showMessage("Unable to read the classification file\n" + answer->path, kCaption);
        return;
    }
    // The class means belong to as many bands as the file says.
    if (set.bands != static_cast<int>(bands_.size())) {
        auto bands = PickClassifyBands(set.bands);
        if (bands.empty()) return;
        setBands(std::move(bands));
    }
    classes_ = std::move(set.classes);
    find(kMinimum)->value = set.isMinimum ? 1 : 0;
    find(kDistance)->text = std::to_string(set.minimum);
    find(kClasses)->value = classes_.empty() ? -1 : 0;
    refresh();
}

void ClassifyDialog::save() {
    auto answer = platform::ui().chooseFile(classFileRequest(true));
    if (!answer) return;
    if (!WriteClassSet(answer->path, classSet()))
        platform::showMessage("Unable to write the classification file\n" + answer->path, kCaption);
}

void ClassifyDialog::automatic() {
    ClassifyMemory& m = memory();
    app::ValueRequest request;
    request.title = "Automatic Classification";
    request.fields = {{.label = "Number of Classes", .kind = app::ValueKind::Integer, .required = true, .integer = m.autoClasses},
                      {.label = "Spectral Distance", .kind = app::ValueKind::Integer, .required = true, .integer = m.autoSpectral},
                      {.label = "Class Merge Distance", .kind = app::ValueKind::Integer, .required = true, .integer = m.autoMerge}};
    if (!app::EnterValues(request)) return;
    m.autoClasses = std::min(request.fields[0].integer, 50L);
    m.autoSpectral = request.fields[1].integer;
    m.autoMerge = request.fields[2].integer;
    auto found = AutoCluster(bands_, static_cast<int>(m.autoClasses), static_cast<double>(m.autoSpectral),
                             static_cast<double>(m.autoMerge));
    for (ClassItem& item : found) {
        item.name = "Auto " + std::to_string(++m.autoNumber);
        classes_.push_back(std::move(item));
    }
    if (!found.empty()) find(kClasses)->value = static_cast<int>(classes_.size()) - 1;
    refresh();
}

bool ClassifyDialog::pressed(platform::DialogControl& control) {
    const std::string label = control.label;  // the control may move as the list changes
    const int index = selected();
    if (label == "Add...") {
        ClassItem item;
        const int number = memory().trainNumber + 1;
        item.name = "Train " + std::to_string(number);
        item.colour = kDefaultClassColours[number % 14];
        item.means.assign(bands_.size(), 0);
        if (!train(item)) return false;
        memory().trainNumber = number;
        classes_.push_back(std::move(item));
        find(kClasses)->value = static_cast<int>(classes_.size()) - 1;
        refresh();
    } else if (label == "Retrain...") {
        if (index >= 0 && train(classes_[static_cast<size_t>(index)])) refresh();
    } else if (label == "Delete") {
        if (index < 0) return false;
        classes_.erase(classes_.begin() + index);
        refresh();
    } else if (label == "Name...") {
        if (index < 0) return false;
        app::ValueRequest request;
        request.title = "Class Name";
        request.fields = {{.label = "New class name", .kind = app::ValueKind::Text, .required = true,
                           .text = classes_[static_cast<size_t>(index)].name}};
        if (!app::EnterValues(request)) return false;
        std::string name = request.fields[0].text;
        if (name.size() > kClassNameLength) name.resize(kClassNameLength);
        classes_[static_cast<size_t>(index)].name = name;
        refresh();
    } else if (label == "Change color") {
        if (index < 0) return false;
        ClassItem& item = classes_[static_cast<size_t>(index)];
        auto chosen = ChooseColour(app::application().programFolder, "Pick Color", item.colour);
        if (!chosen) return false;
        item.colour = chosen->colour & 0xFFFFFF;
        if (item.name.rfind("Train", 0) == 0 && !chosen->name.empty())
            item.name = chosen->name.substr(0, kClassNameLength);
        refresh();
    } else if (label == "Automatic...") {
        automatic();
    } else if (label == "Load...") {
        load();
    } else if (label == "Save...") {
        save();
    } else if (label == "New...") {
        if (platform::ui().message("This will clear all the current trainings", "Verify",
                                   platform::Buttons::OkCancel) != platform::Answer::Ok)
            return false;
        auto bands = PickClassifyBands(0);
        if (bands.empty()) return false;
        setBands(std::move(bands));
        classes_.clear();
        find(kClasses)->value = -1;
        refresh();
    } else if (label == "Apply") {
        if (bands_.empty()) return false;
        auto area = platform::ui().pickRectangle(bands_[0].number, "Draw the test area");
        if (!area) return false;
        const Image* first = LiveImage(bands_[0]);
        if (!first) return false;
        platform::Rect rect{std::max(0, std::min(area->left, area->right)), std::max(0, std::min(area->top, area->bottom)),
                            std::min(first->Width(), std::max(area->left, area->right) + 1),
                            std::min(first->Height(), std::max(area->top, area->bottom) + 1)};
        apply(rect);
    } else if (label == "OK") {
        if (!WriteClassSet(lastClassSetPath(), classSet()))
            platform::showMessage("Unable to write the classification file\n" + lastClassSetPath(), kCaption);
        bool cancelled = false;
        const auto log = askLog(cancelled);
        if (cancelled) return false;
        ClassifyImages(bands_, classes_, static_cast<double>(limit()), std::nullopt, *log, find(kLabel)->text);
        close(true);
        return true;
    } else {
        return DialogModel::pressed(control);
    }
    return false;
}

void ov_classify() {
    ClassSet set;
    std::vector<ImageHandle> bands;
    if (ReadClassSet(lastClassSetPath(), set)) {
        // The file keeps the classes, not the images: the bands of the last
        // run serve again while they are all open and as many.
        bands = lastClassifyBands();
        const bool live = std::all_of(bands.begin(), bands.end(), [](ImageHandle b) { return LiveView(b) != nullptr; });
        if (!live || static_cast<int>(bands.size()) != set.bands) bands = PickClassifyBands(set.bands);
    } else {
        bands = PickClassifyBands(0);
    }
    if (bands.empty()) return;
    ClassifyDialog dialog(std::move(bands), set);
    platform::ui().runDialog(dialog);
}

void RegisterClassifyCommands() {
    app::AddImageCommand("Advanced > Clas&sify", [] { ov_classify(); },
                         "Classify co-registered images into phases");
}

}  // namespace orvex
