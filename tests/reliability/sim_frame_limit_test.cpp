// Found by fuzzing the simulator: a drive echoed a diagnostics request of any
// length, so a frame longer than any RTU frame came back from it.

#include <gtest/gtest.h>

#include <vector>

#include "sim/rtu_frame.h"
#include "sim/simulated_drive.h"

namespace velkaro::reliability {
namespace {
namespace VELKARO_UNITY_ID {

std::vector<uint8_t> echoRequest(std::size_t totalBytes) {
    std::vector<uint8_t> frame{1, 0x08, 0x00, 0x00};
    frame.resize(totalBytes - 2, 0x5A);
    sim::appendCrc(frame);
    return frame;
}

TEST(SimFrameLimitTest, AFrameLongerThanAnRtuFrameGetsNoAnswer) {
    sim::SimulatedDrive drive(1, sim::Series::QD30, 750);
    const std::vector<uint8_t> longest = echoRequest(256);
    const auto answer = drive.serve(longest.data(), longest.size());
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->size(), 256u);

    const std::vector<uint8_t> overlong = echoRequest(257);
    EXPECT_FALSE(drive.serve(overlong.data(), overlong.size()).has_value());
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::reliability
