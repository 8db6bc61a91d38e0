#pragma once

#include "platform/Roots.h"

#include <QString>
#include <optional>
#include <vector>

namespace morvanex::platform {

// One measured channel of a hardware-monitor chip, such as temp2 or fan1.
struct HwmonChannel {
    enum class Kind { temperature, fan, power };
    Kind kind = Kind::temperature;
    int number = 0;  // the N of tempN_input
    QString label;   // tempN_label, trimmed; empty when there is none
    QString input;   // path of the value file: tempN_input, fanN_input, powerN_average/_input
    QString minimum; // fanN_min path, empty when absent
    QString maximum; // fanN_max path, empty when absent
};

// One chip of /sys/class/hwmon.
struct HwmonChip {
    QString name;       // the chip's name file, e.g. "coretemp", "nvme", "amdgpu"
    QString path;       // its folder, e.g. /sys/class/hwmon/hwmon3
    QString devicePath; // the canonical folder of its device; empty when it has none
    QString deviceType; // the device's type file (a power supply's "Battery"); may be empty
    std::vector<HwmonChannel> channels; // temperatures, then fans, then power, each by number
};

// Every chip with a name, sorted by name and then device folder, so the order does not follow
// the hwmonN numbers (which change with the order drivers load).
std::vector<HwmonChip> readHwmonChips(const Roots& roots);

// The whole number in a channel file (millidegrees, rpm, microwatts); nothing when the file
// does not read or does not hold a number.
std::optional<double> readHwmonValue(const QString& path);

} // namespace morvanex::platform
