#pragma once

// The state the tick and the window share under the link's one lock, and the
// numbered steps of the operations.

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "files/parameter_file.h"
#include "link/drive_readout.h"
#include "link/frame_codec.h"
#include "link/line_finder.h"
#include "link/link_diagnostics.h"
#include "link/link_settings.h"
#include "registry/drive_table.h"

namespace velkaro {

/// What the progress bar and the activity line show. A link activity takes it
/// only when it is None and gives it back only if it still holds its own value.
enum class ActivityState : int {
    None = 0,
    Search = 1,
    Export = 2,
    Import = 3,
    DriveFault = 4,
    Readout = 5, ///< a whole drive's parameters read for a report or a comparison
};

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

struct Progress {
    int minimum = 0;
    int maximum = 100;
    int position = 0;
};

/// Control writes of one slot that the drive refused in a row, all of the
/// same request; the operator is told once per request.
struct ControlRefusals {
    std::array<uint8_t, kControlBlockFrameBytes> request{}; ///< the refused frame
    unsigned count = 0;                                     ///< refusals in a row of `request`
    bool told = false; ///< the operator has been told about `request`
};

/// Everything the tick and the window share. Touch it only through
/// DriveLink::lock().
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

    // Control writes.
    /// Refused control writes per slot, until one is confirmed or the words change.
    std::array<ControlRefusals, kMaxDrives> controlRefusals{};

    // Selection the link reads for operations 5..8 (window-owned, shared).
    int selectedSlot = -1;

    // Parameter group, parameter write and transfers.
    int selectedGroup = -1;
    std::array<uint16_t, 100> groupValues{};
    int groupReadCount = 0;
    /// Raised by the window each time it asks for a group read; a read that
    /// started before the latest request starts again from row 0, so the list
    /// never mixes rows of two groups or two drives.
    unsigned groupReadRequest = 0;
    unsigned groupReadServing = 0; ///< the request the running read serves
    unsigned groupReadDone = 0;    ///< the last request a read has answered (or given up on)
    int groupReadFilled = 0;       ///< rows the last ended read stored (its size when whole)
    int paramWriteIndex = 0;       ///< row last clicked in the parameter list
    ParameterImage parameterImage{};
    int imageLength = 0;
    int transferCursor = 0;
    bool transferBusy = false;
    std::string parameterFilePath;
    DriveReadout readout;

    // Address search.
    int searchNextAddress = 0;
    unsigned searchRemaining = 0;

    // What the window shows.
    ActivityState activityState = ActivityState::None;
    /// Progress bar of a search, export or import.
    Progress progress;
    /// Drives a search added under another name than the one found, because a
    /// connected drive held it: "found → given", for the window to tell.
    std::vector<std::pair<std::string, std::string>> joinRenames;
    /// A drive's online flag or the table changed: the window redraws its tree.
    bool driveListChanged = false;
    /// Answered status reads per slot (wraps); lets a watcher see each fresh poll.
    std::array<uint32_t, kMaxDrives> statusReadCount{};

    // Diagnostics: link counters per drive, the traffic ring, the line finder.
    LinkDiagnostics diagnostics;
    LineFinder finder;
};

/// Window-side requests, made under the lock. The selected drive's current
/// group is read on its next turn; the request is kept until a read serves it,
/// so a pending control read, transfer or saved parameter change is never
/// overwritten by it.
void requestGroupRead(LinkState& s);
/// Queues a saved parameter change for the drive at `slot` and asks for its
/// turn; the control block is written once more after it.
void requestParameterWrite(LinkState& s, int slot, const ParameterWrite& write);

} // namespace velkaro
