// Golden wire traces: every frame of the standard scenarios with its time,
// recorded once and kept in tests/link/golden/. The link may change inside;
// its wire may not, except where a test names the difference.
// VELKARO_RECORD_GOLDEN=1 writes the files instead of comparing.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "files/parameter_file.h"
#include "link/link_operations.h"
#include "support/link_harness.h"
#include "support/processes.h"

namespace velkaro::testing {
namespace {

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
    auto s = h.link.lock();
    s->searchNextAddress = from;
    s->searchRemaining = count;
}

int slotAt(SimLink& h, int address) {
    return h.slotOfAddress(address);
}

void commandWord(SimLink& h, int address, int32_t word) {
    const int slot = slotAt(h, address);
    ASSERT_GE(slot, 0);
    h.link.lock()->table.slots[slot].controlSet[0] = word;
}

void select(SimLink& h, int address, int group) {
    auto s = h.link.lock();
    s->selectedSlot = -1;
    for (int slot = 0; slot < kMaxDrives; ++slot) {
        if (!s->table.slots[slot].name.empty() &&
            s->table.slots[slot].address == std::to_string(address)) {
            s->selectedSlot = slot;
        }
    }
    s->selectedGroup = group;
}

struct Scenario {
    std::string name;
    std::vector<std::pair<int, Series>> drives;
    std::map<uint64_t, Action> actions;
    uint64_t ticks;
};

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
                    {1000,
                     [](SimLink& h) {
                         const int slot = slotAt(h, 3);
                         h.link.lock()->table.slots[slot].controlSet[1] = 3000;
                     }},
                    {1500, [](SimLink& h) { commandWord(h, 3, 0x001F); }},
                    {3000, [](SimLink& h) { commandWord(h, 3, 0x081F); }},
                    {4500, [](SimLink& h) { commandWord(h, 3, 0x001E); }},
                    {5500, [](SimLink& h) { commandWord(h, 3, 0x001C); }},
                    {6500, [](SimLink& h) { commandWord(h, 3, 0x001A); }},
                    {7500, [](SimLink& h) { commandWord(h, 3, 0x001F); }},
                    {8500, [](SimLink& h) { commandWord(h, 3, 0x011E); }},
                    {9000, [](SimLink& h) { commandWord(h, 3, 0x001E); }},
                    {9500, [](SimLink& h) { commandWord(h, 3, 0x021E); }},
                    {10000, [](SimLink& h) { commandWord(h, 3, 0x001E); }},
                    {10400, [](SimLink& h) { h.bus.drive(3)->setFault(2); }},
                    {10700, [](SimLink& h) { commandWord(h, 3, 0x009E); }},
                    {11500,
                     [](SimLink& h) {
                         const int slot = slotAt(h, 3);
                         h.link.lock()->table.slots[slot].controlSet[9] = 1;
                     }}},
                   12500});
    all.push_back({"group_read",
                   {{3, Series::QD30}},
                   {{0, [](SimLink& h) { search(h, 3, 1); }},
                    {1500,
                     [](SimLink& h) {
                         select(h, 3, 8);
                         requestGroupRead(*h.link.lock());
                     }},
                    {1650,
                     [](SimLink& h) {
                         h.link.lock()->selectedGroup = 4;
                         requestGroupRead(*h.link.lock());
                     }}},
                   3000});
    all.push_back(
        {"parameter_write",
         {{3, Series::QD30}},
         {{0, [](SimLink& h) { search(h, 3, 1); }},
          {1500,
           [](SimLink& h) {
               select(h, 3, 1);
               const int slot = slotAt(h, 3);
               requestParameterWrite(*h.link.lock(), slot, ParameterWrite{1, 3, 0x0103, 380});
           }}},
         3000});
    for (const auto& [name, series, address] :
         {std::tuple{"export_qd30", Series::QD30, 3}, std::tuple{"export_qd10", Series::QD10, 1}}) {
        const int at = address;
        all.push_back({name,
                       {{at, series}},
                       {{0, [at](SimLink& h) { search(h, at, 1); }},
                        {1500,
                         [at](SimLink& h) {
                             select(h, at, 0);
                             auto s = h.link.lock();
                             s->parameterFilePath = "/dev/null";
                             s->transferBusy = true;
                             s->transferCursor = 0;
                             s->table.slots[s->selectedSlot].pendingOp = OpCode::Export;
                         }}},
                       9000});
    }
    all.push_back({"import_qd30",
                   {{3, Series::QD30}},
                   {{0, [](SimLink& h) { search(h, 3, 1); }},
                    {1500,
                     [](SimLink& h) {
                         select(h, 3, 0);
                         auto s = h.link.lock();
                         ParameterImage image{};
                         image[0] = 0x83;
                         image[1] = 0x70;
                         image[2] = 1270 >> 8;
                         image[3] = 1270 & 0xFF;
                         // Each register gets its slot number: every word on the wire differs.
                         for (int i = 0; i < 633; ++i) {
                             image[4 + 2 * i] = 0;
                             image[5 + 2 * i] = static_cast<uint8_t>(i % 3);
                         }
                         s->parameterImage = image;
                         s->transferBusy = true;
                         s->transferCursor = 0;
                         s->table.slots[s->selectedSlot].pendingOp = OpCode::Import;
                     }}},
                   12000});
    all.push_back({"readout_qd30",
                   {{3, Series::QD30}},
                   {{0, [](SimLink& h) { search(h, 3, 1); }},
                    {1500,
                     [](SimLink& h) {
                         select(h, 3, 0);
                         ASSERT_EQ(startReadout(*h.link.lock()), "");
                     }}},
                   9000});
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
    EXPECT_EQ(trace, golden.str());
}

INSTANTIATE_TEST_SUITE_P(Scenarios, GoldenTrace, ::testing::ValuesIn(scenarios()),
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace velkaro::testing
