#pragma once

#include <QObject>

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "link/drive_link.h"
#include "records/action_record.h"

namespace velkaro {

class AccessGate;
class OperatorMessages;

/// The station's side of the link's door, on the window thread: the latest
/// snapshot the panels draw from, the selected drive, the frequency each drive
/// was last given, and the outcomes of the station's requests, routed back to
/// whoever gave them. Nothing here touches the link's state: requests go in
/// through submit(), values come out as snapshots and outcomes.
class StationLink : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const Outcome&)>;

    /// Registers itself as the link's outcome listener: outcomes ending on the
    /// tick are handed out on the window thread without waiting for a pass.
    StationLink(DriveLink& link, OperatorMessages& messages, QObject* parent = nullptr);
    ~StationLink() override;

    DriveLink& link() { return m_link; }

    /// Takes a fresh snapshot and hands out the outcomes waiting. The first
    /// step of every 100 ms pass; also fine to call before acting on a click.
    void refresh();
    /// The snapshot of the last refresh().
    const LinkSnapshot& view() const { return m_view; }

    // ------------------------------------------------------------ selection

    /// The selected drive's slot (-1: none); window-owned.
    int selectedSlot() const { return m_selectedSlot; }
    void setSelectedSlot(int slot) { m_selectedSlot = slot; }
    /// The selected drive as a request target (slot -1 when none or gone).
    Target selectedTarget() const { return targetOf(m_selectedSlot); }
    /// The drive in `slot` of the last snapshot as a target (slot -1 if free).
    Target targetOf(int slot) const;
    /// The selected drive's record in the last snapshot, or null.
    const DriveRecord* selectedDrive() const { return m_view.drive(m_selectedSlot); }

    // ------------------------------------------------------------ requests

    /// Gives a request for `target`; `onEnd` runs once, on the window thread,
    /// with its outcome. Without a handler, an outcome carrying a message for
    /// the operator is told without waiting for him (notify).
    RequestId submit(const Target& target, Request request, Handler onEnd = {});
    void cancel(RequestId id) { m_link.cancel(id); }
    /// Hands out the outcomes waiting; refresh() does it too.
    void takeOutcomes();
    /// A request given here has not ended yet.
    bool pending(RequestId id) const { return m_handlers.contains(id); }
    /// Every request given here has ended.
    bool idle() const { return m_handlers.empty(); }
    /// An export, import or readout given here has not ended yet.
    bool transferPending() const;
    /// A readout given here has not ended yet.
    bool readoutPending() const;
    /// A transfer or readout holds the link: by the last snapshot, or given
    /// here since. The selection stays on its drive meanwhile.
    bool transferBusy() const { return m_view.transferRunning || transferPending(); }

    /// The frequency last given to the drive in `slot` (0.01 Hz) while its
    /// write has not ended: the motor panel shows it instead of the drive's
    /// word until the drive has taken it.
    std::optional<uint16_t> frequencyGiven(int slot) const;
    /// The command word last given here to the drive in `slot` while its
    /// write has not ended, else the word the last snapshot shows the link
    /// wanting for it; -1 for a free slot. What a jog box changes.
    int32_t commandWordGiven(int slot) const;

    // ------------------------------------------------------------ action log

    using ActionSink = std::function<void(ActionRecord)>;
    /// From now on every operator request given here (commands, frequency,
    /// parameter changes, import, export, connection searches) hands its row
    /// to `sink` once its outcome is known, on the window thread; reads are
    /// not logged. Empty: nothing is logged.
    void setActionLog(ActionSink sink) { m_actionSink = std::move(sink); }
    /// Logs an action the link does at once, outside the requests (断开,
    /// 名字更改, 通讯参数更改), for `target` (station-wide: an empty target).
    void logAction(const Target& target, std::string action, std::string oldValue,
                   std::string newValue, std::string result = std::string(kActionConfirmed));
    ActionTracker& actions() { return m_actions; }

    // ------------------------------------------------------------ access levels

    /// With a gate, a request of the engineer's level given while the gate is
    /// locked never reaches the link: it ends refused ("需要工程师权限") as
    /// its outcome, handed out like any other, and the PIN is asked for
    /// (engineerWanted). Null (the default): everything is allowed.
    void setAccessGate(AccessGate* gate) { m_gate = gate; }
    AccessGate* accessGate() const { return m_gate; }
    /// Before an engineer's action: true when it may go ahead now; otherwise
    /// asks for the PIN (engineerWanted) and false. Without a PIN it is
    /// allowed, and the first time the operator is shown where to set one
    /// (noPinHint).
    bool engineerAllowed();

Q_SIGNALS:
    /// Queued from the ticking thread: outcomes are waiting.
    void outcomesWaiting();
    /// An engineer's action was asked for while locked.
    void engineerWanted();
    /// Once a run: an engineer's action without a PIN configured.
    void noPinHint();

private:
    struct Pending {
        Handler onEnd;
        int slot = -1;
        std::size_t kind = 0; ///< the request's alternative in Request
        std::optional<Command> command;
        ActionTracker::Started action;
    };

    DriveLink& m_link;
    OperatorMessages& m_messages;
    LinkSnapshot m_view;
    int m_selectedSlot = -1;
    std::map<RequestId, Pending> m_handlers;
    ActionTracker m_actions;
    ActionSink m_actionSink;
    AccessGate* m_gate = nullptr;
    bool m_hintGiven = false;
    /// Outcomes of requests refused here, waiting to be handed out.
    std::vector<Outcome> m_refusedHere;
    /// Ids of requests refused here count down from the top, far from the link's.
    RequestId m_nextRefusedId = ~RequestId{0};
};

} // namespace velkaro
