// Export (7) and import (8): a drive's whole parameter set moved between the
// drive and parameterImage, group by group, in chunks.

#include <algorithm>
#include <cstring>

#include "link/link_operations.h"
#include "link/operator_messages.h"
#include "registry/catalogue.h"

namespace velkaro {

namespace {

constexpr unsigned kExportTimeoutTicks = 500;
constexpr unsigned kExportRetries = 10; // kept across the chunks of a group
constexpr int kExportChunk = 50;

constexpr unsigned kImportTimeoutTicks = 500;
constexpr unsigned kImportRetries = 10; // restarted by every written chunk
constexpr int kImportChunk = 10;

constexpr int kQd10Registers = 100;
constexpr int kQd30FirstGroupStored = 13; // rated power, version and password stay out
constexpr int kQd30LastExportGroup = 15;
constexpr int kQd30LastImportGroup = 14;

constexpr uint8_t kImageMarker = 0x83;
constexpr uint8_t kImageTagQd10 = 0x50;
constexpr uint8_t kImageTagQd30 = 0x70;
constexpr int kImageHeaderBytes = 4;

constexpr std::string_view kUnsupported = "对不起！该系列变频器不支持该功能";
constexpr std::string_view kWrongModel = "机型错误！请确认导入参数与变频器机型一致。";
constexpr std::string_view kImportRejected = "数据导入失败！可能是数据超出范围。";
constexpr std::string_view kImportNoAnswer = "通讯故障导致数据导入失败！";
constexpr std::string_view kExportNoAnswer = "通讯原因导致数据导出失败！";

/// Where a transfer stands this tick, from transferCursor.
struct TransferStep {
    int group = 0;
    int position = 0;
    int size = 0;      ///< registers of the current group in the image
    int lastGroup = 0; ///< the transfer ends after this group
};

int qd30StoredSize(int group) {
    if (group == 0) {
        return kQd30FirstGroupStored;
    }
    const SeriesCatalogue* catalogue = catalogueFor("QD30");
    if (catalogue == nullptr || group < 0 ||
        static_cast<std::size_t>(group) >= catalogue->groups.size()) {
        return 0;
    }
    return catalogue->groups[static_cast<std::size_t>(group)].count;
}

/// Byte offset in the image of (group, position) of a QD30 image.
int qd30ImageOffset(int group, int position) {
    int before = 0;
    for (int g = 0; g < group; ++g) {
        before += qd30StoredSize(g);
    }
    return kImageHeaderBytes + 2 * before + 2 * position;
}

TransferStep stepFromCursor(int cursor, int size, int lastGroup) {
    return {(cursor >> 8) & 0xFF, cursor & 0xFF, size, lastGroup};
}

int cursorOf(int group, int position) {
    return (group << 8) | position;
}

bool chunkFitsImage(int offset, int words) {
    return offset >= kImageHeaderBytes &&
           offset + 2 * words <= static_cast<int>(kParameterImageBytes);
}

void refuseTransfer(OpContext& c, std::string_view text) {
    c.out.message(text, kInfoCaption);
    c.s.transferBusy = false;
    finishOp(c.s);
}

// ---------------------------------------------------------------- export

void failExport(OpContext& c) {
    LinkState& s = c.s;
    finishOp(s);
    s.transferCursor = 0;
    s.groupReadCount = 0;
    c.out.message(kExportNoAnswer, kInfoCaption);
    releaseActivity(s, ActivityState::Export);
    s.transferBusy = false;
}

/// The image is whole: hand it to the file once the lock is released;
/// transferBusy is given back after the file has been written.
void completeExport(OpContext& c, bool byGroup, const TransferStep& step) {
    LinkState& s = c.s;
    s.progress.position = byGroup ? step.group : step.position;
    releaseActivity(s, ActivityState::Export);
    finishOp(s);
    s.transferCursor = 0;
    c.out.items.push_back({TickOutcome::Kind::WriteExportFile, {}, {}});
    c.out.exportImage = s.parameterImage;
    c.out.exportLength = s.imageLength;
    c.out.exportPath = s.parameterFilePath;
}

void sendExportChunk(OpContext& c, const TransferStep& step) {
    LinkState& s = c.s;
    const int n = std::min(step.size - step.position, kExportChunk);
    if (n <= 0 || !chunkFitsImage(s.imageLength, n)) {
        failExport(c);
        return;
    }
    buildReadHolding(s.buffers, c.address, static_cast<uint16_t>(s.transferCursor),
                     static_cast<uint8_t>(n));
    phaseOf(s, OpCode::Export) = OpPhase::Await;
}

/// A usable chunk answer: function 0x03 with exactly the words asked for, all
/// of them in the frame.
bool exportChunkUsable(const LinkBuffers& b, const DecodedReply& reply) {
    const unsigned requested = b.txFrame[5];
    return reply.is(kReadHoldingRegisters) && reply.byteCount / 2u == requested &&
           reply.words() >= requested;
}

void storeExportChunk(OpContext& c, bool byGroup, TransferStep step, const DecodedReply& reply) {
    LinkState& s = c.s;
    const int words = s.buffers.txFrame[5];
    if (!chunkFitsImage(s.imageLength, words)) {
        failExport(c);
        return;
    }
    std::memcpy(s.parameterImage.data() + s.imageLength, reply.data.data(),
                2 * static_cast<std::size_t>(words));
    s.imageLength += 2 * words;
    step.position += words;
    s.buffers.replyLength = 0;
    if (step.position < step.size) {
        s.transferCursor = cursorOf(step.group, step.position);
        phaseOf(s, OpCode::Export) = OpPhase::Send;
    } else if (step.group < step.lastGroup) {
        s.transferCursor = cursorOf(step.group + 1, 0);
        s.retryCount = 0;
        phaseOf(s, OpCode::Export) = OpPhase::Send;
    } else {
        completeExport(c, byGroup, step);
    }
}

void awaitExportChunk(OpContext& c, bool byGroup, const TransferStep& step) {
    LinkState& s = c.s;
    const DecodedReply reply = decodeReply(s.buffers);
    switch (checkReply(s, c.address, kExportTimeoutTicks)) {
    case ReplyStatus::Answered:
        if (exportChunkUsable(s.buffers, reply)) {
            storeExportChunk(c, byGroup, step, reply);
        } else if (!retryOrFinish(s, OpCode::Export, kExportRetries)) {
            // An exception or a wrong count: asked again, but not for ever.
            failExport(c);
        }
        break;
    case ReplyStatus::TimedOut:
        if (!retryOrFinish(s, OpCode::Export, kExportRetries)) {
            failExport(c);
        }
        break;
    case ReplyStatus::Pending:
        break;
    }
}

// ---------------------------------------------------------------- import

void endImport(OpContext& c, std::string_view failure) {
    LinkState& s = c.s;
    c.out.message(failure, kInfoCaption);
    s.progress.position = 0;
    releaseActivity(s, ActivityState::Import);
    s.transferBusy = false;
    s.transferCursor = 0;
    finishOp(s);
}

void completeImport(OpContext& c, DriveRecord& selected) {
    LinkState& s = c.s;
    s.progress.position = s.progress.maximum;
    // Store the new set in the drive's EEPROM, then show the group read back.
    selected.controlSet[9] = 1;
    selected.pendingOp = OpCode::GroupRead;
    s.transferCursor = 0;
    finishOp(s);
    releaseActivity(s, ActivityState::Import);
    s.transferBusy = false;
}

void sendImportChunk(OpContext& c, const TransferStep& step) {
    LinkState& s = c.s;
    const int n = std::min(step.size - step.position, kImportChunk);
    if (n <= 0 || !chunkFitsImage(s.imageLength, n)) {
        endImport(c, kImportNoAnswer);
        return;
    }
    std::array<uint16_t, kImportChunk> words{};
    for (int i = 0; i < n; ++i) {
        const std::size_t at =
            static_cast<std::size_t>(s.imageLength) + 2 * static_cast<std::size_t>(i);
        words[static_cast<std::size_t>(i)] =
            decodeUnsigned(s.parameterImage[at], s.parameterImage[at + 1]);
    }
    buildWriteMultiple(s.buffers, c.address, static_cast<uint16_t>(s.transferCursor), words.data(),
                       static_cast<uint8_t>(n));
    phaseOf(s, OpCode::Import) = OpPhase::Await;
}

void advanceImport(OpContext& c, DriveRecord& selected, TransferStep step) {
    LinkState& s = c.s;
    step.position += s.buffers.txFrame[5];
    s.buffers.replyLength = 0;
    s.retryCount = 0;
    if (step.position < step.size) {
        s.transferCursor = cursorOf(step.group, step.position);
        phaseOf(s, OpCode::Import) = OpPhase::Send;
    } else if (step.group < step.lastGroup) {
        s.transferCursor = cursorOf(step.group + 1, 0);
        phaseOf(s, OpCode::Import) = OpPhase::Send;
    } else {
        completeImport(c, selected);
    }
}

void awaitImportChunk(OpContext& c, DriveRecord& selected, const TransferStep& step) {
    LinkState& s = c.s;
    const DecodedReply reply = decodeReply(s.buffers);
    switch (checkReply(s, c.address, kImportTimeoutTicks)) {
    case ReplyStatus::Answered:
        if (!reply.exception) {
            // Written when the drive's write reply echoes the chunk's start.
            const uint16_t start = decodeUnsigned(s.buffers.txFrame[2], s.buffers.txFrame[3]);
            if (reply.is(kWriteMultipleRegisters) && reply.echoed && reply.echoFirst == start) {
                advanceImport(c, selected, step);
            } else if (!retryOrFinish(s, OpCode::Import, kImportRetries)) {
                endImport(c, kImportNoAnswer);
            }
        } else if (reply.exceptionCode == kServerDeviceFailure) {
            advanceImport(c, selected, step);
        } else {
            endImport(c, kImportRejected);
        }
        break;
    case ReplyStatus::TimedOut:
        if (!retryOrFinish(s, OpCode::Import, kImportRetries)) {
            endImport(c, kImportNoAnswer);
        }
        break;
    case ReplyStatus::Pending:
        break;
    }
}

} // namespace

void runExport(OpContext& c) {
    LinkState& s = c.s;
    s.settings.replyTimeoutTicks = kExportTimeoutTicks;
    const DriveRecord* selected = selectedDrive(s);
    if (selected == nullptr) {
        releaseTransfer(s, OpCode::Export, c.out);
        finishOp(s);
        return;
    }
    TransferStep step;
    const bool byGroup = selected->series == "QD30";
    if (selected->series == "QD10") {
        step = stepFromCursor(s.transferCursor, kQd10Registers, 0);
        s.parameterImage[1] = kImageTagQd10;
        s.imageLength = kImageHeaderBytes + 2 * step.position;
        s.progress = {0, kQd10Registers, step.position};
    } else if (byGroup) {
        step = stepFromCursor(s.transferCursor, 0, kQd30LastExportGroup);
        step.size = qd30StoredSize(step.group);
        s.parameterImage[1] = kImageTagQd30;
        s.imageLength = qd30ImageOffset(step.group, step.position);
        s.progress = {0, kQd30LastExportGroup, step.group};
    } else {
        refuseTransfer(c, kUnsupported);
        return;
    }
    s.parameterImage[0] = kImageMarker;
    if (step.group > step.lastGroup) {
        failExport(c);
        return;
    }
    takeActivity(s, ActivityState::Export);
    if (phaseOf(s, OpCode::Export) == OpPhase::Send) {
        sendExportChunk(c, step);
    } else {
        awaitExportChunk(c, byGroup, step);
    }
}

void runImport(OpContext& c) {
    LinkState& s = c.s;
    s.settings.replyTimeoutTicks = kImportTimeoutTicks;
    DriveRecord* selected = selectedDrive(s);
    if (selected == nullptr) {
        releaseTransfer(s, OpCode::Import, c.out);
        finishOp(s);
        return;
    }
    if (selected->series != "QD30") {
        refuseTransfer(c, kUnsupported);
        return;
    }
    TransferStep step = stepFromCursor(s.transferCursor, 0, kQd30LastImportGroup);
    step.size = qd30StoredSize(step.group);
    s.imageLength = qd30ImageOffset(step.group, step.position);
    if (s.parameterImage[1] != kImageTagQd30) {
        releaseActivity(s, ActivityState::Import);
        refuseTransfer(c, kWrongModel);
        return;
    }
    if (step.group > step.lastGroup) {
        endImport(c, kImportNoAnswer);
        return;
    }
    s.progress = {0, kQd30LastExportGroup, step.group};
    takeActivity(s, ActivityState::Import);
    if (phaseOf(s, OpCode::Import) == OpPhase::Send) {
        sendImportChunk(c, step);
    } else {
        awaitImportChunk(c, *selected, step);
    }
}

} // namespace velkaro
