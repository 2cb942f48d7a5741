#include "link/drive_link.h"

#include <climits>

#include "link/link_operations.h"
#include "link/operator_messages.h"
#include "link/serial_port.h"

namespace velkaro {

namespace {

constexpr std::string_view kReceiveOverflow = "接受数据溢出！";

void countTick(unsigned& counter) {
    if (counter != UINT_MAX) {
        ++counter;
    }
}

std::string portFailureText(const SerialPort& port) {
    if (port.connectionLost()) {
        return port.lastError() + "。请检查网络连接，然后在连接控制中重新应用设置。";
    }
    return "串口 " + port.devicePath() + " 无法发送数据：" + port.lastError() +
           "。请检查串口连接，然后在连接控制中重新应用设置。";
}

/// The seven steps of one tick on the shared state, lock held by the caller.
void runTick(LinkState& s, SerialPort& port, TickOutcome& out) {
    countTick(s.buffers.silenceTicks);
    countTick(s.buffers.replyTicks);
    ++s.diagnostics.tick;
    if (!s.linkOpen) {
        return;
    }
    const ReceiveResult received =
        receiveStep(s.buffers, port, s.settings.frameGapTicks, s.settings.frameEnd);
    recordReceived(s, received);
    if (received.overflowStarted) {
        out.message(kReceiveOverflow, "");
    }
    // While the line finder tries other settings the scheduler waits.
    if (!stepLineFinder(s, port, out)) {
        scheduleStep(s, out);
        operationStep(s, out);
        stepReadout(s, out);
        feedSearch(s);
        detectChanges(s);
    }
    const unsigned waiting = s.buffers.txLength;
    const bool sent = transmitStep(s.buffers, port, s.settings.transmitHoldTicks());
    // A frame held for the inter-frame silence is still waiting: not sent yet.
    recordTransmitted(s, s.buffers.txLength == 0 ? waiting : 0, sent);
    if ((!sent || port.connectionLost()) && !s.portFailed) {
        // An unplugged adapter refuses every frame from now on, a network
        // connection that failed says so at once: tell the operator once; the
        // drives then drop by their own timeouts.
        s.portFailed = true;
        out.message(portFailureText(port), "");
    }
}

} // namespace

DriveLink::DriveLink(SerialPort& port, OperatorMessages& messages)
    : m_port(port), m_messages(messages) {}

DriveLink::~DriveLink() = default;

void DriveLink::tick() {
    TickOutcome out;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        runTick(m_state, m_port, out);
    }
    if (!out.empty()) {
        deliver(out);
    }
}

void DriveLink::deliver(TickOutcome& out) {
    for (const TickOutcome::Item& item : out.items) {
        if (item.kind == TickOutcome::Kind::Message) {
            m_messages.show(item.text, item.caption);
            continue;
        }
        if (item.kind == TickOutcome::Kind::Notice) {
            m_messages.notify(item.text, item.caption);
            continue;
        }
        ParameterFileResult written =
            writeParameterFile(out.exportPath, *out.exportImage, out.exportLength);
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            // The file now carries the length in its header; so does the image.
            m_state.parameterImage[2] = (*out.exportImage)[2];
            m_state.parameterImage[3] = (*out.exportImage)[3];
            m_state.transferBusy = false;
        }
        if (!written.ok) {
            m_messages.show(written.message, std::string(kInfoCaption));
        }
    }
}

namespace {

/// Requests the window may replace in pendingOp: they are asked for again
/// (status polls, change detection) or kept elsewhere (the group read request,
/// the drive's saved writes), so the scheduler still serves them.
bool replaceable(OpCode op) {
    return op == OpCode::None || op == OpCode::StatusRead || op == OpCode::GroupRead ||
           op == OpCode::ControlWrite || op == OpCode::ParamWrite;
}

} // namespace

void requestGroupRead(LinkState& s) {
    ++s.groupReadRequest;
    if (s.selectedSlot >= 0 && s.selectedSlot < kMaxDrives) {
        DriveRecord& drive = s.table.slots[static_cast<std::size_t>(s.selectedSlot)];
        if (replaceable(drive.pendingOp)) {
            drive.pendingOp = OpCode::GroupRead;
        }
    }
}

void requestParameterWrite(LinkState& s, int slot, const ParameterWrite& write) {
    if (slot < 0 || slot >= kMaxDrives) {
        return;
    }
    DriveRecord& drive = s.table.slots[static_cast<std::size_t>(slot)];
    drive.parameterWrites.push_back(write);
    if (replaceable(drive.pendingOp)) {
        drive.pendingOp = OpCode::ParamWrite;
    }
    // The control block is written once more after the parameter.
    drive.controlAck[0] = 0;
}

void DriveLink::queueStatusPolls() {
    std::lock_guard<std::mutex> guard(m_mutex);
    for (DriveRecord& drive : m_state.table.slots) {
        if (!drive.name.empty() && drive.pendingOp == OpCode::None) {
            drive.pendingOp = OpCode::StatusRead;
        }
    }
}

OpenLinkResult DriveLink::openLink() {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_state.portFailed = false;
    return velkaro::openLink(m_port, m_state.settings, m_state.linkOpen);
}

} // namespace velkaro
