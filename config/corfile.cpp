#include "config/corfile.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include "config/profile_file.h"
#include "platform/ui.h"

namespace orvex {

void CORFILE::Read(int motors) {
    if (path.empty()) {
        // No file: every motor asked for has offset 0, without a fault.
        first.fill(0.0);
        offset.fill(0.0);
        motorCount = std::clamp(motors, 0, kMaxMotors);
        return;
    }
    if (motors <= 0) {
        platform::showMessage("0 motors!", "CORFILE");
        return;
    }
    if (motors > kMotorLimit) {
        platform::showMessage("too many motors!", "CORFILE");
        return;
    }
    first.fill(0.0);
    offset.fill(0.0);
    motorCount = std::min(motors, kMaxMotors);
    std::ifstream in(config::LocalPath(path), std::ios::binary);
    if (!in) {
        platform::showMessage("Error opening CorFile", "read_cor_menu");
        return;
    }
    char bytes[kMaxBytes];
    in.read(bytes, sizeof bytes);
    ReadText(std::string_view(bytes, static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0))),
             motors);
}

void CORFILE::ReadText(std::string_view bytes, int motors) {
    if (bytes.size() > kMaxBytes) bytes = bytes.substr(0, kMaxBytes);
    first.fill(0.0);
    offset.fill(0.0);
    motorCount = std::clamp(motors, 0, kMaxMotors);

    // A number is a run of digits and points; anything else separates numbers,
    // so a minus sign is simply dropped.
    std::array<double, kMaxNumbers> numbers{};
    int found = 0;
    size_t i = 0;
    while (i < bytes.size() && found < kMaxNumbers) {
        auto inNumber = [&](size_t at) { return (bytes[at] >= '0' && bytes[at] <= '9') || bytes[at] == '.'; };
        if (!inNumber(i)) {
            ++i;
            continue;
        }
        size_t start = i;
        while (i < bytes.size() && inNumber(i)) ++i;
        double value = config::LeadingReal(bytes.substr(start, i - start));
        numbers[found++] = std::isfinite(value) ? value : 0.0;  // a run of hundreds of digits
    }

    // The offsets follow all first values of the motors the file was made for,
    // also when there are more of them than the tables keep.
    for (int motor = 0; motor < motorCount; ++motor) {
        if (motor < found) first[motor] = numbers[motor];
        int at = motors + motor;
        if (at < found) offset[motor] = numbers[at];
    }
}

double CORFILE::GetOffset(int n) const {
    if (n < 0 || n >= motorCount) {
        platform::showMessage("bad motor number", "GetOffset");
        return 0.0;
    }
    return offset[n];
}

CORFILE& corFile() {
    static CORFILE file;
    return file;
}

void resetCorFile() { corFile() = CORFILE{}; }

}  // namespace orvex
