// What a drive's receiver makes of a station at another baud: the station's
// frames must reach the drives unchanged at the same rate and as garbage
// (never as the frame) at any other.

#include "sim/line_settings.h"

#include <gtest/gtest.h>

#include "support/frames.h"

namespace velkaro::testing {
namespace {
namespace VELKARO_UNITY_ID {

const int kRates[] = {1200, 2400, 4800, 9600, 19200, 38400};

TEST(HeardAtBaudTest, SameRateHearsEveryByte) {
    const Bytes frame = readRequest(3, 0x3210, 16);
    Bytes all(256);
    for (int i = 0; i < 256; ++i) {
        all[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i);
    }
    for (const int baud : kRates) {
        EXPECT_EQ(sim::heardAtBaud(frame.data(), frame.size(), baud, baud), frame) << baud;
        EXPECT_EQ(sim::heardAtBaud(all.data(), all.size(), baud, baud), all) << baud;
    }
}

TEST(HeardAtBaudTest, AnotherRateNeverHearsTheFrame) {
    const Bytes frames[] = {readRequest(3, 0x3210, 16), withCrc({1, 0x08, 0, 0, 0x37, 0xDA}),
                            writeRequest(7, 0x3200, {0x1F, 5000, 0, 0})};
    for (const Bytes& frame : frames) {
        for (const int station : kRates) {
            for (const int drive : kRates) {
                if (station == drive) {
                    continue;
                }
                const Bytes heard = sim::heardAtBaud(frame.data(), frame.size(), station, drive);
                EXPECT_NE(heard, frame) << station << " -> " << drive;
                // A slower drive hears fewer characters, a faster one at most
                // one per falling edge.
                EXPECT_LE(heard.size(), frame.size() * 10) << station << " -> " << drive;
            }
        }
    }
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::testing
