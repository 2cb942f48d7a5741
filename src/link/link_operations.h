#pragma once

// The steps of one tick, as free functions over LinkState. They decide what to
// send and build frames into the link buffers; they never touch the port (the
// receive and transmit steps of DriveLink::tick() do), so they run in tests
// without one.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/link_state.h"

namespace velkaro {

/// Work a tick leaves for after the lock is released, in the order raised.
struct TickOutcome {
    /// Message: a box the tick waits on; Notice: a box that must not hold up
    /// supervision (shown without waiting); WriteExportFile: the exported image.
    enum class Kind { Message, Notice, WriteExportFile };
    struct Item {
        Kind kind = Kind::Message;
        std::string text;
        std::string caption;
    };
    std::vector<Item> items;
    /// Copy of the exported image, present with a WriteExportFile item.
    std::optional<ParameterImage> exportImage;
    int exportLength = 0;
    std::string exportPath;

    void message(std::string_view text, std::string_view caption) {
        items.push_back({Kind::Message, std::string(text), std::string(caption)});
    }
    /// A message that does not hold up the tick while the operator reads it.
    void notice(std::string_view text, std::string_view caption) {
        items.push_back({Kind::Notice, std::string(text), std::string(caption)});
    }
    bool empty() const { return items.empty(); }
    void clear() {
        items.clear();
        exportImage.reset();
        exportLength = 0;
        exportPath.clear();
    }
};

/// What an operation waiting for its answer found this tick.
enum class ReplyStatus {
    Pending,  ///< nothing yet, timeout not reached
    Answered, ///< a CRC-checked frame from the addressed drive is waiting
    TimedOut, ///< replyTicks beyond the operation's timeout
};
std::string_view toString(ReplyStatus status);

/// The drive (or probe) an operation step serves this tick.
struct OpContext {
    LinkState& s;
    TickOutcome& out;
    uint8_t address = 0;
    DriveRecord* drive = nullptr; ///< the served record: a table slot or the probe
};

// Scheduler (scheduler.cpp).
void scheduleStep(LinkState& s, TickOutcome& out);
void operationStep(LinkState& s, TickOutcome& out);
void detectChanges(LinkState& s);
void advancePollIndex(LinkState& s);
/// Bus address of an address text (its leading decimal number); 0 when it is
/// not a unicast address 1..247.
uint8_t wireAddress(std::string_view addressText);

// Operations, one step per tick each (status_operations.cpp,
// parameter_operations.cpp, transfer_operations.cpp, identification.cpp).
void runIdentify(OpContext& c);
void runStatusRead(OpContext& c);
void runControlRead(OpContext& c);
void runControlWrite(OpContext& c);
void runGroupRead(OpContext& c);
void runParamWrite(OpContext& c);
void runExport(OpContext& c);
void runImport(OpContext& c);

/// Search feeding: hands the next address of the search range to the probe.
void feedSearch(LinkState& s);

// Helpers shared by the operations (operation_common.cpp).
OpPhase& phaseOf(LinkState& s, OpCode op);
/// Looks at the reply buffer for the drive at `address`. A reply from another
/// address is left where it is and the operation keeps waiting.
ReplyStatus checkReply(const LinkState& s, uint8_t address, unsigned timeoutTicks);
/// Ends the current operation: currentOp Finished, retries and reply cleared.
void finishOp(LinkState& s);
/// Below `limit`: counts a retry, drops the reply and returns true (the caller
/// sends again). At the limit: finishes the operation and returns false.
bool retryOrFinish(LinkState& s, OpCode op, unsigned limit);
/// The drive at selectedSlot, or null when nothing (or a free slot) is selected.
DriveRecord* selectedDrive(LinkState& s);
/// Takes the activity when it is free; gives it back only if it still holds `a`.
void takeActivity(LinkState& s, ActivityState a);
void releaseActivity(LinkState& s, ActivityState a);
/// An operation that ends without running to its end gives back what it took:
/// a transfer its transferBusy, activity and cursor (and the operator is told
/// the transfer was cut), a group read its count.
void releaseTransfer(LinkState& s, OpCode op, TickOutcome& out);
/// Told when an export or import stops before its end for a reason of its own
/// message (its drive left the table or the selection, or its address is void).
inline constexpr std::string_view kExportCut = "数据导出被中断，参数文件未写入！";
inline constexpr std::string_view kImportCut = "数据导入被中断，参数未全部写入变频器！";

} // namespace velkaro
