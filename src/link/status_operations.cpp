// Status read (2), control read (3) and control write (4): the operations on a
// drive's status block 0x3210..0x321F and control block 0x3200..0x3209.

#include "link/link_operations.h"

namespace velkaro {

namespace {

constexpr uint16_t kStatusBlock = 0x3210;
constexpr uint8_t kStatusWords = 16;
constexpr unsigned kStatusReadTimeoutTicks = 300;
constexpr unsigned kStatusReadRetries = 10;

constexpr uint16_t kControlBlock = 0x3200;
constexpr uint16_t kStoreRegister = 0x3209;
constexpr uint8_t kControlWords = 10;
constexpr unsigned kControlReadTimeoutTicks = 300;
constexpr unsigned kControlReadRetries = 10;
constexpr unsigned kControlWriteTimeoutTicks = 500;

constexpr int32_t kOneShotBit = 0x0080; // fault reset: sent once
constexpr int32_t kRestoredBit = 0x0004;
constexpr std::size_t kStoreWord = 9;

/// Sign-extended word `index` of a 0x03 reply (data from byte 3).
int32_t replyWord(const LinkBuffers& b, unsigned index) {
    return decodeSigned(b.replyFrame[3 + 2 * index], b.replyFrame[4 + 2 * index]);
}

void setOnline(LinkState& s, DriveRecord& drive, int32_t online) {
    if (drive.online != online) {
        drive.online = online;
        s.driveListChanged = true;
    }
}

void sendStatusRead(OpContext& c) {
    buildReadHolding(c.s.buffers, c.address, kStatusBlock, kStatusWords);
    phaseOf(c.s, OpCode::StatusRead) = OpPhase::Await;
}

void awaitStatusRead(OpContext& c) {
    LinkState& s = c.s;
    switch (checkReply(s, c.address, kStatusReadTimeoutTicks)) {
    case ReplyStatus::Answered:
        setOnline(s, *c.drive, 1);
        // A short answer (an exception, a truncated frame) still proves the
        // drive is there, but its words are not in the frame: keep the old ones.
        if (replyDataWords(s.buffers) >= kStatusWords) {
            for (unsigned i = 0; i < kStatusWords; ++i) {
                c.drive->status[i] = replyWord(s.buffers, i);
            }
            const auto slot = c.drive - s.table.slots.data();
            if (slot >= 0 && slot < kMaxDrives) {
                ++s.statusReadCount[static_cast<std::size_t>(slot)];
            }
        }
        finishOp(s);
        break;
    case ReplyStatus::TimedOut:
        if (!retryOrFinish(s, OpCode::StatusRead, kStatusReadRetries)) {
            setOnline(s, *c.drive, 0);
        }
        break;
    case ReplyStatus::Pending:
        break;
    }
}

void sendControlRead(OpContext& c) {
    buildReadHolding(c.s.buffers, c.address, kControlBlock, kControlWords);
    phaseOf(c.s, OpCode::ControlRead) = OpPhase::Await;
}

void awaitControlRead(OpContext& c) {
    LinkState& s = c.s;
    switch (checkReply(s, c.address, kControlReadTimeoutTicks)) {
    case ReplyStatus::Answered:
        if (replyDataWords(s.buffers) >= kControlWords) {
            for (unsigned j = 0; j < kControlWords; ++j) {
                c.drive->controlSet[j] = replyWord(s.buffers, j);
                c.drive->controlAck[j] = c.drive->controlSet[j];
            }
            // A fault reset read back is not re-sent, but a set one-shot bit
            // makes the two differ so change detection writes the word again.
            c.drive->controlAck[0] &= ~kOneShotBit;
        }
        finishOp(s);
        break;
    case ReplyStatus::TimedOut:
        retryOrFinish(s, OpCode::ControlRead, kControlReadRetries);
        break;
    case ReplyStatus::Pending:
        break;
    }
}

void sendControlWrite(OpContext& c) {
    DriveRecord& drive = *c.drive;
    if (drive.controlSet[kStoreWord] == 0) {
        buildControlBlockWrite(c.s.buffers, c.address, drive.controlSet);
    } else {
        const uint16_t store = 1;
        buildWriteMultiple(c.s.buffers, c.address, kStoreRegister, &store, 1);
    }
    phaseOf(c.s, OpCode::ControlWrite) = OpPhase::Await;
}

/// The drive confirmed the request still in txFrame. Only the words that
/// request carried are confirmed: a command the window wrote while it was on
/// the wire stays different from controlAck and is written next.
void confirmControlWrite(LinkBuffers& b, DriveRecord& drive) {
    const uint16_t reg = decodeUnsigned(b.txFrame[2], b.txFrame[3]);
    if (reg == kStoreRegister) {
        drive.controlSet[kStoreWord] = 0;
        drive.controlAck[kStoreWord] = 0;
        return;
    }
    // The 29-byte block frame: the ten words from byte 7.
    for (std::size_t j = 0; j < kControlWords; ++j) {
        const uint16_t sent = decodeUnsigned(b.txFrame[7 + 2 * j], b.txFrame[8 + 2 * j]);
        const bool unchanged = static_cast<uint16_t>(drive.controlSet[j]) == sent;
        drive.controlAck[j] =
            unchanged ? drive.controlSet[j] : decodeSigned(sent >> 8, sent & 0xFF);
    }
    if (drive.controlSet[kStoreWord] == drive.controlAck[kStoreWord]) {
        drive.controlSet[kStoreWord] = 0;
    }
    drive.controlAck[kStoreWord] = 0;
    if (drive.controlSet[0] == drive.controlAck[0]) {
        // The fault reset goes out once; then the stop bit comes back, so the
        // next change detection writes the word again.
        drive.controlSet[0] = (drive.controlSet[0] & ~kOneShotBit) | kRestoredBit;
    }
}

void awaitControlWrite(OpContext& c) {
    LinkState& s = c.s;
    switch (checkReply(s, c.address, kControlWriteTimeoutTicks)) {
    case ReplyStatus::Answered:
        confirmControlWrite(s.buffers, *c.drive);
        finishOp(s);
        break;
    case ReplyStatus::TimedOut:
        // No retry here: change detection queues the write again while the
        // wanted and confirmed words differ.
        finishOp(s);
        break;
    case ReplyStatus::Pending:
        break;
    }
}

} // namespace

void runStatusRead(OpContext& c) {
    c.s.settings.replyTimeoutTicks = kStatusReadTimeoutTicks;
    if (phaseOf(c.s, OpCode::StatusRead) == OpPhase::Send) {
        sendStatusRead(c);
    } else {
        awaitStatusRead(c);
    }
}

void runControlRead(OpContext& c) {
    c.s.settings.replyTimeoutTicks = kControlReadTimeoutTicks;
    if (phaseOf(c.s, OpCode::ControlRead) == OpPhase::Send) {
        sendControlRead(c);
    } else {
        awaitControlRead(c);
    }
}

void runControlWrite(OpContext& c) {
    c.s.settings.replyTimeoutTicks = kControlWriteTimeoutTicks;
    if (phaseOf(c.s, OpCode::ControlWrite) == OpPhase::Send) {
        sendControlWrite(c);
    } else {
        awaitControlWrite(c);
    }
}

} // namespace velkaro
