#include "registry/command_and_line_names.h"

#include "registry/language.h"

namespace velkaro {

const std::array<std::string_view, 9> commandNames = {
    VELKARO_TRANSLATE_NOOP("CommandNames", "保留"),
    VELKARO_TRANSLATE_NOOP("CommandNames", "运行"),
    VELKARO_TRANSLATE_NOOP("CommandNames", "正转"),
    VELKARO_TRANSLATE_NOOP("CommandNames", "反转"),
    VELKARO_TRANSLATE_NOOP("CommandNames", "停机"),
    VELKARO_TRANSLATE_NOOP("CommandNames", "自由停机"),
    VELKARO_TRANSLATE_NOOP("CommandNames", "紧急停机"),
    VELKARO_TRANSLATE_NOOP("CommandNames", "故障复位"),
    VELKARO_TRANSLATE_NOOP("CommandNames", "隐藏"),
};

const std::array<std::string_view, 9> portNames = {
    VELKARO_TRANSLATE_NOOP("CommandNames", "无端口"),
    "COM1",
    "COM2",
    "COM3",
    "COM4",
    "COM5",
    "COM6",
    "COM7",
    "COM8",
};

std::string_view commandName(int code) {
    if (code < 0 || code >= static_cast<int>(commandNames.size())) {
        return {};
    }
    return commandNames[code];
}

std::string_view portName(int port) {
    if (port < 0 || port >= static_cast<int>(portNames.size())) {
        return {};
    }
    return portNames[port];
}

std::string_view parityLabel(std::string_view letter) {
    if (letter == "N") {
        return VELKARO_TRANSLATE_NOOP("CommandNames", "无效验");
    }
    if (letter == "E") {
        return VELKARO_TRANSLATE_NOOP("CommandNames", "偶效验");
    }
    if (letter == "O") {
        return VELKARO_TRANSLATE_NOOP("CommandNames", "奇效验");
    }
    return {};
}

} // namespace velkaro
