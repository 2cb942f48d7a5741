#include "bus/watch_line.h"

#include <cstdio>

#include "registry/fixed_point.h"
#include "registry/language.h"
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
    {VELKARO_TRANSLATE_NOOP("BusWatch", "输出频率"), kRunningFrequency, "Hz"},
    {VELKARO_TRANSLATE_NOOP("BusWatch", "设定频率"), kSetFrequency, "Hz"},
    {VELKARO_TRANSLATE_NOOP("BusWatch", "输出电流"), kOutputCurrent, "A"},
    {VELKARO_TRANSLATE_NOOP("BusWatch", "输出电压"), kOutputVoltage, "V"},
    {VELKARO_TRANSLATE_NOOP("BusWatch", "输出转矩"), kOutputTorque, "%"},
    {VELKARO_TRANSLATE_NOOP("BusWatch", "母线电压"), kBusVoltage, "V"},
};

} // namespace

std::string formatWatchLine(double elapsedSeconds, const DriveRecord& drive) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", elapsedSeconds);
    const StateTexts texts = shownStateTexts(drive);
    std::string line =
        std::string(seconds) + "\t" + drive.name + "\t" + texts.state + "\t" + texts.cause;
    for (const ValueColumn& c : kColumns) {
        line += "\t";
        line += translated("BusWatch", c.label);
        line += "=";
        line += formatFixed(statusValue(drive, c.quantity), c.quantity.decimals);
        line += c.unit;
    }
    return line;
}

} // namespace velkaro
