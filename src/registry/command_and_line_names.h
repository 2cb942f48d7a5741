#pragma once

#include <array>
#include <string_view>

// The operator's names for commands, ports and parities, as stored (action
// records); a window shows them through translated("CommandNames", ...).

namespace velkaro {

extern const std::array<std::string_view, 9> commandNames;
/// Command name for codes 0..8; empty text otherwise.
std::string_view commandName(int code);

extern const std::array<std::string_view, 9> portNames;
/// "无端口" for 0, "COM1".."COM8" for 1..8; empty text otherwise.
std::string_view portName(int port);

/// "无效验", "偶效验", "奇效验" for "N", "E", "O"; empty text for anything else.
std::string_view parityLabel(std::string_view letter);

} // namespace velkaro
