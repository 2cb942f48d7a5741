#include "registry/state_texts.h"

#include <span>

namespace velkaro {

namespace {

constexpr std::string_view kQd10Faults[] = {
    "",         "功率器件保护", "过压保护", "过流保护", "过热保护", "欠压保护",
    "外部故障", "电机负载过重", "",         "",         "",
};

constexpr std::string_view kQd20Faults[] = {
    "",
    "功率器件保护",
    "过电流保护",
    "输出缺相保护",
    "过载保护",
    "过压保护",
    "过热保护",
    "外部报警",
    "输入缺相",
    "电流传感器异常",
    "温度传感器异常",
    "",
    "",
    "",
    "存储失败",
    "欠压保护",
};

constexpr std::string_view kQd30Faults[] = {
    "",
    "启动瞬间过流",
    "加速运行过流",
    "减速运行过流",
    "恒速运行过流",
    "加速运行过压",
    "减速运行过压",
    "",
    "待机时过压",
    "运行中欠压",
    "输入缺相",
    "输出缺相",
    "功率器件保护",
    "变频器过热",
    "变频器过载",
    "电机过载",
    "外部故障",
    "电机负载过重",
    "变频器欠载",
    "比较器1输出保护",
    "比较器2输出保护",
    "参数存储失败",
    "通讯异常",
    "电流检测故障",
    "自整定不良",
    "模拟输入掉线",
    "PG掉线",
    "热敏电阻开路",
    "异常停机故障",
    "保留",
    "保留",
    "操作面板掉线",
};

constexpr std::string_view kQd40Faults[] = {
    "",
    "启动瞬间过流",
    "加速运行过流",
    "减速运行过流",
    "恒速运行过流",
    "加速运行过压",
    "减速运行过压",
    "恒速运行过压",
    "待机时过压",
    "运行时母线欠压",
    "控制电源过压",
    "输入侧缺相",
    "输出侧缺相",
    "输出侧接地",
    "逆变模块保护",
    "逆变散热器过热",
    "整流桥散热器过热",
    "电机过热",
    "变频器过载",
    "电机过载",
    "外部故障",
    "电机负载过重",
    "变频器欠载",
    "比较器1输出保护",
    "比较器2输出保护",
    "EEPROM读写故障",
    "操作面板参数拷贝出错",
    "通讯异常",
    "充电接触器异常",
    "电流检测电路故障",
    "系统干扰",
    "自整定不良",
    "AI1信号丢失",
    "PG信号丢失",
    "速度偏差过大",
    "超速",
    "热敏电阻开路",
    "异常停机故障",
    "控制故障",
    "E15欠压",
    "AD基准欠压",
    "输出电机检测故障",
    "",
    "",
    "操作面板异常",
    "",
};

constexpr std::string_view kQd10Alarms[] = {
    "", "电机过载", "加速运行过流", "恒速运行过流", "减速运行过压", "运行中过压", "模拟输入掉线",
};

// Bits 0..19 of the QD30/QD40 alarm set.
constexpr std::string_view kAlarmBits[] = {
    "电机过载",
    "电机负载过重",
    "变频器欠载",
    "",
    "操作面板掉线",
    "模拟输入掉线",
    "输入缺相",
    "输出缺相",
    "通讯异常",
    "参数存储失败",
    "",
    "直流母线欠压",
    "比较器1输出保护",
    "比较器2输出保护",
    "PG断线",
    "",
    "",
    "参数检查错误",
    "操作面板数据不一致",
    "参数上传失败",
};

// A code the table does not cover still gets a text the operator can act on.
std::string unknownCode(int32_t code) {
    return "未知代码" + std::to_string(code);
}

std::string lookup(std::span<const std::string_view> table, int32_t code) {
    if (code < 0 || static_cast<std::size_t>(code) >= table.size()) {
        return unknownCode(code);
    }
    return std::string(table[static_cast<std::size_t>(code)]);
}

} // namespace

std::string faultText(std::string_view series, int32_t code) {
    if (series == "QD10") {
        return lookup(kQd10Faults, code);
    }
    if (series == "QD20") {
        return lookup(kQd20Faults, code & 0x0F);
    }
    if (series == "QD30") {
        return lookup(kQd30Faults, code);
    }
    if (series == "QD40") {
        return lookup(kQd40Faults, code);
    }
    return std::string(kCauseUnrecognised);
}

std::string alarmText(std::string_view series, int32_t low, int32_t high) {
    if (series == "QD10") {
        return lookup(kQd10Alarms, low);
    }
    if (series == "QD20") {
        return std::to_string(low);
    }
    if (series == "QD30" || series == "QD40") {
        const int64_t set = static_cast<int64_t>(high) * 65536 + static_cast<uint16_t>(low);
        std::string text;
        for (int bit = 0; bit < 20; ++bit) {
            if ((set >> bit) & 1) {
                text += kAlarmBits[bit];
            }
        }
        return text;
    }
    return std::string(kCauseUnrecognised);
}

StateTexts driveStateTexts(const DriveRecord& drive) {
    const int32_t s = drive.status[0];
    StateTexts texts;
    if (drive.online == 0) {
        texts.state = kStateOffline;
    } else if (s & status_bit::kFault) {
        texts.state = kStateFault;
    } else if (s & status_bit::kAlarm) {
        texts.state = kStateAlarm;
    } else if (s & status_bit::kRunning) {
        texts.state = (s & status_bit::kForward) ? kStateForward : kStateReverse;
    } else {
        texts.state = kStateStopped;
    }

    if (texts.state == kStateFault) {
        texts.cause = faultText(drive.series, drive.status[9]);
    } else if (texts.state == kStateAlarm) {
        texts.cause = alarmText(drive.series, drive.status[10], drive.status[11]);
    } else {
        texts.cause = kCauseNone;
    }
    return texts;
}

StateTexts driveStateTexts(const DriveTable& table, int slot) {
    if (slot < 0 || slot >= kMaxDrives) {
        return {std::string(kStateOffline), std::string(kCauseNone)};
    }
    return driveStateTexts(table.slots[slot]);
}

} // namespace velkaro
