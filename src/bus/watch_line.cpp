#include "bus/watch_line.h"

#include <cstdio>

#include "link/fixed_point.h"
#include "registry/labels.h"

namespace velkaro {

namespace {

struct ValueColumn {
    const char* label;
    std::size_t word; ///< index into status
    unsigned decimals;
    const char* unit;
};

// The status block in the units the drives report.
constexpr ValueColumn kColumns[] = {
    {"输出频率", 1, 2, "Hz"}, {"设定频率", 4, 2, "Hz"}, {"输出电流", 5, 1, "A"},
    {"输出电压", 7, 1, "V"},  {"输出转矩", 6, 1, "%"},  {"母线电压", 8, 1, "V"},
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
        line += formatFixed(drive.status[c.word], c.decimals);
        line += c.unit;
    }
    return line;
}

} // namespace velkaro
