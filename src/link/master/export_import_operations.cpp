// Export (7) and import (8): a drive's whole parameter set moved between the
// drive and the transfer's image, group by group, in chunks.

#include <algorithm>
#include <cstring>

#include "link/master/link_operations.h"
#include "registry/catalogue.h"
#include "registry/language.h"

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

constexpr int kImageHeaderBytes = 4;

constexpr std::string_view kImportRejected =
    VELKARO_TRANSLATE_NOOP("OperatorMessages", "数据导入失败！可能是数据超出范围。");
constexpr std::string_view kImportNoAnswer =
    VELKARO_TRANSLATE_NOOP("OperatorMessages", "通讯故障导致数据导入失败！");
constexpr std::string_view kExportNoAnswer =
    VELKARO_TRANSLATE_NOOP("OperatorMessages", "通讯原因导致数据导出失败！");

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
TransferJob* transferFor(OpContext& context, TransferJob::Kind kind) {
    LinkState& state = context.state;
    if (!state.transfer || state.transfer->kind != kind ||
        state.transfer->target.slot != context.slot) {
        return nullptr;
    }
    return &*state.transfer;
}

// ---------------------------------------------------------------- export

void failExport(OpContext& context, uint8_t exception = 0) {
    finishOp(context.state);
    endTransfer(context.state, exception != 0 ? Result::Refused : Result::TimedOut,
                std::string(kExportNoAnswer), exception);
}

/// The image is whole: the caller gets it and writes the file.
void completeExport(OpContext& context, bool byGroup, const TransferStep& step) {
    LinkState& state = context.state;
    state.progress.position = byGroup ? step.group : step.position;
    finishOp(state);
    endTransfer(state, Result::Confirmed, {});
}

void sendExportChunk(OpContext& context, TransferJob& job, const TransferStep& step) {
    const int n = std::min(step.size - step.position, kExportChunk);
    if (n <= 0 || !chunkFitsImage(job.imageLength, n)) {
        failExport(context);
        return;
    }
    buildReadHolding(context.state.buffers, context.address, static_cast<uint16_t>(job.cursor),
                     static_cast<uint8_t>(n));
    phaseOf(context.state, OpCode::Export) = OpPhase::Await;
}

void storeExportChunk(OpContext& context, TransferJob& job, bool byGroup, TransferStep step) {
    LinkState& state = context.state;
    const DecodedReply reply = decodeReply(state.buffers);
    const int words = static_cast<int>(reply.words());
    if (!chunkFitsImage(job.imageLength, words)) {
        failExport(context);
        return;
    }
    std::memcpy(job.image.data() + job.imageLength, reply.data.data(),
                2 * static_cast<std::size_t>(words));
    job.imageLength += 2 * words;
    step.position += words;
    state.buffers.replyLength = 0;
    if (step.position < step.size) {
        job.cursor = cursorOf(step.group, step.position);
        phaseOf(state, OpCode::Export) = OpPhase::Send;
    } else if (step.group < step.lastGroup) {
        job.cursor = cursorOf(step.group + 1, 0);
        state.retryCount = 0;
        phaseOf(state, OpCode::Export) = OpPhase::Send;
    } else {
        completeExport(context, byGroup, step);
    }
}

void awaitExportChunk(OpContext& context, TransferJob& job, bool byGroup,
                      const TransferStep& step) {
    LinkState& state = context.state;
    switch (checkReply(state, context.address, kExportTimeoutTicks)) {
    case ReplyStatus::Answered:
        storeExportChunk(context, job, byGroup, step);
        break;
    case ReplyStatus::Exception:
        // The drive will not give these registers: asking again is no use.
        failExport(context, state.buffers.replyFrame[2]);
        break;
    case ReplyStatus::TimedOut:
        if (!retryOrFinish(state, OpCode::Export, kExportRetries)) {
            failExport(context);
        }
        break;
    case ReplyStatus::Pending:
        break;
    }
}

// ---------------------------------------------------------------- import

void failImport(OpContext& context, Result result, std::string_view message,
                uint8_t exception = 0) {
    context.state.progress.position = 0;
    finishOp(context.state);
    endTransfer(context.state, result, std::string(message), exception);
}

/// Every chunk written: the drive stores the new set in its EEPROM (the
/// import's outcome is the store's), after the group read back, if asked.
void completeImport(OpContext& context, TransferJob& job) {
    LinkState& state = context.state;
    state.progress.position = state.progress.maximum;
    releaseActivity(state, ActivityState::Import);
    SlotWork& w = state.work[static_cast<std::size_t>(context.slot)];
    const int size = readSize(context.drive->series, job.readBackGroup);
    if (job.readBackGroup >= 0 && size > 0) {
        ReadJob read;
        read.id = job.id;
        read.target = job.target;
        read.first = registerOf(job.readBackGroup, 0);
        read.count = size;
        read.group = job.readBackGroup;
        read.owner = ReadJob::Owner::Import;
        w.reads.push_back(std::move(read));
        context.drive->pendingOp = OpCode::GroupRead;
    }
    queueCommand(state,
                 CommandJob{job.id, job.target, Command::store(), 0, job.writtenRegisters, {}});
    state.transfer.reset();
    finishOp(state);
}

void sendImportChunk(OpContext& context, TransferJob& job, const TransferStep& step) {
    LinkState& state = context.state;
    const int n = std::min(step.size - step.position, kImportChunk);
    if (n <= 0 || !chunkFitsImage(job.imageLength, n)) {
        failImport(context, Result::TimedOut, kImportNoAnswer);
        return;
    }
    std::array<uint16_t, kImportChunk> words{};
    for (int i = 0; i < n; ++i) {
        const std::size_t at =
            static_cast<std::size_t>(job.imageLength) + 2 * static_cast<std::size_t>(i);
        words[static_cast<std::size_t>(i)] = decodeUnsigned(job.image[at], job.image[at + 1]);
    }
    buildWriteMultiple(state.buffers, context.address, static_cast<uint16_t>(job.cursor),
                       words.data(), static_cast<uint8_t>(n));
    phaseOf(state, OpCode::Import) = OpPhase::Await;
}

void advanceImport(OpContext& context, TransferJob& job, TransferStep step) {
    LinkState& state = context.state;
    const int written = state.buffers.txFrame[5];
    step.position += written;
    job.writtenRegisters += static_cast<std::size_t>(written);
    state.buffers.replyLength = 0;
    state.retryCount = 0;
    if (step.position < step.size) {
        job.cursor = cursorOf(step.group, step.position);
        phaseOf(state, OpCode::Import) = OpPhase::Send;
    } else if (step.group < step.lastGroup) {
        job.cursor = cursorOf(step.group + 1, 0);
        phaseOf(state, OpCode::Import) = OpPhase::Send;
    } else {
        completeImport(context, job);
    }
}

void awaitImportChunk(OpContext& context, TransferJob& job, const TransferStep& step) {
    LinkState& state = context.state;
    switch (checkReply(state, context.address, kImportTimeoutTicks)) {
    case ReplyStatus::Answered:
        advanceImport(context, job, step);
        break;
    case ReplyStatus::Exception: {
        const uint8_t code = state.buffers.replyFrame[2];
        if (code == kServerDeviceFailure) {
            // The drives answer a chunk they took while busy this way.
            advanceImport(context, job, step);
        } else {
            failImport(context, Result::Refused, kImportRejected, code);
        }
        break;
    }
    case ReplyStatus::TimedOut:
        if (!retryOrFinish(state, OpCode::Import, kImportRetries)) {
            failImport(context, Result::TimedOut, kImportNoAnswer);
        }
        break;
    case ReplyStatus::Pending:
        break;
    }
}

} // namespace

void runExport(OpContext& context) {
    LinkState& state = context.state;
    state.settings.replyTimeoutTicks = kExportTimeoutTicks;
    TransferJob* job = transferFor(context, TransferJob::Kind::Export);
    if (job == nullptr) {
        finishOp(state);
        return;
    }
    TransferStep step;
    const bool byGroup = context.drive->series == "QD30";
    if (context.drive->series == "QD10") {
        step = stepFromCursor(job->cursor, kQd10Registers, 0);
        job->image[1] = kImageTagQd10;
        job->imageLength = kImageHeaderBytes + 2 * step.position;
        state.progress = {0, kQd10Registers, step.position};
    } else if (byGroup) {
        step = stepFromCursor(job->cursor, 0, kQd30LastExportGroup);
        step.size = qd30StoredSize(step.group);
        job->image[1] = kImageTagQd30;
        job->imageLength = qd30ImageOffset(step.group, step.position);
        state.progress = {0, kQd30LastExportGroup, step.group};
    } else {
        finishOp(state);
        endTransfer(state, Result::Refused, std::string(kUnsupportedSeries));
        return;
    }
    job->image[0] = kImageMarker;
    job->started = true;
    if (step.group > step.lastGroup) {
        failExport(context);
        return;
    }
    if (job->cancelAsked && phaseOf(state, OpCode::Export) == OpPhase::Send) {
        finishOp(state);
        endTransfer(state, Result::Cancelled, std::string(kExportCut));
        return;
    }
    takeActivity(state, ActivityState::Export);
    if (phaseOf(state, OpCode::Export) == OpPhase::Send) {
        sendExportChunk(context, *job, step);
    } else {
        awaitExportChunk(context, *job, byGroup, step);
    }
}

void runImport(OpContext& context) {
    LinkState& state = context.state;
    state.settings.replyTimeoutTicks = kImportTimeoutTicks;
    TransferJob* job = transferFor(context, TransferJob::Kind::Import);
    if (job == nullptr) {
        finishOp(state);
        return;
    }
    if (context.drive->series != "QD30") {
        finishOp(state);
        endTransfer(state, Result::Refused, std::string(kUnsupportedSeries));
        return;
    }
    job->started = true;
    TransferStep step = stepFromCursor(job->cursor, 0, kQd30LastImportGroup);
    step.size = qd30StoredSize(step.group);
    job->imageLength = qd30ImageOffset(step.group, step.position);
    if (step.group > step.lastGroup) {
        failImport(context, Result::TimedOut, kImportNoAnswer);
        return;
    }
    if (job->cancelAsked && phaseOf(state, OpCode::Import) == OpPhase::Send) {
        // What was written stays written; the caller is told how much.
        failImport(context, Result::Cancelled, kImportCut);
        return;
    }
    state.progress = {0, kQd30LastExportGroup, step.group};
    takeActivity(state, ActivityState::Import);
    if (phaseOf(state, OpCode::Import) == OpPhase::Send) {
        sendImportChunk(context, *job, step);
    } else {
        awaitImportChunk(context, *job, step);
    }
}

} // namespace velkaro
