#include "link/diagnostics/link_diagnostics.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "link/master/link_state.h"
#include "registry/language.h"

namespace velkaro {

namespace {

/// Whose request the tick is sending: the probe's (address search, line
/// finder) or a connected drive's.
int servedRow(const LinkState& state) {
    if (state.servingProbe) {
        return kProbeRow;
    }
    // An empty name would find the first free slot.
    return state.currentDriveName.empty() ? kNoRow
                                          : state.table.findSlotByName(state.currentDriveName);
}

LinkCounters* rowOf(LinkDiagnostics& d, int row) {
    return row >= 0 && row < kCounterRows ? &d.counters[static_cast<std::size_t>(row)] : nullptr;
}

/// A good frame: one from the drive while its answer is due is judged by the
/// operation waiting for it (checkReply); here only frames nobody waits for.
void countUnawaited(LinkDiagnostics& d, const LinkBuffers& b) {
    PendingRequest& p = d.pending;
    LinkCounters* c = rowOf(d, p.row);
    if (c == nullptr || p.open || b.replyFrame[0] != p.address) {
        return;
    }
    c->answered = true;
    c->lastAnswerTick = d.tick;
    ++c->lateReplies;
}

FrameFate droppedFate(const ReceiveResult& r) {
    if (r.frameOverflowed) {
        return FrameFate::Overflow;
    }
    return r.frameLength < kShortestFrame ? FrameFate::TooShort : FrameFate::BadCrc;
}

} // namespace

void ReplyTimes::add(uint32_t ticks) {
    lastTicks = ticks;
    minTicks = count == 0 ? ticks : std::min(minTicks, ticks);
    maxTicks = std::max(maxTicks, ticks);
    totalTicks += ticks;
    ++count;
}

uint32_t LinkCounters::exceptionTotal() const {
    return std::accumulate(exceptions.begin(), exceptions.end(), 0u);
}

std::string exceptionCountsText(const LinkCounters& c) {
    std::string text;
    for (std::size_t code = 0; code < c.exceptions.size(); ++code) {
        if (c.exceptions[code] == 0) {
            continue;
        }
        char part[16];
        std::string label;
        if (code == 0) {
            // Codes beyond the counted ones share entry 0. Shown only, never saved.
            label = translated("LinkDiagnostics", "其他");
        } else {
            std::snprintf(part, sizeof part, "%02X", static_cast<unsigned>(code));
            label = part;
        }
        text += (text.empty() ? "" : ",") + label + ':' + std::to_string(c.exceptions[code]);
    }
    return text.empty() ? "0" : text;
}

void LinkDiagnostics::resetRow(int row) {
    if (LinkCounters* c = rowOf(*this, row)) {
        *c = LinkCounters{};
    }
}

unsigned replyLengthForRequest(const uint8_t* request, unsigned length) {
    if (length < kShortestFrame + 4) {
        return 0;
    }
    switch (request[1]) {
    case kReadHoldingRegisters:
        // address + function + byte count + the words + CRC (2)
        return 5 + 2u * decodeUnsigned(request[4], request[5]);
    case kWriteSingleRegister:
    case kWriteMultipleRegisters:
        // address + function + two echoed words + CRC (2)
        return 8;
    case kDiagnostics:
        return length;
    default:
        return 0;
    }
}

void recordReceived(LinkState& state, const ReceiveResult& received) {
    LinkDiagnostics& d = state.diagnostics;
    const bool ended = received.event == ReceiveEvent::FrameAccepted ||
                       received.event == ReceiveEvent::FrameDropped;
    if (!ended || !d.recording) {
        return;
    }
    const LinkBuffers& b = state.buffers;
    const int row = d.pending.row;
    if (received.event == ReceiveEvent::FrameAccepted) {
        d.log.push(d.tick, FrameDirection::Rx, FrameFate::Accepted, row, b.replyFrame.data(),
                   b.replyLength);
        countUnawaited(d, b);
        return;
    }
    const FrameFate fate = droppedFate(received);
    d.log.push(d.tick, FrameDirection::Rx, fate, row, b.rxBuffer.data(), received.frameLength);
    LinkCounters* c = rowOf(d, row);
    if (c != nullptr && d.pending.open) {
        ++(fate == FrameFate::BadCrc ? c->badCrc : c->noiseFrames);
    }
}

void recordTransmitted(LinkState& state, unsigned length, bool sent) {
    LinkDiagnostics& d = state.diagnostics;
    if (!d.recording) {
        return;
    }
    PendingRequest& p = d.pending;
    if (length == 0) {
        // The operations give up when replyTicks passes the timeout they set;
        // so does this, on the same tick.
        if (p.open &&
            state.buffers.replyTicks > static_cast<unsigned>(state.settings.replyTimeoutTicks)) {
            p.open = false;
            d.log.push(d.tick, FrameDirection::Rx, FrameFate::TimedOut, p.row, nullptr, 0);
            if (LinkCounters* c = rowOf(d, p.row)) {
                ++c->timeouts;
            }
        }
        return;
    }
    const LinkBuffers& b = state.buffers;
    const int row = servedRow(state);
    d.log.push(d.tick, FrameDirection::Tx, sent ? FrameFate::Sent : FrameFate::SendFailed, row,
               b.txFrame.data(), length);
    // The scheduler's retry count rises only when an operation sends its
    // request again; it falls back to 0 when the next request or operation begins.
    const bool retry = state.retryCount > d.lastRetryCount;
    d.lastRetryCount = state.retryCount;
    p = PendingRequest{sent, row, b.txFrame[0], replyLengthForRequest(b.txFrame.data(), length),
                       d.tick};
    if (LinkCounters* c = rowOf(d, row)) {
        ++c->requestsSent;
        if (retry) {
            ++c->retries;
        }
    }
}

} // namespace velkaro
