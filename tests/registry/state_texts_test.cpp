#include "registry/command_and_line_names.h"
#include "registry/state_texts.h"

#include <gtest/gtest.h>

using namespace velkaro;

namespace {
namespace VELKARO_UNITY_ID {
DriveRecord drive(const char* series, int32_t statusWord, int online = 1) {
    DriveRecord record;
    record.series = series;
    record.online = online;
    record.status[0] = statusWord;
    return record;
}

TEST(DriveStateTexts, Precedence) {
    struct Case {
        int online;
        int32_t word;
        const char* state;
    };
    const Case cases[] = {
        {0, 0x0008 | 0x0080 | 0x0004, "通讯断线"}, // offline over everything
        {1, 0x0008 | 0x0080, "故障中"},            // fault over alarm
        {1, 0x0080 | 0x0004, "报警中"},
        {1, 0x0004 | 0x4000, "正向运转"},
        {1, 0x0004, "反向运转"},
        {1, 0x4000, "停止中"},
        {1, -1, "故障中"}, // sign-extended word: every bit set
    };
    for (const Case& c : cases) {
        DriveRecord record = drive("QD30", c.word, c.online);
        EXPECT_EQ(driveStateTexts(record).state, c.state) << std::hex << c.word;
    }
    DriveRecord offline = drive("QD30", 0x0008, 0);
    offline.status[9] = 3;
    EXPECT_EQ(driveStateTexts(offline).cause, "无");
    EXPECT_EQ(driveStateTexts(drive("QD30", 0x0004 | 0x4000)).cause, "无");
}

TEST(DriveStateTexts, FaultCauseNeverAlarmCause) {
    DriveRecord record = drive("QD30", 0x0088);
    record.status[9] = 12;
    record.status[10] = 1;
    EXPECT_EQ(driveStateTexts(record).cause, "功率器件保护");
}

TEST(FaultText, TablesAndCodesOutsideThem) {
    EXPECT_EQ(faultText("QD10", 3), "过流保护");
    EXPECT_EQ(faultText("QD10", 8), "");
    EXPECT_EQ(faultText("QD20", 0x13), "输出缺相保护") << "QD20 takes the low four bits";
    EXPECT_EQ(faultText("QD20", 15), "欠压保护");
    EXPECT_EQ(faultText("QD30", 26), "PG掉线");
    EXPECT_EQ(faultText("QD30", 31), "操作面板掉线");
    EXPECT_EQ(faultText("QD40", 45), "");
    EXPECT_EQ(faultText("QD40", 44), "操作面板异常");
    // Beyond the tables or negative: a defined text, never a read outside.
    EXPECT_EQ(faultText("QD10", 11), "未知代码11");
    EXPECT_EQ(faultText("QD30", 32), "未知代码32");
    EXPECT_EQ(faultText("QD40", 46), "未知代码46");
    EXPECT_EQ(faultText("QD40", -1), "未知代码-1");
    EXPECT_EQ(faultText("QD50", 1), "不能识别的故障");
}

TEST(AlarmText, PerSeries) {
    EXPECT_EQ(alarmText("QD10", 6, 0), "模拟输入掉线");
    EXPECT_EQ(alarmText("QD10", 7, 0), "未知代码7");
    EXPECT_EQ(alarmText("QD10", -2, 0), "未知代码-2");
    EXPECT_EQ(alarmText("QD20", 12, 0), "12");
    EXPECT_EQ(alarmText("QD30", (1 << 0) | (1 << 6), 0), "电机过载输入缺相");
    EXPECT_EQ(alarmText("QD40", (1 << 3) | (1 << 10), 0), "") << "bits without a text";
    // Low register bit 15 arrives sign-extended; it must not spill into bits 16..19.
    EXPECT_EQ(alarmText("QD30", static_cast<int16_t>(0x8000), 0), "");
    EXPECT_EQ(alarmText("QD30", 0, 0x0002), "参数检查错误");
    EXPECT_EQ(alarmText("QD30", 0, 0x0010), "") << "bit 20 is not decoded";
    EXPECT_EQ(alarmText("QD99", 1, 0), "不能识别的故障");

    DriveRecord record = drive("QD30", 0x0080);
    record.status[10] = 1 << 8;
    EXPECT_EQ(driveStateTexts(record).cause, "通讯异常");
}

TEST(Labels, CommandPortAndParity) {
    EXPECT_EQ(commandName(0), "保留");
    EXPECT_EQ(commandName(7), "故障复位");
    EXPECT_EQ(commandName(8), "隐藏");
    EXPECT_EQ(commandName(9), "");
    EXPECT_EQ(portName(0), "无端口");
    EXPECT_EQ(portName(8), "COM8");
    EXPECT_EQ(portName(9), "");
    EXPECT_EQ(parityLabel("N"), "无效验");
    EXPECT_EQ(parityLabel("E"), "偶效验");
    EXPECT_EQ(parityLabel("O"), "奇效验");
    EXPECT_EQ(parityLabel("X"), "");
}

} // namespace VELKARO_UNITY_ID
} // namespace
