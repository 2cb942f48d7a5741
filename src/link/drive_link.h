#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "files/parameter_file.h"
#include "link/drive_readout.h"
#include "link/frame_codec.h"
#include "link/link_settings.h"
#include "registry/drive_table.h"

namespace velkaro {

class SerialPort;
class OperatorMessages;
struct TickOutcome;

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

/// Everything the tick and the window share. Touch it only through
/// DriveLink::lock().
struct LinkState {
    DriveTable table;
    LinkSettings settings;
    bool linkOpen = false;
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

    // Selection the link reads for operations 5..8 (window-owned, shared).
    int selectedSlot = -1;

    // Transfers.
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
    ActivityState activityState = ActivityState::None;
    std::string parameterFilePath;
    DriveReadout readout;

    // Address search.
    int searchNextAddress = 0;
    unsigned searchRemaining = 0;

    /// Progress bar of a search, export or import.
    Progress progress;
    /// A drive's online flag or the table changed: the window redraws its tree.
    bool driveListChanged = false;
    /// Answered status reads per slot (wraps); lets a watcher see each fresh poll.
    std::array<uint32_t, kMaxDrives> statusReadCount{};
    /// The port refused a frame (device gone) and the operator has been told;
    /// cleared by openLink, so one message per loss.
    bool portFailed = false;
};

/// Window-side requests, made under the lock. The selected drive's current
/// group is read on its next turn; the request is kept until a read serves it,
/// so a pending control read, transfer or saved parameter change is never
/// overwritten by it.
void requestGroupRead(LinkState& s);
/// Queues a saved parameter change for the drive at `slot` and asks for its
/// turn; the control block is written once more after it.
void requestParameterWrite(LinkState& s, int slot, const ParameterWrite& write);

/// The Modbus RTU master: owns the shared state, the port and the one mutex.
/// tick() is the whole pipeline under the lock; every window-side access goes
/// through lock().
class DriveLink {
public:
    DriveLink(SerialPort& port, OperatorMessages& messages);
    ~DriveLink();
    DriveLink(const DriveLink&) = delete;
    DriveLink& operator=(const DriveLink&) = delete;

    /// Scoped access to the shared state; holds the mutex for its lifetime.
    class Locked {
    public:
        explicit Locked(DriveLink& link) : m_lock(link.m_mutex), m_state(&link.m_state) {}
        LinkState* operator->() const { return m_state; }
        LinkState& operator*() const { return *m_state; }

    private:
        std::unique_lock<std::mutex> m_lock;
        LinkState* m_state;
    };
    Locked lock() { return Locked(*this); }

    /// One 1 ms tick: counters, receive, schedule, operate, search feeding and
    /// change detection, transmit. Operator messages are shown with the lock released.
    void tick();

    /// Every connected drive with nothing pending gets a status read (window timer 1).
    void queueStatusPolls();

    /// (Re)opens the port with the current settings under the lock.
    OpenLinkResult openLink();

    SerialPort& port() { return m_port; }

private:
    class Pipeline;
    friend class Pipeline;

    /// Shows the tick's messages and writes an exported file, lock released.
    void deliver(TickOutcome& out);

    std::mutex m_mutex;
    LinkState m_state;
    SerialPort& m_port;
    OperatorMessages& m_messages;
    std::unique_ptr<Pipeline> m_pipeline;
};

} // namespace velkaro
