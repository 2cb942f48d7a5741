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
void retryStep(LinkState& s, IdentifyStep sendStep) {
    if (s.retryCount < kIdentifyRetries) {
        ++s.retryCount;
        s.buffers.replyLength = 0;
        s.identifyStep = sendStep;
    } else {
        finishOp(s);
    }
}

void moveOn(LinkState& s, IdentifyStep next) {
    s.retryCount = 0;
    s.buffers.replyLength = 0;
    s.identifyStep = next;
}

void sendEcho(OpContext& c) {
    if (c.s.buffers.txLength == 0) {
        buildEchoTest(c.s.buffers, c.address);
        c.s.identifyStep = IdentifyStep::AwaitEcho;
    }
}

void awaitEcho(OpContext& c) {
    LinkState& s = c.s;
    switch (checkReply(s, c.address, kIdentifyTimeoutTicks)) {
    case ReplyStatus::Answered:
        // The drive returned the sub-function and the data as they were sent.
        moveOn(s, IdentifyStep::SendProbe40);
        break;
    case ReplyStatus::Exception:
    case ReplyStatus::TimedOut:
        retryStep(s, IdentifyStep::SendEcho);
        break;
    case ReplyStatus::Pending:
        break;
    }
}

void sendRead(OpContext& c, uint16_t reg, IdentifyStep next) {
    buildReadHolding(c.s.buffers, c.address, reg, 1);
    c.s.identifyStep = next;
}

enum class ProbeAnswer { None, IllegalAddress, Normal, Other };

ProbeAnswer probeAnswer(OpContext& c, IdentifyStep sendStep) {
    LinkState& s = c.s;
    switch (checkReply(s, c.address, kIdentifyTimeoutTicks)) {
    case ReplyStatus::Pending:
        return ProbeAnswer::None;
    case ReplyStatus::TimedOut:
        retryStep(s, sendStep);
        return ProbeAnswer::None;
    case ReplyStatus::Answered:
        return ProbeAnswer::Normal;
    case ReplyStatus::Exception:
        break;
    }
    return s.buffers.replyFrame[2] == kIllegalDataAddress ? ProbeAnswer::IllegalAddress
                                                          : ProbeAnswer::Other;
}

/// Steps 3 and 5: a normal answer names the series, exception 0x02 tries the
/// next probe, anything else ends the identification without a result.
void awaitProbe(OpContext& c, IdentifyStep sendStep, IdentifyStep nextProbe,
                std::string_view series) {
    switch (probeAnswer(c, sendStep)) {
    case ProbeAnswer::IllegalAddress:
        moveOn(c.s, nextProbe);
        break;
    case ProbeAnswer::Normal:
        c.s.identifiedSeries = series;
        moveOn(c.s, IdentifyStep::SendRating);
        break;
    case ProbeAnswer::Other:
        finishOp(c.s);
        break;
    case ProbeAnswer::None:
        break;
    }
}

void awaitLastProbe(OpContext& c) {
    switch (probeAnswer(c, IdentifyStep::SendProbe20)) {
    case ProbeAnswer::IllegalAddress:
        c.s.identifiedSeries = "QD10";
        moveOn(c.s, IdentifyStep::SendRating);
        break;
    case ProbeAnswer::Normal:
        c.s.identifiedSeries = "QD20";
        moveOn(c.s, IdentifyStep::SendRating);
        break;
    case ProbeAnswer::Other:
        finishOp(c.s);
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

void awaitRating(OpContext& c) {
    LinkState& s = c.s;
    switch (checkReply(s, c.address, kIdentifyTimeoutTicks)) {
    case ReplyStatus::Pending:
        return;
    case ReplyStatus::TimedOut:
        retryStep(s, IdentifyStep::SendRating);
        return;
    case ReplyStatus::Exception:
        // The bytes of an exception are its code and CRC, which would name
        // the drive with a rating it does not have.
        finishOp(s);
        return;
    case ReplyStatus::Answered:
        break;
    }
    const uint16_t value = decodeReply(s.buffers).word(0);
    const std::string addressText = std::to_string(c.address);
    const std::string rating = ratingText(s.identifiedSeries, value);
    DriveRecord& probe = *c.drive;
    probe.name = addressText + "#" + s.identifiedSeries + "-" + rating;
    probe.address = addressText;
    probe.series = s.identifiedSeries;
    probe.ratedPower = rating;
    finishOp(s);
}

} // namespace

void runIdentify(OpContext& c) {
    LinkState& s = c.s;
    s.settings.replyTimeoutTicks = kIdentifyTimeoutTicks;
    if (!s.servingProbe) {
        // Identification names the probe record, never a connected drive.
        finishOp(s);
        return;
    }
    switch (s.identifyStep) {
    case IdentifyStep::SendEcho:
        sendEcho(c);
        break;
    case IdentifyStep::AwaitEcho:
        awaitEcho(c);
        break;
    case IdentifyStep::SendProbe40:
        sendRead(c, kProbeQd40, IdentifyStep::AwaitProbe40);
        break;
    case IdentifyStep::AwaitProbe40:
        awaitProbe(c, IdentifyStep::SendProbe40, IdentifyStep::SendProbe30, "QD40");
        break;
    case IdentifyStep::SendProbe30:
        sendRead(c, kProbeQd30, IdentifyStep::AwaitProbe30);
        break;
    case IdentifyStep::AwaitProbe30:
        awaitProbe(c, IdentifyStep::SendProbe30, IdentifyStep::SendProbe20, "QD30");
        break;
    case IdentifyStep::SendProbe20:
        sendRead(c, kProbeQd20, IdentifyStep::AwaitProbe20);
        break;
    case IdentifyStep::AwaitProbe20:
        awaitLastProbe(c);
        break;
    case IdentifyStep::SendRating:
        sendRead(c, ratingRegister(s.identifiedSeries), IdentifyStep::AwaitRating);
        break;
    case IdentifyStep::AwaitRating:
        awaitRating(c);
        break;
    }
}

void feedSearch(LinkState& s) {
    if (s.search && s.searchRemaining == 0 && s.table.probeRecord.name.empty() &&
        !(s.servingProbe && s.currentOp != OpCode::None)) {
        // The last address has been tested: the caller gets the drives added.
        Outcome o = outcomeOf(s.search->id, s.search->target, Result::Confirmed);
        o.names = std::move(s.search->names);
        s.search.reset();
        deliverOutcome(s, std::move(o));
    }
    if (s.searchNextAddress == 0) {
        s.searchRemaining = 0; // start address 0 does nothing
    }
    const bool searching = s.searchNextAddress != 0 && s.searchRemaining > 0;
    if (searching && (s.searchNextAddress < kLowestSearchAddress ||
                      s.searchNextAddress > kHighestSearchAddress)) {
        // The frame carries one address byte: beyond 247 lie the reserved
        // addresses and, at 256, the broadcast address 0. The search ends.
        s.searchRemaining = 0;
    }
    if (s.searchNextAddress == 0 || s.searchRemaining == 0) {
        releaseActivity(s, ActivityState::Search);
        return;
    }
    DriveRecord& probe = s.table.probeRecord;
    if (probe.name.empty()) {
        probe.name = kProbeMarker;
        probe.address = std::to_string(s.searchNextAddress);
        probe.pendingOp = OpCode::Identify;
        --s.searchRemaining;
        ++s.searchNextAddress;
    }
    s.progress = {0, s.searchNextAddress + static_cast<int>(s.searchRemaining),
                  s.searchNextAddress};
    takeActivity(s, ActivityState::Search);
}

} // namespace velkaro
