// Arbitrary bytes summarised as the traffic monitor would, in each direction
// and fate, and what the simulator's drives hear of them at another baud.
// Beyond "no crash" (the record's bytes beyond its length are poisoned with
// a marker the summary must never show) it checks that:
//  - the summary is non-empty, valid UTF-8 and short enough for one line;
//  - the monitor line holds exactly the frame's bytes in hex;
//  - a receiver at the sender's own baud hears every byte unchanged.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "link/diagnostics/frame_summary.h"
#include "sim/line_settings.h"

namespace {

using namespace velkaro;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "frame_summary_fuzz: %s\n", what);
    std::abort();
}

void check(bool holds, const char* what) {
    if (!holds) {
        fail(what);
    }
}

/// Bytes after a lead byte of a UTF-8 sequence; -1 for a byte that cannot lead.
int continuationBytes(unsigned char lead) {
    if (lead < 0x80) {
        return 0;
    }
    if ((lead & 0xE0) == 0xC0) {
        return 1;
    }
    if ((lead & 0xF0) == 0xE0) {
        return 2;
    }
    return (lead & 0xF8) == 0xF0 ? 3 : -1;
}

bool validUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const int extra = continuationBytes(static_cast<unsigned char>(text[i]));
        if (extra < 0 || text.size() - i <= static_cast<std::size_t>(extra)) {
            return false;
        }
        for (int k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]) & 0xC0) !=
                0x80) {
                return false;
            }
        }
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const uint8_t mode = data[0];
    ++data;
    --size;
    FrameRecord r;
    r.bytes.fill(0xEE);
    r.length = static_cast<uint8_t>(std::min(size, kFrameCapacity));
    std::copy(data, data + r.length, r.bytes.begin());
    r.direction = (mode & 1) != 0 ? FrameDirection::Rx : FrameDirection::Tx;
    r.fate = static_cast<FrameFate>((mode >> 1) % 7);
    const std::string summary = summariseFrame(r);
    check(!summary.empty(), "empty summary");
    check(summary.size() < 80, "summary too long for a line");
    check(validUtf8(summary), "summary is not UTF-8");
    const std::string line = trafficLine(r, 0, 1);
    const std::string hex = r.length == 0 ? "--" : hexBytes(r.bytes.data(), r.length);
    check(line.find("\t" + hex + "\t") != std::string::npos, "line does not hold the bytes");
    check(hex == "--" || hex.size() == r.length * 3u - 1, "hex is not two digits per byte");

    const std::vector<uint8_t> heard = sim::heardAtBaud(data, r.length, 9600, 9600);
    check(heard.size() == r.length && std::equal(heard.begin(), heard.end(), data),
          "the same baud did not hear the bytes as sent");
    const int rates[] = {1200, 2400, 4800, 9600, 19200, 38400};
    const std::vector<uint8_t> garbage =
        sim::heardAtBaud(data, r.length, rates[mode % 6], rates[(mode >> 3) % 6]);
    check(garbage.size() <= 10u * r.length, "more characters heard than falling edges");
    return 0;
}
