// Status read (2), control read (3) and control write (4): the operations on a
// drive's status block 0x3210..0x321F and control block 0x3200..0x3209.

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

#include "registry/fixed_point.h"
#include "link/link_operations.h"
#include "link/operator_messages.h"

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
constexpr std::size_t kStoreFrameBytes = 11; // one register at 0x3209
constexpr unsigned kRefusalsBeforeNotice = 3;

/// The command words the station writes, by the names the operator knows.
constexpr std::pair<uint16_t, std::string_view> kCommandNames[] = {
    {0x001F, "运行"},     {0x081F, "反转"},     {0x001E, "停机"},     {0x001C, "自由停机"},
    {0x001A, "紧急停机"}, {0x009E, "故障复位"}, {0x011E, "正向点动"}, {0x021E, "反向点动"},
};
constexpr std::string_view kFrequencyName = "给定频率";
constexpr std::string_view kStoreName = "存储到EEPROM";

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
    const DecodedReply reply = decodeReply(s.buffers);
    switch (checkReply(s, c.address, kStatusReadTimeoutTicks)) {
    case ReplyStatus::Answered:
        setOnline(s, *c.drive, 1);
        // A short answer (an exception, a truncated frame) still proves the
        // drive is there, but its words are not in the frame: keep the old ones.
        if (reply.words() >= kStatusWords) {
            for (unsigned i = 0; i < kStatusWords; ++i) {
                c.drive->status[i] = reply.signedWord(i);
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
    const DecodedReply reply = decodeReply(s.buffers);
    switch (checkReply(s, c.address, kControlReadTimeoutTicks)) {
    case ReplyStatus::Answered:
        if (reply.words() >= kControlWords) {
            for (unsigned j = 0; j < kControlWords; ++j) {
                c.drive->controlSet[j] = reply.signedWord(j);
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

/// The reply answers the control write still in txFrame: a write-multiple
/// reply that echoes the request's start register and register count (the
/// block frame's header says 4 at 0x3200, the store 1 at 0x3209).
bool controlWriteEchoed(const LinkBuffers& b, const DecodedReply& reply) {
    return reply.is(kWriteMultipleRegisters) && reply.echoed &&
           reply.echoFirst == decodeUnsigned(b.txFrame[2], b.txFrame[3]) &&
           reply.echoSecond == decodeUnsigned(b.txFrame[4], b.txFrame[5]);
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

std::string hexWord(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::string commandName(uint16_t word) {
    for (const auto& [value, name] : kCommandNames) {
        if (value == word) {
            return std::string(name);
        }
    }
    return "命令字 " + hexWord(word, 4);
}

/// What the refused request in txFrame asked of the drive: the words it
/// carried that the drive does not hold yet, by name.
std::string refusedCommands(const LinkBuffers& b, const DriveRecord& drive) {
    if (decodeUnsigned(b.txFrame[2], b.txFrame[3]) == kStoreRegister) {
        return std::string(kStoreName);
    }
    std::string names;
    const auto add = [&names](const std::string& name) {
        names += names.empty() ? name : "、" + name;
    };
    // Word 9 goes out as 0 in the block: only the store frame asks for a store.
    for (std::size_t j = 0; j + 1 < kControlWords; ++j) {
        const uint16_t sent = decodeUnsigned(b.txFrame[7 + 2 * j], b.txFrame[8 + 2 * j]);
        if (sent == static_cast<uint16_t>(drive.controlAck[j])) {
            continue;
        }
        if (j == 0) {
            add(commandName(sent));
        } else if (j == 1) {
            add(std::string(kFrequencyName) + " " + formatFixed(sent, 2) + "Hz");
        } else {
            add("寄存器 " + hexWord(static_cast<unsigned>(kControlBlock + j), 4) + "=" +
                hexWord(sent, 4));
        }
    }
    return names.empty() ? commandName(decodeUnsigned(b.txFrame[7], b.txFrame[8])) : names;
}

/// The drive answered the control write in txFrame with something else than
/// its echo. Three refusals in a row of the same request tell the operator,
/// once, without holding up the tick; the words stay unconfirmed so change
/// detection sends them again.
void noteControlRefusal(OpContext& c, const DecodedReply& reply) {
    LinkState& s = c.s;
    const LinkBuffers& b = s.buffers;
    const auto slot = c.drive - s.table.slots.data();
    if (slot < 0 || slot >= kMaxDrives) {
        return;
    }
    ControlRefusals& refusals = s.controlRefusals[static_cast<std::size_t>(slot)];
    const bool store = decodeUnsigned(b.txFrame[2], b.txFrame[3]) == kStoreRegister;
    const std::size_t length = store ? kStoreFrameBytes : kControlBlockFrameBytes;
    std::array<uint8_t, kControlBlockFrameBytes> request{};
    std::copy_n(b.txFrame.begin(), length, request.begin());
    if (request != refusals.request) {
        refusals = ControlRefusals{request, 0, false};
    }
    ++refusals.count;
    if (refusals.count < kRefusalsBeforeNotice || refusals.told) {
        return;
    }
    refusals.told = true;
    std::string text =
        "变频器 " + c.drive->name + " 连续三次拒绝了命令：" + refusedCommands(b, *c.drive);
    if (reply.exceptionCode != 0) {
        text += "（异常代码 " + hexWord(reply.exceptionCode, 2) + "）";
    }
    c.out.notice(text + "。", kInfoCaption);
}

void forgetControlRefusals(OpContext& c) {
    const auto slot = c.drive - c.s.table.slots.data();
    if (slot >= 0 && slot < kMaxDrives) {
        c.s.controlRefusals[static_cast<std::size_t>(slot)] = ControlRefusals{};
    }
}

void awaitControlWrite(OpContext& c) {
    LinkState& s = c.s;
    const DecodedReply reply = decodeReply(s.buffers);
    switch (checkReply(s, c.address, kControlWriteTimeoutTicks)) {
    case ReplyStatus::Answered:
        if (controlWriteEchoed(s.buffers, reply)) {
            confirmControlWrite(s.buffers, *c.drive);
            forgetControlRefusals(c);
        } else {
            noteControlRefusal(c, reply);
        }
        finishOp(s);
        break;
    case ReplyStatus::TimedOut:
        // No retry here, and not a refusal: change detection queues the write
        // again while the wanted and confirmed words differ.
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
