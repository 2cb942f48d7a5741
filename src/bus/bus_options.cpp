#include "bus/bus_options.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

#include "link/device_address.h"
#include "link/line_finder.h"
#include "link/link_settings.h"
#include "registry/drive_table.h"
#include "registry/fixed_point.h"

namespace velkaro {

namespace {

constexpr int kMostAddresses = kLastBusAddress;

bool parseInt(std::string_view text, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size();
}

template <std::size_t N>
bool oneOf(const std::array<std::string_view, N>& choices, std::string_view value) {
    return std::find(choices.begin(), choices.end(), value) != choices.end();
}

using Verb = BusOptions::Command;

constexpr int kMostRegisters = 125; // what one read reply can carry

/// control, read and write serve one drive at --address.
bool servesOneDrive(Verb c) {
    return c == Verb::Control || c == Verb::Read || c == Verb::Write;
}

/// A register or a raw word: decimal, or hexadecimal after 0x.
std::optional<uint16_t> parseWord(std::string_view text) {
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        base = 16;
    }
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
        value > 0xFFFF) {
        return std::nullopt;
    }
    return static_cast<uint16_t>(value);
}

struct ControlName {
    std::string_view text;
    velkaro::Command command;
};
constexpr ControlName kControlNames[] = {
    {"run", {velkaro::Command::Kind::Word, command_word::kRun}},
    {"forward", {velkaro::Command::Kind::Word, command_word::kRun}},
    {"reverse", {velkaro::Command::Kind::Word, command_word::kReverse}},
    {"stop", {velkaro::Command::Kind::Word, command_word::kStop}},
    {"coast", {velkaro::Command::Kind::Word, command_word::kCoastStop}},
    {"estop", {velkaro::Command::Kind::Word, command_word::kEmergencyStop}},
    {"reset", {velkaro::Command::Kind::Word, command_word::kFaultReset}},
    {"store", {velkaro::Command::Kind::Store, 1}},
};
constexpr std::string_view kFrequencyPrefix = "frequency=";

/// The line options belong to the commands that run at one setting; find tries them all.
bool refusedLineOption(Verb c, std::string_view name) {
    const bool lineOption =
        name == "--baud" || name == "--parity" || name == "--data" || name == "--stop";
    return lineOption && c == Verb::Find;
}

/// The options of control, read and write that name the drive and what is
/// asked of it; false when `name` is none of them (the line options remain).
bool applyDriveOption(BusOptions& o, std::string_view name, const std::string& value,
                      std::string& error) {
    if (name == "--address") {
        if (!parseInt(value, o.address) || o.address < kFirstBusAddress ||
            o.address > kLastBusAddress) {
            error = "地址应在 1..247 之间：" + value;
        }
    } else if (name == "--parameter" && (o.command == Verb::Read || o.command == Verb::Write)) {
        o.parameter = value;
        if (value.empty()) {
            error = "--parameter 需要功能号，例如 F0-05";
        }
    } else if (name == "--group" && o.command == Verb::Read) {
        o.group = value;
        if (value.empty()) {
            error = "--group 需要功能组，例如 F0";
        }
    } else if (name == "--register" && (o.command == Verb::Read || o.command == Verb::Write)) {
        o.registerAddress = parseWord(value);
        if (!o.registerAddress) {
            error = "寄存器应在 0..65535（或 0x0000..0xFFFF）之间：" + value;
        }
    } else if (name == "--value" && o.command == Verb::Write) {
        o.value = value;
        if (value.empty()) {
            error = "--value 需要参数值";
        }
    } else if (name == "--word" && o.command == Verb::Write) {
        o.word = parseWord(value);
        if (!o.word) {
            error = "写入的字应在 0..65535（或 0x0000..0xFFFF）之间：" + value;
        }
    } else if (name == "--count" && o.command == Verb::Read) {
        o.countGiven = true;
        if (!parseInt(value, o.count) || o.count < 1 || o.count > kMostRegisters) {
            error = "寄存器个数应在 1..125 之间：" + value;
        }
    } else {
        return false;
    }
    return true;
}

/// Checks and stores one option value; the reason in `error` when refused.
bool applyOption(BusOptions& o, std::string_view name, const std::string& value,
                 std::string& error) {
    if (servesOneDrive(o.command) && applyDriveOption(o, name, value, error)) {
        return error.empty();
    }
    if (name == "--device") {
        o.device = value;
    } else if (name == "--address" && o.command == Verb::Find) {
        if (!parseInt(value, o.from) || o.from < kFirstBusAddress || o.from > kLastBusAddress) {
            error = "地址应在 1..247 之间：" + value;
        }
    } else if (refusedLineOption(o.command, name)) {
        error = "find 逐一试验全部线路设置，不接受 " + std::string(name);
    } else if (name == "--baud") {
        o.baud = value;
        if (!oneOf(baudChoices, value)) {
            error = "波特率只能是 38400、19200、9600、4800、2400 或 1200：" + value;
        }
    } else if (name == "--parity") {
        o.parity = value;
        if (value != "N" && value != "E" && value != "O") {
            error = "校验只能是 N、E 或 O：" + value;
        }
    } else if (name == "--data") {
        o.dataBits = value;
        if (!oneOf(dataBitsChoices, value)) {
            error = "数据位只能是 8 或 7：" + value;
        }
    } else if (name == "--stop") {
        o.stopBits = value;
        if (!oneOf(stopBitsChoices, value)) {
            error = "停止位只能是 1 或 2：" + value;
        }
    } else if (name == "--from" && o.command != Verb::Find && !servesOneDrive(o.command)) {
        if (!parseInt(value, o.from) || o.from < kFirstBusAddress || o.from > kLastBusAddress) {
            error = "起始地址应在 1..247 之间：" + value;
        }
    } else if (name == "--count" && !servesOneDrive(o.command)) {
        const int least = o.command == Verb::Find ? 1 : 0;
        if (!parseInt(value, o.count) || o.count < least || o.count > kMostAddresses) {
            error = "搜寻长度应在 " + std::to_string(least) + "..247 之间：" + value;
        }
    } else if (name == "--for" && (o.command == Verb::Watch || o.command == Verb::Monitor)) {
        if (const std::optional<double> seconds = parsePositiveNumber(value)) {
            o.forSeconds = *seconds;
        } else {
            error = "监视时间应为正的秒数：" + value;
        }
    } else {
        error = "未知选项：" + std::string(name);
    }
    return error.empty();
}

/// What control, read and write need beyond their options; the reason when
/// something is missing or given twice.
std::string oneDriveMistake(const BusOptions& o) {
    if (o.address == 0) {
        return "缺少 --address 地址";
    }
    const bool parameter = !o.parameter.empty();
    const bool group = !o.group.empty();
    const bool reg = o.registerAddress.has_value();
    switch (o.command) {
    case Verb::Control:
        return o.steps.empty() ? "缺少控制命令，例如 run、stop、frequency=35.5" : "";
    case Verb::Read:
        if (static_cast<int>(parameter) + static_cast<int>(group) + static_cast<int>(reg) != 1) {
            return "read 需要 --parameter、--group 或 --register 中的一个";
        }
        return o.countGiven && !reg ? "--count 只用于 --register" : "";
    case Verb::Write:
        if (parameter == reg) {
            return "write 需要 --parameter 或 --register 中的一个";
        }
        if (parameter && (o.value.empty() || o.word)) {
            return "--parameter 需要 --value 参数值";
        }
        if (reg && (!o.word || !o.value.empty())) {
            return "--register 需要 --word 字";
        }
        return "";
    default:
        return "";
    }
}

} // namespace

std::optional<velkaro::Command> parseControlStep(std::string_view text) {
    for (const ControlName& n : kControlNames) {
        if (n.text == text) {
            return n.command;
        }
    }
    if (!text.starts_with(kFrequencyPrefix)) {
        return std::nullopt;
    }
    // The drive takes the frequency in 0.01 Hz in one unsigned register.
    const std::optional<FixedParse> hz =
        parseEnteredNumber(text.substr(kFrequencyPrefix.size()), 2);
    if (!hz || !hz->inRange || hz->value < 0 || hz->value > 0xFFFF) {
        return std::nullopt;
    }
    return velkaro::Command::frequency(static_cast<uint16_t>(hz->value));
}

std::optional<BusOptions> parseBusOptions(int argc, char** argv, std::string& error) {
    BusOptions o;
    if (argc < 2) {
        error = "缺少命令";
        return std::nullopt;
    }
    const std::string_view command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        return o;
    }
    if (command == "scan") {
        o.command = Verb::Scan;
    } else if (command == "watch") {
        o.command = Verb::Watch;
    } else if (command == "monitor") {
        o.command = Verb::Monitor;
    } else if (command == "find") {
        o.command = Verb::Find;
    } else if (command == "control") {
        o.command = Verb::Control;
    } else if (command == "read") {
        o.command = Verb::Read;
    } else if (command == "write") {
        o.command = Verb::Write;
    } else {
        error = "未知命令：" + std::string(command);
        return std::nullopt;
    }
    for (int i = 2; i < argc; ++i) {
        const std::string_view name = argv[i];
        if (name == "--help" || name == "-h") {
            o.command = Verb::Help;
            return o;
        }
        if (name == "--fast-replies") {
            o.fastReplies = true;
            continue;
        }
        if (name == "--stats" && o.command == Verb::Watch) {
            o.stats = true;
            continue;
        }
        if (o.command == Verb::Control && !name.starts_with("--")) {
            const std::optional<velkaro::Command> step = parseControlStep(name);
            if (!step) {
                error = "未知控制命令：" + std::string(name) +
                        "（可用 run、forward、reverse、stop、coast、estop、reset、store、"
                        "frequency=0..655.35）";
                return std::nullopt;
            }
            o.steps.push_back({std::string(name), *step});
            continue;
        }
        if (i + 1 >= argc) {
            error = std::string(name) + " 缺少取值";
            return std::nullopt;
        }
        if (!applyOption(o, name, argv[++i], error)) {
            return std::nullopt;
        }
    }
    if (o.device.empty()) {
        error = "缺少 --device 设备";
        return std::nullopt;
    }
    if (o.command == Verb::Find && isNetworkDevice(o.device)) {
        error = std::string(kNetworkLineFind);
        return std::nullopt;
    }
    if (servesOneDrive(o.command)) {
        error = oneDriveMistake(o);
        if (!error.empty()) {
            return std::nullopt;
        }
        return o;
    }
    if (o.from + o.count - 1 > kLastBusAddress) {
        o.count = kLastBusAddress - o.from + 1; // the search never goes past 247
    }
    return o;
}

std::string busUsage() {
    return R"(用法：
  velkaro-bus scan  --device 设备 [线路选项] --from 地址 --count 个数
  velkaro-bus watch --device 设备 [线路选项] --from 地址 --count 个数 --for 秒数 [--stats]
  velkaro-bus monitor --device 设备 [线路选项] --from 地址 --count 个数 --for 秒数
  velkaro-bus find --device 设备 [--address 地址] [--count 个数]
  velkaro-bus export|import --device 设备 --address 地址 [--baud 波特率] [--fast-replies] 文件
  velkaro-bus report  --device 设备 --address 地址 [--baud 波特率] 文件.csv
  velkaro-bus compare --device 设备 --address 地址 [--baud 波特率] 文件
  velkaro-bus compare 文件 文件
  velkaro-bus control --device 设备 [线路选项] --address 地址 命令...
  velkaro-bus read  --device 设备 [线路选项] --address 地址
                    --parameter 功能号 | --group 功能组 | --register 寄存器 [--count 个数]
  velkaro-bus write --device 设备 [线路选项] --address 地址
                    --parameter 功能号 --value 数值 | --register 寄存器 --word 字
  velkaro-bus --version

设备    串口设备路径（例如 /dev/ttyUSB0），或
        tcp://主机:端口          串口服务器（透明传输，RTU 帧原样经 TCP 传送）
        modbus-tcp://主机:端口   Modbus TCP 网关（单元号 = 变频器地址）
        经网络连接时线路选项不起作用；连接限时 3 秒。

scan    搜寻 --from 起（1..247）的 --count 个地址，每找到一台变频器输出一行名字，
        例如 3#QD30-7.50。没有找到变频器时不输出，退出码 0。
watch   先搜寻，再每 100 ms 轮询一次状态，每次收到状态输出一行（制表符分隔）：
        秒数  变频器名  状态  故障/报警原因  输出频率=..Hz  设定频率=..Hz
        输出电流=..A  输出电压=..V  输出转矩=..%  母线电压=..V
        共监视 --for 秒（默认 10），Ctrl-C 提前结束。
        加 --stats 时，监视结束后每台变频器输出一行通讯统计（制表符分隔）：名字、
        请求、应答、超时、重试、CRC错误、残帧、他址帧、迟到、短应答、异常（按代码）、
        应答时间 最近/最小/平均/最大（ms）、最后应答（秒数）。
monitor 先搜寻，再像 watch 一样轮询，每一帧输出一行（制表符分隔）：开始后的毫秒数、
        TX 或 RX、帧的字节（两位大写十六进制，以空格分隔；超时无字节时为 --）、
        说明，例如“读 0x3210 ×16”“应答 16 字”“异常 02 非法地址”“CRC 错误”。
find    逐一试验本站提供的全部线路设置（6 种波特率 × 3 种校验 × 2 种停止位，先 8 位
        数据位再 7 位，波特率由高到低），在每种设置下对 --address 起（默认 1）的
        --count 个地址（默认 1）做回送测试；每种有变频器应答的设置输出一行，例如
        “19200 E 8 1  3#QD30-7.50”。进度输出到标准错误。找到时退出码 0，没有
        任何应答时退出码 1。虚拟串口（pty）只传递波特率，校验和数据位不起作用；经网络连接的端口不能检测。
export  读出变频器的全部参数存入 .sav 文件；import 把 .sav 文件写回变频器。
report  读出变频器全部功能组的参数，写成参数报表（CSV，UTF-8）：变频器名称、机型、
        额定功率、读取时间，每个参数一行：功能组、功能号、参数名称、当前值、单位、
        参数范围、修改属性、备注。
compare 读出变频器的全部参数，与参数报表或 .sav 文件对比；给两个文件时对比这两个
        文件，不用串口。每个不同的参数输出一行（制表符分隔）：功能号  参数名称
        第一方的值  第二方的值；最后一行为“N differ, M equal”。机型不同时不对比。
control 先搜寻 --address 上的变频器并读出其控制块，再按给出的顺序逐条执行命令，每条等到
        变频器确认、拒绝或超时后再执行下一条；其间每 100 ms 读一次状态，被拒绝的命令读状态
        后重发，最多三次。命令：run（运行）、forward（正转）、reverse（反转）、stop（停机）、
        coast（自由停机）、estop（紧急停机）、reset（故障复位）、store（存储到EEPROM）、
        frequency=赫兹（给定频率，0..655.35，例如 frequency=35.5）。每条命令输出一行
        （制表符分隔）：命令  结果，结果为 已确认、被拒绝：异常名称 (代码)、超时 或 已取消，
        例如“运行  已确认”“存储到EEPROM  被拒绝：非法功能 (01)”。
read    --parameter 功能号（例如 F0-05、Pr05）读出一个参数，--group 功能组（例如 F0，或从 0
        起的序号）读出一组参数，每个参数一行：功能号  参数名称  当前值（带单位）；
        --register 寄存器（十进制或 0x 十六进制）读出 --count 个（默认 1，最多 125）寄存器，
        每个一行：寄存器  十六进制值  十进制值。读取失败时输出一行：所读内容  结果。
write   --parameter 功能号 --value 数值：按参数表的小数位和正负写入一个参数，数值超出该参数
        的寄存器范围（或不是数值）时不写入，退出码 2；--register 寄存器 --word 字（0..65535，
        或 0x 十六进制）：原样写入一个寄存器。输出一行：所写内容  结果，例如
        “F0-09 = 12.5s  已确认”“0x0103 = 0x0005  被拒绝：非法数据值 (03)”。写入的值不存入
        EEPROM，需要时再执行 control ... store。

线路选项（默认 9600 N 8 1）：
  --baud 38400|19200|9600|4800|2400|1200
  --parity N|E|O
  --data 8|7
  --stop 1|2
  --fast-replies          应答一收全（按帧头长度且 CRC 正确）即结束，不等 20 ms 静默

退出码：0 成功；1 串口打不开、连接不上、通讯中串口丢失或通讯未能完成；2 命令行有误。
compare 的退出码：0 没有不同；1 有不同；2 出错（命令行、文件、机型或通讯）。
control、read、write 的退出码：0 每个请求都已确认；1 有请求被拒绝、超时或取消，或地址上
没有变频器；2 命令行有误（包括功能号或功能组不在该机型的参数表中、参数值超出参数的寄存器
范围），或串口打不开、连接不上、通讯中串口丢失。
操作提示信息输出到标准错误。串口因权限打不开时，请把账户加入 dialout 组后重新登录。
)";
}

} // namespace velkaro
