#include "registry/command_and_line_names.h"

namespace velkaro {

const std::array<std::string_view, 9> commandNames = {
    "保留", "运行", "正转", "反转", "停机", "自由停机", "紧急停机", "故障复位", "隐藏",
};

const std::array<std::string_view, 9> portNames = {
    "无端口", "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8",
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
        return "无效验";
    }
    if (letter == "E") {
        return "偶效验";
    }
    if (letter == "O") {
        return "奇效验";
    }
    return {};
}

} // namespace velkaro
