// Export (7) and import (8): a drive's whole parameter set moved between the
// drive and the transfer's image, group by group, in chunks.

#include <algorithm>
#include <cstring>

#include "link/master/link_operations.h"
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

constexpr std::string_view kImportRejected = "数据导入失败！可能是数据超出范围。";
constexpr std::string_view kImportNoAnswer = "通讯故障导致数据导入失败！";
constexpr std::string_view kExportNoAnswer = "通讯原因导致数据导出失败！";

/// Where a transfer stands this tick, from its cursor.
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

/// The running transfer of `kind` for the served drive, or null.
TransferJob* transferFor(OpContext& c, TransferJob::Kind kind) {
    LinkState& s = c.s;
    if (!s.transfer || s.transfer->kind != kind || s.transfer->target.slot != c.slot) {
        return nullptr;
    }
    return &*s.transfer;
}

// ---------------------------------------------------------------- export

void failExport(OpContext& c, uint8_t exception = 0) {
    finishOp(c.s);
    endTransfer(c.s, exception != 0 ? Result::Refused : Result::TimedOut,
                std::string(kExportNoAnswer), exception);
}

/// The image is whole: the caller gets it and writes the file.
void completeExport(OpContext& c, bool byGroup, const TransferStep& step) {
    LinkState& s = c.s;
    s.progress.position = byGroup ? step.group : step.position;
    finishOp(s);
    endTransfer(s, Result::Confirmed, {});
}

void sendExportChunk(OpContext& c, TransferJob& t, const TransferStep& step) {
    const int n = std::min(step.size - step.position, kExportChunk);
    if (n <= 0 || !chunkFitsImage(t.imageLength, n)) {
        failExport(c);
        return;
    }
    buildReadHolding(c.s.buffers, c.address, static_cast<uint16_t>(t.cursor),
                     static_cast<uint8_t>(n));
    phaseOf(c.s, OpCode::Export) = OpPhase::Await;
}

void storeExportChunk(OpContext& c, TransferJob& t, bool byGroup, TransferStep step) {
    LinkState& s = c.s;
    const DecodedReply reply = decodeReply(s.buffers);
    const int words = static_cast<int>(reply.words());
    if (!chunkFitsImage(t.imageLength, words)) {
        failExport(c);
        return;
    }
    std::memcpy(t.image.data() + t.imageLength, reply.data.data(),
                2 * static_cast<std::size_t>(words));
    t.imageLength += 2 * words;
    step.position += words;
    s.buffers.replyLength = 0;
    if (step.position < step.size) {
        t.cursor = cursorOf(step.group, step.position);
        phaseOf(s, OpCode::Export) = OpPhase::Send;
    } else if (step.group < step.lastGroup) {
        t.cursor = cursorOf(step.group + 1, 0);
        s.retryCount = 0;
        phaseOf(s, OpCode::Export) = OpPhase::Send;
    } else {
        completeExport(c, byGroup, step);
    }
}

void awaitExportChunk(OpContext& c, TransferJob& t, bool byGroup, const TransferStep& step) {
    LinkState& s = c.s;
    switch (checkReply(s, c.address, kExportTimeoutTicks)) {
    case ReplyStatus::Answered:
        storeExportChunk(c, t, byGroup, step);
        break;
    case ReplyStatus::Exception:
        // The drive will not give these registers: asking again is no use.
        failExport(c, s.buffers.replyFrame[2]);
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

void failImport(OpContext& c, Result result, std::string_view message, uint8_t exception = 0) {
    c.s.progress.position = 0;
    finishOp(c.s);
    endTransfer(c.s, result, std::string(message), exception);
}

/// Every chunk written: the drive stores the new set in its EEPROM (the
/// import's outcome is the store's), after the group read back, if asked.
void completeImport(OpContext& c, TransferJob& t) {
    LinkState& s = c.s;
    s.progress.position = s.progress.maximum;
    releaseActivity(s, ActivityState::Import);
    SlotWork& w = s.work[static_cast<std::size_t>(c.slot)];
    const int size = readSize(c.drive->series, t.readBackGroup);
    if (t.readBackGroup >= 0 && size > 0) {
        ReadJob read;
        read.id = t.id;
        read.target = t.target;
        read.first = registerOf(t.readBackGroup, 0);
        read.count = size;
        read.group = t.readBackGroup;
        read.owner = ReadJob::Owner::Import;
        w.reads.push_back(std::move(read));
        c.drive->pendingOp = OpCode::GroupRead;
    }
    queueCommand(s, CommandJob{t.id, t.target, Command::store(), 0, t.writtenRegisters, {}});
    s.transfer.reset();
    finishOp(s);
}

void sendImportChunk(OpContext& c, TransferJob& t, const TransferStep& step) {
    LinkState& s = c.s;
    const int n = std::min(step.size - step.position, kImportChunk);
    if (n <= 0 || !chunkFitsImage(t.imageLength, n)) {
        failImport(c, Result::TimedOut, kImportNoAnswer);
        return;
    }
    std::array<uint16_t, kImportChunk> words{};
    for (int i = 0; i < n; ++i) {
        const std::size_t at =
            static_cast<std::size_t>(t.imageLength) + 2 * static_cast<std::size_t>(i);
        words[static_cast<std::size_t>(i)] = decodeUnsigned(t.image[at], t.image[at + 1]);
    }
    buildWriteMultiple(s.buffers, c.address, static_cast<uint16_t>(t.cursor), words.data(),
                       static_cast<uint8_t>(n));
    phaseOf(s, OpCode::Import) = OpPhase::Await;
}

void advanceImport(OpContext& c, TransferJob& t, TransferStep step) {
    LinkState& s = c.s;
    const int written = s.buffers.txFrame[5];
    step.position += written;
    t.writtenRegisters += static_cast<std::size_t>(written);
    s.buffers.replyLength = 0;
    s.retryCount = 0;
    if (step.position < step.size) {
        t.cursor = cursorOf(step.group, step.position);
        phaseOf(s, OpCode::Import) = OpPhase::Send;
    } else if (step.group < step.lastGroup) {
        t.cursor = cursorOf(step.group + 1, 0);
        phaseOf(s, OpCode::Import) = OpPhase::Send;
    } else {
        completeImport(c, t);
    }
}

void awaitImportChunk(OpContext& c, TransferJob& t, const TransferStep& step) {
    LinkState& s = c.s;
    switch (checkReply(s, c.address, kImportTimeoutTicks)) {
    case ReplyStatus::Answered:
        advanceImport(c, t, step);
        break;
    case ReplyStatus::Exception: {
        const uint8_t code = s.buffers.replyFrame[2];
        if (code == kServerDeviceFailure) {
            // The drives answer a chunk they took while busy this way.
            advanceImport(c, t, step);
        } else {
            failImport(c, Result::Refused, kImportRejected, code);
        }
        break;
    }
    case ReplyStatus::TimedOut:
        if (!retryOrFinish(s, OpCode::Import, kImportRetries)) {
            failImport(c, Result::TimedOut, kImportNoAnswer);
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
    TransferJob* t = transferFor(c, TransferJob::Kind::Export);
    if (t == nullptr) {
        finishOp(s);
        return;
    }
    TransferStep step;
    const bool byGroup = c.drive->series == "QD30";
    if (c.drive->series == "QD10") {
        step = stepFromCursor(t->cursor, kQd10Registers, 0);
        t->image[1] = kImageTagQd10;
        t->imageLength = kImageHeaderBytes + 2 * step.position;
        s.progress = {0, kQd10Registers, step.position};
    } else if (byGroup) {
        step = stepFromCursor(t->cursor, 0, kQd30LastExportGroup);
        step.size = qd30StoredSize(step.group);
        t->image[1] = kImageTagQd30;
        t->imageLength = qd30ImageOffset(step.group, step.position);
        s.progress = {0, kQd30LastExportGroup, step.group};
    } else {
        finishOp(s);
        endTransfer(s, Result::Refused, std::string(kUnsupportedSeries));
        return;
    }
    t->image[0] = kImageMarker;
    t->started = true;
    if (step.group > step.lastGroup) {
        failExport(c);
        return;
    }
    if (t->cancelAsked && phaseOf(s, OpCode::Export) == OpPhase::Send) {
        finishOp(s);
        endTransfer(s, Result::Cancelled, std::string(kExportCut));
        return;
    }
    takeActivity(s, ActivityState::Export);
    if (phaseOf(s, OpCode::Export) == OpPhase::Send) {
        sendExportChunk(c, *t, step);
    } else {
        awaitExportChunk(c, *t, byGroup, step);
    }
}

void runImport(OpContext& c) {
    LinkState& s = c.s;
    s.settings.replyTimeoutTicks = kImportTimeoutTicks;
    TransferJob* t = transferFor(c, TransferJob::Kind::Import);
    if (t == nullptr) {
        finishOp(s);
        return;
    }
    if (c.drive->series != "QD30") {
        finishOp(s);
        endTransfer(s, Result::Refused, std::string(kUnsupportedSeries));
        return;
    }
    t->started = true;
    TransferStep step = stepFromCursor(t->cursor, 0, kQd30LastImportGroup);
    step.size = qd30StoredSize(step.group);
    t->imageLength = qd30ImageOffset(step.group, step.position);
    if (step.group > step.lastGroup) {
        failImport(c, Result::TimedOut, kImportNoAnswer);
        return;
    }
    if (t->cancelAsked && phaseOf(s, OpCode::Import) == OpPhase::Send) {
        // What was written stays written; the caller is told how much.
        failImport(c, Result::Cancelled, kImportCut);
        return;
    }
    s.progress = {0, kQd30LastExportGroup, step.group};
    takeActivity(s, ActivityState::Import);
    if (phaseOf(s, OpCode::Import) == OpPhase::Send) {
        sendImportChunk(c, *t, step);
    } else {
        awaitImportChunk(c, *t, step);
    }
}

} // namespace velkaro
