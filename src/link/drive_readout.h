#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "files/parameter_report.h"

namespace velkaro {

struct LinkState;
struct TickOutcome;

enum class ReadoutPhase { Idle, Reading, Complete, Failed };

/// A whole-drive parameter read: every catalogue group of the selected drive,
/// read by the panel's own group read, one group after another on the drive's
/// turns. Part of LinkState, so touched only under the link's lock.
struct DriveReadout {
    ReadoutPhase phase = ReadoutPhase::Idle;
    unsigned serial = 0; ///< raised by every start; a caller waits for its own
    int slot = -1;
    std::string driveName;
    std::string series;
    std::string ratedPower;
    int group = 0;          ///< the group being read
    unsigned turnTicks = 0; ///< how long the drive's current turn has lasted
    int panelGroup = -1;    ///< the parameter panel's group, given back at the end
    std::array<uint16_t, 100> panelValues{};
    std::vector<uint16_t> words; ///< by catalogue entry, filled group by group
    std::string failure;         ///< what the operator was told, once Failed

    bool running() const { return phase == ReadoutPhase::Reading; }
};

/// Told when a readout cannot start or does not end.
inline constexpr std::string_view kReadoutUnderWay =
    "变频器参数读取正在进行，请等待其完成后再进行该操作！";
inline constexpr std::string_view kReadoutNoDrive = "请先选择一台变频器！";
inline constexpr std::string_view kReadoutCut = "参数读取被中断！";

/// Window side: starts reading every parameter of the selected drive; takes
/// transferBusy, so the selection stays on that drive until the read ends.
/// Returns the refusal for the operator (a transfer or readout running, no
/// drive selected, a series without catalogue), or empty when started.
std::string startReadout(LinkState& s);

/// Tick step, run after the operation step. Takes each group as its read
/// ends and asks for the next; while the drive's turn is short and no drive
/// waits for a command, goes on with the next group in the same turn. Ends
/// Complete with every word, or Failed after one message (a group that could
/// not be read, the drive gone or no longer selected); either way transferBusy
/// and the activity are given back, and the panel gets its group back.
void stepReadout(LinkState& s, TickOutcome& out);

/// The report of a Complete readout, stamped with `readTime`.
ParameterReport readoutReport(const DriveReadout& r, std::string readTime);

} // namespace velkaro
