#pragma once

// The steps of one tick, as free functions over LinkState. They decide what to
// send and build frames into the link buffers; they never touch the port (the
// receive and transmit steps of DriveLink::tick() do), so they run in tests
// without one.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "link/master/link_state.h"
#include "registry/language.h"

namespace velkaro {

/// What the operator must be told of a tick's own doing (a receive overflow,
/// a lost port, a refused follow-up): shown after the lock is released,
/// without waiting for the operator.
struct TickOutcome {
    struct Item {
        std::string text;
        std::string caption;
    };
    std::vector<Item> items;

    void notice(std::string_view text, std::string_view caption) {
        items.push_back({std::string(text), std::string(caption)});
    }
    bool empty() const { return items.empty(); }
};

/// What came back for the request on the wire, as the operation sees it.
enum class ReplyStatus {
    Pending,   ///< nothing yet, timeout not reached
    Answered,  ///< the normal reply to this request
    Exception, ///< the drive's exception reply to this request
    TimedOut,  ///< replyTicks beyond the operation's timeout
};
std::string_view toString(ReplyStatus status);

/// The drive (or probe) an operation step serves this tick.
struct OpContext {
    LinkState& state;
    TickOutcome& out;
    uint8_t address = 0;
    DriveRecord* drive = nullptr; ///< the served record: a table slot or the probe
    int slot = -1;                ///< its slot; -1 for the probe
};

// Scheduler (scheduler.cpp).
void scheduleStep(LinkState& state, TickOutcome& out);
void operationStep(LinkState& state, TickOutcome& out);
void detectChanges(LinkState& state);
void advancePollIndex(LinkState& state);
/// Bus address of an address text (its leading decimal number); 0 when it is
/// not a unicast address 1..247.
uint8_t wireAddress(std::string_view addressText);

// Operations, one step per tick each (status_operations.cpp,
// control_operations.cpp, parameter_operations.cpp, export_import_operations.cpp,
// identification.cpp).
void runIdentify(OpContext& context);
void runStatusRead(OpContext& context);
void runControlRead(OpContext& context);
void runControlWrite(OpContext& context);
void runGroupRead(OpContext& context);
void runParamWrite(OpContext& context);
void runExport(OpContext& context);
void runImport(OpContext& context);

/// Queues a command for its drive (job.target.slot). A stop drops the
/// weaker stops and the run, reverse and jog commands given before it (they
/// end superseded); a stop given while an equal or stronger one waits ends
/// superseded itself.
void queueCommand(LinkState& state, CommandJob job);
/// After a status read: an emergency stop's stop bit goes back once the
/// drive reports standstill (the next control write carries it).
void restoreStopBit(LinkState& state, int slot);
/// A stop (of any kind) waits for the drive at `slot`.
bool stopWaiting(const LinkState& state, int slot);
/// A control write is wanted for the drive at `slot`: commands waiting,
/// a write to try again, or words the drive does not hold yet.
bool controlWriteWanted(const LinkState& state, int slot);
/// A status read of `slot` ended (answered, refused or given up): a held
/// control write may go again, and explicit polls get their outcome.
void statusReadEnded(LinkState& state, int slot, Result result, uint8_t exception);

/// Registers one read of `group` of a `series` drive brings (QD10: 100); 0
/// outside the catalogue.
int readSize(std::string_view series, int group);

/// Search feeding: hands the next address of the search range to the probe.
void feedSearch(LinkState& state);
/// Readout: asks for the first group of `t` (a supported series).
void startReadout(LinkState& state, TransferJob& job);
/// Readout: takes each group as its read ends and asks for the next; while
/// the drive's turn is short and nothing waits for the bus, goes on with the
/// next group in the same turn. Ends with every word, or with the group that
/// could not be read.
void stepReadout(LinkState& state);

// Helpers shared by the operations (operation_common.cpp).
OpPhase& phaseOf(LinkState& state, OpCode op);
/// Looks at what came back for the request in txFrame, sent to `address`.
/// Only a reply that checks against the request answers it (matchReply);
/// anything else is counted as a stray frame and dropped, and the operation
/// keeps waiting. A timeout asks the line to go quiet before the next
/// different request to the drive.
ReplyStatus checkReply(LinkState& state, uint8_t address, unsigned timeoutTicks);
/// Ends the current operation: currentOp Finished, retries and reply cleared.
void finishOp(LinkState& state);
/// Below `limit`: counts a retry, drops the reply and returns true (the caller
/// sends again). At the limit: finishes the operation and returns false.
bool retryOrFinish(LinkState& state, OpCode op, unsigned limit);
/// Takes the activity when it is free; gives it back only if it still holds `a`.
void takeActivity(LinkState& state, ActivityState a);
void releaseActivity(LinkState& state, ActivityState a);
/// An operation that ends without running to its end gives back what it took
/// (the transfer, the activity); the transfer's caller gets `outcome`.
void abandonOperation(LinkState& state, OpCode op);
/// Ends the running export, import or readout with `result`; the caller is
/// told `message` (empty: nothing beyond the result).
void endTransfer(LinkState& state, Result result, std::string message, uint8_t exception = 0);
/// The slot of the served drive, or -1 (probe, or gone).
int servedSlot(const LinkState& state);

/// Told when an export or import stops before its end for a reason of its own
/// message (its drive left the table, or its address is void).
/// Words of the control block (0x3200), written by the control operations and
/// read back by the status operations.
inline constexpr uint8_t kControlWords = 10;
/// The fault reset bit of control word 0: sent once, then cleared.
inline constexpr int32_t kOneShotBit = 0x0080;

inline constexpr std::string_view kExportCut =
    VELKARO_TRANSLATE_NOOP("OperatorMessages", "数据导出被中断，参数文件未写入！");
inline constexpr std::string_view kImportCut =
    VELKARO_TRANSLATE_NOOP("OperatorMessages", "数据导入被中断，参数未全部写入变频器！");
inline constexpr std::string_view kReadoutCut =
    VELKARO_TRANSLATE_NOOP("OperatorMessages", "参数读取被中断！");
inline constexpr std::string_view kTransferUnderWay = VELKARO_TRANSLATE_NOOP(
    "OperatorMessages", "参数导入或导出正在进行，请等待其完成后再进行该操作！");
inline constexpr std::string_view kReadoutUnderWay = VELKARO_TRANSLATE_NOOP(
    "OperatorMessages", "变频器参数读取正在进行，请等待其完成后再进行该操作！");
inline constexpr std::string_view kUnsupportedSeries =
    VELKARO_TRANSLATE_NOOP("OperatorMessages", "对不起！该系列变频器不支持该功能");

} // namespace velkaro
