#include "bus/watch_line.h"

#include <gtest/gtest.h>

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

DriveRecord runningDrive() {
    DriveRecord d;
    d.name = "3#QD30-7.50";
    d.series = "QD30";
    d.online = 1;
    d.status[0] = 0x4004; // running forward
    d.status[1] = 4321;
    d.status[4] = 5000;
    d.status[5] = 123;
    d.status[6] = -5;
    d.status[7] = 3800;
    d.status[8] = 5370;
    return d;
}

TEST(WatchLineTest, ValuesInTheirUnitsAfterStateAndCause) {
    EXPECT_EQ(formatWatchLine(1.5, runningDrive()),
              "1.500\t3#QD30-7.50\t正向运转\t无\t输出频率=43.21Hz\t设定频率=50.00Hz\t"
              "输出电流=12.3A\t输出电压=380.0V\t输出转矩=-0.5%\t母线电压=537.0V");
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
