#include "link/requests.h"

#include <cstdio>

#include "registry/fixed_point.h"
#include "registry/language.h"

namespace velkaro {

namespace {

struct ExceptionNames {
    uint8_t code;
    std::string_view name;  ///< as the operator reads it in a message
    std::string_view brief; ///< in a traffic line
};
constexpr ExceptionNames kExceptionNames[] = {
    {0x01, VELKARO_TRANSLATE_NOOP("Requests", "非法功能"),
     VELKARO_TRANSLATE_NOOP("Requests", "非法功能")},
    {0x02, VELKARO_TRANSLATE_NOOP("Requests", "非法数据地址"),
     VELKARO_TRANSLATE_NOOP("Requests", "非法地址")},
    {0x03, VELKARO_TRANSLATE_NOOP("Requests", "非法数据值"),
     VELKARO_TRANSLATE_NOOP("Requests", "非法数据")},
    {0x04, VELKARO_TRANSLATE_NOOP("Requests", "从站设备故障"),
     VELKARO_TRANSLATE_NOOP("Requests", "设备故障")},
    {0x05, VELKARO_TRANSLATE_NOOP("Requests", "确认"),
     VELKARO_TRANSLATE_NOOP("Requests", "已确认")},
    {0x06, VELKARO_TRANSLATE_NOOP("Requests", "从站设备忙"),
     VELKARO_TRANSLATE_NOOP("Requests", "设备忙")},
    {0x08, VELKARO_TRANSLATE_NOOP("Requests", "存储奇偶性差错"),
     VELKARO_TRANSLATE_NOOP("Requests", "存储校验错")},
    {0x0A, VELKARO_TRANSLATE_NOOP("Requests", "网关路径不可用"),
     VELKARO_TRANSLATE_NOOP("Requests", "网关无路径")},
    {0x0B, VELKARO_TRANSLATE_NOOP("Requests", "网关目标设备无响应"),
     VELKARO_TRANSLATE_NOOP("Requests", "网关无响应")},
};

const ExceptionNames* namesOf(uint8_t code) {
    for (const ExceptionNames& n : kExceptionNames) {
        if (n.code == code) {
            return &n;
        }
    }
    return nullptr;
}

/// The command words the station writes, by the names the operator knows.
// Names with a value after them, and the reason a stronger command gives;
// each is translated as a piece.
constexpr const char* kStoreName = VELKARO_TRANSLATE_NOOP("Requests", "存储到EEPROM");
constexpr const char* kFrequencyName = VELKARO_TRANSLATE_NOOP("Requests", "给定频率 ");
constexpr const char* kWordName = VELKARO_TRANSLATE_NOOP("Requests", "命令字 ");
constexpr const char* kSupersededSuffix = VELKARO_TRANSLATE_NOOP("Requests", "命令优先");

struct WordName {
    uint16_t word;
    std::string_view name;
};
constexpr WordName kCommandNames[] = {
    {command_word::kRun, VELKARO_TRANSLATE_NOOP("Requests", "运行")},
    {command_word::kReverse, VELKARO_TRANSLATE_NOOP("Requests", "反转")},
    {command_word::kStop, VELKARO_TRANSLATE_NOOP("Requests", "停机")},
    {command_word::kCoastStop, VELKARO_TRANSLATE_NOOP("Requests", "自由停机")},
    {command_word::kEmergencyStop, VELKARO_TRANSLATE_NOOP("Requests", "紧急停机")},
    {command_word::kFaultReset, VELKARO_TRANSLATE_NOOP("Requests", "故障复位")},
    {command_word::kJogForward, VELKARO_TRANSLATE_NOOP("Requests", "正向点动")},
    {command_word::kJogReverse, VELKARO_TRANSLATE_NOOP("Requests", "反向点动")},
};

} // namespace

int stopRank(const Command& command) {
    if (command.kind != Command::Kind::Word) {
        return 0;
    }
    switch (command.value) {
    case command_word::kEmergencyStop:
        return 3;
    case command_word::kCoastStop:
        return 2;
    case command_word::kStop:
        return 1;
    default:
        return 0;
    }
}

std::string commandName(const Command& command) {
    char text[32];
    switch (command.kind) {
    case Command::Kind::Store:
        return kStoreName;
    case Command::Kind::Frequency:
        return std::string(kFrequencyName) + formatFixed(command.value, 2) + "Hz";
    case Command::Kind::Word:
        break;
    }
    for (const WordName& n : kCommandNames) {
        if (n.word == command.value) {
            return std::string(n.name);
        }
    }
    std::snprintf(text, sizeof text, "%s0x%04X", kWordName, command.value);
    return text;
}

std::string shownCommandName(const Command& command) {
    // The names with a value are translated without it.
    char word[8];
    switch (command.kind) {
    case Command::Kind::Frequency:
        return translated("Requests", kFrequencyName) + formatFixed(command.value, 2) + "Hz";
    case Command::Kind::Word:
        for (const WordName& n : kCommandNames) {
            if (n.word == command.value) {
                return translated("Requests", n.name.data());
            }
        }
        std::snprintf(word, sizeof word, "0x%04X", command.value);
        return translated("Requests", kWordName) + word;
    case Command::Kind::Store:
        break;
    }
    return translated("Requests", kStoreName);
}

std::string supersededWhy(const Command& stronger) {
    return commandName(stronger) + kSupersededSuffix;
}

std::string shownWhy(const Outcome& outcome) {
    if (outcome.supersededBy) {
        return shownCommandName(*outcome.supersededBy) + translated("Requests", kSupersededSuffix);
    }
    return translated("OperatorMessages", outcome.why.c_str());
}

std::string_view toString(Result result) {
    switch (result) {
    case Result::Confirmed:
        return VELKARO_TRANSLATE_NOOP("Requests", "已确认");
    case Result::Refused:
        return VELKARO_TRANSLATE_NOOP("Requests", "被拒绝");
    case Result::TimedOut:
        return VELKARO_TRANSLATE_NOOP("Requests", "超时");
    case Result::Cancelled:
        return VELKARO_TRANSLATE_NOOP("Requests", "已取消");
    }
    return "?";
}

std::string_view exceptionName(uint8_t code) {
    const ExceptionNames* n = namesOf(code);
    return n != nullptr ? n->name : VELKARO_TRANSLATE_NOOP("Requests", "未知异常");
}

std::string_view exceptionShortName(uint8_t code) {
    const ExceptionNames* n = namesOf(code);
    return n != nullptr ? n->brief : VELKARO_TRANSLATE_NOOP("Requests", "未知");
}

} // namespace velkaro
