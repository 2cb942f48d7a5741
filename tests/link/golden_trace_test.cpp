// Golden wire traces: every frame of the standard scenarios with its time,
// recorded once and kept in tests/link/golden/. The link may change inside;
// its wire may not, except where a test names the difference.
// VELKARO_RECORD_GOLDEN=1 writes the files instead of comparing.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "files/parameter_file.h"
#include "support/link_harness.h"
#include "support/processes.h"

namespace velkaro::testing {
namespace {
namespace VELKARO_UNITY_ID {

using sim::Series;
using Action = std::function<void(SimLink&)>;

std::string traceText(const std::vector<sim::BusSimulator::WireFrame>& frames) {
    std::string text;
    char head[48];
    for (const auto& f : frames) {
        std::snprintf(
            head, sizeof head, "%llu.%03llu %s", static_cast<unsigned long long>(f.startUs / 1000),
            static_cast<unsigned long long>(f.startUs % 1000), f.fromStation ? "TX" : "RX");
        text += head;
        for (uint8_t b : f.bytes) {
            std::snprintf(head, sizeof head, " %02X", b);
            text += head;
        }
        text += '\n';
    }
    return text;
}

std::string goldenPath(const std::string& name) {
    return sourceDir() + "/tests/link/golden/" + name + ".trace";
}

/// Runs `ticks` ticks with the window's status passes, doing each action at
/// its tick, and returns the trace.
std::string runScenario(const std::vector<std::pair<int, Series>>& drives,
                        const std::map<uint64_t, Action>& actions, uint64_t ticks) {
    SimLink h{StatusPasses::Polls};
    static constexpr std::pair<Series, int> kRatings[] = {
        {Series::QD10, 75}, {Series::QD20, 6}, {Series::QD30, 750}, {Series::QD40, 1100}};
    for (const auto& [address, series] : drives) {
        int rating = 0;
        for (const auto& [s, r] : kRatings) {
            if (s == series) {
                rating = r;
            }
        }
        h.bus.addDrive(address, series, rating);
    }
    std::vector<sim::BusSimulator::WireFrame> trace;
    h.bus.traceWire(&trace);
    for (uint64_t t = 0; t < ticks; ++t) {
        if (const auto it = actions.find(t); it != actions.end()) {
            it->second(h);
        }
        h.run(1);
    }
    h.bus.traceWire(nullptr);
    return traceText(trace);
}

void search(SimLink& h, int from, unsigned count) {
    h.submit({}, Search{from, count});
}

void command(SimLink& h, int address, Command command) {
    const RequestId id = h.submit(h.target(address), command);
    ASSERT_FALSE(h.outcome(id)) << "ended at once";
}

void commandWord(SimLink& h, int address, uint16_t word) {
    command(h, address, Command::word(word));
}

/// Ticks [from, to) where the wire changed on purpose, and why.
struct Change {
    uint64_t from;
    uint64_t to;
    std::string why;
};

struct Scenario {
    std::string name;
    std::vector<std::pair<int, Series>> drives;
    std::map<uint64_t, Action> actions;
    uint64_t ticks;
    std::vector<Change> changes = {};
    /// Compared up to this tick only (0: the whole trace); why the rest differs.
    uint64_t until = 0;
    std::string untilWhy = {};
};

uint64_t tickOf(const std::string& line) {
    return std::stoull(line.substr(0, line.find('.')));
}

/// The lines outside every changed window, up to `until`. Once the wire has
/// changed, a motor stopped a little earlier answers with other values: from
/// there on a reply is compared by its time, address, function and length.
std::vector<std::string> comparedLines(const std::string& trace, const Scenario& s) {
    const uint64_t firstChange = s.changes.empty() ? UINT64_MAX : s.changes.front().from;
    std::vector<std::string> lines;
    std::istringstream in(trace);
    for (std::string line; std::getline(in, line);) {
        const uint64_t tick = tickOf(line);
        const bool changed = std::any_of(s.changes.begin(), s.changes.end(), [&](const Change& c) {
            return tick >= c.from && tick < c.to;
        });
        if (changed || (s.until != 0 && tick >= s.until)) {
            continue;
        }
        const std::size_t rx = line.find(" RX ");
        if (tick >= firstChange && rx != std::string::npos) {
            const std::size_t bytes = (line.size() - rx - 3) / 3;
            line = line.substr(0, rx + 4 + 8) + " (" + std::to_string(bytes) + " bytes)";
        }
        lines.push_back(line);
    }
    return lines;
}

/// The request frames sent in [from, to), in order.
std::vector<std::string> requestsIn(const std::string& trace, uint64_t from, uint64_t to) {
    std::vector<std::string> lines;
    std::istringstream in(trace);
    for (std::string line; std::getline(in, line);) {
        const uint64_t tick = tickOf(line);
        if (tick >= from && tick < to && line.find(" TX ") != std::string::npos) {
            lines.push_back(line.substr(line.find(" TX ") + 4));
        }
    }
    return lines;
}

std::vector<Scenario> scenarios() {
    std::vector<Scenario> all;
    all.push_back({"search",
                   {{1, Series::QD10}, {2, Series::QD20}, {3, Series::QD30}, {4, Series::QD40}},
                   {{0, [](SimLink& h) { search(h, 1, 5); }}},
                   8000});
    std::vector<std::pair<int, Series>> many;
    constexpr Series kCycle[] = {Series::QD10, Series::QD20, Series::QD30, Series::QD40};
    for (int i = 0; i < 32; ++i) {
        many.emplace_back(i + 1, kCycle[i % 4]);
    }
    all.push_back({"polls32", many, {{0, [](SimLink& h) { search(h, 1, 32); }}}, 14000});
    all.push_back({"commands",
                   {{3, Series::QD30}},
                   {{0, [](SimLink& h) { search(h, 3, 1); }},
                    {1000, [](SimLink& h) { command(h, 3, Command::frequency(3000)); }},
                    {1500, [](SimLink& h) { commandWord(h, 3, command_word::kRun); }},
                    {3000, [](SimLink& h) { commandWord(h, 3, command_word::kReverse); }},
                    {4500, [](SimLink& h) { commandWord(h, 3, command_word::kStop); }},
                    {5500, [](SimLink& h) { commandWord(h, 3, command_word::kCoastStop); }},
                    {6500, [](SimLink& h) { commandWord(h, 3, command_word::kEmergencyStop); }},
                    {7500, [](SimLink& h) { commandWord(h, 3, command_word::kRun); }},
                    {8500, [](SimLink& h) { commandWord(h, 3, command_word::kJogForward); }},
                    {9000, [](SimLink& h) { commandWord(h, 3, command_word::kStop); }},
                    {9500, [](SimLink& h) { commandWord(h, 3, command_word::kJogReverse); }},
                    {10000, [](SimLink& h) { commandWord(h, 3, command_word::kStop); }},
                    {10400, [](SimLink& h) { h.bus.drive(3)->setFault(2); }},
                    {10700, [](SimLink& h) { commandWord(h, 3, command_word::kFaultReset); }},
                    {11500, [](SimLink& h) { command(h, 3, Command::store()); }}},
                   12500,
                   // A stop takes its drive's next turn ahead of the status read
                   // queued before it (the run, reverse, jog, reset and store
                   // still wait for it, as they did).
                   {{4500, 4620, "stop before the status read"},
                    {5500, 5620, "coast stop before the status read"},
                    {6500, 6700, "emergency stop before the status read"},
                    {9000, 9120, "stop (jog released) before the status read"},
                    {10000, 10120, "stop (jog released) before the status read"}}});
    all.push_back({"group_read",
                   {{3, Series::QD30}},
                   {{0, [](SimLink& h) { search(h, 3, 1); }},
                    {1500, [](SimLink& h) { h.submit(h.target(3), ParameterRead{8}); }},
                    {1650, [](SimLink& h) { h.submit(h.target(3), ParameterRead{4}); }}},
                   3000});
    all.push_back({"parameter_write",
                   {{3, Series::QD30}},
                   {{0, [](SimLink& h) { search(h, 3, 1); }},
                    {1500,
                     [](SimLink& h) {
                         h.submit(h.target(3), ParameterWrite{0x0103, 380, 1, 3, true, true});
                     }}},
                   3000});
    for (const auto& [name, series, address] :
         {std::tuple{"export_qd30", Series::QD30, 3}, std::tuple{"export_qd10", Series::QD10, 1}}) {
        const int at = address;
        all.push_back({name,
                       {{at, series}},
                       {{0, [at](SimLink& h) { search(h, at, 1); }},
                        {1500, [at](SimLink& h) { h.submit(h.target(at), Export{}); }}},
                       9000});
    }
    all.push_back({"import_qd30",
                   {{3, Series::QD30}},
                   {{0, [](SimLink& h) { search(h, 3, 1); }},
                    {1500,
                     [](SimLink& h) {
                         Import import;
                         import.image[0] = 0x83;
                         import.image[1] = 0x70;
                         import.image[2] = 1270 >> 8;
                         import.image[3] = 1270 & 0xFF;
                         for (int i = 0; i < 633; ++i) {
                             import.image[5 + 2 * i] = static_cast<uint8_t>(i % 3);
                         }
                         import.readBackGroup = 0;
                         h.submit(h.target(3), import);
                     }}},
                   12000});
    all.push_back({"readout_qd30",
                   {{3, Series::QD30}},
                   {{0, [](SimLink& h) { search(h, 3, 1); }},
                    {1500, [](SimLink& h) { h.submit(h.target(3), Readout{}); }}},
                   9000,
                   {},
                   4700,
                   "the readout no longer borrows the parameter list's group: the list reads "
                   "it again itself, so no group 0 read follows the last group"});
    return all;
}

class GoldenTrace : public ::testing::TestWithParam<Scenario> {};

TEST_P(GoldenTrace, WireIsUnchanged) {
    const Scenario& s = GetParam();
    const std::string trace = runScenario(s.drives, s.actions, s.ticks);
    if (const char* record = std::getenv("VELKARO_RECORD_GOLDEN"); record && *record == '1') {
        std::ofstream(goldenPath(s.name)) << trace;
        return;
    }
    std::ifstream in(goldenPath(s.name));
    std::stringstream golden;
    golden << in.rdbuf();
    const std::vector<std::string> want = comparedLines(golden.str(), s);
    const std::vector<std::string> got = comparedLines(trace, s);
    ASSERT_FALSE(want.empty());
    for (std::size_t i = 0; i < std::max(want.size(), got.size()); ++i) {
        const std::string w = i < want.size() ? want[i] : "(nothing)";
        const std::string g = i < got.size() ? got[i] : "(nothing)";
        ASSERT_EQ(g, w) << "first difference at line " << i + 1 << " of the compared trace";
    }
    for (const Change& c : s.changes) {
        // Where the wire changed on purpose, a stop goes first.
        const std::vector<std::string> sent = requestsIn(trace, c.from, c.to);
        ASSERT_FALSE(sent.empty()) << c.why;
        EXPECT_EQ(sent.front().substr(0, 11), "03 10 32 00") << c.why;
        EXPECT_EQ(requestsIn(golden.str(), c.from, c.to).size(), sent.size()) << c.why;
    }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, GoldenTrace, ::testing::ValuesIn(scenarios()),
                         [](const auto& info) { return info.param.name; });

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::testing
