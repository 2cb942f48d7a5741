#pragma once

// The link's door. Callers give requests, each bound to its drive, and get
// back exactly one outcome per request; they see the link's state as
// snapshots. The state itself, the port and the one lock stay inside. The
// door's headers sit at the top of link/ (this one, requests.h,
// link_snapshot.h, operator_notices.h); what is behind it sits in ports/,
// protocol/, master/ and diagnostics/.

#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

#include "link/diagnostics/frame_log.h"
#include "link/link_snapshot.h"
#include "link/ports/link_settings.h"
#include "link/requests.h"

namespace velkaro {

class SerialPort;
class OperatorNotices;
struct LinkState;

namespace testing {
struct LinkInspector;
}

/// The Modbus RTU master: one request on the wire at a time, driven by tick().
/// Every member may be called from any thread.
class DriveLink {
public:
    DriveLink(SerialPort& port, OperatorNotices& notices);
    ~DriveLink();
    DriveLink(const DriveLink&) = delete;
    DriveLink& operator=(const DriveLink&) = delete;

    // ------------------------------------------------------------ requests

    /// Takes a request for `target` (ignored by Search and FindLine) and
    /// returns its number. A request whose target is not the drive now in
    /// that slot ends at once, cancelled (DriveGone); one the link cannot do
    /// (an unsupported series, a transfer already running) ends at once,
    /// refused. Stops (stop, coast stop, emergency stop) go before anything
    /// else of their drive and between the chunks of a transfer.
    RequestId submit(const Target& target, Request request);
    /// Ends a request not yet done (cancelled, ByCaller). A transfer stops
    /// between two chunks; what was written stays written.
    void cancel(RequestId id);
    /// Outcomes of ended requests, oldest first; each is handed out once.
    std::vector<Outcome> takeOutcomes();
    /// Called on the ticking thread, with the lock released, whenever
    /// outcomes are waiting to be taken (for a window to post itself a wake-up).
    void setOutcomeListener(std::function<void()> listener);

    /// The drive now in `slot` as a request target; slot -1 when none.
    Target targetOfSlot(int slot) const;
    /// The connected drive named `name`, or at bus address `address`.
    Target targetOfName(std::string_view name) const;
    Target targetOfAddress(int address) const;

    // ------------------------------------------------------------ what it shows

    LinkSnapshot snapshot() const;
    /// Frames recorded from sequence `next` on, at most `limit` of the newest;
    /// `next` moves past them. A reader more than a ring behind loses the oldest.
    std::vector<FrameRecord> traffic(uint64_t& next, std::size_t limit = SIZE_MAX) const;
    /// Found drives that joined under another name than the one found,
    /// "found → given", since the last call.
    std::vector<std::pair<std::string, std::string>> takeJoinRenames();

    // ------------------------------------------------------------ the table and the line

    /// Empties the drive table (start-up); every request waiting ends cancelled.
    void clearTable();
    /// Takes a connected drive out of the table: its requests end cancelled
    /// (DriveGone), its counters are forgotten. False if it is not connected.
    bool removeDrive(std::string_view name);
    RenameResult renameDrive(std::string_view oldName, std::string_view newName);
    /// The link's own settings (during a line finder run, the ones it returns to).
    LinkSettings settings() const;
    /// Stores new line settings; they take effect at the next openLink() (or
    /// when a line finder run ends).
    void setSettings(const LinkSettings& settings);
    /// (Re)opens the port with the current settings.
    OpenLinkResult openLink();
    /// Diagnostics: recording on or off, and the counters zeroed.
    void setRecording(bool on);
    void resetCounters();

    // ------------------------------------------------------------ the pipeline

    /// One 1 ms tick: counters, receive, schedule, operate, search feeding and
    /// change detection, transmit. What the operator must be told of the
    /// tick's own doing goes out without waiting, the lock released.
    void tick();
    /// Every connected drive with nothing pending gets a status read (window timer 1).
    void queueStatusPolls();

private:
    /// The link's own tests look at its state.
    friend struct testing::LinkInspector;

    void notifyOutcomes(bool waiting);

    mutable std::mutex m_mutex;
    std::unique_ptr<LinkState> m_state;
    SerialPort& m_port;
    OperatorNotices& m_notices;
    std::function<void()> m_outcomeListener;
};

} // namespace velkaro
