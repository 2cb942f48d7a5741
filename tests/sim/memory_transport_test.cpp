#include "sim/memory_transport.h"

#include <gtest/gtest.h>

#include "sim/bus_simulator.h"
#include "support/frames.h"

namespace velkaro::sim {
namespace {
namespace VELKARO_UNITY_ID {

using testing::Bytes;
using testing::hex;
using testing::roundTrip;

const Bytes kEcho = hex("01 08 00 00 37 DA 77 A0");

TEST(MemoryTransport, ShowsOnlyBytesThatHaveArrived) {
    BusSimulator bus;
    bus.addDrive(1, Series::QD10, 75);
    MemoryTransport port(bus);
    ASSERT_TRUE(port.open());
    ASSERT_TRUE(port.write(kEcho.data(), kEcho.size()));
    std::size_t previous = 0;
    int ticksWithNewBytes = 0;
    for (int tick = 0; tick < 40; ++tick) {
        port.advanceTick();
        const std::size_t waiting = port.bytesWaiting();
        EXPECT_GE(waiting, previous);
        ticksWithNewBytes += waiting > previous ? 1 : 0;
        previous = waiting;
    }
    EXPECT_EQ(previous, kEcho.size());
    EXPECT_GE(ticksWithNewBytes, 6) << "an 8-byte reply at 9600 baud takes more than 9 ms";
    uint8_t buffer[3];
    EXPECT_EQ(port.read(buffer, sizeof buffer), 3u);
    EXPECT_EQ(port.bytesWaiting(), 5u);
    EXPECT_EQ(port.framesSent(), std::vector<Bytes>{kEcho});
    EXPECT_EQ(port.nowUs(), 40000u);
}

TEST(MemoryTransport, RefusesWhatAClosedOrBrokenPortRefuses) {
    BusSimulator bus;
    bus.addDrive(1, Series::QD10, 75);
    MemoryTransport port(bus);
    EXPECT_FALSE(port.write(kEcho.data(), kEcho.size()));
    EXPECT_FALSE(port.applyLineSettings(9600, 'N', 8, 1));

    port.setOpenFails(true, "Permission denied");
    port.selectPort(3);
    EXPECT_FALSE(port.open());
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.lastError(), "Permission denied");
    EXPECT_EQ(port.devicePath(), "memory:COM3");

    port.setOpenFails(false);
    ASSERT_TRUE(port.open());
    EXPECT_FALSE(port.applyLineSettings(14400, 'N', 8, 1));
    EXPECT_FALSE(port.applyLineSettings(9600, 'M', 8, 1));
    port.setWriteFails(true);
    EXPECT_FALSE(port.write(kEcho.data(), kEcho.size()));
    EXPECT_TRUE(port.framesSent().empty());
}

TEST(MemoryTransport, ClosedPortHearsNothing) {
    BusSimulator bus;
    bus.addDrive(1, Series::QD10, 75);
    MemoryTransport port(bus);
    port.open();
    port.write(kEcho.data(), kEcho.size());
    for (int tick = 0; tick < 12; ++tick) {
        port.advanceTick(); // request on the wire, reply not yet started
    }
    port.close();
    for (int tick = 0; tick < 40; ++tick) {
        port.advanceTick();
    }
    port.open();
    EXPECT_EQ(port.bytesWaiting(), 0u);
}

TEST(MemoryTransport, OtherLineSettingsThanTheDrivesGetNoAnswer) {
    BusSimulator bus({19200, 'E', 8, 1});
    bus.addDrive(1, Series::QD10, 75);
    MemoryTransport port(bus);
    port.open();
    port.applyLineSettings(9600, 'N', 8, 1);
    EXPECT_TRUE(roundTrip(port, kEcho).reply.empty());
    port.applyLineSettings(19200, 'E', 8, 1);
    EXPECT_EQ(roundTrip(port, kEcho).reply, kEcho);
}

TEST(MemoryTransport, DiscardedOutputNeverReachesTheDrive) {
    BusSimulator bus;
    auto& drive = bus.addDrive(1, Series::QD10, 75);
    MemoryTransport port(bus);
    port.open();
    const Bytes write = testing::writeRequest(1, 0x3201, {1234});
    port.write(write.data(), write.size());
    port.advanceTick(); // the first character has gone
    port.discardPendingOutput();
    for (int tick = 0; tick < 60; ++tick) {
        port.advanceTick();
    }
    EXPECT_EQ(port.bytesWaiting(), 0u);
    EXPECT_TRUE(drive.requestsSeen().empty());
    EXPECT_EQ(drive.setFrequency(), 5000);
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::sim
