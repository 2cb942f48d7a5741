// Link counters and the traffic ring against a scripted far end: each kind of
// bad answer lands in its own counter of the drive that was asked, reply
// times follow the tick, and the ring keeps the newest frames.

#include <gtest/gtest.h>

#include "support/case_names.h"
#include "support/link_harness.h"
#include "support/ports.h"

namespace velkaro::testing {
namespace {
namespace VELKARO_UNITY_ID {

constexpr uint8_t kFaulty = 3;
constexpr uint8_t kHealthy = 5;

Bytes statusReply(uint8_t address, std::size_t words = 16) {
    return readReply(address, std::vector<uint16_t>(words, 0x1234));
}

/// What the faulty drive sends back to a status read.
struct ReplyCase {
    const char* label;
    std::function<std::optional<Bytes>()> reply;
    LinkCounters expected; ///< the faulty drive's counters after one status read
};

LinkCounters counters(uint32_t sent, uint32_t retries, std::function<void(LinkCounters&)> more) {
    LinkCounters c;
    c.requestsSent = sent;
    c.retries = retries;
    more(c);
    return c;
}

// A status read is tried 11 times when nothing usable comes back.
const ReplyCase kReplyCases[] = {
    {"bad_crc",
     [] {
         Bytes reply = statusReply(kFaulty);
         reply.back() ^= 0xFF;
         return std::optional<Bytes>(reply);
     },
     counters(11, 10, [](LinkCounters& c) { c.badCrc = c.timeouts = 11; })},
    {"another_address", [] { return std::optional<Bytes>(statusReply(9)); },
     counters(11, 10, [](LinkCounters& c) { c.foreignFrames = c.timeouts = 11; })},
    {"exception",
     [] {
         return std::optional<Bytes>(withCrc({kFaulty, 0x83, 0x02}));
     },
     counters(1, 0, [](LinkCounters& c) { c.exceptions[2] = 1; })},
    // Neither answers the read: asked again, as after no answer at all.
    {"short_reply", [] { return std::optional<Bytes>(statusReply(kFaulty, 4)); },
     counters(11, 10, [](LinkCounters& c) { c.shortReplies = c.timeouts = 11; })},
    {"stray_reply",
     [] {
         return std::optional<Bytes>(withCrc({kFaulty, 0x10, 0x32, 0x10, 0x00, 0x10}));
     },
     counters(11, 10, [](LinkCounters& c) { c.strayFrames = c.timeouts = 11; })},
    {"timeout", [] { return std::optional<Bytes>(); },
     counters(11, 10, [](LinkCounters& c) { c.timeouts = 11; })},
    {"noise",
     [] {
         return std::optional<Bytes>(Bytes{0x00, 0xFF});
     },
     counters(11, 10, [](LinkCounters& c) { c.noiseFrames = c.timeouts = 11; })},
};

class LinkDiagnosticsTest : public ::testing::Test {
protected:
    int addDrive(int address) {
        auto s = h.lock();
        const int slot = connectDrive(*s, address, "QD30", "7.50");
        s->table.slots[static_cast<std::size_t>(slot)].pendingOp = OpCode::StatusRead;
        return slot;
    }
    void poll(int slot) {
        h.lock()->table.slots[static_cast<std::size_t>(slot)].pendingOp = OpCode::StatusRead;
        ASSERT_GE(h.settle(slot), 0);
    }
    LinkCounters row(int r) { return h.lock()->diagnostics.counters[static_cast<std::size_t>(r)]; }
    /// The reply-independent parts are compared; the times are tested on their own.
    static LinkCounters withoutTimes(LinkCounters c) {
        c.replyTimes = {};
        c.answered = false;
        c.lastAnswerTick = 0;
        return c;
    }
    std::vector<FrameRecord> ring() {
        auto s = h.lock();
        std::vector<FrameRecord> out;
        for (uint64_t i = s->diagnostics.log.oldest(); i < s->diagnostics.log.written(); ++i) {
            out.push_back(s->diagnostics.log.at(i));
        }
        return out;
    }

    ScriptedPort port;
    LinkHarness<ScriptedPort> h{port};
};

class ReplyCountersTest : public LinkDiagnosticsTest,
                          public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(ReplyCountersTest, LandsInItsCounterOfTheDriveAsked) {
    const ReplyCase& c = GetParam();
    const int faulty = addDrive(kFaulty);
    const int healthy = addDrive(kHealthy);
    port.setResponder([&c](const Bytes& request) -> std::optional<Bytes> {
        return request[0] == kFaulty ? c.reply() : std::optional<Bytes>(statusReply(kHealthy));
    });
    ASSERT_GE(h.settle(faulty, 40000), 0);
    ASSERT_GE(h.settle(healthy), 0);

    EXPECT_EQ(withoutTimes(row(faulty)), withoutTimes(c.expected));
    LinkCounters good;
    good.requestsSent = good.answersAccepted = 1;
    EXPECT_EQ(withoutTimes(row(healthy)), good);
    EXPECT_EQ(row(kProbeRow), LinkCounters{});
}

INSTANTIATE_TEST_SUITE_P(Replies, ReplyCountersTest, ::testing::ValuesIn(kReplyCases), LabelName());

TEST_F(LinkDiagnosticsTest, ReplyTimesRunFromTheSendToTheFramesEnd) {
    const int slot = addDrive(kFaulty);
    // The reply arrives `delay` ticks after the request; 21 silent ticks end it.
    for (const unsigned delay : {5u, 40u, 12u}) {
        port.setResponder([](const Bytes&) { return std::optional<Bytes>(statusReply(kFaulty)); },
                          delay);
        poll(slot);
    }
    const ReplyTimes t = row(slot).replyTimes;
    EXPECT_EQ(t.count, 3u);
    EXPECT_EQ(t.lastTicks, 33u);
    EXPECT_EQ(t.minTicks, 26u);
    EXPECT_EQ(t.maxTicks, 61u);
    EXPECT_DOUBLE_EQ(t.meanTicks(), (26.0 + 61.0 + 33.0) / 3);
    auto s = h.lock();
    EXPECT_TRUE(s->diagnostics.counters[static_cast<std::size_t>(slot)].answered);
    EXPECT_EQ(s->diagnostics.counters[static_cast<std::size_t>(slot)].lastAnswerTick,
              port.sent().back().tick + 33 + 1);
}

TEST_F(LinkDiagnosticsTest, RingTellsWhatBecameOfEachFrame) {
    const int slot = addDrive(kFaulty);
    int calls = 0;
    port.setResponder([&calls](const Bytes&) -> std::optional<Bytes> {
        Bytes reply = statusReply(kFaulty);
        if (++calls == 1) {
            reply.back() ^= 0x01; // the first answer is garbled, the retry's is good
        }
        return reply;
    });
    ASSERT_GE(h.settle(slot), 0);

    struct Seen {
        FrameDirection direction;
        FrameFate fate;
        int row;
        bool operator==(const Seen&) const = default;
    };
    std::vector<Seen> seen;
    for (const FrameRecord& r : ring()) {
        seen.push_back({r.direction, r.fate, r.row});
    }
    using D = FrameDirection;
    using F = FrameFate;
    EXPECT_EQ(seen, (std::vector<Seen>{{D::Tx, F::Sent, slot},
                                       {D::Rx, F::BadCrc, slot},
                                       {D::Rx, F::TimedOut, slot},
                                       {D::Tx, F::Sent, slot},
                                       {D::Rx, F::Accepted, slot}}));
    const std::vector<FrameRecord> records = ring();
    EXPECT_EQ(Bytes(records[0].bytes.begin(), records[0].bytes.begin() + records[0].length),
              readRequest(kFaulty, 0x3210, 16));
    EXPECT_EQ(records[2].length, 0u);
    EXPECT_EQ(records[4].length, 37u);
    EXPECT_EQ(row(slot).retries, 1u);
}

TEST_F(LinkDiagnosticsTest, AFrameHeldForTheInterFrameSilenceIsRecordedOnceWhenItGoes) {
    h.lock()->settings.frameEnd = FrameEnd::Completion;
    const int slot = addDrive(kFaulty);
    port.setResponder([](const Bytes&) { return std::optional<Bytes>(statusReply(kFaulty)); }, 3);
    poll(slot);
    poll(slot);
    std::vector<uint64_t> sentTicks;
    for (const FrameRecord& r : ring()) {
        if (r.direction == FrameDirection::Tx) {
            sentTicks.push_back(r.tick);
        }
    }
    ASSERT_EQ(sentTicks.size(), port.sent().size());
    EXPECT_EQ(row(slot).requestsSent, 2u);
    // The ring's ticks are the link's, the port's the harness's: the gap between sends agrees.
    EXPECT_EQ(sentTicks[1] - sentTicks[0], port.sent()[1].tick - port.sent()[0].tick);
}

TEST_F(LinkDiagnosticsTest, SearchProbesCountInTheProbeRow) {
    port.setResponder([](const Bytes&) { return std::optional<Bytes>(); });
    ASSERT_GE(h.search(7, 1), 0);
    LinkCounters probe;
    probe.requestsSent = probe.timeouts = 4; // the echo test, tried four times
    probe.retries = 3;
    EXPECT_EQ(row(kProbeRow), probe);
    for (const FrameRecord& r : ring()) {
        EXPECT_EQ(r.row, kProbeRow);
    }
}

TEST_F(LinkDiagnosticsTest, RemovingADriveOrAskingForItZeroesCounters) {
    const int first = addDrive(kFaulty);
    const int second = addDrive(kHealthy);
    port.setResponder(
        [](const Bytes& request) { return std::optional<Bytes>(statusReply(request[0])); });
    ASSERT_GE(h.settle(first), 0);
    ASSERT_GE(h.settle(second), 0);
    EXPECT_TRUE(
        h.link.removeDrive(h.link.snapshot().table.slots[static_cast<std::size_t>(first)].name));
    EXPECT_FALSE(h.link.removeDrive("nobody"));
    EXPECT_EQ(row(first), LinkCounters{});
    EXPECT_EQ(row(second).requestsSent, 1u);
    // The next drive in the freed slot starts from nothing.
    EXPECT_EQ(addDrive(9), first);
    EXPECT_EQ(row(first), LinkCounters{});

    h.link.resetCounters();
    EXPECT_EQ(row(second), LinkCounters{});
}

TEST_F(LinkDiagnosticsTest, RecordingOffLeavesCountersAndRingAlone) {
    const int slot = addDrive(kFaulty);
    h.link.setRecording(false);
    port.setResponder([](const Bytes&) { return std::optional<Bytes>(statusReply(kFaulty)); });
    ASSERT_GE(h.settle(slot), 0);
    EXPECT_EQ(row(slot), LinkCounters{});
    EXPECT_TRUE(ring().empty());
}

TEST(FrameLogTest, KeepsTheNewestFramesWhenFull) {
    FrameLog log;
    const uint8_t bytes[200] = {1, 2, 3};
    const uint64_t total = FrameLog::kCapacity + 5;
    for (uint64_t i = 0; i < total; ++i) {
        log.push(i, FrameDirection::Rx, FrameFate::Accepted, 1, bytes, i == total - 1 ? 200 : 3);
    }
    EXPECT_EQ(log.written(), total);
    EXPECT_EQ(log.oldest(), 5u);
    EXPECT_EQ(log.at(log.oldest()).tick, 5u);
    EXPECT_EQ(log.at(total - 2).tick, total - 2);
    // An overlong frame keeps what the receive buffer holds.
    EXPECT_EQ(log.at(total - 1).length, kFrameCapacity);
    log.push(total, FrameDirection::Rx, FrameFate::TimedOut, 1, nullptr, 9);
    EXPECT_EQ(log.at(total).length, 0u);
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::testing
