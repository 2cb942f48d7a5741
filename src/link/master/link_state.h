#pragma once

// link/master: the bus master inside the door. The link's own state (the
// drive table, the scheduler, the buffers and the requests waiting for the
// bus), the steps of one tick as free functions over it (link_operations.h),
// the scheduler that picks the next drive and what it is served, and the
// operations phase by phase: status and control, parameters, export and
// import, the address search. Private to src/link; callers see snapshots and
// outcomes (drive_link.h).

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "files/parameter_file.h"
#include "link/diagnostics/line_finder.h"
#include "link/diagnostics/link_diagnostics.h"
#include "link/link_snapshot.h"
#include "link/ports/link_settings.h"
#include "link/protocol/frame_codec.h"
#include "link/requests.h"
#include "registry/drive_table.h"

namespace velkaro {

/// Steps of the identification of a probed address.
enum class IdentifyStep : int {
    SendEcho = 0,
    AwaitEcho = 1,
    SendProbe40 = 2,
    AwaitProbe40 = 3,
    SendProbe30 = 4,
    AwaitProbe30 = 5,
    SendProbe20 = 6,
    AwaitProbe20 = 7,
    SendRating = 8,
    AwaitRating = 9,
};

enum class OpPhase : int { Send = 0, Await = 1 };

/// A control command waiting for its write, or carried by the write on the wire.
struct CommandJob {
    RequestId id = 0; ///< 0 for none (an import's store)
    Target target;
    Command command;
    int32_t previous = 0;              ///< the word it replaced in controlSet, while carried
    std::size_t importedRegisters = 0; ///< an import's store: registers the import wrote
    std::vector<uint16_t> readBack;    ///< an import's store: the group read back before it
};

/// Registers read in chunks of 30 for a caller, a parameter write's read-back,
/// an import's read-back or one group of a readout.
struct ReadJob {
    RequestId id = 0;
    Target target;
    uint16_t first = 0;
    int count = 0;
    int group = -1; ///< the catalogue group, for texts; -1 raw
    enum class Owner { Caller, Write, Import, Readout, Dropped } owner = Owner::Caller;
    std::vector<uint16_t> words;
    int read = 0;            ///< registers stored so far
    bool superseded = false; ///< a newer read took its place: dropped at the next chunk
    /// A parameter write's outcome, given once the group has been read again.
    std::optional<Outcome> held;
};

/// The most registers one read job takes: the largest catalogue group.
inline constexpr int kMaxGroupRows = 100;

/// A parameter write, then (if asked) its group read again.
struct WriteJob {
    RequestId id = 0;
    Target target;
    ParameterWrite write;
};

/// What a drive's turn may serve, beside its pendingOp.
struct SlotWork {
    std::deque<CommandJob> commands; ///< waiting, in the order given
    std::vector<CommandJob> carried; ///< on the wire, or refused and to be tried again
    /// Tries of the current write that were refused or unanswered.
    unsigned controlTries = 0;
    /// A write that was refused or unanswered waits for the drive's next
    /// status read before it goes again, so the drive stays watched.
    bool controlHeld = false;
    uint64_t heldSince = 0;    ///< link tick the hold began
    bool followUpTold = false; ///< a refused follow-up of the link's own was told
    /// An emergency stop was confirmed: its stop bit goes back once the drive
    /// reports standstill, not before (a drive that reads the bit as a level
    /// would otherwise end the emergency stop on its normal ramp).
    bool restoreWhenStopped = false;
    std::deque<WriteJob> writes;
    std::deque<ReadJob> reads;
    std::vector<std::pair<RequestId, Target>> statusWaiters;
    bool statusRead = false; ///< at least one status read completed since the drive joined
};

/// Export, import or readout: one at a time on the link.
struct TransferJob {
    RequestId id = 0;
    Target target;
    enum class Kind { Export, Import, Readout } kind = Kind::Export;
    ParameterImage image{};
    int imageLength = 0;
    int cursor = 0; ///< bits 8..15 group, 0..7 position
    int readBackGroup = -1;
    /// Import: every chunk written; the store (and read-back) follow.
    std::size_t writtenRegisters = 0;
    bool cancelAsked = false; ///< the caller cancelled: stop between two chunks
    bool started = false;     ///< its operation has begun on the drive's turn
    // Readout.
    std::string series;
    std::string ratedPower;
    int group = 0;
    unsigned turnTicks = 0;
    std::vector<uint16_t> words;
    /// The read of `group` ended this tick: its result and words.
    bool groupEnded = false;
    Result groupResult = Result::Confirmed;
    std::vector<uint16_t> groupWords;
};

/// Everything the link owns. Touched only under DriveLink's lock.
struct LinkState {
    // The line.
    DriveTable table;
    LinkSettings settings;
    bool linkOpen = false;
    /// The port refused a frame (device gone) and the operator has been told;
    /// cleared by openLink, so one message per loss.
    bool portFailed = false;
    LinkBuffers buffers;

    // Scheduler.
    std::string currentDriveName;
    OpCode currentOp = OpCode::None;
    OpCode opAtStart = OpCode::None;
    unsigned pollIndex = 0;
    unsigned retryCount = 0;
    IdentifyStep identifyStep = IdentifyStep::SendEcho;
    std::array<OpPhase, 10> opPhase{}; ///< indexed by OpCode 2..8
    std::string identifiedSeries;
    /// The current operation serves the probe record (picked up at the probe
    /// slot), not a table slot; fixed at pick-up so removing a drive or naming
    /// one like the probe cannot redirect it.
    bool servingProbe = false;
    /// An operation put aside at a send point so a stop could go first.
    struct Suspended {
        std::string driveName;
        OpCode op = OpCode::None;
        OpCode opAtStart = OpCode::None;
        unsigned retryCount = 0;
        std::array<OpPhase, 10> opPhase{};
        IdentifyStep identifyStep = IdentifyStep::SendEcho;
        bool servingProbe = false;
    };
    std::optional<Suspended> suspended;

    // Requests.
    RequestId lastId = 0;
    std::array<SlotWork, kMaxDrives> work{};
    std::optional<TransferJob> transfer;
    struct SearchJob {
        RequestId id = 0;
        Target target;
        std::vector<std::string> names;
    };
    std::optional<SearchJob> search;
    RequestId finderId = 0;
    std::vector<Outcome> outcomes; ///< ended requests not yet taken

    // Address search.
    int searchNextAddress = 0;
    unsigned searchRemaining = 0;

    // What the window shows.
    ActivityState activityState = ActivityState::None;
    Progress progress;
    /// Drives a search added under another name than the one found, because a
    /// connected drive held it: "found → given", for the window to tell.
    std::vector<std::pair<std::string, std::string>> joinRenames;
    /// Completed status reads per slot (wraps); lets a watcher see each fresh poll.
    std::array<uint32_t, kMaxDrives> statusReadCount{};
    /// Link tick of each slot's last completed status read.
    std::array<uint64_t, kMaxDrives> statusReadTick{};

    // Diagnostics: link counters per drive, the traffic ring, the line finder.
    LinkDiagnostics diagnostics;
    LineFinder finder;
};

/// Hands an ended request's outcome to the caller (once).
void deliverOutcome(LinkState& state, Outcome outcome);
/// The outcome of request `id` for `target` with `result`.
Outcome outcomeOf(RequestId id, const Target& target, Result result);
/// Ends every request waiting for `slot` (its drive left): cancelled, DriveGone.
void cancelSlotWork(LinkState& state, int slot);

} // namespace velkaro
