#include "registry/state_texts.h"

#include <span>

#include "registry/language.h"

namespace velkaro {

namespace {

constexpr std::string_view kQd10Faults[] = {
    "",
    VELKARO_TRANSLATE_NOOP("StateTexts", "功率器件保护"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "过压保护"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "过流保护"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "过热保护"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "欠压保护"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "外部故障"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "电机负载过重"),
    "",
    "",
    "",
};

constexpr std::string_view kQd20Faults[] = {
    "",
    VELKARO_TRANSLATE_NOOP("StateTexts", "功率器件保护"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "过电流保护"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "输出缺相保护"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "过载保护"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "过压保护"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "过热保护"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "外部报警"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "输入缺相"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "电流传感器异常"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "温度传感器异常"),
    "",
    "",
    "",
    VELKARO_TRANSLATE_NOOP("StateTexts", "存储失败"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "欠压保护"),
};

constexpr std::string_view kQd30Faults[] = {
    "",
    VELKARO_TRANSLATE_NOOP("StateTexts", "启动瞬间过流"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "加速运行过流"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "减速运行过流"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "恒速运行过流"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "加速运行过压"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "减速运行过压"),
    "",
    VELKARO_TRANSLATE_NOOP("StateTexts", "待机时过压"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "运行中欠压"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "输入缺相"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "输出缺相"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "功率器件保护"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "变频器过热"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "变频器过载"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "电机过载"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "外部故障"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "电机负载过重"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "变频器欠载"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "比较器1输出保护"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "比较器2输出保护"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "参数存储失败"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "通讯异常"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "电流检测故障"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "自整定不良"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "模拟输入掉线"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "PG掉线"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "热敏电阻开路"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "异常停机故障"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "保留"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "保留"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "操作面板掉线"),
};

constexpr std::string_view kQd40Faults[] = {
    "",
    VELKARO_TRANSLATE_NOOP("StateTexts", "启动瞬间过流"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "加速运行过流"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "减速运行过流"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "恒速运行过流"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "加速运行过压"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "减速运行过压"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "恒速运行过压"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "待机时过压"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "运行时母线欠压"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "控制电源过压"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "输入侧缺相"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "输出侧缺相"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "输出侧接地"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "逆变模块保护"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "逆变散热器过热"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "整流桥散热器过热"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "电机过热"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "变频器过载"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "电机过载"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "外部故障"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "电机负载过重"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "变频器欠载"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "比较器1输出保护"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "比较器2输出保护"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "EEPROM读写故障"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "操作面板参数拷贝出错"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "通讯异常"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "充电接触器异常"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "电流检测电路故障"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "系统干扰"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "自整定不良"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "AI1信号丢失"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "PG信号丢失"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "速度偏差过大"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "超速"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "热敏电阻开路"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "异常停机故障"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "控制故障"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "E15欠压"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "AD基准欠压"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "输出电机检测故障"),
    "",
    "",
    VELKARO_TRANSLATE_NOOP("StateTexts", "操作面板异常"),
    "",
};

constexpr std::string_view kQd10Alarms[] = {
    "",
    VELKARO_TRANSLATE_NOOP("StateTexts", "电机过载"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "加速运行过流"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "恒速运行过流"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "减速运行过压"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "运行中过压"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "模拟输入掉线"),
};

// Bits 0..19 of the QD30/QD40 alarm set.
constexpr std::string_view kAlarmBits[] = {
    VELKARO_TRANSLATE_NOOP("StateTexts", "电机过载"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "电机负载过重"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "变频器欠载"),
    "",
    VELKARO_TRANSLATE_NOOP("StateTexts", "操作面板掉线"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "模拟输入掉线"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "输入缺相"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "输出缺相"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "通讯异常"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "参数存储失败"),
    "",
    VELKARO_TRANSLATE_NOOP("StateTexts", "直流母线欠压"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "比较器1输出保护"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "比较器2输出保护"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "PG断线"),
    "",
    "",
    VELKARO_TRANSLATE_NOOP("StateTexts", "参数检查错误"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "操作面板数据不一致"),
    VELKARO_TRANSLATE_NOOP("StateTexts", "参数上传失败"),
};

// Stored texts are the designed Chinese; shown ones go through the
// installed translator.
enum class Use { Stored, Shown };

std::string text(std::string_view source, Use use) {
    if (use == Use::Stored || source.empty()) {
        return std::string(source);
    }
    // Every table text is a literal, so its data ends in a NUL.
    return translated("StateTexts", source.data());
}

// A code the table does not cover still gets a text the operator can act on.
std::string unknownCode(int32_t code, Use use) {
    return text(VELKARO_TRANSLATE_NOOP("StateTexts", "未知代码"), use) +
           (use == Use::Shown && displayLanguage() == Language::English ? " " : "") +
           std::to_string(code);
}

std::string lookup(std::span<const std::string_view> table, int32_t code, Use use) {
    if (code < 0 || static_cast<std::size_t>(code) >= table.size()) {
        return unknownCode(code, use);
    }
    return text(table[static_cast<std::size_t>(code)], use);
}

std::string faultTextFor(std::string_view series, int32_t code, Use use) {
    if (series == "QD10") {
        return lookup(kQd10Faults, code, use);
    }
    if (series == "QD20") {
        return lookup(kQd20Faults, code & 0x0F, use);
    }
    if (series == "QD30") {
        return lookup(kQd30Faults, code, use);
    }
    if (series == "QD40") {
        return lookup(kQd40Faults, code, use);
    }
    return text(kCauseUnrecognised, use);
}

std::string alarmTextFor(std::string_view series, int32_t low, int32_t high, Use use) {
    if (series == "QD10") {
        return lookup(kQd10Alarms, low, use);
    }
    if (series == "QD20") {
        return std::to_string(low);
    }
    if (series == "QD30" || series == "QD40") {
        // The Chinese causes run on without a separator; English words need one.
        const std::string_view separator =
            use == Use::Shown && displayLanguage() == Language::English ? ", " : "";
        const int64_t set = static_cast<int64_t>(high) * 65536 + static_cast<uint16_t>(low);
        std::string joined;
        for (int bit = 0; bit < 20; ++bit) {
            if (((set >> bit) & 1) && !kAlarmBits[bit].empty()) {
                joined += joined.empty() ? "" : separator;
                joined += text(kAlarmBits[bit], use);
            }
        }
        return joined;
    }
    return text(kCauseUnrecognised, use);
}

StateTexts stateTextsFor(const DriveRecord& drive, Use use) {
    const int32_t s = drive.status[0];
    std::string_view state;
    if (drive.online == 0) {
        state = kStateOffline;
    } else if (s & status_bit::kFault) {
        state = kStateFault;
    } else if (s & status_bit::kAlarm) {
        state = kStateAlarm;
    } else if (s & status_bit::kRunning) {
        state = (s & status_bit::kForward) ? kStateForward : kStateReverse;
    } else {
        state = kStateStopped;
    }

    StateTexts texts;
    texts.state = text(state, use);
    if (state == kStateFault) {
        texts.cause = faultTextFor(drive.series, drive.status[9], use);
    } else if (state == kStateAlarm) {
        texts.cause = alarmTextFor(drive.series, drive.status[10], drive.status[11], use);
    } else {
        texts.cause = text(kCauseNone, use);
    }
    return texts;
}

StateTexts stateTextsFor(const DriveTable& table, int slot, Use use) {
    if (slot < 0 || slot >= kMaxDrives) {
        return {text(kStateOffline, use), text(kCauseNone, use)};
    }
    return stateTextsFor(table.slots[slot], use);
}

} // namespace

std::string faultText(std::string_view series, int32_t code) {
    return faultTextFor(series, code, Use::Stored);
}

std::string alarmText(std::string_view series, int32_t low, int32_t high) {
    return alarmTextFor(series, low, high, Use::Stored);
}

std::string shownStoredCause(std::string_view stored) {
    if (displayLanguage() == Language::Chinese || stored.empty()) {
        return std::string(stored);
    }
    const std::string whole(stored);
    std::string shown = translated("StateTexts", whole.c_str());
    if (shown != whole) {
        return shown;
    }
    const std::string_view unknown = VELKARO_TRANSLATE_NOOP("StateTexts", "未知代码");
    if (stored.starts_with(unknown)) {
        const std::string_view digits = stored.substr(unknown.size());
        if (!digits.empty() && digits.find_first_not_of("-0123456789") == std::string_view::npos) {
            return text(unknown, Use::Shown) + " " + std::string(digits);
        }
    }
    // An alarm set: the causes in bit order, each matched whole.
    std::string joined;
    std::string_view rest = stored;
    for (const std::string_view cause : kAlarmBits) {
        if (!cause.empty() && rest.starts_with(cause)) {
            joined += joined.empty() ? "" : ", ";
            joined += text(cause, Use::Shown);
            rest.remove_prefix(cause.size());
        }
    }
    return rest.empty() ? joined : whole;
}

StateTexts driveStateTexts(const DriveRecord& drive) {
    return stateTextsFor(drive, Use::Stored);
}

StateTexts driveStateTexts(const DriveTable& table, int slot) {
    return stateTextsFor(table, slot, Use::Stored);
}

StateTexts shownStateTexts(const DriveRecord& drive) {
    return stateTextsFor(drive, Use::Shown);
}

StateTexts shownStateTexts(const DriveTable& table, int slot) {
    return stateTextsFor(table, slot, Use::Shown);
}

} // namespace velkaro
