#include "processing/statistics_dialogs.h"

#include <algorithm>
#include <cstdio>

#include "imagestore/history.h"
#include "imagestore/image_interface.h"
#include "platform/surface.h"
#include "platform/ui.h"

namespace orvex {

using platform::ControlKind;
using platform::DialogControl;

namespace {

constexpr const char* kAreaRows[5] = {"Width", "Height", "Center X", "Center Y", "Area"};
constexpr const char* kTransectRows[5] = {"Start X", "Start Y", "End X", "End Y", "Length"};
constexpr const char* kValueRows[4] = {"Average", "St. Deviation", "Min", "Max"};
constexpr int kGraphWidth = 256;
constexpr int kGraphHeight = 100;

std::string decimals(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", v);
    return text;
}

std::string realTitle(ImageHandle window) {
    ZRegistration z;
    GetZRegistration(window, z);
    char text[160];
    std::snprintf(text, sizeof text, "Real %s values", z.units.c_str());
    return text;
}

}  // namespace

StatisticsDialog::StatisticsDialog() : DialogModel("Statistics") {
    add(platform::LabelledControl("Choose Area", ControlKind::Button));
    add(platform::LabelledControl("Choose Transect", ControlKind::Button));
    add(platform::LabelledControl("Exclude B && W", ControlKind::CheckBox));
    add(platform::LabelledControl("Label:", ControlKind::Edit));
    add(platform::LabelledControl("Log to File", ControlKind::CheckBox));
    add(platform::LabelledControl("Log File", ControlKind::Edit));
    DialogControl graph = platform::LabelledControl("Graph", ControlKind::Canvas);
    graph.width = kGraphWidth;
    graph.height = kGraphHeight;
    add(graph);
    add(platform::LabelledControl("Pixel", ControlKind::Label));
    for (const char* const* rows : {kAreaRows, kTransectRows})
        for (int i = 0; i < 5; ++i) add(platform::LabelledControl(rows[i], ControlKind::ReadOut));
    add(platform::LabelledControl("Real", ControlKind::Label));
    for (const char* const* rows : {kAreaRows, kTransectRows})
        for (int i = 0; i < 5; ++i) add(platform::LabelledControl(std::string("Real ") + rows[i], ControlKind::ReadOut));
    add(platform::LabelledControl("Pixel Values", ControlKind::Label));
    for (const char* row : kValueRows) add(platform::LabelledControl(row, ControlKind::ReadOut));
    DialogControl title = platform::LabelledControl("Real Z Values", ControlKind::Label);
    title.text = realTitle(ActiveImageWindow());
    add(title);
    for (const char* row : kValueRows) add(platform::LabelledControl(std::string("Real ") + row, ControlKind::ReadOut));
    add(platform::LabelledControl("OK", ControlKind::Button));
    relabel(false);
}

void StatisticsDialog::relabel(bool transect) {
    // Both sets of rows exist; the one of the last measurement shows.
    for (int i = 0; i < 5; ++i) {
        find(kAreaRows[i])->visible = !transect;
        find(std::string("Real ") + kAreaRows[i])->visible = !transect;
        find(kTransectRows[i])->visible = transect;
        find(std::string("Real ") + kTransectRows[i])->visible = transect;
    }
}

void StatisticsDialog::showValues(double average, float deviation, int min, int max, double realAverage,
                                  double realDeviation, double realMin, double realMax) {
    find("Average")->text = decimals(average);
    find("St. Deviation")->text = decimals(deviation);
    find("Min")->text = std::to_string(min);
    find("Max")->text = std::to_string(max);
    find("Real Average")->text = decimals(realAverage);
    find("Real St. Deviation")->text = decimals(realDeviation);
    find("Real Min")->text = decimals(realMin);
    find("Real Max")->text = decimals(realMax);
}

void StatisticsDialog::log(const std::string& text) {
    if (!find("Log to File")->value) return;
    const std::string& path = find("Log File")->text;
    if (!AppendToLog(path, text)) platform::showMessage("Unable to open log file " + path, "Statistics");
}

void StatisticsDialog::chooseArea() {
    const ImageHandle window = ActiveImageWindow();
    if (!LiveImage(window)) return;
    const auto rect = platform::ui().pickRectangle(window.number, "Draw a rectangle of the area");
    if (!rect) return;
    platform::ui().setStatusText(0, "Calculating complete histogram...");
    AreaStatistics s;
    const bool done = ComputeAreaStatistics(window, *rect, find("Exclude B && W")->value != 0, s);
    platform::ui().setStatusText(0, "");
    if (!done) return;
    relabel(false);
    const int pixel[5] = {s.width, s.height, s.centerX, s.centerY, s.area};
    const double real[5] = {s.realWidth, s.realHeight, s.realCenterX, s.realCenterY, s.realArea};
    for (int i = 0; i < 5; ++i) {
        find(kAreaRows[i])->text = std::to_string(pixel[i]);
        find(std::string("Real ") + kAreaRows[i])->text = decimals(real[i]);
    }
    showValues(s.average, s.deviation, s.min, s.max, s.realAverage, s.realDeviation, s.realMin, s.realMax);
    find("Real Z Values")->text = realTitle(window);
    area_ = s;
    transect_.reset();
    log(AreaLogText(s, find("Label:")->text, TimeText()));
}

void StatisticsDialog::chooseTransect() {
    const ImageHandle window = ActiveImageWindow();
    if (!LiveImage(window)) return;
    // The picker reports image pixels whatever the display's mirror
    // settings, so the ends need no exchange here.
    const auto line = platform::ui().pickLine(window.number, "Draw the transect");
    if (!line) return;
    TransectStatistics s;
    if (!ComputeTransectStatistics(window, *line, s)) return;
    relabel(true);
    const double pixel[5] = {double(s.startX), double(s.startY), double(s.endX), double(s.endY), s.length};
    const double real[5] = {s.realStartX, s.realStartY, s.realEndX, s.realEndY, s.realLength};
    for (int i = 0; i < 4; ++i) find(kTransectRows[i])->text = std::to_string(static_cast<int>(pixel[i]));
    find("Length")->text = decimals(s.length);
    for (int i = 0; i < 5; ++i) find(std::string("Real ") + kTransectRows[i])->text = decimals(real[i]);
    showValues(s.average, s.deviation, s.min, s.max, s.realAverage, s.realDeviation, s.realMin, s.realMax);
    find("Real Z Values")->text = realTitle(window);
    transect_ = s;
    area_.reset();
    log(TransectLogText(s, find("Label:")->text, TimeText()));
}

bool StatisticsDialog::pressed(DialogControl& control) {
    if (control.label == "Choose Area") {
        chooseArea();
        return false;
    }
    if (control.label == "Choose Transect") {
        chooseTransect();
        return false;
    }
    return DialogModel::pressed(control);
}

void StatisticsDialog::paint(DialogControl& canvas, platform::Surface& surface) {
    const int w = canvas.width > 0 ? canvas.width : kGraphWidth;
    const int h = canvas.height > 0 ? canvas.height : kGraphHeight;
    surface.fillRect({0, 0, w, h}, 0xFFFFFF);
    surface.setPen({0x000000, 1, platform::PenStyle::Solid});
    if (area_ && !area_->percent.empty()) {
        // One bar per grey level, the fullest bin reaching the top.
        const auto& p = area_->percent;
        const float top = *std::max_element(p.begin(), p.end());
        if (top <= 0) return;
        const int n = static_cast<int>(p.size());
        for (int v = 0; v < n; ++v) {
            const int x = v * w / n;
            const int bar = static_cast<int>(p[static_cast<size_t>(v)] / top * (h - 1));
            if (bar > 0) surface.line(x, h - 1, x, h - 1 - bar);
        }
    } else if (transect_ && !transect_->profile.empty()) {
        const auto& p = transect_->profile;
        const int n = static_cast<int>(p.size());
        auto at = [&](int i, int& x, int& y) {
            x = n > 1 ? i * (w - 1) / (n - 1) : 0;
            y = h - 1 - static_cast<int>(p[static_cast<size_t>(i)] * (h - 1) / 255.0f);
        };
        int x0 = 0, y0 = 0;
        at(0, x0, y0);
        for (int i = 1; i < n; ++i) {
            int x1 = 0, y1 = 0;
            at(i, x1, y1);
            surface.line(x0, y0, x1, y1);
            x0 = x1;
            y0 = y1;
        }
    }
}

}  // namespace orvex
