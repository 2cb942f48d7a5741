#include "bus/watch_line.h"

#include <cstdio>

#include "registry/fixed_point.h"
#include "registry/state_texts.h"

namespace velkaro {

namespace {

struct ValueColumn {
    const char* label;
    StatusQuantity quantity;
    const char* unit;
};

// The status block in the units the drives report.
constexpr ValueColumn kColumns[] = {
    {"输出频率", kRunningFrequency, "Hz"}, {"设定频率", kSetFrequency, "Hz"},
    {"输出电流", kOutputCurrent, "A"},     {"输出电压", kOutputVoltage, "V"},
    {"输出转矩", kOutputTorque, "%"},      {"母线电压", kBusVoltage, "V"},
};

} // namespace

std::string formatWatchLine(double elapsedSeconds, const DriveRecord& drive) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", elapsedSeconds);
    const StateTexts texts = driveStateTexts(drive);
    std::string line =
        std::string(seconds) + "\t" + drive.name + "\t" + texts.state + "\t" + texts.cause;
    for (const ValueColumn& c : kColumns) {
        line += "\t";
        line += c.label;
        line += "=";
        line += formatFixed(statusValue(drive, c.quantity), c.quantity.decimals);
        line += c.unit;
    }
    return line;
}

} // namespace velkaro
