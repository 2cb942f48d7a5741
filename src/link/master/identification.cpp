// Address search: feeding the probe record with the addresses of the search
// range, and identifying the drive at the probed address (operation 1).

#include <algorithm>
#include <string>

#include "link/master/link_operations.h"
#include "registry/catalogue.h"
#include "registry/fixed_point.h"

namespace velkaro {

namespace {

constexpr unsigned kIdentifyTimeoutTicks = 200;
constexpr unsigned kIdentifyRetries = 3; // per step: four requests in all

constexpr uint16_t kProbeQd40 = 0x2200; // answers normally only on a QD40
constexpr uint16_t kProbeQd30 = 0x1200; // only on a QD30
constexpr uint16_t kProbeQd20 = 0x0C00; // on a QD20; a QD10 answers exception 0x02
constexpr uint16_t kRatingQd40Qd30 = 0x000D;
constexpr uint16_t kRatingQd20 = 0x0B06;
constexpr uint16_t kRatingQd10 = 0x0062;

constexpr int kLowestSearchAddress = 1;
constexpr int kHighestSearchAddress = 247;

/// A string the QD20 rating gets when its code is beyond the power table.
constexpr std::string_view kUnknownRating = "?";

/// Retries the request of `sendStep` after a timeout or an unusable answer;
/// finishes without a result at the limit.
void retryStep(LinkState& state, IdentifyStep sendStep) {
    if (state.retryCount < kIdentifyRetries) {
        ++state.retryCount;
        state.buffers.replyLength = 0;
        state.identifyStep = sendStep;
    } else {
        finishOp(state);
    }
}

void moveOn(LinkState& state, IdentifyStep next) {
    state.retryCount = 0;
    state.buffers.replyLength = 0;
    state.identifyStep = next;
}

void sendEcho(OpContext& context) {
    if (context.state.buffers.txLength == 0) {
        buildEchoTest(context.state.buffers, context.address);
        context.state.identifyStep = IdentifyStep::AwaitEcho;
    }
}

void awaitEcho(OpContext& context) {
    LinkState& state = context.state;
    switch (checkReply(state, context.address, kIdentifyTimeoutTicks)) {
    case ReplyStatus::Answered:
        // The drive returned the sub-function and the data as they were sent.
        moveOn(state, IdentifyStep::SendProbe40);
        break;
    case ReplyStatus::Exception:
    case ReplyStatus::TimedOut:
        retryStep(state, IdentifyStep::SendEcho);
        break;
    case ReplyStatus::Pending:
        break;
    }
}

void sendRead(OpContext& context, uint16_t reg, IdentifyStep next) {
    buildReadHolding(context.state.buffers, context.address, reg, 1);
    context.state.identifyStep = next;
}

enum class ProbeAnswer { None, IllegalAddress, Normal, Other };

ProbeAnswer probeAnswer(OpContext& context, IdentifyStep sendStep) {
    LinkState& state = context.state;
    switch (checkReply(state, context.address, kIdentifyTimeoutTicks)) {
    case ReplyStatus::Pending:
        return ProbeAnswer::None;
    case ReplyStatus::TimedOut:
        retryStep(state, sendStep);
        return ProbeAnswer::None;
    case ReplyStatus::Answered:
        return ProbeAnswer::Normal;
    case ReplyStatus::Exception:
        break;
    }
    return state.buffers.replyFrame[2] == kIllegalDataAddress ? ProbeAnswer::IllegalAddress
                                                              : ProbeAnswer::Other;
}

/// Steps 3 and 5: a normal answer names the series, exception 0x02 tries the
/// next probe, anything else ends the identification without a result.
void awaitProbe(OpContext& context, IdentifyStep sendStep, IdentifyStep nextProbe,
                std::string_view series) {
    switch (probeAnswer(context, sendStep)) {
    case ProbeAnswer::IllegalAddress:
        moveOn(context.state, nextProbe);
        break;
    case ProbeAnswer::Normal:
        context.state.identifiedSeries = series;
        moveOn(context.state, IdentifyStep::SendRating);
        break;
    case ProbeAnswer::Other:
        finishOp(context.state);
        break;
    case ProbeAnswer::None:
        break;
    }
}

void awaitLastProbe(OpContext& context) {
    switch (probeAnswer(context, IdentifyStep::SendProbe20)) {
    case ProbeAnswer::IllegalAddress:
        context.state.identifiedSeries = "QD10";
        moveOn(context.state, IdentifyStep::SendRating);
        break;
    case ProbeAnswer::Normal:
        context.state.identifiedSeries = "QD20";
        moveOn(context.state, IdentifyStep::SendRating);
        break;
    case ProbeAnswer::Other:
        finishOp(context.state);
        break;
    case ProbeAnswer::None:
        break;
    }
}

uint16_t ratingRegister(std::string_view series) {
    if (series == "QD20") {
        return kRatingQd20;
    }
    return series == "QD10" ? kRatingQd10 : kRatingQd40Qd30;
}

std::string ratingText(std::string_view series, uint16_t value) {
    if (series == "QD20") {
        const std::optional<int32_t> power = ratedPowerValue(value);
        return power ? formatFixed(*power, 2) : std::string(kUnknownRating);
    }
    return formatFixed(value, series == "QD10" ? 1 : 2);
}

void awaitRating(OpContext& context) {
    LinkState& state = context.state;
    switch (checkReply(state, context.address, kIdentifyTimeoutTicks)) {
    case ReplyStatus::Pending:
        return;
    case ReplyStatus::TimedOut:
        retryStep(state, IdentifyStep::SendRating);
        return;
    case ReplyStatus::Exception:
        // The bytes of an exception are its code and CRC, which would name
        // the drive with a rating it does not have.
        finishOp(state);
        return;
    case ReplyStatus::Answered:
        break;
    }
    const uint16_t value = decodeReply(state.buffers).word(0);
    const std::string addressText = std::to_string(context.address);
    const std::string rating = ratingText(state.identifiedSeries, value);
    DriveRecord& probe = *context.drive;
    probe.name = addressText + "#" + state.identifiedSeries + "-" + rating;
    probe.address = addressText;
    probe.series = state.identifiedSeries;
    probe.ratedPower = rating;
    finishOp(state);
}

} // namespace

void runIdentify(OpContext& context) {
    LinkState& state = context.state;
    state.settings.replyTimeoutTicks = kIdentifyTimeoutTicks;
    if (!state.servingProbe) {
        // Identification names the probe record, never a connected drive.
        finishOp(state);
        return;
    }
    switch (state.identifyStep) {
    case IdentifyStep::SendEcho:
        sendEcho(context);
        break;
    case IdentifyStep::AwaitEcho:
        awaitEcho(context);
        break;
    case IdentifyStep::SendProbe40:
        sendRead(context, kProbeQd40, IdentifyStep::AwaitProbe40);
        break;
    case IdentifyStep::AwaitProbe40:
        awaitProbe(context, IdentifyStep::SendProbe40, IdentifyStep::SendProbe30, "QD40");
        break;
    case IdentifyStep::SendProbe30:
        sendRead(context, kProbeQd30, IdentifyStep::AwaitProbe30);
        break;
    case IdentifyStep::AwaitProbe30:
        awaitProbe(context, IdentifyStep::SendProbe30, IdentifyStep::SendProbe20, "QD30");
        break;
    case IdentifyStep::SendProbe20:
        sendRead(context, kProbeQd20, IdentifyStep::AwaitProbe20);
        break;
    case IdentifyStep::AwaitProbe20:
        awaitLastProbe(context);
        break;
    case IdentifyStep::SendRating:
        sendRead(context, ratingRegister(state.identifiedSeries), IdentifyStep::AwaitRating);
        break;
    case IdentifyStep::AwaitRating:
        awaitRating(context);
        break;
    }
}

void feedSearch(LinkState& state) {
    if (state.search && state.searchRemaining == 0 && state.table.probeRecord.name.empty() &&
        !(state.servingProbe && state.currentOp != OpCode::None)) {
        // The last address has been tested: the caller gets the drives added.
        Outcome o = outcomeOf(state.search->id, state.search->target, Result::Confirmed);
        o.names = std::move(state.search->names);
        state.search.reset();
        deliverOutcome(state, std::move(o));
    }
    if (state.searchNextAddress == 0) {
        state.searchRemaining = 0; // start address 0 does nothing
    }
    const bool searching = state.searchNextAddress != 0 && state.searchRemaining > 0;
    if (searching && (state.searchNextAddress < kLowestSearchAddress ||
                      state.searchNextAddress > kHighestSearchAddress)) {
        // The frame carries one address byte: beyond 247 lie the reserved
        // addresses and, at 256, the broadcast address 0. The search ends.
        state.searchRemaining = 0;
    }
    if (state.searchNextAddress == 0 || state.searchRemaining == 0) {
        releaseActivity(state, ActivityState::Search);
        return;
    }
    DriveRecord& probe = state.table.probeRecord;
    if (probe.name.empty()) {
        probe.name = kProbeMarker;
        probe.address = std::to_string(state.searchNextAddress);
        probe.pendingOp = OpCode::Identify;
        --state.searchRemaining;
        ++state.searchNextAddress;
    }
    state.progress = {0, state.searchNextAddress + static_cast<int>(state.searchRemaining),
                      state.searchNextAddress};
    takeActivity(state, ActivityState::Search);
}

} // namespace velkaro
